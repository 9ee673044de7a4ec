#include "control/AppControl.h"

#include <QDate>
#include <QtConcurrent/QtConcurrentRun>
#include <QFile>
#include <QMutexLocker>
#include <QTextStream>
#include <QTime>

#include <cmath>
#include <cstdlib>
#include <exception>
#include <limits>

#include "control/IControlWindows.h"
#include "control/gcodewriter.h"
#include "control/machinesink.h"
#include "control/shapecutting.h"
#include "control/zprofile.h"
#include "control/gcodewords.h"
#include "gcode/gcodeexecstatus.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/Launcher.h"
#include "core/UnitConverter.h"
#include "hal/clock.h"
#include "machine/allaxisctrl.h"
#include "machine/kivgpio.h"
#include "machine/rpigpio.h"

namespace {
// A move that does not finish within this time is given up.
constexpr qint64 MOTION_TIMEOUT_NS = 300LL * 1000000000LL;

double PosOf(const stFloatPoint& p, int iAxis)
{
    switch (iAxis) {
    case X_AXIS: return p.x;
    case Y_AXIS: return p.y;
    case Z_AXIS: return p.z;
    case A_AXIS: return p.a;
    default: return p.b;
    }
}

void SetPosOf(stFloatPoint& p, int iAxis, double fValue)
{
    switch (iAxis) {
    case X_AXIS: p.x = fValue; break;
    case Y_AXIS: p.y = fValue; break;
    case Z_AXIS: p.z = fValue; break;
    case A_AXIS: p.a = fValue; break;
    default: p.b = fValue; break;
    }
}

// One motor step of the axis in 1/10000 mm (never less than one unit).
qint64 StepOf(int iAxis)
{
    const qint64 iStep = CUnitConverter::GetLong(AppConfig::m_fAxisMovPerPulse[iAxis]);
    return iStep < 1 ? 1 : iStep;
}

// Distance from `from` to `to` on the internal length unit.
qint64 DistOf(const stFloatPoint& from, const stFloatPoint& to, int iAxis)
{
    return qint64(CUnitConverter::GetInt(PosOf(to, iAxis))) - qint64(CUnitConverter::GetInt(PosOf(from, iAxis)));
}

bool EmergencyStop()
{
    return AppConfig::m_bEmergencyStopON;
}

// Where every axis stands now, in work coordinates.
stFloatPoint AxesPos(const AxisCtrl* pAxes)
{
    stFloatPoint pos;
    for (int i = 0; i < 5; ++i)
        SetPosOf(pos, i, pAxes[i].GetCurPos());
    return pos;
}

void WriteStatusOutput(int iLevel)
{
    if (AppConfig::m_bSimulationMode || AppConfig::m_iPgmStatusOutput < 0)
        return;
    CRpiGpio::WriteOutput(static_cast<unsigned short>(AppConfig::m_iPgmStatusOutput),
                          static_cast<unsigned char>(iLevel));
}
}

std::atomic<bool> AppControl::m_bWritingGCodeExecStatusFile{false};

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
    return AppConfig::m_iMchType == 5 ? 5 : 3;
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

bool AppControl::RunImgCarvingJob()
{
    stImgCarvingInfo& info = *m_ImgCarvingData.m_pInfo;
    const bool bMultipass = AppConfig::m_bMultipassImgCarving;
    // Passes that step down by nothing would never reach the depth.
    if (bMultipass && CUnitConverter::GetLong(info.m_fZStep) <= 0) {
        AddErrMsg(QStringLiteral("Carving Z Step must be greater than zero"));
        return false;
    }
    return CImgCarving::RunLayers(info, bMultipass, [this]() { return ImgCarving(); });
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

void AppControl::ResetAccVel()
{
    for (int i = 0; i < AxesInUse(); ++i)
        m_AxisCtrl[i].SetVelocityAcc(AppConfig::m_fAxisFeed[i], AppConfig::m_fAxisAcc[i]);
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

// ===========================================================================
// Straight moves
// ===========================================================================

bool AppControl::GetPosToMov(uint uiLine, stFloatPoint& pos)
{
    pos = m_LastPos;
    if (!m_pGCodeLines || uiLine >= m_pGCodeLines->size())
        return false;
    const bool bIncremental = AppConfig::m_GCodeRunSettings.m_iDistMode == 1;
    bool bAxisWord = false;
    for (const std::string& word : (*m_pGCodeLines)[uiLine]) {
        if (word.empty())
            continue;
        // A comment holds no words: "G0 X1 (X5)" goes to X1.
        if (CGCodeWords::IsComment(word))
            break;
        const double fValue = CGCodeWords::DoubleValue(word);
        int iAxis = -1;
        switch (word.at(0)) {
        case 'X': case 'x': iAxis = X_AXIS; break;
        case 'Y': case 'y': iAxis = Y_AXIS; break;
        case 'Z': case 'z': iAxis = Z_AXIS; break;
        case 'A': case 'a': iAxis = A_AXIS; break;
        case 'B': case 'b': iAxis = B_AXIS; break;
        case 'F': case 'f':
            if (AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed)
                SetAxisFeed(fValue);
            break;
        case 'S': case 's':
            SetSpindleSpeed(CGCodeWords::IntValue(word));
            break;
        default:
            break;
        }
        if (iAxis >= 0) {
            const double fBase = bIncremental ? PosOf(m_LastPos, iAxis) : 0.0;
            SetPosOf(pos, iAxis, fBase + fValue * m_fUnitScale);
            bAxisWord = true;
        }
    }
    return bAxisWord;
}

bool AppControl::SetAccAndVel(stFloatPoint from, stFloatPoint to, eGMoveCmnd cmd)
{
    const int iAxes = AxesInUse();
    qint64 iDist[5] = {0, 0, 0, 0, 0};
    for (int i = 0; i < iAxes; ++i)
        iDist[i] = std::llabs(DistOf(from, to, i));

    // The dominant axis has the longest move of at least one step.
    int iDom = X_AXIS;
    qint64 iMax = iDist[X_AXIS];
    for (int c = Y_AXIS; c < iAxes; ++c) {
        if ((iMax < iDist[c] && iDist[c] >= StepOf(c)) || iMax < StepOf(iDom)) {
            iDom = c;
            iMax = iDist[c];
        }
    }

    const double fOverride = AppConfig::m_fAxisFeedPercent[iDom];
    double fFeed;
    if (cmd == CMND_G00) {
        fFeed = AppConfig::m_fMinMaxAxisFeed;
    } else if (m_iRunMode == RUN_GCODE && AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed) {
        const double fProgFeed = AppConfig::m_GCodeRunSettings.m_fFeed * fOverride;
        fFeed = fProgFeed > AppConfig::m_fMinMaxAxisFeed ? AppConfig::m_fMinMaxAxisFeed : fProgFeed;
    } else {
        fFeed = AppConfig::m_fUserAxisFeed[iDom] * fOverride;
    }
    double fAcc = AppConfig::m_fAxisAcc[iDom];

    // The other axes run at the same fraction of the dominant axis's feed
    // and acceleration as their share of the distance, so that all finish
    // together. The segment is slowed down where that would ask an axis for
    // more than its own maximum feed or acceleration (it would lose steps).
    double fRatio[5] = {0, 0, 0, 0, 0};
    bool bMinor[5] = {false, false, false, false, false};
    if (fFeed > AppConfig::m_fMaxAxisFeed[iDom])
        fFeed = AppConfig::m_fMaxAxisFeed[iDom];
    for (int k = 0; k < iAxes; ++k) {
        if (k == iDom || iDist[k] < StepOf(k) || iMax <= 0)
            continue;
        bMinor[k] = true;
        fRatio[k] = double(iDist[k]) / double(iMax);
        if (fFeed * fRatio[k] > AppConfig::m_fMaxAxisFeed[k])
            fFeed = AppConfig::m_fMaxAxisFeed[k] / fRatio[k];
        if (fAcc * fRatio[k] > AppConfig::m_fAxisAcc[k])
            fAcc = AppConfig::m_fAxisAcc[k] / fRatio[k];
    }

    m_AxisCtrl[iDom].SetVelocityAcc(fFeed, fAcc);
    for (int k = 0; k < iAxes; ++k) {
        if (bMinor[k])
            m_AxisCtrl[k].SetVelocityAcc(fFeed * fRatio[k], fAcc * fRatio[k]);
    }
    return true;
}

bool AppControl::G00_Move(stFloatPoint to, bool bSetAccVel, bool bWait)
{
    return StraightMove(to, bSetAccVel, bWait, CMND_G00);
}

bool AppControl::G01_Move(stFloatPoint to, bool bSetAccVel, bool bWait)
{
    return StraightMove(to, bSetAccVel, bWait, CMND_G01);
}

bool AppControl::StraightMove(const stFloatPoint& to, bool bSetAccVel, bool bWait, eGMoveCmnd cmd)
{
    // The segment before must have ended before the axes are read.
    WaitForSegmentEnd();
    return ExecuteMovCmnd(AxesPos(m_AxisCtrl), to, bSetAccVel, bWait, cmd);
}

bool AppControl::ExecuteMovCmnd(stFloatPoint from, stFloatPoint to, bool bSetAccVel, bool bWait, eGMoveCmnd cmd)
{
    if (!WaitWhileHeld() || MustStop())
        return false;

    if (!TargetInRange(to))
        return false;
    const int iAxes = AxesInUse();
    for (int i = 0; i < iAxes; ++i) {
        if (!m_AxisCtrl[i].CheckValidMotion(CUnitConverter::GetLong(PosOf(to, i)))) {
            AddErrMsg(QStringLiteral("Position to move must be within the motion limits"));
            return false;
        }
    }

    if (bSetAccVel && !SetAccAndVel(from, to, cmd))
        return false;

    bool bMoves[5] = {false, false, false, false, false};
    bool bAny = false;
    for (int i = 0; i < iAxes; ++i) {
        bMoves[i] = std::llabs(DistOf(from, to, i)) >= StepOf(i);
        bAny = bAny || bMoves[i];
    }
    if (!bAny)
        return true;

    for (int i = 0; i < 5; ++i) {
        CAllAxisCtrl::m_lstAxisToMov.m_bAxis[i] = bMoves[i];
        if (bMoves[i] && !m_AxisCtrl[i].SetAxisMovParams(PosOf(to, i))) {
            AddAxisError(i);
            for (int k = 0; k < 5; ++k)
                CAllAxisCtrl::m_lstAxisToMov.m_bAxis[k] = false;
            return false;
        }
    }

    if (!CAllAxisCtrl::StartMotion()) {
        // Only a loop that has ended refuses; the run must not end without a word.
        AddErrMsg(QStringLiteral("Motion not started: the pulse loop is not running"));
        return false;
    }
    if (m_fnSegmentStarted)
        m_fnSegmentStarted(cmd, to);
    if (bWait)
        WaitForSegmentEnd();
    return true;
}

bool AppControl::TargetInRange(const stFloatPoint& to)
{
    for (int i = 0; i < AxesInUse(); ++i) {
        if (!m_AxisCtrl[i].CheckTargetInRange(PosOf(to, i))) {
            AddAxisError(i);
            return false;
        }
    }
    return true;
}

void AppControl::GetAllAxisCurPos(stFloatPoint& pos)
{
    pos.x = m_AxisCtrl[X_AXIS].GetCurPos();
    pos.y = m_AxisCtrl[Y_AXIS].GetCurPos();
    pos.z = m_AxisCtrl[Z_AXIS].GetCurPos();
    if (AppConfig::m_iMchType == 5) {
        pos.a = m_AxisCtrl[A_AXIS].GetCurPos();
        pos.b = m_AxisCtrl[B_AXIS].GetCurPos();
    }
}

// ===========================================================================
// Homing, work zero and manual moves
// ===========================================================================

void AppControl::AddAxisError(int iAxis)
{
    const QString strMsg = m_AxisCtrl[iAxis].GetErrorMsg();
    if (!strMsg.isEmpty())
        AddErrMsg(strMsg);
}

bool AppControl::WaitForAxis(int iAxis)
{
    qint8 flags[5] = {0, 0, 0, 0, 0};
    flags[iAxis] = 1;
    return WaitForMotionFinish(flags);
}

void AppControl::SetAxesFeed(const double* pFeed)
{
    for (int i = 0; i < AxesInUse(); ++i)
        m_AxisCtrl[i].SetVelocityAcc(pFeed[i], AppConfig::m_fAxisAcc[i]);
}

void AppControl::SetHomingFlags(bool bOn)
{
    for (int i = 0; i < AxesInUse(); ++i)
        m_AxisCtrl[i].m_bHoming = bOn;
}

double AppControl::ZSafeTarget()
{
    if (AppConfig::m_bHomeSensorsUsed)
        return AppConfig::m_fZSafePos - AppConfig::m_fAxisWorkZero[Z_AXIS];
    return std::fabs(AppConfig::m_fZSafePos);
}

bool AppControl::StartMchHomingSequence()
{
    if (!AppConfig::m_bHomeSensorsUsed) {
        AddErrMsg(QStringLiteral("Homing Sensor not Enabled for all Axis"));
        return false;
    }
    if (!CanStartOperation())
        return false;
    ClearHome();
    LaunchOperation(RUN_MCH_HOMING, false);
    return true;
}

bool AppControl::StartWorkHomingSequence()
{
    if (AppConfig::m_bHomeSensorsUsed && !GetHomeDone()) {
        AddErrMsg(QStringLiteral("Homing not done! Use \"Move Home\" in user Settings"));
        return false;
    }
    if (!CanStartOperation())
        return false;
    LaunchOperation(RUN_WORK_ZERO, false);
    return true;
}

bool AppControl::MoveMchHomeAll()
{
    const int iAxes = AxesInUse();
    qint8 all[5] = {0, 0, 0, 0, 0};
    for (int i = 0; i < iAxes; ++i)
        all[i] = 1;

    // Starts MoveAxisHome on the flagged axes; false (axis text queued) when
    // one refuses.
    auto startHoming = [this, iAxes](const qint8* flags) {
        for (int i = 0; i < iAxes; ++i) {
            if (flags[i] && !m_AxisCtrl[i].MoveAxisHome()) {
                AddAxisError(i);
                return false;
            }
        }
        return true;
    };

    auto sequence = [&]() {
        // First approach at the jog feed: Z alone (clear of the work), then
        // the others together.
        SetAxesFeed(AppConfig::m_fAxisJogFeed);
        SetHomingFlags(true);
        qint8 zOnly[5] = {0, 0, 1, 0, 0};
        if (!startHoming(zOnly) || !WaitForMotionFinish(zOnly))
            return false;
        qint8 others[5] = {0, 0, 0, 0, 0};
        for (int i = 0; i < iAxes; ++i)
            others[i] = i == Z_AXIS ? 0 : 1;
        if (!startHoming(others) || !WaitForMotionFinish(others))
            return false;

        if (AppConfig::m_fHomeRepeatOffset > 0) {
            // Back off the switches, then a slow second approach for a
            // repeatable home.
            SetMchHome();
            for (int i = 0; i < iAxes; ++i) {
                m_AxisCtrl[i].m_bHoming = false;
                const bool bHomeIsPositive = AppConfig::m_eAxisHomeDir[i] == AppConfig::m_eAxisPosDir[i];
                const double fOffset = AppConfig::m_fHomeRepeatOffset;
                m_AxisCtrl[i].MoveRel(bHomeIsPositive ? -fOffset : fOffset);
            }
            if (!WaitForMotionFinish(all))
                return false;
            ClearHome();
            SetAxesFeed(AppConfig::m_fAxisHomeFeed);
            SetHomingFlags(true);
            if (!startHoming(all) || !WaitForMotionFinish(all))
                return false;
        }
        SetMchHome();
        return true;
    };

    const bool bOk = sequence();
    if (!bOk)
        StopAxes(all);
    SetAxesFeed(AppConfig::m_fAxisFeed);
    AutoHomingFinished();
    return bOk;
}

bool AppControl::MoveWorkZeroAll()
{
    // Z up to the safe height first, so that X and Y travel clear of the work.
    if (!EngMoveAxisAbs(Z_AXIS, ZSafeTarget(), true))
        return false;

    qint8 started[AXIS_COUNT] = {0, 0, 0, 0, 0};
    // The array bound in the condition lets the optimiser see that `started`
    // is never written past its end (it warns otherwise).
    for (int i = 0; i < AxesInUse() && i < AXIS_COUNT; ++i) {
        if (i == Z_AXIS)
            continue;
        if (!m_AxisCtrl[i].MoveWorkZero()) {
            AddAxisError(i);
            StopAxes(started);
            return false;
        }
        started[i] = 1;
    }
    if (!WaitForMotionFinish(started))
        return false;

    // Z down to the work zero last.
    return MoveWorkZero(Z_AXIS, true);
}

bool AppControl::ManualMoveAllowed()
{
    // The operation thread moves axes itself; anyone else waits until the
    // operation is over, so that no single-axis move runs into a job. A
    // G-code run held between two segments (the operator's pause or a manual
    // tool change) lets the operator move the machine by hand; the run goes
    // on only once those moves have ended.
    const bool bHeldBetweenSegments =
        m_bHold && m_iRunMode == RUN_GCODE && !CAllAxisCtrl::GetMotionState();
    if (isRunning() && QThread::currentThread() != this && !bHeldBetweenSegments) {
        AddErrMsg(QStringLiteral("Axis in use"));
        return false;
    }
    return true;
}

bool AppControl::AxisCommand(eAxis axis, const std::function<bool(AxisCtrl&)>& command)
{
    if (!ManualMoveAllowed())
        return false;
    if (!command(m_AxisCtrl[axis])) {
        AddAxisError(axis);
        return false;
    }
    return true;
}

bool AppControl::MoveWorkZero(eAxis axis, bool bWait)
{
    if (!AxisCommand(axis, [](AxisCtrl& a) { return a.MoveWorkZero(); }))
        return false;
    return bWait ? WaitForAxis(axis) : true;
}

bool AppControl::MoveAxisHome(eAxis axis, bool bWait)
{
    if (!AxisCommand(axis, [](AxisCtrl& a) { return a.MoveAxisHome(); }))
        return false;
    return bWait ? WaitForAxis(axis) : true;
}

bool AppControl::MoveZSafePos()
{
    return MoveAbs(Z_AXIS, ZSafeTarget());
}

bool AppControl::MoveAbs(eAxis axis, double fPos)
{
    return AxisCommand(axis, [fPos](AxisCtrl& a) { return a.MoveAbs(fPos); });
}

bool AppControl::MoveRel(eAxis axis, double fDist)
{
    return AxisCommand(axis, [fDist](AxisCtrl& a) { return a.MoveRel(fDist); });
}

bool AppControl::EngMoveAxisAbs(eAxis axis, double fPos, bool bWait)
{
    if (MustStop() || !MoveAbs(axis, fPos))
        return false;
    return bWait ? WaitForAxis(axis) : true;
}

bool AppControl::EngMoveAxisRel(eAxis axis, double fDist, bool bWait)
{
    if (MustStop() || !MoveRel(axis, fDist))
        return false;
    return bWait ? WaitForAxis(axis) : true;
}

bool AppControl::JogPos(eAxis axis)
{
    const eDirection eDir = AppConfig::m_eAxisPosDir[axis];
    return AxisCommand(axis, [eDir](AxisCtrl& a) { return a.Jog(eDir); });
}

bool AppControl::JogNeg(eAxis axis)
{
    const eDirection eDir = static_cast<eDirection>(1 - AppConfig::m_eAxisPosDir[axis]);
    return AxisCommand(axis, [eDir](AxisCtrl& a) { return a.Jog(eDir); });
}

void AppControl::DeccelerateAxis(eAxis axis)
{
    m_AxisCtrl[axis].DeccelerateAxis();
}

void AppControl::Stop(eAxis axis)
{
    m_AxisCtrl[axis].Stop();
}

bool AppControl::MustStop() const
{
    return EmergencyStop() || (m_bAbort && QThread::currentThread() == this);
}

bool AppControl::WaitWhileHeld()
{
    // Paused: look at the stop conditions once a second.
    bool bHeld = false;
    while (m_bHold) {
        bHeld = true;
        CClock::SleepMs(1000);
        if (MustStop())
            return false;
    }
    // Moves the operator made by hand while held end before the run goes on.
    while (bHeld && !IsMachineIdle()) {
        CClock::SleepMs(10);
        if (MustStop())
            return false;
    }
    return true;
}

void AppControl::StopAll()
{
    // A running operation ends: its waits fail and it starts no further
    // motion (Stop, Reset, closing the program).
    if (isRunning() && QThread::currentThread() != this)
        m_bAbort = true;
    m_bHold = false;
    StopAutoModeAndWait();
    for (int i = 0; i < AxesInUse(); ++i)
        m_AxisCtrl[i].Stop();
}

bool AppControl::GetHomeDone()
{
    if (!AppConfig::m_bHomeSensorsUsed)
        return true;
    for (int i = 0; i < AxesInUse(); ++i) {
        if (!m_AxisCtrl[i].IsAxisHomeSet())
            return false;
    }
    return true;
}

void AppControl::SetMchHome()
{
    for (int i = 0; i < AxesInUse(); ++i)
        m_AxisCtrl[i].SetMchHome();
}

bool AppControl::CheckWorkZeroRange(int iAxis, double& fNewZero)
{
    // The new zero in machine terms: current work position + current zero.
    const qint64 iZero = qint64(CUnitConverter::GetLong(m_AxisCtrl[iAxis].GetCurPos()))
                         + qint64(CUnitConverter::GetLong(AppConfig::m_fAxisWorkZero[iAxis]));
    if (iZero < CUnitConverter::GetLong(AppConfig::m_fAxisNegDirLimit[iAxis])
        || iZero > CUnitConverter::GetLong(AppConfig::m_fAxisPosDirLimit[iAxis])) {
        AddErrMsg(QStringLiteral("Work Zero for ") + AppConfig::m_strAxisNames[iAxis]
                  + QStringLiteral(" must be in between ")
                  + QString::number(CUnitConverter::GetDouble(m_AxisCtrl[iAxis].m_lNegDirLimit), 'f', 4)
                  + QStringLiteral(" and ")
                  + QString::number(CUnitConverter::GetDouble(m_AxisCtrl[iAxis].m_lPosDirLimit), 'f', 4));
        return false;
    }
    fNewZero = CUnitConverter::GetDouble(long(iZero));
    return true;
}

bool AppControl::SaveWorkZeros()
{
    if (AppConfig::SaveConfig(CAppPaths::ConfigFile()))
        return true;
    QString strMsg = QStringLiteral("Work Zero not saved in the settings file");
    if (!AppConfig::GetErrorMsg().isEmpty())
        strMsg += QStringLiteral(": ") + AppConfig::GetErrorMsg();
    AddErrMsg(strMsg);
    return false;
}

bool AppControl::SetWorkZero(eAxis axis)
{
    if (!ManualMoveAllowed())
        return false;
    const bool bHomeSensors = AppConfig::m_bHomeSensorsUsed;
    if (bHomeSensors) {
        double fNewZero = 0.0;
        if (!CheckWorkZeroRange(axis, fNewZero))
            return false;
        AppConfig::m_fAxisWorkZero[axis] = fNewZero;
        SaveWorkZeros();
    }
    m_AxisCtrl[axis].SetWorkZero();
    if (bHomeSensors)
        CallWindows(&IControlWindows::UpdateWorkArea);
    AddInfoMsg(AppConfig::m_strAxisNames[axis] + QStringLiteral(" Work Zero is set"));
    return true;
}

bool AppControl::SetWorkZero()
{
    if (!ManualMoveAllowed())
        return false;
    const int iAxes = AxesInUse();
    const bool bHomeSensors = AppConfig::m_bHomeSensorsUsed;
    if (bHomeSensors) {
        // Every axis is checked before anything changes.
        double fNewZero[5] = {0, 0, 0, 0, 0};
        for (int i = 0; i < iAxes; ++i) {
            if (!CheckWorkZeroRange(i, fNewZero[i]))
                return false;
        }
        for (int i = 0; i < iAxes; ++i)
            AppConfig::m_fAxisWorkZero[i] = fNewZero[i];
        SaveWorkZeros();
    }
    for (int i = 0; i < iAxes; ++i)
        m_AxisCtrl[i].SetWorkZero();
    if (bHomeSensors)
        CallWindows(&IControlWindows::UpdateWorkArea);
    AddInfoMsg(QStringLiteral("Work Zero is set"));
    return true;
}

// ===========================================================================
// Arcs, Z probe and Z profile
// ===========================================================================
namespace {
// Probing for the Z zero without home switches goes no further down than this.
constexpr double Z_ZERO_PROBE_TRAVEL = 100.0;
// Height Z rises to after the Z zero has been probed.
constexpr double Z_ZERO_PROBE_LIFT = 3.0;
// Far more probe points than any profile takes in a day; a grid this large
// would only exhaust the memory.
constexpr qint64 Z_PROFILE_MAX_POINTS = 1000000;
}

CArcGeometry AppControl::ArcGeometry() const
{
    stArcSettings settings;
    settings.iPlane = AppConfig::m_PlaneSel;
    settings.bIncremental = AppConfig::m_GCodeRunSettings.m_iDistMode == 1;
    settings.fUnitScale = m_fUnitScale;
    settings.fArcStep = AppConfig::m_GCodeRunSettings.m_fAxisStep;
    for (int i = X_AXIS; i <= Z_AXIS; ++i)
        settings.fAxisStep[i] = AppConfig::m_fAxisMovPerPulse[i];
    return CArcGeometry(settings);
}

bool AppControl::ZProfileInUse() const
{
    return AppConfig::m_bUseZProfile && AppConfig::m_ZProfileInfo.m_lstGrid.size() > 1;
}

bool AppControl::CutArc(unsigned int iLineNo, stGCodeEllipseInfo& arc)
{
    if (!m_pGCodeLines || iLineNo >= m_pGCodeLines->size())
        return false;
    CArcGeometry geometry = ArcGeometry();
    stFloatPoint cur = AxesPos(m_AxisCtrl);
    // Following the Z profile, Z stands at the corrected height: the arc
    // starts from the programmed Z, so that an arc on the surface is still
    // corrected point by point.
    if (ZProfileInUse())
        cur.z = m_LastPos.z;
    const bool bOk = geometry.ParseArc(CArcGeometry::ParseWords((*m_pGCodeLines)[iLineNo]), cur, arc);
    for (const stArcWord& word : geometry.FeedSpeedWords()) {
        if (word.cLetter == 'F' && AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed)
            SetAxisFeed(word.fValue);
        else if (word.cLetter == 'S')
            SetSpindleSpeed(int(std::min(word.fValue, double(std::numeric_limits<int>::max()))));
    }
    if (!bOk) {
        AddErrMsg(geometry.ErrorMsg());
        return false;
    }
    return G02_G03_Move(&arc);
}

bool AppControl::FindArcCenter(stGCodeEllipseInfo& arc)
{
    CArcGeometry geometry = ArcGeometry();
    if (geometry.FindArcCenter(arc))
        return true;
    AddErrMsg(geometry.ErrorMsg());
    return false;
}

bool AppControl::G02_G03_Move(stGCodeEllipseInfo* pArc)
{
    // The first segment starts where all axes are now.
    stFloatPoint prev = AxesPos(m_AxisCtrl);
    if (ZProfileInUse())
        prev.z = pArc->m_StartPt.z; // the programmed Z, not the corrected one
    CArcGeometry geometry = ArcGeometry();
    QList<stFloatPoint> points;
    if (!geometry.GeneratePoints(*pArc, prev, points)) {
        AddErrMsg(geometry.ErrorMsg());
        return false;
    }
    const bool bProfile = ZProfileInUse();
    for (const stFloatPoint& pt : points) {
        if (!WaitWhileHeld())
            return false;
        bool bOk = false;
        if (bProfile) {
            bOk = ZProfileMove(prev, pt);
        } else {
            SetAccAndVel(prev, pt, CMND_G01);
            bOk = G01_Move(pt, false, false);
        }
        if (!bOk)
            return false;
        prev = pt;
    }
    WaitForSegmentEnd();
    return !EmergencyStop();
}

bool AppControl::StartZ0usingZProbeSeq()
{
    if (!CanStartOperation())
        return false;
    LaunchOperation(RUN_Z_PROBE, false);
    return true;
}

bool AppControl::ProbeInputFitted()
{
    if (AppConfig::m_iZProbeInput >= 0)
        return true;
    AddErrMsg(QStringLiteral("Z probe input is not configured"));
    return false;
}

bool AppControl::ProbeDown(double fTarget, bool& bTouched)
{
    AxisCtrl& z = m_AxisCtrl[Z_AXIS];
    if (AppConfig::m_bHomeSensorsUsed)
        fTarget = std::max(fTarget, CUnitConverter::GetDouble(z.m_lNegDirLimit));
    z.m_bStopOnZProbe = true;
    const bool bMoved = EngMoveAxisAbs(Z_AXIS, fTarget, true);
    z.m_bStopOnZProbe = false;
    bTouched = bMoved && CRpiGpio::ReadInput(static_cast<unsigned short>(AppConfig::m_iZProbeInput)) != 0;
    return bMoved;
}

void AppControl::SetZ0usingZProbe()
{
    if (!ProbeInputFitted())
        return;
    AxisCtrl& z = m_AxisCtrl[Z_AXIS];
    z.SetVelocityAcc(AppConfig::m_fAxisJogFeed[Z_AXIS], AppConfig::m_fAxisAcc[Z_AXIS]);
    // Down to the lower travel limit with home switches; without them a
    // bounded distance below where Z stands.
    const double fTarget = AppConfig::m_bHomeSensorsUsed ? CUnitConverter::GetDouble(z.m_lNegDirLimit)
                                                         : z.GetCurPos() - Z_ZERO_PROBE_TRAVEL;
    bool bTouched = false;
    if (ProbeDown(fTarget, bTouched)) {
        if (bTouched)
            SetWorkZero(Z_AXIS);
        else
            AddErrMsg(QStringLiteral("Z probe did not touch the work-piece: Z Work Zero is not set"));
    }
    z.SetVelocityAcc(AppConfig::m_fAxisFeed[Z_AXIS], AppConfig::m_fAxisAcc[Z_AXIS]);
    EngMoveAxisAbs(Z_AXIS, Z_ZERO_PROBE_LIFT, true);
}

bool AppControl::RunZProfile()
{
    if (!CanStartOperation())
        return false;
    TurnOnOffSpindle(false, DIR_CW);
    LaunchOperation(RUN_Z_PROFILE, true);
    return true;
}

bool AppControl::CreateZProfile()
{
    stZProfileInfo& info = AppConfig::m_ZProfileInfo;
    // A profile that cannot be probed is refused before anything moves, and
    // the profile held before is kept.
    const qint64 nPoints = CZProfile::PointCount(info.m_fLength, info.m_fWidth, info.m_fXYStep);
    QString strRefusal;
    if (nPoints <= 0)
        strRefusal = QStringLiteral("Z profile step must be greater than 0");
    else if (CUnitConverter::GetLong(info.m_fZRange) <= 0)
        strRefusal = QStringLiteral("Z profile range must be greater than 0");
    else if (nPoints > Z_PROFILE_MAX_POINTS)
        strRefusal = QStringLiteral("Z profile has too many points: increase the X-Y Step");
    if (!strRefusal.isEmpty()) {
        AddErrMsg(strRefusal);
        return false;
    }
    if (!ProbeInputFitted() || !MoveWorkZeroAll())
        return false;
    // A new profile replaces the one held before.
    info.m_lstGrid.clear();
    const ZProfileGrid targets = CZProfile::ProbeTargets(info.m_fLength, info.m_fWidth, info.m_fXYStep);

    double fFeedPercent = AppConfig::m_fAxisFeedPercent[X_AXIS];
    const double fLift = info.m_fZRange / 2.0;
    for (int r = 0; r < targets.size(); ++r) {
        QVector<stFloatPoint> row;
        for (int c = 0; c < targets[r].size(); ++c) {
            stFloatPoint pt; // the first point of all is the work zero itself
            if (r > 0 || c > 0) {
                // A row starts where the last one ended, one step further in
                // Y (Z is already up); along a row Z lifts before X moves.
                const stFloatPoint& target = targets[r][c];
                const bool bMoved = c == 0 ? EngMoveAxisAbs(Y_AXIS, target.y, true)
                                           : EngMoveAxisAbs(Z_AXIS, fLift, true) &&
                                                 EngMoveAxisAbs(X_AXIS, target.x, true);
                bool bTouched = false;
                if (!bMoved || !ProbeDown(m_AxisCtrl[Z_AXIS].GetCurPos() - info.m_fZRange, bTouched))
                    return false;
                pt.x = m_AxisCtrl[X_AXIS].GetCurPos();
                pt.y = m_AxisCtrl[Y_AXIS].GetCurPos();
                pt.z = m_AxisCtrl[Z_AXIS].GetCurPos();
                if (!bTouched) {
                    AddErrMsg(QStringLiteral("Z probe did not touch the work-piece at X:") +
                              QString::number(pt.x, 'f', 4) + QStringLiteral(" Y:") + QString::number(pt.y, 'f', 4) +
                              QStringLiteral(": Z profile stopped"));
                    return false;
                }
            }
            row.append(pt);
            // The feed slider takes effect between probe points.
            if (std::fabs(AppConfig::m_fAxisFeedPercent[X_AXIS] - fFeedPercent) > 1e-5) {
                for (int i = X_AXIS; i <= Z_AXIS; ++i)
                    m_AxisCtrl[i].SetVelocityAcc(AppConfig::m_fAxisFeed[i], AppConfig::m_fAxisAcc[i]);
                fFeedPercent = AppConfig::m_fAxisFeedPercent[X_AXIS];
            }
        }
        info.m_lstGrid.append(row);
        if (!EngMoveAxisAbs(Z_AXIS, fLift, true))
            return false;
    }
    CZProfile::FinishGrid(info.m_lstGrid, info.m_fZOffset);
    return true;
}

bool AppControl::ZProfileMove(stFloatPoint from, const stFloatPoint& to)
{
    const stZProfileInfo& info = AppConfig::m_ZProfileInfo;
    stFloatPoint prev = from;
    for (const stFloatPoint& pt : CZProfile::CorrectedMove(info.m_lstGrid, info.m_fXYStep, from, to)) {
        SetAccAndVel(prev, pt, CMND_G01);
        if (!G01_Move(pt, false, false))
            return false;
        prev = pt;
    }
    return true;
}

// ===========================================================================
// G-code interpreter and run loop
// ===========================================================================
namespace {
// Thrown for a word the dialect does not support; the line's catch-all turns
// it into the line's error.
struct CUnsupportedWord
{
};

constexpr int MAX_TOOL_CHANGE_NESTING = 6;

// Milliseconds of an M66 word in nanoseconds; a time beyond the clock's
// counter waits as long as it can (until the stop), never not at all.
qint64 MsToNs(double fMs)
{
    const double fNs = fMs * 1000000.0;
    if (!(fNs > 0.0))
        return 0;
    return fNs >= 9.2e18 ? std::numeric_limits<qint64>::max() : qint64(fNs);
}
}

std::atomic<bool> AppControl::m_bExecStatusSaveFailed{false};

std::vector<std::string> AppControl::Parse_GCode_Line(QString strLine)
{
    return CGCodeWords::SplitLine(strLine);
}

bool AppControl::ExecGCodeLine(uint uiLine)
{
    // Coordinates follow the same unit as the feed conversion: the stored
    // unit, which G20/G21 change, so a program without either reads both
    // in the unit a previous program left.
    m_fUnitScale = AppConfig::m_eSelUnits == UNITS_INCH ? 25.4 : 1.0;
    try {
        return ExecGCodeWords(uiLine);
    } catch (...) {
        AddErrMsg("Error:" + QString::number(uiLine) + " - Command/Format No Supported");
        return false;
    }
}

bool AppControl::ExecGCodeWords(uint uiLine)
{
    if (!m_pGCodeLines || uiLine >= m_pGCodeLines->size())
        throw CUnsupportedWord();
    // A copy: a tool change points m_pGCodeLines elsewhere while it runs.
    const GCodeTokens words = (*m_pGCodeLines)[uiLine];
    size_t i = 0;
    if (!words.empty() && (CGCodeWords::Letter(words[0]) == 'N' || CGCodeWords::Letter(words[0]) == 'O')) {
        if (!CGCodeWords::IsLabel(words[0]))
            throw CUnsupportedWord();
        i = 1;
    }
    // An empty line or a lone label is done at once; nothing to show.
    if (i >= words.size())
        return true;
    bool bAxisWords = false;
    if (!CheckLineWords(uiLine, words, i, bAxisWords))
        return false;

    for (; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.empty())
            continue;
        eWordResult result = WORD_NEXT;
        switch (CGCodeWords::Letter(word)) {
        case '%':
        case '(':
        case ';':
            result = WORD_END_LINE;
            break;
        case 'G':
            result = ExecGWord(uiLine, words, i, bAxisWords);
            break;
        case 'X':
        case 'Y':
        case 'Z':
        case 'A':
        case 'B':
            result = ExecModalMove(uiLine);
            break;
        case 'I':
        case 'J':
            result = ExecModalArc(uiLine);
            break;
        case 'M':
            result = ExecMWord(uiLine, words, i);
            break;
        case 'F':
            WaitForSegmentEnd();
            if (!AppConfig::m_bSimulationMode && AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed) {
                m_fProgFeed = CGCodeWords::DoubleValue(word);
                SetAxisFeed(m_fProgFeed);
            }
            break;
        case 'S':
            WaitForSegmentEnd();
            if (!AppConfig::m_bSimulationMode)
                SetSpindleSpeed(CGCodeWords::IntValue(word));
            break;
        case 'T':
            WaitForSegmentEnd();
            if (!AppConfig::m_bSimulationMode)
                m_strToolName = QString::fromLatin1(word.c_str());
            break;
        default:
            throw CUnsupportedWord();
        }
        if (result == WORD_FAIL)
            return false;
        if (result == WORD_END_LINE)
            break;
    }
    if (m_bExecOneLine)
        emit SelNxtGCodeLine(uiLine);
    return true;
}

bool AppControl::CheckLineWords(uint uiLine, const GCodeTokens& words, size_t iFirst, bool& bAxisWords)
{
    const bool bProgFeed = AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed;
    bAxisWords = false;
    for (size_t k = iFirst; k < words.size() && !CGCodeWords::IsComment(words[k]); ++k) {
        const std::string& word = words[k];
        if (!CGCodeWords::ValueIsValid(word))
            throw CUnsupportedWord();
        const char c = CGCodeWords::Letter(word);
        bAxisWords = bAxisWords || c == 'X' || c == 'Y' || c == 'Z' || c == 'A' || c == 'B';
        // A feed of nothing would leave the move at the feed before it.
        if (c == 'F' && bProgFeed && !(CGCodeWords::DoubleValue(word) > 0.0)) {
            AddErrMsg("Error:" + QString::number(uiLine) + " - Feed value must be greater than zero");
            return false;
        }
    }
    const eGMoveCmnd eModal = AppConfig::m_GCodeRunSettings.m_eMoveCmnd;
    if (CGCodeWords::FirstUnrunWord(words, eModal == CMND_G02 || eModal == CMND_G03) < words.size())
        throw CUnsupportedWord();
    return true;
}

AppControl::eWordResult AppControl::StraightLineMove(uint uiLine, eGMoveCmnd cmd, bool bAxisWords)
{
    AppConfig::m_GCodeRunSettings.m_eMoveCmnd = cmd;
    // Without an axis word only the modal motion changes; the line is not
    // read again for each such word (a line of many thousands stays quick).
    if (!bAxisWords)
        return WORD_NEXT;
    stFloatPoint target;
    GetPosToMov(uiLine, target);
    return LineMoveTo(target, cmd, cmd);
}

AppControl::eWordResult AppControl::LineMoveTo(const stFloatPoint& target, eGMoveCmnd cmd, eGMoveCmnd velCmd)
{
    // Refused before the feed split and the Z profile see it: a target the
    // internal unit cannot hold would be clamped, or split without end.
    if (!TargetInRange(target))
        return WORD_FAIL;
    // A feed move follows the Z profile while it is in use.
    bool bOk;
    if (cmd == CMND_G01 && ZProfileInUse()) {
        bOk = ZProfileMove(m_LastPos, target);
    } else {
        SetAccAndVel(m_LastPos, target, velCmd);
        bOk = cmd == CMND_G00 ? G00_Move(target, false, false) : G01_Move(target, false, false);
    }
    if (!bOk)
        return WORD_FAIL;
    m_LastPos = target;
    return WORD_END_LINE;
}

AppControl::eWordResult AppControl::ArcMove(uint uiLine, eDirection eDir)
{
    WaitForSegmentEnd();
    stGCodeEllipseInfo arc;
    arc.m_eDir = eDir;
    if (!CutArc(uiLine, arc))
        return WORD_FAIL;
    GetAllAxisCurPos(m_LastPos);
    if (ZProfileInUse())
        m_LastPos.z = arc.m_EndPt.z; // programmed, as after a straight move
    return WORD_END_LINE;
}

AppControl::eWordResult AppControl::ExecModalMove(uint uiLine)
{
    const eGMoveCmnd eModal = AppConfig::m_GCodeRunSettings.m_eMoveCmnd;
    // G2 and G3 are modal like G0 and G1: an axis word alone continues the arc mode.
    if (eModal == CMND_G02 || eModal == CMND_G03)
        return ArcMove(uiLine, eModal == CMND_G02 ? DIR_CW : DIR_CCW);
    // The velocities of a modal line are always split as for G01. A feed
    // move follows the Z profile whether or not its line repeats the G1.
    stFloatPoint target;
    GetPosToMov(uiLine, target);
    return LineMoveTo(target, eModal, CMND_G01);
}

AppControl::eWordResult AppControl::ExecModalArc(uint uiLine)
{
    const eGMoveCmnd eModal = AppConfig::m_GCodeRunSettings.m_eMoveCmnd;
    // An I or J line needs an arc mode set by an earlier G2 or G3.
    if (eModal != CMND_G02 && eModal != CMND_G03)
        throw CUnsupportedWord();
    return ArcMove(uiLine, eModal == CMND_G02 ? DIR_CW : DIR_CCW);
}

AppControl::eWordResult AppControl::ExecGWord(uint uiLine, const GCodeTokens& words, size_t i, bool bAxisWords)
{
    const std::string& word = words[i];
    // G91.1 is not G91: a G number with a decimal part is never run as another one.
    if (!CGCodeWords::IsWholeNumber(word))
        throw CUnsupportedWord();
    stGCodeRunSettings& run = AppConfig::m_GCodeRunSettings;
    switch (CGCodeWords::IntValue(word)) {
    case 0:
        return StraightLineMove(uiLine, CMND_G00, bAxisWords);
    case 1:
        return StraightLineMove(uiLine, CMND_G01, bAxisWords);
    case 2:
    case 3: {
        const bool bCW = CGCodeWords::IntValue(word) == 2;
        run.m_eMoveCmnd = bCW ? CMND_G02 : CMND_G03;
        return ArcMove(uiLine, bCW ? DIR_CW : DIR_CCW);
    }
    case 17:
    case 18:
    case 19:
        AppConfig::m_PlaneSel = quint8(CGCodeWords::IntValue(word));
        WaitForSegmentEnd();
        return WORD_NEXT;
    case 20:
        WaitForSegmentEnd();
        m_fUnitScale = 25.4;
        AppConfig::m_eSelUnits = UNITS_INCH;
        return WORD_NEXT;
    case 21:
        WaitForSegmentEnd();
        m_fUnitScale = 1.0;
        AppConfig::m_eSelUnits = UNITS_MM;
        return WORD_NEXT;
    case 28: {
        WaitForSegmentEnd();
        const bool bIntermediate = i + 1 < words.size();
        if (bIntermediate) {
            // G28 G91 X0 Y0 names its intermediate point incrementally and
            // leaves incremental mode set; a bare axis word changes nothing.
            const std::string& next = words[i + 1];
            if (CGCodeWords::Letter(next) == 'G' && CGCodeWords::IsWholeNumber(next)) {
                const int iNext = CGCodeWords::IntValue(next);
                if (iNext == 90 || iNext == 91)
                    run.m_iDistMode = iNext == 90 ? 0 : 1;
            }
            stFloatPoint target;
            GetPosToMov(uiLine, target);
            if (!G01_Move(target, true, true))
                return WORD_FAIL;
        }
        const eWordResult result = EndProgramAtWorkZero(MoveWorkZeroAll());
        return result == WORD_NEXT && bIntermediate ? WORD_END_LINE : result;
    }
    case 30:
        WaitForSegmentEnd();
        return EndProgramAtWorkZero(MoveWorkZeroAll());
    case 90:
        WaitForSegmentEnd();
        run.m_iDistMode = 0;
        return WORD_NEXT;
    case 91:
        WaitForSegmentEnd();
        run.m_iDistMode = 1;
        return WORD_NEXT;
    default:
        return WORD_NEXT;
    }
}

AppControl::eWordResult AppControl::EndProgramAtWorkZero(bool bMoved)
{
    // Reaching the work zero ends the program; when the move fails the line goes on.
    if (!bMoved)
        return WORD_NEXT;
    GetAllAxisCurPos(m_LastPos);
    m_bProgramEnded = true;
    return WORD_FAIL;
}

void AppControl::WriteMCodeOutput(int iMCode, bool bHigh)
{
    // Only M codes with an entry in the pin map drive anything: a missing
    // entry never falls back on some other pin.
    const int iPin = CKIVGPIO::MCodePin(iMCode);
    if (iPin >= 0)
        CKIVGPIO::WriteOutput(quint16(iPin), bHigh ? 1 : 0);
}

AppControl::eWordResult AppControl::ExecMWord(uint uiLine, const GCodeTokens& words, size_t i)
{
    WaitForSegmentEnd();
    if (MustStop())
        return WORD_FAIL;
    const int iCode = CGCodeWords::IntValue(words[i]);
    // The words behind M66, M97 and M98 are their arguments, never words of their own.
    const bool bTakesArguments = iCode == 66 || iCode == 97 || iCode == 98;
    // Simulation leaves out what drives pins, never what decides the path:
    // program ends and sub-program jumps run as on the machine.
    const bool bSteersProgram = iCode == 2 || iCode == 30 || iCode == 97 || iCode == 98 || iCode == 99;
    if (AppConfig::m_bSimulationMode && !bSteersProgram)
        return bTakesArguments ? WORD_END_LINE : WORD_NEXT;

    switch (iCode) {
    case 0:
    case 1:
        return ProgramStop();
    case 2:
    case 30:
        m_bProgramEnded = true;
        return WORD_FAIL;
    case 3:
    case 4:
        WriteMCodeOutput(iCode == 3 ? 4 : 3, false);
        CClock::SleepMs(2000);
        WriteMCodeOutput(iCode, true);
        AppConfig::m_bSpindleOn = true;
        AppConfig::m_bSpindleDirInGcode = iCode == 4;
        AppConfig::m_bSpindleOnOffStatusChangeInGCode = true;
        return WORD_NEXT;
    case 5:
        TurnOnOffSpindle(false, DIR_CW);
        AppConfig::m_bSpindleOnOffStatusChangeInGCode = true;
        return WORD_NEXT;
    case 6:
        return m_bExecOneLine ? WORD_NEXT : ToolChange();
    case 7:
    case 8:
        WriteMCodeOutput(iCode, true);
        CClock::SleepMs(2000);
        return WORD_NEXT;
    case 9:
        WriteMCodeOutput(7, false);
        WriteMCodeOutput(8, false);
        return WORD_NEXT;
    case 66:
        return WaitForInput(words, i);
    case 80:
        WriteMCodeOutput(80, false);
        return WORD_NEXT;
    case 81:
        WriteMCodeOutput(80, true);
        CClock::SleepMs(2000);
        return WORD_NEXT;
    case 97:
    case 98:
    case 99:
        if (m_bExecOneLine)
            return iCode == 99 ? WORD_NEXT : WORD_END_LINE;
        // A tool-change file is not the running program: a jump there would
        // move the program's own line cursor.
        if (m_iToolChangeDepth > 0) {
            AddErrMsg(QStringLiteral("Subprogram calls are not allowed in a tool change file"));
            return WORD_FAIL;
        }
        return iCode == 99 ? ReturnFromSubProgram() : CallSubProgram(uiLine, words, i);
    default:
        if (iCode >= 200 && iCode <= 223)
            WriteMCodeOutput(iCode, iCode % 2 == 0);
        return WORD_NEXT;
    }
}

AppControl::eWordResult AppControl::ProgramStop()
{
    m_bProgramStopReq = true;
    CClock::SleepMs(100);
    // M0 / M1 hold the run before its next line until the operator presses
    // Start, as after a tool change.
    if (!m_bExecOneLine)
        m_bHold = true;
    return WORD_NEXT;
}

AppControl::eWordResult AppControl::CallSubProgram(uint uiLine, const GCodeTokens& words, size_t i)
{
    if (m_lstSubPrgStart.size() >= m_iMaxSubPrgNesting) {
        AddErrMsg("Maximum " + QString::number(m_iMaxSubPrgNesting) + " Subprogram nesting is allowed");
        return WORD_FAIL;
    }
    // The label and the repeat count are whole numbers of 32 bits: any
    // other text (or a count beyond 32 bits) refuses the line.
    const std::string strLabel = i + 1 < words.size() ? words[i + 1] : std::string();
    if (!CGCodeWords::IsCount(strLabel) || (i + 2 < words.size() && !CGCodeWords::IsCount(words[i + 2])))
        throw CUnsupportedWord();
    const unsigned int uiLabel = CGCodeWords::UIntValue(strLabel);
    const GCodeCmdList& lines = *m_pGCodeLines;
    size_t k = uiLine;
    for (; k < lines.size(); ++k) {
        const GCodeTokens& line = lines[k];
        if (!line.empty() && CGCodeWords::IsLabel(line[0]) && CGCodeWords::UIntValue(line[0]) == uiLabel)
            break;
    }
    if (k >= lines.size()) {
        AddErrMsg("No line starting with " + QString::fromLatin1(strLabel.c_str()) + " is found");
        return WORD_FAIL;
    }
    // A repeat count of 0 runs the body once, like a call without a count.
    unsigned int uiRepeat = i + 2 < words.size() ? CGCodeWords::UIntValue(words[i + 2]) : 1;
    if (uiRepeat == 0)
        uiRepeat = 1;
    m_uiCurLine = unsigned(k) - 1u; // the run loop's increment lands on line k
    m_lstSubPrgStart.append(int(k) - 1);
    m_lstSubPrgReturn.append(int(uiLine));
    m_lstSubPrgRepeat.append(uiRepeat);
    return WORD_END_LINE;
}

AppControl::eWordResult AppControl::ReturnFromSubProgram()
{
    if (m_lstSubPrgStart.isEmpty()) {
        AddErrMsg("No line Number defined (M97) to return");
        return WORD_FAIL;
    }
    if (--m_lstSubPrgRepeat.last() != 0) {
        m_uiCurLine = unsigned(m_lstSubPrgStart.last());
        return WORD_NEXT;
    }
    m_uiCurLine = unsigned(m_lstSubPrgReturn.last());
    m_lstSubPrgStart.removeLast();
    m_lstSubPrgReturn.removeLast();
    m_lstSubPrgRepeat.removeLast();
    return WORD_NEXT;
}

AppControl::eWordResult AppControl::ToolChange()
{
    if (AppConfig::m_bEnlManualToolChange) {
        AddInfoMsg("Tool Change Sequence Started");
        TurnOnOffSpindle(false, DIR_CW);
        const double* pos = AppConfig::m_fAxisManualToolChngPos;
        m_AxisCtrl[Z_AXIS].SetVelocityAcc(AppConfig::m_fAxisFeed[Z_AXIS], AppConfig::m_fAxisAcc[Z_AXIS]);
        // A refused move has already queued the axis's own text.
        if (!EngMoveAxisAbs(Z_AXIS, pos[Z_AXIS], true))
            return WORD_FAIL;
        for (eAxis axis : {X_AXIS, Y_AXIS}) {
            m_AxisCtrl[axis].SetVelocityAcc(AppConfig::m_fAxisFeed[axis], AppConfig::m_fAxisAcc[axis]);
            if (!EngMoveAxisAbs(axis, pos[axis], false))
                return WORD_FAIL;
        }
        const qint8 flags[AXIS_COUNT] = {1, 1, 0, 0, 0};
        if (!WaitForMotionFinish(flags))
            return WORD_FAIL;
        if (!WaitForToolChangeOperator())
            return WORD_FAIL;
        m_LastPos.x = pos[X_AXIS];
        m_LastPos.y = pos[Y_AXIS];
        m_LastPos.z = pos[Z_AXIS];
        return WORD_NEXT;
    }
    if (AppConfig::m_bEnlAutoToolChange)
        return RunToolChangeFile() ? WORD_NEXT : WORD_FAIL;
    return WaitForToolChangeOperator() ? WORD_NEXT : WORD_FAIL;
}

bool AppControl::WaitForToolChangeOperator()
{
    m_bToolChangeReq = true;
    AddInfoMsg("Change tool and click start");
    // The main window answers by pausing (the hold is set before the request
    // is cleared); the operator's Start may clear the hold again before this
    // loop looks, so a request that has been taken ends the wait as well.
    while (!m_bHold && m_bToolChangeReq) {
        CClock::SleepMs(1000);
        if (MustStop())
            return false;
    }
    return true;
}

bool AppControl::RunToolChangeFile()
{
    // A tool change that cannot be made ends the run: cutting on with the
    // wrong tool breaks it or the part.
    if (m_strToolName.isEmpty()) {
        AddErrMsg("No Tool Selected. Please use 'T' command before M06");
        return false;
    }
    if (m_iToolChangeDepth >= MAX_TOOL_CHANGE_NESTING) {
        AddErrMsg("Maximum " + QString::number(MAX_TOOL_CHANGE_NESTING) + " Tool change nesting is allowed");
        return false;
    }
    const QString strPath = CAppPaths::InWorkingFolder(m_strToolName + ".txt");
    if (!QFile::exists(strPath)) {
        AddErrMsg("No ATC commands found. Please check the file, " + strPath + ", exists?");
        return false;
    }
    // Its lines end as a program's do: LF, CR LF or a lone CR.
    std::vector<QString> textLines;
    if (!CGCodeProgram::ReadTextLines(strPath, textLines)) {
        AddErrMsg("Unable to open ATC File");
        return false;
    }
    GCodeCmdList toolLines;
    toolLines.reserve(textLines.size());
    for (const QString& strLine : textLines)
        toolLines.push_back(Parse_GCode_Line(strLine));

    GCodeCmdList* pProgram = m_pGCodeLines;
    m_pGCodeLines = &toolLines;
    ++m_iToolChangeDepth;
    bool bOk = true;
    for (uint k = 0; k < toolLines.size(); ++k) {
        if (!ExecGCodeLine(k)) {
            // M02/M30 (or a return to work zero) ends the tool file, not the
            // program; anything else is a failed tool change.
            bOk = m_bProgramEnded;
            m_bProgramEnded = false;
            break;
        }
    }
    --m_iToolChangeDepth;
    m_pGCodeLines = pProgram;
    return bOk;
}

AppControl::eWordResult AppControl::WaitForInput(const GCodeTokens& words, size_t i)
{
    // The arguments are the words after M66, whatever their letters.
    const size_t nArgs = words.size() - i - 1;
    if (nArgs == 0)
        return WORD_END_LINE;
    CStopWatch timer;
    timer.start();
    if (nArgs == 1) {
        const qint64 iDwellNs = MsToNs(CGCodeWords::DoubleValue(words[i + 1]));
        while (timer.nsecsElapsed() < iDwellNs && !MustStop())
            CClock::SleepUs(100);
        return WORD_END_LINE;
    }
    const quint8 uiInput = quint8(CGCodeWords::IntValue(words[i + 1]));
    const quint8 uiMode = quint8(CGCodeWords::IntValue(words[i + 2]));
    const bool bTimeout = nArgs == 3;
    const qint64 iTimeoutNs = bTimeout ? MsToNs(CGCodeWords::DoubleValue(words[i + 3])) : 0;
    const int iPin = CKIVGPIO::InputPin(uiInput);
    if (iPin < 0) {
        // An input with no pin could never change: refuse instead of waiting forever.
        AddErrMsg("M66: input " + QString::number(uiInput) + " has no pin assigned");
        return WORD_FAIL;
    }
    const quint16 uiPin = quint16(iPin);
    bool bArmed = false;
    for (;;) {
        if (MustStop())
            break;
        if (bTimeout && timer.nsecsElapsed() > iTimeoutNs)
            break;
        const unsigned char level = CKIVGPIO::ReadInput(uiPin);
        bool bMet = false;
        switch (uiMode) {
        case 1: // rising edge
            bMet = bArmed && level != 0;
            bArmed = bArmed || level == 0;
            break;
        case 2: // falling edge
            bMet = bArmed && level != 1;
            bArmed = bArmed || level == 1;
            break;
        case 3:
            bMet = level != 0;
            break;
        case 4:
            bMet = level == 0;
            break;
        default:
            break;
        }
        if (bMet)
            break;
        // A busy poll: one microsecond between reads, so an edge is seen at once.
        CClock::WaitUntilNs(CClock::NowNs() + 1000);
    }
    return WORD_END_LINE;
}

bool AppControl::RunGCode()
{
    m_fProgFeed = 0;
    ResetAccVel();
    stGCodeRunSettings& run = AppConfig::m_GCodeRunSettings;
    double fFeed = AppConfig::m_fAxisFeed[0];
    for (int i = 1; i < AppConfig::m_iMchType && i < AXIS_COUNT; ++i)
        fFeed = qMin(fFeed, AppConfig::m_fAxisFeed[i]);
    run.m_fFeed = fFeed;
    GetAllAxisCurPos(m_LastPos);
    m_lstSubPrgStart.clear();
    m_lstSubPrgReturn.clear();
    m_lstSubPrgRepeat.clear();
    run.m_eMoveCmnd = CMND_G01;
    m_bProgramEnded = false;

    // Every end of the run, its last line as much as a failure or the
    // emergency stop during a pause, waits for a status save still writing:
    // none lands after the run.
    const auto finish = [this](bool bResult) {
        WaitForExecStatusSave();
        return bResult;
    };
    unsigned int uiSaved = unsigned(run.m_uiStartLine);
    m_uiCurLine = unsigned(run.m_uiStartLine);
    while (m_pGCodeLines && m_uiCurLine < m_pGCodeLines->size()) {
        if (!WaitWhileHeld())
            return finish(false);
        if (run.m_bSaveExecStatus && !m_bWritingGCodeExecStatusFile && m_uiCurLine - uiSaved > 10u) {
            ReportExecStatusSaveFailure();
            m_bWritingGCodeExecStatusFile = true;
            const QString strPath = run.m_strGCodeFile;
            const QString strStatusFile = CAppPaths::GCodeExecStatusFile();
            const int iLine = int(m_uiCurLine - 1u);
            if (m_fnExecStatusSaveStarted)
                m_fnExecStatusSaveStarted(iLine);
            (void)QtConcurrent::run(&AppControl::AutoSaveGCodeExecStatus, strPath, iLine, strStatusFile);
            uiSaved = m_uiCurLine - 1u;
        }
        emit SelNxtGCodeLine(m_uiCurLine);
        if (!ExecGCodeLine(m_uiCurLine))
            return finish(m_bProgramEnded);
        ++m_uiCurLine;
    }
    m_bHold = false;
    return finish(true);
}

void AppControl::AutoSaveGCodeExecStatus(QString strPath, int iLine, QString strStatusFile)
{
    // Written whole to a temporary file and renamed over the old one, so an
    // interruption never leaves a cut-off status file.
    if (!CGCodeExecStatus::WriteTo(strStatusFile, strPath, iLine))
        m_bExecStatusSaveFailed = true;
    m_bWritingGCodeExecStatusFile = false;
}

void AppControl::WaitForExecStatusSave()
{
    while (m_bWritingGCodeExecStatusFile)
        CClock::SleepUs(10);
    ReportExecStatusSaveFailure();
}

void AppControl::ReportExecStatusSaveFailure()
{
    if (m_bExecStatusSaveFailed.exchange(false))
        AddErrMsg("Unable to save the G-code execution status file " + CAppPaths::GCodeExecStatusFile());
}

// ===========================================================================
// Image carving and shapes
// ===========================================================================

bool AppControl::CutShapes()
{
    if (!m_pShapeCuttingInfo) {
        AddErrMsg(QStringLiteral("No shapes are added"));
        return false;
    }
    CMachineMoveSink sink(*this);
    QString strErr;
    const bool bDone = CShapeCutting::Cut(*m_pShapeCuttingInfo, stCutSettings::FromConfig(), sink, false, strErr);
    if (!strErr.isEmpty())
        AddErrMsg(strErr);
    return bDone;
}

bool AppControl::ImgCarving()
{
    CMachineMoveSink sink(*this);
    QString strErr;
    const bool bDone = CImgCarving::Carve(m_ImgCarvingData.m_pImg.get(), *m_ImgCarvingData.m_pInfo,
                                          stCutSettings::FromConfig(), sink, strErr);
    if (!strErr.isEmpty())
        AddErrMsg(strErr);
    return bDone;
}

bool AppControl::WriteJobFile(const std::function<bool(QString&)>& write)
{
    // The writers rebuild the shared carving grid and read the shape list:
    // never while an operation uses them.
    if (IsOperationRunning()) {
        AddErrMsg(QStringLiteral("Machine in use"));
        return false;
    }
    QString strErr;
    if (write(strErr))
        return true;
    AddErrMsg(strErr);
    return false;
}

bool AppControl::CreateGCodeFromImage(QString strPath)
{
    return WriteJobFile([&](QString& strErr) {
        quint16 nRow = m_nCarvingRow;
        const bool bOk = CGCodeWriter::WriteImage(strPath, m_ImgCarvingData.m_pImg.get(), *m_ImgCarvingData.m_pInfo,
                                                  stCutSettings::FromConfig(), AppConfig::m_strLastFolderPath, strErr,
                                                  &nRow);
        m_nCarvingRow = nRow;
        return bOk;
    });
}

bool AppControl::WriteImageToGCodeFile(QString strPath)
{
    return WriteJobFile([&](QString& strErr) {
        quint16 nRow = m_nCarvingRow;
        const bool bOk = CGCodeWriter::AppendImageBody(strPath, m_ImgCarvingData.m_pImg.get(),
                                                       *m_ImgCarvingData.m_pInfo, stCutSettings::FromConfig(), strErr,
                                                       &nRow);
        m_nCarvingRow = nRow;
        return bOk;
    });
}

bool AppControl::CreateGCodeFromShapes(QString strPath)
{
    return WriteJobFile([&](QString& strErr) {
        if (!m_pShapeCuttingInfo || m_pShapeCuttingInfo->m_lstShapes.empty()) {
            strErr = QStringLiteral("No Shapes Added");
            return false;
        }
        return CGCodeWriter::WriteShapes(strPath, *m_pShapeCuttingInfo, stCutSettings::FromConfig(), strErr);
    });
}
