// The G-code window: its form, the ten-line list, line editing with its
// re-checks, error navigation, Start and Execute Line with their refusals,
// the start line, edit mode, the Z-profile switch, files, the DXF import and
// a whole program opened, checked and run on the simulated machine.
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"
#include "testsupport.h"

#include "core/AppConfig.h"
#include "gcodewindows/dlgdxf2gcode.h"
#include "gcodewindows/dlggcode.h"
#include "gcode/dxf2gcode.h"
#include "gcode/gcodeexecstatus.h"
#include "gcode/gcodenavigator.h"

#include <QtTest>

namespace {

// WriteRaw that hands back the path, for lists of chosen files.
QString WriteFile(const QString& strPath, const QByteArray& content)
{
    WriteRaw(strPath, content);
    return strPath;
}

// "<missing>" tells a file that is gone from one left empty.
QByteArray ReadFile(const QString& strPath)
{
    return ReadAll(strPath, "<missing>");
}

// "G1 X0" .. "G1 X<n-1>": every line valid, each its own index.
QStringList Program(int iLines)
{
    QStringList lines;
    for (int i = 0; i < iLines; ++i)
        lines << QStringLiteral("G1 X%1").arg(i);
    return lines;
}

// The window test's view of one window: widgets by name, a program loaded
// the way the USB load does it (on the GUI thread), rows clicked.
struct stWnd
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CdlgGCode dlg{&mw};

    stWnd() { dlg.ConfigSettings(); }

    QPushButton* Btn(const char* name) { return FindButton(dlg, name); }
    QListWidget* List() { return dlg.findChild<QListWidget*>("LW_GcodeCommands"); }
    QListWidget* Errors() { return dlg.findChild<QListWidget*>("LW_GCodeCompileErrors"); }
    QLineEdit* Edit() { return dlg.findChild<QLineEdit*>("LE_GCodeCmnds"); }
    QScrollBar* Bar() { return dlg.findChild<QScrollBar*>("VS_ForGCodeScrolling"); }
    QString Count() { return dlg.findChild<QLabel*>("LBL_GCodeCompileErrorCount")->text(); }
    void Click(const char* name) { ClickButton(dlg, name); }

    void Load(const QStringList& lines)
    {
        const QString strPath = WriteFile(mw.m_Setup.m_Folder.Root() + "/prog.ncc", lines.join('\n').toUtf8());
        CdlgGCode::LoadGCode(strPath, &dlg);
        QCoreApplication::processEvents();
    }
    void Scroll(int iValue) { Bar()->setValue(iValue); }
    void ClickRow(int iRow)
    {
        QListWidgetItem* pItem = List()->item(iRow);
        QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, List()->visualItemRect(pItem).center());
    }
    // The text of every row of the list window.
    QStringList Rows()
    {
        QStringList rows;
        for (int i = 0; i < List()->count(); ++i)
            rows << List()->item(i)->text();
        return rows;
    }
    QString Tokens(size_t iLine)
    {
        QStringList words;
        for (const std::string& w : CdlgGCode::m_lstOfGCodeCmds.at(iLine))
            words << QString::fromStdString(w);
        return words.join('|');
    }
    // Checks the program on the GUI thread, as the edits do.
    void Check()
    {
        CdlgGCode::m_CompilationErrors.clear();
        CdlgGCode::m_bGCodeCompiling = true;
        CdlgGCode::CompileGCode(&dlg);
        QCoreApplication::processEvents();
    }
    bool Logged(const QString& strLine) { return mw.m_lstLog.contains(strLine); }
    // Waits for the check that an edit started on a worker to answer.
    void AwaitCheck() { QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsCheckPending(), 60000); }
};

// Lines first .. end-1 of Program().
QStringList Lines(int iFirst, int iEnd)
{
    return Program(iEnd).mid(iFirst);
}

// Runs `act` on the first visible DXF dialog once the event loop runs.
void OnDxfDialog(std::function<void(dlgDxfToGCode*)> act)
{
    QTimer::singleShot(0, [act]() {
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            if (auto* pDlg = qobject_cast<dlgDxfToGCode*>(pWidget); pDlg && pDlg->isVisible())
                return act(pDlg);
        QFAIL("no DXF dialog shown");
    });
}

const QByteArray SQUARE_DXF = "0\nSECTION\n2\nENTITIES\n"
                              "0\nLINE\n8\n0\n10\n0\n20\n0\n11\n10\n21\n0\n"
                              "0\nLINE\n8\n0\n10\n10\n20\n10\n11\n10\n21\n0\n"
                              "0\nLINE\n8\n0\n10\n10\n20\n10\n11\n0\n21\n10\n"
                              "0\nLINE\n8\n0\n10\n0\n20\n10\n11\n0\n21\n0\n"
                              "0\nENDSEC\n0\nEOF\n";

} // namespace

class TestDlgGCode : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void form();
    void listScrolling();
    void insert();
    void insertIntoEmptyProgram();
    void update();
    void deleteLine();
    void moves();
    void moveRechecksWhenErrorsShown();
    void recheckAfterEditOnWorker();
    void errorNavigation();
    void checkButton();
    void startDecisionOrder_data();
    void startDecisionOrder();
    void pauseAndResume();
    void executeLine();
    void refusedStartEnablesWindow();
    void refusedWhileBusy_data();
    void refusedWhileBusy();
    void resetUI();
    void reportedLine();
    void startLine();
    void editMode();
    void zProfileSwitch();
    void runSettings();
    void files();
    void openAndCheck();
    void declinedSaveKeepsEditsMarked();
    void dxfImport();
    void dxfImportCancelledOrInvalid();
    void dxfImportTellsWhatIsLeftOut();
    void wholeProgramRun();
};

void TestDlgGCode::init()
{
    CGCodeProgram::ClearCurGCodeData();
    CGCodeProgram::m_bGCodeLoading = false;
    CGCodeProgram::m_bGCodeCompiling = false;
}

void TestDlgGCode::cleanup()
{
    init();
}

void TestDlgGCode::form()
{
    CdlgGCode dlg;
    static const stFormRow kRows[] = {
        {"CdlgGCode", "QDialog", 0, 0, 900, 400, "Dialog"},
        {"Btn_NewGCode", "QPushButton", 5, 5, 65, 60, ""},
        {"Btn_OpenGCode", "QPushButton", 75, 5, 120, 60, "G-code"},
        {"Btn_SaveGCode", "QPushButton", 200, 5, 120, 60, "Save"},
        {"Btn_SaveAsGCode", "QPushButton", 325, 5, 125, 60, "Save as"},
        {"LE_GCodeCmnds", "QLineEdit", 5, 299, 570, 30, ""},
        {"Btn_AddNewGCodeLine", "QPushButton", 5, 334, 110, 60, " Add\n Line"},
        {"Btn_InsertNewGCodeLine", "QPushButton", 120, 334, 110, 60, "Insert\nLine"},
        {"Btn_UpdateGCodeLine", "QPushButton", 235, 334, 110, 60, "Update\nLine"},
        {"Btn_DeleteGCodeLine", "QPushButton", 350, 334, 110, 60, "Delete\nLine"},
        {"LW_GCodeCompileErrors", "QListWidget", 585, 103, 310, 150, nullptr},
        {"Btn_GCodeNextError", "QPushButton", 743, 258, 73, 40, ">"},
        {"Btn_GCodePrevError", "QPushButton", 664, 258, 73, 40, "<"},
        {"Btn_GCodeLastError", "QPushButton", 822, 258, 73, 40, ">|"},
        {"Btn_GCodeFirstError", "QPushButton", 585, 258, 73, 40, "|<"},
        {"label", "QLabel", 585, 70, 70, 28, "Errors:"},
        {"LBL_GCodeCompileErrorCount", "QLabel", 660, 70, 80, 28, "0"},
        {"LW_GcodeCommands", "QListWidget", 5, 103, 492, 191, nullptr},
        {"Btn_GCodeRunSettings", "QPushButton", 745, 5, 150, 60, "Settings"},
        {"Btn_GCodeExecStartLine", "QPushButton", 585, 334, 100, 60, "0\nStart Line"},
        {"Btn_MoveGCodeLineDown", "QPushButton", 522, 201, 53, 93, ""},
        {"Btn_MoveGCodeLineUp", "QPushButton", 522, 103, 53, 93, ""},
        {"label_2", "QLabel", 5, 70, 60, 28, "G-Code"},
        {"Btn_ExecOneGCodeLine", "QPushButton", 690, 334, 100, 60, "Execute\nLine"},
        {"LE_GCodeFile", "QLineEdit", 70, 70, 505, 28, ""},
        {"Btn_EditGCode", "QPushButton", 465, 334, 110, 60, "Edit\nG-Code"},
        {"VS_ForGCodeScrolling", "QScrollBar", 497, 103, 20, 191, nullptr},
        {"Btn_UseZProfile", "QPushButton", 795, 334, 100, 60, "Use\nZ-Profile"},
        {"Btn_OpenDXF", "QPushButton", 455, 5, 120, 60, "DXF"},
        {"Btn_CompileGCode", "QPushButton", 585, 5, 150, 60, "Compile\nG-Code"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    auto* pList = dlg.findChild<QListWidget*>("LW_GcodeCommands");
    QCOMPARE(pList->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(pList->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!dlg.findChild<QLineEdit*>("LE_GCodeFile")->isEnabled());
    QVERIFY(dlg.findChild<QLineEdit*>("LE_GCodeFile")->isReadOnly());
    QCOMPARE(dlg.findChild<QScrollBar*>("VS_ForGCodeScrolling")->orientation(), Qt::Vertical);
    QCOMPARE(dlg.findChild<QLineEdit*>("LE_GCodeCmnds")->font().pointSize(), 12);
    // The icons are there, at their size.
    for (const char* name : {"Btn_NewGCode", "Btn_OpenGCode", "Btn_SaveGCode", "Btn_SaveAsGCode", "Btn_AddNewGCodeLine",
                             "Btn_InsertNewGCodeLine", "Btn_UpdateGCodeLine", "Btn_DeleteGCodeLine",
                             "Btn_GCodeRunSettings", "Btn_MoveGCodeLineDown", "Btn_MoveGCodeLineUp", "Btn_EditGCode"}) {
        QPushButton* pBtn = FindButton(dlg, name);
        QVERIFY2(!pBtn->icon().pixmap(34, 34).isNull(), name);
        QCOMPARE(pBtn->iconSize(), qstrcmp(name, "Btn_NewGCode") == 0 ? QSize(51, 51) : QSize(34, 34));
    }
    if (qEnvironmentVariableIsSet("DIRADI_GRAB"))
        dlg.grab().save(qEnvironmentVariable("DIRADI_GRAB") + "/dlggcode.png");
}

void TestDlgGCode::listScrolling()
{
    stWnd w;
    w.Load(Program(25));
    QCOMPARE(w.Rows(), Lines(0, 10));
    QCOMPARE(w.List()->currentRow(), 0);
    QVERIFY(w.Logged("info: G-Code Loaded"));
    QCOMPARE(w.Bar()->maximum(), 15);
    // A window that would run past the end shows the last ten lines.
    w.dlg.on_VS_ForGCodeScrolling_valueChanged(20);
    QCOMPARE(w.Rows(), Lines(15, 25));
    QCOMPARE(w.dlg.FirstVisibleLine(), 15);
    w.Scroll(7);
    QCOMPARE(w.Rows(), Lines(7, 17));
    w.Scroll(0);
    QCOMPARE(w.Rows(), Lines(0, 10));

    // A program shorter than the window shows whole and cannot scroll.
    w.dlg.ClearCurGCodeData();
    w.Load(Program(5));
    QCOMPARE(w.Rows(), Lines(0, 5));
    QCOMPARE(w.Bar()->maximum(), 0);
}

void TestDlgGCode::insert()
{
    stWnd w;
    w.Load(Program(12));
    w.ClickRow(3);
    QCOMPARE(w.Edit()->text(), QStringLiteral("[3]G1 X3"));
    w.Edit()->setText("[3]G1X5");
    w.Click("Btn_InsertNewGCodeLine");
    w.AwaitCheck();
    // After the selected line, as typed; the editing split keeps G1X5 as
    // one word, which the check made after the edit refuses.
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines.size(), size_t(13));
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines[4], QStringLiteral("G1X5"));
    QCOMPARE(w.Tokens(4), QStringLiteral("G1X5"));
    QCOMPARE(w.Tokens(5), QStringLiteral("G1|X4"));
    QCOMPARE(w.Rows()[4], QStringLiteral("G1X5"));
    QVERIFY(CdlgGCode::m_CompilationErrors.count(4));
    QCOMPARE(w.Count(), QStringLiteral("1"));
    QCOMPARE(w.Edit()->text(), QStringLiteral("[3]G1X5"));
    QCOMPARE(w.Bar()->maximum(), 12);
    QVERIFY(w.dlg.IsModified());
    QVERIFY(!w.dlg.StartGCode());
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: Fix Compilation errors"));

    // The new line is selected, so the next one goes after it.
    QCOMPARE(w.List()->currentRow(), 4);
    w.Edit()->setText("M5");
    w.Click("Btn_InsertNewGCodeLine");
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines[5], QStringLiteral("M5"));

    // An empty line editor inserts nothing.
    w.Edit()->clear();
    w.Click("Btn_InsertNewGCodeLine");
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines.size(), size_t(14));

    // After the last row the window moves down to show the new line.
    w.ClickRow(9);
    w.Edit()->setText("M4");
    w.Click("Btn_InsertNewGCodeLine");
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines[10], QStringLiteral("M4"));
    QCOMPARE(w.dlg.FirstVisibleLine(), 1);
    QCOMPARE(w.List()->currentItem()->text(), QStringLiteral("M4"));
}

void TestDlgGCode::insertIntoEmptyProgram()
{
    stWnd w;
    w.Edit()->setText("G0 X1");
    w.Click("Btn_InsertNewGCodeLine");
    w.AwaitCheck();
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines, std::vector<QString>{"G0 X1"});
    QCOMPARE(w.Tokens(0), QStringLiteral("G0|X1"));
    QCOMPARE(w.Rows(), QStringList{"G0 X1"});
    QCOMPARE(w.Count(), QStringLiteral("0"));

    // New after scrolling down a long program: the next insert still lands
    // in the (empty) program, as its first line.
    w.dlg.ClearCurGCodeData();
    w.Load(Program(25));
    w.Scroll(15);
    w.Click("Btn_NewGCode");
    QVERIFY(CdlgGCode::m_lstOfGCodeLines.empty());
    w.Edit()->setText("M3");
    w.Click("Btn_InsertNewGCodeLine");
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines, std::vector<QString>{"M3"});
    QCOMPARE(w.Rows(), QStringList{"M3"});
}

void TestDlgGCode::update()
{
    stWnd w;
    w.Load(Program(5));
    w.Check();
    QCOMPARE(w.Count(), QStringLiteral("0"));
    w.ClickRow(1);
    w.Edit()->setText("[1]G1X5");
    w.Click("Btn_UpdateGCodeLine");
    w.AwaitCheck();
    // Update splits like the loader: G1X5 gives two words.
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines[1], QStringLiteral("G1X5"));
    QCOMPARE(w.Tokens(1), QStringLiteral("G1|X5"));
    QCOMPARE(w.Rows()[1], QStringLiteral("G1X5"));
    QCOMPARE(w.Count(), QStringLiteral("0"));
    QVERIFY(w.dlg.IsModified());

    // A bad line typed in shows in the count and the error list, and Start
    // refuses the program.
    w.Edit()->setText("[1]G1 Q5");
    w.Click("Btn_UpdateGCodeLine");
    w.AwaitCheck();
    QCOMPARE(w.Count(), QStringLiteral("1"));
    QCOMPARE(w.Errors()->count(), 2);
    QCOMPARE(w.Errors()->item(0)->text(), QStringLiteral("Unsupported commands:"));
    QCOMPARE(w.Errors()->item(1)->text(), QStringLiteral("Q5(Invalid)"));
    QVERIFY(!w.dlg.StartGCode());
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: Fix Compilation errors"));

    // Mending it clears the count.
    w.Edit()->setText("[1]G1 X1");
    w.Click("Btn_UpdateGCodeLine");
    w.AwaitCheck();
    QCOMPARE(w.Count(), QStringLiteral("0"));
    QCOMPARE(w.Errors()->count(), 0);

    // No row selected: nothing changes.
    w.List()->setCurrentRow(-1);
    w.Edit()->setText("M3");
    w.Click("Btn_UpdateGCodeLine");
    QVERIFY(std::find(CdlgGCode::m_lstOfGCodeLines.begin(), CdlgGCode::m_lstOfGCodeLines.end(), "M3") ==
            CdlgGCode::m_lstOfGCodeLines.end());
}

void TestDlgGCode::deleteLine()
{
    stWnd w;
    w.Load(Program(25));
    w.Scroll(12);
    QCOMPARE(w.Rows(), Lines(12, 22));
    w.ClickRow(2);
    w.Click("Btn_DeleteGCodeLine");
    QStringList expected = Program(25);
    expected.removeAt(14);
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines.size(), size_t(24));
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines[14], QStringLiteral("G1 X15"));
    QCOMPARE(CdlgGCode::m_lstOfGCodeCmds.size(), size_t(24));
    QCOMPARE(w.Tokens(14), QStringLiteral("G1|X15"));
    QCOMPARE(w.dlg.FirstVisibleLine(), 11);
    QCOMPARE(w.Rows(), expected.mid(11, 10));
    QCOMPARE(w.Edit()->text(), QString());
    QCOMPARE(w.Bar()->maximum(), 23);

    w.List()->setCurrentRow(-1);
    w.Click("Btn_DeleteGCodeLine");
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines.size(), size_t(24));
}

void TestDlgGCode::moves()
{
    stWnd w;
    w.Load(Program(25));
    w.Scroll(12);
    // Up on row 0 and down on the last row do nothing, even with lines
    // beyond the window.
    w.ClickRow(0);
    w.Click("Btn_MoveGCodeLineUp");
    w.ClickRow(9);
    w.Click("Btn_MoveGCodeLineDown");
    QCOMPARE(w.Rows(), Lines(12, 22));
    QVERIFY(!w.dlg.IsModified());

    w.ClickRow(3);
    w.Click("Btn_MoveGCodeLineDown");
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines[15], QStringLiteral("G1 X16"));
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines[16], QStringLiteral("G1 X15"));
    QCOMPARE(w.Tokens(16), QStringLiteral("G1|X15"));
    QCOMPARE(w.Rows()[4], QStringLiteral("G1 X15"));
    QCOMPARE(w.List()->currentRow(), 4); // the selection follows the line
    QVERIFY(w.dlg.IsModified());
    w.Click("Btn_MoveGCodeLineUp");
    QCOMPARE(w.Rows(), Lines(12, 22));
    QCOMPARE(w.List()->currentRow(), 3);
}

void TestDlgGCode::moveRechecksWhenErrorsShown()
{
    stWnd w;
    w.Load({"G1 X1", "G1 Q1", "G1 X2"});
    w.Check();
    QCOMPARE(w.Count(), QStringLiteral("1"));
    w.ClickRow(1);
    w.Click("Btn_MoveGCodeLineDown");
    w.AwaitCheck();
    QCOMPARE(CdlgGCode::m_CompilationErrors.size(), size_t(1));
    QVERIFY(CdlgGCode::m_CompilationErrors.count(2));
    QCOMPARE(w.dlg.CurrentErrorLine(), 2u);
    QCOMPARE(w.Errors()->item(1)->text(), QStringLiteral("Q1(Invalid)"));
    QCOMPARE(w.List()->currentRow(), 2);
}

// The check after an edit runs on a worker: until it answers the program is
// not run, edits go on meanwhile, and only the answer for the program as
// it now is shows.
void TestDlgGCode::recheckAfterEditOnWorker()
{
    stWnd w;
    w.Load(Program(5));
    w.Check();
    w.ClickRow(1);
    w.Edit()->setText("[1]G1 Q5");
    w.Click("Btn_UpdateGCodeLine");
    QVERIFY(w.dlg.IsCheckPending());
    QCOMPARE(CdlgGCode::m_CompilationErrors.size(), size_t(0));
    w.mw.m_lstLog.clear();
    QVERIFY(!w.dlg.StartGCode());
    w.Click("Btn_ExecOneGCodeLine");
    QCOMPARE(w.mw.m_lstLog, QStringList(2, "error: G-Code Compiling. Please wait!"));
    QVERIFY(!w.mw.m_AppCtrl.isRunning());

    // Mended before the first answer came: that answer (Q5 refused) is
    // dropped, the one for the mended line shows.
    w.Edit()->setText("[1]G1 X5");
    w.Click("Btn_UpdateGCodeLine");
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines[1], QStringLiteral("G1 X5"));
    w.AwaitCheck();
    QCOMPARE(w.Count(), QStringLiteral("0"));
    QVERIFY(CdlgGCode::m_CompilationErrors.empty());
    QCOMPARE(w.Errors()->count(), 0);

    // A move while a check is to come is checked again too.
    w.Edit()->setText("[1]G1 Q5");
    w.Click("Btn_UpdateGCodeLine");
    w.Click("Btn_MoveGCodeLineDown");
    w.AwaitCheck();
    QCOMPARE(CdlgGCode::m_CompilationErrors.size(), size_t(1));
    QVERIFY(CdlgGCode::m_CompilationErrors.count(2));
    QCOMPARE(w.Count(), QStringLiteral("1"));

    // A new program forgets the answer still to come.
    w.Edit()->setText("[2]G1 Q6");
    w.Click("Btn_UpdateGCodeLine");
    w.Click("Btn_NewGCode");
    QVERIFY(!w.dlg.IsCheckPending());
    QTest::qWait(50);
    QCOMPARE(w.Count(), QStringLiteral("0"));
    QVERIFY(CdlgGCode::m_CompilationErrors.empty());
}

void TestDlgGCode::errorNavigation()
{
    stWnd w;
    QStringList lines = Program(25);
    lines[2] = "G1 Q2";
    lines[5] = "G5 Q5";     // two errors on one line
    lines[20] = "G1 X1 X2";
    w.Load(lines);
    w.Check();
    // The count is of lines, not errors; the first error is shown.
    QCOMPARE(w.Count(), QStringLiteral("3"));
    QCOMPARE(w.dlg.CurrentErrorLine(), 2u);
    QCOMPARE(w.Errors()->item(1)->text(), QStringLiteral("Q2(Invalid)"));
    QCOMPARE(w.Rows(), lines.mid(2, 10));

    const struct
    {
        const char* button;
        unsigned int line;
        int first; // first line of the window
    } steps[] = {
        {"Btn_GCodeNextError", 5, 5},  {"Btn_GCodeNextError", 20, 15}, {"Btn_GCodeNextError", 20, 15},
        {"Btn_GCodePrevError", 5, 5},  {"Btn_GCodePrevError", 2, 2},   {"Btn_GCodePrevError", 2, 2},
        {"Btn_GCodeLastError", 20, 15}, {"Btn_GCodeFirstError", 2, 2},
    };
    for (const auto& step : steps) {
        w.Click(step.button);
        const QString strWhere = QStringLiteral("after %1 to line %2").arg(step.button).arg(step.line);
        QVERIFY2(w.dlg.CurrentErrorLine() == step.line, qPrintable(strWhere));
        QVERIFY2(w.dlg.FirstVisibleLine() == step.first, qPrintable(strWhere));
        QVERIFY2(w.List()->currentRow() == int(step.line) - step.first, qPrintable(strWhere));
        QVERIFY2(w.Edit()->text() == CGCodeNavigator::LineEditText(step.line, lines[int(step.line)]),
                 qPrintable(strWhere));
        QVERIFY2(w.Errors()->item(1)->text() == QString::fromStdString(CdlgGCode::m_CompilationErrors[step.line]),
                 qPrintable(strWhere));
    }
    // Both errors of line 5 show, one below the other.
    w.Click("Btn_GCodeNextError");
    QCOMPARE(w.Errors()->item(1)->text(), QStringLiteral("G5(Invalid)\nQ5(Invalid)"));
    if (qEnvironmentVariableIsSet("DIRADI_GRAB"))
        w.dlg.grab().save(qEnvironmentVariable("DIRADI_GRAB") + "/dlggcode-errors.png");

    // With no errors the buttons do nothing.
    CdlgGCode::m_CompilationErrors.clear();
    w.Click("Btn_GCodeLastError");
    QCOMPARE(w.dlg.CurrentErrorLine(), 5u);
}

void TestDlgGCode::checkButton()
{
    stWnd w;
    w.Click("Btn_CompileGCode");
    QCOMPARE(w.mw.m_lstLog, QStringList{"error: No G-Code loaded"});

    w.Load({"G1 X1", "G1 Q1"});
    w.mw.m_lstLog.clear();
    w.Click("Btn_CompileGCode");
    QCOMPARE(w.Btn("Btn_CompileGCode")->styleSheet(), BTN_BKGND_GREEN); // until the check ends
    QTRY_VERIFY(w.Logged("info: G-Code Compilation Completed"));
    QCOMPARE(w.mw.m_lstLog.first(),
             QStringLiteral("info: Compiling G-Code. This may take few seconds based on the G-Code File size"));
    QCOMPARE(w.Count(), QStringLiteral("1"));
    QCOMPARE(w.Errors()->item(0)->text(), QStringLiteral("Unsupported commands:"));
    QCOMPARE(w.Btn("Btn_CompileGCode")->styleSheet(), BTN_BKGND_GRAY);

    CdlgGCode::m_bGCodeCompiling = true;
    w.Click("Btn_CompileGCode");
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: Preveious G-Code Still Compiling"));
}

namespace {
enum eFault { F_ESTOP = 1, F_BUSY = 2, F_EMPTY = 4, F_ERRORS = 8, F_NOHOME = 16, F_STARTLINE = 32 };
}

void TestDlgGCode::startDecisionOrder_data()
{
    QTest::addColumn<int>("faults");
    QTest::addColumn<QString>("message"); // "" = started
    // Every row has the faults of its own step and of all later ones: the
    // earliest step answers.
    QTest::newRow("emergency stop first") << 63 << "error: Release Emergency Switch";
    QTest::newRow("machine in use") << 62 << "error: Machine in use";
    QTest::newRow("no program") << 60 << "error: No G-Code added";
    QTest::newRow("errors") << 56 << "error: Fix Compilation errors";
    QTest::newRow("homing") << 48 << "error: Homing not done!\nUse \"Move Home\" in user Settings";
    QTest::newRow("start line past the end") << 32 << "error: Start Line is beyond the last G-Code line";
    QTest::newRow("unchecked program starts") << 0 << "";
}

void TestDlgGCode::startDecisionOrder()
{
    QFETCH(int, faults);
    QFETCH(QString, message);
    stWnd w;
    if (!(faults & F_EMPTY))
        w.Load(Program(3));
    if (faults & F_ERRORS)
        CdlgGCode::m_CompilationErrors[0] = "X(Invalid)";
    if (faults & F_BUSY)
        w.mw.m_AppCtrl.m_iRunMode = AppControl::RUN_WORK_ZERO;
    AppConfig::m_bHomeSensorsUsed = faults & F_NOHOME;
    AppConfig::m_bEmergencyStopON = faults & F_ESTOP;
    AppConfig::m_GCodeRunSettings.m_uiStartLine = (faults & F_STARTLINE) ? 3 : 0;
    w.mw.m_lstLog.clear();

    const bool bStarted = w.dlg.StartGCode();
    AppConfig::m_bEmergencyStopON = false;
    AppConfig::m_bHomeSensorsUsed = false;
    if (message.isEmpty()) {
        QVERIFY(bStarted);
        QVERIFY(!w.Btn("Btn_InsertNewGCodeLine")->isEnabled());
        QVERIFY(FinishOperation(w.mw.m_AppCtrl));
        QCOMPARE(w.mw.m_lstLog, QStringList());
        return;
    }
    QVERIFY(!bStarted);
    QCOMPARE(w.mw.m_lstLog, QStringList{message});
    QVERIFY(w.Btn("Btn_InsertNewGCodeLine")->isEnabled());
    QVERIFY(!w.mw.m_AppCtrl.isRunning());
    w.mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
}

void TestDlgGCode::pauseAndResume()
{
    stWnd w;
    w.Load(Program(3));
    AppControl& ctrl = w.mw.m_AppCtrl;
    ctrl.m_iRunMode = AppControl::RUN_GCODE;
    QVERIFY(w.dlg.StartGCode());
    QVERIFY(ctrl.m_bHold);
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("info: G-Code execution paused"));
    AppConfig::m_bEnlManualToolChange = true;
    QVERIFY(w.dlg.StartGCode());
    AppConfig::m_bEnlManualToolChange = false;
    QVERIFY(!ctrl.m_bHold);
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("info: G-Code execution resumed"));
    QVERIFY(w.mw.m_lstCalls.contains("EnableJogPanel(false)"));
    // The program the controller is running cannot be emptied.
    w.dlg.ClearCurGCodeData();
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: Machine in use"));
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines.size(), size_t(3));
    QVERIFY(!ctrl.isRunning());
    ctrl.m_iRunMode = AppControl::RUN_IDLE;
}

void TestDlgGCode::executeLine()
{
    stWnd w;
    // Refusals first, each with its message and nothing started.
    w.Click("Btn_ExecOneGCodeLine");
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: No G-Code Loaded"));
    w.Load(Program(40));
    CdlgGCode::m_CompilationErrors[7] = "Q(Invalid)";
    w.Click("Btn_ExecOneGCodeLine");
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: Fix Compilation errors"));
    CdlgGCode::m_CompilationErrors.clear();
    QVERIFY(!w.mw.m_AppCtrl.isRunning());

    // Row 4 of a window starting at line 30 runs line 34.
    w.Scroll(30);
    w.ClickRow(4);
    w.Click("Btn_ExecOneGCodeLine");
    QCOMPARE(w.Btn("Btn_ExecOneGCodeLine")->styleSheet(), BTN_BKGND_GREEN);
    QVERIFY(!w.Btn("Btn_ExecOneGCodeLine")->isEnabled());
    QVERIFY(FinishOperation(w.mw.m_AppCtrl));
    QVERIFY(qAbs(w.mw.m_AppCtrl.GetCurPos(X_AXIS) - 34.0) < 0.001);
    // The line edit shows the line that was run, not the one before it.
    QTRY_COMPARE(w.Edit()->text(), QStringLiteral("[34]G1 X34"));
    w.dlg.ResetUI(true); // what the main window does when the operation ends
    QCOMPARE(w.Btn("Btn_ExecOneGCodeLine")->styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(w.Btn("Btn_ExecOneGCodeLine")->isEnabled());
}

void TestDlgGCode::refusedStartEnablesWindow()
{
    stWnd w;
    w.Load(Program(3));
    // Another operation still holds the machine: the controller refuses.
    w.mw.m_AppCtrl.m_iRunMode = AppControl::RUN_WORK_ZERO;
    w.Click("Btn_ExecOneGCodeLine");
    w.mw.PollMessages();
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: Axis in use"));
    QVERIFY(w.Btn("Btn_ExecOneGCodeLine")->isEnabled());
    QVERIFY(w.Btn("Btn_NewGCode")->isEnabled());
    QCOMPARE(w.Btn("Btn_ExecOneGCodeLine")->styleSheet(), BTN_BKGND_GRAY);
    w.mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
}

void TestDlgGCode::refusedWhileBusy_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("loading");
    QTest::newRow("insert while loading") << "Btn_InsertNewGCodeLine" << true;
    QTest::newRow("insert while checking") << "Btn_InsertNewGCodeLine" << false;
    QTest::newRow("update while loading") << "Btn_UpdateGCodeLine" << true;
    QTest::newRow("delete while checking") << "Btn_DeleteGCodeLine" << false;
    QTest::newRow("move while loading") << "Btn_MoveGCodeLineDown" << true;
    QTest::newRow("execute line while checking") << "Btn_ExecOneGCodeLine" << false;
    QTest::newRow("DXF import while loading") << "Btn_OpenDXF" << true;
    QTest::newRow("edit mode while loading") << "Btn_EditGCode" << true;
    QTest::newRow("start line while checking") << "Btn_GCodeExecStartLine" << false;
    QTest::newRow("check while loading") << "Btn_CompileGCode" << true;
}

void TestDlgGCode::refusedWhileBusy()
{
    QFETCH(QString, button);
    QFETCH(bool, loading);
    stWnd w;
    w.Load(Program(5));
    w.ClickRow(1);
    w.Edit()->setText("[1]M3");
    (loading ? CdlgGCode::m_bGCodeLoading : CdlgGCode::m_bGCodeCompiling) = true;
    w.Click(qPrintable(button));
    QCOMPARE(w.mw.m_lstLog.last(), loading ? QStringLiteral("error: G-Code Loading. Please wait!")
                                           : QStringLiteral("error: G-Code Compiling. Please wait!"));
    QCOMPARE(w.prompter.m_lstPrompts.size(), 0);
    QVERIFY(!w.mw.m_AppCtrl.isRunning());
    QCOMPARE(QStringList(CdlgGCode::m_lstOfGCodeLines.begin(), CdlgGCode::m_lstOfGCodeLines.end()), Program(5));
    QVERIFY(!w.dlg.IsModified());
}

void TestDlgGCode::resetUI()
{
    stWnd w;
    const char* const controls[] = {
        "Btn_MoveGCodeLineUp",    "Btn_MoveGCodeLineDown", "Btn_NewGCode",           "Btn_OpenGCode",
        "Btn_OpenDXF",            "Btn_CompileGCode",      "Btn_SaveGCode",          "Btn_SaveAsGCode",
        "LE_GCodeCmnds",          "Btn_AddNewGCodeLine",   "Btn_InsertNewGCodeLine", "Btn_UpdateGCodeLine",
        "Btn_DeleteGCodeLine",    "Btn_EditGCode",         "Btn_GCodeNextError",     "Btn_GCodePrevError",
        "Btn_GCodeLastError",     "Btn_GCodeFirstError",   "Btn_GCodeExecStartLine", "Btn_GCodeRunSettings",
        "Btn_ExecOneGCodeLine",   "Btn_UseZProfile",
    };
    for (bool bEnable : {false, true}) {
        w.dlg.ResetUI(bEnable);
        for (const char* name : controls)
            QVERIFY2(w.dlg.findChild<QWidget*>(name)->isEnabled() == bEnable, name);
        // The lists and the bar stay usable; the file name is never editable.
        QVERIFY(w.List()->isEnabled() && w.Errors()->isEnabled() && w.Bar()->isEnabled());
        QVERIFY(!w.dlg.findChild<QLineEdit*>("LE_GCodeFile")->isEnabled());
    }
}

void TestDlgGCode::reportedLine()
{
    stWnd w;
    w.Load(Program(5));
    AppControl& ctrl = w.mw.m_AppCtrl;
    emit ctrl.SelNxtGCodeLine(3);
    QCOMPARE(w.Edit()->text(), QStringLiteral("[2]G1 X2"));
    emit ctrl.SelNxtGCodeLine(0);
    emit ctrl.SelNxtGCodeLine(99);
    QCOMPARE(w.Edit()->text(), QStringLiteral("[2]G1 X2"));
    QCOMPARE(w.Rows(), Program(5)); // the list does not move
    // Set-up done twice still shows each line once (one connection).
    w.dlg.ConfigSettings();
    emit ctrl.SelNxtGCodeLine(5);
    QCOMPARE(w.Edit()->text(), QStringLiteral("[4]G1 X4"));
}

void TestDlgGCode::startLine()
{
    stWnd w;
    QPushButton* pBtn = w.Btn("Btn_GCodeExecStartLine");
    w.Click("Btn_GCodeExecStartLine");
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: No G-Code Loaded"));
    QVERIFY(w.prompter.m_lstPrompts.isEmpty());

    w.Load(Program(10));
    AppConfig::m_GCodeRunSettings.m_uiStartLine = 5;
    w.mw.m_lstLog.clear();
    // The first line can be chosen again.
    w.prompter.m_lstKeypadEntries << "0";
    w.Click("Btn_GCodeExecStartLine");
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 0);
    QCOMPARE(pBtn->text(), QStringLiteral("0\nStart Line"));
    QCOMPARE(w.prompter.m_lstPrompts.last().m_strTitle, QStringLiteral("G-Code Start Line"));
    QCOMPARE(w.prompter.m_lstPrompts.last().m_strText, QStringLiteral("5"));
    QVERIFY(!w.prompter.m_bLastKeypadDecimal);
    QVERIFY(!w.prompter.m_bLastKeypadSign);
    QVERIFY(w.mw.m_lstLog.isEmpty());
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GRAY);

    w.prompter.m_lstKeypadEntries << "99";
    w.Click("Btn_GCodeExecStartLine");
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 9);
    QCOMPARE(pBtn->text(), QStringLiteral("9\nStart Line"));
    QCOMPARE(w.mw.m_lstLog, QStringList{"error: Value must be between\n0.0000 and 9.0000"});

    // A one-line program can only start at its line.
    w.dlg.ClearCurGCodeData();
    w.Load(Program(1));
    w.prompter.m_lstKeypadEntries << "4";
    w.Click("Btn_GCodeExecStartLine");
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 0);
    QCOMPARE(pBtn->text(), QStringLiteral("0\nStart Line"));
}

void TestDlgGCode::editMode()
{
    stWnd w;
    w.Click("Btn_EditGCode");
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: No G-Code loaded"));
    QVERIFY(!w.dlg.IsEditMode());

    w.Load(Program(2));
    w.Click("Btn_EditGCode");
    QVERIFY(w.dlg.IsEditMode());
    QVERIFY(w.Edit()->isEnabled());
    QCOMPARE(w.Btn("Btn_EditGCode")->styleSheet(), BTN_BKGND_GREEN);
    w.Click("Btn_EditGCode");
    QVERIFY(!w.dlg.IsEditMode());
    QVERIFY(!w.Edit()->isEnabled());
    QCOMPARE(w.Btn("Btn_EditGCode")->styleSheet(), BTN_BKGND_GRAY);
}

void TestDlgGCode::zProfileSwitch()
{
    stWnd w;
    QPushButton* pBtn = w.Btn("Btn_UseZProfile");
    w.Click("Btn_UseZProfile");
    QCOMPARE(w.mw.m_lstLog.last(),
             QStringLiteral("error: No Z-Profile data added!\nPlease add Z-Profile data from Job Settings"));
    QVERIFY(!AppConfig::m_bUseZProfile);

    AppConfig::m_ZProfileInfo.m_lstGrid = {{stFloatPoint(), stFloatPoint()}, {stFloatPoint(), stFloatPoint()}};
    w.Click("Btn_UseZProfile");
    QVERIFY(AppConfig::m_bUseZProfile);
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GREEN);

    w.mw.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    w.Click("Btn_UseZProfile");
    w.mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: Machine in use"));
    QVERIFY(AppConfig::m_bUseZProfile);

    w.Click("Btn_UseZProfile");
    QVERIFY(!AppConfig::m_bUseZProfile);
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GRAY);
    AppConfig::m_ZProfileInfo.m_lstGrid.clear();
}

void TestDlgGCode::runSettings()
{
    stWnd w;
    AppConfig::m_GCodeRunSettings.m_iHomeRef = 6;
    QTimer::singleShot(0, [] {
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            if (auto* pDlg = qobject_cast<QDialog*>(pWidget);
                pDlg && pDlg->isVisible() && pDlg->objectName() == "dlgGCodeSettings") {
                ClickButton(*pDlg, "Btn_GCodeHmPosTLU");
                pDlg->accept();
                return;
            }
        QFAIL("no run settings dialog shown");
    });
    w.Click("Btn_GCodeRunSettings");
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_iHomeRef, 0);
    QCOMPARE(w.Btn("Btn_GCodeRunSettings")->styleSheet(), BTN_BKGND_GRAY);
}

void TestDlgGCode::files()
{
    stWnd w;
    const QString strRoot = w.mw.m_Setup.m_Folder.Root();
    const QString strTap = WriteFile(strRoot + "/a.tap", "G21 G90\r\nG0 X1\r\n\r\nM30\r\n");
    w.prompter.m_lstFileNames << strTap;
    w.Click("Btn_OpenGCode");
    QTRY_VERIFY(w.Logged("info: G-Code Loaded"));
    QCOMPARE(w.Rows(), (QStringList{"G21 G90", "G0 X1", "", "M30"}));
    QCOMPARE(w.dlg.findChild<QLineEdit*>("LE_GCodeFile")->text(), strTap);
    QCOMPARE(w.Btn("Btn_GCodeExecStartLine")->text(), QStringLiteral("0\nStart Line"));

    // An edit saved over the file, with LF line ends.
    w.ClickRow(1);
    w.Edit()->setText("[1]G0 X2");
    w.Click("Btn_UpdateGCodeLine");
    QVERIFY(w.dlg.IsModified());
    w.Click("Btn_SaveGCode");
    QCOMPARE(ReadFile(strTap), QByteArray("G21 G90\nG0 X2\n\nM30\n"));
    QVERIFY(!w.dlg.IsModified());

    // Save as: a name without extension gets ".ncc" and becomes the file.
    w.prompter.m_lstFileNames << strRoot + "/copy";
    w.Click("Btn_SaveAsGCode");
    QCOMPARE(ReadFile(strRoot + "/copy.ncc"), QByteArray("G21 G90\nG0 X2\n\nM30\n"));
    QCOMPARE(w.dlg.findChild<QLineEdit*>("LE_GCodeFile")->text(), strRoot + "/copy.ncc");
    QCOMPARE(w.Btn("Btn_SaveAsGCode")->styleSheet(), BTN_BKGND_GRAY);

    // New with unsaved edits asks first; No empties the program.
    w.ClickRow(0);
    w.Edit()->setText("[0]G20");
    w.Click("Btn_UpdateGCodeLine");
    w.prompter.m_lstAnswers << QMessageBox::No;
    w.Click("Btn_NewGCode");
    QCOMPARE(w.prompter.Texts("Question").last(), QStringLiteral("Save current G-Code?"));
    QVERIFY(CdlgGCode::m_lstOfGCodeLines.empty());
    QVERIFY(w.Rows().isEmpty());
    QCOMPARE(w.dlg.findChild<QLineEdit*>("LE_GCodeFile")->text(), QStringLiteral("Unnamed"));
    QCOMPARE(ReadFile(strRoot + "/copy.ncc"), QByteArray("G21 G90\nG0 X2\n\nM30\n"));

    // With the program empty, Open offers the program of the status file at
    // its line.
    QVERIFY(CGCodeExecStatus::Write(strTap, 2));
    w.prompter.m_lstAnswers << QMessageBox::Yes;
    w.mw.m_lstLog.clear();
    w.Click("Btn_OpenGCode");
    QCOMPARE(w.prompter.Texts("Question").last(), QStringLiteral("Open Previous G-Code File?"));
    QTRY_VERIFY(w.Logged("info: G-Code Loaded"));
    QCOMPARE(w.dlg.CurrentFile(), strTap);
    QCOMPARE(w.Btn("Btn_GCodeExecStartLine")->text(), QStringLiteral("2\nStart Line"));
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines.size(), size_t(4));
}

void TestDlgGCode::openAndCheck()
{
    stWnd w;
    const QString strRoot = w.mw.m_Setup.m_Folder.Root();
    const QString strUsb = WriteFile(strRoot + "/usb.ncc", "G21\nG1 X1 Q1\nG1 X2\n");
    w.Load(Program(3));
    w.ClickRow(0);
    w.Edit()->setText("[0]M3");
    w.Click("Btn_UpdateGCodeLine");
    AppConfig::m_GCodeRunSettings.m_uiStartLine = 2;
    w.mw.m_lstLog.clear();

    // Unsaved edits are asked about; the file replaces the program (not
    // appended to it) and is checked once it is in.
    w.prompter.m_lstAnswers << QMessageBox::No;
    QVERIFY(w.dlg.OpenAndCheck(strUsb));
    QCOMPARE(w.prompter.Texts("Question"), QStringList{"Save current G-Code?"});
    QTRY_VERIFY(w.Logged("info: G-Code Compilation Completed"));
    QCOMPARE(w.Rows(), (QStringList{"G21", "G1 X1 Q1", "G1 X2"}));
    QCOMPARE(w.Count(), QStringLiteral("1"));
    QCOMPARE(w.dlg.CurrentErrorLine(), 1u);
    QCOMPARE(w.dlg.CurrentFile(), strUsb);
    QCOMPARE(w.dlg.findChild<QLineEdit*>("LE_GCodeFile")->text(), strUsb);
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 0);
    QVERIFY(!w.dlg.IsModified());

    // Refused while a check runs: the program stays.
    CdlgGCode::m_bGCodeCompiling = true;
    QVERIFY(!w.dlg.OpenAndCheck(strRoot + "/prog.ncc"));
    QCOMPARE(w.dlg.CurrentFile(), strUsb);
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines.size(), size_t(3));
    CdlgGCode::m_bGCodeCompiling = false;

    // Refused while the controller runs the program (a paused run too): it
    // reads the token lists, which must not be emptied under it.
    w.mw.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    QVERIFY(!w.dlg.OpenAndCheck(strRoot + "/prog.ncc"));
    w.mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    QCOMPARE(w.mw.m_lstLog.last(), QStringLiteral("error: Machine in use"));
    QCOMPARE(w.dlg.CurrentFile(), strUsb);
    QCOMPARE(CdlgGCode::m_lstOfGCodeLines.size(), size_t(3));
}

void TestDlgGCode::declinedSaveKeepsEditsMarked()
{
    // No to "Save current G-Code?" and then no file chosen: the edited
    // program stays in the window, still unsaved, so the next operation that
    // would throw it away asks again.
    stWnd w;
    w.Load(Program(3));
    w.ClickRow(1);
    w.Edit()->setText("[1]M3");
    w.Click("Btn_UpdateGCodeLine");
    for (const char* button : {"Btn_OpenGCode", "Btn_OpenDXF"}) {
        w.prompter.m_lstAnswers << QMessageBox::No;
        w.Click(button);
        QVERIFY2(w.dlg.IsModified(), button);
        QCOMPARE(CdlgGCode::m_lstOfGCodeLines[1], QStringLiteral("M3"));
    }
    w.prompter.m_lstAnswers << QMessageBox::No;
    w.Click("Btn_NewGCode");
    QCOMPARE(w.prompter.Texts("Question"),
             (QStringList{"Save current G-Code?", "Save current G-Code?", "Save current G-Code?"}));
    QVERIFY(CdlgGCode::m_lstOfGCodeLines.empty());
    QVERIFY(!w.dlg.IsModified());
}

void TestDlgGCode::dxfImport()
{
    stWnd w;
    const QString strRoot = w.mw.m_Setup.m_Folder.Root();
    const QString strDxf = WriteFile(strRoot + "/part.dxf", SQUARE_DXF);
    w.Load(Program(3));
    AppConfig::m_GCodeRunSettings.m_uiStartLine = 2;
    w.prompter.m_lstFileNames << strDxf;
    OnDxfDialog([&w](dlgDxfToGCode* pDlg) {
        w.prompter.m_lstKeypadEntries << "-2.5";
        QTest::mouseClick(pDlg->findChild<QPushButton*>("Btn_ShapeDepth"), Qt::LeftButton);
        QTest::mouseClick(pDlg->findChild<QPushButton*>("Btn_Ok"), Qt::LeftButton);
    });
    w.mw.m_lstLog.clear();
    w.Click("Btn_OpenDXF");
    QTRY_VERIFY(w.Logged("info: G-Code Loaded"));

    const QString strOut = strRoot + "/part..ncc";
    QVERIFY(QFile::exists(strOut));
    QCOMPARE(w.dlg.CurrentFile(), strOut);
    QCOMPARE(w.dlg.findChild<QLineEdit*>("LE_GCodeFile")->text(), strOut);
    QVERIFY(w.Logged("info: Creating G-Code from DXF file"));
    QVERIFY(w.Logged("info: G-Code saved at" + strOut));
    QCOMPARE(AppConfig::m_strLastFolderPath, strRoot + "/");
    // The drawing's program, cut to the depth entered in three passes, and
    // run from its first line.
    QCOMPARE(w.Rows().first(), QStringLiteral("; dxf2gcode"));
    const std::vector<QString>& lines = CdlgGCode::m_lstOfGCodeLines;
    QCOMPARE(std::count(lines.begin(), lines.end(), QStringLiteral("G1 Z-2.5000")), 1);
    QCOMPARE(std::count_if(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith("G1 Z"); }), 3);
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 0);
    QCOMPARE(w.Btn("Btn_GCodeExecStartLine")->text(), QStringLiteral("0\nStart Line"));
    QCOMPARE(w.Count(), QStringLiteral("0"));
}

void TestDlgGCode::dxfImportTellsWhatIsLeftOut()
{
    // A hole drawn as a circle is not cut, nor is an arc whose radius is
    // missing: the log says so.
    stWnd w;
    const QString strRoot = w.mw.m_Setup.m_Folder.Root();
    QByteArray drawing = SQUARE_DXF;
    drawing.replace("0\nENDSEC", "0\nCIRCLE\n10\n5\n20\n5\n40\n1\n0\nARC\n10\n5\n20\n5\n50\n0\n51\n90\n0\nENDSEC");
    w.prompter.m_lstFileNames << WriteFile(strRoot + "/part.dxf", drawing);
    OnDxfDialog([](dlgDxfToGCode* pDlg) { QTest::mouseClick(pDlg->findChild<QPushButton*>("Btn_Ok"), Qt::LeftButton); });
    w.Click("Btn_OpenDXF");
    QTRY_VERIFY(w.Logged("info: G-Code Loaded"));
    QVERIFY(w.Logged("info: Left out, not cut: 1 CIRCLE."));
    QVERIFY(w.Logged("info: Left out, incomplete: 1 ARC without its radius."));
}

void TestDlgGCode::dxfImportCancelledOrInvalid()
{
    stWnd w;
    const QString strRoot = w.mw.m_Setup.m_Folder.Root();
    w.Load(Program(3));
    const auto programKept = [] {
        return QStringList(CdlgGCode::m_lstOfGCodeLines.begin(), CdlgGCode::m_lstOfGCodeLines.end()) == Program(3);
    };

    // Cancel converts nothing.
    w.prompter.m_lstFileNames << WriteFile(strRoot + "/part.dxf", SQUARE_DXF);
    OnDxfDialog([](dlgDxfToGCode* pDlg) {
        QTest::mouseClick(pDlg->findChild<QPushButton*>("Btn_Cancel"), Qt::LeftButton);
    });
    w.Click("Btn_OpenDXF");
    QVERIFY(!QFile::exists(strRoot + "/part..ncc"));
    QVERIFY(w.Logged("info: DXF conversion cancelled"));
    QVERIFY(programKept());

    // A drawing with nothing to cut: refused, and an older program of the
    // output's name is left as it was.
    w.prompter.m_lstFileNames << WriteFile(strRoot + "/bad.dxf",
                                           "0\nSECTION\n2\nENTITIES\n0\nCIRCLE\n10\n0\n20\n0\n40\n5\n0\nENDSEC\n0\nEOF\n");
    WriteFile(strRoot + "/bad..ncc", "G0 X1\n");
    OnDxfDialog([](dlgDxfToGCode* pDlg) { QTest::mouseClick(pDlg->findChild<QPushButton*>("Btn_Ok"), Qt::LeftButton); });
    w.Click("Btn_OpenDXF");
    QVERIFY(w.Logged("error: Not a valid DXF File"));
    QCOMPARE(ReadFile(strRoot + "/bad..ncc"), QByteArray("G0 X1\n"));
    QVERIFY(programKept());
    QCOMPARE(w.Rows(), Program(3));

    // No drawing chosen: nothing happens.
    w.mw.m_lstLog.clear();
    w.Click("Btn_OpenDXF");
    QVERIFY(w.mw.m_lstLog.isEmpty());
}

void TestDlgGCode::wholeProgramRun()
{
    stWnd w;
    const QString strPath =
        WriteFile(w.mw.m_Setup.m_Folder.Root() + "/part.ncc", "G21 G90\nG0 X10 Y5\nG1 X20 Y15 F600\nG1 X30\n");
    w.prompter.m_lstFileNames << strPath;
    w.Click("Btn_OpenGCode");
    QTRY_VERIFY(w.Logged("info: G-Code Loaded"));
    w.Click("Btn_CompileGCode");
    QTRY_VERIFY(w.Logged("info: G-Code Compilation Completed"));
    QCOMPARE(w.Count(), QStringLiteral("0"));

    QVERIFY(w.dlg.StartGCode());
    QVERIFY(!w.Btn("Btn_OpenGCode")->isEnabled());
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_strGCodeFile, strPath);
    QVERIFY(w.mw.m_lstCalls.contains("ClearToolGraphics"));
    QVERIFY(FinishOperation(w.mw.m_AppCtrl));
    w.mw.PollMessages();
    w.dlg.ResetUI(true);

    QVERIFY(qAbs(w.mw.m_AppCtrl.GetCurPos(X_AXIS) - 30.0) < 0.001);
    QVERIFY(qAbs(w.mw.m_AppCtrl.GetCurPos(Y_AXIS) - 15.0) < 0.001);
    // The controller reported its lines: the editor shows the one before the last.
    QCOMPARE(w.Edit()->text(), QStringLiteral("[2]G1 X20 Y15 F600"));
    QCOMPARE(w.mw.m_lstLog,
             (QStringList{"info: Loading G-Code.This may take few seconds based on the G-Code File size",
                          "info: G-Code Loaded",
                          "info: Compiling G-Code. This may take few seconds based on the G-Code File size",
                          "info: G-Code Compilation Completed"}));
    QVERIFY(w.Btn("Btn_OpenGCode")->isEnabled());
}

QTEST_MAIN(TestDlgGCode)
#include "tst_dlggcode.moc"
