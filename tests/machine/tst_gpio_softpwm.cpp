#include "core/AppConfig.h"
#include "hal/clock.h"
#include "hal/simpinbank.h"
#include "machine/pwm.h"

#include <QtTest>

// The software square wave on the spindle pin, timed on the virtual clock:
// the thread only sees time move when the test moves it.
class TestSoftPwm : public QObject
{
    Q_OBJECT

    CSimPinBank& bank = CSimPinBank::Instance();
    static constexpr int PIN = 12;

    static void SetFrequency(quint16 f) { AppConfig::m_stPwmSpndlSettings.m_nCurFreq = f; }

    // Moves time on and waits for the wave's next edge.
    bool NextEdge(qint64 ns)
    {
        const quint64 before = bank.WriteCount(PIN);
        CClock::AdvanceNs(ns);
        return QTest::qWaitFor([&] { return bank.WriteCount(PIN) > before; }, 5000);
    }

private slots:
    void initTestCase() { CClock::UseVirtual(true); }
    void cleanupTestCase() { CClock::UseVirtual(false); }
    void init()
    {
        CPins::SetBackend(nullptr);
        bank.Reset();
        AppConfig::m_iSpindlePwmOutput = PIN;
        CPins::SetMode(PIN, EPinMode::Output);
    }

    void halfPeriod()
    {
        QCOMPARE(CPWM::HalfPeriodNs(1000), qint64(500000));
        QCOMPARE(CPWM::HalfPeriodNs(3), qint64(166666666));
        QCOMPARE(CPWM::HalfPeriodNs(0), qint64(0));
    }

    void squareWaveFollowsTheFrequency()
    {
        SetFrequency(1000);
        CPWM pwm;
        pwm.PwmStart();
        QVERIFY(QTest::qWaitFor([&] { return bank.WriteCount(PIN) == 1; }, 5000));
        QCOMPARE(bank.Level(PIN), 1);
        pwm.PwmStart(); // already running: nothing changes

        QVERIFY(NextEdge(500000));
        QCOMPARE(bank.Level(PIN), 0);
        // A new frequency counts from the edge after the next one.
        SetFrequency(2000);
        QVERIFY(NextEdge(500000));
        QCOMPARE(bank.Level(PIN), 1);
        QVERIFY(NextEdge(250000));
        QCOMPARE(bank.Level(PIN), 0);
        QVERIFY(NextEdge(250000));

        pwm.PwmStop();
        QVERIFY(pwm.wait(5000));
        QCOMPARE(bank.Level(PIN), 0);

        const std::vector<stPinWrite> log = bank.WriteLog(PIN);
        QCOMPARE(log.size(), size_t(6));
        const qint64 gaps[] = {500000, 500000, 250000, 250000};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(log[size_t(i) + 1].tNs - log[size_t(i)].tNs, gaps[i]);
        const int levels[] = {1, 0, 1, 0, 1, 0};
        for (int i = 0; i < 6; ++i)
            QCOMPARE(log[size_t(i)].level, levels[i]);

        // Started again after a stop.
        pwm.PwmStart();
        QVERIFY(QTest::qWaitFor([&] { return bank.Level(PIN) == 1; }, 5000));
        pwm.PwmStop();
        QVERIFY(pwm.wait(5000));
        QCOMPARE(bank.Level(PIN), 0);
    }

    void zeroHertzHoldsThePinLow()
    {
        SetFrequency(0);
        {
            CPWM pwm;
            pwm.PwmStart();
            QVERIFY(QTest::qWaitFor([&] { return bank.WriteCount(PIN) == 1; }, 5000));
            QCOMPARE(bank.Level(PIN), 0);
            SetFrequency(500);
            QVERIFY(QTest::qWaitFor([&] { return bank.Level(PIN) == 1; }, 5000));
            // Back to 0 Hz at the next edge: low, no more edges.
            SetFrequency(0);
            QVERIFY(NextEdge(1000000));
            QCOMPARE(bank.Level(PIN), 0);
            const quint64 writes = bank.WriteCount(PIN);
            CClock::AdvanceNs(10000000);
            QTest::qWait(20);
            QCOMPARE(bank.WriteCount(PIN), writes);
        } // the destructor stops the thread
        QCOMPARE(bank.Level(PIN), 0);
    }

    void noSpindlePinDrivesNothing()
    {
        AppConfig::m_iSpindlePwmOutput = -1;
        SetFrequency(1000);
        CPWM pwm;
        pwm.PwmStart();
        QVERIFY(QTest::qWaitFor([] { return CPins::RefusedCount() >= 1; }, 5000));
        pwm.PwmStop();
        QVERIFY(pwm.wait(5000));
        QCOMPARE(bank.TotalWrites(), quint64(0));
        AppConfig::m_iSpindlePwmOutput = PIN;
    }
};

QTEST_MAIN(TestSoftPwm)
#include "tst_gpio_softpwm.moc"
