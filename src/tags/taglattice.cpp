#include "tags/taglattice.h"

#include "tags/pairkey.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace
{

constexpr double kShareOnLattice = 0.8;
constexpr int kLeastTags = 9;
// Within 1 cm of a lattice point means nothing on a lattice finer than this.
constexpr double kLeastPitchCm = 4.0;
// A neighbour search gives up past this many rings of cells: a floor whose
// tags are that sparse around some point is no grid there.
constexpr int kMostRings = 48;
// A vector whose angle with the first pitch is smaller does not span the
// plane with it (sin 14.5 degrees).
constexpr double kLeastSine = 0.25;

double length(const QPointF &v)
{
    return std::hypot(v.x(), v.y());
}

double cross(const QPointF &u, const QPointF &v)
{
    return u.x() * v.y() - u.y() * v.x();
}

// The points sorted into square cells, so that a neighbour search visits a
// few cells instead of every point. The cell's side makes about one point a
// cell; a floor that is one line of tags gets longer cells, so that the
// cells never outnumber the points four times.
class PointCells
{
public:
    explicit PointCells(const QVector<QPoint> &points) : points(points)
    {
        // The cells span all but the outermost points, so that a few tags
        // typed far off do not make every cell hold hundreds; those few sit
        // in the border cells.
        const auto [min_x, max_x] = inner_span(points, [](const QPoint &p) { return p.x(); });
        const auto [min_y, max_y] = inner_span(points, [](const QPoint &p) { return p.y(); });
        x0 = min_x;
        y0 = min_y;
        const double width = std::max(1, max_x - min_x);
        const double height = std::max(1, max_y - min_y);
        const qint64 most_cells = 4 * qint64(points.size()) + 16;
        side = std::max(1.0, std::sqrt(width * height / points.size()));
        while ((qint64(width / side) + 1) * (qint64(height / side) + 1) > most_cells)
            side *= 1.5;
        columns = int(width / side) + 1;
        rows = int(height / side) + 1;
        std::vector<int> count(size_t(columns) * rows + 1, 0);
        for (const QPoint &p : points)
            ++count[size_t(cell_of(p.x(), p.y())) + 1];
        for (size_t c = 1; c < count.size(); ++c)
            count[c] += count[c - 1];
        start = count;
        order.resize(points.size());
        for (int index = 0; index < points.size(); ++index) {
            const QPoint &p = points.at(index);
            order[size_t(count[size_t(cell_of(p.x(), p.y()))]++)] = index;
        }
    }

    // The point nearest `at` within `reach` that `accept` takes, or -1.
    template <typename Accept> int nearest(const QPointF &at, double reach, Accept accept) const
    {
        const int cx = int(std::floor((at.x() - x0) / side));
        const int cy = int(std::floor((at.y() - y0) / side));
        const int most_rings = int(std::min<double>(kMostRings, std::ceil(reach / side) + 1));
        int best = -1;
        double best_squared = reach < 1e150 ? reach * reach : reach;
        for (int ring = 0; ring <= most_rings; ++ring) {
            if (cx - ring < 0 && cx + ring >= columns && cy - ring < 0 && cy + ring >= rows)
                break;
            for (int y = cy - ring; y <= cy + ring; ++y) {
                if (y < 0 || y >= rows)
                    continue;
                const bool edge_row = y == cy - ring || y == cy + ring;
                for (int x = cx - ring; x <= cx + ring; x += edge_row ? 1 : 2 * ring) {
                    if (x >= 0 && x < columns)
                        visit(y * columns + x, at, accept, best, best_squared);
                    if (ring == 0)
                        break;
                }
            }
            // Cells of the next ring lie at least `ring` cells away.
            if (best >= 0 && best_squared <= (ring * side) * (ring * side))
                break;
        }
        return best;
    }

private:
    int cell_of(int x, int y) const
    {
        const int column = int(std::clamp(std::floor((x - x0) / side), 0.0, columns - 1.0));
        const int row = int(std::clamp(std::floor((y - y0) / side), 0.0, rows - 1.0));
        return row * columns + column;
    }

    // From the 1st to the 99th percentile of one coordinate.
    template <typename Coordinate>
    static std::pair<int, int> inner_span(const QVector<QPoint> &points, Coordinate coordinate)
    {
        std::vector<int> values;
        values.reserve(size_t(points.size()));
        for (const QPoint &p : points)
            values.push_back(coordinate(p));
        const size_t low = values.size() / 100;
        const size_t high = values.size() - 1 - low;
        std::nth_element(values.begin(), values.begin() + long(low), values.end());
        const int min = values[low];
        std::nth_element(values.begin(), values.begin() + long(high), values.end());
        return {min, values[high]};
    }

    template <typename Accept>
    void visit(int cell, const QPointF &at, Accept accept, int &best, double &best_squared) const
    {
        for (int k = start[size_t(cell)]; k < start[size_t(cell) + 1]; ++k) {
            const int index = order[size_t(k)];
            const QPoint &p = points.at(index);
            const double dx = p.x() - at.x(), dy = p.y() - at.y();
            const double squared = dx * dx + dy * dy;
            if (squared <= best_squared && (best < 0 || squared < best_squared) && accept(index))
                best = index, best_squared = squared;
        }
    }

    const QVector<QPoint> &points;
    double x0 = 0;
    double y0 = 0;
    double side = 1;
    int columns = 1;
    int rows = 1;
    std::vector<int> start;
    std::vector<int> order;
};

// Votes for difference vectors of whole centimetres. A vector and its
// opposite are one vote; votes within a centimetre of each other count
// together, so that a pitch of 33.3 cm does not split between 33 and 34.
class VectorVotes
{
public:
    void add(const QPoint &v)
    {
        const QPoint c = canonical(v);
        Tally &tally = votes[key(c)];
        tally.vector = c;
        ++tally.count;
    }

    // The vector with the most votes near it, the votes' mean; and their count.
    std::pair<QPointF, int> winner() const
    {
        int best_sum = 0;
        QPointF best;
        for (auto it = votes.constBegin(); it != votes.constEnd(); ++it) {
            const int x = it.value().vector.x();
            const int y = it.value().vector.y();
            int sum = 0;
            double sx = 0, sy = 0;
            for (int dx = -1; dx <= 1; ++dx)
                for (int dy = -1; dy <= 1; ++dy) {
                    const QPoint v(x + dx, y + dy);
                    const int n = votes.value(key(canonical(v))).count;
                    sum += n;
                    sx += double(n) * v.x();
                    sy += double(n) * v.y();
                }
            if (sum > best_sum)
                best_sum = sum, best = QPointF(sx / sum, sy / sum);
        }
        return {best, best_sum};
    }

private:
    static QPoint canonical(const QPoint &v)
    {
        return v.x() < 0 || (v.x() == 0 && v.y() < 0) ? -v : v;
    }
    static quint64 key(const QPoint &v)
    {
        return pair_key(v.x(), v.y());
    }
    struct Tally {
        QPoint vector;
        int count = 0;
    };
    QHash<quint64, Tally> votes;
};

// x = o + i a + j b, fitted by least squares over the points with `use`
// set; a vector whose index never varies keeps its value.
bool fit(const QVector<QPoint> &points, const QVector<LatticePlace> &places,
         const std::vector<char> &use, Lattice &lattice)
{
    double n = 0, si = 0, sj = 0, sii = 0, sjj = 0, sij = 0;
    double sx = 0, sy = 0, six = 0, siy = 0, sjx = 0, sjy = 0;
    for (int k = 0; k < points.size(); ++k) {
        if (!use[size_t(k)])
            continue;
        const double i = places.at(k).i, j = places.at(k).j;
        const double x = points.at(k).x(), y = points.at(k).y();
        n += 1, si += i, sj += j, sii += i * i, sjj += j * j, sij += i * j;
        sx += x, sy += y, six += i * x, siy += i * y, sjx += j * x, sjy += j * y;
    }
    if (n < 2)
        return false;
    // Centred sums: the fit of the slopes, then the origin from the means.
    const double cii = sii - si * si / n, cjj = sjj - sj * sj / n, cij = sij - si * sj / n;
    const double cix = six - si * sx / n, ciy = siy - si * sy / n;
    const double cjx = sjx - sj * sx / n, cjy = sjy - sj * sy / n;
    const double det = cii * cjj - cij * cij;
    const double tiny = 1e-9 * (cii * cjj + 1);
    if (std::abs(det) > tiny) {
        lattice.a = QPointF((cix * cjj - cjx * cij) / det, (ciy * cjj - cjy * cij) / det);
        lattice.b = QPointF((cjx * cii - cix * cij) / det, (cjy * cii - ciy * cij) / det);
    } else if (cii > 1e-9) {
        lattice.a = QPointF(cix / cii, ciy / cii) - lattice.b * (cij / cii);
    } else if (cjj > 1e-9) {
        lattice.b = QPointF(cjx / cjj, cjy / cjj) - lattice.a * (cij / cjj);
    }
    lattice.origin = QPointF(sx / n, sy / n) - lattice.a * (si / n) - lattice.b * (sj / n);
    return true;
}

// Every point's nearest lattice point; the count of those on the lattice.
int place_all(const QVector<QPoint> &points, const Lattice &lattice, QVector<LatticePlace> &places)
{
    const double det = cross(lattice.a, lattice.b);
    int on = 0;
    for (int k = 0; k < points.size(); ++k) {
        const QPointF d = QPointF(points.at(k)) - lattice.origin;
        const double u = cross(d, lattice.b) / det;
        const double v = cross(lattice.a, d) / det;
        LatticePlace &place = places[k];
        // Far beyond any floor: such a point is simply off the lattice.
        place.i = int(std::clamp(std::round(u), -1e6, 1e6));
        place.j = int(std::clamp(std::round(v), -1e6, 1e6));
        const QPointF q = lattice.point(place.i, place.j);
        place.distance = std::hypot(points.at(k).x() - q.x(), points.at(k).y() - q.y());
        place.on = place.distance <= kOnLatticeCm + 1e-9;
        on += place.on;
    }
    return on;
}

// The largest set of points joined by steps of +-a and +-b (each within a
// quarter pitch of the step), with indices counted along the steps.
std::vector<char> largest_joined_set(const QVector<QPoint> &points, const PointCells &cells,
                                     const Lattice &lattice, QVector<LatticePlace> &places)
{
    const double slack = 0.25 * std::min(length(lattice.a), length(lattice.b));
    const QPointF steps[4] = {lattice.a, -lattice.a, lattice.b, -lattice.b};
    const int di[4] = {1, -1, 0, 0};
    const int dj[4] = {0, 0, 1, -1};
    std::vector<int> set_of(size_t(points.size()), -1);
    QVector<LatticePlace> counted(points.size());
    int best_set = -1, best_size = 0;
    std::vector<int> queue;
    queue.reserve(size_t(points.size()));
    for (int first = 0; first < points.size(); ++first) {
        if (set_of[size_t(first)] >= 0)
            continue;
        queue.clear();
        queue.push_back(first);
        set_of[size_t(first)] = first;
        counted[first] = LatticePlace();
        for (size_t head = 0; head < queue.size(); ++head) {
            const int k = queue[head];
            for (int s = 0; s < 4; ++s) {
                const int next = cells.nearest(QPointF(points.at(k)) + steps[s], slack,
                                               [&](int index) { return index != k; });
                if (next < 0 || set_of[size_t(next)] >= 0)
                    continue;
                set_of[size_t(next)] = first;
                counted[next].i = counted[k].i + di[s];
                counted[next].j = counted[k].j + dj[s];
                queue.push_back(next);
            }
        }
        if (int(queue.size()) > best_size)
            best_size = int(queue.size()), best_set = first;
    }
    std::vector<char> use(size_t(points.size()), 0);
    for (int k = 0; k < points.size(); ++k)
        if (set_of[size_t(k)] == best_set) {
            use[size_t(k)] = 1;
            places[k] = counted[k];
        }
    return use;
}

} // namespace

std::optional<LatticeFit> find_lattice(const QVector<QPoint> &points)
{
    const int n = points.size();
    if (n < kLeastTags)
        return std::nullopt;
    const PointCells cells(points);
    const double far = std::numeric_limits<double>::max();

    // The first pitch: the most common step to a nearest neighbour.
    VectorVotes first_votes;
    for (int k = 0; k < n; ++k) {
        const QPoint p = points.at(k);
        const int q = cells.nearest(p, far, [&](int index) { return points.at(index) != p; });
        if (q >= 0)
            first_votes.add(points.at(q) - p);
    }
    // Plain names rather than a structured binding: lambdas below take them.
    const std::pair<QPointF, int> first = first_votes.winner();
    const QPointF a = first.first;
    const int a_votes = first.second;
    if (a_votes < n / 10 || length(a) < kLeastPitchCm)
        return std::nullopt;

    // The second: the most common step to the nearest neighbour off the
    // first pitch's line. A floor that is one line of tags has none (but
    // for a stray tag or two); its lattice then takes a perpendicular step
    // of the same length.
    VectorVotes second_votes;
    for (int k = 0; k < n; ++k) {
        const QPoint p = points.at(k);
        const int q = cells.nearest(p, far, [&](int index) {
            const QPointF d = points.at(index) - p;
            return std::abs(cross(d, a)) > kLeastSine * length(d) * length(a);
        });
        if (q >= 0)
            second_votes.add(points.at(q) - p);
    }
    auto [b, b_votes] = second_votes.winner();
    if (b_votes < std::max(2, n / 10))
        b = QPointF(-a.y(), a.x());
    if (length(b) < kLeastPitchCm)
        return std::nullopt;

    LatticeFit result;
    result.lattice = {QPointF(points.first()), a, b};
    result.places.resize(n);
    std::vector<char> use = largest_joined_set(points, cells, result.lattice, result.places);
    // Fitted to the joined points, then twice more to the points it puts
    // on the lattice, so that a stray point among the joined ones no longer
    // pulls on it.
    for (int round = 0; round < 3; ++round) {
        if (!fit(points, result.places, use, result.lattice))
            return std::nullopt;
        if (std::abs(cross(result.lattice.a, result.lattice.b)) < 1e-6)
            return std::nullopt;
        result.on_count = place_all(points, result.lattice, result.places);
        for (int k = 0; k < n; ++k)
            use[size_t(k)] = result.places.at(k).on;
    }
    if (result.on_count < kLeastTags || result.on_count < kShareOnLattice * n)
        return std::nullopt;
    if (length(result.lattice.a) < kLeastPitchCm || length(result.lattice.b) < kLeastPitchCm)
        return std::nullopt;
    return result;
}
