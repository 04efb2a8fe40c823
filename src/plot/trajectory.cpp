#include "plot/trajectory.h"

#include <algorithm>
#include <utility>

namespace plot
{

namespace
{

void show_all(QCPGraphDataContainer &shown, const QVector<double> &xs, const QVector<double> &ys)
{
    QVector<QCPGraphData> points(xs.size());
    for (int k = 0; k < xs.size(); ++k)
        points[k] = QCPGraphData(xs.at(k), ys.at(k));
    shown.set(points);
}

} // namespace

bool remove_point(QCPGraphDataContainer &data, double key, double value)
{
    const auto first = std::lower_bound(data.begin(), data.end(), QCPGraphData::fromSortKey(key),
                                        qcpLessThanSortKey<QCPGraphData>);
    for (auto it = first; it != data.end() && it->key == key; ++it) {
        if (it->value != value)
            continue;
        // The container removes the first point with a given key; points of
        // equal key may be reordered among themselves without unsorting it.
        std::swap(it->value, first->value);
        data.remove(key);
        return true;
    }
    return false;
}

void store_track_point(QVector<double> &xs, QVector<double> &ys, int capacity,
                       QCPGraphDataContainer &shown, double x, double y)
{
    if (capacity <= 0) {
        xs.clear();
        ys.clear();
        shown.clear();
        return;
    }
    bool in_step = shown.size() == xs.size();
    while (xs.size() >= capacity) {
        if (in_step)
            in_step = remove_point(shown, xs.first(), ys.first());
        xs.removeFirst();
        ys.removeFirst();
    }
    xs.append(x);
    ys.append(y);
    if (in_step)
        shown.add(QCPGraphData(x, y));
    else
        show_all(shown, xs, ys);
}

} // namespace plot
