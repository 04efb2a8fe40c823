#include "app/mainwindow.h"
#include "ui_mainwindowform.h"

#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QResource>
#include <QSerialPort>
#include <QTableWidget>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

class MainWindowShellTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void titleAndReadOutsStartAsTheCameraToolShowsThem();
    void settingBoxesOfferTheirItemsCaseExact_data();
    void settingBoxesOfferTheirItemsCaseExact();
    void windowCannotShrinkBelowItsMinimum();
    void growingTheWindowGrowsOnlyThePlotTextAreasAndTableHeight();
    void eachClearButtonEmptiesOnlyItsOwnBox_data();
    void eachClearButtonEmptiesOnlyItsOwnBox();
    void slotsWithoutWidgetsChangeNothing();
    void slotsAreDeclaredInTheFormsOrder();
    void picturesAreCompiledInUncompressedAtTheirSizes_data();
    void picturesAreCompiledInUncompressedAtTheirSizes();
    void onlyThePortRefreshTimerRunsAtStart();
    void tagTableHasTwentyThousandEmptyRows();
    void startPrintsNoWarning();

private:
    MainWindow *window = nullptr;
};

void MainWindowShellTest::init()
{
    window = new MainWindow;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
}

void MainWindowShellTest::cleanup()
{
    delete window;
    window = nullptr;
}

void MainWindowShellTest::titleAndReadOutsStartAsTheCameraToolShowsThem()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("定位相机"));
    // The desktop's menu entry supplies the icon; the window sets none.
    QVERIFY(window->windowIcon().isNull());
    QCOMPARE(window->location_text, QStringLiteral("0,0"));
    QCOMPARE(window->ui->current_loc_edit->text(), QStringLiteral("0,0"));
    QCOMPARE(window->ui->current_angle_edit->text(), QStringLiteral("180.5°"));
    QCOMPARE(window->ui->current_angx_edit->text(), QStringLiteral("0°"));
    QCOMPARE(window->ui->current_angy_edit->text(), QStringLiteral("0°"));
    QCOMPARE(window->ui->transportNum_label->text(), QStringLiteral("传输上限:200"));
    QCOMPARE(window->ui->transportNum_edit->text(), QStringLiteral("200"));
    QVERIFY(!window->ui->transportNum_edit->isReadOnly());
    for (QLineEdit *counter : {window->ui->sendNum_edit, window->ui->allNum_edit}) {
        QCOMPARE(counter->text(), QStringLiteral("0"));
        QVERIFY(counter->isReadOnly());
    }
    QVERIFY(window->ui->com_message_edit->isReadOnly());
    QVERIFY(window->ui->modle2_msg_edit->isReadOnly());
    QCOMPARE(window->ui->error_label->styleSheet(),
             QStringLiteral("image: url(:/image/image/green.png);"));
    QCOMPARE(window->ui->progressBar->value(), 0);
    QCOMPARE(window->ui->tabWidget->tabText(0), QStringLiteral("Menu"));
    QCOMPARE(window->ui->com_connectBtn->text(), QStringLiteral("连接"));
    QCOMPARE(window->ui->com_disconnectBtn->text(), QStringLiteral("断开"));
    QCOMPARE(window->ui->label_19->text(), QStringLiteral("校检位"));
    QVERIFY(window->serial);
    QVERIFY(!window->serial->isOpen());
    QCOMPARE(window->transport_limit, 200);
    QCOMPARE(window->max_track_points, 30000);
}

void MainWindowShellTest::settingBoxesOfferTheirItemsCaseExact_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("shown");
    QTest::newRow("baud") << "BaudRateBox"
                          << QStringList{"9600", "38400", "56000", "57600", "115200"} << "115200";
    QTest::newRow("data bits") << "DataBitBox" << QStringList{"5", "6", "7", "8"} << "8";
    QTest::newRow("stop bits") << "StopBitBox" << QStringList{"1", "1.5", "2"} << "1";
    QTest::newRow("parity") << "ParityBox" << QStringList{"None", "Even", "Odd", "Space", "Mark"}
                            << "None";
    QTest::newRow("flow control") << "FlowControlBox" << QStringList{"None", "Hardware", "software"}
                                  << "None";
}

void MainWindowShellTest::settingBoxesOfferTheirItemsCaseExact()
{
    QFETCH(QString, box);
    QFETCH(QStringList, items);
    QFETCH(QString, shown);
    auto *combo = window->findChild<QComboBox *>(box);
    QVERIFY(combo);
    QStringList actual;
    for (int i = 0; i < combo->count(); ++i)
        actual << combo->itemText(i);
    QCOMPARE(actual, items);
    QCOMPARE(combo->currentText(), shown);
    QVERIFY(!combo->isEditable());
}

void MainWindowShellTest::windowCannotShrinkBelowItsMinimum()
{
    QCOMPARE(window->minimumSize(), QSize(820, 681));
    window->resize(400, 300);
    QCoreApplication::processEvents();
    QVERIFY(window->width() >= 820);
    QVERIFY(window->height() >= 681);
}

void MainWindowShellTest::growingTheWindowGrowsOnlyThePlotTextAreasAndTableHeight()
{
    window->resize(820, 681);
    QTRY_COMPARE(window->size(), QSize(820, 681));
    const QList<QWidget *> all = window->findChildren<QWidget *>();
    QHash<QWidget *, QSize> fixed;
    for (QWidget *w : all)
        if (!w->objectName().isEmpty() && w->minimumSize() == w->maximumSize() &&
            !w->minimumSize().isEmpty())
            fixed.insert(w, w->size());
    QVERIFY2(fixed.size() >= 40, "the form's fixed-size controls were not found");
    const QSize plot = window->ui->robot_map->size();
    const QSize log = window->ui->com_message_edit->size();
    const QSize mode2 = window->ui->modle2_msg_edit->size();
    const QSize table = window->ui->tableWidget->size();

    window->resize(1400, 1000);
    QTRY_COMPARE(window->size(), QSize(1400, 1000));

    for (auto it = fixed.cbegin(); it != fixed.cend(); ++it)
        QVERIFY2(it.key()->size() == it.value(), qPrintable(it.key()->objectName()));
    QVERIFY(window->ui->robot_map->width() > plot.width());
    QVERIFY(window->ui->robot_map->height() > plot.height());
    QVERIFY(window->ui->com_message_edit->width() > log.width());
    QVERIFY(window->ui->com_message_edit->height() > log.height());
    QVERIFY(window->ui->modle2_msg_edit->width() > mode2.width());
    QCOMPARE(window->ui->tableWidget->width(), 349);
    QVERIFY(window->ui->tableWidget->height() > table.height());
}

void MainWindowShellTest::eachClearButtonEmptiesOnlyItsOwnBox_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("clears_log");
    QTest::newRow("清空接收") << "com_message_clearBtn" << true;
    QTest::newRow("清空") << "modle2_msg_clear" << false;
}

void MainWindowShellTest::eachClearButtonEmptiesOnlyItsOwnBox()
{
    QFETCH(QString, button);
    QFETCH(bool, clears_log);
    window->ui->com_message_edit->append("FF FE 01 02 FE FF ");
    window->ui->modle2_msg_edit->append("300   -120   45   150   -90");
    window->ui->current_loc_edit->setText("1,2");

    QTest::mouseClick(window->findChild<QPushButton *>(button), Qt::LeftButton);

    QCOMPARE(window->ui->com_message_edit->toPlainText().isEmpty(), clears_log);
    QCOMPARE(window->ui->modle2_msg_edit->toPlainText().isEmpty(), !clears_log);
    QCOMPARE(window->ui->current_loc_edit->text(), QStringLiteral("1,2"));
    QCOMPARE(window->ui->tableWidget->rowCount(), 20000);
}

void MainWindowShellTest::slotsWithoutWidgetsChangeNothing()
{
    window->ui->com_message_edit->append("AA ");
    window->ui->modle2_msg_edit->append("line");
    const QString log = window->ui->com_message_edit->toHtml();
    const QString mode2 = window->ui->modle2_msg_edit->toHtml();
    for (const char *slot : {"on_Btn_setAxisUp_clicked", "on_Btn_tagMap_clicked",
                             "on_Btn_showTag_clicked", "on_Btn_clearTagMsg_clicked"}) {
        QVERIFY(QMetaObject::invokeMethod(window, slot, Qt::DirectConnection));
        // No widget of that name exists, so the form connected nothing to it.
        const QString widget = QString::fromLatin1(slot).mid(3).chopped(8);
        QVERIFY(!window->findChild<QWidget *>(widget));
    }
    QCOMPARE(window->ui->com_message_edit->toHtml(), log);
    QCOMPARE(window->ui->modle2_msg_edit->toHtml(), mode2);
    QCOMPARE(window->location_text, QStringLiteral("0,0"));
    QCOMPARE(window->transport_index, 0);
    QVERIFY(!window->transport_timer->isActive());
    QVERIFY(!window->serial->isOpen());
}

void MainWindowShellTest::slotsAreDeclaredInTheFormsOrder()
{
    const QStringList expected{"on_locus_clean_clicked",
                               "on_com_connectBtn_clicked",
                               "on_com_disconnectBtn_clicked",
                               "Read_Data",
                               "on_com_message_clearBtn_clicked",
                               "on_transport_s_clicked",
                               "on_transport_e_clicked",
                               "slot_timeout",
                               "update_port",
                               "error_timex",
                               "on_modle1_clicked",
                               "on_modle2_clicked",
                               "on_modle2_msg_clear_clicked",
                               "on_all_clear_clicked",
                               "on_Btn_setAxisUp_clicked",
                               "on_output_excel_clicked",
                               "on_input_excel_clicked",
                               "on_Btn_tagMap_clicked",
                               "on_Btn_showTag_clicked",
                               "on_Btn_clearTagMsg_clicked",
                               "on_need_angle_Btn_clicked",
                               "on_NOneed_angle_Btn_clicked",
                               "on_transportNum_Btn_clicked"};
    const QMetaObject *meta = window->metaObject();
    QStringList slots_found;
    int signals_found = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod m = meta->method(i);
        if (m.methodType() == QMetaMethod::Slot)
            slots_found << QString::fromLatin1(m.name());
        if (m.methodType() == QMetaMethod::Signal)
            ++signals_found;
        QCOMPARE(m.parameterCount(), 0);
    }
    QCOMPARE(slots_found, expected);
    QCOMPARE(signals_found, 0);
}

void MainWindowShellTest::picturesAreCompiledInUncompressedAtTheirSizes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::newRow("green lamp") << ":/image/image/green.png" << QSize(40, 40);
    QTest::newRow("red lamp") << ":/image/image/red.png" << QSize(40, 40);
    QTest::newRow("axis legend") << ":/image/image/back.png" << QSize(284, 287);
}

void MainWindowShellTest::picturesAreCompiledInUncompressedAtTheirSizes()
{
    QFETCH(QString, path);
    QFETCH(QSize, size);
    const QResource resource(path);
    QVERIFY(resource.isValid());
    QCOMPARE(resource.compressionAlgorithm(), QResource::NoCompression);
    const QImage image(path);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), size);
}

void MainWindowShellTest::onlyThePortRefreshTimerRunsAtStart()
{
    QVERIFY(window->port_timer->isActive());
    QCOMPARE(window->port_timer->interval(), 1000);
    QVERIFY(!window->port_timer->isSingleShot());
    QVERIFY(!window->transport_timer->isActive());
    QVERIFY(!window->error_lamp_timer->isActive());
    for (QTimer *t : {window->transport_timer, window->port_timer, window->error_lamp_timer})
        QCOMPARE(t->parent(), window);
    QCOMPARE(window->serial->parent(), window);
}

namespace
{

QStringList warnings_seen;

void collect_warnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // The offscreen platform's own note about size hints is not the window's.
    if (type != QtDebugMsg && type != QtInfoMsg &&
        !QByteArray(context.category).startsWith("qt.qpa") &&
        message != QLatin1String("This plugin does not support propagateSizeHints()"))
        warnings_seen << message;
}

} // namespace

void MainWindowShellTest::startPrintsNoWarning()
{
    warnings_seen.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collect_warnings);
    {
        MainWindow started;
        started.show();
        QTest::qWait(50);
    }
    // Held back only while the form connects its slots.
    const QString unbound =
        "QMetaObject::connectSlotsByName: No matching signal for on_Btn_tagMap_clicked()";
    qWarning("%s", qPrintable(unbound));
    qInstallMessageHandler(previous);
    QCOMPARE(warnings_seen, QStringList{unbound});
}

void MainWindowShellTest::tagTableHasTwentyThousandEmptyRows()
{
    QTableWidget *table = window->ui->tableWidget;
    QCOMPARE(table->rowCount(), 20000);
    QCOMPARE(table->columnCount(), 5);
    const QStringList headers{"二维码id", "x坐标(cm)", "y坐标(cm)", "边长(mm)", "角度(°)"};
    for (int c = 0; c < 5; ++c)
        QCOMPARE(table->horizontalHeaderItem(c)->text(), headers.at(c));
    for (int row : {0, 1, 9999, 19999})
        for (int c = 0; c < 5; ++c) {
            QVERIFY(table->item(row, c));
            QVERIFY(table->item(row, c)->text().isEmpty());
        }
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectItems);
    QCOMPARE(table->selectionMode(), QAbstractItemView::ExtendedSelection);
}

QTEST_MAIN(MainWindowShellTest)
#include "tst_mainwindow.moc"
