#include "gcodewindows/dlggcode.h"
#include "ui_dlggcode.h"

#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "gcodewindows/dlgdxf2gcode.h"
#include "gcodewindows/dlggcodesettings.h"
#include "gcode/dxf2gcode.h"
#include "gcode/gcodechecker.h"
#include "gcode/gcodenavigator.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"
#include "widgets/resources.h"
#include "widgets/embeddedwindow.h"

#include <QListWidgetItem>
#include <QWheelEvent>

#include <sstream>

namespace {
const QString ERRORS_HEADING = QStringLiteral("Unsupported commands:");
const QString HOMING_NOT_DONE = QStringLiteral("Homing not done!\nUse \"Move Home\" in user Settings");
} // namespace

CdlgGCode::CdlgGCode(QWidget* parent)
    : QDialog(parent), ui(new Ui::CdlgGCode),
      m_Doc(this, [this](const QString& strMsg, eAppMsgType eType) { Log(strMsg, eType); })
{
    InitAppResources();
    EmbedInMainWindow(this);
    ui->setupUi(this);
    // The load and check tasks emit these on a pool thread: the window
    // receives them queued, on the GUI thread.
    connect(this, &CdlgGCode::GCodeLoadComplete, this, &CdlgGCode::on_GCode_Load_Complete);
    connect(this, &CdlgGCode::GCodeLoadFailed, this, &CdlgGCode::on_GCode_Load_Failed);
    connect(this, &CdlgGCode::GCodeCompilationComplete, this, &CdlgGCode::on_GCode_Compile_Complete);
    connect(&m_Recheck, &CGCodeRecheck::Checked, this, &CdlgGCode::OnRechecked);
}

CdlgGCode::~CdlgGCode()
{
    // A task still running must not signal a window that is gone.
    m_Doc.m_LoadTask.waitForFinished();
    m_CompileTask.waitForFinished();
    delete ui;
}

// ---------------------------------------------------------------------------
// The program model
// ---------------------------------------------------------------------------

void CdlgGCode::LoadGCode(QString strFilePath, QObject* pObj)
{
    CGCodeProgram::LoadGCode(strFilePath, pObj);
}

void CdlgGCode::CompileGCode(QObject* pObj)
{
    CGCodeChecker::CompileGCode(pObj);
}

std::vector<std::string> CdlgGCode::Parse_GCode_Line(QString strLine)
{
    return CGCodeProgram::Parse_GCode_Line(strLine);
}

void CdlgGCode::ClearCurGCodeData()
{
    // The controller reads the program while it runs it, a task while it
    // loads or checks it: neither may see it vanish.
    if (RunActive()) {
        Log(QStringLiteral("Machine in use"), MSG_ERROR);
        return;
    }
    if (ProgramBusy())
        return;
    ui->LW_GCodeCompileErrors->clear();
    ui->LW_GcodeCommands->clear();
    m_Recheck.Drop();
    CGCodeProgram::ClearCurGCodeData();
}

// ---------------------------------------------------------------------------
// Services of the main window
// ---------------------------------------------------------------------------

CMainServices* CdlgGCode::Services() const
{
    return CMainServices::Of(this);
}

AppControl* CdlgGCode::Controller() const
{
    CMainServices* pServices = Services();
    return pServices ? &pServices->GetAppCtrl() : nullptr;
}

void CdlgGCode::Log(const QString& strMsg, eAppMsgType eType) const
{
    if (CMainServices* pServices = Services())
        pServices->AddLogMsg(strMsg, eType);
    else
        qWarning("%s", qPrintable(strMsg));
}

void CdlgGCode::Flash(QPushButton* pBtn) const
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
}

bool CdlgGCode::ProgramBusy(bool bCheckToo) const
{
    if (m_bGCodeLoading) {
        Log(QStringLiteral("G-Code Loading. Please wait!"), MSG_ERROR);
        return true;
    }
    if (m_bGCodeCompiling || (bCheckToo && m_Recheck.Pending())) {
        Log(QStringLiteral("G-Code Compiling. Please wait!"), MSG_ERROR);
        return true;
    }
    return false;
}

bool CdlgGCode::RunActive() const
{
    const AppControl* pCtrl = Controller();
    return pCtrl && pCtrl->m_iRunMode == AppControl::RUN_GCODE;
}

// ---------------------------------------------------------------------------
// Set-up, run and single line
// ---------------------------------------------------------------------------

void CdlgGCode::ConfigSettings()
{
    m_bToolChgCompiling = false;
    m_Doc.m_strCurGCodeFile.clear();
    m_Doc.m_bGCodeModified = false;
    m_uiCurErrorLine = 0;
    m_iFirstVisibleLine = 0;
    m_bSingleLineRunning = false;
    m_bEditMode = false;
    ui->Btn_UseZProfile->setStyleSheet(AppConfig::m_bUseZProfile ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    ShowStartLine();
    if (AppControl* pCtrl = Controller())
        connect(pCtrl, &AppControl::SelNxtGCodeLine, this, &CdlgGCode::SetCurGCodeLine, Qt::UniqueConnection);
}

bool CdlgGCode::StartGCode()
{
    CMainServices* pServices = Services();
    AppControl* pCtrl = Controller();
    if (!pServices || !pCtrl)
        return false;
    if (pServices->IsEmergencyStopOn())
        return false;

    if (pCtrl->m_iRunMode == AppControl::RUN_GCODE) {
        const bool bHold = !pCtrl->m_bHold;
        pCtrl->m_bHold = bHold;
        if (bHold) {
            Log(QStringLiteral("G-Code execution paused"), MSG_INFO);
        } else {
            if (AppConfig::m_bEnlManualToolChange)
                pServices->EnableJogPanel(false);
            Log(QStringLiteral("G-Code execution resumed"), MSG_INFO);
        }
        return true;
    }
    if (pCtrl->IsBusy()) {
        Log(QStringLiteral("Machine in use"), MSG_ERROR);
        return false;
    }
    if (ProgramBusy(true))
        return false;
    if (m_lstOfGCodeLines.empty()) {
        Log(QStringLiteral("No G-Code added"), MSG_ERROR);
        return false;
    }
    if (!m_CompilationErrors.empty()) {
        Log(QStringLiteral("Fix Compilation errors"), MSG_ERROR);
        return false;
    }
    if (!pCtrl->GetHomeDone()) {
        Log(HOMING_NOT_DONE, MSG_ERROR);
        return false;
    }
    // A start line kept from a longer program (the status file of an older
    // version of it) would run nothing and report the job done.
    if (size_t(std::max(0, AppConfig::m_GCodeRunSettings.m_uiStartLine)) >= m_lstOfGCodeLines.size()) {
        Log(QStringLiteral("Start Line is beyond the last G-Code line"), MSG_ERROR);
        return false;
    }

    ui->Btn_EditGCode->setStyleSheet(BTN_BKGND_GRAY);
    ResetUI(false);
    pServices->ClearToolGraphics();
    AppConfig::m_GCodeRunSettings.m_strGCodeFile = m_Doc.m_strCurGCodeFile;
    pCtrl->StartGCode(&m_lstOfGCodeCmds);
    if (pCtrl->m_iRunMode != AppControl::RUN_GCODE) {
        // The controller refused (its reason is in its error queue): the
        // window must not stay disabled.
        ResetUI(true);
        return false;
    }
    return true;
}

void CdlgGCode::PauseGCode()
{
    if (AppControl* pCtrl = Controller())
        pCtrl->m_bHold = true;
}

void CdlgGCode::ResetUI(bool bEnable)
{
    if (m_bSingleLineRunning) {
        m_bSingleLineRunning = false;
        ui->Btn_ExecOneGCodeLine->setStyleSheet(BTN_BKGND_GRAY);
    }
    QWidget* const controls[] = {
        ui->Btn_MoveGCodeLineUp,    ui->Btn_MoveGCodeLineDown, ui->Btn_NewGCode,           ui->Btn_OpenGCode,
        ui->Btn_OpenDXF,            ui->Btn_CompileGCode,      ui->Btn_SaveGCode,          ui->Btn_SaveAsGCode,
        ui->LE_GCodeCmnds,          ui->Btn_AddNewGCodeLine,   ui->Btn_InsertNewGCodeLine, ui->Btn_UpdateGCodeLine,
        ui->Btn_DeleteGCodeLine,    ui->Btn_EditGCode,         ui->Btn_GCodeNextError,     ui->Btn_GCodePrevError,
        ui->Btn_GCodeLastError,     ui->Btn_GCodeFirstError,   ui->Btn_GCodeExecStartLine, ui->Btn_GCodeRunSettings,
        ui->Btn_ExecOneGCodeLine,   ui->Btn_UseZProfile,
    };
    for (QWidget* pWidget : controls)
        pWidget->setEnabled(bEnable);
}

void CdlgGCode::SetCurGCodeLine(uint iGCodeLine)
{
    if (iGCodeLine == 0 || iGCodeLine > m_lstOfGCodeLines.size())
        return;
    const size_t iLine = iGCodeLine - 1;
    ui->LE_GCodeCmnds->setText(CGCodeNavigator::LineEditText(iLine, m_lstOfGCodeLines[iLine]));
}

void CdlgGCode::on_Btn_ExecOneGCodeLine_clicked()
{
    QPushButton* pBtn = ui->Btn_ExecOneGCodeLine;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    CMainServices* pServices = Services();
    AppControl* pCtrl = Controller();
    auto refuse = [pBtn](const QString& strMsg, CdlgGCode* pWnd) {
        if (!strMsg.isEmpty())
            pWnd->Log(strMsg, MSG_ERROR);
        CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
    };
    if (!pServices || !pCtrl || pServices->IsEmergencyStopOn())
        return refuse(QString(), this);
    if (ProgramBusy(true))
        return refuse(QString(), this);
    if (m_lstOfGCodeLines.empty())
        return refuse(QStringLiteral("No G-Code Loaded"), this);
    if (!m_CompilationErrors.empty())
        return refuse(QStringLiteral("Fix Compilation errors"), this);
    if (!pCtrl->GetHomeDone())
        return refuse(HOMING_NOT_DONE, this);

    const int iSelected = SelectedLine();
    const size_t iLine = size_t(iSelected >= 0 ? iSelected : m_iFirstVisibleLine);
    if (iLine >= m_lstOfGCodeLines.size())
        return refuse(QString(), this);
    // The controller refuses while another operation holds the machine; only
    // a start it took puts it into G-code mode.
    const bool bWasRunning = pCtrl->m_iRunMode == AppControl::RUN_GCODE;
    ResetUI(false);
    m_bSingleLineRunning = true;
    pCtrl->StartExecGCodeLine(&m_lstOfGCodeCmds, uint(iLine));
    if (bWasRunning || pCtrl->m_iRunMode != AppControl::RUN_GCODE)
        ResetUI(true); // refused: the controller's reason is in its queue
}

// ---------------------------------------------------------------------------
// List window
// ---------------------------------------------------------------------------

void CdlgGCode::wheelEvent(QWheelEvent* pEvent)
{
    pEvent->accept();
}

int CdlgGCode::SelectedLine() const
{
    const int iRow = ui->LW_GcodeCommands->currentRow();
    if (iRow < 0 || ui->LW_GcodeCommands->selectedItems().isEmpty())
        return -1;
    return m_iFirstVisibleLine + iRow;
}

void CdlgGCode::on_VS_ForGCodeScrolling_valueChanged(int value)
{
    // A load task is filling the program: nothing to show yet.
    if (m_bGCodeLoading)
        return;
    if (m_lstOfGCodeLines.empty()) {
        ui->LW_GcodeCommands->clear();
        return;
    }
    const auto win = CGCodeNavigator::ListWindow(value, m_lstOfGCodeLines.size());
    m_iFirstVisibleLine = win.m_iFirst;
    ui->LW_GcodeCommands->clear();
    for (int i = win.m_iFirst; i < win.m_iEnd; ++i)
        ui->LW_GcodeCommands->addItem(m_lstOfGCodeLines[size_t(i)]);
}

void CdlgGCode::ShowFrom(int iFirstLine)
{
    on_VS_ForGCodeScrolling_valueChanged(iFirstLine);
    // The bar shows where the list is without filling it a second time.
    const QSignalBlocker block(ui->VS_ForGCodeScrolling);
    ui->VS_ForGCodeScrolling->setValue(m_iFirstVisibleLine);
}

void CdlgGCode::SetScrollMaximum(int iMaximum)
{
    const QSignalBlocker block(ui->VS_ForGCodeScrolling);
    ui->VS_ForGCodeScrolling->setRange(0, std::max(0, iMaximum));
}

void CdlgGCode::on_LW_GcodeCommands_itemClicked(QListWidgetItem* pItem)
{
    if (RunActive() || !pItem || m_bGCodeLoading || m_bGCodeCompiling)
        return;
    const int iLine = m_iFirstVisibleLine + ui->LW_GcodeCommands->row(pItem);
    ui->LE_GCodeCmnds->setText(CGCodeNavigator::LineEditText(size_t(iLine), pItem->text()));
    ShowErrors(unsigned(iLine));
}

// ---------------------------------------------------------------------------
// Editing
// ---------------------------------------------------------------------------

void CdlgGCode::RecheckProgram(int iFocusLine)
{
    m_CompilationErrors.clear();
    ui->LW_GCodeCompileErrors->clear();
    m_iRecheckFocus = iFocusLine;
    m_Recheck.Request();
}

void CdlgGCode::OnRechecked(GCodeErrorMap errors)
{
    m_CompilationErrors = std::move(errors);
    ShowErrorCount();
    if (m_iRecheckFocus >= 0 && m_CompilationErrors.count(unsigned(m_iRecheckFocus))) {
        m_uiCurErrorLine = unsigned(m_iRecheckFocus);
        ShowErrors(m_uiCurErrorLine);
    }
    m_iRecheckFocus = -1;
}

void CdlgGCode::on_Btn_AddNewGCodeLine_clicked()
{
    // Lines are added with Insert.
}

void CdlgGCode::on_Btn_InsertNewGCodeLine_clicked()
{
    Flash(ui->Btn_InsertNewGCodeLine);
    if (ui->LE_GCodeCmnds->text().isEmpty() || ProgramBusy())
        return;
    m_Doc.m_bGCodeModified = true;
    const QString strText = CGCodeNavigator::EditedText(ui->LE_GCodeCmnds->text());
    const int iSelected = SelectedLine();
    const size_t iPos = iSelected >= 0 ? size_t(iSelected) + 1 : size_t(m_iFirstVisibleLine);
    const size_t iLine = CGCodeProgram::InsertLine(iPos, strText, CGCodeProgram::SplitEditedLine(strText));
    m_Recheck.Inserted(iLine);
    RecheckProgram();
    SetScrollMaximum(int(m_lstOfGCodeLines.size()) - 1);
    // The new line is shown and selected, so that the next one goes after it.
    const int iLast = m_iFirstVisibleLine + CGCodeNavigator::VISIBLE_LINES - 1;
    ShowFrom(int(iLine) > iLast ? int(iLine) - CGCodeNavigator::VISIBLE_LINES + 1 : m_iFirstVisibleLine);
    const int iRow = int(iLine) - m_iFirstVisibleLine;
    if (iRow >= 0 && iRow < ui->LW_GcodeCommands->count())
        ui->LW_GcodeCommands->setCurrentRow(iRow);
}

void CdlgGCode::on_Btn_UpdateGCodeLine_clicked()
{
    Flash(ui->Btn_UpdateGCodeLine);
    if (ui->LE_GCodeCmnds->text().isEmpty() || ProgramBusy() || m_lstOfGCodeLines.empty())
        return;
    const int iLine = SelectedLine();
    if (iLine < 0 || size_t(iLine) >= m_lstOfGCodeLines.size())
        return;
    m_Doc.m_bGCodeModified = true;
    const QString strText = CGCodeNavigator::EditedText(ui->LE_GCodeCmnds->text());
    CGCodeProgram::UpdateLine(size_t(iLine), strText);
    m_Recheck.Changed(size_t(iLine));
    ui->LW_GcodeCommands->currentItem()->setText(strText);
    // A line typed in wrong must show in the count and keep Start refusing.
    RecheckProgram(iLine);
}

void CdlgGCode::on_Btn_DeleteGCodeLine_clicked()
{
    Flash(ui->Btn_DeleteGCodeLine);
    if (ProgramBusy() || m_lstOfGCodeLines.empty())
        return;
    const int iLine = SelectedLine();
    if (iLine < 0 || size_t(iLine) >= m_lstOfGCodeLines.size())
        return;
    m_Doc.m_bGCodeModified = true;
    CGCodeProgram::EraseLine(size_t(iLine));
    m_Recheck.Erased(size_t(iLine));
    m_iFirstVisibleLine = std::max(0, m_iFirstVisibleLine - 1);
    RecheckProgram();
    SetScrollMaximum(int(m_lstOfGCodeLines.size()) - 1);
    ShowFrom(m_iFirstVisibleLine);
    ui->LE_GCodeCmnds->clear();
}

void CdlgGCode::on_Btn_MoveGCodeLineUp_clicked()
{
    Flash(ui->Btn_MoveGCodeLineUp);
    const int iLine = SelectedLine();
    if (ProgramBusy() || m_lstOfGCodeLines.size() < 2 || iLine < 0)
        return;
    if (iLine == m_iFirstVisibleLine)
        return; // row 0 of the window
    m_Doc.m_bGCodeModified = true;
    Swap_GCode_Lines(uint(iLine), uint(iLine - 1));
}

void CdlgGCode::on_Btn_MoveGCodeLineDown_clicked()
{
    Flash(ui->Btn_MoveGCodeLineDown);
    const int iLine = SelectedLine();
    if (ProgramBusy() || m_lstOfGCodeLines.size() < 2 || iLine < 0)
        return;
    if (iLine - m_iFirstVisibleLine >= ui->LW_GcodeCommands->count() - 1)
        return; // last row of the window
    m_Doc.m_bGCodeModified = true;
    Swap_GCode_Lines(uint(iLine), uint(iLine + 1));
}

void CdlgGCode::Swap_GCode_Lines(uint iCurRow, uint iNewRow)
{
    if (!CGCodeProgram::SwapLines(iCurRow, iNewRow))
        return;
    m_Recheck.Changed(iCurRow);
    m_Recheck.Changed(iNewRow);
    // Errors shown (or a check of an earlier edit still to come) describe
    // the lines as they were.
    if (!m_CompilationErrors.empty() || m_Recheck.Pending())
        RecheckProgram(int(iNewRow));
    ShowFrom(m_iFirstVisibleLine);
    const int iRow = int(iNewRow) - m_iFirstVisibleLine;
    if (iRow >= 0 && iRow < ui->LW_GcodeCommands->count())
        ui->LW_GcodeCommands->setCurrentRow(iRow);
}

void CdlgGCode::on_Btn_EditGCode_clicked()
{
    QPushButton* pBtn = ui->Btn_EditGCode;
    if (ProgramBusy()) {
        Flash(pBtn);
        return;
    }
    if (m_lstOfGCodeLines.empty()) {
        Flash(pBtn);
        Log(QStringLiteral("No G-Code loaded"), MSG_ERROR);
        return;
    }
    m_bEditMode = !m_bEditMode;
    ui->LE_GCodeCmnds->setEnabled(m_bEditMode);
    pBtn->setStyleSheet(m_bEditMode ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
}

// ---------------------------------------------------------------------------
// Check and error navigation
// ---------------------------------------------------------------------------

void CdlgGCode::ShowErrorCount()
{
    ui->LBL_GCodeCompileErrorCount->setText(QString::number(qulonglong(m_CompilationErrors.size())));
}

void CdlgGCode::ShowErrors(unsigned int uiLine)
{
    ui->LW_GCodeCompileErrors->clear();
    const auto it = m_CompilationErrors.find(uiLine);
    if (it == m_CompilationErrors.end())
        return;
    ui->LW_GCodeCompileErrors->addItem(ERRORS_HEADING);
    ui->LW_GCodeCompileErrors->addItem(QString::fromStdString(it->second));
}

void CdlgGCode::GoToError(unsigned int uiLine)
{
    m_uiCurErrorLine = uiLine;
    ShowErrors(uiLine);
    ShowFrom(int(uiLine));
    const int iRow = int(uiLine) - m_iFirstVisibleLine;
    if (iRow < 0 || iRow >= ui->LW_GcodeCommands->count())
        return;
    ui->LW_GcodeCommands->setCurrentRow(iRow);
    ui->LE_GCodeCmnds->setText(
        CGCodeNavigator::LineEditText(uiLine, ui->LW_GcodeCommands->item(iRow)->text()));
}

void CdlgGCode::on_Btn_CompileGCode_clicked()
{
    QPushButton* pBtn = ui->Btn_CompileGCode;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    QString strRefusal;
    if (m_bGCodeLoading)
        strRefusal = QStringLiteral("G-Code Loading. Please wait!");
    else if (m_lstOfGCodeLines.empty())
        strRefusal = QStringLiteral("No G-Code loaded");
    else if (m_bGCodeCompiling)
        strRefusal = QStringLiteral("Preveious G-Code Still Compiling");
    if (!strRefusal.isEmpty()) {
        Log(strRefusal, MSG_ERROR);
        CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
        return;
    }
    StartCheck();
}

void CdlgGCode::StartCheck()
{
    Log(QStringLiteral("Compiling G-Code. This may take few seconds based on the G-Code File size"), MSG_INFO);
    ui->LW_GCodeCompileErrors->clear();
    // The button stays green until the check has ended.
    ui->Btn_CompileGCode->setStyleSheet(BTN_BKGND_GREEN);
    // This check answers for the program as it is; the checks after edits
    // start from the copy its task takes.
    m_CompileTask = m_Recheck.StartWholeCheck(this);
}

void CdlgGCode::on_GCode_Compile_Complete()
{
    Log(QStringLiteral("G-Code Compilation Completed"), MSG_INFO);
    ShowErrorCount();
    ui->LW_GCodeCompileErrors->clear();
    if (!m_CompilationErrors.empty())
        GoToError(m_CompilationErrors.begin()->first);
    ui->Btn_CompileGCode->setStyleSheet(BTN_BKGND_GRAY);
}

void CdlgGCode::NavigateErrors(QPushButton* pBtn, int iStep)
{
    Flash(pBtn);
    unsigned int uiTarget = 0;
    if (!m_bGCodeCompiling &&
        CGCodeNavigator::ErrorTarget(m_CompilationErrors, m_uiCurErrorLine,
                                     static_cast<CGCodeNavigator::eErrorStep>(iStep), uiTarget))
        GoToError(uiTarget);
}

void CdlgGCode::on_Btn_GCodeFirstError_clicked()
{
    NavigateErrors(ui->Btn_GCodeFirstError, CGCodeNavigator::ERR_FIRST);
}

void CdlgGCode::on_Btn_GCodePrevError_clicked()
{
    NavigateErrors(ui->Btn_GCodePrevError, CGCodeNavigator::ERR_PREV);
}

void CdlgGCode::on_Btn_GCodeNextError_clicked()
{
    NavigateErrors(ui->Btn_GCodeNextError, CGCodeNavigator::ERR_NEXT);
}

void CdlgGCode::on_Btn_GCodeLastError_clicked()
{
    NavigateErrors(ui->Btn_GCodeLastError, CGCodeNavigator::ERR_LAST);
}

// ---------------------------------------------------------------------------
// Start line, run settings, Z profile
// ---------------------------------------------------------------------------

void CdlgGCode::ShowStartLine()
{
    CButtonText::Set(ui->Btn_GCodeExecStartLine,
                     QString::number(AppConfig::m_GCodeRunSettings.m_uiStartLine) + QStringLiteral("\nStart Line"));
}

void CdlgGCode::on_Btn_GCodeExecStartLine_clicked()
{
    QPushButton* pBtn = ui->Btn_GCodeExecStartLine;
    CMainServices* pServices = Services();
    if (ProgramBusy()) {
        Flash(pBtn);
        return;
    }
    if (m_lstOfGCodeLines.empty()) {
        Flash(pBtn);
        Log(QStringLiteral("No G-Code Loaded"), MSG_ERROR);
        return;
    }
    if (!pServices)
        return;
    const size_t iLines = m_lstOfGCodeLines.size();
    const double fValue = pServices->OpenKeypad(
        pBtn, QStringLiteral("G-Code Start Line"), QStringLiteral("Start Line"),
        QString::number(AppConfig::m_GCodeRunSettings.m_uiStartLine), CGCodeNavigator::StartLineRange(iLines), false,
        0);
    AppConfig::m_GCodeRunSettings.m_uiStartLine = CGCodeNavigator::ClampStartLine(fValue, iLines);
    ShowStartLine();
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
}

void CdlgGCode::on_Btn_GCodeRunSettings_clicked()
{
    ui->Btn_GCodeRunSettings->setStyleSheet(BTN_BKGND_GREEN);
    dlgGCodeSettings dlg;
    dlg.ConfigSettings();
    dlg.exec();
    ui->Btn_GCodeRunSettings->setStyleSheet(BTN_BKGND_GRAY);
}

void CdlgGCode::on_Btn_UseZProfile_clicked()
{
    QPushButton* pBtn = ui->Btn_UseZProfile;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    const AppControl* pCtrl = Controller();
    if (pCtrl && pCtrl->m_iRunMode != AppControl::RUN_IDLE) {
        Log(QStringLiteral("Machine in use"), MSG_ERROR);
        CMainServices::ResetBtnBkGnd(pBtn, AppConfig::m_bUseZProfile ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
        return;
    }
    if (AppConfig::m_ZProfileInfo.m_lstGrid.isEmpty()) {
        Log(QStringLiteral("No Z-Profile data added!\nPlease add Z-Profile data from Job Settings"), MSG_ERROR);
        CMainServices::ResetBtnBkGnd(pBtn, AppConfig::m_bUseZProfile ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
        return;
    }
    AppConfig::m_bUseZProfile = !AppConfig::m_bUseZProfile;
    if (!AppConfig::m_bUseZProfile)
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
}

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------

void CdlgGCode::on_GCode_Load_Complete()
{
    SetScrollMaximum(int(m_lstOfGCodeLines.size()) - CGCodeNavigator::VISIBLE_LINES);
    ShowFrom(0);
    if (ui->LW_GcodeCommands->count() > 0)
        ui->LW_GcodeCommands->setCurrentRow(0);
    ShowErrorCount();
    Log(QStringLiteral("G-Code Loaded"), MSG_INFO);
    if (m_bCheckAfterLoad) {
        m_bCheckAfterLoad = false;
        if (!m_lstOfGCodeLines.empty() && !m_bGCodeCompiling)
            StartCheck();
    }
}

void CdlgGCode::on_GCode_Load_Failed(QString strMsg)
{
    m_bCheckAfterLoad = false;
    ShowFrom(0);
    ShowErrorCount();
    Log(strMsg, MSG_ERROR);
}

void CdlgGCode::on_Btn_NewGCode_clicked()
{
    Flash(ui->Btn_NewGCode);
    if (m_Doc.NewGCode())
        ShowNewProgram(QStringLiteral("Unnamed"));
}

void CdlgGCode::on_Btn_OpenGCode_clicked()
{
    Flash(ui->Btn_OpenGCode);
    if (m_Doc.OpenGCode(this))
        ShowNewProgram(m_Doc.m_strCurGCodeFile);
}

void CdlgGCode::ShowNewProgram(const QString& strFile)
{
    m_Recheck.Drop();
    ui->LW_GcodeCommands->clear();
    ui->LW_GCodeCompileErrors->clear();
    ui->LE_GCodeFile->setText(strFile);
    ui->LE_GCodeCmnds->clear();
    m_iFirstVisibleLine = 0;
    m_uiCurErrorLine = 0;
    SetScrollMaximum(0);
    ShowErrorCount();
    ShowStartLine();
}

bool CdlgGCode::OpenAndCheck(const QString& strPath)
{
    // The controller reads the program while it runs it (also while paused).
    if (RunActive()) {
        Log(QStringLiteral("Machine in use"), MSG_ERROR);
        return false;
    }
    if (ProgramBusy() || !m_Doc.MayDiscardEdits())
        return false;
    if (!m_Doc.LoadGeneratedFile(strPath, this))
        return false;
    m_bCheckAfterLoad = true;
    AppConfig::m_GCodeRunSettings.m_uiStartLine = 0;
    ShowNewProgram(strPath);
    return true;
}

void CdlgGCode::on_Btn_SaveGCode_clicked()
{
    Flash(ui->Btn_SaveGCode);
    if (m_Doc.SaveButton() && !m_Doc.m_strCurGCodeFile.isEmpty())
        ui->LE_GCodeFile->setText(m_Doc.m_strCurGCodeFile);
}

void CdlgGCode::on_Btn_SaveAsGCode_clicked()
{
    ui->Btn_SaveAsGCode->setStyleSheet(BTN_BKGND_GREEN);
    if (m_Doc.SaveAsGCode())
        ui->LE_GCodeFile->setText(m_Doc.m_strCurGCodeFile);
    ui->Btn_SaveAsGCode->setStyleSheet(BTN_BKGND_GRAY);
}

void CdlgGCode::on_Btn_OpenDXF_clicked()
{
    QPushButton* pBtn = ui->Btn_OpenDXF;
    Flash(pBtn);
    if (ProgramBusy() || !m_Doc.MayDiscardEdits())
        return;
    const QString strDxf = CPrompter::Instance().OpenFileName(
        this, QStringLiteral("Select a file to Open..."), AppConfig::m_strLastFolderPath, QStringLiteral("DXF Files(*.dxf)"));
    if (strDxf.isEmpty())
        return;
    AppConfig::m_strLastFolderPath = strDxf.left(strDxf.lastIndexOf(QLatin1Char('/')) + 1);
    Log(QStringLiteral("Creating G-Code from DXF file"), MSG_INFO);

    dlgDxfToGCode dlg;
    dlg.m_stDXF2GCode.m_strDxfFile = strDxf;
    dlg.ConfigSettings(Services());
    if (dlg.exec() != QDialog::Accepted) {
        Log(QStringLiteral("DXF conversion cancelled"), MSG_INFO);
        return;
    }

    // The converter replaces the output file only once the whole program is
    // written, so a failed conversion leaves an older file of that name as
    // it was.
    const QString strOut = DxfOutputPath(strDxf);
    std::ostringstream err;
    const int iResult = CreateGcodeFromDxf(dlg.m_stDXF2GCode, err);
    if (iResult != DXF_WRITTEN) {
        // A drawing that was read but whose program could not be written (a
        // full disk) is no fault of the drawing: the reason alone says it.
        if (iResult != DXF_NOT_WRITTEN)
            Log(QStringLiteral("Not a valid DXF File"), MSG_ERROR);
        const QString strWhy = QString::fromStdString(err.str()).trimmed();
        if (!strWhy.isEmpty())
            Log(strWhy, MSG_ERROR);
        return;
    }
    // The converter names what it did not cut as drawn (entities left out,
    // bulges cut straight): the operator reads it here.
    for (const QString& strLine : QString::fromStdString(err.str()).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        Log(strLine, MSG_INFO);
    if (!m_Doc.LoadGeneratedFile(strOut, this))
        return;
    // The new program runs from its first line.
    AppConfig::m_GCodeRunSettings.m_uiStartLine = 0;
    ShowNewProgram(strOut);
    Log(QStringLiteral("G-Code saved at") + strOut, MSG_INFO);
}
