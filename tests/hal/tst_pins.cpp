#include "hal/clock.h"
#include "hal/pins.h"
#include "hal/simpinbank.h"

#include <QtTest>
#include <cerrno>
#include <thread>

class TestPins : public QObject
{
    Q_OBJECT

    CSimPinBank& bank = CSimPinBank::Instance();

    // Pulses the step pin n times with the direction pin at dirLevel.
    static void Steps(int stepPin, int dirPin, int dirLevel, int n)
    {
        CPins::Write(dirPin, dirLevel);
        for (int i = 0; i < n; ++i) {
            CPins::Write(stepPin, 1);
            CPins::Write(stepPin, 0);
        }
    }

private slots:
    void init()
    {
        CPins::SetBackend(nullptr);
        bank.Reset();
        CClock::UseVirtual(true);
    }
    void cleanupTestCase() { CClock::UseVirtual(false); }

    void simulatedBankIsTheDefault()
    {
        QCOMPARE(CPins::Backend(), static_cast<CPinBackend*>(&bank));
        QCOMPARE(CPins::Setup(), 0);
        QVERIFY(bank.IsSetUp());
    }

    void badPinsAreNeverDriven_data()
    {
        QTest::addColumn<int>("pin");
        // A signal that is not fitted is stored as -1 and arrives as 65535.
        QTest::newRow("not fitted, 16-bit") << int(static_cast<unsigned short>(qint8(-1)));
        QTest::newRow("negative") << -1;
        QTest::newRow("one past the header") << CPins::PIN_COUNT;
        QTest::newRow("large") << 1000;
    }
    void badPinsAreNeverDriven()
    {
        QFETCH(int, pin);
        CPins::SetMode(pin, EPinMode::Output);
        CPins::SetPullDown(pin);
        CPins::Write(pin, 1);
        CPins::PwmWrite(pin, 512);
        QCOMPARE(CPins::Read(pin), 0);
        QCOMPARE(CPins::RefusedCount(), quint64(5));
        QCOMPARE(bank.TotalWrites(), quint64(0));
        for (int p = 0; p < CPins::PIN_COUNT; ++p) {
            QCOMPARE(bank.Mode(p), EPinMode::Unset);
            QCOMPARE(bank.Level(p), 0);
            QCOMPARE(bank.PwmValue(p), 0);
        }
    }

    void writesAreLoggedWithTimeAndEdges()
    {
        CClock::AdvanceNs(1000);
        const qint64 t0 = CClock::NowNs();
        CPins::SetMode(5, EPinMode::Output);
        CPins::Write(5, 1);
        CClock::AdvanceNs(250);
        CPins::Write(5, 7); // any non-zero level is high
        CClock::AdvanceNs(250);
        CPins::Write(6, 1);
        CPins::Write(5, 0);

        const std::vector<stPinWrite> log = bank.WriteLog();
        QCOMPARE(log.size(), size_t(4));
        QCOMPARE(log[0].tNs, t0);
        QCOMPARE(log[1].tNs, t0 + 250);
        QCOMPARE(log[1].level, 1);
        QCOMPARE(log[2].pin, 6);
        QCOMPARE(log[3].tNs, t0 + 500);
        QCOMPARE(bank.WriteLog(5).size(), size_t(3));
        QCOMPARE(bank.WriteCount(5), quint64(3));
        QCOMPARE(bank.RisingEdges(5), quint64(1));
        QCOMPARE(bank.FallingEdges(5), quint64(1));
        QCOMPARE(bank.Level(6), 1);

        bank.ClearLog();
        QCOMPARE(bank.TotalWrites(), quint64(0));
        QCOMPARE(bank.RisingEdges(5), quint64(0));
        QCOMPARE(bank.Level(6), 1); // clearing the log leaves the pins as they are
    }

    void ringKeepsTheLatestWrites()
    {
        const quint64 extra = 10;
        for (quint64 i = 0; i < CSimPinBank::LOG_CAPACITY + extra; ++i) {
            CClock::AdvanceNs(1);
            CPins::Write(int(i % 2) + 2, int((i / 2) % 2));
        }
        QCOMPARE(bank.LostLogEntries(), extra);
        const std::vector<stPinWrite> log = bank.WriteLog();
        QCOMPARE(log.size(), size_t(CSimPinBank::LOG_CAPACITY));
        QCOMPARE(log.back().tNs, CClock::NowNs());
        QCOMPARE(log.front().tNs, CClock::NowNs() - qint64(CSimPinBank::LOG_CAPACITY) + 1);
    }

    void readsFollowModePullAndScript()
    {
        CPins::SetMode(20, EPinMode::Input);
        CPins::SetPullDown(20);
        QCOMPARE(bank.Pull(20), EPull::Down);
        QCOMPARE(CPins::Read(20), 0);
        bank.SetInput(20, 1);
        QCOMPARE(CPins::Read(20), 1);
        bank.ClearInput(20);
        QCOMPARE(CPins::Read(20), 0);
        CPins::SetPull(20, EPull::Up);
        QCOMPARE(CPins::Read(20), 1);

        // An output reads back what it drives, not the scripted input.
        CPins::SetMode(7, EPinMode::Output);
        bank.SetInput(7, 1);
        QCOMPARE(CPins::Read(7), 0);
        CPins::Write(7, 1);
        QCOMPARE(CPins::Read(7), 1);
    }

    void axisStepsAreCounted()
    {
        const int x = bank.WatchAxis(2, 3, 0, 100);
        const int y = bank.WatchAxis(4, 17, 1);
        QVERIFY(x >= 0 && y >= 0 && x != y);
        Steps(2, 3, 0, 25); // direction level 0 is positive for X
        Steps(2, 3, 1, 5);
        Steps(4, 17, 0, 7); // and negative for Y
        QCOMPARE(bank.AxisCount(x), qint64(120));
        QCOMPARE(bank.AxisCount(y), qint64(-7));
        // Repeated high writes are one edge, one step.
        CPins::Write(2, 1);
        CPins::Write(2, 1);
        QCOMPARE(bank.AxisCount(x), qint64(119));
        bank.SetAxisCount(x, 0);
        QCOMPARE(bank.AxisCount(x), qint64(0));

        QCOMPARE(bank.WatchAxis(2, 5, 0), -1);  // step pin already watched
        QCOMPARE(bank.WatchAxis(-1, 5, 0), -1); // no such pin
        QCOMPARE(bank.WatchAxis(6, 6, 0), -1);  // step and direction the same
    }

    void inputsSwitchWhenAnAxisPassesAPosition()
    {
        // X home switch on pin 23 closes from step 0 down; the Z probe on
        // pin 21 touches at -40 steps; pin 19 is held high by a fixed level
        // and goes low past +10.
        const int x = bank.WatchAxis(2, 3, 0, 5);
        const int z = bank.WatchAxis(27, 22, 0);
        QVERIFY(bank.AddInputRule(23, 1, x, ECompare::AtMost, 0));
        QVERIFY(bank.AddInputRule(21, 1, z, ECompare::AtMost, -40));
        QVERIFY(bank.AddInputRule(19, 0, x, ECompare::AtLeast, 10));
        bank.SetInput(19, 1);
        for (int p : {23, 21, 19})
            CPins::SetMode(p, EPinMode::Input);

        QCOMPARE(CPins::Read(23), 0);
        Steps(2, 3, 1, 4);
        QCOMPARE(CPins::Read(23), 0);
        Steps(2, 3, 1, 1);
        QCOMPARE(CPins::Read(23), 1);
        Steps(2, 3, 1, 3);
        QCOMPARE(CPins::Read(23), 1);
        Steps(2, 3, 0, 4);
        QCOMPARE(CPins::Read(23), 0);

        QCOMPARE(CPins::Read(19), 1);
        Steps(2, 3, 0, 9);
        QCOMPARE(bank.AxisCount(x), qint64(10));
        QCOMPARE(CPins::Read(19), 0);

        Steps(27, 22, 1, 39);
        QCOMPARE(CPins::Read(21), 0);
        Steps(27, 22, 1, 1);
        QCOMPARE(CPins::Read(21), 1);

        bank.ClearInputRules();
        QCOMPARE(CPins::Read(21), 0);
        QCOMPARE(CPins::Read(19), 1);

        QVERIFY(!bank.AddInputRule(21, 1, 7, ECompare::AtMost, 0)); // no such axis
        QVERIFY(!bank.AddInputRule(-1, 1, z, ECompare::AtMost, 0));
    }

    void pwmRegisters()
    {
        CPins::PwmSetMode(EPwmMode::Balanced);
        CPins::PwmSetRange(1024);
        CPins::PwmSetClock(187);
        CPins::PwmWrite(12, 512);
        QCOMPARE(bank.PwmMode(), EPwmMode::Balanced);
        QCOMPARE(bank.PwmRange(), 1024u);
        QCOMPARE(bank.PwmClock(), 187);
        QCOMPARE(bank.PwmValue(12), 512);
        CPins::SetMode(12, EPinMode::PwmMarkSpace);
        QCOMPARE(bank.PwmMode(), EPwmMode::MarkSpace);

        // A zero divisor would stop the clock: refused, the old one stays.
        QCOMPARE(CPins::PwmSetClock(0), -EINVAL);
        QCOMPARE(bank.PwmClock(), 187);
        QCOMPARE(CPins::RefusedCount(), quint64(1));
    }

    void spiHandlesAndInputRegister()
    {
        const int in = CPins::SpiOpen(0, 2000000, 192);
        const int out = CPins::SpiOpen(2, 2000000, 256);
        QVERIFY(in >= 0 && out >= 0 && in != out);
        QCOMPARE(bank.Spi(in).channel, 0u);
        QCOMPARE(bank.Spi(out).flags, 256u);
        QCOMPARE(bank.Spi(out).baud, 2000000u);

        bank.SetSpiInputs(0x123456);
        char rx[3] = {0, 0, 0};
        const char zero = 0;
        for (char& byte : rx)
            QCOMPARE(CPins::SpiTransfer(in, &zero, &byte, 1), 1);
        QCOMPARE(quint8(rx[0]), quint8(0x56));
        QCOMPARE(quint8(rx[1]), quint8(0x34));
        QCOMPARE(quint8(rx[2]), quint8(0x12));
        QCOMPARE(bank.SpiSent(in), QByteArray(3, '\0'));

        const char cmd = char(0x9A);
        QCOMPARE(CPins::SpiWrite(out, &cmd, 1), 1);
        QCOMPARE(bank.SpiSent(out), QByteArray(1, char(0x9A)));

        QVERIFY(CPins::SpiWrite(3, &cmd, 1) < 0); // never opened
        QVERIFY(CPins::SpiWrite(-1, &cmd, 1) < 0);
        QVERIFY(CPins::SpiTransfer(in, &zero, nullptr, 1) < 0);
        QVERIFY(!bank.Spi(3).open);

        QCOMPARE(bank.SpiHandleCount(), 2);
        QCOMPARE(CPins::SpiClose(out), 0);
        QVERIFY(CPins::SpiWrite(out, &cmd, 1) < 0);
        QVERIFY(CPins::SpiClose(out) < 0);
        QCOMPARE(bank.SpiHandleCount(), 1);
        QCOMPARE(CPins::SpiOpen(2, 2000000, 256), out); // the freed handle is used again
        QCOMPARE(bank.SpiSent(out), QByteArray());

        bank.SetSpiOpenFails(true);
        QVERIFY(CPins::SpiOpen(1, 1000000, 0) < 0);
    }

    void threadsWritingTogetherLoseNoLogEntry()
    {
        const int n = 20000;
        auto pulse = [n](int pin) {
            for (int i = 0; i < n; ++i)
                CPins::Write(pin, i & 1);
        };
        std::thread a(pulse, 2), b(pulse, 4), c(pulse, 27);
        a.join();
        b.join();
        c.join();
        QCOMPARE(bank.TotalWrites(), quint64(3 * n));
        QCOMPARE(bank.WriteLog(4).size(), size_t(n));
        QCOMPARE(bank.RisingEdges(27), quint64(n / 2));
    }

    // Edges due at the same moment on several pins: one write, one time
    // stamp, logged in pin order and counted like single writes.
    void maskWriteIsOneWrite()
    {
        const int x = bank.WatchAxis(2, 3, 0);
        const int z = bank.WatchAxis(27, 22, 0);
        CPins::Write(22, 1); // Z runs negative
        CClock::AdvanceNs(1000);
        const qint64 t0 = CClock::NowNs();
        CPins::WriteMask(1u << 27 | 1u << 2 | 1u << 4, 0);
        CClock::AdvanceNs(400);
        // Pin 4 in both masks ends low; a bit past the header is dropped.
        CPins::WriteMask(1u << 5 | 1u << 4 | 1u << 30, 1u << 2 | 1u << 27 | 1u << 4);

        const std::vector<stPinWrite> log = bank.WriteLog();
        QCOMPARE(log.size(), size_t(1 + 3 + 4));
        const struct
        {
            qint64 t;
            int pin, level;
        } expected[] = {{t0, 2, 1}, {t0, 4, 1}, {t0, 27, 1}, {t0 + 400, 2, 0},
                        {t0 + 400, 4, 0}, {t0 + 400, 5, 1}, {t0 + 400, 27, 0}};
        for (size_t k = 0; k < std::size(expected); ++k) {
            QCOMPARE(log[k + 1].tNs, expected[k].t);
            QCOMPARE(log[k + 1].pin, expected[k].pin);
            QCOMPARE(log[k + 1].level, expected[k].level);
        }
        QCOMPARE(bank.RisingEdges(4), quint64(1));
        QCOMPARE(bank.FallingEdges(4), quint64(1));
        QCOMPARE(bank.AxisCount(x), qint64(1));
        QCOMPARE(bank.AxisCount(z), qint64(-1));
        QCOMPARE(CPins::RefusedCount(), quint64(1));
        CPins::WriteMask(0, 0);
        CPins::WriteMask(1u << 28, 0); // nothing on the header: no write at all
        QCOMPARE(bank.TotalWrites(), quint64(8));
        QCOMPARE(CPins::RefusedCount(), quint64(2));
    }

    // A backend without a mask write of its own gets one write per pin;
    // the pulse loops' port reaches the simulated bank through its calls.
    void maskWriteOnABackendWithoutOne()
    {
        struct stRecorder : CSimPinBank
        {
            void Write(int pin, int level) override
            {
                calls.push_back({pin, level});
                CSimPinBank::Write(pin, level);
            }
            int Read(int pin) override
            {
                reads.push_back(pin);
                return CSimPinBank::Read(pin);
            }
            void WriteMask(quint32 setMask, quint32 clearMask) override
            {
                CPinBackend::WriteMask(setMask, clearMask); // the default
            }
            std::vector<std::pair<int, int>> calls;
            std::vector<int> reads;
        } rec;
        CPins::SetBackend(&rec);
        CPins::WriteMask(1u << 9 | 1u << 3, 1u << 3 | 1u << 1);
        const std::vector<std::pair<int, int>> expected = {{1, 0}, {3, 0}, {9, 1}};
        QCOMPARE(rec.calls, expected);

        const CPins::stPort port = CPins::Port();
        QCOMPARE(port.backend, static_cast<CPinBackend*>(&rec));
        QVERIFY(!port.regs.set && !port.regs.clear && !port.regs.level);
        rec.calls.clear();
        port.Write(1u << 6, 0);
        QCOMPARE(rec.calls, (std::vector<std::pair<int, int>>{{6, 1}}));
        rec.SetInput(20, 1);
        QCOMPARE(port.Read(1u << 20), 1);
        QCOMPARE(port.Read(0), 0); // a pin not fitted is never read
        QCOMPARE(rec.reads, std::vector<int>{20});
        CPins::SetBackend(nullptr);
    }

    void anotherBackendCanBeInstalled()
    {
        CSimPinBank other;
        CPins::SetBackend(&other);
        CPins::Write(5, 1);
        CPins::SetBackend(nullptr);
        QCOMPARE(other.Level(5), 1);
        QCOMPARE(bank.Level(5), 0);
    }
};

QTEST_MAIN(TestPins)
#include "tst_pins.moc"
