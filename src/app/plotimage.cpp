#include "app/plotimage.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <qcustomplot.h>

namespace
{

bool paint_vectors(QCustomPlot &plot, QPaintDevice &device)
{
    QCPPainter painter;
    if (!painter.begin(&device))
        return false;
    painter.setMode(QCPPainter::pmVectorized);
    painter.setMode(QCPPainter::pmNoCaching);
    plot.toPainter(&painter, plot.width(), plot.height());
    return painter.end();
}

bool write_pdf(QCustomPlot &plot, QSaveFile &file)
{
    QPdfWriter writer(&file);
    writer.setCreator(QStringLiteral("poscam"));
    // One point per pixel: the page is the widget.
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(
        QPageSize(QSizeF(plot.size()), QPageSize::Point, QString(), QPageSize::ExactMatch));
    return paint_vectors(plot, writer);
}

bool write_svg(QCustomPlot &plot, QSaveFile &file)
{
    QSvgGenerator generator;
    generator.setOutputDevice(&file);
    generator.setSize(plot.size());
    generator.setViewBox(QRect(QPoint(0, 0), plot.size()));
    generator.setTitle(QStringLiteral("运动位置显示"));
    return paint_vectors(plot, generator);
}

bool write_png(QCustomPlot &plot, QSaveFile &file)
{
    return plot.toPixmap(plot.width(), plot.height()).toImage().save(&file, "PNG");
}

} // namespace

bool save_plot_image(QCustomPlot &plot, QString path)
{
    QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix.isEmpty()) {
        path += QStringLiteral(".png");
        suffix = QStringLiteral("png");
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    bool written = false;
    if (suffix == QLatin1String("pdf"))
        written = write_pdf(plot, file);
    else if (suffix == QLatin1String("svg"))
        written = write_svg(plot, file);
    else
        written = write_png(plot, file);
    if (!written || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void copy_plot_image(QCustomPlot &plot)
{
    QGuiApplication::clipboard()->setImage(plot.toPixmap(plot.width(), plot.height()).toImage());
}
