// The main window's machine commands, feed and spindle sliders and the
// keyboard pendant on the simulated machine: what each does, the refusals in
// their order, and the pendant keys as the operator presses them.
#include "fakeprompter.h"
#include "freememoryfigure.h"
#include "mainwindowlog.h"
#include "simcontroller.h"

#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "gcode/gcodeprogram.h"
#include "hal/clock.h"
#include "hal/simpinbank.h"
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QDialog>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QtTest>

namespace {
// The cruise pulse period of the ramp table the axis's next move takes, ns.
double CruisePeriodNs(const AxisCtrl& axis)
{
    const int i = 1 - axis.m_nActiveTable;
    return axis.m_fCruiseHighNs[i] + axis.m_fCruiseLowNs[i];
}

void Key(MainWindow& w, QEvent::Type eType, int iKey, bool bRepeat = false)
{
    QKeyEvent e(eType, iKey, Qt::KeypadModifier, QString(), bRepeat);
    QCoreApplication::sendEvent(&w, &e);
}
void Press(MainWindow& w, int iKey, bool bRepeat = false) { Key(w, QEvent::KeyPress, iKey, bRepeat); }
// The key comes up: the window's event loop runs until the release has been
// told from a repeat.
void Release(MainWindow& w, int iKey, bool bRepeat = false)
{
    Key(w, QEvent::KeyRelease, iKey, bRepeat);
    QVERIFY(QTest::qWaitFor([&w]() { return !w.m_KeyHold.ReleaseWaiting(); }, 5000));
}
// A key pressed and let go.
void Tap(MainWindow& w, int iKey)
{
    Press(w, iKey);
    Release(w, iKey);
}
// One auto-repeat of a held key: its release and its press at once, with or
// without Qt's auto-repeat flag.
void Repeat(MainWindow& w, int iKey, bool bFlag)
{
    Key(w, QEvent::KeyRelease, iKey, bFlag);
    Key(w, QEvent::KeyPress, iKey, bFlag);
}
void Click(MainWindow& w, int iKey)
{
    Press(w, iKey);
    CClock::AdvanceNs(100 * 1000000LL);
    Release(w, iKey);
}
void Hold(MainWindow& w, int iKey, qint64 iMs)
{
    Press(w, iKey);
    CClock::AdvanceNs(iMs * 1000000LL);
    w.OnTimer();
    Release(w, iKey);
}

const QString HOMING_NOT_DONE = QStringLiteral("Homing not done!\nUse \"Move Home\" in user Settings");
} // namespace

class TestMainWindowCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void feedOverride();
    void spindleSlider_data();
    void spindleSlider();
    void commandRefusals_data();
    void commandRefusals();
    void setWorkZeroAsks();
    void moveWorkZeroAsksUnlessPendant();
    void simulationKeepsEveryAxis();
    void spindleButtons();
    void saveSettings();
    void enterTogglesEmergencyStop();
    void feedAndSpindleKeys();
    void jogKeyHoldAndRelease();
    void jogStopsWhileReleasesIgnored();
    void keysBehindADialog();
    void fileDialogTakesTheKeys();
    void stepKeysAndStepSize();
    void longPresses();
    void heldKeysWithRepeats_data();
    void heldKeysWithRepeats();
    void keysWhileBusy();
    void usbLoad();
    void numLockOffIsSaid();

private:
    CSimControllerSetup* m_pSetup = nullptr;
    CFakePrompter* m_pPrompter = nullptr;
};

void TestMainWindowCommands::init()
{
    m_pSetup = new CSimControllerSetup;
    m_pPrompter = new CFakePrompter;
    AppConfig::m_bEmergencyStopON = false;
    AppConfig::m_bSimulationMode = false;
    AppConfig::m_bPWMCtrlUsed = false;
    AppConfig::m_bKeyboardCtrlUsed = true;
    AppConfig::m_bHomeSensorsUsed = false;
    AppConfig::m_bUseG01FeedForJog = false;
    CGCodeProgram::ClearCurGCodeData();
}

void TestMainWindowCommands::cleanup()
{
    AppConfig::m_bEmergencyStopON = false;
    AppConfig::m_bSimulationMode = false;
    AppConfig::m_bKeyboardCtrlUsed = false;
    CGCodeProgram::ClearCurGCodeData();
    delete m_pPrompter;
    delete m_pSetup;
}

void TestMainWindowCommands::feedOverride()
{
    MainWindow w;
    AppConfig::m_bUseG01FeedForJog = true;
    w.OnG01FeedChange(100);
    const double fPeriodAt100 = CruisePeriodNs(w.m_AppCtrl.m_AxisCtrl[Y_AXIS]);
    QCOMPARE(fPeriodAt100, 1e9 * AppConfig::m_fAxisMovPerPulse[Y_AXIS] / AppConfig::m_fUserAxisFeed[Y_AXIS]);
    w.OnG01FeedChange(50);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(AppConfig::m_fAxisFeedPercent[i], 0.5);
        QCOMPARE(AppConfig::m_fAxisFeed[i], 0.5 * AppConfig::m_fUserAxisFeed[i]);
        QCOMPARE(AppConfig::m_fAxisJogFeed[i], AppConfig::m_fAxisFeed[i]);
    }
    // Idle: the axes take the new feed at once (half the feed, twice the
    // pulse period).
    QVERIFY(qAbs(CruisePeriodNs(w.m_AppCtrl.m_AxisCtrl[Y_AXIS]) - 2 * fPeriodAt100) < 0.01 * fPeriodAt100);

    // During a job only the settings change; the next move takes them.
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    w.OnG01FeedChange(100);
    QCOMPARE(AppConfig::m_fAxisFeed[X_AXIS], AppConfig::m_fUserAxisFeed[X_AXIS]);
    QVERIFY(qAbs(CruisePeriodNs(w.m_AppCtrl.m_AxisCtrl[Y_AXIS]) - 2 * fPeriodAt100) < 0.01 * fPeriodAt100);
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
}

void TestMainWindowCommands::spindleSlider_data()
{
    QTest::addColumn<int>("minFreq");
    QTest::addColumn<int>("maxFreq");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("freq");
    QTest::newRow("bottom") << 100 << 3000 << 100 << 1 << 100;
    QTest::newRow("middle") << 100 << 3000 << 100 << 8 << 800;
    QTest::newRow("top is the maximum") << 100 << 3000 << 100 << 24 << 3000;
    QTest::newRow("above the maximum is clamped") << 100 << 3000 << 200 << 23 << 3000;
    QTest::newRow("would wrap 16 bits") << 1000 << 60000 << 5000 << 20 << 60000;
}

void TestMainWindowCommands::spindleSlider()
{
    QFETCH(int, minFreq);
    QFETCH(int, maxFreq);
    QFETCH(int, step);
    QFETCH(int, position);
    QFETCH(int, freq);
    AppConfig::m_bPWMCtrlUsed = true;
    MainWindow w;
    auto& pwm = AppConfig::m_stPwmSpndlSettings;
    pwm.m_nMinFreq = quint16(minFreq);
    pwm.m_nMaxFreq = quint16(maxFreq);
    pwm.m_nFreqStep = quint16(step);
    w.OnSpindleSpeedChange(short(position));
    QCOMPARE(int(pwm.m_nCurFreq), freq);

    // With the program's own spindle speeds the slider has no say.
    AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed = true;
    w.OnSpindleSpeedChange(1);
    QCOMPARE(int(pwm.m_nCurFreq), freq);
    QCOMPARE(LogLines(w).first(), QStringLiteral("Spindle Speed Control not available"));
}

void TestMainWindowCommands::commandRefusals_data()
{
    // Each row sets its condition and every later one: the first refusal
    // in the button's order is the one logged.
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("first"); // 0 emergency stop, 1 busy, 2 not homed
    QTest::addColumn<QString>("message");
    const QString estop = QStringLiteral("Release Emergency Switch");
    const QString busy = QStringLiteral("Machine in use");
    QTest::newRow("move work zero: stop") << "Btn_MoveWorkZero" << 0 << estop;
    QTest::newRow("move work zero: busy") << "Btn_MoveWorkZero" << 1 << busy;
    QTest::newRow("move work zero: homing") << "Btn_MoveWorkZero" << 2 << HOMING_NOT_DONE;
    QTest::newRow("probe: stop") << "Btn_SetZ0WithZProbe" << 0 << estop;
    QTest::newRow("probe: busy") << "Btn_SetZ0WithZProbe" << 1 << busy;
    QTest::newRow("probe: homing") << "Btn_SetZ0WithZProbe" << 2 << HOMING_NOT_DONE;
    QTest::newRow("safe Z: stop") << "Btn_MoveZSafePos" << 0 << estop;
    QTest::newRow("safe Z: busy") << "Btn_MoveZSafePos" << 1 << busy;
    QTest::newRow("home X: stop") << "Btn_MoveWorkHome_X" << 0 << estop;
    QTest::newRow("home X: busy") << "Btn_MoveWorkHome_X" << 1 << "Axis in use";
    // Setting the work zero moves nothing: homing first, then busy.
    QTest::newRow("set work zero: homing") << "Btn_SetWorkZero" << 1 << HOMING_NOT_DONE;
    QTest::newRow("set work zero: busy") << "Btn_SetWorkZero" << 3 << busy;
    QTest::newRow("simulation: homing") << "Btn_SimulationMode" << 1 << HOMING_NOT_DONE;
    QTest::newRow("simulation: busy") << "Btn_SimulationMode" << 3 << busy;
}

void TestMainWindowCommands::commandRefusals()
{
    QFETCH(QString, button);
    QFETCH(int, first);
    QFETCH(QString, message);
    MainWindow w;
    w.ClearLog();
    if (first <= 0)
        AppConfig::m_bEmergencyStopON = true;
    if (first <= 1 || first == 3)
        w.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    if (first <= 2)
        AppConfig::m_bHomeSensorsUsed = true;

    const bool bSimulation = AppConfig::m_bSimulationMode;
    const double fZero = AppConfig::m_fAxisWorkZero[X_AXIS];
    w.findChild<QPushButton*>(button)->click();
    QCOMPARE(LogLines(w), QStringList{message});
    QVERIFY(m_pPrompter->m_lstPrompts.isEmpty());
    QCOMPARE(bool(AppConfig::m_bSimulationMode), bSimulation);
    QCOMPARE(AppConfig::m_fAxisWorkZero[X_AXIS], fZero);
    QVERIFY(!w.m_AppCtrl.isRunning());
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    // The button is grey again a moment later.
    QPushButton* pBtn = w.findChild<QPushButton*>(button);
    QVERIFY(QTest::qWaitFor([&]() { return pBtn->styleSheet() == BTN_BKGND_GRAY; }, 2000));
}

void TestMainWindowCommands::setWorkZeroAsks()
{
    MainWindow w;
    w.m_AppCtrl.m_AxisCtrl[X_AXIS].SetCurPos(12.0);
    m_pPrompter->m_lstAnswers << QMessageBox::No << QMessageBox::Yes;
    w.ui->Btn_SetWorkZero->click();
    QCOMPARE(m_pPrompter->Texts(QStringLiteral("Question")), QStringList{"Set Work Zero?"});
    QCOMPARE(m_pPrompter->m_lstPrompts.last().m_eIcon, QMessageBox::Warning);
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 12.0);
    w.ui->Btn_SetWorkZero->click();
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 0.0);
    QCOMPARE(w.ui->Btn_SetWorkZero->styleSheet(), BTN_BKGND_GRAY);
}

void TestMainWindowCommands::moveWorkZeroAsksUnlessPendant()
{
    MainWindow w;
    w.m_AppCtrl.m_AxisCtrl[X_AXIS].SetCurPos(2.0);
    // No: nothing moves.
    m_pPrompter->m_lstAnswers << QMessageBox::No;
    w.ui->Btn_MoveWorkZero->click();
    QCOMPARE(m_pPrompter->Texts(QStringLiteral("Question")), QStringList{"Move all axis to work home?"});
    QCOMPARE(m_pPrompter->m_lstPrompts.last().m_eIcon, QMessageBox::Information);
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), 0);

    // The pendant's 5 starts it without a question.
    AppConfig::m_bKeyboardCtrlUsed = true;
    Click(w, Qt::Key_5);
    QCOMPARE(m_pPrompter->Texts(QStringLiteral("Question")).size(), 1);
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), int(AppControl::RUN_WORK_ZERO));
    QVERIFY(QTest::qWaitFor(
        [&]() {
            w.OnTimer();
            return w.m_AppCtrl.m_iRunMode == AppControl::RUN_IDLE;
        },
        20000));
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 0.0);
    QVERIFY(LogLines(w).contains(QStringLiteral("Work home postion reached")));
}

void TestMainWindowCommands::simulationKeepsEveryAxis()
{
    AppConfig::m_eDiradiCtrl = CTRL_KIVQ20;
    MainWindow w;
    QCOMPARE(AppConfig::m_iMchType, 5);
    const double fStart[5] = {1, 2, 3, 4, 5};
    for (int i = 0; i < 5; ++i)
        w.m_AppCtrl.m_AxisCtrl[i].SetCurPos(fStart[i]);
    w.ui->Btn_SimulationMode->click();
    QVERIFY(AppConfig::m_bSimulationMode);
    QCOMPARE(w.ui->Btn_SimulationMode->styleSheet(), BTN_BKGND_GREEN);
    // A simulated run moves the counters...
    for (int i = 0; i < 5; ++i)
        w.m_AppCtrl.m_AxisCtrl[i].SetCurPos(50.0 + i);
    // ...leaving simulation puts every axis back.
    w.ui->Btn_SimulationMode->click();
    QVERIFY(!AppConfig::m_bSimulationMode);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(w.m_AppCtrl.GetCurPos(static_cast<eAxis>(i)), fStart[i]);
    QCOMPARE(w.ui->Btn_SimulationMode->styleSheet(), BTN_BKGND_GRAY);
}

void TestMainWindowCommands::spindleButtons()
{
    auto& bank = CSimPinBank::Instance();
    MainWindow w;
    const int iCW = AppConfig::m_lstMCodesPin.value(3);
    const int iCCW = AppConfig::m_lstMCodesPin.value(4);

    w.ui->Btn_SpindleCCWOnOff->click();
    QCOMPARE(bank.Level(iCCW), 1);
    QVERIFY(AppConfig::m_bSpindleOn);
    QCOMPARE(w.ui->Btn_SpindleCCWOnOff->text(), QStringLiteral("Spindle\nCCW ON"));
    QCOMPARE(w.ui->Btn_SpindleCCWOnOff->styleSheet(), BTN_BKGND_GREEN);
    QVERIFY(!w.ui->Btn_SpindleCWOnOff->isEnabled());
    w.ui->Btn_SpindleCCWOnOff->click();
    QCOMPARE(bank.Level(iCCW), 0);
    QCOMPARE(w.ui->Btn_SpindleCCWOnOff->text(), QStringLiteral("Spindle\nCCW OFF"));
    QVERIFY(w.ui->Btn_SpindleCWOnOff->isEnabled());

    // Never on under the emergency stop (button or "-" key).
    AppConfig::m_bEmergencyStopON = true;
    w.ui->Btn_SpindleCWOnOff->click();
    Tap(w, Qt::Key_Minus);
    QCOMPARE(bank.Level(iCW), 0);
    QVERIFY(!AppConfig::m_bSpindleOn);
    QCOMPARE(LogLines(w).mid(0, 2), (QStringList{"Release Emergency Switch", "Release Emergency Switch"}));
    AppConfig::m_bEmergencyStopON = false;

    // The "-" key is the clockwise button.
    Tap(w, Qt::Key_Minus);
    QCOMPARE(bank.Level(iCW), 1);
    Tap(w, Qt::Key_Minus);
    QCOMPARE(bank.Level(iCW), 0);

    // "-" also stops a spindle started counter-clockwise, and neither
    // button says ON afterwards.
    w.ui->Btn_SpindleCCWOnOff->click();
    QCOMPARE(bank.Level(iCCW), 1);
    Tap(w, Qt::Key_Minus);
    QCOMPARE(bank.Level(iCCW), 0);
    QVERIFY(!AppConfig::m_bSpindleOn);
    QCOMPARE(w.ui->Btn_SpindleCCWOnOff->text(), QStringLiteral("Spindle\nCCW OFF"));
    QCOMPARE(w.ui->Btn_SpindleCCWOnOff->styleSheet(), BTN_BKGND_GRAY);
    QCOMPARE(w.ui->Btn_SpindleCWOnOff->text(), QStringLiteral("Spindle\nCW OFF"));
    QVERIFY(w.ui->Btn_SpindleCWOnOff->isEnabled() && w.ui->Btn_SpindleCCWOnOff->isEnabled());
}

void TestMainWindowCommands::saveSettings()
{
    MainWindow w;
    QFile::remove(CAppPaths::ConfigFile());
    w.ui->Btn_SaveSettings->click();
    QVERIFY(QFileInfo::exists(CAppPaths::ConfigFile()));
    QCOMPARE(w.ui->Btn_SaveSettings->styleSheet(), BTN_BKGND_GREEN);
    QVERIFY(QTest::qWaitFor([&]() { return w.ui->Btn_SaveSettings->styleSheet().contains("50, 150, 50"); }, 2000));

    // A settings file that cannot be written is reported, not shown as saved.
    QVERIFY(QFile::remove(CAppPaths::ConfigFile()));
    QVERIFY(QDir().mkpath(CAppPaths::ConfigFile()));
    w.ui->Btn_SaveSettings->click();
    QVERIFY(LogLines(w).first().startsWith(QStringLiteral("Settings not saved")));
    QCOMPARE(LogColour(w, 0), QColor(255, 150, 0));
}

void TestMainWindowCommands::enterTogglesEmergencyStop()
{
    auto& bank = CSimPinBank::Instance();
    MainWindow w;
    Tap(w, Qt::Key_Enter);
    QVERIFY(AppConfig::m_bEmergencyStopON);
    QVERIFY(w.m_BtnStop.IsPressed());
    Tap(w, Qt::Key_Enter);
    QVERIFY(!AppConfig::m_bEmergencyStopON);
    QVERIFY(!w.m_BtnStop.IsPressed());

    // With the input high, Enter cannot clear it.
    Tap(w, Qt::Key_Enter);
    bank.SetInput(AppConfig::m_iEStopInput, 1);
    Tap(w, Qt::Key_Enter);
    QVERIFY(AppConfig::m_bEmergencyStopON);
    QVERIFY(w.m_BtnStop.IsPressed());
    QCOMPARE(LogLines(w).first(), QStringLiteral("Emergency Stop input is High"));

    // Keys do nothing with keyboard control off.
    bank.SetInput(AppConfig::m_iEStopInput, 0);
    AppConfig::m_bKeyboardCtrlUsed = false;
    Tap(w, Qt::Key_Enter);
    QVERIFY(AppConfig::m_bEmergencyStopON);
}

void TestMainWindowCommands::feedAndSpindleKeys()
{
    AppConfig::m_bPWMCtrlUsed = true;
    MainWindow w;
    w.m_G01FeedSlider.setValue(145);
    Tap(w, Qt::Key_Asterisk);
    QCOMPARE(w.m_G01FeedSlider.GetValue(), short(150));
    QCOMPARE(AppConfig::m_fAxisFeedPercent[X_AXIS], 1.5);
    Tap(w, Qt::Key_Asterisk);
    QCOMPARE(w.m_G01FeedSlider.GetValue(), short(150));
    Tap(w, Qt::Key_Slash);
    QCOMPARE(w.m_G01FeedSlider.GetValue(), short(140));

    // Mode off (a click of 0): the spindle, over the slider's whole range.
    Click(w, Qt::Key_0);
    QVERIFY(!w.m_bNumLockOn);
    w.m_SpindleSlider.setValue(23);
    Tap(w, Qt::Key_Asterisk);
    QCOMPARE(w.m_SpindleSlider.GetValue(), short(24));
    QCOMPARE(AppConfig::m_stPwmSpndlSettings.m_nCurFreq, AppConfig::m_stPwmSpndlSettings.m_nMaxFreq);
    w.m_SpindleSlider.setValue(1);
    Tap(w, Qt::Key_Slash);
    QCOMPARE(w.m_SpindleSlider.GetValue(), short(1));

    // A running program that sets its own speeds keeps the spindle keys off.
    AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed = true;
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    Tap(w, Qt::Key_Asterisk);
    QCOMPARE(w.m_SpindleSlider.GetValue(), short(1));
    QCOMPARE(LogLines(w).first(), QStringLiteral("Spindle Speed Control not available"));
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
}

void TestMainWindowCommands::jogKeyHoldAndRelease()
{
    CPacedPins pacing;
    MainWindow w;
    AxisCtrl& x = w.m_AppCtrl.m_AxisCtrl[X_AXIS];
    Press(w, Qt::Key_4);
    QVERIFY(QTest::qWaitFor([&]() { return x.GetCurPos() < -0.1; }, 5000));
    QVERIFY(w.m_bKeyJogging);
    // Auto-repeats change nothing.
    Press(w, Qt::Key_4, true);
    Release(w, Qt::Key_4, true);
    QVERIFY(x.GetAxisState());
    QVERIFY(w.m_bKeyJogging);
    Release(w, Qt::Key_4);
    QVERIFY(!w.m_bKeyJogging);
    QVERIFY(QTest::qWaitFor([&]() { return !x.GetAxisState(); }, 10000));
    const double fStopped = x.GetCurPos();
    QTest::qWait(50);
    QCOMPARE(x.GetCurPos(), fStopped);
}

void TestMainWindowCommands::jogStopsWhileReleasesIgnored()
{
    CPacedPins pacing;
    MainWindow w;
    AxisCtrl& z = w.m_AppCtrl.m_AxisCtrl[Z_AXIS];
    Press(w, Qt::Key_9);
    QVERIFY(QTest::qWaitFor([&]() { return z.GetAxisState(); }, 5000));
    // A dialog takes the keyboard meanwhile: other releases are its own...
    w.SetIgnoreKeyRelease(true);
    Release(w, Qt::Key_A);
    QVERIFY(w.m_bKeyJogging);
    // ...but the jog key's release still stops the jog.
    Release(w, Qt::Key_9);
    QVERIFY(!w.m_bKeyJogging);
    QVERIFY(QTest::qWaitFor([&]() { return !z.GetAxisState(); }, 10000));

    // A click of 0 while releases are ignored does not switch the mode.
    Click(w, Qt::Key_0);
    QVERIFY(w.m_bNumLockOn);
}

void TestMainWindowCommands::numLockOffIsSaid()
{
    const QString strOff = QStringLiteral("Keyboard pendant: Num Lock is off; switch it on to jog from the keypad");
    auto Count = [&](MainWindow& w) { return LogLines(w).count(strOff); };
    // Keypad keys with Num Lock off arrive as navigation keys: nothing
    // moves, and the log says why, once.
    MainWindow w;
    Tap(w, Qt::Key_Left);
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 0.0);
    QVERIFY(!w.m_bKeyJogging);
    QCOMPARE(Count(w), 1);
    QCOMPARE(w.ui->LV_Log->item(0)->foreground().color(), QColor(255, 255, 255));
    Tap(w, Qt::Key_Home);
    Tap(w, Qt::Key_Clear);
    QCOMPARE(Count(w), 1);
    // The arrows of the main keyboard are no keypad keys.
    {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
        MainWindow w2;
        QCoreApplication::sendEvent(&w2, &press);
        QCOMPARE(Count(w2), 0);
    }
    // Switched on, the keypad's digits come: switched off again, said again.
    Tap(w, Qt::Key_Asterisk); // unchanged by Num Lock: says nothing
    Tap(w, Qt::Key_Down);
    QCOMPARE(Count(w), 1);
    Tap(w, Qt::Key_Period);
    Tap(w, Qt::Key_Down);
    QCOMPARE(Count(w), 2);
    // Keyboard control off: the pendant says nothing at all.
    AppConfig::m_bKeyboardCtrlUsed = false;
    Tap(w, Qt::Key_8);
    Tap(w, Qt::Key_Up);
    QCOMPARE(Count(w), 2);
}

void TestMainWindowCommands::keysBehindADialog()
{
    MainWindow w;
    // A modal dialog is open (a question, a keypad): the grabbed keys typed
    // into it neither move the machine nor change the feed...
    QDialog dlg(&w);
    dlg.setWindowModality(Qt::ApplicationModal);
    dlg.show();
    QVERIFY(QApplication::activeModalWidget());
    Press(w, Qt::Key_4);
    Release(w, Qt::Key_4);
    Tap(w, Qt::Key_Asterisk);
    Click(w, Qt::Key_0);
    QVERIFY(!w.m_bKeyJogging);
    QVERIFY(!w.m_AppCtrl.m_AxisCtrl[X_AXIS].GetAxisState());
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 0.0);
    QCOMPARE(w.m_G01FeedSlider.GetValue(), short(100));
    QVERIFY(w.m_bNumLockOn);
    // ...but Enter is still the emergency stop.
    Tap(w, Qt::Key_Enter);
    QVERIFY(AppConfig::m_bEmergencyStopON);
    Tap(w, Qt::Key_Enter);
    QVERIFY(!AppConfig::m_bEmergencyStopON);

    // Closed, the pendant works again.
    dlg.close();
    QVERIFY(!QApplication::activeModalWidget());
    Tap(w, Qt::Key_Asterisk);
    QCOMPARE(w.m_G01FeedSlider.GetValue(), short(110));
}

void TestMainWindowCommands::fileDialogTakesTheKeys()
{
    CPacedPins pacing;
    MainWindow w;
    QCOMPARE(QWidget::keyboardGrabber(), &w);
    AxisCtrl& x = w.m_AppCtrl.m_AxisCtrl[X_AXIS];
    Press(w, Qt::Key_4);
    QVERIFY(QTest::qWaitFor([&]() { return x.GetAxisState(); }, 5000));

    // A file dialog opens (Save Log, Save as, ...) while X jogs: the pendant
    // lets the keyboard go, and the jog ends, since the 4's release will
    // reach the dialog.
    QFileDialog dlg(&w);
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDirectory(m_pSetup->m_Folder.Root());
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    QVERIFY(!w.m_bKeyJogging);
    QVERIFY(QTest::qWaitFor([&]() { return !x.GetAxisState(); }, 10000));

    // Typed keys make the name; none of them moves the machine.
    auto* pName = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    pName->setFocus();
    pName->clear();
    const double fStopped = x.GetCurPos();
    for (Qt::Key key : {Qt::Key_K, Qt::Key_E, Qt::Key_E, Qt::Key_P, Qt::Key_4, Qt::Key_Asterisk})
        QTest::keyClick(dlg.windowHandle(), key);
    QCOMPARE(pName->text(), QStringLiteral("keep4*"));
    QCOMPARE(x.GetCurPos(), fStopped);
    QCOMPARE(w.m_G01FeedSlider.GetValue(), short(100));

    // The keypad Enter is still the emergency stop.
    QTest::keyClick(dlg.windowHandle(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(AppConfig::m_bEmergencyStopON);
    QVERIFY(dlg.isVisible());
    // Its release reached the pendant too: Enter is up again.
    QVERIFY(QTest::qWaitFor([&w]() { return !w.m_KeyHold.ReleaseWaiting(); }, 5000));
    QVERIFY(!w.m_KeyHold.IsDown(Qt::Key_Enter));

    // Closed: the pendant has the keyboard again.
    dlg.reject();
    QCOMPARE(QWidget::keyboardGrabber(), &w);
    Press(w, Qt::Key_Enter);
    QVERIFY(!AppConfig::m_bEmergencyStopON);
}

void TestMainWindowCommands::stepKeysAndStepSize()
{
    MainWindow w;
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = 0.003;
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.004;
    AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.005;
    Click(w, Qt::Key_0); // mode off
    Click(w, Qt::Key_1);
    QVERIFY(qAbs(w.m_fKeyJogStep - 0.012) < 1e-9);
    Click(w, Qt::Key_7);
    QVERIFY(qAbs(w.m_fKeyJogStep - 0.102) < 1e-9);

    // A release between 300 ms and 1 s is neither a click nor a long press.
    Hold(w, Qt::Key_5, 600);
    QVERIFY(qAbs(w.m_fKeyJogStep - 0.102) < 1e-9);

    // No step can come from a travel per pulse of nothing.
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.0;
    Click(w, Qt::Key_5);
    QVERIFY(qAbs(w.m_fKeyJogStep - 0.102) < 1e-9);
    QVERIFY(LogLines(w).first().startsWith(QStringLiteral("Step size not set")));
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.004;

    // One step of the chosen size.
    w.m_fKeyJogStep = 0.5;
    Press(w, Qt::Key_8);
    Release(w, Qt::Key_8);
    QVERIFY(QTest::qWaitFor([&]() { return !w.m_AppCtrl.m_AxisCtrl[Y_AXIS].GetAxisState(); }, 5000));
    QCOMPARE(w.m_AppCtrl.GetCurPos(Y_AXIS), 0.5);
}

void TestMainWindowCommands::longPresses()
{
    MainWindow w;
    auto Place = [&w]() {
        for (int i = 0; i < 3; ++i)
            w.m_AppCtrl.m_AxisCtrl[i].SetCurPos(10.0 + i);
    };
    Place();
    Hold(w, Qt::Key_7, 1200); // X and Y only
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 0.0);
    QCOMPARE(w.m_AppCtrl.GetCurPos(Y_AXIS), 0.0);
    QCOMPARE(w.m_AppCtrl.GetCurPos(Z_AXIS), 12.0);
    QCOMPARE(w.m_iPendingKey, -1);

    Place();
    Hold(w, Qt::Key_5, 999); // not long enough
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 10.0);
    Hold(w, Qt::Key_1, 1000);
    QCOMPARE(w.m_AppCtrl.GetCurPos(Z_AXIS), 0.0);
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 10.0);
    Hold(w, Qt::Key_5, 1200);
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 0.0);
    // A long press is not also a click: the mode stays. Holding 0 starts
    // the machine homing without its question.
    AppConfig::m_bHomeSensorsUsed = true;
    Hold(w, Qt::Key_0, 1200);
    QVERIFY(w.m_bNumLockOn);
    QVERIFY(m_pPrompter->Texts(QStringLiteral("Question")).isEmpty());
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), int(AppControl::RUN_MCH_HOMING));
    QVERIFY(LogLines(w).contains(QStringLiteral("Moving to Machine Home")));
    w.m_AppCtrl.StopAll();
    QVERIFY(WaitThreadEnd(w.m_AppCtrl));
    w.OnOperationFinish();
}

// A held key is one hold, whether the keyboard's repeats carry Qt's
// auto-repeat flag or not: 5 held for 1.8 s in pendant mode sets the work
// zero (and moves nothing), a held jog key jogs on without a stop.
void TestMainWindowCommands::heldKeysWithRepeats_data()
{
    QTest::addColumn<int>("flags"); // 0 none, 1 all, 2 every other repeat
    QTest::newRow("repeats with the flag") << 1;
    QTest::newRow("repeats without the flag") << 0;
    QTest::newRow("flagged and unflagged") << 2;
}

void TestMainWindowCommands::heldKeysWithRepeats()
{
    QFETCH(int, flags);
    auto Flag = [flags](int i) { return flags == 1 || (flags == 2 && i % 2 == 0); };
    MainWindow w;
    CStepCounter steps;
    for (int i = 0; i < 3; ++i)
        w.m_AppCtrl.m_AxisCtrl[i].SetCurPos(10.0 + i);
    w.ClearLog();
    // The X server repeats a key every 40 ms after 500 ms.
    Press(w, Qt::Key_5);
    CClock::AdvanceNs(500 * 1000000LL);
    for (int i = 0; i < 33; ++i) {
        Repeat(w, Qt::Key_5, Flag(i));
        w.OnTimer();
        CClock::AdvanceNs(40 * 1000000LL);
    }
    Release(w, Qt::Key_5);
    w.OnTimer();
    for (int i = 0; i < 3; ++i)
        QCOMPARE(w.m_AppCtrl.GetCurPos(static_cast<eAxis>(i)), 0.0);
    QCOMPARE(steps.Pulses(X_AXIS) + steps.Pulses(Y_AXIS) + steps.Pulses(Z_AXIS), 0u);
    QCOMPARE(LogLines(w).count(QStringLiteral("Work Zero is set")), 1);

    // A jog key held with repeats: the jog runs on, never stopped between.
    CPacedPins pacing;
    AxisCtrl& x = w.m_AppCtrl.m_AxisCtrl[X_AXIS];
    Press(w, Qt::Key_6);
    QVERIFY(QTest::qWaitFor([&]() { return x.GetCurPos() > 0.1; }, 5000));
    for (int i = 0; i < 20; ++i) {
        Repeat(w, Qt::Key_6, Flag(i));
        QTest::qWait(2);
        QVERIFY(w.m_bKeyJogging);
        QVERIFY(x.GetAxisState());
    }
    Release(w, Qt::Key_6);
    QVERIFY(!w.m_bKeyJogging);
    QVERIFY(QTest::qWaitFor([&]() { return !x.GetAxisState(); }, 10000));
}

void TestMainWindowCommands::keysWhileBusy()
{
    MainWindow w;
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    w.ClearLog();
    Tap(w, Qt::Key_Period);
    QVERIFY(w.m_BtnStart.IsPressed());
    Tap(w, Qt::Key_4);
    QCOMPARE(LogLines(w), QStringList{"Axis in use"});
    QVERIFY(!w.m_AppCtrl.m_AxisCtrl[X_AXIS].GetAxisState());
    Tap(w, Qt::Key_0);
    QVERIFY(!w.m_bNumLockOn);
    Tap(w, Qt::Key_Plus);
    QCOMPARE(LogLines(w).first(), QStringLiteral("Axis in use"));
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
}

void TestMainWindowCommands::usbLoad()
{
    MainWindow w;
    const QString strMount = CAppPaths::UsbMountFolder();
    w.on_Btn_JobSettings_clicked();
    Tap(w, Qt::Key_Plus);
    QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(&w.m_DlgGCode));
    QCOMPARE(LogLines(w).mid(0, 2), (QStringList{"No USB drive detected!", "Loading G-Code from USB"}));

    QVERIFY(QDir().mkpath(strMount + QStringLiteral("/STICK")));
    Tap(w, Qt::Key_Plus);
    QCOMPARE(LogLines(w).first(), QStringLiteral("No G-Code files found"));

    const QString strFile = strMount + QStringLiteral("/STICK/part.ncc");
    WriteRaw(strFile, "G01 X1\nG01 Y1\n");
    // A program with unsaved edits in the window: the operator is asked
    // first, and the USB program replaces it instead of being appended.
    w.m_DlgGCode.findChild<QLineEdit*>(QStringLiteral("LE_GCodeCmnds"))->setText(QStringLiteral("G00 Z5"));
    w.m_DlgGCode.findChild<QPushButton*>(QStringLiteral("Btn_InsertNewGCodeLine"))->click();
    QVERIFY(w.m_DlgGCode.IsModified());
    m_pPrompter->m_lstAnswers << QMessageBox::No; // do not save
    Press(w, Qt::Key_Plus);
    QCOMPARE(m_pPrompter->Texts(QStringLiteral("Question")), QStringList{"Save current G-Code?"});
    QCOMPARE(LogLines(w).first(), QStringLiteral("G-Code loaded:") + strFile);
    Release(w, Qt::Key_Plus);
    QTRY_VERIFY(LogLines(w).contains(QStringLiteral("G-Code Compilation Completed")));
    QCOMPARE(CGCodeProgram::m_lstOfGCodeLines.size(), size_t(2));
    QCOMPARE(CGCodeProgram::m_lstOfGCodeLines[0], QStringLiteral("G01 X1"));

    // A program too large for the free memory: refused with its size, and
    // the program shown stays.
    QVERIFY(QFile::remove(strFile));
    const QString strBig = strMount + QStringLiteral("/STICK/big.ncc");
    WriteRaw(strBig, QByteArray(3000, '\n'));
    {
        const CFreeMemoryFigure free(CFreeMemoryFigure::ForAtMost(2000));
        Press(w, Qt::Key_Plus);
    }
    QCOMPARE(LogLines(w).first(), QStringLiteral("G-Code file too large for the free memory: ") + strBig +
                                      QStringLiteral(" is 3.0 kB, this machine can load at most 2.0 kB now"));
    QCOMPARE(CGCodeProgram::m_lstOfGCodeLines.size(), size_t(2));
    QCOMPARE(CGCodeProgram::m_lstOfGCodeLines[0], QStringLiteral("G01 X1"));
}

QTEST_MAIN(TestMainWindowCommands)
#include "tst_mainwindowcommands.moc"
