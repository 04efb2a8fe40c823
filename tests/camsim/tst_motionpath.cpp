#include "motionpath.h"

#include <QTest>
#include <cmath>

using namespace camsim;

Q_DECLARE_METATYPE(camsim::PathShape)

namespace
{

constexpr double kPi = 3.14159265358979323846;

double angle_between(double a_deg, double b_deg)
{
    const double d = std::fmod(std::fabs(a_deg - b_deg), 360.0);
    return d > 180 ? 360 - d : d;
}

} // namespace

class MotionPathTest : public QObject
{
    Q_OBJECT

private slots:
    void robotStaysOnTheFloorAtItsSpeedFacingWhereItGoes_data();
    void robotStaysOnTheFloorAtItsSpeedFacingWhereItGoes();
    void lanesStartAtTheFirstLaneHeadingRightAndCoverEveryLane();
    void lanesComeBackTheSameWayFacingTheOtherWay();
    void attitudeWobblesWithinItsAmplitude();
    void wireFieldsRoundToTheWiresUnits_data();
    void wireFieldsRoundToTheWiresUnits();
};

void MotionPathTest::robotStaysOnTheFloorAtItsSpeedFacingWhereItGoes_data()
{
    QTest::addColumn<PathShape>("shape");
    QTest::addColumn<double>("floor");
    QTest::addColumn<double>("spacing");
    QTest::addColumn<double>("speed");
    QTest::newRow("lanes on 10 m") << PathShape::Lanes << 1000.0 << 100.0 << 50.0;
    QTest::newRow("lanes on 3 m, fast") << PathShape::Lanes << 300.0 << 40.0 << 200.0;
    QTest::newRow("circle on 10 m") << PathShape::Circle << 1000.0 << 100.0 << 50.0;
    QTest::newRow("circle on 2 m") << PathShape::Circle << 200.0 << 100.0 << 30.0;
}

void MotionPathTest::robotStaysOnTheFloorAtItsSpeedFacingWhereItGoes()
{
    QFETCH(PathShape, shape);
    QFETCH(double, floor);
    QFETCH(double, spacing);
    QFETCH(double, speed);
    const MotionPath path(shape, floor, spacing, speed, 0.5);
    const double dt = 0.01;
    double travelled = 0;
    int facing_checked = 0;
    Pose before = path.at(0);
    // Long enough to go out along every lane and a good way back.
    const int steps = int(3 * floor * floor / spacing / speed / dt);
    for (int k = 1; k <= steps; ++k) {
        const Pose now = path.at(k * dt);
        QVERIFY(std::fabs(now.x_cm) <= floor / 2 + 1e-9);
        QVERIFY(std::fabs(now.y_cm) <= floor / 2 + 1e-9);
        QVERIFY(now.rotation_deg >= 0 && now.rotation_deg < 360);
        const double dx = now.x_cm - before.x_cm;
        const double dy = now.y_cm - before.y_cm;
        const double step = std::hypot(dx, dy);
        QVERIFY2(step <= speed * dt * 1.0001, qPrintable(QString::number(k)));
        travelled += step;
        // Away from the turn at the far end, the front points along the way.
        if (step > speed * dt * 0.99 && angle_between(before.rotation_deg, now.rotation_deg) < 5) {
            const double heading = std::fmod(std::atan2(-dx, dy) * 180 / kPi + 360, 360);
            QVERIFY2(angle_between(heading, now.rotation_deg) < 3,
                     qPrintable(QStringLiteral("t %1: moving to %2, facing %3")
                                    .arg(k * dt)
                                    .arg(heading)
                                    .arg(now.rotation_deg)));
            ++facing_checked;
        }
        before = now;
    }
    QVERIFY(travelled > 0.99 * speed * dt * steps);
    QVERIFY(facing_checked > steps * 3 / 4);
}

void MotionPathTest::lanesStartAtTheFirstLaneHeadingRightAndCoverEveryLane()
{
    const MotionPath path(PathShape::Lanes, 1000, 100, 100, 0);
    const Pose start = path.at(0);
    QCOMPARE(start.x_cm, -450.0);
    QCOMPARE(start.y_cm, -450.0);
    QCOMPARE(start.rotation_deg, 270.0);
    // Ten lanes 900 cm long joined by nine half circles of radius 50.
    const double one_way = 10 * 900 + 9 * kPi * 50;
    QSet<int> lanes;
    for (double t = 0; t < one_way / 100; t += 0.05) {
        const Pose pose = path.at(t);
        if (std::fabs(std::fmod(pose.y_cm + 450, 100.0)) < 1e-6 && std::fabs(pose.x_cm) < 400)
            lanes.insert(int(std::lround((pose.y_cm + 450) / 100)));
    }
    QCOMPARE(lanes.size(), 10);
    const Pose end = path.at(one_way / 100 - 1e-9);
    QVERIFY(std::fabs(end.x_cm - -450) < 1e-3);
    QVERIFY(std::fabs(end.y_cm - 450) < 1e-3);
}

void MotionPathTest::lanesComeBackTheSameWayFacingTheOtherWay()
{
    const MotionPath path(PathShape::Lanes, 400, 100, 100, 0);
    // Four lanes of 300 cm and three half circles of radius 50.
    const double one_way_s = (4 * 300 + 3 * kPi * 50) / 100;
    for (double t : {0.3, 2.0, 5.5, one_way_s - 0.4}) {
        const Pose out = path.at(t);
        const Pose back = path.at(2 * one_way_s - t);
        QVERIFY(std::fabs(out.x_cm - back.x_cm) < 1e-6);
        QVERIFY(std::fabs(out.y_cm - back.y_cm) < 1e-6);
        QVERIFY(std::fabs(angle_between(out.rotation_deg, back.rotation_deg) - 180) < 1e-6);
    }
}

void MotionPathTest::attitudeWobblesWithinItsAmplitude()
{
    const MotionPath path(PathShape::Circle, 1000, 100, 50, 0.8);
    double largest_x = 0;
    double largest_y = 0;
    for (double t = 0; t < 10; t += 0.01) {
        const Pose pose = path.at(t);
        largest_x = std::max(largest_x, std::fabs(pose.attitude_x_deg));
        largest_y = std::max(largest_y, std::fabs(pose.attitude_y_deg));
    }
    QVERIFY(largest_x <= 0.8 && largest_x > 0.7);
    QVERIFY(largest_y <= 0.8 && largest_y > 0.7);
}

void MotionPathTest::wireFieldsRoundToTheWiresUnits_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("rotation");
    QTest::addColumn<double>("attitude");
    QTest::addColumn<int>("x_tenths");
    QTest::addColumn<int>("rotation_tenths");
    QTest::addColumn<int>("attitude_hundredths");
    QTest::newRow("plain") << 12.34 << 90.0 << 0.5 << 123 << 900 << 50;
    QTest::newRow("negative") << -450.06 << 270.04 << -0.456 << -4501 << 2700 << -46;
    QTest::newRow("just below a full turn") << 0.0 << 359.96 << 0.0 << 0 << 0 << 0;
}

void MotionPathTest::wireFieldsRoundToTheWiresUnits()
{
    QFETCH(double, x);
    QFETCH(double, rotation);
    QFETCH(double, attitude);
    Pose pose;
    pose.x_cm = x;
    pose.y_cm = -x;
    pose.rotation_deg = rotation;
    pose.attitude_x_deg = attitude;
    pose.attitude_y_deg = -attitude;
    const camera::PositionFields fields = wire_fields(pose);
    QTEST(int(fields.x_tenths), "x_tenths");
    QCOMPARE(int(fields.y_tenths), -fields.x_tenths);
    QTEST(int(fields.rotation_tenths), "rotation_tenths");
    QTEST(int(fields.attitude_x_hundredths), "attitude_hundredths");
    QCOMPARE(int(fields.attitude_y_hundredths), -fields.attitude_x_hundredths);
}

QTEST_APPLESS_MAIN(MotionPathTest)
#include "tst_motionpath.moc"
