// The user settings panel: its form, what it shows of the settings, the
// number buttons with their ranges, the switches that exclude each other,
// the feed copies, Move Home's refusals and the homing options.
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"
#include "settings/dlgusersettings.h"

#include "core/AppConfig.h"

#include <QPushButton>
#include <QtTest>

namespace {
QPushButton* Btn(QWidget* pDlg, const char* pName)
{
    QPushButton* pBtn = pDlg->findChild<QPushButton*>(QLatin1String(pName));
    if (!pBtn)
        qFatal("no button %s", pName);
    return pBtn;
}
void Click(QWidget* pDlg, const char* pName) { QTest::mouseClick(Btn(pDlg, pName), Qt::LeftButton); }
bool IsGreen(QWidget* pDlg, const char* pName) { return Btn(pDlg, pName)->styleSheet() == BTN_BKGND_GREEN; }
bool IsGray(QWidget* pDlg, const char* pName) { return Btn(pDlg, pName)->styleSheet() == BTN_BKGND_GRAY; }
bool IsBlue(QWidget* pDlg, const char* pName) { return Btn(pDlg, pName)->styleSheet() == BTN_BKGND_BLUE; }
} // namespace

class TestDlgUserSettings : public QObject
{
    Q_OBJECT
private slots:
    void form();
};

void TestDlgUserSettings::form()
{
    CDlgUserSettings dlg;
    static const stFormRow kRows[] = {
        {"CDlgUserSettings", "QDialog", 0, 0, 900, 400, "Dialog"},
        {"Btn_MchUnits_XYZ", "QPushButton", 10, 10, 96, 40, "Units X, Y, Z\nmm"},
        {"Btn_MchUnits_AB", "QPushButton", 10, 60, 96, 40, "Units A, B\ndegree"},
        {"Btn_ZSafetyPosition", "QPushButton", 10, 110, 96, 40, "5.0000\nz Safe Pos"},
        {"Btn_AutoTurnOnSpindleCW", "QPushButton", 116, 10, 110, 40, "Spindle(CW)\nAuto Turn ON"},
        {"Btn_AutoTurnOnSpindleCCW", "QPushButton", 116, 60, 110, 40, "Spindle(CCW)\nAuto Turn ON"},
        {"Btn_AutoTurnOffSpindle", "QPushButton", 116, 110, 110, 40, "Spindle\nAuto Turn Off"},
        {"Btn_EnlManualToolChange", "QPushButton", 236, 10, 110, 40, "Manual(M06)\nTool Change"},
        {"Btn_EnlAutoToolChange", "QPushButton", 236, 60, 110, 40, "Auto(M06)\nTool Change"},
        {"Btn_LogClear", "QPushButton", 800, 10, 90, 40, "Clear Log"},
        {"Btn_LogSave", "QPushButton", 800, 60, 90, 40, "Save Log"},
        {"frame", "QFrame", 356, 5, 434, 100, nullptr},
        {"label", "QLabel", 5, 5, 424, 20, "Machine Home Control"},
        {"Btn_AutoHomeOnStartup", "QPushButton", 10, 35, 130, 50, "Home\nOn Startup"},
        {"Btn_HomeRepeatOffset", "QPushButton", 152, 35, 130, 50, "5.0000\nRepeat Offset"},
        {"Btn_AutoHomeSequence", "QPushButton", 294, 35, 130, 50, "Move\nHome"},
        {"frame_2", "QFrame", 356, 110, 534, 90, nullptr},
        {"label_10", "QLabel", 5, 5, 524, 20, "M06 Position (Manual)"},
        {"label_11", "QLabel", 10, 35, 20, 40, "X"},
        {"Btn_ToolChangePos_X", "QPushButton", 30, 35, 80, 40, "-25.0000"},
        {"label_12", "QLabel", 115, 35, 20, 40, "Y"},
        {"Btn_ToolChangePos_Y", "QPushButton", 135, 35, 80, 40, "-25.0000"},
        {"label_13", "QLabel", 220, 35, 20, 40, "Z"},
        {"Btn_ToolChangePos_Z", "QPushButton", 240, 35, 80, 40, "10.0000"},
        {"label_14", "QLabel", 325, 35, 20, 40, "A"},
        {"Btn_ToolChangePos_A", "QPushButton", 345, 35, 80, 40, "10.0000"},
        {"label_15", "QLabel", 430, 35, 20, 40, "B"},
        {"Btn_ToolChangePos_B", "QPushButton", 450, 35, 80, 40, "10.0000"},
        {"groupBox", "QGroupBox", 10, 215, 880, 150, ""},
        {"Btn_AxisSel_X", "QPushButton", 10, 25, 80, 40, "X"},
        {"Btn_AxisSel_Y", "QPushButton", 100, 25, 80, 40, "Y"},
        {"Btn_AxisSel_Z", "QPushButton", 190, 25, 80, 40, "Z"},
        {"Btn_AxisSel_A", "QPushButton", 280, 25, 80, 40, "A"},
        {"Btn_AxisSel_B", "QPushButton", 370, 25, 80, 40, "B"},
        {"Btn_SameMotorSettings", "QPushButton", 480, 25, 90, 40, "Same for\nX, Y, Z"},
        {"Btn_SameMotorSettings_AB", "QPushButton", 580, 25, 90, 40, "Same for\nA, B"},
        {"label_4", "QLabel", 10, 90, 80, 40, "(G01)Axis\nFeed"},
        {"Btn_AxisUserFeed", "QPushButton", 90, 90, 80, 40, "5.0000"},
        {"label_6", "QLabel", 190, 90, 70, 40, "Jog\nFeed"},
        {"Btn_AxisJogFeed", "QPushButton", 260, 90, 80, 40, "5.0000"},
        {"label_5", "QLabel", 360, 90, 70, 40, "Homing\nFeed"},
        {"Btn_AxisAutoHmFeed", "QPushButton", 430, 90, 80, 40, "5.0000"},
        {"Btn_UseG01Feed", "QPushButton", 580, 90, 90, 40, "Use G01\nFeed"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    // Created disabled: the homing options, A and B, their copy, the tool-change
    // positions and the home feed.
    for (const char* pName : {"Btn_AutoHomeOnStartup", "Btn_HomeRepeatOffset", "Btn_AutoHomeSequence", "Btn_AxisSel_A",
                              "Btn_AxisSel_B", "Btn_SameMotorSettings_AB", "Btn_AxisAutoHmFeed", "Btn_ToolChangePos_X",
                              "Btn_ToolChangePos_Y", "Btn_ToolChangePos_Z", "Btn_ToolChangePos_A", "Btn_ToolChangePos_B"})
        QVERIFY2(!Btn(&dlg, pName)->isEnabled(), pName);
    QVERIFY(IsBlue(&dlg, "Btn_AxisSel_X"));
    QCOMPARE(Btn(&dlg, "Btn_AutoHomeSequence")->iconSize(), QSize(34, 34));
    QCOMPARE(dlg.styleSheet(), QStringLiteral("background-color: rgb(85, 85, 85);"));
}

QTEST_MAIN(TestDlgUserSettings)
#include "tst_dlgusersettings.moc"
