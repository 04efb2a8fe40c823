#include "tags/tagplausibility.h"

#include "tags/tagcheck.h"
#include "tags/taglattice.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace
{

constexpr double kShareFollowingNumbering = 0.8;
constexpr double kShareAlike = 0.9;
constexpr qint64 kMostTagId = 19999;

constexpr int kIdColumn = 0;
constexpr int kXColumn = 1;
constexpr int kSideColumn = 3;
constexpr int kAngleColumn = 4;

// The numbering the floor's ids follow: id = start + along * u + across * v
// over the lattice indices (u, v), with u counted backwards on every second
// line for a serpentine.
struct Numbering {
    qint64 start = 0;
    qint64 along = 0;
    qint64 across = 0;
    int following = 0;
};

// A tag on the lattice with its indices counted from the lattice's corner.
struct GridTag {
    int index = 0; // into the tags
    int u = 0;
    int v = 0;
};

// Tags by their indices: a dense array over the indices' box when the tags
// fill most of it, as a grid floor's do, else sorted for binary search.
// Either way no allocation per tag, unlike a hash.
class GridLookup
{
public:
    GridLookup(const QVector<GridTag> &grid, int width, int height) : width(width), height(height)
    {
        if (qint64(width) * height <= 4 * qint64(grid.size()) + 64) {
            dense.assign(size_t(width) * size_t(height), -1);
            for (const GridTag &g : grid)
                dense[size_t(g.v) * size_t(width) + size_t(g.u)] = g.index;
            return;
        }
        sorted.reserve(size_t(grid.size()));
        for (const GridTag &g : grid)
            sorted.emplace_back(key(g.u, g.v), g.index);
        std::sort(sorted.begin(), sorted.end());
    }

    // The tag at (u, v), or -1.
    int at(int u, int v) const
    {
        if (u < 0 || v < 0 || u >= width || v >= height)
            return -1;
        if (!dense.empty())
            return dense[size_t(v) * size_t(width) + size_t(u)];
        const qint64 wanted = key(u, v);
        const auto it =
            std::lower_bound(sorted.begin(), sorted.end(), std::make_pair(wanted, INT_MIN));
        return it != sorted.end() && it->first == wanted ? it->second : -1;
    }

private:
    static qint64 key(int u, int v)
    {
        return (qint64(v) << 32) | quint32(u);
    }
    int width;
    int height;
    std::vector<int> dense;
    std::vector<std::pair<qint64, int>> sorted;
};

// The id step most neighbours one index apart show.
qint64 common_step(const QVector<GridTag> &grid, const QVector<RowTag> &tags,
                   const GridLookup &lookup, int du, int dv)
{
    QHash<qint64, int> votes;
    for (const GridTag &g : grid) {
        const int next = lookup.at(g.u + du, g.v + dv);
        if (next >= 0)
            ++votes[qint64(tags.at(next).record.id) - tags.at(g.index).record.id];
    }
    qint64 best = 0;
    int best_count = 0;
    for (auto it = votes.constBegin(); it != votes.constEnd(); ++it)
        if (it.value() > best_count || (it.value() == best_count && it.key() < best))
            best = it.key(), best_count = it.value();
    return best;
}

Numbering fit_numbering(const QVector<GridTag> &grid, const QVector<RowTag> &tags, int width,
                        int height)
{
    const GridLookup at(grid, width, height);
    Numbering numbering;
    numbering.along = common_step(grid, tags, at, 1, 0);
    numbering.across = common_step(grid, tags, at, 0, 1);
    if (numbering.along == 0 && numbering.across == 0)
        return numbering;
    QHash<qint64, int> starts;
    for (const GridTag &g : grid)
        ++starts[tags.at(g.index).record.id - numbering.along * g.u - numbering.across * g.v];
    for (auto it = starts.constBegin(); it != starts.constEnd(); ++it)
        if (it.value() > numbering.following)
            numbering.start = it.key(), numbering.following = it.value();
    return numbering;
}

// The lattice's tags under each way a floor is numbered: line by line
// along either index, straight or serpentine (starting either way).
QVector<GridTag> renumbered(const QVector<GridTag> &grid, int model, int width, int height)
{
    QVector<GridTag> out = grid;
    for (GridTag &g : out) {
        if (model == 1 || model == 2) {
            if ((g.v + model) % 2 == 0)
                g.u = width - 1 - g.u;
        } else if (model == 3 || model == 4) {
            if ((g.u + model) % 2 == 0)
                g.v = height - 1 - g.v;
        }
    }
    return out;
}
constexpr int kNumberingModels = 5;

QString point_text(const QPointF &p)
{
    return QStringLiteral("%1, %2").arg(qRound(p.x())).arg(qRound(p.y()));
}

TagFinding finding(TagFindingKind kind, const RowTag &tag, int column, const QString &cell,
                   const QString &expected)
{
    TagFinding f;
    f.kind = kind;
    f.row = tag.row + 1;
    f.column = column;
    f.cell = cell;
    f.expected = expected;
    return f;
}

void off_grid(const QVector<RowTag> &tags, const LatticeFit &fit, QVector<TagFinding> &out)
{
    for (int k = 0; k < tags.size(); ++k) {
        const LatticePlace &place = fit.places.at(k);
        if (place.on)
            continue;
        const TagRecord &r = tags.at(k).record;
        out << finding(TagFindingKind::off_grid, tags.at(k), kXColumn,
                       QStringLiteral("%1, %2").arg(r.x_cm).arg(r.y_cm),
                       point_text(fit.lattice.point(place.i, place.j)));
    }
}

void out_of_sequence(const QVector<RowTag> &tags, const LatticeFit &fit, QVector<TagFinding> &out)
{
    QVector<GridTag> grid;
    int min_i = INT_MAX, min_j = INT_MAX, max_i = INT_MIN, max_j = INT_MIN;
    for (int k = 0; k < tags.size(); ++k) {
        const LatticePlace &place = fit.places.at(k);
        if (!place.on)
            continue;
        grid.append({k, place.i, place.j});
        min_i = std::min(min_i, place.i), max_i = std::max(max_i, place.i);
        min_j = std::min(min_j, place.j), max_j = std::max(max_j, place.j);
    }
    for (GridTag &g : grid)
        g.u -= min_i, g.v -= min_j;
    Numbering best;
    QVector<GridTag> best_grid;
    for (int model = 0; model < kNumberingModels; ++model) {
        const int width = max_i - min_i + 1, height = max_j - min_j + 1;
        QVector<GridTag> candidate = renumbered(grid, model, width, height);
        const Numbering numbering = fit_numbering(candidate, tags, width, height);
        if (numbering.following > best.following)
            best = numbering, best_grid = std::move(candidate);
    }
    if (best.following < kShareFollowingNumbering * grid.size())
        return;

    QHash<qint64, int> breaking_by_id; // id -> index into best_grid
    QVector<qint64> expected(best_grid.size());
    for (int g = 0; g < best_grid.size(); ++g) {
        const GridTag &t = best_grid.at(g);
        expected[g] = best.start + best.along * t.u + best.across * t.v;
        if (tags.at(t.index).record.id != expected[g])
            breaking_by_id.insert(tags.at(t.index).record.id, g);
    }
    QVector<TagFinding> found;
    QSet<int> paired;
    for (int g = 0; g < best_grid.size(); ++g) {
        const RowTag &tag = tags.at(best_grid.at(g).index);
        // An id the camera cannot take is the row conversion's finding.
        if (tag.record.id == expected[g] || paired.contains(g) || expected[g] < 1 ||
            expected[g] > kMostTagId)
            continue;
        const auto other = breaking_by_id.constFind(expected[g]);
        if (other == breaking_by_id.constEnd() || expected[other.value()] != tag.record.id) {
            found << finding(TagFindingKind::id_out_of_sequence, tag, kIdColumn,
                             QString::number(tag.record.id), QString::number(expected[g]));
            continue;
        }
        // Two ids typed in each other's place: one finding names both rows.
        paired.insert(other.value());
        const RowTag &partner = tags.at(best_grid.at(other.value()).index);
        const RowTag &first = partner.row < tag.row ? partner : tag;
        const RowTag &second = partner.row < tag.row ? tag : partner;
        TagFinding f = finding(TagFindingKind::id_out_of_sequence, first, kIdColumn,
                               QString::number(first.record.id), QString::number(second.record.id));
        f.other_row = second.row + 1;
        found << f;
    }
    std::sort(found.begin(), found.end(),
              [](const TagFinding &x, const TagFinding &y) { return x.row < y.row; });
    out += found;
}

// Angles that differ by whole turns are one angle.
int field_value(const TagRecord &r, int column)
{
    return column == kAngleColumn ? ((r.angle_deg % 360) + 360) % 360 : r.side_mm;
}

void unlike_others(const QVector<RowTag> &tags, TagFindingKind kind, int column,
                   QVector<TagFinding> &out)
{
    QHash<int, int> counts;
    for (const RowTag &tag : tags)
        ++counts[field_value(tag.record, column)];
    int common = 0, common_count = 0;
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it)
        if (it.value() > common_count)
            common = it.key(), common_count = it.value();
    if (common_count < kShareAlike * tags.size())
        return;
    for (const RowTag &tag : tags) {
        if (field_value(tag.record, column) == common)
            continue;
        const int shown = column == kAngleColumn ? tag.record.angle_deg : tag.record.side_mm;
        out << finding(kind, tag, column, QString::number(shown), QString::number(common));
    }
}

} // namespace

QVector<TagFinding> plausibility_findings(const QVector<RowTag> &tags)
{
    QVector<QPoint> points;
    points.reserve(tags.size());
    for (const RowTag &tag : tags)
        points.append(QPoint(tag.record.x_cm, tag.record.y_cm));
    const std::optional<LatticeFit> fit = find_lattice(points);
    if (!fit)
        return {};
    QVector<TagFinding> out;
    off_grid(tags, *fit, out);
    out_of_sequence(tags, *fit, out);
    unlike_others(tags, TagFindingKind::angle_unlike_others, kAngleColumn, out);
    unlike_others(tags, TagFindingKind::side_unlike_others, kSideColumn, out);
    return out;
}
