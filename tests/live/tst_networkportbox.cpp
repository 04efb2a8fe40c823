// The port box's own menu: a network port added through its dialogue is
// listed, chosen, and kept across the box's refreshes.
#include "app/portboxmenu.h"
#include "livewindow.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

namespace
{

QAction *menu_action(MainWindow &window, const QString &text)
{
    QMenu *menu = window.port_box_menu->open_menu(QPoint(1, 1));
    for (QAction *action : menu->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

void fill(QWidget *dialog, const QString &host, int port, const QString &kind)
{
    dialog->findChild<QLineEdit *>(QStringLiteral("host"))->setText(host);
    dialog->findChild<QSpinBox *>(QStringLiteral("port"))->setValue(port);
    dialog->findChild<QComboBox *>(QStringLiteral("kind"))->setCurrentText(kind);
}

QPushButton *ok_button(QWidget *dialog)
{
    return dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
}

QStringList items(const QComboBox &box)
{
    QStringList listed;
    for (int k = 0; k < box.count(); ++k)
        listed << box.itemText(k);
    return listed;
}

} // namespace

class NetworkPortBoxTest : public QObject
{
    Q_OBJECT

private slots:
    void addedAddressIsListedChosenAndKeptAcrossRefreshes();
    void refusedHostKeepsTheDialogueFromAccepting();
};

void NetworkPortBoxTest::addedAddressIsListedChosenAndKeptAcrossRefreshes()
{
    LiveWindow live;
    QAction *add = menu_action(live.window, QStringLiteral("添加网络串口…"));
    QVERIFY(add);
    SeenModal seen;
    on_next_modal(
        [](QWidget *dialog) {
            fill(dialog, QStringLiteral("robot-7"), 3001, QStringLiteral("RFC 2217"));
            ok_button(dialog)->click();
        },
        &seen);
    add->trigger();
    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QStringLiteral("添加网络串口"));
    QComboBox &box = *live.form().SerialPortBox;
    QCOMPARE(box.currentText(), QStringLiteral("rfc2217://robot-7:3001"));

    // A device plugged in or out rebuilds the list; the address stays, after
    // the serial ports.
    live.window.port_names.clear();
    live.window.update_port();
    QCOMPARE(items(box).count(QStringLiteral("rfc2217://robot-7:3001")), 1);
    QCOMPARE(items(box).last(), QStringLiteral("rfc2217://robot-7:3001"));

    // Added again, it is listed once.
    on_next_modal([](QWidget *dialog) {
        fill(dialog, QStringLiteral("robot-7"), 3001, QStringLiteral("RFC 2217"));
        ok_button(dialog)->click();
    });
    menu_action(live.window, QStringLiteral("添加网络串口…"))->trigger();
    QCOMPARE(items(box).count(QStringLiteral("rfc2217://robot-7:3001")), 1);
}

void NetworkPortBoxTest::refusedHostKeepsTheDialogueFromAccepting()
{
    LiveWindow live;
    const int listed = live.form().SerialPortBox->count();
    bool ok_enabled = true;
    QString reason;
    on_next_modal([&](QWidget *dialog) {
        fill(dialog, QStringLiteral("robot 7"), 3001, QStringLiteral("TCP"));
        ok_enabled = ok_button(dialog)->isEnabled();
        reason = dialog->findChild<QLabel *>(QStringLiteral("reason"))->text();
        qobject_cast<QDialog *>(dialog)->reject();
    });
    menu_action(live.window, QStringLiteral("添加网络串口…"))->trigger();
    QVERIFY(!ok_enabled);
    QVERIFY2(reason.contains(QStringLiteral("主机")), qPrintable(reason));
    QCOMPARE(live.form().SerialPortBox->count(), listed);
}

QTEST_MAIN(NetworkPortBoxTest)
#include "tst_networkportbox.moc"
