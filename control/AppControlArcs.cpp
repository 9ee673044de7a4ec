// AppControl: arcs, the Z zero by probe and the Z profile.
#include "control/AppControl.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "control/AppControlShared.h"
#include "control/zprofile.h"
#include "core/AppConfig.h"
#include "core/UnitConverter.h"
#include "machine/rpigpio.h"

using namespace appcontrol;

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

// Names the program line of a refused arc (its index in the list being run,
// as the other line errors and the start line count).
QString LineOfArc(int iLineNo)
{
    return iLineNo < 0 ? QString() : QStringLiteral(", line ") + QString::number(iLineNo);
}
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
        AddErrMsg(geometry.ErrorMsg() + LineOfArc(int(iLineNo)));
        return false;
    }
    return G02_G03_Move(&arc, int(iLineNo));
}

bool AppControl::FindArcCenter(stGCodeEllipseInfo& arc)
{
    CArcGeometry geometry = ArcGeometry();
    if (geometry.FindArcCenter(arc))
        return true;
    AddErrMsg(geometry.ErrorMsg());
    return false;
}

bool AppControl::G02_G03_Move(stGCodeEllipseInfo* pArc, int iLineNo)
{
    // The first segment starts where all axes are now.
    stFloatPoint prev = AxesPos(m_AxisCtrl);
    if (ZProfileInUse())
        prev.z = pArc->m_StartPt.z; // the programmed Z, not the corrected one
    CArcGeometry geometry = ArcGeometry();
    QList<stFloatPoint> points;
    if (!geometry.GeneratePoints(*pArc, prev, points)) {
        AddErrMsg(geometry.ErrorMsg() + LineOfArc(iLineNo));
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
    bool bDryRunNoted = false;
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
                    const QString strWhere = QStringLiteral("X:") + QString::number(pt.x, 'f', 4) +
                                             QStringLiteral(" Y:") + QString::number(pt.y, 'f', 4);
                    // On the machine a point without contact has no height:
                    // the profile stops there. In simulation nothing touches
                    // the probe, so a dry run takes the lowest Z reached and
                    // goes on over the whole grid.
                    if (!AppConfig::m_bSimulationMode) {
                        AddErrMsg(QStringLiteral("Z probe did not touch the work-piece at ") + strWhere +
                                  QStringLiteral(": Z profile stopped"));
                        return false;
                    }
                    if (!bDryRunNoted) {
                        AddInfoMsg(QStringLiteral("Simulation: Z probe did not touch at ") + strWhere +
                                   QStringLiteral("; points without contact get the lowest Z reached"));
                        bDryRunNoted = true;
                    }
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
