#include "app/mainwindow.h"

#include "plot/displaypacer.h"

#include "app/tagmapview.h"

#include "app/pacedlog.h"
#include "app/unboundslots.h"
#include "link/portscanner.h"
#include "protocol/commandframes.h"
#include "tags/sheetengine.h"
#include "ui_mainwindowform.h"

#include <QTimer>

// The pictures are compiled into the static core library, whose resource
// initialiser the linker would otherwise drop. Q_INIT_RESOURCE must be used
// outside any namespace.
static void register_images()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(image);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace
{

// A port plugged in shows up in the list within a second.
constexpr int kPortRefreshMs = 1000;

} // namespace

MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent)
{
    register_images();

    ui = new Ui::MainWindowForm;
    {
        const QuietUnboundSlots quiet;
        ui->setupUi(this);
    }
    setWindowTitle(QStringLiteral("定位相机"));
    // Both logs follow a camera that streams without pause.
    receive_log = new PacedLog(*ui->com_message_edit);
    code_log = new PacedLog(*ui->modle2_msg_edit);

    location_text = QString::number(pos_x, 'g', 6) + "," + QString::number(pos_y, 'g', 6);
    ui->current_loc_edit->setText(location_text);
    readout_pacer = new DisplayPacer(this, [this] { show_readouts(); });
    readout_pacer->hold_while_unseen(*ui->current_loc_edit);

    setup_trajectory_plot();
    port_scanner = new ports::PortScanner(this);
    update_port();
    setup_port_box_menu();
    // "115200" and "8", as the form already selects them.
    ui->BaudRateBox->setCurrentIndex(4);
    ui->DataBitBox->setCurrentIndex(3);

    connect_link();
    steadiness_clock.start();
    setup_session_menu();

    tag_table_setup();
    tag_map_view = new TagMapView(*ui->robot_map, *ui->tableWidget, this);
    setup_table_menu();

    record_frame = protocol::record_frame_template();
    start_frame = protocol::short_frame(protocol::kTransferStartKey);
    clear_frame = protocol::short_frame(protocol::kClearAllKey);
    end_frame = protocol::short_frame(protocol::kTransferEndKey);
    mode_frame = protocol::short_frame(protocol::kModeOneKey);

    transport_timer = new QTimer(this);
    connect(transport_timer, &QTimer::timeout, this, &MainWindow::slot_timeout);
    port_timer = new QTimer(this);
    connect(port_timer, &QTimer::timeout, this, &MainWindow::update_port);
    port_timer->start(kPortRefreshMs);
    error_lamp_timer = new QTimer(this);
    connect(error_lamp_timer, &QTimer::timeout, this, &MainWindow::error_timex);

    sheet_engine = new SheetEngine;
}

MainWindow::~MainWindow()
{
    delete transport_timer;
    delete port_timer;
    delete error_lamp_timer;
    delete sheet_engine;
    delete ui;
}

void MainWindow::on_com_message_clearBtn_clicked()
{
    ui->com_message_edit->clear();
}

void MainWindow::on_modle2_msg_clear_clicked()
{
    ui->modle2_msg_edit->clear();
}

// These four belong to controls the form no longer has; they stay so that the
// slot table keeps its shape.
void MainWindow::on_Btn_setAxisUp_clicked() {}
void MainWindow::on_Btn_tagMap_clicked() {}
void MainWindow::on_Btn_showTag_clicked() {}
void MainWindow::on_Btn_clearTagMsg_clicked() {}
