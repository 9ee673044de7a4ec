#pragma once
// One stepper axis driven by software step and direction signals.
//
// The axis owns its ramp table (the high and low time of every pulse that
// takes it from standstill to the cruise rate, in nanoseconds) and a thread
// that plays one move: acceleration pulses from the table, cruise pulses, then
// the table backwards. Half pulses are timed by busy-waiting on the program's
// clock (hal/clock.h); the loop never sleeps, allocates or locks.
//
// Two tables are kept: the pulse loops read buffer m_nActiveTable, a new
// table is built into the other one, and the switch happens under the table
// mutex at the start of the next move, never during one.
//
// Coordinated moves are played by CAllAxisCtrl (machine/allaxisctrl.h), which
// reads the tables, phase counts, step size and direction of each axis and
// moves m_lCurPos; it never starts the axis thread.
#include "core/common.h"
#include "core/UnitConverter.h"
#include "hal/clock.h"

#include <QMutex>
#include <QString>
#include <QThread>
#include <QVector>

#include <atomic>
#include <vector>

class AxisCtrl : public QThread
{
public:
    AxisCtrl();
    // Stops a running move and waits for the thread.
    ~AxisCtrl() override;

    // ---- Configuration ----
    // Reloads step size, soft limits and feed of axis m_iAxisIndex from the
    // settings store and builds a new ramp table for the working feed.
    // Returns false when the table was refused (see SetVelocityAcc).
    bool ConfigAxis();
    // Builds a new ramp table for `fFeed` (mm/s) and `fAcc` (mm/s^2) into the
    // buffer not in use. 1 when built; 0 when the feed, acceleration, jerk
    // (S-curve), sampling time, step size or duty cycle makes no usable
    // table: then nothing changes and GetErrorMsg() says why.
    int SetVelocityAcc(double fFeed, double fAcc);
    // Why axis iAxis could not build a ramp table for fFeed and fAcc with
    // the settings store's other motor settings (step, duty cycle, jerk,
    // sampling time, curve type): the text SetVelocityAcc would give. Empty
    // when it could. Builds nothing and changes nothing.
    static QString RampError(int iAxis, double fFeed, double fAcc);
    // After the travel per pulse changed in the settings: false with
    // "Step Resolution value must be greater than zero" when it is below one
    // internal unit (0.0001 mm), else the axis is configured again.
    bool UpdateStepResolution();
    // After the duty cycle changed: false with "Duty cycle value must be
    // between zero and 1" unless 0 < duty <= 1, else a new table is built.
    bool UpdateDutyCycle();

    // ---- Moves (true when accepted; the message of a refusal is in
    // GetErrorMsg()) ----
    bool MoveAbs(double fMm);
    bool MoveRel(double fMm);
    bool MoveWorkZero();
    bool MoveAxisHome();
    bool Jog(eDirection eDir);
    // Prepares a move to `fMm` for the coordinated loop: limit check,
    // direction pin, phase counts. Starts nothing.
    bool SetAxisMovParams(double fMm);
    bool CheckValidMotion(long lTarget);
    // False, with "<axis> Absolute Position value must be between ..." as
    // error text, when the target (mm) is not a length the internal unit
    // holds: such a target is refused, never clamped.
    bool CheckTargetInRange(double fMm);
    int CreateMotionCurve();

    // ---- Stopping and state ----
    // Ends the move after the current pulse and waits until the thread is done.
    void Stop();
    // Ramps a running move down through the table from where it stands.
    void DeccelerateAxis();
    int SetDirection(eDirection eDir);
    void SetMchHome();
    void SetWorkZero();
    void SetCurPos(double fMm);
    double GetCurPos() const { return CUnitConverter::GetDouble(GetCurPosLong()); }
    long GetCurPosLong() const { return m_lCurPos.load(std::memory_order_relaxed); }
    QString GetErrorMsg() const;
    bool IsAxisHomeSet() const { return m_bHomeSet; }
    void ClearHome() { m_bHomeSet = false; }
    bool GetAxisState() const { return m_bMoving; }

    // Longest ramp a table may hold; a feed this far above what the
    // acceleration reaches in reasonable time is refused.
    static constexpr size_t MAX_RAMP_PULSES = 2000000;

    // ---- Fields shared with the controller and the coordinated loop ----
    std::atomic<bool> m_bHoming{false};       // homing move: no limit check, stop on the home switch
    qint16 m_iAxisIndex = 0;                  // eAxis of this axis
    std::atomic<bool> m_bRecordVelProfile{false};
    std::vector<double> m_lstRampHighNs[2];   // per buffer: high time of each ramp pulse, ns
    std::vector<double> m_lstRampLowNs[2];    // per buffer: low time of each ramp pulse, ns
    double m_fCruiseHighNs[2] = {100.0, 100.0};
    double m_fCruiseLowNs[2] = {100.0, 100.0};
    QVector<double> m_lstVelProfile;          // pulses/s of each ramp sample while recording
    long m_lPosDirLimit = 0;                  // soft limits, 1/10000 mm, work coordinates
    long m_lNegDirLimit = 0;
    quint8 m_nActiveTable = 0;                // buffer the pulse loops read
    quint32 m_nAccPulses = 0;
    quint32 m_nCruisePulses = 0;
    quint32 m_nDecPulses = 0;
    std::atomic<bool> m_bDecelerate{false};
    CStopWatch m_PulseTimer;
    std::atomic<long> m_lCurPos{0};           // 1/10000 mm, work coordinates
    long m_lTargetPos = 0;
    long m_lStepSize = 0;                     // travel per pulse, 1/10000 mm
    std::atomic<bool> m_bMoving{false};       // clearing it stops the pulse loops
    std::atomic<bool> m_bHomeSet{false};
    std::atomic<bool> m_bMotionDone{true};
    eDirection m_eMoveDir = eDirection(0);    // level last written to the direction pin
    double m_fTableFeed[2] = {3.0, 3.0};
    std::atomic<bool> m_bNewTable{false};     // the other buffer holds a table not yet used
    QMutex m_TableMutex;
    std::atomic<bool> m_bStopOnZProbe{false}; // Z stops when the probe input reads 1

protected:
    void run() override;

private:
    // m_iAxisIndex as an index into the per-axis settings (never outside them).
    int Axis() const { return qBound(0, int(m_iAxisIndex), AXIS_COUNT - 1); }
    void MoveAxis();
    // Direction and pulse count of the move to m_lTargetPos and the phase
    // split on the active table. False (nothing set) when the target is less
    // than one step away.
    bool PreparePhases(bool bAlwaysWriteDir);
    void SwitchToNewTable();
    // False, with the reason as error text, when no move can be played: the
    // step size is below one internal unit or no table could be built.
    bool CheckMoveSetup();
    bool RefuseWhileMoving();
    // Limit check and move set-up for a target; on success it becomes
    // m_lTargetPos.
    bool AcceptTarget(long lTarget);
    void SetErrorMsg(const QString& strMsg);
    // Why the settings of axis ax cannot give a ramp table before one is
    // built; empty when they can.
    static QString RampSettingsError(int ax, double fFeed, double fAcc);

    QString m_strErrorMsg;
    mutable QMutex m_MsgMutex;     // m_strErrorMsg is set and read from several threads
    QString m_strTableErrorMsg;    // why the last table was refused (under m_TableMutex)
    bool m_bTableValid[2] = {false, false};
};
