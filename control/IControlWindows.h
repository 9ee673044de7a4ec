#pragma once

// The only way the machine controller reaches the windows. The main window
// implements it (and forwards the work-area update to the shape designer);
// tests install a recorder, so the controller runs with no window at all.
//
// The controller calls these on the GUI thread only: directly when it is
// already there (the starters), queued onto the GUI thread when it comes from
// its own operation thread.
class IControlWindows
{
public:
    virtual ~IControlWindows() = default;

    // An operation has just been given its run mode: disable the panels that
    // must not be used while it runs and log its start.
    virtual void EnableDisableWindows() = 0;
    // Puts the windows back after an operation (also reached through the
    // finished flag that the main window polls).
    virtual void OnOperationFinish() = 0;
    // A job is starting: clear the tool-path drawing.
    virtual void ClearToolGraphics() = 0;
    // A work zero was stored: the shape designer's work area follows it.
    virtual void UpdateWorkArea() = 0;
};
