#include "app/plotmenu.h"

#include "app/filedialogs.h"
#include "app/plotimage.h"
#include "plot/plotreader.h"
#include "plot/plotview.h"

#include <QMenu>
#include <QMessageBox>
#include <qcustomplot.h>

PlotMenu::PlotMenu(QCustomPlot &plot)
    : QObject(&plot), plot(plot), plot_view(new plot::PlotView(plot)),
      plot_reader(new plot::PlotReader(plot))
{
    plot.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&plot, &QWidget::customContextMenuRequested, this, &PlotMenu::open_menu);
    connect(&plot, &QCustomPlot::mouseDoubleClick, this, [this](QMouseEvent *event) {
        if (event->button() == Qt::LeftButton)
            plot_view->fit_all();
    });
}

QMenu *PlotMenu::open_menu(const QPoint &pixel)
{
    auto *menu = new QMenu(&plot);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(QStringLiteral("适应全部"), plot_view, &plot::PlotView::fit_all);

    QAction *follow = menu->addAction(QStringLiteral("跟随机器人"));
    follow->setCheckable(true);
    follow->setChecked(plot_view->following());
    connect(follow, &QAction::toggled, plot_view, &plot::PlotView::set_following);

    // The tag map's layer comes with the first map drawn.
    if (plot_view->has_tag_layer()) {
        QAction *tags = menu->addAction(QStringLiteral("显示标签地图"));
        tags->setCheckable(true);
        tags->setChecked(plot_view->tag_layer_shown());
        connect(tags, &QAction::toggled, plot_view, &plot::PlotView::show_tag_layer);
    }
    if (open_coverage)
        menu->addAction(QStringLiteral("地图验收"), this, [this] { open_coverage(); });

    menu->addSeparator();
    menu->addAction(QStringLiteral("保存图片…"), this, &PlotMenu::save_image);
    menu->addAction(QStringLiteral("复制图片"), this, [this] { copy_plot_image(plot); });
    menu->popup(plot.mapToGlobal(pixel));
    return menu;
}

void PlotMenu::offer_coverage(std::function<void()> open)
{
    open_coverage = std::move(open);
}

void PlotMenu::save_image()
{
    const QString path =
        ask_save_file_name(plot.window(), QStringLiteral("保存图片"), QString(),
                           QStringLiteral("PNG 图片 (*.png);;PDF 文档 (*.pdf);;SVG 图形 (*.svg)"));
    if (path.isEmpty())
        return;
    if (!save_plot_image(plot, path))
        QMessageBox::information(plot.window(), QStringLiteral("保存图片"),
                                 QStringLiteral("文件写入失败"), QMessageBox::Ok);
}
