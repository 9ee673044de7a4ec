// The rules behind the machine settings panel, without windows: entry ranges,
// the sampling time in microseconds, the feeds that follow a new move per
// pulse or maximum feed, the motor groups and copies, and the limit
// cross-check, and the motor values the axes cannot build a speed ramp for:
// refused with the reason, and mended when a settings file holds them.
#include "simcontroller.h"

#include "core/AppConfig.h"
#include "settingswindows/dlgmachinesettings.h"
#include "settings/motionsettings.h"

#include <QtTest>
#include <cmath>

class TestMotionSettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { CSimControllerSetup::ResetSettings(); }
    void cleanup() { CSimControllerSetup::ResetSettings(); }
    void ranges_data();
    void ranges();
    void samplingTimeRounds_data();
    void samplingTimeRounds();
    void stepRateLimit_data();
    void stepRateLimit();
    void derivedFeeds();
    void groupsAndCopy();
    void limitCrossCheck_data();
    void limitCrossCheck();
    void directionTextsAndPinList();
    void rampErrorNamesTheAxis();
    void motorStateRoundTrip();
    void repairRamps_data();
    void repairRamps();
};

void TestMotionSettings::ranges_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<double>("movPerPulse");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");

    QTest::newRow("move per pulse") << "mpp" << 0.001 << 0.0001 << 10.0;
    QTest::newRow("max feed, 1 um steps") << "feed" << 0.001 << 0.001 << 1500.0;
    QTest::newRow("max feed, 0.1 um steps") << "feed" << 0.0001 << 0.0001 << 150.0;
    QTest::newRow("max feed, 5 um steps") << "feed" << 0.005 << 0.005 << 7500.0;
    QTest::newRow("acceleration") << "acc" << 0.001 << 0.01 << 5000.0;
    QTest::newRow("duty cycle") << "duty" << 0.001 << 0.25 << 0.75;
    QTest::newRow("rate of acceleration") << "jerk" << 0.001 << 0.01 << 10000000.0;
    QTest::newRow("sampling time") << "time" << 0.001 << 0.001 << 1.0;
}

void TestMotionSettings::ranges()
{
    QFETCH(QString, which);
    QFETCH(double, movPerPulse);
    QFETCH(double, min);
    QFETCH(double, max);
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = movPerPulse;
    stFloatPoint range;
    if (which == "mpp")
        range = CMotionSettings::MovPerPulseRange();
    else if (which == "feed")
        range = CMotionSettings::MaxFeedRange(Y_AXIS);
    else if (which == "acc")
        range = CMotionSettings::AccRange();
    else if (which == "duty")
        range = CMotionSettings::DutyCycleRange();
    else if (which == "jerk")
        range = CMotionSettings::RateOfAccRange();
    else
        range = CMotionSettings::SamplingTimeRange();
    QCOMPARE(range.x, min);
    QVERIFY(qAbs(range.y - max) < 1e-9);
}

void TestMotionSettings::samplingTimeRounds_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<quint32>("micros");
    QTest::newRow("0.0157 s is not cut to 15699") << 0.0157 << quint32(15700);
    QTest::newRow("0.0125 s") << 0.0125 << quint32(12500);
    QTest::newRow("0.01 s") << 0.01 << quint32(10000);
    QTest::newRow("0.0029 s") << 0.0029 << quint32(2900);
    QTest::newRow("1 s") << 1.0 << quint32(1000000);
    QTest::newRow("below the range") << 0.0000004 << quint32(1000);
}

void TestMotionSettings::samplingTimeRounds()
{
    QFETCH(double, seconds);
    QFETCH(quint32, micros);
    QCOMPARE(CMotionSettings::SamplingTimeMicros(seconds), micros);
}

void TestMotionSettings::stepRateLimit_data()
{
    QTest::addColumn<double>("movPerPulse");
    QTest::addColumn<double>("maxFeed");
    QTest::addColumn<double>("userFeed");
    QTest::addColumn<double>("override");
    QTest::addColumn<bool>("maxLowered");
    QTest::addColumn<double>("newMaxFeed");
    QTest::addColumn<double>("newUserFeed");
    QTest::addColumn<double>("newFeed");
    QTest::addColumn<double>("rapidFeed");

    // 200 mm/s at 0.1 um steps would be 2,000,000 steps/s.
    QTest::newRow("max and working feed lowered") << 0.0001 << 300.0 << 200.0 << 1.0 << true << 150.0 << 100.0
                                                  << 100.0 << 150.0;
    QTest::newRow("override past the step rate") << 0.0001 << 150.0 << 100.0 << 2.0 << false << 150.0 << 100.0
                                                 << 150.0 << 150.0;
    QTest::newRow("nothing to lower") << 0.001 << 300.0 << 200.0 << 1.0 << false << 300.0 << 200.0 << 200.0
                                      << 300.0;
}

void TestMotionSettings::stepRateLimit()
{
    QFETCH(double, movPerPulse);
    QFETCH(double, maxFeed);
    QFETCH(double, userFeed);
    QFETCH(double, override);
    QFETCH(bool, maxLowered);
    QFETCH(double, newMaxFeed);
    QFETCH(double, newUserFeed);
    QFETCH(double, newFeed);
    QFETCH(double, rapidFeed);

    AppConfig::m_fAxisMovPerPulse[X_AXIS] = movPerPulse;
    AppConfig::m_fMaxAxisFeed[X_AXIS] = maxFeed;
    AppConfig::m_fUserAxisFeed[X_AXIS] = userFeed;
    AppConfig::m_fAxisJogFeed[X_AXIS] = userFeed;
    AppConfig::m_fAxisFeedPercent[X_AXIS] = override;
    AppConfig::m_fAxisFeed[X_AXIS] = userFeed * override;
    AppConfig::m_fMaxAxisFeed[Y_AXIS] = 1000.0;
    AppConfig::m_fMaxAxisFeed[Z_AXIS] = 1000.0;

    QCOMPARE(CMotionSettings::LimitFeedsToStepRate(X_AXIS), maxLowered);
    QVERIFY(qFuzzyCompare(AppConfig::m_fMaxAxisFeed[X_AXIS], newMaxFeed));
    QVERIFY(qFuzzyCompare(AppConfig::m_fUserAxisFeed[X_AXIS], newUserFeed));
    QVERIFY(qFuzzyCompare(AppConfig::m_fAxisJogFeed[X_AXIS], newUserFeed));
    QVERIFY(qFuzzyCompare(AppConfig::m_fAxisFeed[X_AXIS], newFeed));
    QVERIFY(qFuzzyCompare(AppConfig::m_fMinMaxAxisFeed, rapidFeed));
    QVERIFY(AppConfig::m_fAxisFeed[X_AXIS] / movPerPulse <= CMotionSettings::MAX_STEP_RATE + 1e-6);
}

void TestMotionSettings::derivedFeeds()
{
    // Max feed 200 with a user feed of 150 and a jog feed of 100.
    AppConfig::m_fMaxAxisFeed[Z_AXIS] = 200.0;
    AppConfig::m_fUserAxisFeed[Z_AXIS] = 150.0;
    AppConfig::m_fAxisJogFeed[Z_AXIS] = 100.0;
    AppConfig::m_fAxisFeedPercent[Z_AXIS] = 0.5;
    AppConfig::m_fPlungeFeed = 140.0;
    AppConfig::m_fMaxAxisFeed[X_AXIS] = 400.0;
    AppConfig::m_fMaxAxisFeed[Y_AXIS] = 300.0;
    AppConfig::m_fMaxAxisFeed[A_AXIS] = 5.0; // not fitted on three axes: no say in the rapid feed
    const double fHomeFeed = AppConfig::m_fAxisHomeFeed[Z_AXIS];

    CMotionSettings::DeriveFeeds(Z_AXIS);
    QCOMPARE(QString::number(AppConfig::m_fUserAxisFeed[Z_AXIS], 'f', 4), QStringLiteral("133.3333"));
    QCOMPARE(AppConfig::m_fAxisJogFeed[Z_AXIS], 100.0);
    QVERIFY(qFuzzyCompare(AppConfig::m_fAxisFeed[Z_AXIS], 200.0 / 1.5 * 0.5));
    QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 200.0);
    QVERIFY(qFuzzyCompare(AppConfig::m_fPlungeFeed, 200.0 / 1.5));
    QCOMPARE(AppConfig::m_fAxisHomeFeed[Z_AXIS], fHomeFeed);

    // A jog feed above the new limit is lowered as well; a slower plunge stays.
    AppConfig::m_fMaxAxisFeed[Z_AXIS] = 60.0;
    AppConfig::m_fPlungeFeed = 5.0;
    CMotionSettings::DeriveFeeds(Z_AXIS);
    QCOMPARE(AppConfig::m_fUserAxisFeed[Z_AXIS], 40.0);
    QCOMPARE(AppConfig::m_fAxisJogFeed[Z_AXIS], 40.0);
    QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 60.0);
    QCOMPARE(AppConfig::m_fPlungeFeed, 5.0);

    // On a five-axis machine the slow A axis bounds the rapid feed.
    AppConfig::m_iMchType = 5;
    CMotionSettings::DeriveFeeds(Z_AXIS);
    QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 5.0);
}

void TestMotionSettings::groupsAndCopy()
{
    QCOMPARE(CMotionSettings::MotorGroup(Y_AXIS), (QVector<int>{X_AXIS, Y_AXIS, Z_AXIS}));
    QCOMPARE(CMotionSettings::MotorGroup(B_AXIS), (QVector<int>{A_AXIS, B_AXIS}));

    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.0025;
    AppConfig::m_fMaxAxisFeed[Y_AXIS] = 80.0;
    AppConfig::m_fAxisAcc[Y_AXIS] = 900.0;
    AppConfig::m_fAxisDutyCycle[Y_AXIS] = 0.5;
    AppConfig::m_fAxisRateOfAcc[Y_AXIS] = 12000.0;
    AppConfig::m_fUserAxisFeed[Z_AXIS] = 7.0;
    CMotionSettings::CopyMotorParams(Y_AXIS, Z_AXIS);
    QCOMPARE(AppConfig::m_fAxisMovPerPulse[Z_AXIS], 0.0025);
    QCOMPARE(AppConfig::m_fMaxAxisFeed[Z_AXIS], 80.0);
    QCOMPARE(AppConfig::m_fAxisAcc[Z_AXIS], 900.0);
    QCOMPARE(AppConfig::m_fAxisDutyCycle[Z_AXIS], 0.5);
    QCOMPARE(AppConfig::m_fAxisRateOfAcc[Z_AXIS], 12000.0);
    QCOMPARE(AppConfig::m_fUserAxisFeed[Z_AXIS], 7.0); // feeds are the user settings' business

    AppConfig::m_GCodeRunSettings.m_fAxisStep = 0.1;
    CMotionSettings::RaiseArcStep(0.05);
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, 0.1);
    CMotionSettings::RaiseArcStep(0.2);
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, 0.2);
}

void TestMotionSettings::limitCrossCheck_data()
{
    QTest::addColumn<bool>("positive");
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("accepted");
    // X travels 0..180 by default.
    QTest::newRow("+ equal to -") << true << 0.0 << false;
    QTest::newRow("+ below -") << true << -5.0 << false;
    QTest::newRow("+ just above -") << true << 0.0001 << true;
    QTest::newRow("- equal to +") << false << 180.0 << false;
    QTest::newRow("- above +") << false << 200.0 << false;
    QTest::newRow("- below + and negative") << false << -50.0 << true;
}

void TestMotionSettings::limitCrossCheck()
{
    QFETCH(bool, positive);
    QFETCH(double, value);
    QFETCH(bool, accepted);
    const QString strError = positive ? CMotionSettings::CheckPosLimit(X_AXIS, value)
                                      : CMotionSettings::CheckNegLimit(X_AXIS, value);
    QCOMPARE(strError.isEmpty(), accepted);
    if (!accepted)
        QCOMPARE(strError, positive ? QStringLiteral("Positive Limit Can't be less than\nor equal to Negative Limit")
                                    : QStringLiteral("Negative Limit Can't be greater than\nor equal to Positive Limit"));
    // A negative positive limit is fine as long as it lies above the negative.
    AppConfig::m_fAxisNegDirLimit[Y_AXIS] = -180.0;
    QVERIFY(CMotionSettings::CheckPosLimit(Y_AXIS, -10.0).isEmpty());
}

void TestMotionSettings::directionTextsAndPinList()
{
    QCOMPARE(CMotionSettings::DirectionText(DIR_CW), QStringLiteral("Clockwise"));
    QCOMPARE(CMotionSettings::DirectionText(DIR_CCW), QStringLiteral("Counter\nClockwise"));

    const quint16 pins[] = {34, 14, 22, 23, 24, 35, 36, 13, 12, 31, 30, 32, 16, 37,
                            4,  5,  18, 26, 6,  38, 19, 20, 28, 8,  9,  11, 39, 27};
    for (quint16 i = 0; i < 28; ++i)
        QCOMPARE(CDlgMachineSettings::GetIOPinNumber(i), pins[i]);
    QCOMPARE(CDlgMachineSettings::GetIOPinNumber(28), quint16(0));
    QCOMPARE(CDlgMachineSettings::GetIOPinNumber(0xFFFF), quint16(0));
}

QTEST_MAIN(TestMotionSettings)
#include "tst_motionsettings.moc"

// The maximum feed and the working feed both need a ramp; the first axis
// that refuses is named.
void TestMotionSettings::rampErrorNamesTheAxis()
{
    QCOMPARE(CMotionSettings::RampError({X_AXIS, Y_AXIS, Z_AXIS}), QString());
    AppConfig::m_fAxisAcc[Y_AXIS] = 0.01;
    AppConfig::m_fAxisAcc[Z_AXIS] = 0.01;
    QCOMPARE(CMotionSettings::RampError({X_AXIS, Y_AXIS, Z_AXIS}),
             QStringLiteral("Y-Axis: Acceleration value too low for this feed"));
    QCOMPARE(CMotionSettings::RampError({X_AXIS}), QString());
    // A working feed past the maximum is checked too.
    AppConfig::m_fAxisAcc[Y_AXIS] = 600.0;
    AppConfig::m_fAxisFeed[Y_AXIS] = 1e9;
    QCOMPARE(CMotionSettings::RampError(Y_AXIS), QStringLiteral("Acceleration value too low for this feed"));
}

void TestMotionSettings::motorStateRoundTrip()
{
    const CMotionSettings::stMotorState before = CMotionSettings::SaveMotorState();
    const QString strBefore = QString::number(AppConfig::m_fAxisAcc[B_AXIS]) + QString::number(AppConfig::m_fPlungeFeed);
    AppConfig::m_fAxisMovPerPulse[B_AXIS] = 7;
    AppConfig::m_fAxisAcc[B_AXIS] = 7;
    AppConfig::m_fAxisJogFeed[A_AXIS] = 7;
    AppConfig::m_fPlungeFeed = 7;
    AppConfig::m_GCodeRunSettings.m_fAxisStep = 7;
    AppConfig::m_iVelAccSamplingTime = 7;
    AppConfig::m_eAxisFeedtype = FEED_SCURVE;
    CMotionSettings::RestoreMotorState(before);
    QCOMPARE(AppConfig::m_fAxisMovPerPulse[B_AXIS], before.fMovPerPulse[B_AXIS]);
    QCOMPARE(AppConfig::m_fAxisJogFeed[A_AXIS], before.fJogFeed[A_AXIS]);
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, before.fArcStep);
    QCOMPARE(AppConfig::m_iVelAccSamplingTime, before.iSamplingTime);
    QCOMPARE(AppConfig::m_eAxisFeedtype, FEED_LINEAR);
    QCOMPARE(QString::number(AppConfig::m_fAxisAcc[B_AXIS]) + QString::number(AppConfig::m_fPlungeFeed), strBefore);
}

// Values a settings file may hold that give an axis no ramp: the nearest
// value that does is used (the acceleration raised first, else the maximum
// feed lowered), one four-decimal step short of it would not do, and the
// log line says what changed.
void TestMotionSettings::repairRamps_data()
{
    QTest::addColumn<double>("movPerPulse");
    QTest::addColumn<double>("maxFeed");
    QTest::addColumn<double>("acc");
    QTest::addColumn<QString>("changed"); // "", "acc", "feed" or "none"
    QTest::addColumn<QString>("message"); // up to the new value

    QTest::newRow("ramps that build") << 0.001 << 30.0 << 600.0 << "" << "";
    QTest::newRow("Acc 0.01 at 30 mm/s") << 0.001 << 30.0 << 0.01 << "acc"
                                         << "Y-Axis: settings file Acc 0.0100 gives no speed ramp, Acc ";
    QTest::newRow("Max Feed 15000000 at 10 mm a pulse")
        << 10.0 << 15000000.0 << 600.0 << "feed"
        << "Y-Axis: settings file Max Feed 15000000.0000 gives no speed ramp, Max Feed ";
    QTest::newRow("no step size: nothing helps") << 0.0 << 30.0 << 600.0 << "none"
                                                 << "Y-Axis: Step Resolution value must be greater than zero: the "
                                                    "axis cannot move";
}

void TestMotionSettings::repairRamps()
{
    QFETCH(double, movPerPulse);
    QFETCH(double, maxFeed);
    QFETCH(double, acc);
    QFETCH(QString, changed);
    QFETCH(QString, message);
    const int y = Y_AXIS;
    AppConfig::m_fAxisMovPerPulse[y] = movPerPulse;
    AppConfig::m_fMaxAxisFeed[y] = maxFeed;
    AppConfig::m_fUserAxisFeed[y] = maxFeed / 1.5;
    AppConfig::m_fAxisFeed[y] = maxFeed / 1.5;
    AppConfig::m_fAxisAcc[y] = acc;

    const QStringList lstMsgs = CMotionSettings::RepairRamps();
    if (changed.isEmpty()) {
        QCOMPARE(lstMsgs, QStringList());
        QCOMPARE(AppConfig::m_fAxisAcc[y], acc);
        QCOMPARE(AppConfig::m_fMaxAxisFeed[y], maxFeed);
        return;
    }
    QCOMPARE(lstMsgs.size(), 1);
    QVERIFY2(lstMsgs[0].startsWith(message), qPrintable(lstMsgs[0]));
    if (changed == "none") {
        QCOMPARE(lstMsgs[0], message);
        QCOMPARE(AppConfig::m_fAxisAcc[y], acc);
        QCOMPARE(AppConfig::m_fMaxAxisFeed[y], maxFeed);
        return;
    }
    double& fValue = changed == "acc" ? AppConfig::m_fAxisAcc[y] : AppConfig::m_fMaxAxisFeed[y];
    QCOMPARE(lstMsgs[0], message + QString::number(fValue, 'f', 4) + QStringLiteral(" used"));
    QCOMPARE(changed == "acc" ? AppConfig::m_fMaxAxisFeed[y] : AppConfig::m_fAxisAcc[y],
             changed == "acc" ? maxFeed : acc);
    QCOMPARE(std::round(fValue * 10000.0) / 10000.0, fValue);
    // The new value gives both ramps; the next value on the way back does not.
    QCOMPARE(CMotionSettings::RampError(y), QString());
    QVERIFY(AppConfig::m_fAxisFeed[y] <= AppConfig::m_fMaxAxisFeed[y]);
    const double fFound = fValue;
    fValue += changed == "acc" ? -0.0001 : 0.0001;
    QVERIFY(!CMotionSettings::RampError(y).isEmpty());
    fValue = fFound;
    // Other axes are left alone.
    QCOMPARE(AppConfig::m_fAxisAcc[X_AXIS], 600.0);
    QCOMPARE(AppConfig::m_fMaxAxisFeed[X_AXIS], 30.0);
}
