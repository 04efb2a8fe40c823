#pragma once

#include "link/seriallink.h"
#include "protocol/reportdecoder.h"
#include "protocol/tagrecord.h"
#include "report/reportcontent.h"
#include "report/steadiness.h"
#include "tags/tagconversion.h"
#include "transfer/ledger.h"
#include "transfer/transfer.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

class CoverageWindow;
class DisplayPacer;
class PacedLog;
class PlotMenu;
class PortBoxMenu;
class QSerialPort;
class QTimer;
class SheetEngine;
class SessionReplay;
class TagMapView;
class TagTableMenu;

namespace ports
{
class PortScanner;
}

namespace plot
{
class RenderPacer;
}

namespace session
{
class SessionRecorder;
}

namespace Ui
{
class MainWindowForm;
}

// The one window of the program. It owns all state; the slots apply effects,
// while framing, decoding, frame building, row conversion and workbook
// reading live in plain functions under src/protocol, src/plot, src/tags and
// src/workbook.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // The connection: the port, its settings, the receive loop, the session
    // recording and the watch for a lost port. `serial`, the rx_* members and
    // `recorder` name its parts; the port is the window's child.
    seriallink::Link serial_link{this};

    Ui::MainWindowForm *ui = nullptr;
    QSerialPort *serial = serial_link.port();
    int max_track_points = 30000;
    QString location_text;
    float pos_x = 0;
    float pos_y = 0;
    float rotation_angle = 0;
    float attitude_x = 0;
    float attitude_y = 0;
    QVector<double> track_x;
    QVector<double> track_y;
    QTimer *transport_timer = nullptr;
    QTimer *port_timer = nullptr;
    QTimer *error_lamp_timer = nullptr;
    bool &rx_ff_seen = serial_link.receive.ff_seen;
    bool &rx_in_frame = serial_link.receive.in_frame;
    bool &rx_fe_seen = serial_link.receive.fe_seen;
    QByteArray &rx_frame = serial_link.receive.frame;
    float corner_points[8] = {};
    // The transfer as one value; the members below name its parts, so they
    // are always in step with it.
    transfer::State transfer_state;
    QVector<TagRecord> &transport_list = transfer_state.list;
    QByteArray record_frame;
    QByteArray start_frame;
    QByteArray clear_frame;
    QByteArray end_frame;
    QByteArray mode_frame;
    int &transport_index = transfer_state.index;
    bool &start_acked = transfer_state.start_acked;
    bool &all_acked = transfer_state.all_acked;
    QStringList port_names;
    SheetEngine *sheet_engine = nullptr;
    int transport_limit = kDefaultTransportLimit;
    // The plot's own menu, readout and ruler; a child of the plot.
    PlotMenu *plot_menu = nullptr;

    // The receive box and the mode-2 box, each edited once per display frame;
    // children of their boxes.
    PacedLog *receive_log = nullptr;
    PacedLog *code_log = nullptr;
    // Renders robot_map once per display frame; its child.
    plot::RenderPacer *render_pacer = nullptr;
    // Sets the four read-outs once per display frame, while they are seen.
    DisplayPacer *readout_pacer = nullptr;
    // Lists the ports on a thread of its own; update_port reads its list.
    ports::PortScanner *port_scanner = nullptr;
    // The table's tags on the plot, compared with the camera's mode-2 reports.
    TagMapView *tag_map_view = nullptr;
    // The table's own menu: a generated grid, DXF out and in. A child of the table.
    TagTableMenu *table_menu = nullptr;
    // The port box's own menu: "添加网络串口…". A child of the box.
    PortBoxMenu *port_box_menu = nullptr;
    // Network ports the operator added, listed after the serial ports for as
    // long as the window lives.
    QStringList network_ports;
    // Records every connection; the replay window while a session replays.
    session::SessionRecorder *recorder = serial_link.recorder();
    SessionReplay *replay = nullptr;
    // "地图验收", made when first opened from the plot's menu.
    CoverageWindow *coverage_window = nullptr;

public slots:
    void on_locus_clean_clicked();
    void on_com_connectBtn_clicked();
    void on_com_disconnectBtn_clicked();
    void Read_Data();
    void on_com_message_clearBtn_clicked();
    void on_transport_s_clicked();
    void on_transport_e_clicked();
    void slot_timeout();
    void update_port();
    void error_timex();
    void on_modle1_clicked();
    void on_modle2_clicked();
    void on_modle2_msg_clear_clicked();
    void on_all_clear_clicked();
    void on_Btn_setAxisUp_clicked();
    void on_output_excel_clicked();
    void on_input_excel_clicked();
    void on_Btn_tagMap_clicked();
    void on_Btn_showTag_clicked();
    void on_Btn_clearTagMsg_clicked();
    void on_need_angle_Btn_clicked();
    void on_NOneed_angle_Btn_clicked();
    void on_transportNum_Btn_clicked();

public:
    // Operations the slots share; not slots themselves.
    // Decodes rx_frame as the receive loop does and applies the report.
    void decode_frame();
    // The effects of one decoded report on the widgets and the state.
    void apply_report(const protocol::Report &report);
    // Every write to the port goes here, so that the session records it.
    void write_to_port(const QByteArray &bytes);
    // What a read does with the bytes read: the log, the cutting, the
    // decoding and the display. A replay feeds recorded bytes here too.
    void receive_bytes(const QByteArray &bytes);
    void setup_trajectory_plot();
    void draw_robot_outline(float x, float y, float angle);
    void append_track_point(float x, float y);
    void tag_table_setup();
    std::optional<TagRecord> tag_record_from_row(int row) const;
    TagRowTexts tag_row_texts(int row) const;
    // Takes the transfer's next state: the ticks run and the table is locked
    // exactly while it runs.
    void apply_transfer(const transfer::State &next);
    // Appends the transfer's line to the ledger; gives the map's fingerprint.
    QString write_transfer_ledger(transfer::Outcome outcome, const QVector<TagRecord> &records);

private:
    // The link's news: a port lost (closed as the disconnect button closes
    // it, and the operator told), a lost port back, a recording stopped.
    void connect_link();
    void port_lost(const QString &port_name, bool news);
    void port_reopened(const QString &port_name);
    void show_recording_stopped(const QString &reason);
    void setup_session_menu();
    void start_replay();

public:
    // "地图验收": shown, made on first use.
    void open_coverage_window();
    // The last ten seconds of position reports, errors and spoiled frames.
    report::SteadinessFigures steadiness_figures();
    void restart_steadiness();
    // What the commissioning report states, as things stand now.
    report::CommissioningReport commissioning_report();

    // Replays the session file at `path` in the window "会话回放"; false,
    // after telling the operator, when it is not one.
    bool open_replay(const QString &path);

private:
    // The port box's menu and its one choice.
    void setup_port_box_menu();
    void add_network_port();

    // The table's menu: "生成标签网格…", "导出DXF…", "导入DXF…".
    void setup_table_menu();
    void generate_grid();
    void export_dxf();
    void import_dxf();
    // Fills the table with the drawing's tags, asking for its unit when it
    // does not say; tells the operator when it cannot be read.
    void read_dxf_into_table(const QString &path);
    bool table_holds_anything() const;

    // Disables "连接" and the buttons that write to the port while a replay runs.
    void set_replaying(bool replaying);

    void start_receiving();
    // What on_com_disconnectBtn_clicked does, without ending a reconnect watch.
    void close_port();
    // The controls and the transfer once the port is closed, by either way.
    void after_port_closed();

    // Each read as hexadecimal text in the receive box.
    void echo_bytes(const QByteArray &bytes);
    // The position's steadiness, fed by every report the decoder applies
    // and every frame it cannot, on a monotonic clock.
    report::Steadiness steadiness;
    QElapsedTimer steadiness_clock;
    qint64 steadiness_now_us() const;
    qint64 not_applied_seen = 0; // the receive loop's count already taken over

    void show_camera_error();
    void show_pose(const protocol::PositionReport &pose);

public:
    // The latest pose in the read-outs; a display frame shows it anyway.
    void show_readouts();

private:
    void lock_table(bool locked);
    // The camera's answers to a transfer: the three acknowledgements and the
    // count report.
    void transfer_report(const protocol::Report &report);
    // The receive path starts afresh: no frame under way.
    void reset_receive_path();
};
