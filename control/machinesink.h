#pragma once
// The machine side of the job walks: each move of a picture carving or a
// shape cutting becomes the controller's own G00/G01 move, with the feeds,
// waits and pause handling the machine needs.
#include "control/movesink.h"

class AppControl;

class CMachineMoveSink : public CMoveSink
{
public:
    explicit CMachineMoveSink(AppControl& ctrl);

    // Rapids and feeds split their feed over the axes and wait for the end;
    // a plunge moves Z alone at the plunge feed and waits; a walk move sets
    // the feeds from its start to its target and returns once started (the
    // next move start waits for it). Arcs are not cut through this sink.
    bool Move(const stSinkMove& move) override;
    stFloatPoint Position() const override;
    // While the operator's pause is on, checks once a second; false once the
    // operation must stop (emergency stop, Stop or Reset).
    bool HoldPoint() override;
    // Polls the coordinated pulse loop until motion has stopped; false once
    // the operation must stop.
    bool WaitMotionStopped() override;
    void ResetAccVel() override;
    void SetCarvingRow(quint16 row) override;

private:
    AppControl& m_Ctrl;
};
