// Renders the main window into a PNG, for the README and for looking at the
// form without a display: poscam-screenshot OUT.png
#include "app/mainwindow.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: poscam-screenshot OUT.png\n");
        return 2;
    }
    MainWindow window;
    window.show();
    int result = 1;
    QTimer::singleShot(200, [&] {
        result = window.grab().save(args.at(1)) ? 0 : 1;
        app.quit();
    });
    app.exec();
    return result;
}
