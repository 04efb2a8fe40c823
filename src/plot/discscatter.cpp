#include "plot/discscatter.h"

#include <QPixmap>
#include <cmath>

namespace plot
{

QCPScatterStyle disc_scatter(int size, const QPen &pen)
{
    // Room for the disc, its outline and the anti-aliased fringe; an even
    // side puts the disc's centre on a pixel corner, where the library
    // stamps the pixmap's centre.
    int side = int(std::ceil(size + pen.widthF())) + 2;
    side += side % 2;
    QPixmap disc(side, side);
    disc.fill(Qt::transparent);
    {
        QCPPainter painter(&disc);
        painter.setRenderHint(QPainter::Antialiasing);
        const QCPScatterStyle shape(QCPScatterStyle::ssDisc, size);
        shape.applyTo(&painter, pen);
        shape.drawShape(&painter, side / 2.0, side / 2.0);
    }
    return QCPScatterStyle(disc);
}

} // namespace plot
