#pragma once
// The G-code checker: walks the token lists of a program before it is run and
// records, per line, every word the machine would not accept or that breaks a
// format rule of the program. It never changes the program.
//
// A verdict is one entry per error: the token's text, "(", the message and
// ")"; the entries of a line are joined by "\n" in the order they were found
// and stored under the line's zero-based index. A program with entries is
// refused when it is to be run.
//
// The arc plane is the checker's own: every check starts at G17 and G15, G17,
// G18 and G19 words move it for the lines that follow; the machine's plane
// (AppConfig::m_PlaneSel) is neither read nor written, so a check never
// changes the next run and two checks of one program always agree.
//
// A T word names a tool-change file in the working folder (T1 -> T1.txt). The
// file is read and checked with the program's current plane in a list of its
// own (the program the controller points at is never swapped); each of its
// errors is reported on the line of the T word, as the tool file's token,
// "(", the message, the tool file's path, ", line " and the zero-based line of
// the tool file, ")". T words inside a tool file are refused.
#include "core/common.h"
#include "gcode/gcodeprogram.h"

#include <QFuture>
#include <functional>
#include <string>

class QObject;

// What the checker needs to know about the machine.
struct stGCodeCheckMachine
{
    int iMchType = 3;                  // axes in use: 3 (A and B words refused) or 5
    eKivController eCtrl = CTRL_KIVQ10; // which M-code outputs exist
};

class CGCodeChecker
{
public:
    // No more entries than this are kept for one line (a line of thousands of
    // repeated words would otherwise make a text of millions of entries).
    static constexpr int MAX_ERRORS_PER_LINE = 100;
    // The entry of a check that could not finish (out of memory, say), so
    // that the program never passes for checked.
    static const std::string MSG_FAILED;

    // Checks the process's program (CGCodeProgram::m_lstOfGCodeCmds) into
    // CGCodeProgram::m_CompilationErrors, which the caller empties first.
    // Reads the machine type and controller kind from the settings. Whatever
    // happens, it ends by clearing m_bToolChgCompiling and m_bGCodeCompiling
    // and, when pObj is not null, emitting pObj's signal
    // GCodeCompilationComplete() (on the calling thread; a receiver on the
    // GUI thread gets it queued). Runs synchronously; see StartCompileGCode
    // for the background check.
    static void CompileGCode(QObject* pObj = nullptr);
    // Sets m_bGCodeCompiling, empties m_CompilationErrors and runs
    // CompileGCode(pObj) on the long-jobs pool (CLongJobs); `before`, when given,
    // runs on the same task first, while the flag still holds edits back.
    static QFuture<void> StartCompileGCode(QObject* pObj, std::function<void()> before = {});

    // Checks any token lists into `errors` (appends; does not clear).
    static void Check(const GCodeCmdList& prog, GCodeErrorMap& errors, const stGCodeCheckMachine& machine);

    // The machine as the settings describe it.
    static stGCodeCheckMachine MachineFromSettings();

    // Appends the entry token(iLine, iToken) + "(" + msg + ")" to the line's
    // text in `errors` ("\n" between entries).
    static void RegisterError(GCodeErrorMap& errors, const GCodeCmdList& prog, unsigned int iLine,
                              size_t iToken, const std::string& strMsg);
    // Every character '0' to '9' (an empty text is an integer).
    static bool isInteger(const std::string& str);
    // Digits and '.' only, optionally after one leading '-' (an empty text
    // and "1.2.3" pass; "1-2" does not).
    static bool isDecimalNumber(const std::string& str);
};
