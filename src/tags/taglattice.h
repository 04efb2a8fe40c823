#pragma once

#include <QPoint>
#include <QPointF>
#include <QVector>
#include <optional>

// The regular grid most tags of a floor lie on, found from the tags alone:
// an origin and two pitch vectors, so that every lattice point is
// origin + i * a + j * b for whole i and j. The vectors need not follow the
// axes (a floor plan may be turned) nor be of one length.
struct Lattice {
    QPointF origin;
    QPointF a;
    QPointF b;

    QPointF point(int i, int j) const
    {
        return origin + i * a + j * b;
    }
};

// Where one tag lies on the lattice: the nearest lattice point's indices
// and the tag's distance from it.
struct LatticePlace {
    int i = 0;
    int j = 0;
    double distance = 0;
    bool on = false; // within kOnLatticeCm
};

struct LatticeFit {
    Lattice lattice;
    QVector<LatticePlace> places; // one per point, in the points' order
    int on_count = 0;
};

// A tag this close to a lattice point lies on the lattice: the table holds
// whole centimetres, so a pitch that is no whole number of centimetres
// still lands every tag within half a centimetre.
constexpr double kOnLatticeCm = 1.0;

// The lattice that at least 80 % of the points, and at least 9, lie on, or
// nothing when there is none. The pitch vectors come from votes over each
// point's nearest neighbours; the indices spread from point to neighbouring
// point, so that a pitch a fraction of a centimetre off does not add up
// across a wide floor; origin and vectors are then fitted to the points on
// the lattice by least squares. About O(n log n) for n points, and no
// point's neighbourhood is searched beyond a bounded number of cells.
std::optional<LatticeFit> find_lattice(const QVector<QPoint> &points);
