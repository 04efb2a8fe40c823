// A long session replayed "最快" in the real window, offscreen, as the
// operator starts it: the receive box's menu, "回放会话…", the file chosen in
// the dialogue, then "最快". Prints how long the replay took and the window's
// peak memory.
#include "app/mainwindow.h"
#include "app/sessionreplay.h"
#include "measures.h"
#include "reportcount.h"
#include "session/sessionfolder.h"
#include "session/sessionplayer.h"
#include "synthsession.h"
#include "ui_mainwindowform.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>

namespace
{

struct Options {
    SynthSession session;
    QString out;
};

Options parse(int argc, char **argv)
{
    Options options;
    for (int k = 1; k + 1 < argc; k += 2) {
        const QString name = argv[k];
        const QString value = argv[k + 1];
        if (name == "--hours")
            options.session.seconds = value.toDouble() * 3600;
        else if (name == "--rate")
            options.session.rate = value.toDouble();
        else if (name == "--out")
            options.out = value;
        else
            std::fprintf(stderr, "unknown option %s\n", argv[k]);
    }
    return options;
}

// Waits on the event loop until `ready` holds.
template <typename Ready> void wait_for(Ready ready)
{
    while (!ready())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Picks `path` in the next file dialogue, once it is up.
void choose_in_next_dialog(const QString &path)
{
    QTimer::singleShot(0, [path] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept(); // QFileDialog hides it
        } else {
            choose_in_next_dialog(path);
        }
    });
}

QAction *menu_action(const QString &text)
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *menu = qobject_cast<QMenu *>(widget); menu && menu->isVisible())
            for (QAction *action : menu->actions())
                if (action->text() == text)
                    return action;
    return nullptr;
}

QPushButton *button(QWidget *window, const QString &text)
{
    for (QPushButton *candidate : window->findChildren<QPushButton *>())
        if (candidate->text() == text)
            return candidate;
    return nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    const Options options = parse(argc, argv);
    long packets = 0;
    long reports = 0;
    if (!options.out.isEmpty()) {
        if (!write_synth_session(options.out, options.session, packets, reports))
            return 1;
        std::printf("%s: %.0f s, %ld reports in %ld packets, %lld bytes\n", qPrintable(options.out),
                    options.session.seconds, reports, packets,
                    static_cast<long long>(QFileInfo(options.out).size()));
        return 0;
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir data_home;
    qputenv("XDG_DATA_HOME", data_home.path().toLocal8Bit());
    qInstallMessageHandler(count_debug_lines);
    QApplication app(argc, argv);

    const QString folder = session::sessions_folder();
    QDir().mkpath(folder);
    const QString path = folder + QStringLiteral("/poscam-20261208-090000-ttyUSB0.pcapng");
    QElapsedTimer clock;
    clock.start();
    if (!write_synth_session(path, options.session, packets, reports)) {
        std::fprintf(stderr, "could not write %s\n", qPrintable(path));
        return 1;
    }
    std::printf("session                 %.0f s at %.0f reports/s: %ld reports in %ld packets, "
                "%lld bytes, written in %.1f s\n",
                options.session.seconds, options.session.rate, reports, packets,
                static_cast<long long>(QFileInfo(path).size()), double(clock.nsecsElapsed()) / 1e9);

    MainWindow window;
    window.show();
    QTextEdit *log = window.ui->com_message_edit;
    emit log->customContextMenuRequested(QPoint(10, 10));
    QAction *replay_action = nullptr;
    wait_for([&] { return (replay_action = menu_action(QStringLiteral("回放会话…"))) != nullptr; });
    const long rss_before_kb = peak_rss_kb();
    const double cpu_before = cpu_seconds();
    const double waited_before = run_queue_wait_seconds();
    clock.restart();
    choose_in_next_dialog(path);
    replay_action->trigger();
    if (!window.replay) {
        std::fprintf(stderr, "the replay did not open\n");
        return 1;
    }
    const double open_s = double(clock.nsecsElapsed()) / 1e9;
    clock.restart();
    button(window.replay, QStringLiteral("最快"))->click();
    session::SessionPlayer *player = window.replay->player();
    wait_for([&] { return player->is_finished(); });
    const double replay_s = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = cpu_seconds() - cpu_before;
    const double waited = run_queue_wait_seconds() - waited_before;

    std::printf("opened (file checked)   %.2f s after \"回放会话…\"\n", open_s);
    std::printf(
        "replay at 最快           %.2f s wall, %.2f s CPU, %.2f s of it waiting for a core\n",
        replay_s, cpu, waited);
    std::printf("reports decoded         %ld of %ld\n", decoded_reports, reports);
    std::printf("trajectory points       %d stored\n", int(window.track_x.size()));
    std::printf("receive log             %d paragraphs\n", log->document()->blockCount());
    std::printf("peak RSS                %ld KB before the replay, %ld KB after\n", rss_before_kb,
                peak_rss_kb());
    return 0;
}
