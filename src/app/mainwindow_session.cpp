#include "app/mainwindow.h"

#include "app/filedialogs.h"
#include "app/sessionreplay.h"
#include "session/sessionfolder.h"
#include "session/sessionplayer.h"
#include "ui_mainwindowform.h"

#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace
{

void show_warning(QWidget *parent, const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

} // namespace

void MainWindow::show_recording_stopped(const QString &reason)
{
    show_warning(this, QStringLiteral("会话记录已停止"),
                 QStringLiteral("会话记录已停止：") + reason);
}

void MainWindow::setup_session_menu()
{
    ui->com_message_edit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui->com_message_edit, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) {
                QMenu *menu = ui->com_message_edit->createStandardContextMenu(at);
                menu->setAttribute(Qt::WA_DeleteOnClose);
                menu->addSeparator();
                QAction *replay_action = menu->addAction(QStringLiteral("回放会话…"));
                replay_action->setEnabled(!serial_link.is_open() && !replay);
                connect(replay_action, &QAction::triggered, this, &MainWindow::start_replay);
                QAction *folder_action = menu->addAction(QStringLiteral("打开会话文件夹"));
                connect(folder_action, &QAction::triggered, this, [] {
                    const QString folder = session::sessions_folder();
                    QDir().mkpath(folder);
                    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
                });
                menu->popup(ui->com_message_edit->viewport()->mapToGlobal(at));
            });
}

void MainWindow::start_replay()
{
    if (serial_link.is_open() || replay)
        return;
    const QString folder = session::sessions_folder();
    QDir().mkpath(folder);
    const QString path = ask_open_file_name(this, QStringLiteral("回放会话"), folder,
                                            QStringLiteral("会话文件 (*.pcapng)"));
    if (!path.isEmpty())
        open_replay(path);
}

bool MainWindow::open_replay(const QString &path)
{
    if (serial_link.is_open() || replay)
        return false;
    auto *player = new session::SessionPlayer;
    if (!player->open(path)) {
        show_warning(this, QStringLiteral("回放会话"),
                     QStringLiteral("不是会话文件：") + player->error());
        delete player;
        return false;
    }
    replay = new SessionReplay(player, path, this);
    connect(player, &session::SessionPlayer::inbound, this, &MainWindow::receive_bytes);
    connect(player, &session::SessionPlayer::restarted, this, [this] {
        reset_receive_path();
        on_locus_clean_clicked();
    });
    connect(replay, &SessionReplay::closed, this, [this] {
        replay = nullptr;
        set_replaying(false);
    });
    // A lost port coming back would mix its bytes with the replayed ones.
    serial_link.end_reconnect_watch();
    set_replaying(true);
    replay->show();
    player->resume();
    return true;
}

void MainWindow::set_replaying(bool replaying)
{
    QWidget *const writers[] = {ui->com_connectBtn, ui->modle1,           ui->modle2,
                                ui->need_angle_Btn, ui->NOneed_angle_Btn, ui->all_clear,
                                ui->transport_s,    ui->transport_e};
    for (QWidget *button : writers)
        button->setEnabled(!replaying);
    // The same rule as a connection: the receive state of one source does
    // not carry over to the next.
    reset_receive_path();
}
