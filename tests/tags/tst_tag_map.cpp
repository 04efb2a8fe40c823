#include "app/griddialog.h"
#include "app/mainwindow.h"
#include "app/tagtablemenu.h"
#include "camerareports.h"
#include "modalsteps.h"
#include "plot/tagmap.h"
#include "plot/tagmaplayer.h"
#include "protocol/commandframes.h"
#include "ui_mainwindowform.h"

#include <QInputDialog>
#include <QMenu>
#include <QPointer>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTextBlock>
#include <qcustomplot.h>

namespace
{

plot::TagMap *tag_map_of(MainWindow &window)
{
    QCPLayer *layer = window.ui->robot_map->layer(QString::fromLatin1(plot::kTagsLayerName));
    if (!layer || layer->children().size() != 1)
        return nullptr;
    return dynamic_cast<plot::TagMap *>(layer->children().first());
}

const plot::MapTag *tag_of_row(const plot::TagMap &map, int row)
{
    for (const plot::MapTag &tag : map.tags())
        if (tag.row == row)
            return &tag;
    return nullptr;
}

// The camera's mode-2 report of one stored tag, through the receive path.
void camera_reports(MainWindow &window, const TagRecord &tag)
{
    QByteArray wire = protocol::record_frame_template();
    protocol::fill_record_frame(wire, tag);
    window.rx_frame = collected_frame(wire);
    window.decode_frame();
}

// Chooses the table menu's entry `text`; what it opens is answered by steps
// armed before.
void choose_table_menu_entry(MainWindow &window, const QString &text)
{
    // The menu goes when what it opens takes the focus.
    QPointer<QMenu> menu = window.table_menu->open_menu(QPoint(5, 5));
    QAction *chosen = nullptr;
    for (QAction *action : menu->actions())
        if (action->text() == text)
            chosen = action;
    QVERIFY(chosen);
    chosen->trigger();
    if (menu)
        menu->close();
}

QStringList row_texts(MainWindow &window, int row)
{
    QStringList texts;
    for (int column = 0; column < 5; ++column) {
        const QTableWidgetItem *item = window.ui->tableWidget->item(row, column);
        texts << (item ? item->text() : QStringLiteral("<none>"));
    }
    return texts;
}

} // namespace

class TagMapTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void importedMapIsOnItsOwnLayerAndFollowsEdits();
    void cameraReportsMarkTagsUntilTheirRowIsEdited();
    void gridIsPreviewedWhileTheDialogueIsOpenThenFillsTheTable();
    void drawingWithoutUnitsComesInThroughTheImportOnceItsUnitIsNamed();

private:
    MainWindow *window = nullptr;
};

void TagMapTest::init()
{
    window = new MainWindow;
    window->resize(1200, 800);
    window->show();
}

void TagMapTest::cleanup()
{
    delete window;
    window = nullptr;
}

void TagMapTest::importedMapIsOnItsOwnLayerAndFollowsEdits()
{
    QCustomPlot *plot = window->ui->robot_map;
    plot::TagMap *map = tag_map_of(*window);
    QVERIFY(map);
    QCOMPARE(map->layer()->mode(), QCPLayer::lmBuffered);
    QVERIFY(map->layer()->index() < plot->layer(QStringLiteral("main"))->index());
    QCOMPARE(plot->graphCount(), 6);

    ModalSteps steps({ModalSteps::press(QMessageBox::Yes),
                      ModalSteps::choose_file(
                          QStringLiteral(POSCAM_TEST_DATA_DIR "/../../examples/tag_map.xlsx")),
                      ModalSteps::press(QMessageBox::Ok)});
    window->ui->input_excel->click();
    QTRY_VERIFY(steps.finished());

    QVector<int> rows;
    for (int row = 0; row < window->ui->tableWidget->rowCount(); ++row)
        if (window->tag_record_from_row(row))
            rows << row;
    QVERIFY(rows.size() >= 25);
    QTRY_COMPARE(map->tags().size(), rows.size());
    const int row = rows.at(3);
    const plot::MapTag *tag = tag_of_row(*map, row);
    QVERIFY(tag);
    const TagRecord sent = *window->tag_record_from_row(row);
    QCOMPARE(tag->values,
             (std::array<int, 5>{sent.id, sent.x_cm, sent.y_cm, sent.side_mm, sent.angle_deg}));

    // Fitting the view over the plottables takes in the map.
    plot->rescaleAxes();
    QVERIFY(plot->xAxis->range().contains(sent.x_cm));
    plot->replot();
    QCOMPARE(map->drawn_count(), rows.size());
    QVERIFY(map->labels_drawn());

    // Renders for position reports leave the map as it was painted.
    const int paintings = map->paintings();
    plot->replot();
    plot->replot();
    QCOMPARE(map->paintings(), paintings);

    window->ui->tableWidget->item(row, 1)->setText(QStringLiteral("70000"));
    QTRY_COMPARE(tag_of_row(*map, row)->values[1], 4464);
    QVERIFY(map->paintings() > paintings);
    window->ui->tableWidget->item(row, 0)->setText(QString());
    QTRY_COMPARE(map->tags().size(), rows.size() - 1);
    QVERIFY(!tag_of_row(*map, row));
}

void TagMapTest::cameraReportsMarkTagsUntilTheirRowIsEdited()
{
    QTableWidget *table = window->ui->tableWidget;
    const QVector<QStringList> rows{
        {"5", "10", "-20", "60", "45"}, {"6", "30", "40", "60", "0"}, {"5", "90", "90", "60", "0"}};
    for (int row = 0; row < rows.size(); ++row)
        for (int column = 0; column < 5; ++column)
            table->item(row, column)->setText(rows.at(row).at(column));
    plot::TagMap *map = tag_map_of(*window);
    QTRY_COMPARE(map->tags().size(), 3);

    camera_reports(*window, {5, 10, -20, 60, 45});
    camera_reports(*window, {6, 31, 40, 60, 0});
    camera_reports(*window, {9, 500, 600, 70, 10});

    QTRY_COMPARE(map->tags().size(), 4);
    QCOMPARE(tag_of_row(*map, 0)->mark, plot::TagMark::confirmed);
    QCOMPARE(tag_of_row(*map, 1)->mark, plot::TagMark::different);
    QCOMPARE(tag_of_row(*map, 1)->camera[1], 31);
    // The first row of an id is the one compared.
    QCOMPARE(tag_of_row(*map, 2)->mark, plot::TagMark::none);
    const plot::MapTag *unknown = tag_of_row(*map, -1);
    QVERIFY(unknown);
    QCOMPARE(unknown->mark, plot::TagMark::unknown);
    QCOMPARE(unknown->camera, (std::array<int, 5>{9, 500, 600, 70, 10}));
    const int different_index = int(tag_of_row(*map, 1) - map->tags().data());
    QVERIFY(map->tooltip(different_index).contains(QStringLiteral("x 31 cm")));
    QVERIFY(map->tooltip(different_index).contains(QStringLiteral("x 30 cm")));

    const QColor confirmed = table->item(0, 0)->background().color();
    const QColor different = table->item(1, 0)->background().color();
    QVERIFY(table->item(0, 0)->data(Qt::BackgroundRole).isValid());
    QVERIFY(confirmed.green() > confirmed.red());
    QVERIFY(different.red() > different.green());
    QVERIFY(!table->item(2, 0)->data(Qt::BackgroundRole).isValid());
    QCOMPARE(table->item(0, 0)->text(), QStringLiteral("5"));
    // The box's lines are those of today.
    QTRY_COMPARE(window->ui->modle2_msg_edit->toPlainText()
                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                     .size(),
                 3);

    table->item(0, 4)->setText(QStringLiteral("46"));
    QTRY_COMPARE(tag_of_row(*map, 0)->mark, plot::TagMark::none);
    QVERIFY(!table->item(0, 0)->data(Qt::BackgroundRole).isValid());
    QCOMPARE(tag_of_row(*map, 1)->mark, plot::TagMark::different);
}

void TagMapTest::gridIsPreviewedWhileTheDialogueIsOpenThenFillsTheTable()
{
    window->ui->tableWidget->item(0, 0)->setText(QStringLiteral("77"));
    plot::TagMap *map = tag_map_of(*window);
    QTRY_COMPARE(map->tags().size(), 1);
    int previewed = 0;
    ModalSteps steps({[&](QWidget *w) {
                          auto *dialog = qobject_cast<GridDialog *>(w);
                          QVERIFY(dialog);
                          const QList<QSpinBox *> boxes = dialog->findChildren<QSpinBox *>();
                          boxes.at(0)->setValue(3);   // rows
                          boxes.at(1)->setValue(4);   // columns
                          boxes.at(3)->setValue(-40); // y pitch
                          QTRY_COMPARE(map->tags().size(), 12);
                          previewed = map->tags().size();
                          dialog->accept();
                      },
                      ModalSteps::press(QMessageBox::Yes)});
    choose_table_menu_entry(*window, QStringLiteral("生成标签网格…"));
    QTRY_VERIFY(steps.finished());
    QCOMPARE(previewed, 12);
    QCOMPARE(steps.seen().at(1).text,
             QStringLiteral("生成的网格将会覆盖之前所有内容，\n确定生成吗？"));
    QCOMPARE(row_texts(*window, 0), (QStringList{"1", "0", "0", "50", "0"}));
    QCOMPARE(row_texts(*window, 11), (QStringList{"12", "150", "-80", "50", "0"}));
    QCOMPARE(row_texts(*window, 12).first(), QStringLiteral("<none>"));
    QTRY_COMPARE(map->tags().size(), 12);
}

void TagMapTest::drawingWithoutUnitsComesInThroughTheImportOnceItsUnitIsNamed()
{
    ModalSteps steps(
        {ModalSteps::press(QMessageBox::Yes),
         ModalSteps::choose_file(QStringLiteral(POSCAM_TEST_DATA_DIR "/dxf_tags_no_units.dxf")),
         [](QWidget *w) {
             auto *units = qobject_cast<QInputDialog *>(w);
             QVERIFY(units);
             units->setTextValue(QStringLiteral("米 (m)"));
             units->accept();
         }});
    window->ui->input_excel->click();
    QTRY_VERIFY(steps.finished());
    QCOMPARE(steps.seen().at(1).name_filters,
             (QStringList{"*.xls *.xlsx", "*.ods *.txt *.csv *.tsv *.dxf"}));
    QCOMPARE(row_texts(*window, 0), (QStringList{"7", "150", "225", "40", "0"}));
    QCOMPARE(row_texts(*window, 1), (QStringList{"8", "300", "225", "40", "180"}));
    QCOMPARE(row_texts(*window, 2).first(), QStringLiteral("<none>"));
}

QTEST_MAIN(TagMapTest)
#include "tst_tag_map.moc"
