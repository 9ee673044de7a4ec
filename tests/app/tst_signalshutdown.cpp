// Ended by a signal (a service stop, Ctrl-C, the terminal closed), the
// program stops the machine, switches the spindle, its PWM and every output
// off and closes down, as closing the window does: the signal is raised in
// the test program itself while the main window runs on the simulated pins.
#include "fakeprompter.h"
#include "simcontroller.h"

#include "app/mainwindow.h"
#include "app/signalshutdown.h"
#include "core/AppConfig.h"
#include "core/AppRunner.h"
#include "machine/kivgpio.h"
#include "machine/rpigpio.h"

#include <QtTest>

#include <csignal>

namespace {
// The outputs a running job holds high: the spindle (M3), both coolants,
// M80's output, an M200 output and the program-status output.
QList<int> JobOutputs()
{
    QList<int> lstPins;
    for (int m : {3, 7, 8, 80, 200})
        lstPins << CKIVGPIO::MCodePin(quint16(m));
    lstPins << AppConfig::m_iPgmStatusOutput;
    return lstPins;
}

// Every job output low, the PWM off on the spindle pin and the spindle
// flag down; the first fault found, or empty.
QString SafeLevelsFault(const CSimPinBank& bank)
{
    for (int pin : JobOutputs()) {
        if (bank.Level(pin) != 0)
            return QStringLiteral("pin %1 high").arg(pin);
    }
    if (bank.Mode(AppConfig::m_iSpindlePwmOutput) == EPinMode::PwmMarkSpace)
        return QStringLiteral("spindle PWM still on");
    if (bank.Level(AppConfig::m_iSpindlePwmOutput) != 0)
        return QStringLiteral("spindle PWM pin high");
    if (AppConfig::m_bSpindleOn)
        return QStringLiteral("spindle still on");
    return QString();
}
} // namespace

class TestSignalShutdown : public QObject
{
    Q_OBJECT
private slots:
    void signalStopsTheMachineAndCloses_data();
    void signalStopsTheMachineAndCloses();
    void handlersAreOnlyTheProgramsWhileInstalled();
};

void TestSignalShutdown::signalStopsTheMachineAndCloses_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestSignalShutdown::signalStopsTheMachineAndCloses()
{
    QFETCH(int, signal);
    CSimControllerSetup setup;
    CFakePrompter prompter;
    CPacedPins pacing; // a jog that runs until it is stopped
    CSimPinBank& bank = pacing;
    AppConfig::m_bPWMCtrlUsed = true;
    AppConfig::m_stPwmSpndlSettings.m_nCurFreq = 1000;

    auto* pWindow = new MainWindow;
    MainWindow& w = *pWindow;
    CSignalShutdown shutdown;
    QVERIFY(shutdown.IsInstalled());
    QObject::connect(&shutdown, &CSignalShutdown::Received, &w, &MainWindow::CloseDownBySignal);

    // A job as it runs: the spindle on with its PWM, coolant and the other
    // outputs high, X moving.
    w.m_AppCtrl.TurnOnOffSpindle(true, DIR_CW);
    QVERIFY(CKIVGPIO::PwmStart());
    for (int pin : JobOutputs())
        CKIVGPIO::WriteOutput(quint16(pin), 1);
    AxisCtrl& x = w.m_AppCtrl.m_AxisCtrl[X_AXIS];
    x.SetVelocityAcc(AppConfig::m_fAxisJogFeed[X_AXIS], AppConfig::m_fAxisAcc[X_AXIS]);
    QVERIFY(w.m_AppCtrl.JogPos(X_AXIS));
    QVERIFY(QTest::qWaitFor([&]() { return x.GetCurPos() > 0.05; }, 5000));
    for (int pin : JobOutputs())
        QCOMPARE(bank.Level(pin), 1);
    QCOMPARE(bank.Mode(AppConfig::m_iSpindlePwmOutput), EPinMode::PwmMarkSpace);

    // The signal arrives while the program's event loop runs: the loop ends
    // (as closing the window ends it) with the machine already safe.
    QTimer::singleShot(50, [signal]() { std::raise(signal); });
    QTimer guard; // never hang the test
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, []() { QCoreApplication::exit(1); });
    guard.start(20000);
    QCOMPARE(CAppRunner::Run(w), 0);
    QCOMPARE(shutdown.Signalled(), signal);
    QVERIFY2(SafeLevelsFault(bank).isEmpty(), qPrintable(SafeLevelsFault(bank)));
    QVERIFY(QTest::qWaitFor([&]() { return !x.GetAxisState(); }, 10000));

    // Then the window goes, as at the end of main(), and the levels stay.
    delete pWindow;
    QVERIFY2(SafeLevelsFault(bank).isEmpty(), qPrintable(SafeLevelsFault(bank)));
    AppConfig::m_bPWMCtrlUsed = false;
}

void TestSignalShutdown::handlersAreOnlyTheProgramsWhileInstalled()
{
    // While installed a signal only reaches the event loop; afterwards the
    // handler there before (here the test library's) is back.
    struct sigaction before = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &before), 0);
    {
        CSignalShutdown shutdown;
        QVERIFY(shutdown.IsInstalled());
        // One at a time: a second one leaves the signals alone.
        CSignalShutdown second;
        QVERIFY(!second.IsInstalled());
        int iReceived = 0;
        QObject::connect(&shutdown, &CSignalShutdown::Received, [&iReceived](int s) { iReceived = s; });
        std::raise(SIGHUP);
        QCOMPARE(iReceived, 0); // nothing happens inside the handler
        QVERIFY(QTest::qWaitFor([&]() { return iReceived != 0; }, 5000));
        QCOMPARE(iReceived, int(SIGHUP));
        QCOMPARE(CSignalShutdown::Name(SIGHUP), QStringLiteral("SIGHUP"));
    }
    struct sigaction after = {};
    QCOMPARE(::sigaction(SIGTERM, nullptr, &after), 0);
    QVERIFY(after.sa_handler == before.sa_handler);
}

QTEST_MAIN(TestSignalShutdown)
#include "tst_signalshutdown.moc"
