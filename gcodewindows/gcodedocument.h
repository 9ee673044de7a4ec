#pragma once
// The G-code window's file operations without their widgets: New, Open,
// Save, Save as, overwrite and the save question that guards every operation
// that throws the program away. The window owns one of these, calls it from
// its button slots and then updates its own widgets (lists, file name field,
// start-line button, click feedback).
//
// Questions and file dialogs go through the prompter (core/Prompter.h); log
// lines go to the sink given by the window (MainWindow::AddLogMsg).
// Everything here runs on the GUI thread.
#include "core/common.h"

#include <QFuture>
#include <QString>
#include <functional>

class QObject;
class QWidget;

class CGCodeDocument
{
public:
    using LogSink = std::function<void(const QString& strMsg, eAppMsgType eType)>;

    // The filters of the file dialogs.
    static const QString OPEN_FILTER; // "tap files(*.tap);;text files(*.txt);;G-Code files(*.ncc);;G-Code files(*.ngc)"
    static const QString SAVE_FILTER; // "G-Code Files(*.ncc)"

    explicit CGCodeDocument(QWidget* pDialogParent = nullptr, LogSink sink = LogSink());

    // The window's file state.
    QString m_strCurGCodeFile;     // "" while the program has no file
    bool m_bGCodeModified = false; // set by every edit of the window
    // The last load task started (the window waits for it before it goes).
    QFuture<void> m_LoadTask;

    // Asks "Save current G-Code?" (Yes / No, No the default) when the program
    // has lines and unsaved edits; Yes saves it (to its file, or under a name
    // asked for when it has none). True when the edits may be thrown away:
    // nothing to lose, No, or a save that succeeded. After No the program is
    // still marked modified until it is actually replaced or emptied, so an
    // operation that stops later (a file dialog cancelled) loses nothing.
    // False when the save failed or was cancelled: the caller must stop.
    // New, Open and the DXF import call it before they empty the program.
    bool MayDiscardEdits();

    // New button: empties the program (after MayDiscardEdits), sets the start
    // line to 0 and forgets the file. False when nothing was done (empty
    // program, busy, or the edits were kept): the window then leaves its
    // lists alone.
    bool NewGCode();

    // Open button: asks for a file (or offers the program recorded in the
    // execution-status file when no program is loaded), checks that it can
    // be read, records it in the status file, empties the program and starts
    // the load task, which signals pObj (GCodeLoadComplete(), or
    // GCodeLoadFailed(QString)). True when a load was started; the window
    // then shows m_strCurGCodeFile and the start line
    // (AppConfig::m_GCodeRunSettings.m_uiStartLine). Nothing changes (the
    // start line and the status file included) unless a file opens and fits
    // the free memory (CProgramMemory; a file too large is refused with its
    // size and the most this machine can load now).
    bool OpenGCode(QObject* pNotify);

    // Starts loading a file made elsewhere (the DXF import) as the program:
    // empties the program, makes it the current file and starts the load
    // task. Refused (false, logged) while a load or a check runs, or when the
    // file does not fit the free memory; the program shown stays. The caller
    // has asked MayDiscardEdits first.
    bool LoadGeneratedFile(const QString& strPath, QObject* pNotify);

    // Save button: an empty program is not saved (true); otherwise
    // OverWriteGCodeFile when the program has a file, else SaveGCode.
    bool SaveButton();
    // Save-as button: SaveGCode (an empty program gives an empty file).
    bool SaveAsGCode();
    // Writes the program over m_strCurGCodeFile through a temporary file. On
    // success the modified flag is cleared; on failure the old file stays,
    // the failure is logged and the flag stays set.
    bool OverWriteGCodeFile();
    // Asks for a name ("Select file tosave...", the home folder, ".ncc" added
    // when the name has no extension) and writes the program there. False
    // when cancelled, or after "File Not Readable" when it cannot be written;
    // on success the name becomes the current file and the flag is cleared.
    bool SaveGCode();

private:
    QWidget* m_pDialogParent;
    LogSink m_Log;

    void Log(const QString& strMsg, eAppMsgType eType) const;
    // Logs and returns true while a load (or, with bCheckToo, a check) runs.
    bool Busy(bool bCheckToo) const;
    // False (logged: the file's size and the most that loads now) when the
    // program would not leave the free memory's margin.
    bool FitsMemory(const QString& strPath) const;
    void StartLoading(const QString& strPath, QObject* pNotify);
};
