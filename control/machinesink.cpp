#include "control/machinesink.h"

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "hal/clock.h"
#include "machine/allaxisctrl.h"

#include <QThread>

CMachineMoveSink::CMachineMoveSink(AppControl& ctrl)
    : m_Ctrl(ctrl)
{
}

bool CMachineMoveSink::Move(const stSinkMove& move)
{
    switch (move.m_eKind) {
    case eSinkMove::Rapid:
    case eSinkMove::Descent:
        return m_Ctrl.G00_Move(move.m_Target, true, true);
    case eSinkMove::Feed:
        return m_Ctrl.G01_Move(move.m_Target, true, true);
    case eSinkMove::Plunge:
        m_Ctrl.m_AxisCtrl[Z_AXIS].SetVelocityAcc(AppConfig::m_fPlungeFeed, AppConfig::m_fAxisAcc[Z_AXIS]);
        return m_Ctrl.G01_Move(move.m_Target, false, true);
    case eSinkMove::Walk:
        if (!m_Ctrl.SetAccAndVel(move.m_From, move.m_Target, CMND_G01))
            return false;
        return m_Ctrl.G01_Move(move.m_Target, false, false);
    case eSinkMove::ArcCCW:
    case eSinkMove::ArcCW:
        break;
    }
    return false;
}

stFloatPoint CMachineMoveSink::Position() const
{
    stFloatPoint pos;
    m_Ctrl.GetAllAxisCurPos(pos);
    return stSinkMove::At(pos.x, pos.y, pos.z);
}

bool CMachineMoveSink::HoldPoint()
{
    while (m_Ctrl.m_bHold) {
        CClock::SleepMs(1000);
        if (m_Ctrl.MustStop())
            return false;
    }
    return !m_Ctrl.MustStop();
}

bool CMachineMoveSink::WaitMotionStopped()
{
    while (CAllAxisCtrl::GetMotionState()) {
        if (m_Ctrl.MustStop())
            return false;
        QThread::yieldCurrentThread();
    }
    return !m_Ctrl.MustStop();
}

void CMachineMoveSink::ResetAccVel()
{
    m_Ctrl.ResetAccVel();
}

void CMachineMoveSink::SetCarvingRow(quint16 row)
{
    m_Ctrl.m_nCarvingRow = row;
}
