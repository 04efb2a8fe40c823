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

bool replace_point(QCPGraphDataContainer &data, double key, double value, double new_key,
                   double new_value)
{
    const auto by_key = qcpLessThanSortKey<QCPGraphData>;
    auto old = std::lower_bound(data.begin(), data.end(), QCPGraphData::fromSortKey(key), by_key);
    while (old != data.end() && old->key == key && old->value != value)
        ++old;
    if (old == data.end() || old->key != key)
        return false;
    const QCPGraphData fresh(new_key, new_value);
    if (new_key >= key) {
        const auto place = std::upper_bound(old + 1, data.end(), fresh, by_key);
        std::move(old + 1, place, old);
        *(place - 1) = fresh;
    } else {
        const auto place = std::upper_bound(data.begin(), old, fresh, by_key);
        std::move_backward(place, old, old + 1);
        *place = fresh;
    }
    return true;
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
    // A capacity lowered meanwhile: the oldest beyond it simply go.
    while (xs.size() > capacity) {
        if (in_step)
            in_step = remove_point(shown, xs.first(), ys.first());
        xs.removeFirst();
        ys.removeFirst();
    }
    if (xs.size() == capacity) {
        if (in_step)
            in_step = replace_point(shown, xs.first(), ys.first(), x, y);
        xs.removeFirst();
        ys.removeFirst();
    } else if (in_step) {
        shown.add(QCPGraphData(x, y));
    }
    xs.append(x);
    ys.append(y);
    if (!in_step)
        show_all(shown, xs, ys);
}

} // namespace plot
