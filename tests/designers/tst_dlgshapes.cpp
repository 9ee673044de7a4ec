// The shape designer window: its form, the buttons that follow the settings,
// Start and Generate G-code.
#include "designers/dlgshapes.h"
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"

#include "core/AppConfig.h"

#include <QPushButton>
#include <QtTest>

class TestDlgShapes : public QObject
{
    Q_OBJECT
private slots:
    void form();
};

void TestDlgShapes::form()
{
    CDlgShapes dlg;
    static const stFormRow kRows[] = {
        {"CDlgShapes", "QDialog", 0, 0, 900, 400, nullptr},
        {"Btn_AddEllipse", "QPushButton", 530, 9, 70, 40, "Ellipse"},
        {"Btn_DrawContour", "QPushButton", 600, 9, 70, 40, "Draw \nShape"},
        {"Btn_ShapeFromTxt", "QPushButton", 670, 9, 70, 40, "Draw \nText"},
        {"Btn_ShapeFromImg", "QPushButton", 740, 9, 70, 40, "From\nImage"},
        {"Btn_DispGraphics", "QPushButton", 810, 9, 70, 40, "Graphics"},
        {"Lw_Shapes", "QListWidget", 533, 50, 311, 141, nullptr},
        {"Btn_MoveShapeDown", "QPushButton", 847, 50, 40, 40, ""},
        {"Btn_MoveShapeUp", "QPushButton", 847, 91, 40, 40, ""},
        {"Btn_DelShape", "QPushButton", 848, 133, 40, 40, ""},
        {"Btn_DelAllShapes", "QPushButton", 848, 175, 40, 40, ""},
        {"label_16", "QLabel", 533, 193, 311, 20, "Double-click to edit shape"},
        {"Btn_ShapeDepth", "QPushButton", 536, 230, 90, 40, "-10.0000\nDepth"},
        {"Btn_AxisStep_Z", "QPushButton", 627, 230, 90, 40, "1\nz Step"},
        {"Btn_ZAxisPlungeFeed", "QPushButton", 718, 230, 90, 40, "10.0000\nPlunge Feed"},
        {"Btn_EndMillDia", "QPushButton", 808, 230, 90, 40, "5\nEnd-Mill "},
        {"GB_WorkArea", "QGroupBox", 540, 278, 201, 111, "Project"},
        {"Btn_WorkAreaLength", "QPushButton", 4, 25, 90, 40, "300.0000\nLength"},
        {"Btn_WorkAreaWidth", "QPushButton", 104, 25, 90, 40, "200.0000\nWidth"},
        {"Btn_LoadWorkArea", "QPushButton", 5, 70, 90, 40, "Load"},
        {"Btn_SaveWorkArea", "QPushButton", 104, 70, 90, 40, "Save"},
        {"Btn_GenerateGCode", "QPushButton", 780, 320, 90, 40, "Generate\nG-Code"},
        {"label_15", "QLabel", 80, 380, 431, 16, "Mouse wheel: Zoom-in/Zoom-out, Double-Click: Zoom-to-fit"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
}

QTEST_MAIN(TestDlgShapes)
#include "tst_dlgshapes.moc"
