// The job settings panel on the simulated machine: its form, step jogs,
// work zeros, planes, edges and centre, and the Z-profile buttons.
#include "settingswindows/dlgjobsettings.h"
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"

#include "core/AppConfig.h"
#include "settings/zprofilefile.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

namespace {
bool WaitStopped(AppControl& ctrl)
{
    const qint8 all[5] = {1, 1, 1, 1, 1};
    return ctrl.WaitForMotionFinish(all);
}

ZProfileGrid SmallGrid()
{
    ZProfileGrid grid;
    for (int r = 0; r < 2; ++r) {
        QList<stFloatPoint> row;
        for (int c = 0; c < 2; ++c) {
            stFloatPoint p;
            p.x = (r ? 1 - c : c) * 10.0;
            p.y = r * 10.0;
            p.z = -0.05 * (r + c);
            row << p;
        }
        grid << row;
    }
    return grid;
}
} // namespace

class TestDlgJobSettings : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { AppConfig::m_ZProfileInfo = stZProfileInfo(); }
    void form();
    void fiveAxisButtons();
    void stepsAndJogs();
    void jogRefusals();
    void workZero();
    void planesEdgesAndCentre();
    void moveToCentre();
    void saveProfile();
    void loadProfile();
    void createProfile();
};

void TestDlgJobSettings::form()
{
    CdlgJobSettings dlg;
    static const stFormRow kRows[] = {
        {"CdlgJobSettings", "QDialog", 0, 0, 900, 400, "Dialog"},
        {"frame", "QFrame", 30, 10, 390, 371, nullptr},
        {"label_3", "QLabel", -1, -1, -1, -1, "Step Motion"},
        {"frame_3", "QFrame", 480, 10, 381, 291, nullptr},
        {"label_2", "QLabel", -1, -1, -1, -1, "Job Centering"},
        {"frame_4", "QFrame", 480, 303, 381, 80, nullptr},
        {"label_6", "QLabel", -1, -1, -1, -1, "PCB Milling"},
        {"Btn_FineMovAxis_9", "QPushButton", 290, 320, 90, 40, "10.0000"},
        {"Btn_PlaneSel_G17", "QPushButton", 50, 35, 90, 40, "X-Y\nG17"},
        {"Btn_PlaneSel_G18", "QPushButton", 150, 35, 90, 40, "X-Z\nG18"},
        {"Btn_PlaneSel_G19", "QPushButton", 250, 35, 90, 40, "Y-Z\nG19"},
        {"Btn_SetJobLeft", "QPushButton", 50, 91, 90, 40, "0.0000\nMin"},
        {"Btn_SetJobRight", "QPushButton", 50, 132, 90, 40, "0.0000\nMax"},
        {"Btn_SetJobBottom", "QPushButton", 50, 190, 90, 40, "0.0000\nMin"},
        {"Btn_SetJobTop", "QPushButton", 50, 230, 90, 40, "0.0000\nMax"},
        {"Lbl_AxisSelForCentering1", "QLabel", -1, -1, -1, -1, "X"},
        {"Lbl_AxisSelForCentering2", "QLabel", -1, -1, -1, -1, "Y"},
        {"Btn_CalculateJobCenterAxis1", "QPushButton", 150, 111, 90, 40, "0.0000\nCenter"},
        {"Btn_CalculateJobCenterAxis2", "QPushButton", 150, 210, 90, 40, "0.0000\nCenter"},
        {"Btn_MovJobCenter", "QPushButton", 250, 160, 90, 40, "Move\nCenter"},
        {"Btn_CreateZProfile", "QPushButton", -1, 30, 90, 40, "Create\nZ Profile"},
        {"Btn_SaveZProfile", "QPushButton", -1, 30, 90, 40, "Save\nZ Profile"},
        {"Btn_LoadZProfile", "QPushButton", -1, 30, 90, 40, "Load\nZ Profile"},
    };
    for (stFormRow row : kRows) {
        if (row.m_iX < 0) { // position inside its frame not fixed: take the widget's own
            if (auto* p = dlg.findChild<QWidget*>(QLatin1String(row.m_pName))) {
                row.m_iX = p->x();
                if (row.m_iY < 0)
                    row.m_iY = p->y();
            }
        }
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    QCOMPARE(CoveredButton(&dlg), QString());
    static const char* const kSteps[] = {"0.01", "0.02", "0.05", "0.1", "0.2", "0.5", "1", "5"};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(FindButton(dlg, qPrintable(QStringLiteral("Btn_FineMovAxis_%1").arg(i + 1)))->text(),
                 QLatin1String(kSteps[i]));
    for (const char* pName : {"Btn_AxisMov_X_Pos", "Btn_AxisMov_Y_Pos", "Btn_AxisMov_Z_Pos", "Btn_AxisMov_A_ClockWise",
                              "Btn_AxisMov_B_Clockwise"}) {
        QCOMPARE(FindButton(dlg, pName)->y(), 57);
        QCOMPARE(FindButton(dlg, pName)->text(), QStringLiteral("+"));
    }
    for (const char* pName : {"Btn_AxisMov_X_Neg", "Btn_AxisMov_Y_Neg", "Btn_AxisMov_Z_Neg",
                              "Btn_AxisMov_A_AntiClockWise", "Btn_AxisMov_B_AntiClockWise"}) {
        QCOMPARE(FindButton(dlg, pName)->y(), 90);
        QCOMPARE(FindButton(dlg, pName)->text(), QStringLiteral("-"));
    }
    for (const char* pName : {"Btn_SetWorkZero_X", "Btn_SetWorkZero_Y", "Btn_SetWorkZero_Z", "Btn_SetWorkZero_A",
                              "Btn_SetWorkZero_B"})
        QCOMPARE(FindButton(dlg, pName)->text(), QStringLiteral("Set Zero"));
}

void TestDlgJobSettings::fiveAxisButtons()
{
    for (int iType : {3, 5}) {
        AppConfig::m_iMchType = iType;
        CdlgJobSettings dlg;
        dlg.ConfigSettings();
        for (const char* pName : {"Btn_AxisMov_A_ClockWise", "Btn_AxisMov_A_AntiClockWise", "Btn_AxisMov_B_Clockwise",
                                  "Btn_AxisMov_B_AntiClockWise", "Btn_SetWorkZero_A", "Btn_SetWorkZero_B"})
            QCOMPARE(FindButton(dlg, pName)->isEnabled(), iType == 5);
        QCOMPARE(FindButton(dlg, "Btn_FineMovAxis_1")->styleSheet(), BTN_BKGND_BLUE);
    }
    AppConfig::m_iMchType = 3;
}

void TestDlgJobSettings::stepsAndJogs()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CdlgJobSettings dlg(&mw);
    dlg.ConfigSettings();
    AppControl& ctrl = mw.GetAppCtrl();

    ClickButton(dlg, "Btn_FineMovAxis_7");
    QCOMPARE(dlg.m_fFineMovStep, 1.0);
    QCOMPARE(FindButton(dlg, "Btn_FineMovAxis_7")->styleSheet(), BTN_BKGND_BLUE);
    QCOMPARE(FindButton(dlg, "Btn_FineMovAxis_1")->styleSheet(), BTN_BKGND_GRAY);
    ClickButton(dlg, "Btn_AxisMov_X_Pos");
    QVERIFY(WaitStopped(ctrl));
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 1.0);
    ClickButton(dlg, "Btn_AxisMov_Y_Neg");
    QVERIFY(WaitStopped(ctrl));
    QCOMPARE(ctrl.GetCurPos(Y_AXIS), -1.0);

    // The custom step: the keypad's value, four decimals, no sign.
    prompter.m_lstKeypadEntries << QStringLiteral("0.12345");
    ClickButton(dlg, "Btn_FineMovAxis_9");
    QCOMPARE(FindButton(dlg, "Btn_FineMovAxis_9")->text(), QStringLiteral("0.1235"));
    QCOMPARE(dlg.m_fFineMovStep, 0.1235);
    QVERIFY(!prompter.m_bLastKeypadSign);
    QCOMPARE(prompter.m_lstPrompts.last().m_strTitle, QStringLiteral("Position(mm)"));
    ClickButton(dlg, "Btn_AxisMov_Z_Neg");
    QVERIFY(WaitStopped(ctrl));
    QVERIFY(qAbs(ctrl.GetCurPos(Z_AXIS) + 0.1235) <= AppConfig::m_fAxisMovPerPulse[Z_AXIS]);
    // Cancelled: the previous custom step, selected again.
    prompter.m_lstKeypadEntries << CFakePrompter::KeypadCancel;
    ClickButton(dlg, "Btn_FineMovAxis_2");
    ClickButton(dlg, "Btn_FineMovAxis_9");
    QCOMPARE(dlg.m_fFineMovStep, 0.1235);
    QCOMPARE(FindButton(dlg, "Btn_FineMovAxis_9")->styleSheet(), BTN_BKGND_BLUE);
    mw.PollMessages();
    QCOMPARE(mw.m_lstLog, QStringList());
}

void TestDlgJobSettings::jogRefusals()
{
    CFakeMainWindow mw;
    CdlgJobSettings dlg(&mw);
    dlg.ConfigSettings();
    AppControl& ctrl = mw.GetAppCtrl();

    AppConfig::m_bEmergencyStopON = true;
    ClickButton(dlg, "Btn_AxisMov_X_Pos");
    AppConfig::m_bEmergencyStopON = false;
    QCOMPARE(mw.m_lstLog, QStringList{"error: Release Emergency Switch"});

    mw.m_lstLog.clear();
    ctrl.m_iRunMode = AppControl::RUN_GCODE; // a job runs
    ClickButton(dlg, "Btn_AxisMov_X_Pos");
    ClickButton(dlg, "Btn_SetWorkZero_Y");
    ClickButton(dlg, "Btn_CalculateJobCenterAxis1");
    ClickButton(dlg, "Btn_MovJobCenter");
    ctrl.m_iRunMode = AppControl::RUN_IDLE;
    QCOMPARE(mw.m_lstLog, (QStringList{"error: Axis in use", "error: Axis in use", "error: Machine in use",
                                       "error: Machine in use"}));
    QVERIFY(WaitStopped(ctrl));
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 0.0);
    // The flash comes back grey later, whatever happened.
    QTRY_COMPARE(FindButton(dlg, "Btn_AxisMov_X_Pos")->styleSheet(), BTN_BKGND_GRAY);
}

void TestDlgJobSettings::workZero()
{
    CFakeMainWindow mw;
    CdlgJobSettings dlg(&mw);
    dlg.ConfigSettings();
    AppControl& ctrl = mw.GetAppCtrl();
    ClickButton(dlg, "Btn_FineMovAxis_8");
    ClickButton(dlg, "Btn_AxisMov_X_Pos");
    QVERIFY(WaitStopped(ctrl));
    ClickButton(dlg, "Btn_SetWorkZero_X");
    mw.PollMessages();
    QCOMPARE(mw.m_lstLog, QStringList{"info: X-Axis Work Zero is set"});
    QCOMPARE(ctrl.GetCurPos(X_AXIS), 0.0);
}

void TestDlgJobSettings::planesEdgesAndCentre()
{
    CFakeMainWindow mw;
    CdlgJobSettings dlg(&mw);
    dlg.ConfigSettings();
    AppControl& ctrl = mw.GetAppCtrl();
    auto moveTo = [&](eAxis axis, double f) {
        QVERIFY(ctrl.MoveAbs(axis, f));
        QVERIFY(WaitStopped(ctrl));
    };

    moveTo(X_AXIS, 25.0);
    ClickButton(dlg, "Btn_SetJobRight");
    // The press flashes green and turns grey again.
    QCOMPARE(FindButton(dlg, "Btn_SetJobRight")->styleSheet(), BTN_BKGND_GREEN);
    QTRY_COMPARE(FindButton(dlg, "Btn_SetJobRight")->styleSheet(), BTN_BKGND_GRAY);
    moveTo(X_AXIS, 30.0);
    ClickButton(dlg, "Btn_SetJobLeft");
    QCOMPARE(FindButton(dlg, "Btn_SetJobLeft")->text(), QStringLiteral("30.0000\nMin"));
    QCOMPARE(FindButton(dlg, "Btn_SetJobRight")->text(), QStringLiteral("30.0000\nMax"));
    ClickButton(dlg, "Btn_CalculateJobCenterAxis1");
    QCOMPARE(FindButton(dlg, "Btn_CalculateJobCenterAxis1")->text(), QStringLiteral("30.0000\nCenter"));

    // Y-Z plane: the edges are read on Y and Z; the Z profile is X-Y only.
    ClickButton(dlg, "Btn_PlaneSel_G19");
    QCOMPARE(dlg.m_nPlaneSel, quint8(19));
    QCOMPARE(dlg.findChild<QLabel*>("Lbl_AxisSelForCentering1")->text(), QStringLiteral("Y"));
    QCOMPARE(dlg.findChild<QLabel*>("Lbl_AxisSelForCentering2")->text(), QStringLiteral("Z"));
    QCOMPARE(FindButton(dlg, "Btn_PlaneSel_G19")->styleSheet(), BTN_BKGND_BLUE);
    QCOMPARE(FindButton(dlg, "Btn_PlaneSel_G17")->styleSheet(), BTN_BKGND_GRAY);
    for (const char* pName : {"Btn_CreateZProfile", "Btn_SaveZProfile", "Btn_LoadZProfile"})
        QVERIFY(!FindButton(dlg, pName)->isEnabled());
    QCOMPARE(dlg.m_Axis1MinMax.x, 30.0); // kept across the plane change
    moveTo(Z_AXIS, -4.0);
    ClickButton(dlg, "Btn_SetJobBottom");
    moveTo(Z_AXIS, -1.0);
    ClickButton(dlg, "Btn_SetJobTop");
    ClickButton(dlg, "Btn_CalculateJobCenterAxis2");
    QCOMPARE(FindButton(dlg, "Btn_CalculateJobCenterAxis2")->text(), QStringLiteral("-2.5000\nCenter"));
    ClickButton(dlg, "Btn_PlaneSel_G17");
    QVERIFY(FindButton(dlg, "Btn_LoadZProfile")->isEnabled());
}

void TestDlgJobSettings::moveToCentre()
{
    CFakeMainWindow mw;
    CdlgJobSettings dlg(&mw);
    dlg.ConfigSettings();
    AppControl& ctrl = mw.GetAppCtrl();
    dlg.m_Axis1MinMax.x = -3.0;
    dlg.m_Axis1MinMax.y = 4.0003;
    dlg.m_Axis2MinMax.x = 10.0;
    dlg.m_Axis2MinMax.y = 20.0;
    ClickButton(dlg, "Btn_MovJobCenter");
    QVERIFY(WaitStopped(ctrl));
    QVERIFY(qAbs(ctrl.GetCurPos(X_AXIS) - 0.5001) <= AppConfig::m_fAxisMovPerPulse[X_AXIS]);
    QCOMPARE(ctrl.GetCurPos(Y_AXIS), 15.0);
    QCOMPARE(ctrl.GetCurPos(Z_AXIS), 0.0);
}

void TestDlgJobSettings::saveProfile()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CdlgJobSettings dlg(&mw);
    const QString strRoot = mw.m_Setup.m_Folder.Root();

    ClickButton(dlg, "Btn_SaveZProfile"); // nothing probed yet
    QCOMPARE(mw.m_lstLog.takeLast(),
             QStringLiteral("error: Z-Profile not created!\nPlease create z-profile with atleast 2X2 Points"));

    AppConfig::m_ZProfileInfo.m_lstGrid = SmallGrid();
    prompter.m_lstFileNames << strRoot + "/board";
    ClickButton(dlg, "Btn_SaveZProfile");
    QFile file(strRoot + "/board.txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("2\n2\n0,0,0\n10,0,-0.05\n10,10,-0.05\n0,10,-0.1\n"));
    file.close();

    // "board" again: board.txt exists and the dialog did not ask about it.
    AppConfig::m_ZProfileInfo.m_lstGrid[0][0].z = 1.0;
    prompter.m_lstFileNames << strRoot + "/board";
    prompter.m_lstAnswers << QMessageBox::No;
    ClickButton(dlg, "Btn_SaveZProfile");
    QCOMPARE(prompter.Texts("Question"), QStringList{strRoot + "/board.txt\nalready exists. Replace it?"});
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("2\n2\n0,0,0\n"));
    file.close();

    prompter.m_lstFileNames << strRoot + "/missing/board.txt";
    ClickButton(dlg, "Btn_SaveZProfile");
    QVERIFY(mw.m_lstLog.last().startsWith("error: File write error\n" + strRoot + "/missing/board.txt"));

    mw.GetAppCtrl().m_iRunMode = AppControl::RUN_GCODE;
    ClickButton(dlg, "Btn_SaveZProfile");
    mw.GetAppCtrl().m_iRunMode = AppControl::RUN_IDLE;
    QCOMPARE(mw.m_lstLog.last(), QStringLiteral("error: Machine in use"));
}

void TestDlgJobSettings::loadProfile()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CdlgJobSettings dlg(&mw);
    const QString strRoot = mw.m_Setup.m_Folder.Root();
    QString strError;
    QVERIFY(CZProfileFile::Write(strRoot + "/good.txt", SmallGrid(), strError));
    QFile bad(strRoot + "/short.txt");
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("2\n3\n0,0,0\n1,0,0\n2,0,0\n2,1,0\n1,1,0\n");
    bad.close();

    prompter.m_lstFileNames << strRoot + "/good.txt";
    ClickButton(dlg, "Btn_LoadZProfile");
    QCOMPARE(mw.m_lstLog.last(), "info: Z-Profile loaded from\n" + strRoot + "/good.txt");
    QCOMPARE(AppConfig::m_ZProfileInfo.m_lstGrid.size(), 2);
    QVERIFY(!AppConfig::m_bUseZProfile);

    // No to "Load new?": the grid stays.
    prompter.m_lstAnswers << QMessageBox::No;
    ClickButton(dlg, "Btn_LoadZProfile");
    QCOMPARE(prompter.Texts("Question").last(), QStringLiteral("Z-Profile already created. Load new?"));
    QCOMPARE(prompter.Texts("OpenFileName").size(), 1);

    // A short file is refused and the grid held before stays.
    prompter.m_lstAnswers << QMessageBox::Yes;
    prompter.m_lstFileNames << strRoot + "/short.txt";
    ClickButton(dlg, "Btn_LoadZProfile");
    QCOMPARE(mw.m_lstLog.last(), "error: File read error\n" + strRoot + "/short.txt");
    QCOMPARE(AppConfig::m_ZProfileInfo.m_lstGrid.size(), 2);
    QCOMPARE(AppConfig::m_ZProfileInfo.m_lstGrid[1][0].x, 10.0);
}

void TestDlgJobSettings::createProfile()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CdlgJobSettings dlg(&mw);
    AppControl& ctrl = mw.GetAppCtrl();

    // Home switches fitted and not homed: refused.
    AppConfig::m_bHomeSensorsUsed = true;
    ClickButton(dlg, "Btn_CreateZProfile");
    AppConfig::m_bHomeSensorsUsed = false;
    QCOMPARE(mw.m_lstLog.takeLast(), QStringLiteral("error: Homing not done!\nUse \"Move Home\" in user Settings"));

    // A profile exists and the operator keeps it.
    AppConfig::m_ZProfileInfo.m_lstGrid = SmallGrid();
    prompter.m_lstAnswers << QMessageBox::No;
    ClickButton(dlg, "Btn_CreateZProfile");
    QCOMPARE(prompter.Texts("Question"), QStringList{"Z-Profile already created. Create new?"});
    QCOMPARE(FindButton(dlg, "Btn_CreateZProfile")->styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(!ctrl.isRunning());

    // A probing that does not start (the machine is busy) leaves the panel
    // usable.
    ctrl.m_iRunMode = AppControl::RUN_GCODE;
    prompter.m_lstAnswers << QMessageBox::Yes;
    QTimer::singleShot(0, [&]() {
        auto* pDlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(pDlg);
        QTest::mouseClick(pDlg->findChild<QPushButton*>("Btn_Ok"), Qt::LeftButton);
    });
    ClickButton(dlg, "Btn_CreateZProfile");
    ctrl.m_iRunMode = AppControl::RUN_IDLE;
    mw.PollMessages();
    QCOMPARE(mw.m_lstLog, QStringList{"error: Axis in use"});
    QVERIFY(dlg.findChild<QWidget*>("frame")->isEnabled());
    QVERIFY(FindButton(dlg, "Btn_SaveZProfile")->isEnabled());
    QCOMPARE(FindButton(dlg, "Btn_CreateZProfile")->styleSheet(), BTN_BKGND_GRAY);

    // A probing that starts: jogs, centring, Save and Load stay locked and
    // Create stays green until the main window's ResetUI after the run.
    mw.m_lstLog.clear();
    prompter.m_lstAnswers << QMessageBox::Yes;
    QTimer::singleShot(0, [&]() {
        if (auto* pDlg = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            QTest::mouseClick(pDlg->findChild<QPushButton*>("Btn_Ok"), Qt::LeftButton);
    });
    ClickButton(dlg, "Btn_CreateZProfile");
    QCOMPARE(int(ctrl.m_iRunMode), int(AppControl::RUN_Z_PROFILE));
    QVERIFY(!dlg.findChild<QWidget*>("frame")->isEnabled());
    QVERIFY(!dlg.findChild<QWidget*>("frame_3")->isEnabled());
    QVERIFY(!FindButton(dlg, "Btn_SaveZProfile")->isEnabled());
    QVERIFY(!FindButton(dlg, "Btn_LoadZProfile")->isEnabled());
    QCOMPARE(FindButton(dlg, "Btn_CreateZProfile")->styleSheet(), BTN_BKGND_GREEN);
    QVERIFY(FinishOperation(ctrl));
    dlg.ResetUI();
    QVERIFY(dlg.findChild<QWidget*>("frame_3")->isEnabled());
    QVERIFY(FindButton(dlg, "Btn_LoadZProfile")->isEnabled());
    QCOMPARE(FindButton(dlg, "Btn_CreateZProfile")->styleSheet(), BTN_BKGND_GRAY);
}

QTEST_MAIN(TestDlgJobSettings)
#include "tst_dlgjobsettings.moc"
