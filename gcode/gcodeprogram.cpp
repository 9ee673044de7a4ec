#include "gcode/gcodeprogram.h"

#include "core/FileSaver.h"
#include "core/LongJobs.h"

#include <QFile>
#include <QMetaObject>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>
#include <QStringList>
#include <algorithm>
#include <iterator>

std::vector<QString> CGCodeProgram::m_lstOfGCodeLines;
GCodeCmdList CGCodeProgram::m_lstOfGCodeCmds;
GCodeErrorMap CGCodeProgram::m_CompilationErrors;
std::atomic<bool> CGCodeProgram::m_bGCodeLoading{false};
std::atomic<bool> CGCodeProgram::m_bGCodeCompiling{false};
std::atomic<bool> CGCodeProgram::m_bToolChgCompiling{false};

namespace {
// Character classes of 7-bit ASCII for the tokenizer; anything above goes
// through QChar (Unicode blanks and digits).
enum : unsigned char { CH_OTHER = 0, CH_BLANK = 1, CH_VALUE = 2 };

struct CharTable
{
    unsigned char cls[128] = {};
    CharTable()
    {
        for (int c = 0; c < 128; ++c) {
            if (QChar(c).isSpace())
                cls[c] = CH_BLANK;
            else if ((c >= '0' && c <= '9') || c == '.' || c == '-')
                cls[c] = CH_VALUE;
        }
    }
};
const CharTable g_Chars;

inline unsigned char ClassOf(char16_t c)
{
    if (c < 128)
        return g_Chars.cls[c];
    const QChar qc(c);
    if (qc.isSpace())
        return CH_BLANK;
    return qc.isDigit() ? CH_VALUE : CH_OTHER;
}

}

void CGCodeProgram::Parse_GCode_Line(const QString& strLine, GCodeTokens& out)
{
    // Built in a scratch list first so that `out` is allocated once with its
    // exact size: a million-line program keeps no slack.
    thread_local GCodeTokens scratch;
    size_t nTokens = 0;
    const char16_t* s = reinterpret_cast<const char16_t*>(strLine.utf16());
    const qsizetype n = strLine.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = s[i];
        if (ClassOf(c) == CH_BLANK) {
            ++i;
            continue;
        }
        ++i;
        if (i == n)
            break; // a lone character at the end of the line is dropped
        if (nTokens == scratch.size())
            scratch.emplace_back();
        std::string& tok = scratch[nTokens++];
        tok.assign(1, ByteOf(c));
        while (i < n) {
            const unsigned char cls = ClassOf(s[i]);
            if (cls == CH_OTHER)
                break;
            if (cls == CH_VALUE)
                tok.push_back(ByteOf(s[i]));
            ++i;
        }
    }
    GCodeTokens exact;
    exact.reserve(nTokens);
    for (size_t k = 0; k < nTokens; ++k)
        exact.push_back(std::move(scratch[k]));
    out.swap(exact);
}

GCodeTokens CGCodeProgram::Parse_GCode_Line(const QString& strLine)
{
    GCodeTokens out;
    Parse_GCode_Line(strLine, out);
    return out;
}

GCodeTokens CGCodeProgram::SplitEditedLine(const QString& strText)
{
    GCodeTokens tokens;
    const QStringList parts = strText.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    tokens.reserve(size_t(parts.size()));
    for (const QString& part : parts)
        tokens.push_back(part.toStdString());
    return tokens;
}

size_t CGCodeProgram::InsertLine(size_t iIndex, const QString& strText, GCodeTokens tokens)
{
    iIndex = std::min(iIndex, LineCount());
    m_lstOfGCodeLines.insert(m_lstOfGCodeLines.begin() + ptrdiff_t(iIndex), strText);
    m_lstOfGCodeCmds.insert(m_lstOfGCodeCmds.begin() + ptrdiff_t(iIndex), std::move(tokens));
    return iIndex;
}

bool CGCodeProgram::UpdateLine(size_t iIndex, const QString& strText)
{
    if (iIndex >= LineCount())
        return false;
    m_lstOfGCodeLines[iIndex] = strText;
    Parse_GCode_Line(strText, m_lstOfGCodeCmds[iIndex]);
    return true;
}

bool CGCodeProgram::EraseLine(size_t iIndex)
{
    if (iIndex >= LineCount())
        return false;
    m_lstOfGCodeLines.erase(m_lstOfGCodeLines.begin() + ptrdiff_t(iIndex));
    m_lstOfGCodeCmds.erase(m_lstOfGCodeCmds.begin() + ptrdiff_t(iIndex));
    return true;
}

bool CGCodeProgram::SwapLines(size_t iA, size_t iB)
{
    if (iA >= LineCount() || iB >= LineCount())
        return false;
    std::swap(m_lstOfGCodeLines[iA], m_lstOfGCodeLines[iB]);
    std::swap(m_lstOfGCodeCmds[iA], m_lstOfGCodeCmds[iB]);
    return true;
}

bool CGCodeProgram::ReadTextLines(const QString& strFilePath, std::vector<QString>& lines, QString* pErr)
{
    QFile file(strFilePath);
    if (!file.open(QIODevice::ReadOnly)) {
        if (pErr)
            *pErr = file.errorString();
        return false;
    }
    std::vector<QString> newLines;
    QByteArray pending;     // the line read so far
    bool bFirst = true;
    bool bLfOfCr = false;   // the last block ended on a CR: an LF opening the next belongs to it
    auto addLine = [&]() {
        const char* data = pending.constData();
        qsizetype len = pending.size();
        if (bFirst && len >= 3 && data[0] == '\xEF' && data[1] == '\xBB' && data[2] == '\xBF') {
            data += 3;
            len -= 3;
        }
        bFirst = false;
        newLines.push_back(QString::fromUtf8(data, len));
        pending.clear();
    };
    while (!file.atEnd()) {
        const QByteArray block = file.read(1 << 20);
        if (block.isEmpty() && file.error() != QFileDevice::NoError)
            break;
        const char* p = block.constData();
        const char* const end = p + block.size();
        if (bLfOfCr && p < end && *p == '\n')
            ++p;
        bLfOfCr = false;
        // A line ends at LF, CR LF or a lone CR.
        while (p < end) {
            const char* q = std::find_if(p, end, [](char c) { return c == '\n' || c == '\r'; });
            if (pending.size() + (q - p) > MAX_LINE_BYTES) {
                if (pErr)
                    *pErr = QStringLiteral("line %1 is longer than %2 KB; a G-code line is never that long")
                                .arg(newLines.size() + 1)
                                .arg(MAX_LINE_BYTES / 1024);
                return false;
            }
            pending.append(p, q - p);
            if (q == end)
                break;
            addLine();
            if (*q == '\r') {
                if (q + 1 == end)
                    bLfOfCr = true;
                else if (q[1] == '\n')
                    ++q;
            }
            p = q + 1;
        }
    }
    if (file.error() != QFileDevice::NoError) {
        if (pErr)
            *pErr = file.errorString();
        return false;
    }
    if (!pending.isEmpty())
        addLine();
    lines.swap(newLines);
    return true;
}

bool CGCodeProgram::ReadProgramFile(const QString& strFilePath, std::vector<QString>& lines, GCodeCmdList& cmds,
                                    QString* pErr)
{
    std::vector<QString> newLines;
    if (!ReadTextLines(strFilePath, newLines, pErr))
        return false;
    GCodeCmdList newCmds(newLines.size());
    for (size_t i = 0; i < newLines.size(); ++i)
        Parse_GCode_Line(newLines[i], newCmds[i]);
    if (lines.empty() && cmds.empty()) {
        lines.swap(newLines);
        cmds.swap(newCmds);
    } else {
        lines.insert(lines.end(), std::make_move_iterator(newLines.begin()), std::make_move_iterator(newLines.end()));
        cmds.insert(cmds.end(), std::make_move_iterator(newCmds.begin()), std::make_move_iterator(newCmds.end()));
    }
    return true;
}

bool CGCodeProgram::WriteProgramFile(const QString& strFilePath, const std::vector<QString>& lines, QString* pErr)
{
    CFileSaver saver(strFilePath);
    if (saver.Open()) {
        QByteArray buf;
        for (const QString& line : lines) {
            buf += line.toUtf8();
            buf += '\n';
            if (buf.size() >= (1 << 20)) {
                if (!saver.Write(buf))
                    break;
                buf.clear();
            }
        }
        if (saver.Write(buf) && saver.Commit())
            return true;
    }
    if (pErr)
        *pErr = saver.Error();
    return false;
}

QString CGCodeProgram::WithGCodeExtension(const QString& strPath)
{
    const qsizetype slash = strPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = strPath.lastIndexOf(QLatin1Char('.'));
    // A dot counts when it lies in the file-name part and is not its first character.
    if (dot > slash + 1)
        return strPath;
    return strPath + QStringLiteral(".ncc");
}

void CGCodeProgram::LoadGCode(QString strFilePath, QObject* pObj)
{
    QString strErr;
    bool bOk = false;
    try {
        bOk = ReadProgramFile(strFilePath, m_lstOfGCodeLines, m_lstOfGCodeCmds, &strErr);
    } catch (...) {
        strErr = QStringLiteral("out of memory");
    }
    m_bGCodeLoading = false;
    if (bOk) {
        Notify(pObj, "GCodeLoadComplete");
    } else {
        const QString strMsg = QStringLiteral("Unable to load G-Code file ") + strFilePath + QStringLiteral(": ") + strErr;
        Notify(pObj, "GCodeLoadFailed", &strMsg);
    }
}

void CGCodeProgram::Notify(QObject* pObj, const char* strSignal, const QString* pArg)
{
    if (!pObj)
        return;
    const QByteArray signature = QByteArray(strSignal) + (pArg ? "(QString)" : "()");
    if (pObj->metaObject()->indexOfSignal(signature.constData()) < 0)
        return;
    if (pArg)
        QMetaObject::invokeMethod(pObj, strSignal, Qt::DirectConnection, Q_ARG(QString, *pArg));
    else
        QMetaObject::invokeMethod(pObj, strSignal, Qt::DirectConnection);
}

QFuture<void> CGCodeProgram::StartLoadGCode(const QString& strFilePath, QObject* pObj)
{
    m_bGCodeLoading = true;
    return QtConcurrent::run(CLongJobs::Pool(), &CGCodeProgram::LoadGCode, strFilePath, pObj);
}

void CGCodeProgram::ClearCurGCodeData()
{
    std::vector<QString>().swap(m_lstOfGCodeLines);
    GCodeCmdList().swap(m_lstOfGCodeCmds);
    m_CompilationErrors.clear();
}
