// The shape designer window: its form, the buttons that follow the settings,
// Start and Generate G-code, the list commands, the editors' frame (naming,
// Cancel, the editing lock, the keyboard in the text and picture panels),
// picking and dragging, and the work-area file.
#include "designers/dlgellipse.h"
#include "designers/dlgshapes.h"
#include "shapes/workareafile.h"
#include "designerrig.h"
#include "formcheck.h"

#include "core/AppConfig.h"
#include "hal/clock.h"
#include "widgets/MyView.h"

#include <QFile>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

class TestDlgShapes : public QObject
{
    Q_OBJECT
    std::unique_ptr<stRig> m_pRig;
private slots:
    void init() { m_pRig = NewRig(); }
    void cleanup() { m_pRig.reset(); }
    void form();
    void settingsOnButtons();
    void resetUiKeepsSizeButtonsOffWithHomeSwitches();
    void startRefusals_data();
    void startRefusals();
    void startCutsAndPauses();
    void startRefusedWhileLastOperationEnds();
    void generateGCode_data();
    void generateGCode();
    void generateGCodeFailureIsNotReported();
    void addEllipseNamesAndCancels();
    void fullListOpensNoEditor();
    void pocketRingsNamedOnOk();
    void editingLocksTheList();
    void cancelRestoresExistingEllipse();
    void listMovesAndDeletes();
    void keypadButtons();
    void endMillChangeRecomputesPaths();
    void workAreaMapping();
    void freeDrawingClicks();
    void draggingEllipseCentre();
    void saveAndLoad();
    void loadRefused();
    void escapeLeavesTextAndPicturePanels();
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
    // The view and the hidden editor panels.
    QCOMPARE(dlg.View()->geometry(), QRect(10, 12, 505, 363));
    QCOMPARE(dlg.WorkAreaImage()->size(), QSize(480, 338));
    QVERIFY(dlg.EllipseEditor()->isHidden());
    QCOMPARE(dlg.EllipseEditor()->pos(), QPoint(525, 0));

    // Embedded for good: Escape in its list does not close the window.
    dlg.show();
    QTest::keyClick(dlg.findChild<QListWidget*>(QStringLiteral("Lw_Shapes")), Qt::Key_Escape);
    QVERIFY(dlg.isVisible());
}

void TestDlgShapes::settingsOnButtons()
{
    RIG
    AppConfig::m_fEndMillDia = 3.175;
    AppConfig::m_fPlungeFeed = 2.5;
    dlg.ConfigSettings();
    QCOMPARE(Btn(&dlg, "Btn_EndMillDia")->text(), QStringLiteral("3.2\nEnd-Mill"));
    QCOMPARE(Btn(&dlg, "Btn_ZAxisPlungeFeed")->text(), QStringLiteral("2.5000\nPlunge Feed"));
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_WorkArea.x, 300.0);
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_WorkArea.y, 200.0);

    // With home switches the work area is the travel left from the work zero.
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_fAxisWorkZero[X_AXIS] = 30;
    AppConfig::m_fAxisWorkZero[Y_AXIS] = -100;
    dlg.UpdateWorkArea();
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_WorkArea.x, 150.0);
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_WorkArea.y, 100.0);

    // From the controller's thread (a Z zero by probe) the update is
    // carried out on the GUI thread, not on the caller's.
    AppConfig::m_fAxisWorkZero[X_AXIS] = 80;
    std::unique_ptr<QThread> worker(QThread::create([&dlg] { dlg.UpdateWorkArea(); }));
    worker->start();
    QVERIFY(worker->wait(10000));
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_WorkArea.x, 150.0);
    QTRY_COMPARE(dlg.m_stShapeCuttingInfo.m_WorkArea.x, 100.0);
}

void TestDlgShapes::resetUiKeepsSizeButtonsOffWithHomeSwitches()
{
    RIG
    AppConfig::m_bHomeSensorsUsed = true;
    dlg.ConfigSettings();
    dlg.ResetUI(false);
    QVERIFY(!Btn(&dlg, "Btn_AddEllipse")->isEnabled());
    QVERIFY(!Btn(&dlg, "Btn_DelAllShapes")->isEnabled());
    QVERIFY(Btn(&dlg, "Btn_ZAxisPlungeFeed")->isEnabled());
    QVERIFY(Btn(&dlg, "Btn_DispGraphics")->isEnabled());
    dlg.ResetUI(true);
    QVERIFY(Btn(&dlg, "Btn_AddEllipse")->isEnabled());
    QVERIFY(!Btn(&dlg, "Btn_WorkAreaLength")->isEnabled());
    QVERIFY(!Btn(&dlg, "Btn_WorkAreaWidth")->isEnabled());
}

void TestDlgShapes::startRefusals_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QString>("log");
    QTest::newRow("emergency stop") << "estop" << "error: Release Emergency Switch";
    QTest::newRow("machine busy") << "busy" << "error: Machine in use";
    QTest::newRow("no shapes") << "empty" << "error: No shapes are added";
    QTest::newRow("not homed") << "nohome" << "error: Homing not done!\nUse \"Move Home\" in user Settings";
    QTest::newRow("editing") << "editing" << "error: Finish editing shapes and click start";
}

void TestDlgShapes::startRefusals()
{
    QFETCH(QString, state);
    QFETCH(QString, log);
    RIG
    if (state != QLatin1String("empty"))
        AddEllipse(dlg, QStringLiteral("E"));
    if (state == QLatin1String("estop"))
        AppConfig::m_bEmergencyStopON = true;
    if (state == QLatin1String("busy"))
        mw.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    if (state == QLatin1String("nohome"))
        AppConfig::m_bHomeSensorsUsed = true; // axes not homed yet
    if (state == QLatin1String("editing"))
        dlg.m_bShapeEditing = true;
    QVERIFY(!dlg.StartShapeCutting());
    QCOMPARE(mw.m_lstLog.value(0), log);
    QVERIFY(Btn(&dlg, "Btn_AddEllipse")->isEnabled());
    QVERIFY(mw.m_lstCalls.isEmpty());
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    AppConfig::m_bEmergencyStopON = false;
}

void TestDlgShapes::startCutsAndPauses()
{
    RIG
    AddEllipse(dlg, QStringLiteral("E"));
    QVERIFY(dlg.StartShapeCutting());
    QVERIFY(mw.m_lstCalls.contains(QStringLiteral("ClearToolGraphics")));
    QVERIFY(!Btn(&dlg, "Btn_DelShape")->isEnabled());
    QCOMPARE(mw.m_AppCtrl.m_pShapeCuttingInfo, &dlg.m_stShapeCuttingInfo);
    // Start during the cut pauses it; the next Start resumes it.
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_SHAPES;
    QVERIFY(dlg.StartShapeCutting());
    QVERIFY(mw.m_AppCtrl.m_bHold);
    QVERIFY(dlg.StartShapeCutting());
    QVERIFY(!mw.m_AppCtrl.m_bHold);
    QVERIFY(FinishOperation(mw.m_AppCtrl));
    dlg.ResetUI(true);
    QVERIFY(Btn(&dlg, "Btn_DelShape")->isEnabled());
}

void TestDlgShapes::startRefusedWhileLastOperationEnds()
{
    // The main window puts the run mode back to idle when it sees an
    // operation finished; the controller's thread may still be ending then.
    // A Start in that moment is refused here, not shown as a started cut
    // that the controller never began.
    RIG
    AddEllipse(dlg, QStringLiteral("E"));
    AppControl& ctrl = mw.m_AppCtrl;
    const qint64 t0 = CClock::NowNs();
    ctrl.m_bHold = true; // the cut waits before its first move
    QVERIFY(dlg.StartShapeCutting());
    // Held: the thread looks at the pause once a (virtual) second.
    QTRY_VERIFY(CClock::NowNs() - t0 > qint64(20) * 1000000000);
    QVERIFY(ctrl.isRunning());
    ctrl.m_iRunMode = AppControl::RUN_IDLE;
    dlg.ResetUI(true);
    mw.m_lstLog.clear();
    QVERIFY(!dlg.StartShapeCutting());
    QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("error: Machine in use")});
    QVERIFY(Btn(&dlg, "Btn_AddEllipse")->isEnabled());
    ctrl.m_iRunMode = AppControl::RUN_SHAPES;
    ctrl.StopAll();
    QVERIFY(WaitThreadEnd(ctrl));
    ctrl.m_bOperationFinished = false;
    ctrl.m_iRunMode = AppControl::RUN_IDLE;
}

void TestDlgShapes::generateGCode_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("no suffix") << "job" << "job.txt";
    QTest::newRow("ncc") << "job.ncc" << "job.ncc";
    QTest::newRow("txt") << "job.txt" << "job.txt";
    QTest::newRow("upper-case NCC") << "job.NCC" << "job.NCC.txt";
}

void TestDlgShapes::generateGCode()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    RIG
    Btn(&dlg, "Btn_GenerateGCode")->click();
    QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("error: No Shapes Added")});
    QVERIFY(prompter.m_lstPrompts.isEmpty());

    AddEllipse(dlg, QStringLiteral("E"));
    mw.m_lstLog.clear();
    const QString folder = mw.m_Setup.m_Folder.Root();
    prompter.m_lstFileNames << folder + QStringLiteral("/") + chosen;
    Btn(&dlg, "Btn_GenerateGCode")->click();
    QCOMPARE(prompter.m_lstPrompts.last().m_strTitle, QStringLiteral("Select a file to Save..."));
    QVERIFY(QFile::exists(folder + QStringLiteral("/") + written));
    QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("info: G-Code File Generated")});
    QCOMPARE(Btn(&dlg, "Btn_GenerateGCode")->styleSheet(), BTN_BKGND_GRAY);

    // A cancelled dialog writes nothing and says nothing.
    mw.m_lstLog.clear();
    Btn(&dlg, "Btn_GenerateGCode")->click();
    QVERIFY(mw.m_lstLog.isEmpty());
}

void TestDlgShapes::generateGCodeFailureIsNotReported()
{
    RIG
    AddEllipse(dlg, QStringLiteral("E"));
    prompter.m_lstFileNames << mw.m_Setup.m_Folder.Root() + QStringLiteral("/missing/job.txt");
    Btn(&dlg, "Btn_GenerateGCode")->click();
    mw.PollMessages();
    QVERIFY(!mw.m_lstLog.contains(QStringLiteral("info: G-Code File Generated")));
    QVERIFY(!mw.m_lstLog.isEmpty()); // the writer's reason
}

void TestDlgShapes::addEllipseNamesAndCancels()
{
    RIG
    AddEllipse(dlg, QStringLiteral("A"));
    AddEllipse(dlg, QStringLiteral("B"));

    // Cancel after making pocket rings: the list is as it was.
    WhenOpen([&] {
        QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes.back().m_pEllipse->m_strName, QStringLiteral("Ellipse_3"));
        QVERIFY(Btn(dlg.EllipseEditor(), "Btn_EllipseHole")->isEnabled());
        Btn(dlg.EllipseEditor(), "Btn_EllipseHole")->click();
        QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 3 + 4);
        Btn(dlg.EllipseEditor(), "Btn_EllipseCancel")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
    QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 2);
    QCOMPARE(Texts(List(dlg)), (QStringList{"A", "B"}));
    QVERIFY(!dlg.m_bShapeEditing);

    // Escape is Cancel too: no unnamed entry is left behind.
    WhenOpen([&] { QTest::keyClick(dlg.EllipseEditor(), Qt::Key_Escape); });
    Btn(&dlg, "Btn_AddEllipse")->click();
    QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 2);

    WhenOpen([&] { Btn(dlg.EllipseEditor(), "Btn_EllipseOk")->click(); });
    Btn(&dlg, "Btn_AddEllipse")->click();
    QCOMPARE(Texts(List(dlg)), (QStringList{"A", "B", "Ellipse_3"}));
    QCOMPARE(List(dlg)->currentRow(), 2);
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes[2].m_pEllipse->m_lstPoints.size(), size_t(301));
}

void TestDlgShapes::fullListOpensNoEditor()
{
    // The list counts its entries in 16 bits: one more would wrap the count
    // and a later Cancel would delete shapes the operator kept.
    RIG
    for (int i = 0; i < 65535; ++i) {
        auto* p = new stPolygon;
        p->m_lstVertices = {stFloatPoint(), stFloatPoint()};
        dlg.m_stShapeCuttingInfo.AddPolygon(p);
    }
    for (const char* pButton : {"Btn_AddEllipse", "Btn_DrawContour", "Btn_ShapeFromTxt", "Btn_ShapeFromImg"}) {
        mw.m_lstLog.clear();
        bool bOpened = false;
        QTimer::singleShot(0, &dlg, [&] { bOpened = QApplication::activeModalWidget() != nullptr; });
        Btn(&dlg, pButton)->click();
        QCoreApplication::processEvents();
        QVERIFY2(!bOpened, pButton);
        QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes.size(), size_t(65535));
        QCOMPARE(mw.m_lstLog.last(),
                 QStringLiteral("error: Too many shapes (1 more): the shape list holds at most 65535"));
        QVERIFY(!dlg.m_bShapeEditing);
    }
}

void TestDlgShapes::pocketRingsNamedOnOk()
{
    RIG
    for (const char* n : {"A", "B", "C"})
        AddEllipse(dlg, QString::fromLatin1(n));
    prompter.m_lstKeypadEntries << "-3" << "20";
    WhenOpen([&] {
        CDlgEllipse* pEd = dlg.EllipseEditor();
        Btn(pEd, "Btn_EllipseDepth")->click();
        // A minor diameter the end mill does not fit: refused, nothing made.
        Btn(pEd, "Btn_EllipseMinorAxisDia")->click(); // 20
        Btn(pEd, "Btn_EllipseHole")->click();         // pocket on: 20 mm gives rings
        Btn(pEd, "Btn_EllipseOk")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
    // A 25 x 20 ellipse with a 5 mm end mill: rings 20 x 15, 15 x 10, 10 x 5.
    QCOMPARE(Texts(List(dlg)),
             (QStringList{"A", "B", "C", "Ellipse_4_1", "Ellipse_4_2", "Ellipse_4_3", "Ellipse_4_4"}));
    for (size_t i = 3; i < 7; ++i) {
        const stEllipse& e = *dlg.m_stShapeCuttingInfo.m_lstShapes[i].m_pEllipse;
        QCOMPARE(e.m_fDepth, -3.0);
        QVERIFY(e.m_bHole);
        QVERIFY(!e.m_lstPoints.empty());
    }
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes[6].m_pEllipse->m_fMinorAxisDia, 5.0);

    // The end mill too big for the hole.
    AppConfig::m_fEndMillDia = 30;
    WhenOpen([&] {
        Btn(dlg.EllipseEditor(), "Btn_EllipseHole")->click();
        Btn(dlg.EllipseEditor(), "Btn_EllipseOk")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
    QCOMPARE(mw.m_lstLog.last(), QStringLiteral("error: End-mill size too big. Please change the End-Mill"));
    QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 8);
}

void TestDlgShapes::editingLocksTheList()
{
    RIG
    AddEllipse(dlg, QStringLiteral("A"));
    List(dlg)->setCurrentRow(0);
    bool bChecked = false;
    WhenOpen([&] {
        QVERIFY(dlg.m_bShapeEditing);
        QVERIFY(!dlg.StartShapeCutting());
        for (const char* name : {"Btn_DelShape", "Btn_DelAllShapes", "Btn_MoveShapeUp", "Btn_AddEllipse",
                                 "Btn_LoadWorkArea", "Btn_GenerateGCode"})
            QVERIFY2(!Btn(&dlg, name)->isEnabled(), name);
        QVERIFY(!List(dlg)->isEnabled());
        bChecked = true;
        Btn(dlg.EllipseEditor(), "Btn_EllipseOk")->click();
    });
    emit List(dlg)->doubleClicked(List(dlg)->model()->index(0, 0));
    QVERIFY(bChecked);
    QVERIFY(!dlg.m_bShapeEditing);
    QVERIFY(Btn(&dlg, "Btn_DelShape")->isEnabled());
    QVERIFY(List(dlg)->isEnabled());
    QCOMPARE(mw.m_lstLog.value(0), QStringLiteral("error: Finish editing shapes and click start"));
}

void TestDlgShapes::cancelRestoresExistingEllipse()
{
    RIG
    stEllipse* e = AddEllipse(dlg, QStringLiteral("Keep"));
    e->m_fDepth = -4;
    const std::vector<stFloatPoint> before = e->m_lstPoints;
    List(dlg)->setCurrentRow(0);
    // Centre X, major, orientation, depth, X step, arc start, arc end.
    prompter.m_lstKeypadEntries << "70" << "40" << "45" << "-8" << "0.5" << "10" << "200";
    WhenOpen([&] {
        CDlgEllipse* pEd = dlg.EllipseEditor();
        QVERIFY(!Btn(pEd, "Btn_EllipseHole")->isEnabled());
        for (const char* name : {"Btn_EllipseCenterX", "Btn_EllipseMajorAxisDia", "Btn_EllipseOrientation",
                                 "Btn_EllipseDepth", "Btn_EllipseXStep", "Btn_ArcStartAngle", "Btn_ArcEndAngle"})
            Btn(pEd, name)->click();
        e->m_strName = QStringLiteral("Changed");
        QCOMPARE(e->m_Center.x, 70.0);
        Btn(pEd, "Btn_EllipseCancel")->click();
    });
    emit List(dlg)->doubleClicked(List(dlg)->model()->index(0, 0));
    QCOMPARE(e->m_strName, QStringLiteral("Keep"));
    QCOMPARE(e->m_Center.x, 50.0);
    QCOMPARE(e->m_fMajorAxisDia, 25.0);
    QCOMPARE(e->m_fOrientation, 0.0);
    QCOMPARE(e->m_fDepth, -4.0);
    QCOMPARE(e->m_fXStep, 0.2);
    QCOMPARE(e->m_fArcStartAngle, 0.0);
    QCOMPARE(e->m_fArcEndAngle, 360.0);
    QCOMPARE(e->m_lstPoints.size(), before.size());
    QCOMPARE(e->m_lstPoints.back().x, before.back().x);
    QCOMPARE(Btn(&dlg, "Btn_ShapeDepth")->text(), QStringLiteral("-4.0000\nDepth"));

    // OK keeps the edit and the row follows the name.
    WhenOpen([&] {
        e->m_strName = QStringLiteral("Renamed");
        Btn(dlg.EllipseEditor(), "Btn_EllipseOk")->click();
    });
    emit List(dlg)->doubleClicked(List(dlg)->model()->index(0, 0));
    QCOMPARE(List(dlg)->item(0)->text(), QStringLiteral("Renamed"));
}

void TestDlgShapes::listMovesAndDeletes()
{
    RIG
    for (const char* n : {"A", "B", "C"})
        AddEllipse(dlg, QString::fromLatin1(n));
    stEllipse* a = dlg.m_stShapeCuttingInfo.m_lstShapes[0].m_pEllipse;
    auto names = [&] {
        QStringList out;
        for (const stEngShape& s : dlg.m_stShapeCuttingInfo.m_lstShapes)
            out << s.Common()->m_strName;
        return out;
    };
    // The south arrow moves towards the end; nothing on the last row.
    List(dlg)->setCurrentRow(0);
    Btn(&dlg, "Btn_MoveShapeUp")->click();
    QCOMPARE(names(), (QStringList{"B", "A", "C"}));
    QCOMPARE(Texts(List(dlg)), names());
    QCOMPARE(List(dlg)->currentRow(), 1);
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes[1].m_pEllipse, a);
    List(dlg)->setCurrentRow(2);
    Btn(&dlg, "Btn_MoveShapeUp")->click();
    QCOMPARE(names(), (QStringList{"B", "A", "C"}));
    // The north arrow moves towards the start; nothing on row 0.
    Btn(&dlg, "Btn_MoveShapeDown")->click();
    QCOMPARE(names(), (QStringList{"B", "C", "A"}));
    List(dlg)->setCurrentRow(0);
    Btn(&dlg, "Btn_MoveShapeDown")->click();
    QCOMPARE(names(), (QStringList{"B", "C", "A"}));

    Btn(&dlg, "Btn_DelShape")->click();
    QCOMPARE(names(), (QStringList{"C", "A"}));
    QCOMPARE(Texts(List(dlg)), names());

    // Delete all asks first; Cancel (the default) keeps everything.
    Btn(&dlg, "Btn_DelAllShapes")->click();
    QCOMPARE(prompter.m_lstPrompts.last().m_strText, QStringLiteral("Do you want to delete all Shapes"));
    QCOMPARE(prompter.m_lstPrompts.last().m_eIcon, QMessageBox::Question);
    QCOMPARE(names().size(), 2);
    prompter.m_lstAnswers << QMessageBox::Ok;
    Btn(&dlg, "Btn_DelAllShapes")->click();
    QVERIFY(names().isEmpty());
    QCOMPARE(List(dlg)->count(), 0);

    // Names are not made unique after deletions.
    AddEllipse(dlg, QStringLiteral("X"));
    AddEllipse(dlg, QStringLiteral("Y"));
    WhenOpen([&] { Btn(dlg.EllipseEditor(), "Btn_EllipseOk")->click(); });
    Btn(&dlg, "Btn_AddEllipse")->click();
    QCOMPARE(names().last(), QStringLiteral("Ellipse_3"));
}

void TestDlgShapes::keypadButtons()
{
    RIG
    AddEllipse(dlg, QStringLiteral("A"));
    List(dlg)->setCurrentRow(0);
    prompter.m_lstKeypadEntries << "5" << "-20000" << "2.5" << "0" << "150.5" << "120";
    Btn(&dlg, "Btn_ShapeDepth")->click(); // positive: clamped to one Z step below zero
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes[0].m_pEllipse->m_fDepth, -0.001);
    Btn(&dlg, "Btn_ShapeDepth")->click();
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes[0].m_pEllipse->m_fDepth, -10000.0);
    Btn(&dlg, "Btn_AxisStep_Z")->click();
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_fZStep, 2.5);
    Btn(&dlg, "Btn_ZAxisPlungeFeed")->click();
    QCOMPARE(AppConfig::m_fPlungeFeed, 0.001);
    Btn(&dlg, "Btn_WorkAreaLength")->click();
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_WorkArea.x, 150.5);
    Btn(&dlg, "Btn_WorkAreaWidth")->click();
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_WorkArea.y, 120.0);
    QCOMPARE(dlg.m_dScale, 288.0 / 120.0);
    QStringList titles;
    for (const auto& p : prompter.m_lstPrompts)
        titles << p.m_strTitle;
    QCOMPARE(titles, (QStringList{"Shape Depth(mm)", "Shape Depth(mm)", "Z Step(mm)", "Plunge Feed(mm/sec)",
                                  "Work Area Length(mm)", "Work Area Width(mm)"}));

    // The longest length the keypad takes shows whole on its button.
    prompter.m_lstKeypadEntries << "1000000";
    QPushButton* pLength = Btn(&dlg, "Btn_WorkAreaLength");
    pLength->click();
    QCOMPARE(pLength->text(), QStringLiteral("1000000.0000\nLength"));
    QVERIFY(QFontMetrics(pLength->font()).horizontalAdvance("1000000.0000") <= pLength->width() - 4);
}

void TestDlgShapes::endMillChangeRecomputesPaths()
{
    RIG
    stEllipse* e = AddEllipse(dlg, QStringLiteral("A"));
    QCOMPARE(e->m_lstPoints.front().x, 50.0 + 15.0);
    prompter.m_lstKeypadEntries << "10";
    Btn(&dlg, "Btn_EndMillDia")->click();
    QCOMPARE(AppConfig::m_fEndMillDia, 10.0);
    QCOMPARE(e->m_lstPoints.front().x, 50.0 + 17.5);

    // Changed in another window: the paths follow when the designer is
    // brought up again, but not while a cut reads them.
    AppConfig::m_fEndMillDia = 4.0;
    dlg.ResetUI(false);
    dlg.UpdatePlungeFeed();
    QCOMPARE(e->m_lstPoints.front().x, 50.0 + 17.5);
    dlg.ResetUI(true);
    dlg.UpdatePlungeFeed();
    QCOMPARE(e->m_lstPoints.front().x, 50.0 + 14.5);
    // A cut started right after a change elsewhere uses the new tool.
    AppConfig::m_fEndMillDia = 2.0;
    QVERIFY(dlg.StartShapeCutting());
    QCOMPARE(e->m_lstPoints.front().x, 50.0 + 13.5);
    QVERIFY(FinishOperation(mw.m_AppCtrl));
}

void TestDlgShapes::workAreaMapping()
{
    CWorkAreaMap map;
    map.Update(480, 338, 25, 300, 200);
    QCOMPARE(map.Scale(), 430.0 / 300.0);
    QCOMPARE(map.Rect(), QRect(25, 26, 430, 286));
    QCOMPARE(map.ToPixel(0, 0), QPoint(25, 312));
    const stFloatPoint back = map.ToWork(map.ToPixel(100, 50));
    QVERIFY(std::fabs(back.x - 100) < 1 && std::fabs(back.y - 50) < 1);
    // A square area uses the height; a long narrow one the width; an area
    // much wider than long would have fallen off the picture if the scale
    // were picked by comparing length and width alone.
    map.Update(480, 338, 25, 100, 100);
    QCOMPARE(map.Scale(), 288.0 / 100.0);
    map.Update(480, 338, 25, 300, 250);
    QCOMPARE(map.Scale(), 288.0 / 250.0);
    QVERIFY(map.Rect().right() < 480 && map.Rect().top() >= 0);
    map.Update(480, 338, 25, 10000, 100);
    QCOMPARE(map.GridStep(), 0);
    map.Update(480, 338, 25, 0, 100); // work zero on the limit: still a picture
    QVERIFY(std::isfinite(map.Scale()) && map.Scale() > 0);

    // The mouse text: right of the cursor in the left half, left of it in
    // the right half; below the cursor near the top edge.
    QCOMPARE(CWorkAreaMap::MouseTextPos(QPoint(100, 100), true, 20), QPoint(100, 80));
    QCOMPARE(CWorkAreaMap::MouseTextPos(QPoint(100, 100), false, 20), QPoint(0, 80));
    QCOMPARE(CWorkAreaMap::MouseTextPos(QPoint(100, 29), true, 20), QPoint(100, 59));
    QCOMPARE(CWorkAreaMap::MouseFontSize(1.0), 25);
    QCOMPARE(CWorkAreaMap::MouseFontSize(4.0), 12);
    QCOMPARE(CWorkAreaMap::MouseFontSize(12.0), 5);
}

void TestDlgShapes::freeDrawingClicks()
{
    RIG
    AddEllipse(dlg, QStringLiteral("A"));
    AddEllipse(dlg, QStringLiteral("B"));
    std::vector<stFloatPoint> drawn;
    WhenOpen([&] {
        QVERIFY(dlg.m_bFreeDrawing);
        stPolygon* p = dlg.PolygonAt(2);
        QVERIFY(p);
        QCOMPARE(p->m_strName, QStringLiteral("Shape_3"));
        Press(dlg, 0, 0, Qt::RightButton); // nothing to remove
        QVERIFY(p->m_lstVertices.empty());
        Press(dlg, 10, 10, Qt::LeftButton);
        Press(dlg, 60, 10, Qt::LeftButton);
        Press(dlg, -5, 30, Qt::LeftButton); // left of the work area: ignored
        Press(dlg, 60, 60, Qt::LeftButton);
        Press(dlg, 90, 90, Qt::LeftButton);
        Press(dlg, 0, 0, Qt::RightButton); // takes the last one away
        // A press on the view itself (as the operator clicks) reaches the
        // designer at the point the mouse last moved to.
        const QPointF at = QPointF(dlg.Map().ToPixel(40, 70)) + QPointF(0.5, 0.5);
        QMouseEvent move(QEvent::MouseMove, at, dlg.View()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(dlg.View(), &move);
        QMouseEvent press(QEvent::MouseButtonPress, at, dlg.View()->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dlg.View(), &press);
        QCOMPARE(int(p->m_lstVertices.size()), 4);
        QVERIFY(std::fabs(p->m_lstVertices.back().x - 40) < 1 && std::fabs(p->m_lstVertices.back().y - 70) < 1);
        p->m_lstVertices.pop_back();
        drawn = p->m_lstVertices;
        auto* pPanel = dlg.findChild<QDialog*>(QStringLiteral("CDlgShapeFreeDraw"));
        QVERIFY(pPanel);
        Btn(pPanel, "Btn_Save")->click();
    });
    Btn(&dlg, "Btn_DrawContour")->click();
    QCOMPARE(int(drawn.size()), 3);
    QVERIFY(std::fabs(drawn[1].x - 60) < 1 && std::fabs(drawn[1].y - 10) < 1);
    QCOMPARE(Texts(List(dlg)), (QStringList{"A", "B", "Shape_3"}));
    QVERIFY(!dlg.m_bFreeDrawing);
    QVERIFY(!dlg.findChild<QDialog*>(QStringLiteral("CDlgShapeFreeDraw")));

    // OK with nothing drawn leaves no empty shape behind.
    WhenOpen([&] { Btn(dlg.findChild<QDialog*>(QStringLiteral("CDlgShapeFreeDraw")), "Btn_Save")->click(); });
    Btn(&dlg, "Btn_DrawContour")->click();
    QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 3);
    QCOMPARE(List(dlg)->count(), 3);
}

void TestDlgShapes::draggingEllipseCentre()
{
    RIG
    WhenOpen([&] {
        stEllipse* e = dlg.EllipseAt(0);
        CMyView* v = dlg.View();
        // Pressed inside the ellipse's box, dragged: the centre follows.
        Press(dlg, 55, 48, Qt::LeftButton);
        v->m_ImgPos = dlg.Map().ToPixel(120, 90);
        v->m_bLBtnDown = true;
        emit v->MouseMoved();
        QVERIFY(std::fabs(e->m_Center.x - 120) < 1 && std::fabs(e->m_Center.y - 90) < 1);
        QVERIFY(Btn(dlg.EllipseEditor(), "Btn_EllipseCenterX")->text().startsWith(QStringLiteral("120.")) ||
                Btn(dlg.EllipseEditor(), "Btn_EllipseCenterX")->text().startsWith(QStringLiteral("119.")));
        QVERIFY(std::fabs(e->m_lstPoints.front().x - (e->m_Center.x + 15)) < 1e-9);
        // Without the button held, or pressed outside the box: no drag.
        const double x = e->m_Center.x;
        v->m_ImgPos = dlg.Map().ToPixel(200, 150);
        v->m_bLBtnDown = false;
        emit v->MouseMoved();
        Press(dlg, 10, 10, Qt::LeftButton);
        v->m_bLBtnDown = true;
        emit v->MouseMoved();
        QCOMPARE(e->m_Center.x, x);
        Btn(dlg.EllipseEditor(), "Btn_EllipseOk")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
    QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 1);
}

void TestDlgShapes::saveAndLoad()
{
    RIG
    Btn(&dlg, "Btn_SaveWorkArea")->click();
    QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("error: No shapes added")});
    QVERIFY(prompter.m_lstPrompts.isEmpty());

    stEllipse* e = AddEllipse(dlg, QStringLiteral("Ring"));
    e->m_bHole = true;
    dlg.CreateEllipsePoints(0); // cut inside its outline
    auto* p = new stPolygon;
    p->m_strName = QStringLiteral("Outline");
    p->m_bHole = true;
    stFloatPoint v;
    v.x = 12.34567;
    v.y = 8;
    p->m_lstVertices = {v, v};
    dlg.m_stShapeCuttingInfo.AddPolygon(p);
    dlg.m_stShapeCuttingInfo.m_WorkArea.x = 250;
    const QString path = mw.m_Setup.m_Folder.Root() + QStringLiteral("/area");
    prompter.m_lstFileNames << path;
    Btn(&dlg, "Btn_SaveWorkArea")->click();
    QVERIFY(QFile::exists(path + QStringLiteral(".xml")));

    CDlgShapes other(&mw);
    other.ConfigSettings();
    prompter.m_lstFileNames << path + QStringLiteral(".xml");
    Btn(&other, "Btn_LoadWorkArea")->click();
    QCOMPARE(Texts(List(other)), (QStringList{"Ring", "Outline"}));
    QCOMPARE(AppConfig::m_strLastFolderPath, mw.m_Setup.m_Folder.Root());
    QCOMPARE(Btn(&other, "Btn_WorkAreaLength")->text(), QStringLiteral("250\nLength"));
    QCOMPARE(other.m_dScale, 288.0 / 200.0);
    const stEllipse* back = other.EllipseAt(0);
    QVERIFY(back->m_bHole); // a pocket ring stays a pocket ring
    QCOMPARE(back->m_lstPoints.size(), e->m_lstPoints.size()); // recomputed, inside its outline again
    QCOMPARE(back->m_lstPoints.front().x, e->m_lstPoints.front().x);
    QCOMPARE(other.PolygonAt(1)->m_lstVertices[0].x, 12.3457);
    QVERIFY(other.PolygonAt(1)->m_bHole);
}

void TestDlgShapes::loadRefused()
{
    RIG
    AddEllipse(dlg, QStringLiteral("Mine"));
    const QString path = mw.m_Setup.m_Folder.Root() + QStringLiteral("/bad.xml");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("<?xml version=\"1.0\"?><Project><WorkArea><Length>0</Length><Width>10</Width></WorkArea></Project>");
    }
    prompter.m_lstFileNames << path << mw.m_Setup.m_Folder.Root() + QStringLiteral("/none.xml");
    Btn(&dlg, "Btn_LoadWorkArea")->click();
    Btn(&dlg, "Btn_LoadWorkArea")->click();
    QCOMPARE(mw.m_lstLog, (QStringList{"error: Unable to load the file", "error: Work area size out of range",
                                       "error: Unable to load the file"}));
    QCOMPARE(Texts(List(dlg)), QStringList{"Mine"});
    QCOMPARE(dlg.m_stShapeCuttingInfo.m_WorkArea.x, 300.0);
}

void TestDlgShapes::escapeLeavesTextAndPicturePanels()
{
    // The panels open inside the designer and take the keyboard there: the
    // text panel's field gets what is typed, and Escape, typed where the
    // keyboard is, closes either panel as Ok does (the text is kept).
    RIG
    dlg.show();
    dlg.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dlg));
    for (const char* pButton : {"Btn_ShapeFromTxt", "Btn_ShapeFromImg"}) {
        const bool bText = QByteArray(pButton) == "Btn_ShapeFromTxt";
        const size_t nBefore = dlg.m_stShapeCuttingInfo.m_lstShapes.size();
        QString strFocus;
        QString strTyped;
        bool bClosed = false;
        QTimer::singleShot(0, &dlg, [&] {
            if (QWidget* pFocus = QApplication::focusWidget())
                strFocus = pFocus->objectName();
            QDialog* pPanel = nullptr;
            for (QDialog* pChild : dlg.findChildren<QDialog*>())
                if (pChild->isVisible() && pChild->isModal())
                    pPanel = pChild;
            if (!pPanel)
                return;
            if (bText) {
                QTest::keyClick(dlg.windowHandle(), Qt::Key_O, Qt::NoModifier);
                strTyped = pPanel->findChild<QTextEdit*>()->toPlainText();
            }
            QTest::keyClick(dlg.windowHandle(), Qt::Key_Escape);
            bClosed = !pPanel->isVisible();
            pPanel->hide(); // never left open
        });
        Btn(&dlg, pButton)->click();
        QCOMPARE(strFocus, QString::fromLatin1(bText ? "TextToCut" : "CDlgShapeFromImg"));
        QCOMPARE(strTyped, QString::fromLatin1(bText ? "o" : ""));
        QVERIFY2(bClosed, pButton);
        // The letter o: its outline and its hole.
        QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes.size(), nBefore + (bText ? 2 : 0));
    }
}

QTEST_MAIN(TestDlgShapes)
#include "tst_dlgshapes.moc"
