// AppControl: straight moves (feed split, limit check, motion start), and
// homing, work zero and manual moves.
#include "control/AppControl.h"

#include <cmath>
#include <cstdlib>

#include "control/AppControlShared.h"
#include "control/IControlWindows.h"
#include "gcode/gcodewords.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/UnitConverter.h"
#include "hal/clock.h"
#include "machine/allaxisctrl.h"

using namespace appcontrol;

namespace {
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
    // On a three-axis machine A and B keep what the program last gave them.
    ReadAxesPos(m_AxisCtrl, AxesInUse(), pos);
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
