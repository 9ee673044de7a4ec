#pragma once
// The check of the program after an edit, away from the GUI thread, so that
// an edit of a program of hundreds of thousands of lines leaves the window
// answering. A request copies the token lists (the operator may go on
// editing the program meanwhile) and checks the copy on the global thread
// pool; only the answer to the latest request comes back (Checked, on the
// GUI thread): an answer that a later edit has overtaken is dropped. One
// check runs at a time; requests made while it runs are folded into one
// check of the program as it is when the running one ends.
//
// Until the latest request is answered the program's verdict is unknown:
// the window refuses to run it while Pending() is true.
#include "gcode/gcodeprogram.h"

#include <QFutureWatcher>
#include <QObject>

class CGCodeRecheck : public QObject
{
    Q_OBJECT

public:
    explicit CGCodeRecheck(QObject* parent = nullptr);
    // Waits for a check still running (its answer is not delivered).
    ~CGCodeRecheck() override;

    // GUI thread: the program (CGCodeProgram::m_lstOfGCodeCmds) has
    // changed; check it as it is now.
    void Request();
    // GUI thread: no answer is wanted any more (the program was replaced,
    // or is being checked another way).
    void Drop();
    // A request has not been answered yet.
    bool Pending() const { return m_bPending; }

signals:
    // The verdicts of the program as it was at the latest request.
    void Checked(GCodeErrorMap errors);

private:
    void Launch();
    void OnFinished();

    QFutureWatcher<GCodeErrorMap> m_Watcher;
    quint64 m_nRequest = 0; // the latest request
    quint64 m_nRunning = 0; // the request the running check answers
    bool m_bPending = false;
};
