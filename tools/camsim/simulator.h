#pragma once

#include "serialline.h"
#include "simoptions.h"
#include "simulatedcamera.h"
#include "textoutput.h"

#include <QObject>

namespace camsim
{

// The whole simulated camera: the camera's protocol side on a serial line,
// its frame log, and what it says on standard output.
class Simulator : public QObject
{
    Q_OBJECT

public:
    explicit Simulator(const SimOptions &options, QObject *parent = nullptr);

    // Opens the line and the log and starts the camera; false with `error`
    // set when the line or the log cannot be opened.
    bool start(QString *error);

    // One command of standard input; false for an unknown command.
    bool run_command(const QString &command);

    void write_map();
    QString status_text() const;

    const SimulatedCamera &simulated_camera() const
    {
        return camera;
    }
    const SerialLine &serial_line() const
    {
        return line;
    }

signals:
    void quit_requested();

private:
    bool open_line(QString *error);
    void line_closed();
    void report_positions_done();

    SimOptions options;
    SimulatedCamera camera;
    SerialLine line;
    TextOutput frame_log;
};

} // namespace camsim
