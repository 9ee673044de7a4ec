// MainWindow: the machine command buttons on the right of the window and the
// keyboard pendant (the rest of the class is in mainwindow.cpp).
#include "app/mainwindow.h"

#include "ui_mainwindow.h"

#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/Prompter.h"
#include "machine/kivgpio.h"
#include "app/pendantkeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

namespace {
const QString HOMING_NOT_DONE = QStringLiteral("Homing not done!\nUse \"Move Home\" in user Settings");
// Save Settings returns to its own green look.
const QString SAVE_SETTINGS_STYLE = QStringLiteral(
    "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, stop:0 rgba(255, "
    "255, 255, 255), stop:1 rgba(50, 150, 50, 255));border-style: solid;border-width: 2px;border-color: black;");

// The button returns to grey 150 ms later.
void Restore(QPushButton* pBtn) { CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY); }

// The machine clock in milliseconds (the pendant's press and release times).
qint64 KeyClockMs(qint64 iNs = CClock::NowNs()) { return iNs / 1000000; }
} // namespace

// ===========================================================================
// Machine commands
// ===========================================================================

bool MainWindow::MachineBusy()
{
    return m_AppCtrl.IsBusy();
}

bool MainWindow::HomingMissing()
{
    if (AppConfig::m_bHomeSensorsUsed && !m_AppCtrl.m_AxisCtrl[X_AXIS].IsAxisHomeSet()) {
        AddLogMsg(HOMING_NOT_DONE, MSG_ERROR);
        return true;
    }
    return false;
}

bool MainWindow::MayStartOperation()
{
    if (IsEmergencyStopOn())
        return false;
    if (MachineBusy()) {
        AddLogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
        return false;
    }
    return !HomingMissing();
}

void MainWindow::on_Btn_SetWorkZero_clicked()
{
    QPushButton* pBtn = ui->Btn_SetWorkZero;
    if (HomingMissing())
        return;
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    if (MachineBusy()) {
        AddLogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
        return;
    }
    if (CPrompter::Instance().Question(this, QMessageBox::Warning, QStringLiteral("Warning"),
                                       QStringLiteral("Set Work Zero?"),
                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes)
        m_AppCtrl.SetWorkZero();
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    ClearToolGraphics();
}

void MainWindow::on_Btn_MoveWorkZero_clicked()
{
    if (m_AppCtrl.m_iRunMode == AppControl::RUN_WORK_ZERO)
        return;
    QPushButton* pBtn = ui->Btn_MoveWorkZero;
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    bool bStarted = false;
    if (MayStartOperation()) {
        // The pendant's key 5 asks for it on purpose: no question then.
        const bool bAsk = m_iPendingKey != Qt::Key_5;
        if (!bAsk
            || CPrompter::Instance().Question(this, QMessageBox::Information, QStringLiteral("Information"),
                                              QStringLiteral("Move all axis to work home?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                   == QMessageBox::Yes)
            bStarted = m_AppCtrl.StartWorkHomingSequence();
    }
    // Once started, the end of the operation gives the button back.
    if (!bStarted)
        Restore(pBtn);
}

void MainWindow::MoveAxisToWorkZero(QPushButton* pBtn, eAxis axis)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    if (!IsEmergencyStopOn()) {
        if (m_AppCtrl.m_iRunMode != AppControl::RUN_IDLE || m_AppCtrl.m_AxisCtrl[axis].GetAxisState()) {
            AddLogMsg(QStringLiteral("Axis in use"), MSG_ERROR);
        } else {
            m_AppCtrl.m_AxisCtrl[axis].SetVelocityAcc(AppConfig::m_fAxisFeed[axis], AppConfig::m_fAxisAcc[axis]);
            m_AppCtrl.MoveWorkZero(axis, false);
        }
    }
    Restore(pBtn);
}

void MainWindow::on_Btn_MoveWorkHome_X_clicked() { MoveAxisToWorkZero(ui->Btn_MoveWorkHome_X, X_AXIS); }
void MainWindow::on_Btn_MoveWorkHome_Y_clicked() { MoveAxisToWorkZero(ui->Btn_MoveWorkHome_Y, Y_AXIS); }
void MainWindow::on_Btn_MoveWorkHome_Z_clicked() { MoveAxisToWorkZero(ui->Btn_MoveWorkHome_Z, Z_AXIS); }
void MainWindow::on_Btn_MoveWorkHome_A_clicked() { MoveAxisToWorkZero(ui->Btn_MoveWorkHome_A, A_AXIS); }
void MainWindow::on_Btn_MoveWorkHome_B_clicked() { MoveAxisToWorkZero(ui->Btn_MoveWorkHome_B, B_AXIS); }

void MainWindow::on_Btn_MoveZSafePos_clicked()
{
    QPushButton* pBtn = ui->Btn_MoveZSafePos;
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    if (!IsEmergencyStopOn()) {
        if (MachineBusy())
            AddLogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
        else
            m_AppCtrl.MoveZSafePos();
    }
    Restore(pBtn);
}

void MainWindow::on_Btn_SetZ0WithZProbe_clicked()
{
    QPushButton* pBtn = ui->Btn_SetZ0WithZProbe;
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    const bool bStarted = MayStartOperation() && m_AppCtrl.StartZ0usingZProbeSeq();
    if (!bStarted)
        Restore(pBtn);
}

void MainWindow::on_Btn_SaveSettings_clicked()
{
    QPushButton* pBtn = ui->Btn_SaveSettings;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    if (AppConfig::SaveConfig(CAppPaths::ConfigFile()))
        AddLogMsg(QStringLiteral("Settings saved"), MSG_INFO);
    else
        AddLogMsg(QStringLiteral("Settings not saved: ") + AppConfig::GetErrorMsg(), MSG_ERROR);
    ResetBtnBkGnd(pBtn, SAVE_SETTINGS_STYLE);
}

void MainWindow::on_Btn_SimulationMode_clicked()
{
    if (HomingMissing())
        return;
    // Switching in the middle of a job would mix simulated and real moves.
    if (m_AppCtrl.IsOperationRunning() || !m_AppCtrl.IsMachineIdle()) {
        AddLogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
        return;
    }
    const bool bOn = !AppConfig::m_bSimulationMode;
    AppConfig::m_bSimulationMode = bOn;
    double* const pSaved[AXIS_COUNT] = {&m_PosBeforeSimulation.x, &m_PosBeforeSimulation.y, &m_PosBeforeSimulation.z,
                                        &m_PosBeforeSimulation.a, &m_PosBeforeSimulation.b};
    // Every axis in use comes back to where it stood before the simulation.
    for (int i = 0; i < AppConfig::AxesInUse(); ++i) {
        if (bOn)
            *pSaved[i] = m_AppCtrl.GetCurPos(static_cast<eAxis>(i));
        else
            m_AppCtrl.m_AxisCtrl[i].SetCurPos(*pSaved[i]);
    }
    ui->Btn_SimulationMode->setStyleSheet(bOn ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
}

void MainWindow::SwitchSpindle(eDirection eDir)
{
    const bool bCW = eDir == DIR_CW;
    QPushButton* pBtn = bCW ? ui->Btn_SpindleCWOnOff : ui->Btn_SpindleCCWOnOff;
    if (!bCW)
        pBtn->setStyleSheet(BTN_BKGND_BLUE);
    const bool bOn = !AppConfig::m_bSpindleOn;
    // Never start the spindle while the emergency stop is on.
    if (bOn && IsEmergencyStopOn()) {
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
        return;
    }
    m_AppCtrl.TurnOnOffSpindle(bOn, eDir);
    if (bOn) {
        SetSpindleLook(bCW ? SPINDLE_ON_CW : SPINDLE_ON_CCW);
        if (AppConfig::m_bPWMCtrlUsed)
            OnSpindleSpeedChange(m_SpindleSlider.GetValue());
    } else {
        // Both outputs are off, whichever button started the spindle (the
        // pendant's "-" stops one started counter-clockwise too).
        SetSpindleLook(SPINDLE_OFF);
    }
}

void MainWindow::on_Btn_SpindleCWOnOff_clicked() { SwitchSpindle(DIR_CW); }
void MainWindow::on_Btn_SpindleCCWOnOff_clicked() { SwitchSpindle(DIR_CCW); }

// ===========================================================================
// Keyboard pendant
// ===========================================================================

void MainWindow::keyPressEvent(QKeyEvent* e)
{
    if (!AppConfig::m_bKeyboardCtrlUsed) {
        m_KeyHold.Clear();
        return;
    }
    NoteNumLock(e->key(), e->modifiers());
    for (const CKeyHoldTracker::stChange& change : m_KeyHold.Press(e->key(), e->isAutoRepeat(), KeyClockMs()))
        KeyChanged(change);
}

void MainWindow::keyReleaseEvent(QKeyEvent* e)
{
    if (!AppConfig::m_bKeyboardCtrlUsed) {
        m_KeyHold.Clear();
        return;
    }
    // Not acted on yet: a press of the same key straight after it makes it
    // a repeat of a key still held, whatever Qt's auto-repeat flag says.
    if (m_KeyHold.Release(e->key(), e->isAutoRepeat(), KeyClockMs()))
        m_pKeyReleaseTimer->start();
}

void MainWindow::NoteNumLock(int iKey, Qt::KeyboardModifiers eModifiers)
{
    // The pendant reads the keypad's digits only: with Num Lock off its keys
    // come as arrows and the like and do nothing, which looks like a broken
    // pendant. Said once, and again only after Num Lock was seen on.
    switch (CPendantKeys::NumLockFrom(iKey, eModifiers)) {
    case CPendantKeys::NUM_LOCK_OFF:
        if (!m_bNumLockOffNoted)
            AddLogMsg(QStringLiteral("Keyboard pendant: Num Lock is off; switch it on to jog from the keypad"),
                      MSG_WARNING);
        m_bNumLockOffNoted = true;
        break;
    case CPendantKeys::NUM_LOCK_ON:
        m_bNumLockOffNoted = false;
        break;
    case CPendantKeys::NUM_LOCK_UNKNOWN:
        break;
    }
}

void MainWindow::DropHeldPendantKeys()
{
    // As if every held key had been let go now, a jog key too; a long press
    // that had not yet acted is dropped, not taken for a click.
    m_iPendingKey = -1;
    m_pKeyReleaseTimer->stop();
    for (const CKeyHoldTracker::stChange& change : m_KeyHold.LetGo(KeyClockMs()))
        KeyChanged(change);
}

void MainWindow::SettleKeyReleases()
{
    for (const CKeyHoldTracker::stChange& change : m_KeyHold.Settle())
        KeyChanged(change);
}

void MainWindow::KeyChanged(const CKeyHoldTracker::stChange& change)
{
    if (change.m_eChange == CKeyHoldTracker::KEY_DOWN)
        PendantKeyDown(change.m_iKey);
    else
        PendantKeyUp(change.m_iKey, change.m_iTimeMs);
}

void MainWindow::PendantKeyDown(int iKey)
{
    // The window holds the keyboard grab, so keys typed while a question,
    // a keypad or a file dialog is open come here too, and so do keys typed
    // into a panel of a designer that do not belong to it: they must not jog
    // the machine or change its settings behind the dialog. Enter, the
    // emergency stop, always acts.
    if (DialogOnTop() && iKey != Qt::Key_Enter)
        return;
    const bool bBusy = m_AppCtrl.m_iRunMode != AppControl::RUN_IDLE;
    const CPendantKeys::stAction action = CPendantKeys::PressAction(iKey, m_bNumLockOn, bBusy, m_AppCtrl.m_iRunMode);
    switch (action.m_eKind) {
    case CPendantKeys::KEY_IGNORED:
        break;
    case CPendantKeys::KEY_AXIS_IN_USE:
        AddLogMsg(QStringLiteral("Axis in use"), MSG_ERROR);
        break;
    case CPendantKeys::KEY_ESTOP_TOGGLE:
        if (!AppConfig::m_bEmergencyStopON) {
            Btn_Stop_pressed();
            m_BtnStop.SetPressed();
        } else {
            // Stays on (and says why) while the input is high.
            Btn_Stop_released();
            if (!AppConfig::m_bEmergencyStopON)
                m_BtnStop.SetReleased();
        }
        break;
    case CPendantKeys::KEY_FEED: {
        const short nValue = short(CPendantKeys::NextFeed(m_G01FeedSlider.GetValue(), action.m_iDir));
        OnG01FeedChange(nValue);
        m_G01FeedSlider.setValue(nValue);
        break;
    }
    case CPendantKeys::KEY_SPINDLE:
        if (AppConfig::m_bPWMCtrlUsed && (!bBusy || !AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed)) {
            const short nValue = short(CPendantKeys::NextSpindle(m_SpindleSlider.GetValue(), action.m_iDir));
            OnSpindleSpeedChange(nValue);
            m_SpindleSlider.setValue(nValue);
        } else {
            AddLogMsg(QStringLiteral("Spindle Speed Control not available"), MSG_ERROR);
        }
        break;
    case CPendantKeys::KEY_SPINDLE_CW:
        on_Btn_SpindleCWOnOff_clicked();
        break;
    case CPendantKeys::KEY_USB_LOAD:
        on_Btn_GCode_clicked();
        AddLogMsg(QStringLiteral("Loading G-Code from USB"), MSG_INFO);
        LoadGCodeFromUSBOnKeyPress();
        break;
    case CPendantKeys::KEY_SHOW_PROGRAM:
        on_Btn_GCode_clicked();
        m_BtnStart.SetPressed();
        break;
    case CPendantKeys::KEY_START_SHOWN:
        m_BtnStart.SetPressed();
        break;
    case CPendantKeys::KEY_JOG: {
        AxisCtrl& axis = m_AppCtrl.m_AxisCtrl[action.m_eAxis];
        if (IsEmergencyStopOn() || axis.GetAxisState())
            break;
        axis.SetVelocityAcc(AppConfig::m_fAxisJogFeed[action.m_eAxis], AppConfig::m_fAxisAcc[action.m_eAxis]);
        if (action.m_iDir < 0)
            m_AppCtrl.JogNeg(action.m_eAxis);
        else
            m_AppCtrl.JogPos(action.m_eAxis);
        m_bKeyJogging = true;
        m_iJogKey = iKey;
        break;
    }
    case CPendantKeys::KEY_STEP:
        if (!IsEmergencyStopOn())
            m_AppCtrl.MoveRel(action.m_eAxis, action.m_iDir * m_fKeyJogStep);
        break;
    case CPendantKeys::KEY_PENDING:
        m_KeyPressTimer.start();
        m_iPendingKey = iKey;
        break;
    case CPendantKeys::KEY_TOGGLE_MODE:
        m_bNumLockOn = !m_bNumLockOn;
        break;
    }
}

void MainWindow::PendantKeyUp(int iKey, qint64 iReleaseMs)
{
    // While a dialog has the keyboard, releases are its own, except the
    // release of the key that started a jog: the jog must always stop.
    if (m_bIgnoreKeyRelease && !(m_bKeyJogging && iKey == m_iJogKey))
        return;

    if (m_bKeyJogging) {
        m_bKeyJogging = false;
        m_iJogKey = 0;
        m_AppCtrl.DeccelerateAxis(X_AXIS);
        m_AppCtrl.DeccelerateAxis(Y_AXIS);
        m_AppCtrl.DeccelerateAxis(Z_AXIS);
    }

    if (iKey == m_iPendingKey) {
        // Timed from press to release, however long the release waited to
        // be told from a repeat.
        const qint64 iHeldMs = iReleaseMs - KeyClockMs(m_KeyPressTimer.startNs());
        if (iHeldMs < CPendantKeys::CLICK_MS)
            KeyClicked(iKey);
        else if (iHeldMs >= CPendantKeys::LONG_PRESS_MS)
            KeyLongPressed(); // released before a poll tick saw the long press
    }
    m_iPendingKey = -1;
}

void MainWindow::KeyLongPressed()
{
    switch (m_iPendingKey) {
    case Qt::Key_0:
        // Runs while the pending key still says 0: no question asked.
        m_DlgUserSettings->on_Btn_AutoHomeSequence_clicked();
        break;
    case Qt::Key_1:
        m_AppCtrl.SetWorkZero(Z_AXIS);
        break;
    case Qt::Key_5:
        m_AppCtrl.SetWorkZero();
        break;
    case Qt::Key_7:
        m_AppCtrl.SetWorkZero(X_AXIS);
        m_AppCtrl.SetWorkZero(Y_AXIS);
        break;
    default:
        break;
    }
    m_iPendingKey = -1;
}

void MainWindow::KeyClicked(int iKey)
{
    if (iKey == Qt::Key_0) {
        m_bNumLockOn = !m_bNumLockOn;
        return;
    }
    if (m_bNumLockOn) {
        switch (iKey) {
        case Qt::Key_1:
            if (!IsEmergencyStopOn())
                m_AppCtrl.MoveWorkZero(Z_AXIS, false);
            break;
        case Qt::Key_5:
            // m_iPendingKey still holds 5: the move starts without its question.
            on_Btn_MoveWorkZero_clicked();
            break;
        case Qt::Key_7:
            if (!IsEmergencyStopOn()) {
                m_AppCtrl.MoveWorkZero(X_AXIS, false);
                m_AppCtrl.MoveWorkZero(Y_AXIS, false);
            }
            break;
        default:
            break;
        }
        return;
    }
    // Mode off: the step is a whole number of pulses of the finest axis.
    double fFinest = AppConfig::m_fAxisMovPerPulse[X_AXIS];
    for (int i = Y_AXIS; i <= Z_AXIS; ++i)
        fFinest = qMin(fFinest, AppConfig::m_fAxisMovPerPulse[i]);
    double fStep = 0.0;
    if (!CPendantKeys::StepSize(fFinest, CPendantKeys::StepTarget(iKey), fStep)) {
        AddLogMsg(QStringLiteral("Step size not set: the travel per pulse must be greater than zero"), MSG_ERROR);
        return;
    }
    m_fKeyJogStep = fStep;
}

void MainWindow::LoadGCodeFromUSBOnKeyPress()
{
    QString strPath;
    switch (CPendantKeys::FindUsbProgram(CAppPaths::UsbMountFolder(), strPath)) {
    case CPendantKeys::USB_NO_DRIVE:
        AddLogMsg(QStringLiteral("No USB drive detected!"), MSG_ERROR);
        return;
    case CPendantKeys::USB_NO_PROGRAM:
        AddLogMsg(QStringLiteral("No G-Code files found"), MSG_ERROR);
        return;
    case CPendantKeys::USB_FOUND:
        break;
    }
    // In place of the program shown, as Open does (unsaved edits are offered
    // for saving first); checked once it is loaded.
    if (!m_DlgGCode.OpenAndCheck(strPath))
        return;
    AddLogMsg(QStringLiteral("G-Code loaded:") + strPath, MSG_INFO);
}
