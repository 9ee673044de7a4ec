#include "gcodewindows/gcoderecheck.h"

#include "gcode/gcodechecker.h"
#include "core/LongJobs.h"

#include <QtConcurrent/QtConcurrentRun>
#include <memory>
#include <new>

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
    // A running check keeps its own reference to the copy.
    m_pCopy.reset();
    m_pSeed.reset();
    m_SeedTask = QFuture<void>();
    m_lstEdits.clear();
}

QFuture<void> CGCodeRecheck::StartWholeCheck(QObject* pNotify)
{
    Drop();
    auto pSeed = std::make_shared<std::shared_ptr<GCodeCmdList>>();
    m_pSeed = pSeed;
    m_SeedTask = CGCodeChecker::StartCompileGCode(pNotify, [pSeed]() {
        // Taken while the compiling flag holds every edit back.
        try {
            *pSeed = std::make_shared<GCodeCmdList>(CGCodeProgram::m_lstOfGCodeCmds);
        } catch (const std::bad_alloc&) {
            pSeed->reset(); // the first check after an edit copies it
        }
    });
    return m_SeedTask;
}

void CGCodeRecheck::Inserted(size_t iLine) { Record(EDIT_INSERT, iLine); }
void CGCodeRecheck::Erased(size_t iLine) { Record(EDIT_ERASE, iLine); }
void CGCodeRecheck::Changed(size_t iLine) { Record(EDIT_SET, iLine); }

void CGCodeRecheck::Record(eEdit eKind, size_t iLine)
{
    // Without a copy the next check takes the program whole.
    if (!m_pCopy && !m_pSeed)
        return;
    const GCodeCmdList& prog = CGCodeProgram::m_lstOfGCodeCmds;
    stEdit edit{eKind, iLine, {}};
    if (eKind != EDIT_ERASE && iLine < prog.size())
        edit.m_Words = prog[iLine];
    m_lstEdits.push_back(std::move(edit));
}

void CGCodeRecheck::UpdateCopy()
{
    const GCodeCmdList& prog = CGCodeProgram::m_lstOfGCodeCmds;
    if (!m_pCopy && m_pSeed) {
        // Ended with the whole check, before any edit could be made.
        m_SeedTask.waitForFinished();
        m_pCopy = *m_pSeed;
        m_pSeed.reset();
    }
    bool bWhole = !m_pCopy;
    if (!bWhole) {
        GCodeCmdList& copy = *m_pCopy;
        for (stEdit& edit : m_lstEdits) {
            const size_t i = edit.m_iLine;
            if (edit.m_eEdit == EDIT_INSERT && i <= copy.size())
                copy.insert(copy.begin() + std::ptrdiff_t(i), std::move(edit.m_Words));
            else if (edit.m_eEdit == EDIT_ERASE && i < copy.size())
                copy.erase(copy.begin() + std::ptrdiff_t(i));
            else if (edit.m_eEdit == EDIT_SET && i < copy.size())
                copy[i] = std::move(edit.m_Words);
            else
                bWhole = true; // an edit the copy cannot follow
        }
        // A program changed without a word to this class is never checked
        // in place of the one shown.
        bWhole = bWhole || copy.size() != prog.size();
    }
    m_lstEdits.clear();
    if (bWhole)
        m_pCopy = std::make_shared<GCodeCmdList>(prog);
}

void CGCodeRecheck::Launch()
{
    m_nRunning = m_nRequest;
    // No check runs now: the copy can follow the edits.
    UpdateCopy();
    std::shared_ptr<const GCodeCmdList> pProgram = m_pCopy;
    const stGCodeCheckMachine machine = CGCodeChecker::MachineFromSettings();
    m_Watcher.setFuture(QtConcurrent::run(CLongJobs::Pool(), [pProgram, machine]() {
        GCodeErrorMap errors;
        try {
            CGCodeChecker::Check(*pProgram, errors, machine);
        } catch (...) {
            // Out of memory, say: the program must not pass for checked.
            CGCodeChecker::RegisterError(errors, *pProgram, 0, 0, CGCodeChecker::MSG_FAILED);
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
