#include "plot/discscatter.h"

#include <QPixmap>
#include <cmath>

namespace plot
{

QCPScatterStyle disc_scatter(int size, const QPen &pen)
{
    // Room for the disc, its outline and the anti-aliased fringe.
    int side = int(std::ceil(size + pen.widthF())) + 2;
    side += side % 2;
    QPixmap disc(side, side);
    disc.fill(Qt::transparent);
    {
        QCPPainter painter(&disc);
        painter.setRenderHint(QPainter::Antialiasing);
        const QCPScatterStyle shape(QCPScatterStyle::ssDisc, size);
        shape.applyTo(&painter, pen);
        // The library stamps a pixmap half a pixel further right and down
        // than it draws a disc at the same point.
        const double centre = side / 2.0 - 0.5;
        shape.drawShape(&painter, centre, centre);
    }
    return QCPScatterStyle(disc);
}

} // namespace plot
