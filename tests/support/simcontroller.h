#pragma once
// Helpers for tests that drive the machine controller on the simulated pins
// and the virtual clock, with no window.
//
//   CSimControllerSetup setup;          // settings, pins, clock, folders
//   AppControl ctrl;                    // no parent, no window
//   CRecordingWindows windows; ctrl.SetWindows(&windows);
//   ctrl.InitMachine();
//   ctrl.StartGCode(&program);
//   QVERIFY(FinishOperation(ctrl));     // what the main window's poll does
#include "control/AppControl.h"
#include "control/IControlWindows.h"
#include "core/Launcher.h"
#include "hal/simpinbank.h"
#include "steptrain.h"
#include "testsupport.h"

#include <QMutex>
#include <QStringList>

// Stands in for the main window: records every call (name, and whether it
// came on the GUI thread).
class CRecordingWindows : public IControlWindows
{
public:
    void EnableDisableWindows() override { Record(QStringLiteral("EnableDisableWindows")); }
    void OnOperationFinish() override { Record(QStringLiteral("OnOperationFinish")); }
    void ClearToolGraphics() override { Record(QStringLiteral("ClearToolGraphics")); }
    void UpdateWorkArea() override { Record(QStringLiteral("UpdateWorkArea")); }

    QStringList Calls() const;
    // False once a call came on another thread than the GUI thread.
    bool AllOnGuiThread() const;
    void Clear();

private:
    void Record(const QString& strCall);
    mutable QMutex m_Mutex;
    QStringList m_lstCalls;
    bool m_bAllOnGuiThread = true;
};

// Records the programs the controller would start (never starts one) and
// installs itself for its lifetime.
class CRecordingLauncher : public CLauncher
{
public:
    CRecordingLauncher();
    ~CRecordingLauncher() override;
    bool StartDetached(const QString& program, const QStringList& arguments) override;
    // "program arg1 arg2", oldest first.
    QStringList Started() const;

private:
    mutable QMutex m_Mutex;
    QStringList m_lstStarted;
};

// For its lifetime: a temporary working folder, the virtual clock, the
// simulated pin bank at power-on, a launcher recorder, and the settings of a
// plain three-axis Pi machine (the settings store's defaults, no home
// switches, no emergency stop, not in simulation mode). Settings are put back
// to those values when it ends.
class CSimControllerSetup
{
public:
    CSimControllerSetup();
    ~CSimControllerSetup();

    // The settings store back to the defaults of a three-axis Pi machine.
    static void ResetSettings();

    CTempWorkingFolder m_Folder;
    CRecordingLauncher m_Launcher;
};

// What the main window's poll tick does at the end of an operation: waits
// (processing events, so queued window calls arrive) until the controller
// sets its finished flag and its thread has ended, then clears the flag and
// puts the run mode back to idle. False on timeout (real milliseconds).
bool FinishOperation(AppControl& ctrl, int iTimeoutMs = 30000);

// Waits until the controller's thread has ended, whatever the flag says
// (an operation ended by the emergency stop sets no finished flag).
bool WaitThreadEnd(AppControl& ctrl, int iTimeoutMs = 30000);

// Drains both message queues in the order the texts were queued, each as
// "error: text" or "info: text".
QStringList TakeMessages(AppControl& ctrl);

// The simulated bank with a short real pause after every write, installed
// behind CPins for its lifetime. On the virtual clock an axis thread runs
// through virtual time as fast as the CPU lets it; this keeps a move that
// takes minutes of machine time from being over before a waiting thread gets
// to look (timeouts). While it is installed the pins are written to it, not
// to CSimPinBank::Instance(): count its steps with CStepCounter(paced).
class CPacedPins : public CHookedPinBank
{
public:
    explicit CPacedPins(int iPauseUs = 20);
};

// Step pins of the simulated machine: counts step pulses of every axis in
// use (+1 positive, -1 negative) from the pin bank.
class CStepCounter
{
public:
    // Watches the step and direction pins of X..B on the given bank (the one
    // installed behind CPins while the steps are made).
    explicit CStepCounter(CSimPinBank& bank = CSimPinBank::Instance());
    qint64 Count(int iAxis) const;
    // Rising edges of the axis's step pin since the bank was last cleared.
    quint64 Pulses(int iAxis) const;
    int Handle(int iAxis) const { return m_iHandle[iAxis]; }

private:
    CSimPinBank* m_pBank;
    int m_iHandle[5];
};
