#pragma once

#include "plot/viewshift.h"

#include <QString>
#include <QVector>
#include <array>
#include <qcustomplot.h>

namespace plot
{

// How the camera's report of a tag compares with the table.
enum class TagMark {
    none,
    confirmed, // the camera holds what the table would send
    different, // the camera holds other values
    unknown,   // the camera reports an id the table does not hold
    unseen,    // not reported yet while the floor is being proved: drawn hollow
};

// One tag as the map draws it: the five values the camera receives for a
// table row, or that the camera reported for an id the table lacks.
struct MapTag {
    int row = -1;                // table row from 0; -1 for an id the table lacks
    std::array<int, 5> values{}; // id, x (cm), y (cm), side (mm), angle (degrees)
    TagMark mark = TagMark::none;
    std::array<int, 5> camera{}; // the camera's values, for a different or unknown tag
};

// The whole tag map as one plottable: a small square per tag turned by its
// angle, coloured by its mark, with its id beside it while few enough are in
// view to read. Its extent is the map's, so fitting the view over the
// plottables includes the map.
class TagMap : public QCPAbstractPlottable
{

public:
    static constexpr int kMostLabels = 200;

    TagMap(QCPAxis *key_axis, QCPAxis *value_axis);

    // Replaces the map; the next draw paints it anew.
    void set_tags(QVector<MapTag> tags);
    const QVector<MapTag> &tags() const
    {
        return map_tags;
    }

    // Index in tags() of the tag drawn nearest `pixel`, within a few pixels;
    // -1 when none is.
    int tag_at(const QPointF &pixel) const;

    // The tooltip for tags()[index]: its row and five values, with the
    // camera's beside them when they differ.
    QString tooltip(int index) const;

    // How often the squares were painted: a replot whose view and map are
    // unchanged copies the last picture instead.
    int paintings() const
    {
        return painting_count;
    }
    // Tags in view at the last painting, and whether their ids were labelled.
    int drawn_count() const
    {
        return last_drawn;
    }
    bool labels_drawn() const
    {
        return last_labelled;
    }

    double selectTest(const QPointF &pos, bool only_selectable,
                      QVariant *details = nullptr) const override;
    QCPRange getKeyRange(bool &found_range,
                         QCP::SignDomain in_sign_domain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool &found_range, QCP::SignDomain in_sign_domain = QCP::sdBoth,
                           const QCPRange &in_key_range = QCPRange()) const override;

protected:
    void draw(QCPPainter *painter) override;
    void drawLegendIcon(QCPPainter *painter, const QRectF &rect) const override;

private:
    struct View {
        QCPRange keys;
        QCPRange values;
        QRect clip;
        qreal pixel_ratio = 1;
        quint64 generation = 0;
        bool operator==(const View &other) const
        {
            return keys == other.keys && values == other.values && clip == other.clip &&
                   pixel_ratio == other.pixel_ratio && generation == other.generation;
        }
    };

    QPointF centre_pixel(const MapTag &tag) const;
    // Paints the tags in view, or of them only those reaching into `only`;
    // false (and nothing painted) if the tags in view would be drawn in
    // another style than those of the picture being added to.
    bool paint_tags(QCPPainter *painter, const QRegion *only = nullptr);
    void paint_picture(const View &view, const QFont &font);

    quint64 generation = 0;
    int painting_count = 0;
    View cached_view;
    ViewFrame cached_frame;
    bool cached_antialiased = false;
    bool cached_labelled = false;
    QPixmap cached;

    QVector<MapTag> map_tags;
    int last_drawn = 0;
    bool last_labelled = false;
};

// Puts a tag map on the tags layer of `plot`, on its main axes.
TagMap *add_tag_map(QCustomPlot &plot);

} // namespace plot
