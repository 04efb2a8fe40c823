#include "camera/reportframes.h"
#include "motionpath.h"
#include "protocol/commandframes.h"
#include "protocol/reportdecoder.h"
#include "simulatedcamera.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cmath>

using namespace camsim;

namespace
{

QByteArray tag_frame(const TagRecord &record)
{
    QByteArray frame = protocol::record_frame_template();
    protocol::fill_record_frame(frame, record);
    return frame;
}

const QByteArray kStart = protocol::short_frame(protocol::kTransferStartKey);
const QByteArray kEnd = protocol::short_frame(protocol::kTransferEndKey);

SimOptions quiet_camera()
{
    SimOptions options;
    options.rate_hz = 0;
    return options;
}

// A camera whose every frame out is kept, in order.
struct Bench {
    explicit Bench(const SimOptions &options) : camera(options)
    {
        QObject::connect(&camera, &SimulatedCamera::frame_out,
                         [this](const QByteArray &frame) { out << frame; });
        QObject::connect(&camera, &SimulatedCamera::log_line,
                         [this](const QString &line) { log << line; });
        camera.start();
    }
    QList<QByteArray> take()
    {
        QList<QByteArray> frames = out;
        out.clear();
        return frames;
    }
    bool log_has(const QString &text) const
    {
        for (const QString &line : log)
            if (line.contains(text))
                return true;
        return false;
    }
    SimulatedCamera camera;
    QList<QByteArray> out;
    QStringList log;
};

bool position_check_byte_holds(const QByteArray &frame)
{
    int sum = 0;
    for (int at : {3, 4, 5, 7, 8, 9, 10, 11, 13, 14, 16, 17})
        sum += quint8(frame.at(at));
    return quint8(frame.at(19)) == sum / 12;
}

} // namespace

class SimulatedCameraTest : public QObject
{
    Q_OBJECT

private slots:
    void transferIsAcknowledgedStepByStep();
    void countReportsExpectWhatTheOptionSays();
    void repeatedRecordIsStoredOnceAndAcknowledgedAgain();
    void recordWithWrongCheckByteIsNeitherStoredNorAcknowledged();
    void sameIdReplacesTheStoredRecordInPlace();
    void clearAllEmptiesTheTagStore();
    void framesMayArriveByteByByte();
    void compensationFollowsOnlyAGoodCheckByte();
    void modeTwoAddsCodeListAndTagReports();
    void droppedAcknowledgementsLeaveTheRecordToBeSentAgain();
    void wrongIdsAcknowledgeAnotherId();
    void delayedAcknowledgementsArriveLate();
    void silentCameraSendsNothing();
    void streamSendsExactlyTheCountOfValidReports();
    void spoiledReportsFailTheirCheckByte();
    void streamWaitsForTheLineAndSkipsWhatNobodyHeard();
    void vanishIsDueAfterTheGivenReports();
    void errorReportsComeAtTheirInterval();
};

void SimulatedCameraTest::transferIsAcknowledgedStepByStep()
{
    Bench bench(quiet_camera());
    bench.camera.receive(kStart);
    QCOMPARE(bench.take(), QList<QByteArray>{camera::start_ack()});

    bench.camera.receive(tag_frame({300, -120, 45, 150, -90}));
    QCOMPARE(bench.take(),
             (QList<QByteArray>{camera::record_ack(300), camera::count_report(1, 1)}));
    bench.camera.receive(tag_frame({7, 1, 2, 3, 4}));
    QCOMPARE(bench.take(), (QList<QByteArray>{camera::record_ack(7), camera::count_report(2, 2)}));

    bench.camera.receive(kEnd);
    QCOMPARE(bench.take(), (QList<QByteArray>{camera::end_ack(), camera::count_report(2, 2)}));
    QVERIFY(bench.log_has("tag 300 x -120 y 45 side 150 angle -90"));
    QVERIFY(bench.log_has("FF FE FB FE FF  transfer end"));

    // A new transfer counts its own records; the camera keeps the old ones.
    bench.camera.receive(kStart);
    bench.camera.receive(tag_frame({9, 0, 0, 0, 0}));
    QCOMPARE(bench.take().last(), camera::count_report(1, 3));
}

void SimulatedCameraTest::countReportsExpectWhatTheOptionSays()
{
    SimOptions options = quiet_camera();
    options.expect = 200;
    Bench bench(options);
    bench.camera.receive(kStart + tag_frame({1, 0, 0, 0, 0}));
    QCOMPARE(bench.take().last(), camera::count_report(1, 200));
}

void SimulatedCameraTest::repeatedRecordIsStoredOnceAndAcknowledgedAgain()
{
    Bench bench(quiet_camera());
    const QByteArray record = tag_frame({12, 5, 6, 7, 8});
    bench.camera.receive(kStart + record + record);
    QCOMPARE(bench.take(), (QList<QByteArray>{camera::start_ack(), camera::record_ack(12),
                                              camera::count_report(1, 1), camera::record_ack(12),
                                              camera::count_report(1, 1)}));
    QCOMPARE(bench.camera.tag_store().size(), 1);
}

void SimulatedCameraTest::recordWithWrongCheckByteIsNeitherStoredNorAcknowledged()
{
    Bench bench(quiet_camera());
    QByteArray record = tag_frame({12, 5, 6, 7, 8});
    record[15] = char(record.at(15) ^ 0x01);
    bench.camera.receive(record);
    QVERIFY(bench.take().isEmpty());
    QCOMPARE(bench.camera.tag_store().size(), 0);
    QVERIFY(bench.log_has("tag 12 x 5 y 6 side 7 angle 8, check byte wrong"));
}

void SimulatedCameraTest::sameIdReplacesTheStoredRecordInPlace()
{
    Bench bench(quiet_camera());
    bench.camera.receive(tag_frame({5, 1, 1, 1, 1}) + tag_frame({6, 2, 2, 2, 2}) +
                         tag_frame({5, -3, 3, 3, -3}));
    QCOMPARE(bench.camera.tag_store().to_tsv(),
             QStringLiteral("id\tx_cm\ty_cm\tside_mm\tangle_deg\tframe\n"
                            "5\t-3\t3\t3\t-3\tFFFE0005010003000003000301000301FEFF\n"
                            "6\t2\t2\t2\t2\tFFFE0006000002000002000200000201FEFF\n"));
}

void SimulatedCameraTest::clearAllEmptiesTheTagStore()
{
    Bench bench(quiet_camera());
    bench.camera.receive(tag_frame({5, 1, 1, 1, 1}) + tag_frame({6, 2, 2, 2, 2}));
    QCOMPARE(bench.camera.tag_store().size(), 2);
    bench.take();
    bench.camera.receive(protocol::short_frame(protocol::kClearAllKey));
    QCOMPARE(bench.camera.tag_store().size(), 0);
    QVERIFY(bench.take().isEmpty());
    QVERIFY(bench.log_has("tag map cleared, 2 tags forgotten"));
}

void SimulatedCameraTest::framesMayArriveByteByByte()
{
    const QByteArray stream = QByteArray("\x00\x13\xFF", 3) + kStart +
                              tag_frame({300, -120, 45, 150, -90}) + QByteArray("\xFE\xFE", 2) +
                              kEnd;
    Bench whole(quiet_camera());
    whole.camera.receive(stream);
    Bench bytes(quiet_camera());
    for (char byte : stream)
        bytes.camera.receive(QByteArray(1, byte));
    QCOMPARE(whole.out.size(), 5);
    QCOMPARE(bytes.out, whole.out);
}

void SimulatedCameraTest::compensationFollowsOnlyAGoodCheckByte()
{
    Bench bench(quiet_camera());
    QVERIFY(!bench.camera.compensation_on());
    bench.camera.receive(protocol::angle_frame(true));
    QVERIFY(bench.camera.compensation_on());
    QByteArray off = protocol::angle_frame(false);
    off[10] = char(0x09);
    bench.camera.receive(off);
    QVERIFY(bench.camera.compensation_on());
    bench.camera.receive(protocol::angle_frame(false));
    QVERIFY(!bench.camera.compensation_on());
    QVERIFY(bench.take().isEmpty());
    QVERIFY(bench.log_has("angle compensation off, check byte wrong"));
}

void SimulatedCameraTest::modeTwoAddsCodeListAndTagReports()
{
    SimOptions options = quiet_camera();
    options.mode2_interval_ms = 20;
    Bench bench(options);
    bench.camera.receive(protocol::short_frame(protocol::kModeTwoKey));
    QCOMPARE(bench.camera.mode(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(bench.out.size() >= 2, 5000);

    // At rest at the start of the first lane, -450,-450, four tags of the
    // floor's grid are 70.7 cm away: in view. The host reads them in the list,
    // and the nearest as a tag report.
    const std::optional<protocol::Report> list =
        protocol::decode_report(bench.out.at(0).mid(1, bench.out.at(0).size() - 2));
    QVERIFY(list);
    QCOMPARE(list->kind, protocol::ReportKind::CodeList);
    QCOMPARE(list->code_list.size(), 4);
    QSet<int> ids;
    for (const protocol::CodeListEntry &code : list->code_list) {
        ids.insert(code.id);
        QCOMPARE(std::fabs(code.first), 50.0f);
        QCOMPARE(std::fabs(code.second), 50.0f);
    }
    QCOMPARE(ids, (QSet<int>{1, 2, 12, 13}));
    const std::optional<protocol::Report> tag =
        protocol::decode_report(bench.out.at(1).mid(1, bench.out.at(1).size() - 2));
    QVERIFY(tag);
    QCOMPARE(tag->kind, protocol::ReportKind::Tag);
    const protocol::CodeListEntry &nearest = list->code_list.first();
    QCOMPARE(tag->tag.id, nearest.id);
    QCOMPARE(float(tag->tag.x_cm), -450 + nearest.first);
    QCOMPARE(float(tag->tag.y_cm), -450 + nearest.second);

    bench.camera.receive(protocol::short_frame(protocol::kModeOneKey));
    QCOMPARE(bench.camera.mode(), 1);
}

void SimulatedCameraTest::droppedAcknowledgementsLeaveTheRecordToBeSentAgain()
{
    SimOptions options = quiet_camera();
    options.drop_acks = 0.5;
    options.seed = 7;
    Bench bench(options);
    const QByteArray record = tag_frame({42, 1, 2, 3, 4});
    int attempts = 0;
    int acks = 0;
    while (acks < 20 && attempts < 1000) {
        ++attempts;
        bench.camera.receive(record);
        acks += bench.take().count(camera::record_ack(42));
    }
    QCOMPARE(acks, 20);
    QVERIFY(attempts > acks);
    QCOMPARE(bench.camera.counters().acks_dropped, qint64(attempts - acks));
    QCOMPARE(bench.camera.tag_store().size(), 1);
    QVERIFY(bench.log_has("fault: ack of record 42 dropped"));
}

void SimulatedCameraTest::wrongIdsAcknowledgeAnotherId()
{
    SimOptions options = quiet_camera();
    options.wrong_ids = 0.99;
    Bench bench(options);
    bench.camera.receive(tag_frame({42, 1, 2, 3, 4}));
    const QList<QByteArray> out = bench.take();
    QCOMPARE(out.size(), 2);
    QCOMPARE(out.first(), camera::record_ack(43));
    QVERIFY(bench.log_has("fault: record 42 acknowledged as 43"));
    // The record itself was taken.
    QCOMPARE(bench.camera.tag_store().all().first().record.id, 42);
}

void SimulatedCameraTest::delayedAcknowledgementsArriveLate()
{
    SimOptions options = quiet_camera();
    options.delay_acks_ms = 150;
    Bench bench(options);
    QElapsedTimer clock;
    clock.start();
    bench.camera.receive(kStart);
    QVERIFY(bench.out.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(bench.out.size(), 1, 5000);
    QVERIFY(clock.elapsed() >= 150);
    QCOMPARE(bench.out.first(), camera::start_ack());
}

void SimulatedCameraTest::silentCameraSendsNothing()
{
    SimOptions options;
    options.silent = true;
    options.rate_hz = 1000;
    Bench bench(options);
    bench.camera.receive(kStart + tag_frame({1, 0, 0, 0, 0}) + kEnd);
    QTRY_VERIFY_WITH_TIMEOUT(bench.camera.counters().positions_kept >= 20, 5000);
    QVERIFY(bench.out.isEmpty());
    QCOMPARE(bench.camera.counters().positions_sent, qint64(0));
    QCOMPARE(bench.camera.tag_store().size(), 1);

    bench.camera.set_silent(false);
    QTRY_VERIFY_WITH_TIMEOUT(!bench.out.isEmpty(), 5000);
    bench.take();
    bench.camera.receive(kStart);
    QTRY_VERIFY_WITH_TIMEOUT(bench.out.contains(camera::start_ack()), 5000);
}

void SimulatedCameraTest::streamSendsExactlyTheCountOfValidReports()
{
    SimOptions options;
    options.rate_hz = 2000;
    options.count = 300;
    Bench bench(options);
    QSignalSpy done(&bench.camera, &SimulatedCamera::positions_done);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    QCOMPARE(bench.out.size(), 300);
    for (const QByteArray &frame : bench.out) {
        QCOMPARE(frame.size(), protocol::kPositionReportSize);
        QVERIFY(position_check_byte_holds(frame));
    }
    // The last report carries the pose of its own moment on the path.
    const MotionPath path(options.path, options.floor_cm, options.lane_spacing_cm,
                          options.speed_cm_s, options.wobble_deg);
    QCOMPARE(bench.out.last(), camera::position_report(wire_fields(path.at(299 / 2000.0))));
    QCOMPARE(camera::position_report(bench.camera.last_valid_position()), bench.out.last());
}

void SimulatedCameraTest::spoiledReportsFailTheirCheckByte()
{
    SimOptions options;
    options.rate_hz = 2000;
    options.count = 200;
    options.bad_check = 0.25;
    options.seed = 3;
    Bench bench(options);
    QSignalSpy done(&bench.camera, &SimulatedCamera::positions_done);
    QTRY_COMPARE_WITH_TIMEOUT(done.count(), 1, 10000);
    const int spoiled =
        int(std::count_if(bench.out.begin(), bench.out.end(), [](const QByteArray &frame) {
            return !position_check_byte_holds(frame);
        }));
    QCOMPARE(qint64(spoiled), bench.camera.counters().positions_spoiled);
    QVERIFY(spoiled > 20 && spoiled < 80);
}

void SimulatedCameraTest::streamWaitsForTheLineAndSkipsWhatNobodyHeard()
{
    SimOptions options;
    options.rate_hz = 1000;
    Bench bench(options);
    int asked = 0;
    bool ready = false;
    bench.camera.set_line_ready_probe([&] {
        ++asked;
        return ready;
    });
    // Asked once per tick of 10 ms: the stream has waited a good while.
    QTRY_VERIFY_WITH_TIMEOUT(asked >= 30, 5000);
    QVERIFY(bench.out.isEmpty());
    ready = true;
    QTRY_VERIFY_WITH_TIMEOUT(bench.out.size() >= 5, 5000);

    // The first report after the wait is of the moment it went out, not of
    // the moment the stream began to wait.
    const MotionPath path(options.path, options.floor_cm, options.lane_spacing_cm,
                          options.speed_cm_s, options.wobble_deg);
    QVERIFY(bench.out.first() != camera::position_report(wire_fields(path.at(0))));
}

void SimulatedCameraTest::vanishIsDueAfterTheGivenReports()
{
    SimOptions options;
    options.rate_hz = 1000;
    options.vanish_after = 25;
    Bench bench(options);
    int sent_when_due = -1;
    connect(&bench.camera, &SimulatedCamera::vanish_due, [&] { sent_when_due = bench.out.size(); });
    QTRY_COMPARE_WITH_TIMEOUT(sent_when_due, 25, 5000);
}

void SimulatedCameraTest::errorReportsComeAtTheirInterval()
{
    SimOptions options = quiet_camera();
    options.error_every_s = 0.05;
    Bench bench(options);
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(bench.out.size() >= 3, 5000);
    QVERIFY(clock.elapsed() >= 100);
    for (const QByteArray &frame : bench.out)
        QCOMPARE(frame, camera::error_report());
}

QTEST_GUILESS_MAIN(SimulatedCameraTest)
#include "tst_simulatedcamera.moc"
