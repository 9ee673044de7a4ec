#pragma once
// The coordinated pulse loop: one busy-polling loop that plays every
// straight and arc segment of an operation on all moving axes from a single
// clock. Each axis follows its own acceleration, cruise and deceleration
// schedule from its AxisCtrl ramp table; every edge is scheduled on one
// absolute timeline per segment, so a late edge does not delay the ones after
// it.
//
// Use, per operation (controller thread):
//   CAllAxisCtrl::StartAutoMode(axes);          // the five AxisCtrl, eAxis order
//   per segment: AxisCtrl::SetAxisMovParams(target) on each moving axis,
//                set m_lstAxisToMov, StartMotion(), poll GetMotionState()
//   CAllAxisCtrl::StopAutoMode(); wait until m_bAutoModeRunning is false.
#include "core/common.h"

#include <atomic>
#include <functional>

class AxisCtrl;

// Which axes take part in the next segment, in eAxis order.
struct stAxisToMove
{
    bool m_bAxis[AXIS_COUNT];
    stAxisToMove();
};

class CAllAxisCtrl
{
public:
    CAllAxisCtrl() = delete;

    // Starts the loop on its own pool thread for the axes `pAxes` (an array
    // of five, X Y Z A B). A loop still ending from the previous operation is
    // waited for first; a loop still running is kept.
    static void StartAutoMode(AxisCtrl* pAxes);
    // The controller hands itself over: its array m_AxisCtrl is driven.
    template <class Ctrl>
    static void StartAutoMode(Ctrl* pCtrl)
    {
        StartAutoMode(pCtrl->m_AxisCtrl);
    }
    // Ends the loop: a running segment is abandoned at once (no ramp-down),
    // the step pins go low and m_bAutoModeRunning drops.
    static void StopAutoMode();
    // Releases the prepared segment; false (nothing released) when the loop
    // is not running. The answer is what was released: a short segment may
    // already be over (the motion state back to false) when this returns.
    static bool StartMotion();
    // True while a segment runs.
    static bool GetMotionState();
    // The loop itself; runs until StopAutoMode().
    static void RunAutoMode();

    // Pins the calling thread to the CPU reserved for the pulse loop (CPU 3)
    // when the machine has it. False when it runs unpinned; that is said
    // once per process.
    static bool PinToPulseCpu();

    static constexpr int PULSE_CPU = 3;

    static AxisCtrl* m_pAxisCtrl;                  // the driven axes, eAxis order
    static std::atomic<bool> m_bAutoMode;          // the loop keeps running
    static std::atomic<bool> m_bStartMotion;       // a segment is released and running
    static std::atomic<bool> m_bAutoModeRunning;   // the loop's thread is alive
    static stAxisToMove m_lstAxisToMov;            // axes of the next segment
    // Called by StartMotion right after a segment was released, on the
    // releasing thread; for tests (the loop may finish the segment there).
    static std::function<void()> m_fnSegmentReleased;
};
