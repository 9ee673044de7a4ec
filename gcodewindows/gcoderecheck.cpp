#include "gcodewindows/gcoderecheck.h"

#include "gcode/gcodechecker.h"

#include <QtConcurrent/QtConcurrentRun>
#include <memory>

CGCodeRecheck::CGCodeRecheck(QObject* parent)
    : QObject(parent)
{
    connect(&m_Watcher, &QFutureWatcher<GCodeErrorMap>::finished, this, &CGCodeRecheck::OnFinished);
}

CGCodeRecheck::~CGCodeRecheck()
{
    m_Watcher.waitForFinished();
}

void CGCodeRecheck::Request()
{
    ++m_nRequest;
    m_bPending = true;
    // A check running now answers an older program: the newest goes next.
    if (!m_Watcher.isRunning())
        Launch();
}

void CGCodeRecheck::Drop()
{
    ++m_nRequest;
    m_bPending = false;
}

void CGCodeRecheck::Launch()
{
    m_nRunning = m_nRequest;
    // The copy is the only cost left on the GUI thread (a few milliseconds
    // for 200,000 lines); the window edits the program itself meanwhile.
    auto pProgram = std::make_shared<const GCodeCmdList>(CGCodeProgram::m_lstOfGCodeCmds);
    const stGCodeCheckMachine machine = CGCodeChecker::MachineFromSettings();
    m_Watcher.setFuture(QtConcurrent::run([pProgram, machine]() {
        GCodeErrorMap errors;
        try {
            CGCodeChecker::Check(*pProgram, errors, machine);
        } catch (...) {
            // Out of memory, say: the program must not pass for checked.
            CGCodeChecker::RegisterError(errors, *pProgram, 0, 0, "Invalid:Compilation Failed");
        }
        return errors;
    }));
}

void CGCodeRecheck::OnFinished()
{
    if (m_nRunning != m_nRequest) {
        // Overtaken by an edit (or dropped): check the program as it is now.
        if (m_bPending)
            Launch();
        return;
    }
    m_bPending = false;
    emit Checked(m_Watcher.result());
}
