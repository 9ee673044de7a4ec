#pragma once
// The check of the program after an edit, away from the GUI thread, so that
// an edit of a program of hundreds of thousands of lines leaves the window
// answering. The check runs on the long-jobs pool on a copy of the token
// lists (the operator may go on editing the program meanwhile); only the
// answer to the latest request comes back (Checked, on the GUI thread): an
// answer that a later edit has overtaken is dropped. One check runs at a
// time; requests made while it runs are folded into one check of the
// program as it is when the running one ends.
//
// The copy is taken whole once, by the task of the whole check that follows
// a load (while the program cannot change), and then follows the edits: the
// window reports each inserted, erased or changed line, and before the next
// check the copy makes the same change, so an edit costs the GUI thread one
// line, not the whole program.
//
// Until the latest request is answered the program's verdict is unknown:
// the window refuses to run it while Pending() is true.
#include "gcode/gcodeprogram.h"

#include <QFutureWatcher>
#include <QObject>
#include <memory>
#include <vector>

class CGCodeRecheck : public QObject
{
    Q_OBJECT

public:
    explicit CGCodeRecheck(QObject* parent = nullptr);
    // Waits for a check still running (its answer is not delivered).
    ~CGCodeRecheck() override;

    // GUI thread: the whole check of the program (CGCodeChecker::CompileGCode,
    // answered by pNotify's GCodeCompilationComplete), as after a load or
    // when the operator asks. Its task first takes the copy the checks after
    // edits start from; the program is not edited while it runs.
    QFuture<void> StartWholeCheck(QObject* pNotify);
    // GUI thread: line iLine of the program (CGCodeProgram::m_lstOfGCodeCmds)
    // was inserted, erased, or changed (an update, or each line of a swap),
    // checked or not.
    void Inserted(size_t iLine);
    void Erased(size_t iLine);
    void Changed(size_t iLine);
    // GUI thread: the program has changed; check it as it is now.
    void Request();
    // GUI thread: no answer is wanted any more, and the copy is let go (the
    // program was replaced, or is being checked another way).
    void Drop();
    // A request has not been answered yet.
    bool Pending() const { return m_bPending; }

signals:
    // The verdicts of the program as it was at the latest request.
    void Checked(GCodeErrorMap errors);

private:
    enum eEdit { EDIT_INSERT, EDIT_ERASE, EDIT_SET };
    struct stEdit
    {
        eEdit m_eEdit;
        size_t m_iLine;
        GCodeTokens m_Words; // the line's words after the edit
    };

    void Record(eEdit eKind, size_t iLine);
    // The copy made equal to the program: the recorded edits made on it, or
    // taken whole when there is none yet (or it does not match).
    void UpdateCopy();
    void Launch();
    void OnFinished();

    std::shared_ptr<GCodeCmdList> m_pCopy; // read by the running check
    // The copy the whole check's task takes, until UpdateCopy takes it over.
    std::shared_ptr<std::shared_ptr<GCodeCmdList>> m_pSeed;
    QFuture<void> m_SeedTask;
    std::vector<stEdit> m_lstEdits;         // made on the program since the copy was updated

    QFutureWatcher<GCodeErrorMap> m_Watcher;
    quint64 m_nRequest = 0; // the latest request
    quint64 m_nRunning = 0; // the request the running check answers
    bool m_bPending = false;
};
