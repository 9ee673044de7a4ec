#include "gcodewindows/gcodedocument.h"

#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/Prompter.h"
#include "gcode/gcodeexecstatus.h"
#include "gcode/gcodeprogram.h"
#include "gcode/programmemory.h"
#include "widgets/filenamerule.h"

#include <QFile>
#include <QFileInfo>

const QString CGCodeDocument::OPEN_FILTER =
    QStringLiteral("tap files(*.tap);;text files(*.txt);;G-Code files(*.ncc);;G-Code files(*.ngc)");
const QString CGCodeDocument::SAVE_FILTER = QStringLiteral("G-Code Files(*.ncc)");

CGCodeDocument::CGCodeDocument(QWidget* pDialogParent, LogSink sink)
    : m_pDialogParent(pDialogParent), m_Log(std::move(sink))
{
}

void CGCodeDocument::Log(const QString& strMsg, eAppMsgType eType) const
{
    if (m_Log)
        m_Log(strMsg, eType);
}

bool CGCodeDocument::Busy(bool bCheckToo) const
{
    if (CGCodeProgram::m_bGCodeLoading) {
        Log(QStringLiteral("Preveious G-Code Still Loading"), MSG_ERROR);
        return true;
    }
    if (bCheckToo && CGCodeProgram::m_bGCodeCompiling) {
        Log(QStringLiteral("Preveious G-Code Still Compiling"), MSG_ERROR);
        return true;
    }
    return false;
}

bool CGCodeDocument::MayDiscardEdits()
{
    if (CGCodeProgram::IsEmpty() || !m_bGCodeModified)
        return true;
    const auto answer = CPrompter::Instance().Question(m_pDialogParent, QMessageBox::Information,
                                                       QStringLiteral("Information"),
                                                       QStringLiteral("Save current G-Code?"),
                                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    // No lets the edits go, but only with the program: the caller may still
    // stop (a file dialog cancelled), and the edits then stay in the window,
    // still unsaved, and are asked about again next time.
    if (answer != QMessageBox::Yes)
        return true;
    return m_strCurGCodeFile.isEmpty() ? SaveGCode() : OverWriteGCodeFile();
}

bool CGCodeDocument::NewGCode()
{
    if (CGCodeProgram::IsEmpty() || Busy(true) || !MayDiscardEdits())
        return false;
    CGCodeProgram::ClearCurGCodeData();
    AppConfig::m_GCodeRunSettings.m_uiStartLine = 0;
    m_strCurGCodeFile.clear();
    m_bGCodeModified = false;
    return true;
}

bool CGCodeDocument::OpenGCode(QObject* pNotify)
{
    if (Busy(true) || !MayDiscardEdits())
        return false;

    QString strName;
    int iStartLine = 0;
    bool bAskForFile = true;
    // A status file cut short or holding nonsense counts as none.
    QString strStatusPath;
    int iStatusLine = 0;
    const auto status = CGCodeProgram::IsEmpty() ? CGCodeExecStatus::Read(strStatusPath, iStatusLine)
                                                 : CGCodeExecStatus::STATUS_NONE;
    if (status != CGCodeExecStatus::STATUS_NONE) {
        const auto answer = CPrompter::Instance().Question(m_pDialogParent, QMessageBox::Information,
                                                           QStringLiteral("Information"),
                                                           QStringLiteral("Open Previous G-Code File?"),
                                                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer == QMessageBox::Yes) {
            bAskForFile = false;
            if (status == CGCodeExecStatus::STATUS_UNREADABLE) {
                CPrompter::Instance().Critical(nullptr, QStringLiteral("Critical error"),
                                               QStringLiteral("Unable to open Config File"), QMessageBox::Abort);
                return false;
            }
            strName = strStatusPath;
            iStartLine = iStatusLine;
        }
    }
    if (bAskForFile)
        strName = CPrompter::Instance().OpenFileName(m_pDialogParent, QStringLiteral("Select a file to Open..."),
                                                     AppConfig::m_strLastFolderPath, OPEN_FILTER);
    if (strName.isEmpty())
        return false;
    AppConfig::m_strLastFolderPath = strName.left(strName.lastIndexOf(QLatin1Char('/')) + 1);

    // The program must open before anything that belongs to the current one
    // changes: the start line, the status file and the model stay as they are.
    QFile file(strName);
    if (QFileInfo(strName).isDir() || !file.open(QIODevice::ReadOnly)) {
        const QString strWhy = QFileInfo(strName).isDir() ? QStringLiteral("it is a folder") : file.errorString();
        Log(QStringLiteral("Unable to open G-Code file ") + strName + QStringLiteral(": ") + strWhy, MSG_ERROR);
        return false;
    }
    file.close();
    if (!FitsMemory(strName))
        return false;

    AppConfig::m_GCodeRunSettings.m_uiStartLine = iStartLine;
    QString strErr;
    if (!CGCodeExecStatus::Write(strName, iStartLine, &strErr))
        Log(QStringLiteral("Unable to write the G-Code status file: ") + strErr, MSG_ERROR);
    Log(QStringLiteral("Loading G-Code.This may take few seconds based on the G-Code File size"), MSG_INFO);
    StartLoading(strName, pNotify);
    return true;
}

bool CGCodeDocument::LoadGeneratedFile(const QString& strPath, QObject* pNotify)
{
    if (Busy(true) || !FitsMemory(strPath))
        return false;
    StartLoading(strPath, pNotify);
    return true;
}

bool CGCodeDocument::FitsMemory(const QString& strPath) const
{
    // The program shown is emptied just before the load, so what it holds
    // counts as free.
    QString strErr;
    if (CProgramMemory::Fits(strPath, CProgramMemory::HeldByLoadedProgram(), &strErr))
        return true;
    Log(strErr, MSG_ERROR);
    return false;
}

void CGCodeDocument::StartLoading(const QString& strPath, QObject* pNotify)
{
    CGCodeProgram::ClearCurGCodeData();
    m_strCurGCodeFile = strPath;
    m_bGCodeModified = false;
    m_LoadTask = CGCodeProgram::StartLoadGCode(strPath, pNotify);
}

bool CGCodeDocument::SaveButton()
{
    if (CGCodeProgram::IsEmpty())
        return true;
    return m_strCurGCodeFile.isEmpty() ? SaveGCode() : OverWriteGCodeFile();
}

bool CGCodeDocument::SaveAsGCode()
{
    return SaveGCode();
}

bool CGCodeDocument::OverWriteGCodeFile()
{
    if (Busy(false))
        return false;
    QString strErr;
    if (!CGCodeProgram::WriteProgramFile(m_strCurGCodeFile, CGCodeProgram::m_lstOfGCodeLines, &strErr)) {
        Log(QStringLiteral("Unable to save G-Code file ") + m_strCurGCodeFile + QStringLiteral(": ") + strErr,
            MSG_ERROR);
        return false;
    }
    m_bGCodeModified = false;
    return true;
}

bool CGCodeDocument::SaveGCode()
{
    if (Busy(false))
        return false;
    QString strName = CPrompter::Instance().SaveFileName(m_pDialogParent, QStringLiteral("Select file tosave..."),
                                                         CAppPaths::HomeFolder(), SAVE_FILTER);
    if (strName.isEmpty())
        return false;
    const QString strTyped = strName;
    strName = CGCodeProgram::WithGCodeExtension(strName);
    if (!CFileNameRule::MayReplaceAddedName(m_pDialogParent, strTyped, strName))
        return false;
    QString strErr;
    if (!CGCodeProgram::WriteProgramFile(strName, CGCodeProgram::m_lstOfGCodeLines, &strErr)) {
        Log(QStringLiteral("File Not Readable\n") + strName + QStringLiteral(": ") + strErr, MSG_ERROR);
        return false;
    }
    m_strCurGCodeFile = strName;
    m_bGCodeModified = false;
    return true;
}
