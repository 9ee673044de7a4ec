#pragma once
// The G-code window, embedded in the main window's work area. It shows the
// program ten lines at a time, edits it line by line, checks it and walks
// through the errors the checker found, sets the start line, executes a
// single line, starts or pauses a run, switches the Z-profile correction and
// imports DXF drawings.
//
// The program itself is the process-wide model of CGCodeProgram (one program
// per process); this window's statics below are the same objects under the
// names the rest of the program uses (CdlgGCode::m_lstOfGCodeCmds, ...). The
// file operations are CGCodeDocument's, the check CGCodeChecker's, the list
// scrolling and error navigation CGCodeNavigator's: the window only wires
// them to its widgets.
//
// The main window's services (log, keypad, click feedback, emergency stop,
// controller) are found among the window's parents (CMainServices::Of); the
// window may be built without a parent and embedded later.
#include "gcodewindows/gcodedocument.h"
#include "gcodewindows/gcoderecheck.h"
#include "gcode/gcodeprogram.h"

#include <QDialog>
#include <QFuture>

namespace Ui {
class CdlgGCode;
}
class AppControl;
class CMainServices;
class QListWidgetItem;
class QPushButton;
class QWheelEvent;

class CdlgGCode : public QDialog
{
    Q_OBJECT

public:
    explicit CdlgGCode(QWidget* parent = nullptr);
    ~CdlgGCode() override;

    // ---- The program (process-wide) ----------------------------------------
    static inline std::vector<QString>& m_lstOfGCodeLines = CGCodeProgram::m_lstOfGCodeLines;
    static inline GCodeCmdList& m_lstOfGCodeCmds = CGCodeProgram::m_lstOfGCodeCmds;
    static inline GCodeErrorMap& m_CompilationErrors = CGCodeProgram::m_CompilationErrors;
    static inline std::atomic<bool>& m_bGCodeLoading = CGCodeProgram::m_bGCodeLoading;
    static inline std::atomic<bool>& m_bGCodeCompiling = CGCodeProgram::m_bGCodeCompiling;
    static inline std::atomic<bool>& m_bToolChgCompiling = CGCodeProgram::m_bToolChgCompiling;

    // Loads a file into the program (appending; callers empty it first) and
    // then emits pObj's GCodeLoadComplete() (GCodeLoadFailed(QString) when
    // the file cannot be read). Runs on the calling thread.
    static void LoadGCode(QString strFilePath, QObject* pObj);
    // Checks the program into m_CompilationErrors (which the caller empties)
    // and then emits pObj's GCodeCompilationComplete(). Runs on the calling
    // thread.
    static void CompileGCode(QObject* pObj = nullptr);
    static std::vector<std::string> Parse_GCode_Line(QString strLine);

    // ---- What the main window calls -----------------------------------------
    // Once after construction: resets the window's state and follows the
    // controller's line signal (SelNxtGCodeLine) with SetCurGCodeLine.
    void ConfigSettings();
    // Start on the main window with this window shown: starts the program,
    // or pauses / resumes the run in progress. True when a run was started
    // (or paused / resumed); false after a refusal, which is logged.
    bool StartGCode();
    // Sets the controller's pause flag.
    void PauseGCode();
    // Enables (after an operation) or disables (during a run or a single
    // line) every control that changes the program.
    void ResetUI(bool bEnable);
    // Empties the program and both lists of the window; refused (logged)
    // while the program is loaded, checked or run.
    void ClearCurGCodeData();
    // Opens a program file found elsewhere (a USB stick) in place of the
    // program shown, asking first about unsaved edits, and checks it once it
    // is loaded. It runs from its first line. False (logged) when refused:
    // a G-code run or single line under way, a load or check still running,
    // or the edits kept.
    bool OpenAndCheck(const QString& strPath);

    // ---- Window state ---------------------------------------------------------
    const QString& CurrentFile() const { return m_Doc.m_strCurGCodeFile; }
    bool IsModified() const { return m_Doc.m_bGCodeModified; }
    bool IsEditMode() const { return m_bEditMode; }
    int FirstVisibleLine() const { return m_iFirstVisibleLine; }
    unsigned int CurrentErrorLine() const { return m_uiCurErrorLine; }
    // The check after an edit has not answered yet: the program is not run.
    bool IsCheckPending() const { return m_Recheck.Pending(); }

signals:
    void GCodeLoadComplete();
    void GCodeLoadFailed(QString strMsg);
    void GCodeCompilationComplete();

public slots:
    // The controller reached line n (1-based: the line edit shows line n-1,
    // the one executed before).
    void SetCurGCodeLine(uint iGCodeLine);
    // Shows the ten lines from `value` (fewer at the end of the program).
    void on_VS_ForGCodeScrolling_valueChanged(int value);
    // Exchanges two program lines; the selection follows line iNewRow.
    void Swap_GCode_Lines(uint iCurRow, uint iNewRow);

private slots:
    void on_Btn_NewGCode_clicked();
    void on_Btn_OpenGCode_clicked();
    void on_Btn_SaveGCode_clicked();
    void on_Btn_SaveAsGCode_clicked();
    void on_Btn_AddNewGCodeLine_clicked();
    void on_Btn_InsertNewGCodeLine_clicked();
    void on_Btn_UpdateGCodeLine_clicked();
    void on_Btn_DeleteGCodeLine_clicked();
    void on_Btn_MoveGCodeLineUp_clicked();
    void on_Btn_MoveGCodeLineDown_clicked();
    void on_Btn_GCodeFirstError_clicked();
    void on_Btn_GCodePrevError_clicked();
    void on_Btn_GCodeNextError_clicked();
    void on_Btn_GCodeLastError_clicked();
    void on_Btn_CompileGCode_clicked();
    void on_Btn_ExecOneGCodeLine_clicked();
    void on_Btn_GCodeExecStartLine_clicked();
    void on_Btn_GCodeRunSettings_clicked();
    void on_Btn_EditGCode_clicked();
    void on_Btn_UseZProfile_clicked();
    void on_Btn_OpenDXF_clicked();
    void on_LW_GcodeCommands_itemClicked(QListWidgetItem* pItem);

protected:
    // The wheel neither scrolls the list nor reaches the main window.
    void wheelEvent(QWheelEvent* pEvent) override;

private:
    // Ends of the load and check tasks, reached queued on the GUI thread.
    void on_GCode_Load_Complete();
    void on_GCode_Load_Failed(QString strMsg);
    void on_GCode_Compile_Complete();

    CMainServices* Services() const;
    AppControl* Controller() const;
    void Log(const QString& strMsg, eAppMsgType eType) const;
    // Click feedback: green now, grey again 150 ms later.
    void Flash(QPushButton* pBtn) const;
    // True (logged) while a load or a check fills or reads the program; with
    // bCheckToo also while the check after an edit has not answered (the
    // program's verdict is not known yet).
    bool ProgramBusy(bool bCheckToo = false) const;
    // True (logged) while the controller runs a G-code operation.
    bool RunActive() const;

    // Program line of the selected row, or -1 when no row is selected.
    int SelectedLine() const;
    // Refreshes the list window from `iFirstLine` (the scroll bar follows).
    void ShowFrom(int iFirstLine);
    // Sets the scroll bar's range for the program's length.
    void SetScrollMaximum(int iMaximum);
    // After an edit: empties the error table and list and has the whole
    // program checked on a worker; the count (and, when iFocusLine has
    // errors, that line as the current error) shows when the answer comes.
    void RecheckProgram(int iFocusLine = -1);
    void OnRechecked(GCodeErrorMap errors);
    // Shows a line's errors in the error list.
    void ShowErrors(unsigned int uiLine);
    // Makes uiLine the current error: error list, list window, selection,
    // line edit.
    void GoToError(unsigned int uiLine);
    // An error navigation button (iStep: CGCodeNavigator::eErrorStep).
    void NavigateErrors(QPushButton* pBtn, int iStep);
    void ShowErrorCount();
    // Starts the background check (the compile button's work).
    void StartCheck();
    // What every new program shows: the file, an empty editor, no errors,
    // the list from its top and the start line.
    void ShowNewProgram(const QString& strFile);
    void ShowStartLine();

    Ui::CdlgGCode* ui;
    CGCodeDocument m_Doc;
    QFuture<void> m_CompileTask;
    int m_iFirstVisibleLine = 0;
    unsigned int m_uiCurErrorLine = 0;
    bool m_bSingleLineRunning = false;
    bool m_bEditMode = false;
    bool m_bCheckAfterLoad = false; // the program being loaded is checked when it is in
    CGCodeRecheck m_Recheck;
    int m_iRecheckFocus = -1; // the line whose errors the answer shows
};
