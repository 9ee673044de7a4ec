// AppControl: the operation frame and its thread, the message queues, and
// the spindle, feed and velocity services.
#include "control/AppControl.h"

#include <QDate>
#include <QFile>
#include <QMutexLocker>
#include <QTextStream>
#include <QTime>

#include <exception>

#include "control/AppControlShared.h"
#include "control/IControlWindows.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/Launcher.h"
#include "hal/clock.h"
#include "machine/allaxisctrl.h"
#include "machine/kivgpio.h"
#include "machine/rpigpio.h"

using namespace appcontrol;

namespace {
// A move that does not finish within this time is given up.
constexpr qint64 MOTION_TIMEOUT_NS = 300LL * 1000000000LL;

void WriteStatusOutput(int iLevel)
{
    if (AppConfig::m_bSimulationMode || AppConfig::m_iPgmStatusOutput < 0)
        return;
    CRpiGpio::WriteOutput(static_cast<unsigned short>(AppConfig::m_iPgmStatusOutput),
                          static_cast<unsigned char>(iLevel));
}
}

AppControl::AppControl(QObject* parent)
    : QThread(parent)
{
    for (int i = 0; i < 5; ++i)
        m_AxisCtrl[i].m_iAxisIndex = static_cast<qint16>(i);
}

AppControl::~AppControl()
{
    // Never destroy a running thread: end the operation and wait for it.
    if (isRunning()) {
        StopAll();
        wait();
    }
}

// ===========================================================================
// Operation frame and thread
// ===========================================================================

int AppControl::AxesInUse() const
{
    return AppConfig::AxesInUse();
}

bool AppControl::InitMachine()
{
    for (int i = 0; i < AxesInUse(); ++i) {
        m_AxisCtrl[i].ConfigAxis();
        m_AxisCtrl[i].SetWorkZero();
    }
    if (AppConfig::m_bAutoHmOnStartup)
        StartMchHomingSequence();
    return true;
}

bool AppControl::IsMachineIdle()
{
    for (int i = 0; i < AxesInUse(); ++i) {
        if (m_AxisCtrl[i].GetAxisState())
            return false;
    }
    return true;
}

bool AppControl::CanStartOperation()
{
    // Coordinated moves never mark an axis as moving, so the axes alone do
    // not tell whether a job is running: the operation state is checked too.
    if (!IsMachineIdle() || IsOperationRunning()) {
        AddErrMsg(QStringLiteral("Axis in use"));
        return false;
    }
    return true;
}

void AppControl::AutoSpindleOn()
{
    if (AppConfig::m_bAutoSpindleOnCW)
        TurnOnOffSpindle(true, DIR_CW);
    else if (AppConfig::m_bAutoSpindleOnCCW)
        TurnOnOffSpindle(true, DIR_CCW);
}

void AppControl::CallWindows(void (IControlWindows::*call)())
{
    IControlWindows* pWindows = m_pWindows;
    if (!pWindows)
        return;
    // This object lives on the GUI thread: calls from the operation thread
    // are queued there.
    if (QThread::currentThread() == thread())
        (pWindows->*call)();
    else
        QMetaObject::invokeMethod(this, [pWindows, call]() { (pWindows->*call)(); }, Qt::QueuedConnection);
}

void AppControl::LaunchOperation(int iRunMode, bool bClearToolGraphics)
{
    m_bAbort = false;
    m_iRunMode = iRunMode;
    CallWindows(&IControlWindows::EnableDisableWindows);
    if (bClearToolGraphics)
        CallWindows(&IControlWindows::ClearToolGraphics);
    start();
}

void AppControl::StartJob(int iRunMode, bool bOneLine)
{
    // Every job says whether it is a single line: a flag left over from a
    // single line ended by the emergency stop must not turn the next job
    // into one line.
    m_bExecOneLine = bOneLine;
    m_iRunMode = iRunMode;
    // A single line switches the spindle in simulation mode too.
    if (bOneLine || !AppConfig::m_bSimulationMode)
        AutoSpindleOn();
    LaunchOperation(iRunMode, true);
}

void AppControl::StartShapeCutting(stShapeCuttingInfo* pInfo)
{
    if (!CanStartOperation())
        return;
    m_pShapeCuttingInfo = pInfo;
    StartJob(RUN_SHAPES, false);
}

void AppControl::StartImgCarving()
{
    if (!CanStartOperation())
        return;
    StartJob(RUN_IMG_CARVING, false);
}

void AppControl::StartGCode(GCodeCmdList* pProgram)
{
    if (!CanStartOperation())
        return;
    m_pGCodeLines = pProgram;
    StartJob(RUN_GCODE, false);
}

void AppControl::StartExecGCodeLine(GCodeCmdList* pProgram, uint uiLine)
{
    if (!CanStartOperation())
        return;
    m_pGCodeLines = pProgram;
    m_uiExecLineNo = uiLine;
    StartJob(RUN_GCODE, true);
}

void AppControl::run()
{
    WriteStatusOutput(1);
    const int iMode = m_iRunMode;
    bool bJobDone = false;
    bool bLineDone = false;
    m_bJobCompleted = false;
    try {
        switch (iMode) {
        case RUN_Z_PROBE:
            SetZ0usingZProbe();
            AfterOperationFinish();
            return;
        case RUN_Z_PROFILE:
            CreateZProfile();
            AfterOperationFinish();
            return;
        case RUN_MCH_HOMING:
            MoveMchHomeAll();
            AfterOperationFinish();
            return;
        default:
            break;
        }

        ResetAccVel();
        if (iMode == RUN_WORK_ZERO) {
            MoveWorkZeroAll();
            AfterOperationFinish();
            return;
        }
        if (iMode != RUN_SHAPES && !m_bExecOneLine) {
            if (!MoveWorkZeroAll()) {
                AfterOperationFinish();
                return;
            }
        }

        CAllAxisCtrl::StartAutoMode(this);
        switch (iMode) {
        case RUN_SHAPES:
            bJobDone = CutShapes();
            break;
        case RUN_GCODE:
            if (m_bExecOneLine) {
                m_bProgramEnded = false;
                // The axes may have been jogged, stopped short or moved by
                // another job since the last program: an axis the line does
                // not name stays where it is now, not where a program left it.
                GetAllAxisCurPos(m_LastPos);
                bLineDone = ExecGCodeLine(m_uiExecLineNo) || m_bProgramEnded;
            } else
                bJobDone = RunGCode();
            break;
        case RUN_IMG_CARVING:
            bJobDone = RunImgCarvingJob();
            break;
        default:
            break;
        }
    } catch (const std::exception& e) {
        AddErrMsg(QStringLiteral("Unknown error: ") + QString::fromLocal8Bit(e.what()));
        bJobDone = false;
    } catch (...) {
        AddErrMsg(QStringLiteral("Unknown error"));
        bJobDone = false;
        bLineDone = false;
    }
    // Told before the finished flag: a job that stopped short is never shown
    // as finished.
    m_bJobCompleted = (bJobDone || bLineDone) && !MustStop();
    AfterOperationFinish(bJobDone);
}

void AppControl::WaitForSegmentEnd()
{
    while (CAllAxisCtrl::GetMotionState() && !MustStop())
        QThread::yieldCurrentThread();
}

void AppControl::StopAutoModeAndWait()
{
    CAllAxisCtrl::StopAutoMode();
    while (CAllAxisCtrl::m_bAutoModeRunning)
        CClock::SleepUs(10);
}

void AppControl::AfterOperationFinish(bool bJobDone)
{
    // Under the emergency stop the main window's emergency handling takes
    // over: nothing here, not even the finished flag.
    if (EmergencyStop())
        return;
    WaitForSegmentEnd();
    StopAutoModeAndWait();

    // A job ends with the tool lifted clear of the work, unless the operator
    // stopped the machine.
    const int iMode = m_iRunMode;
    const bool bStopped = MustStop();
    if (!bStopped && (iMode == RUN_SHAPES || iMode == RUN_IMG_CARVING || iMode == RUN_Z_PROFILE))
        EngMoveAxisAbs(Z_AXIS, ZSafeTarget(), true);

    WriteStatusOutput(0);

    // Power off only after a job that ran to its end: never after homing,
    // probing, a move to work zero, a failure or an emergency stop. A run in
    // simulation never powers the machine off.
    if (AppConfig::m_bShutdownRPI && bJobDone && !bStopped && !AppConfig::m_bSimulationMode) {
        if (!CLauncher::Instance().StartDetached(QStringLiteral("sudo"),
                                                 {QStringLiteral("shutdown"), QStringLiteral("now")}))
            AddErrMsg(QStringLiteral("Unable to shut the computer down"));
    }

    m_bExecOneLine = false;
    m_bOperationFinished = true;
}

bool AppControl::WaitForMotionFinish(const qint8* pAxisFlags)
{
    const int iAxes = AxesInUse();
    bool bAny = false;
    for (int i = 0; i < iAxes; ++i)
        bAny = bAny || pAxisFlags[i];
    if (!bAny)
        return true;

    CStopWatch timer;
    timer.start();
    while (timer.nsecsElapsed() < MOTION_TIMEOUT_NS) {
        if (MustStop())
            return false;
        bool bMoving = false;
        for (int i = 0; i < iAxes && !bMoving; ++i)
            bMoving = pAxisFlags[i] && m_AxisCtrl[i].GetAxisState();
        if (!bMoving)
            return true;
        QThread::yieldCurrentThread();
    }

    for (int i = 0; i < iAxes; ++i) {
        if (pAxisFlags[i] && m_AxisCtrl[i].GetAxisState())
            AddErrMsg(QStringLiteral("Error:") + AppConfig::m_strAxisNames[i] + QStringLiteral(" Motion Timeout"));
    }
    // An axis that did not finish in time is not left running.
    StopAxes(pAxisFlags);
    return false;
}

void AppControl::StopAxes(const qint8* pAxisFlags)
{
    for (int i = 0; i < AxesInUse(); ++i) {
        if (pAxisFlags[i] && m_AxisCtrl[i].GetAxisState())
            m_AxisCtrl[i].Stop();
    }
}

void AppControl::AddErrMsg(const QString& strMsg)
{
    QMutexLocker lock(&m_MsgMutex);
    m_lstErrMsgs.append({++m_uiMsgSeq, strMsg});
}

void AppControl::AddInfoMsg(const QString& strMsg)
{
    QMutexLocker lock(&m_MsgMutex);
    m_lstInfoMsgs.append({++m_uiMsgSeq, strMsg});
}

QString AppControl::GetErrMsg()
{
    QMutexLocker lock(&m_MsgMutex);
    return m_lstErrMsgs.isEmpty() ? QString() : m_lstErrMsgs.takeFirst().m_strText;
}

QString AppControl::GetInfoMsg()
{
    QMutexLocker lock(&m_MsgMutex);
    return m_lstInfoMsgs.isEmpty() ? QString() : m_lstInfoMsgs.takeFirst().m_strText;
}

bool AppControl::GetNextMsg(QString& strMsg, eAppMsgType& eType)
{
    QMutexLocker lock(&m_MsgMutex);
    if (m_lstErrMsgs.isEmpty() && m_lstInfoMsgs.isEmpty())
        return false;
    const bool bError = m_lstInfoMsgs.isEmpty()
                        || (!m_lstErrMsgs.isEmpty() && m_lstErrMsgs.first().m_uiSeq < m_lstInfoMsgs.first().m_uiSeq);
    strMsg = (bError ? m_lstErrMsgs : m_lstInfoMsgs).takeFirst().m_strText;
    eType = bError ? MSG_ERROR : MSG_INFO;
    return true;
}

double AppControl::GetCurPos(eAxis axis)
{
    return m_AxisCtrl[axis].GetCurPos();
}

QString AppControl::GetAxisErrMsg(eAxis axis)
{
    return m_AxisCtrl[axis].GetErrorMsg();
}

void AppControl::ClearHome()
{
    for (int i = 0; i < AxesInUse(); ++i)
        m_AxisCtrl[i].ClearHome();
}

void AppControl::AutoHomingFinished()
{
    SetHomingFlags(false);
}

void AppControl::WriteLog(const QString& strText)
{
    QFile file(CAppPaths::HomeFolder() + QStringLiteral("/dir_adi_log/")
               + QDate::currentDate().toString(Qt::TextDate) + QStringLiteral(".txt"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    QTextStream out(&file);
    out << "[" << QTime::currentTime().toString(Qt::TextDate) << "]" << strText;
}

// ===========================================================================
// Spindle, feed and velocity services
// ===========================================================================

void AppControl::TurnOnOffSpindle(bool bOn, eDirection eDir)
{
    // The spindle outputs are those of M3 (clockwise) and M4.
    if (bOn) {
        WriteMCodeOutput(eDir == DIR_CW ? 3 : 4, true);
    } else {
        WriteMCodeOutput(3, false);
        WriteMCodeOutput(4, false);
    }
    AppConfig::m_bSpindleOn = bOn;
}

void AppControl::OutputsToSafeLevels()
{
    TurnOnOffSpindle(false, DIR_CW);
    CKIVGPIO::PwmStop();
    for (auto it = AppConfig::m_lstMCodesPin.cbegin(); it != AppConfig::m_lstMCodesPin.cend(); ++it)
        WriteMCodeOutput(int(it.key()), false);
    // Also in simulation mode: a level left high by an earlier run goes low.
    if (AppConfig::m_iPgmStatusOutput >= 0)
        CRpiGpio::WriteOutput(static_cast<unsigned short>(AppConfig::m_iPgmStatusOutput), 0);
}

void AppControl::ResetAccVel()
{
    SetAxesFeed(AppConfig::m_fAxisFeed);
}

void AppControl::SetAxisFeed(double fFeed)
{
    // F is per minute (inches per minute after G20); the run feed is mm/s.
    const double fUnit = AppConfig::m_eSelUnits == 1 ? 25.4 : 1.0;
    AppConfig::m_GCodeRunSettings.m_fFeed = fFeed * fUnit * 0.0166667;
}

void AppControl::SetSpindleSpeed(int iRpm)
{
    if (!AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed)
        return;
    auto& pwm = AppConfig::m_stPwmSpndlSettings;
    const quint16 nFreqSpan = static_cast<quint16>(pwm.m_nMaxFreq - pwm.m_nMinFreq);
    const quint16 nRpmSpan = static_cast<quint16>(pwm.m_nMaxRpm - pwm.m_nMinRpm);
    // Equal minimum and maximum speeds leave the frequency at its minimum.
    const double fRatio = nRpmSpan == 0 ? 0.0 : double(nFreqSpan) / double(nRpmSpan);
    const double fFreq = pwm.m_nMinFreq + (double(iRpm) - pwm.m_nMinRpm) * fRatio;
    quint16 nFreq = 0;
    if (fFreq >= 65535.0)
        nFreq = 65535;
    else if (fFreq > 0.0)
        nFreq = static_cast<quint16>(fFreq);
    pwm.m_nCurFreq = nFreq;
    // Let the spindle settle at its new speed.
    CClock::SleepUs(qint64(pwm.m_nSpindleDelay) * 1000);
}
