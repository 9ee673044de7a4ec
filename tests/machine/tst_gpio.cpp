#include "core/AppConfig.h"
#include "hal/simpinbank.h"
#include "machine/diradictrl.h"
#include "machine/kivgpio.h"
#include "machine/pwmclock.h"
#include "machine/rpigpio.h"
#include "machine/rpigpiosim.h"

#include <QtTest>
#include <cmath>
#include <set>

Q_DECLARE_METATYPE(eKivController)

namespace {
using PinSet = std::set<int>;

PinSet PinsIn(EPinMode mode)
{
    PinSet pins;
    for (int p = 0; p < CPins::PIN_COUNT; ++p)
        if (CSimPinBank::Instance().Mode(p) == mode)
            pins.insert(p);
    return pins;
}

QString Show(const PinSet& pins)
{
    QStringList s;
    for (int p : pins)
        s << QString::number(p);
    return s.join(',');
}
}

// Start-up of the pins per controller kind, the output and input dispatch,
// and the spindle's hardware PWM, all on the simulated pin bank.
class TestGpio : public QObject
{
    Q_OBJECT

    CSimPinBank& bank = CSimPinBank::Instance();

    void UseKind(eKivController kind)
    {
        AppConfig::m_eDiradiCtrl = kind;
        AppConfig::InstallPinAssignment(kind);
    }

private slots:
    void init()
    {
        CPins::SetBackend(nullptr);
        bank.Reset();
        cdiradictrl::CloseDiradiCtrl();
        UseKind(CTRL_KIVQ10);
        AppConfig::m_iSpindlePwmOutput = 12;
        AppConfig::m_iPgmStatusOutput = 7;
        AppConfig::m_stPwmSpndlSettings.m_nCurFreq = 100;
    }

    void initGpioSetsUpEachKind_data()
    {
        QTest::addColumn<eKivController>("kind");
        QTest::addColumn<QString>("outputs");
        QTest::addColumn<QString>("inputs");
        // Kind 0: X, Y, Z, status 7, spindle 12, M200-M210 on 5, 6, 13, 14,
        // 15, 18, M3/M4/M7/M8 on 8-11, M80 on 26; home 23-25, start 16,
        // probe 21, E-stop 20, M66 input 1 on 19.
        QTest::newRow("Pi, three axes") << CTRL_KIVQ10 << "2,3,4,5,6,7,8,9,10,11,12,13,14,15,17,18,22,26,27"
                                        << "16,19,20,21,23,24,25";
        // Kind 1: A on 5/6 with home 13, B on 14/15 with home 18.
        QTest::newRow("Pi, five axes") << CTRL_KIVQ20 << "2,3,4,5,6,7,8,9,10,11,12,14,15,17,22,26,27"
                                       << "13,16,18,19,20,21,23,24,25";
        // SPI kinds: only X, Y, Z, status and spindle on the Pi's outputs;
        // the E-stop (9), program-start (10) and probe (21) inputs are read
        // from the Pi for every kind, so they are set up too.
        QTest::newRow("SPI board v2") << CTRL_SPI_V2 << "2,3,4,7,12,17,22,27" << "9,10,21,23,24,25";
        QTest::newRow("SPI board v3") << CTRL_SPI_V3 << "2,3,4,7,12,17,22,27" << "9,10,21,23,24,25";
    }
    void initGpioSetsUpEachKind()
    {
        QFETCH(eKivController, kind);
        QFETCH(QString, outputs);
        QFETCH(QString, inputs);
        UseKind(kind);
        QVERIFY2(CKIVGPIO::InitGpio(), qPrintable(CKIVGPIO::GetErrorMsg()));
        QVERIFY(CKIVGPIO::GetErrorMsg().isEmpty());

        QVERIFY(bank.IsSetUp());
        QCOMPARE(bank.PwmRange(), 1024u);
        QCOMPARE(bank.PwmMode(), EPwmMode::Balanced);
        const PinSet outs = PinsIn(EPinMode::Output);
        const PinSet ins = PinsIn(EPinMode::Input);
        QCOMPARE(Show(outs), outputs);
        QCOMPARE(Show(ins), inputs);
        for (int p : outs) {
            QVERIFY2(bank.WriteCount(p) == 1 && bank.Level(p) == 0, qPrintable(QString::number(p)));
        }
        for (int p : ins)
            QCOMPARE(bank.Pull(p), EPull::Down);
        QCOMPARE(bank.TotalWrites(), quint64(outs.size()));
        QCOMPARE(CPins::RefusedCount(), quint64(0)); // no pin that is not fitted was touched

        const bool spi = kind >= CTRL_SPI_V2;
        QCOMPARE(cdiradictrl::IsOpen(), spi);
        QCOMPARE(bank.SpiHandleCount(), spi ? 2 : 0);
        if (spi) {
            QCOMPARE(cdiradictrl::m_eCtrlVersion, kind);
            const CSimPinBank::stSpiRecord in = bank.Spi(cdiradictrl::h_SpiInputCtrl);
            const CSimPinBank::stSpiRecord out = bank.Spi(cdiradictrl::h_SpiOutputCtrl);
            QCOMPARE(in.channel, 0u);
            QCOMPARE(in.baud, 2000000u);
            QCOMPARE(in.flags, 192u);
            QCOMPARE(out.channel, 2u);
            QCOMPARE(out.baud, 2000000u);
            QCOMPARE(out.flags, 256u);
        }
    }

    void initGpioReportsABoardThatDoesNotOpen()
    {
        UseKind(CTRL_SPI_V3);
        bank.SetSpiOpenFails(true);
        QVERIFY(!CKIVGPIO::InitGpio());
        QVERIFY(CKIVGPIO::GetErrorMsg().startsWith("Error:"));
        QVERIFY(CKIVGPIO::GetErrorMsg().contains("SPI"));
        QVERIFY(!cdiradictrl::IsOpen());
        // The Pi's own pins are set up all the same.
        QCOMPARE(bank.Mode(2), EPinMode::Output);
        QCOMPARE(bank.Mode(9), EPinMode::Input);
        // Outputs are refused, not sent to a handle that was never opened.
        QVERIFY(CKIVGPIO::WriteOutput(3, 1) < 0);
        QCOMPARE(bank.SpiHandleCount(), 0);

        // Started again with the bus present, the board opens.
        bank.SetSpiOpenFails(false);
        QVERIFY(CKIVGPIO::InitGpio());
        QVERIFY(CKIVGPIO::GetErrorMsg().isEmpty());
        QCOMPARE(bank.SpiHandleCount(), 2);
        QVERIFY(CKIVGPIO::InitGpio()); // a second start-up reuses, not leaks, handles
        QCOMPARE(bank.SpiHandleCount(), 2);
    }

    void absentMapEntriesNameNoPin()
    {
        UseKind(CTRL_KIVQ10);
        QCOMPARE(CKIVGPIO::MCodePin(200), 5);
        QCOMPARE(CKIVGPIO::MCodePin(80), 26);
        QCOMPARE(CKIVGPIO::MCodePin(201), -1);
        QCOMPARE(CKIVGPIO::InputPin(1), 19);
        QCOMPARE(CKIVGPIO::InputPin(2), -1);
        UseKind(CTRL_SPI_V2);
        QCOMPARE(CKIVGPIO::MCodePin(3), -1);
        QCOMPARE(CKIVGPIO::InputPin(1), -1);
    }

    void piKindsDriveThePiPins()
    {
        for (eKivController kind : {CTRL_KIVQ10, CTRL_KIVQ20}) {
            init();
            UseKind(kind);
            QVERIFY(CKIVGPIO::InitGpio());
            bank.ClearLog();
            QCOMPARE(CKIVGPIO::WriteOutput(8, 1), 0);
            QCOMPARE(bank.Level(8), 1);
            QCOMPARE(CKIVGPIO::WriteOutput(8, 0), 0);
            QCOMPARE(bank.Level(8), 0);
            bank.SetInput(19, 1);
            QCOMPARE(CKIVGPIO::ReadInput(19), 1);
            QCOMPARE(CKIVGPIO::ReadInput(20), 0);
            // Not fitted: the store's -1 as a 16-bit pin number.
            const unsigned short notFitted = static_cast<unsigned short>(CKIVGPIO::MCodePin(201));
            QVERIFY(CKIVGPIO::WriteOutput(notFitted, 1) < 0);
            QCOMPARE(CKIVGPIO::ReadInput(notFitted), 0);
            QCOMPARE(bank.TotalWrites(), quint64(2));
            QCOMPARE(bank.SpiHandleCount(), 0);

            CKIVGPIO::SetPinModeOutput(26);
            QCOMPARE(bank.Mode(26), EPinMode::Output);
            CKIVGPIO::SetPinModeInput(0);
            QCOMPARE(bank.Mode(0), EPinMode::Input);
            QCOMPARE(bank.Pull(0), EPull::Down);
        }
    }

    void spiKindsGoToTheBoard()
    {
        UseKind(CTRL_SPI_V3);
        QVERIFY(CKIVGPIO::InitGpio());
        bank.ClearLog();
        const int out = cdiradictrl::h_SpiOutputCtrl;
        const int in = cdiradictrl::h_SpiInputCtrl;

        QCOMPARE(CKIVGPIO::WriteOutput(13, 1), 1);
        QCOMPARE(CKIVGPIO::WriteOutput(13, 0), 1);
        QCOMPARE(bank.SpiSent(out), QByteArray("\x9A\x1A", 2));
        QCOMPARE(bank.TotalWrites(), quint64(0)); // the Pi's pin 13 is not touched

        bank.SetSpiInputs(1u << 9);
        bank.SetInput(9, 0);
        QCOMPARE(CKIVGPIO::ReadInput(9), 1);
        QCOMPARE(CKIVGPIO::ReadInput(8), 0);
        QCOMPARE(bank.SpiSent(in), QByteArray(6, '\0'));

        // Numbers past the board's range are refused without bus traffic.
        QVERIFY(CKIVGPIO::WriteOutput(28, 1) < 0);
        QVERIFY(CKIVGPIO::WriteOutput(0xFFFF, 1) < 0);
        QVERIFY(CKIVGPIO::WriteOutput(0x100 + 13, 1) < 0); // would alias pin 13 as a byte
        QCOMPARE(bank.SpiSent(out).size(), 2);
        bank.SetSpiInputs(0xFFFFFF);
        QCOMPARE(CKIVGPIO::ReadInput(24), 0);
        QCOMPARE(bank.SpiSent(in).size(), 6);

        // The SPI board's outputs need no pin modes.
        CKIVGPIO::SetPinModeOutput(5);
        CKIVGPIO::SetPinModeInput(6);
        QCOMPARE(bank.Mode(5), EPinMode::Unset);
        QCOMPARE(bank.Mode(6), EPinMode::Unset);
    }

    void rpiGpioBasics()
    {
        QCOMPARE(CRpiGpio::InitRpiGpio(), 0);
        CRpiGpio::SetPinModeOutput(2);
        CRpiGpio::WriteOutput(2, 1);
        QCOMPARE(bank.Level(2), 1);
        QCOMPARE(CRpiGpio::ReadInput(2), 1);
        CRpiGpio::SetPinModeInput(23);
        QCOMPARE(bank.Pull(23), EPull::Down);
        QCOMPARE(CRpiGpio::ReadInput(23), 0);
        bank.SetInput(23, 1);
        QCOMPARE(CRpiGpio::ReadInput(23), 1);

        const unsigned short notFitted = static_cast<unsigned short>(qint8(-1));
        CRpiGpio::SetPinModeOutput(notFitted);
        CRpiGpio::WriteOutput(notFitted, 1);
        QCOMPARE(CRpiGpio::ReadInput(notFitted), 0);
        QCOMPARE(CPins::RefusedCount(), quint64(3));
    }

    void simulatedGpioDrivesNothing()
    {
        CRpiGpioSim::InitRpiGpio();
        CRpiGpioSim::SetPinModeOutput(2);
        CRpiGpioSim::SetPinModeInput(23);
        CRpiGpioSim::WriteOutput(2, 1);
        bank.SetInput(23, 1);
        QCOMPARE(CRpiGpioSim::ReadInput(23), 0);
        QCOMPARE(bank.TotalWrites(), quint64(0));
        QCOMPARE(bank.Mode(2), EPinMode::Unset);
        QVERIFY(!bank.IsSetUp());
    }

    // Divisor and range chosen together: the frequency asked for within 1 %
    // (a fixed range of 1024 drove 6250 Hz for 5000 and 9375 for 7000), the
    // output high half the period.
    void pwmStart_data()
    {
        QTest::addColumn<int>("frequency");
        QTest::addColumn<int>("divisor"); // 0: refused
        QTest::addColumn<unsigned>("range");
        QTest::addColumn<int>("value");
        // c = 19200000 / f counts a period; divisor c / 1024 (2 to 4095);
        // value round(c / (2 * divisor)), range twice that.
        // 100: c = 192000, 187.5 -> 187; 192000 / 374 = 513.4 -> 513 (100.07 Hz).
        QTest::newRow("100 Hz") << 100 << 187 << 1026u << 513;
        // 3000: c = 6400, 6.25 -> 6; 6400 / 12 = 533.3 -> 533 (3001.9 Hz).
        QTest::newRow("3000 Hz") << 3000 << 6 << 1066u << 533;
        // 5000: c = 3840, 3.75 -> 3; 3840 / 6 = 640 (5000 Hz).
        QTest::newRow("5000 Hz") << 5000 << 3 << 1280u << 640;
        // 7000: c = 2742.9, 2.68 -> 2; 2742.9 / 4 = 685.7 -> 686 (6997.1 Hz).
        QTest::newRow("7000 Hz") << 7000 << 2 << 1372u << 686;
        // 10000: c = 1920, 1.875 -> 2 (the least); 1920 / 4 = 480 (10000 Hz).
        QTest::newRow("10000 Hz") << 10000 << 2 << 960u << 480;
        // 1: c = 19200000, 18750 -> 4095; 19200000 / 8190 = 2344.3 -> 2344 (1.0001 Hz).
        QTest::newRow("lowest, 1 Hz: largest divisor") << 1 << 4095 << 4688u << 2344;
        // 65535: c = 292.97, 0.29 -> 2; 292.97 / 4 = 73.2 -> 73 (65753 Hz, 0.33 % above).
        QTest::newRow("highest, 65535 Hz") << 65535 << 2 << 146u << 73;
        QTest::newRow("0 Hz") << 0 << 0 << 0u << 0;
    }
    void pwmStart()
    {
        QFETCH(int, frequency);
        QFETCH(int, divisor);
        QFETCH(unsigned, range);
        QFETCH(int, value);
        QVERIFY(CKIVGPIO::InitGpio());
        // A wave running at 1000 Hz before the change.
        AppConfig::m_stPwmSpndlSettings.m_nCurFreq = 1000;
        QVERIFY(CKIVGPIO::PwmStart());
        QCOMPARE(bank.Mode(12), EPinMode::PwmMarkSpace);

        AppConfig::m_stPwmSpndlSettings.m_nCurFreq = quint16(frequency);
        QCOMPARE(CKIVGPIO::PwmStart(), divisor != 0);
        QCOMPARE(CPins::RefusedCount(), quint64(0));
        if (divisor) {
            QCOMPARE(bank.PwmClock(), divisor);
            QCOMPARE(bank.PwmRange(), range);
            QCOMPARE(bank.PwmValue(12), value);
            QCOMPARE(bank.Mode(12), EPinMode::PwmMarkSpace);
            QCOMPARE(bank.PwmMode(), EPwmMode::MarkSpace);
            QVERIFY(CKIVGPIO::GetErrorMsg().isEmpty());
            const double driven = 19200000.0 / divisor / range;
            QVERIFY2(std::fabs(driven - frequency) <= 0.01 * frequency, qPrintable(QString::number(driven)));
        } else {
            // Left off, and said so.
            QCOMPARE(bank.Mode(12), EPinMode::PwmOff);
            QCOMPARE(bank.PwmClock(), 18);
            QCOMPARE(CKIVGPIO::GetErrorMsg(), QStringLiteral("Error: Spindle PWM off: 0 Hz is outside 1 to 65535 Hz"));
        }
        CKIVGPIO::PwmStop();
        QCOMPARE(bank.Mode(12), EPinMode::PwmOff);
    }

    // Every frequency the words are made for: within 1 % on the 19.2 MHz
    // clock, an even range with the value at half of it, the divisor within
    // the clock manager's whole-divisor limits.
    void pwmWordsOverTheWholeRange()
    {
        for (unsigned f = CPwmClock::LOWEST_HZ; f <= CPwmClock::HIGHEST_HZ; ++f) {
            stPwmWords w;
            if (!CPwmClock::ForFrequency(f, &w))
                QFAIL(qPrintable(QStringLiteral("%1 Hz refused").arg(f)));
            const double driven = 19200000.0 / w.divisor / w.range; // the clock, divided twice
            if (std::fabs(driven - f) > 0.01 * f || w.range % 2 != 0 || w.value * 2u != w.range
                || w.divisor < CPwmClock::MIN_DIVISOR || w.divisor > CPwmClock::MAX_DIVISOR
                || (w.divisor > CPwmClock::MIN_DIVISOR && w.range < CPwmClock::MIN_RANGE))
                QFAIL(qPrintable(QStringLiteral("%1 Hz: divisor %2, range %3, value %4 give %5 Hz")
                                     .arg(f).arg(w.divisor).arg(w.range).arg(w.value).arg(driven)));
        }
        stPwmWords w;
        QVERIFY(!CPwmClock::ForFrequency(0, &w));
        QCOMPARE(w.divisor, 0);
    }

    void pwmWithoutSpindlePin()
    {
        AppConfig::m_iSpindlePwmOutput = -1;
        QVERIFY(CKIVGPIO::InitGpio());
        QVERIFY(!CKIVGPIO::PwmStart());
        QVERIFY(!CKIVGPIO::GetErrorMsg().isEmpty());
        QCOMPARE(bank.PwmClock(), 0);
        for (int p = 0; p < CPins::PIN_COUNT; ++p)
            QVERIFY(bank.Mode(p) != EPinMode::PwmMarkSpace);
    }
};

QTEST_MAIN(TestGpio)
#include "tst_gpio.moc"
