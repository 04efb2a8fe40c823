// poscam-camsim: the positioning camera in software, or a recorded session
// played back, on a pseudo-terminal or a serial device. `poscam-camsim --help`
// says everything it does.
#include "commandinput.h"
#include "replayer.h"
#include "signalwatcher.h"
#include "simoptions.h"
#include "simulator.h"
#include "textoutput.h"

#include <QCoreApplication>
#include <cstdio>

namespace
{

int refuse_start(const QString &error)
{
    std::fprintf(stderr, "poscam-camsim: %s\n", error.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const camsim::ParsedOptions parsed = camsim::parse_sim_options(app.arguments());
    if (!parsed.options) {
        std::fputs(parsed.message.toLocal8Bit().constData(),
                   parsed.exit_code == 0 ? stdout : stderr);
        return parsed.exit_code;
    }

    camsim::SignalWatcher signals_in;
    camsim::CommandInput commands;
    QObject::connect(&signals_in, &camsim::SignalWatcher::quit_requested, &app,
                     &QCoreApplication::quit);
    QString error;
    if (!parsed.options->replay_file.isEmpty()) {
        camsim::Replayer replayer(*parsed.options);
        QObject::connect(&replayer, &camsim::Replayer::quit_requested, &app,
                         &QCoreApplication::quit);
        QObject::connect(&commands, &camsim::CommandInput::command, &replayer,
                         &camsim::Replayer::run_command);
        if (!replayer.start(&error))
            return refuse_start(error);
        return app.exec();
    }

    camsim::Simulator simulator(*parsed.options);
    QObject::connect(&signals_in, &camsim::SignalWatcher::map_requested, &simulator,
                     &camsim::Simulator::write_map);
    QObject::connect(&simulator, &camsim::Simulator::quit_requested, &app, &QCoreApplication::quit);
    QObject::connect(&commands, &camsim::CommandInput::command, &simulator,
                     &camsim::Simulator::run_command);

    if (!simulator.start(&error))
        return refuse_start(error);
    const int result = app.exec();
    simulator.write_map();
    return result;
}
