#pragma once
// The G-code program of the process: its text lines, its token lists, the
// checker's verdicts and the busy flags, plus the tokenizer, the file loader
// and the file writer.
//
// There is exactly one program per process. The G-code window shows and
// edits it, the checker (gcode/gcodechecker.h) checks it, and the controller
// runs it: a run receives the address of m_lstOfGCodeCmds
// (AppControl::StartGCode(&CGCodeProgram::m_lstOfGCodeCmds)) and reads the
// token lists on its own thread for as long as the run lasts. The text lines
// never reach the controller.
//
// The G-code window wraps this class: its class-level program data are these
// statics (for instance as static reference members
//   static inline std::vector<QString>& m_lstOfGCodeLines = CGCodeProgram::m_lstOfGCodeLines;
// ), its LoadGCode / Parse_GCode_Line / ClearCurGCodeData call these, and its
// signal GCodeLoadComplete() is what LoadGCode emits on the object it is given.
//
// Invariant: both vectors have the same length and element i of each belongs
// to line i (zero-based). Every change of the program changes both at the same
// index in the same step.
//
// Threads: the model has no lock. While m_bGCodeLoading or m_bGCodeCompiling
// is set only the task that set it may touch the vectors and the error table;
// while the controller runs the program the vectors must not change.
#include <QFuture>
#include <QString>
#include <atomic>
#include <map>
#include <string>
#include <vector>

class QObject;

// One line's words: each an 8-bit string such as "G01" or "X10.5".
using GCodeTokens = std::vector<std::string>;
// One token list per program line.
using GCodeCmdList = std::vector<GCodeTokens>;
// Zero-based line index -> that line's error text (only lines with errors).
using GCodeErrorMap = std::map<unsigned int, std::string>;

class CGCodeProgram
{
public:
    // ---- The program (one per process) ----
    static std::vector<QString> m_lstOfGCodeLines; // text as read or typed, not trimmed
    static GCodeCmdList m_lstOfGCodeCmds;          // what the checker checks and the controller runs
    static GCodeErrorMap m_CompilationErrors;      // the checker's verdicts
    static std::atomic<bool> m_bGCodeLoading;      // a load task is filling the model
    static std::atomic<bool> m_bGCodeCompiling;    // a check is running
    static std::atomic<bool> m_bToolChgCompiling;  // the checker is inside a tool-change file

    // The byte that stands for any character outside 7-bit ASCII (and for
    // NUL). No rule of the checker or the interpreter accepts it, so a stray
    // letter with a diacritic can never turn into an axis or G word.
    static constexpr char INVALID_BYTE = char(0xFF);
    // The byte a program character is kept as: itself for 7-bit ASCII,
    // INVALID_BYTE for NUL and for anything else.
    static char ByteOf(char16_t c) { return (c > 0 && c < 128) ? char(c) : INVALID_BYTE; }

    // ---- Tokenizer ----
    // Splits one line into words. Blanks between words are skipped; a word is
    // any non-blank character followed by the run of blanks, digits, '.' and
    // '-' after it, the blanks dropped ("X 10 . 5" gives X10.5). A single
    // character at the very end of the line is dropped ("M5 X" gives M5; the
    // ")" of a comment). Characters of 7-bit ASCII are kept as they are,
    // every other character becomes INVALID_BYTE.
    static GCodeTokens Parse_GCode_Line(const QString& strLine);
    // The same into `out` (cleared first); `out` gets exactly the capacity
    // it needs.
    static void Parse_GCode_Line(const QString& strLine, GCodeTokens& out);

    // ---- Editing (the window's Insert, Update, Delete and move buttons) ----
    // Each keeps both vectors in step. Call them only while no task fills or
    // checks the model and no run uses it.
    //
    // The split of a line typed for Insert (not the loader's tokenizer): the
    // text is cut at every " ", empty parts are dropped and each part is one
    // token of its UTF-8 bytes, so "G01X10" stays the single token G01X10
    // and "X 10" gives X and 10. Bytes of non-ASCII characters are all
    // above 0x7F, which nothing accepts.
    static GCodeTokens SplitEditedLine(const QString& strText);
    // Inserts a line before `iIndex` (kept between 0 and LineCount());
    // returns the index the line got.
    static size_t InsertLine(size_t iIndex, const QString& strText, GCodeTokens tokens);
    // Replaces a line's text, and its tokens by Parse_GCode_Line of the text.
    static bool UpdateLine(size_t iIndex, const QString& strText);
    static bool EraseLine(size_t iIndex);
    static bool SwapLines(size_t iA, size_t iB);

    // ---- Files ----
    // The longest line a program file may have, in bytes without its line
    // end. CAM programs keep lines under a hundred characters; a longer line
    // is not G-code (a picture or an archive opened by mistake, a comment
    // gone wrong) and would cost memory many times its size once loaded.
    static constexpr qsizetype MAX_LINE_BYTES = 64 * 1024;
    // The text lines of a file: LF, CR LF and a lone CR each end a line
    // (removed), blank lines kept, UTF-8 (a leading byte-order mark is
    // skipped). `lines` is replaced only when the whole file was read; false
    // with a reason in `pErr` otherwise. A line longer than MAX_LINE_BYTES
    // refuses the file, naming the line, before it takes more memory.
    static bool ReadTextLines(const QString& strFilePath, std::vector<QString>& lines, QString* pErr = nullptr);
    // Reads a program file: one element per text line as ReadTextLines
    // gives them. Appends to `lines` and `cmds` only when the whole file was
    // read; false with a reason in `pErr` otherwise (nothing appended).
    static bool ReadProgramFile(const QString& strFilePath, std::vector<QString>& lines, GCodeCmdList& cmds,
                                QString* pErr = nullptr);
    // Writes `lines`, each followed by "\n", through a temporary file renamed
    // over `strFilePath`; the old file stays untouched when this fails
    // (false, reason in `pErr`).
    static bool WriteProgramFile(const QString& strFilePath, const std::vector<QString>& lines,
                                 QString* pErr = nullptr);
    // `strPath` with ".ncc" appended when its file-name part (after the last
    // "/") has no "." at a position other than its first character:
    // prog -> prog.ncc, .cut -> .cut.ncc, prog.tap stays, a.b/prog -> a.b/prog.ncc.
    static QString WithGCodeExtension(const QString& strPath);

    // ---- Loading ----
    // The load task. Reads `strFilePath` and appends its lines and token lists
    // to the model, clears m_bGCodeLoading and then, when pObj is not null,
    // emits pObj's signal GCodeLoadComplete(). When the file cannot be read
    // the model is unchanged, m_bGCodeLoading is cleared, and pObj's signal
    // GCodeLoadFailed(QString) is emitted with the reason if pObj has such a
    // signal (GCodeLoadComplete() is not emitted). The signals are emitted on
    // the task's thread, so a receiver on the GUI thread gets them queued.
    static void LoadGCode(QString strFilePath, QObject* pObj);
    // Sets m_bGCodeLoading and runs LoadGCode on the long-jobs pool (CLongJobs).
    // The caller empties the model first (ClearCurGCodeData).
    static QFuture<void> StartLoadGCode(const QString& strFilePath, QObject* pObj);

    // Empties the text lines, the token lists (releasing their storage) and
    // the error table. Flags are left alone.
    static void ClearCurGCodeData();
    // Emits pObj's signal `strSignal` (a name such as "GCodeLoadComplete",
    // without arguments, or with one QString when pArg is given) on the
    // calling thread; nothing when pObj is null or has no such signal.
    static void Notify(QObject* pObj, const char* strSignal, const QString* pArg = nullptr);

    static bool IsEmpty() { return m_lstOfGCodeLines.empty(); }
    static size_t LineCount() { return m_lstOfGCodeLines.size(); }
};
