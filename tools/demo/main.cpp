// poscam-demo: poscam's window, ready for a simulated camera.
//
//   poscam-demo --port PATH [--floor CM]
//   poscam-demo --port PATH [--floor CM] --screenshot OUT.png [--after-ms N] [--workbook FILE]
//
// The first form is what scripts/demo starts: the operator presses "连接".
// The second plays the operator by itself: it connects, switches the camera
// to mode 2, loads the workbook and transfers it when one is given, lets the
// robot move for N milliseconds and saves the window as a picture
// (scripts/screenshot).
#include "app/mainwindow.h"
#include "demowindow.h"
#include "ui_mainwindowform.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("poscam's window with a simulated camera's port"));
    parser.addHelpOption();
    const QCommandLineOption port_option("port", "serial port of the camera", "PATH");
    const QCommandLineOption floor_option("floor", "side of the floor to show, in cm", "CM", "400");
    const QCommandLineOption shot_option("screenshot", "connect, wait and save the window", "OUT");
    const QCommandLineOption after_option("after-ms", "how long the robot moves before the picture",
                                          "N", "6000");
    const QCommandLineOption workbook_option("workbook", "tag table to load and transfer", "FILE");
    parser.addOptions({port_option, floor_option, shot_option, after_option, workbook_option});
    parser.process(app);
    if (!parser.isSet(port_option)) {
        std::fprintf(stderr, "poscam-demo: --port PATH is needed\n");
        return 2;
    }

    MainWindow window;
    demo::offer_port(window, parser.value(port_option));
    demo::show_floor(window, parser.value(floor_option).toDouble());
    window.show();

    if (!parser.isSet(shot_option))
        return app.exec();

    const QString out = parser.value(shot_option);
    const QString workbook = parser.value(workbook_option);
    if (!workbook.isEmpty() && !demo::load_workbook(window, workbook)) {
        std::fprintf(stderr, "poscam-demo: cannot read %s\n", qPrintable(workbook));
        return 1;
    }
    int result = 1;
    QTimer::singleShot(0, &window, [&] {
        demo::connect_port(window);
        window.ui->modle2->click();
        if (!workbook.isEmpty())
            window.ui->transport_s->click();
    });
    QTimer::singleShot(parser.value(after_option).toInt(), &window, [&] {
        result = window.grab().save(out) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return result;
}
