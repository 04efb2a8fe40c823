#include "app/coveragewindow.h"
#include "app/plotmenu.h"
#include "app/tagmapview.h"
#include "camerareports.h"
#include "livewindow.h"
#include "plot/tagmap.h"
#include "protocol/commandframes.h"

#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace
{

QByteArray tag_report(const TagRecord &tag)
{
    QByteArray wire = protocol::record_frame_template();
    protocol::fill_record_frame(wire, tag);
    return wire;
}

void put_row(QTableWidget &table, int row, const TagRecord &tag)
{
    const int values[] = {tag.id, tag.x_cm, tag.y_cm, tag.side_mm, tag.angle_deg};
    for (int column = 0; column < 5; ++column)
        table.item(row, column)->setText(QString::number(values[column]));
}

plot::TagMark mark_of_row(MainWindow &window, int row)
{
    for (const plot::MapTag &tag : window.tag_map_view->map()->tags())
        if (tag.row == row)
            return tag.mark;
    return plot::TagMark::none;
}

void choose_plot_menu_entry(MainWindow &window, const QString &text)
{
    QPointer<QMenu> menu = window.plot_menu->open_menu(QPoint(5, 5));
    for (QAction *action : menu->actions())
        if (action->text() == text) {
            menu->close();
            action->trigger();
            return;
        }
    QFAIL(qPrintable(QStringLiteral("no menu entry ") + text));
}

} // namespace

class CoverageTest : public QObject
{
    Q_OBJECT

private slots:
    // Four tags in the table, the transfer limit at three rows; over the
    // port the camera reports one as the table has it, one otherwise, an id
    // the table lacks, and the tag beyond the limit; the line spoils one
    // position report.
    void countsFollowTheModeTwoReportsOverThePort()
    {
        LiveWindow live;
        QTableWidget &table = *live.form().tableWidget;
        const TagRecord tags[] = {
            {1, 0, 0, 50, 0}, {2, 100, 0, 50, 0}, {3, 200, 0, 50, 0}, {4, 300, 0, 50, 0}};
        for (int row = 0; row < 4; ++row)
            put_row(table, row, tags[row]);
        live.form().transportNum_edit->setText(QStringLiteral("3"));
        live.form().transportNum_Btn->click();

        choose_plot_menu_entry(live.window, QStringLiteral("地图验收"));
        CoverageWindow *coverage = live.window.coverage_window;
        QVERIFY(coverage && coverage->isVisible());
        QCOMPARE(coverage->confirmed_bar()->text(), QStringLiteral("已确认 0 / 3"));
        QTRY_COMPARE(mark_of_row(live.window, 2), plot::TagMark::unseen);
        QCOMPARE(mark_of_row(live.window, 3), plot::TagMark::none); // beyond the limit

        QVERIFY(live.connect_port());
        TagRecord moved = tags[1];
        moved.y_cm = 9;
        PositionBytes spoiled;
        spoiled.check_offset = 1;
        QVERIFY(live.play(tag_report(tags[0]) + tag_report(moved) + tag_report({99, 5, 5, 50, 0}) +
                          tag_report(tags[3]) + position_bytes(spoiled)));
        QVERIFY(live.sync(1, 1));
        coverage->refresh();

        QCOMPARE(coverage->confirmed_bar()->text(), QStringLiteral("已确认 1 / 3"));
        QCOMPARE(coverage->counts_label()->text(),
                 QStringLiteral("已确认 1    不同 1    表中没有 1    尚未看到 1"));
        QVERIFY2(
            coverage->steadiness_label()->text().contains(QStringLiteral("未采用的帧 1（共 1）")),
            qPrintable(coverage->steadiness_label()->text()));
        QTableWidget *different = coverage->different_list();
        QCOMPARE(different->rowCount(), 1);
        QCOMPARE(different->item(0, 3)->text(), QStringLiteral("0"));
        QCOMPARE(different->item(0, 7)->text(), QStringLiteral("9"));
        QTRY_COMPARE(mark_of_row(live.window, 0), plot::TagMark::confirmed);
        QCOMPARE(mark_of_row(live.window, 2), plot::TagMark::unseen);

        // A click on the different tag selects its table row.
        table.setCurrentCell(3, 2);
        const QRect cell = different->visualItemRect(different->item(0, 1));
        QTest::mouseClick(different->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        QCOMPARE(table.currentRow(), 1);
        QCOMPARE(table.currentColumn(), 0);

        QPushButton *again = nullptr;
        for (QPushButton *button : coverage->findChildren<QPushButton *>())
            if (button->text() == QStringLiteral("重新开始"))
                again = button;
        QVERIFY(again);
        again->click();
        QCOMPARE(coverage->confirmed_bar()->text(), QStringLiteral("已确认 0 / 3"));
        QCOMPARE(different->rowCount(), 0);
        QTRY_COMPARE(mark_of_row(live.window, 0), plot::TagMark::unseen);

        coverage->close();
        QTRY_COMPARE(mark_of_row(live.window, 2), plot::TagMark::none);
    }
};

QTEST_MAIN(CoverageTest)
#include "tst_coverage.moc"
