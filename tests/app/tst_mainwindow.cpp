// The main window on the simulated machine: its form, start-up and
// shutdown, the poll tick (messages, positions, inputs, the controller's
// flags), the end of operations and the round Start / Pause / Reset / Stop
// buttons with the emergency stop.
#include "fakecamera.h"
#include "fakeprompter.h"
#include "mainwindowlog.h"
#include "picturebytes.h"
#include "formcheck.h"
#include "simcontroller.h"
#include "testsupport.h"

#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "gcode/gcodeprogram.h"
#include "hal/pinstartup.h"
#include "hal/pins.h"
#include "hal/pisystem.h"
#include "hal/simpinbank.h"
#include "machine/allaxisctrl.h"
#include "app/mainwindow.h"
#include "control/imgcarving.h"
#include "core/LongJobs.h"
#include "settingswindows/dlgabout.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <QtTest>

namespace {
bool Pressed(const CMyRndBtn& btn) { return btn.IsPressed(); }

// A program long enough to be paused and stopped in the middle.
GCodeCmdList LongProgram()
{
    GCodeCmdList program;
    for (int i = 1; i <= 40; ++i)
        program.push_back({"G01", "X" + std::to_string(i), "F600"});
    return program;
}

// Runs ticks (and events) until pred holds or iTimeoutMs real time passed.
template <class Pred> bool TickUntil(MainWindow& w, Pred pred, int iTimeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!pred()) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QCoreApplication::processEvents();
        w.OnTimer();
        QThread::msleep(1);
    }
    return true;
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void form();
    void startup_data();
    void startup();
    void settingsFileLoadedAtStartup();
    void lateWindows_data();
    void lateWindows();
    void shutdownWithJobRunning();
    void shutdownStopsTheCarvingFileFirst();
    void workPieceSizeButtons();
    void positionText_data();
    void positionText();
    void oneMessageOfEachKindPerTick();
    void emergencyStopInputEdges();
    void inputsNotReadInSimulation();
    void programStartInputEdge();
    void startRefusals_data();
    void startRefusals();
    void pauseAndResetEndTheJob();
    void formStartPauseAndReset();
    void resetRefusals();
    void stopAndRelease();
    void emergencyStopSwitchesSpindleOff();
    void emergencyStopWaitsForTheController_data();
    void emergencyStopWaitsForTheController();
    void toolChangeHoldsAndStopsSpindle();
    void programStopResumesWithOneStart();
    void operationFinishMessages_data();
    void operationFinishMessages();
    void rotaryHomeButtonsAfterJob_data();
    void rotaryHomeButtonsAfterJob();
    void operationFinishFromAnotherThread();
    void windowSelectorsAndPassKey();
    void escapeKeepsEmbeddedWindows();
    void bannerOpensAbout();
    void jobWindowsFollowOperations();
    // Last: the pin backend is chosen once per process.
    void pinBackendNoteInLog();

private:
    CSimControllerSetup* m_pSetup = nullptr;
    CFakePrompter* m_pPrompter = nullptr;
};

void TestMainWindow::bannerOpensAbout()
{
    // The program's name at the top right, where a title bar names its
    // program, opens the About box over the main window.
    MainWindow w;
    QString strTitle;
    QWidget* pParent = nullptr;
    QTimer::singleShot(0, [&] {
        if (auto* pAbout = qobject_cast<CDlgAbout*>(QApplication::activeModalWidget())) {
            strTitle = pAbout->windowTitle();
            pParent = pAbout->parentWidget();
            pAbout->reject();
        }
    });
    QTest::mouseClick(w.ui->lineEdit, Qt::LeftButton);
    QCOMPARE(strTitle, QStringLiteral("Morlan's CNC"));
    QCOMPARE(pParent, &w);
    QCOMPARE(w.ui->lineEdit->text(), QStringLiteral("DIR-ADI Software V3.0"));
}

void TestMainWindow::init()
{
    m_pSetup = new CSimControllerSetup;
    m_pPrompter = new CFakePrompter;
    AppConfig::m_bEmergencyStopON = false;
    AppConfig::m_bSimulationMode = false;
    AppConfig::m_bPWMCtrlUsed = false;
    AppConfig::m_bKeyboardCtrlUsed = false;
    AppConfig::m_bHomeSensorsUsed = false;
    AppConfig::m_bAppPassword = false;
    CGCodeProgram::m_bGCodeLoading = false;
    CGCodeProgram::m_bGCodeCompiling = false;
}

void TestMainWindow::cleanup()
{
    AppConfig::m_bEmergencyStopON = false;
    AppConfig::m_bSimulationMode = false;
    delete m_pPrompter;
    delete m_pSetup;
}

void TestMainWindow::form()
{
    MainWindow w;
    static const stFormRow kRows[] = {
        {"MainWindow", "QMainWindow", 0, 0, 1250, 840, "DIR-ADI Software"},
        {"Btn_JobSettings", "QPushButton", 10, 2, 150, 40, "Job Settings"},
        {"Btn_GCode", "QPushButton", 160, 2, 150, 40, "G-Code"},
        {"Btn_ShapeCarving", "QPushButton", 310, 2, 150, 40, "Shape Cutting"},
        {"Btn_ImageCarving", "QPushButton", 460, 2, 150, 40, "Image Carving"},
        {"Btn_UserSettings", "QPushButton", 610, 2, 150, 40, "User Settings"},
        {"Btn_MachineSettings", "QPushButton", 760, 2, 150, 40, "Machine Settings"},
        {"lineEdit", "QLineEdit", 920, 10, 321, 30, "DIR-ADI Software V3.0"},
        {"Btn_SaveSettings", "QPushButton", 915, 50, 110, 42, "Save\nSettings"},
        {"Btn_SimulationMode", "QPushButton", 1026, 50, 110, 42, "Simulate"},
        {"Btn_SetZ0WithZProbe", "QPushButton", 1137, 50, 110, 42, "Set Z0\nZ-Probe"},
        {"Btn_SetWorkZero", "QPushButton", 915, 110, 110, 42, "Set Work\nZero"},
        {"Btn_MoveWorkZero", "QPushButton", 1026, 110, 110, 42, "Move \nWork Zero"},
        {"Btn_MoveZSafePos", "QPushButton", 1137, 110, 110, 42, "Move\nZ Safe Pos"},
        {"Btn_SpindleCWOnOff", "QPushButton", 915, 170, 110, 42, "Spindle\nCW OFF"},
        {"Btn_SpindleCCWOnOff", "QPushButton", 1026, 170, 110, 41, "Spindle\nCCW OFF"},
        {"Btn_CurrentWorkZeroReference", "QPushButton", 1137, 170, 110, 41, "G54"},
        {"Frame_FeedSettings", "QFrame", 920, 223, 321, 60, nullptr},
        {"label_14", "QLabel", 5, 10, 70, 40, "G01\nFeed (%)"},
        {"Frame_SpindleSpeedSetting", "QFrame", 920, 294, 321, 60, nullptr},
        {"label_15", "QLabel", 5, 10, 70, 41, "Spindle\nSpeed"},
        {"frame", "QFrame", 920, 365, 321, 208, nullptr},
        {"LE_CurPos", "QLabel", 44, 6, 201, 195, nullptr},
        {"label", "QLabel", 10, 5, -1, -1, "X"},
        {"label_2", "QLabel", 10, 43, -1, -1, "Y"},
        {"label_4", "QLabel", 10, 80, -1, -1, "Z"},
        {"label_5", "QLabel", 10, 120, -1, -1, "A"},
        {"label_3", "QLabel", 10, 159, -1, -1, "B"},
        {"Btn_MoveWorkHome_X", "QPushButton", 260, 12, 52, 25, "Home"},
        {"Btn_MoveWorkHome_Y", "QPushButton", 260, 49, 52, 25, "Home"},
        {"Btn_MoveWorkHome_Z", "QPushButton", 260, 87, 52, 25, "Home"},
        {"Btn_MoveWorkHome_A", "QPushButton", 260, 125, 52, 25, "Home"},
        {"Btn_MoveWorkHome_B", "QPushButton", 260, 163, 52, 25, "Home"},
        {"Btn_SelectToolPaths", "QPushButton", 10, 448, 90, 33, "Tool\nPath"},
        {"Btn_SetWorkPieceLength", "QPushButton", 100, 448, 90, 33, "200.0\nLength(X)"},
        {"Btn_SetWorkPieceWidth", "QPushButton", 190, 448, 90, 33, "250.0\nWidth(Y)"},
        {"Btn_SetWorkPieceHeight", "QPushButton", 160, 300, 90, 33, "10.0\nHeight(Z)"},
        {"Btn_SelectCamera", "QPushButton", 410, 448, 90, 33, "Cam"},
        {"Btn_CameraRecStop", "QPushButton", 500, 448, 30, 33, "Cam"},
        {"Btn_AppHelp", "QPushButton", 640, 570, 101, 31, "Help"},
        {"Btn_StartPause", "QPushButton", 670, 480, 91, 71, "Start"},
        {"Btn_Reset", "QPushButton", 760, 580, 91, 71, "Reset"},
        {"LV_Log", "QListWidget", 10, 754, 901, 60, nullptr},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&w, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    QCOMPARE(w.minimumSize(), QSize(1250, 840));
    QCOMPARE(w.maximumSize(), QSize(1250, 840));
    QCOMPARE(w.styleSheet(), QStringLiteral("background-color: rgb(60, 60, 60);"));
    // What the form says beyond the table's columns.
    QVERIFY(w.ui->lineEdit->isReadOnly());
    QVERIFY(w.ui->Btn_SelectToolPaths->isCheckable());
    QVERIFY(w.ui->Btn_SelectCamera->isCheckable());
    QVERIFY(!w.ui->Btn_CameraRecStop->isEnabled());
    QVERIFY(!w.ui->Btn_Reset->isEnabled());
    QCOMPARE(w.ui->Btn_SaveSettings->styleSheet(), BTN_BKGND_GREEN);
    QCOMPARE(w.ui->Btn_SetWorkZero->styleSheet(), BTN_BKGND_GRAY);
    for (QPushButton* pBtn : {w.ui->Btn_SaveSettings, w.ui->Btn_SimulationMode, w.ui->Btn_SetWorkZero,
                              w.ui->Btn_MoveWorkZero, w.ui->Btn_SpindleCWOnOff, w.ui->Btn_SpindleCCWOnOff,
                              w.ui->Btn_SelectCamera, w.ui->Btn_CameraRecStop})
        QVERIFY2(!pBtn->icon().isNull(), qPrintable(pBtn->objectName()));
    QVERIFY(w.ui->Btn_GCode->styleSheet().contains(QStringLiteral("rgba(0, 0, 255, 255)")));
    QVERIFY(w.ui->Btn_JobSettings->styleSheet().contains(QStringLiteral("border-radius: 20px")));
}

void TestMainWindow::startup_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("pwm");
    for (int iKind = CTRL_KIVQ10; iKind <= CTRL_SPI_V3; ++iKind)
        for (bool bPwm : {false, true})
            QTest::addRow("kind %d, PWM %s", iKind, bPwm ? "on" : "off") << iKind << bPwm;
}

void TestMainWindow::startup()
{
    QFETCH(int, kind);
    QFETCH(bool, pwm);
    AppConfig::m_eDiradiCtrl = eKivController(kind);
    AppConfig::m_bPWMCtrlUsed = pwm;
    AppConfig::m_stPwmSpndlSettings.m_nCurFreq = 1000;
    CSimPinBank::Instance().Reset();

    MainWindow w; // no settings file: written from the values in memory
    QVERIFY(m_pPrompter->m_lstPrompts.isEmpty());
    QVERIFY(QFileInfo::exists(CAppPaths::ConfigFile()));
    const bool bFive = kind == CTRL_KIVQ20;
    QCOMPARE(AppConfig::m_iMchType, bFive ? 5 : 3);
    QCOMPARE(w.ui->Btn_MoveWorkHome_A->isEnabled(), bFive);
    QCOMPARE(w.ui->Btn_MoveWorkHome_B->isEnabled(), bFive);
    QCOMPARE(w.m_SpindleSlider.isEnabled(), pwm);
    QCOMPARE(CSimPinBank::Instance().Mode(AppConfig::m_iSpindlePwmOutput) == EPinMode::PwmMarkSpace, pwm);

    // The work area: the G-code window shown, the jog panel beside it.
    QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(&w.m_DlgGCode));
    QCOMPARE(w.m_pActiveWndBtn, w.ui->Btn_GCode);
    for (QWidget* pWnd : std::initializer_list<QWidget*>{w.m_DlgJobSettings.get(), w.m_DlgImageCarving.get(), w.m_DlgShapes.get(),
                                                         &w.m_DlgGCode, w.m_DlgUserSettings.get(),
                                                         w.m_DlgMachineSettings.get()}) {
        QCOMPARE(pWnd->parentWidget(), static_cast<QWidget*>(&w));
        QCOMPARE(pWnd->pos(), QPoint(10, 45));
        QCOMPARE(pWnd->isVisibleTo(&w), pWnd == &w.m_DlgGCode);
    }
    QCOMPARE(w.m_DlgManual.pos(), QPoint(540, 450));
    QVERIFY(w.m_DlgManual.isVisibleTo(&w));

    // The round buttons, the poll timer, the sliders, the view.
    QCOMPARE(w.m_BtnStart.geometry(), QRect(920, 580, 90, 90));
    QCOMPARE(w.m_BtnPause.geometry(), QRect(1030, 580, 90, 90));
    QCOMPARE(w.m_BtnReset.geometry(), QRect(1140, 580, 90, 90));
    QCOMPARE(w.m_BtnStop.geometry(), QRect(1030, 700, 90, 90));
    QVERIFY(w.m_pPollTimer->isActive());
    QCOMPARE(w.m_pPollTimer->interval(), 34);
    QCOMPARE(w.m_G01FeedSlider.GetValue(), short(100));
    QVERIFY(!w.m_G00FeedSlider.isVisibleTo(&w));
    QCOMPARE(w.m_SpindleSlider.GetValue(), short(8));
    QCOMPARE(w.m_ToolPathView.geometry(), QRect(10, 480, 520, 270));
    QVERIFY(LogLines(w).contains(CPinStartup::Note()) || CPinStartup::Note().isEmpty());
}

// The five windows hidden at start are built after the first paint, or
// sooner at the operator's first key or click or at their first use; a window
// never shown builds them at the first pass of the event loop. Only then do
// the axes get their speed ramps; the poll tick, which watches the
// emergency-stop input, runs from the start.
void TestMainWindow::lateWindows_data()
{
    QTest::addColumn<QString>("trigger");
    for (const char* p : {"event loop, not shown", "first paint", "first key", "first click", "first use",
                          "program-start input", "emergency-stop input"})
        QTest::newRow(p) << QString::fromLatin1(p);
}

void TestMainWindow::lateWindows()
{
    QFETCH(QString, trigger);
    MainWindow w;
    auto builtCount = [&w]() {
        return int(w.m_DlgJobSettings.Peek() != nullptr) + int(w.m_DlgImageCarving.Peek() != nullptr) +
               int(w.m_DlgShapes.Peek() != nullptr) + int(w.m_DlgUserSettings.Peek() != nullptr) +
               int(w.m_DlgMachineSettings.Peek() != nullptr);
    };
    const AxisCtrl& x = w.m_AppCtrl.m_AxisCtrl[X_AXIS];
    QCOMPARE(builtCount(), 0);
    QVERIFY(w.m_pPollTimer->isActive());
    QVERIFY(x.m_lstVelProfile.isEmpty());

    if (trigger == QLatin1String("event loop, not shown")) {
        QCoreApplication::processEvents();
    } else if (trigger == QLatin1String("first paint")) {
        w.show();
        QCOMPARE(builtCount(), 0);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Well before the second that a window shown but never painted waits.
        QTRY_COMPARE_WITH_TIMEOUT(builtCount(), 5, 500);
    } else if (trigger == QLatin1String("first key") || trigger == QLatin1String("first click")) {
        w.show(); // not painted yet: no event has been handled
        QCOMPARE(builtCount(), 0);
        if (trigger == QLatin1String("first key"))
            QTest::keyClick(&w, Qt::Key_F12);
        else
            QTest::mouseClick(w.ui->Btn_UserSettings, Qt::LeftButton);
        QCOMPARE(builtCount(), 5);
        if (trigger == QLatin1String("first click"))
            QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(w.m_DlgUserSettings.Peek()));
    } else if (trigger == QLatin1String("program-start input")) {
        // The program comes up with every setting in force (it starts nothing).
        CSimPinBank::Instance().SetInput(AppConfig::m_iPgmStartInput, 1);
        w.OnTimer();
        QCOMPARE(builtCount(), 5);
        QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(&w.m_DlgGCode));
        QVERIFY(Pressed(w.m_BtnStart));
        QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), 0);
    } else if (trigger == QLatin1String("emergency-stop input")) {
        // Watched before the late windows are there.
        CSimPinBank::Instance().SetInput(AppConfig::m_iEStopInput, 1);
        w.OnTimer();
        QVERIFY(AppConfig::m_bEmergencyStopON);
        QVERIFY(Pressed(w.m_BtnStop));
        QCoreApplication::processEvents();
    } else {
        w.on_Btn_MachineSettings_clicked();
        QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(w.m_DlgMachineSettings.Peek()));
    }

    QCOMPARE(builtCount(), 5);
    QVERIFY(w.m_pPollTimer->isActive());
    QVERIFY(!x.m_lstVelProfile.isEmpty());
    for (QDialog* pWnd : {static_cast<QDialog*>(w.m_DlgJobSettings.Peek()),
                          static_cast<QDialog*>(w.m_DlgImageCarving.Peek()),
                          static_cast<QDialog*>(w.m_DlgShapes.Peek()),
                          static_cast<QDialog*>(w.m_DlgUserSettings.Peek()),
                          static_cast<QDialog*>(w.m_DlgMachineSettings.Peek())}) {
        QCOMPARE(pWnd->parentWidget(), static_cast<QWidget*>(&w));
        QVERIFY(!pWnd->isWindow());
        QCOMPARE(pWnd->pos(), QPoint(10, 45));
        QCOMPARE(pWnd->isVisibleTo(&w), pWnd == w.m_pActiveWnd);
    }
    // Built once: a later use builds nothing again.
    CDlgShapes* pShapes = w.m_DlgShapes.Peek();
    w.on_Btn_ShapeCarving_clicked();
    QCOMPARE(w.m_DlgShapes.get(), pShapes);
}

void TestMainWindow::settingsFileLoadedAtStartup()
{
    // A five-axis machine saved; memory says three axes: the file wins.
    AppConfig::m_eDiradiCtrl = CTRL_KIVQ20;
    AppConfig::m_fAxisWorkZero[Y_AXIS] = 12.5;
    QVERIFY(AppConfig::SaveConfig(CAppPaths::ConfigFile()));
    AppConfig::m_eDiradiCtrl = CTRL_KIVQ10;
    AppConfig::m_fAxisWorkZero[Y_AXIS] = 0;
    AppConfig::InstallPinAssignment(CTRL_KIVQ10);

    MainWindow w;
    QVERIFY(m_pPrompter->m_lstPrompts.isEmpty());
    QCOMPARE(AppConfig::m_iMchType, 5);
    QCOMPARE(AppConfig::m_fAxisWorkZero[Y_AXIS], 12.5);
    QVERIFY(w.ui->Btn_MoveWorkHome_B->isEnabled());
    QVERIFY(w.m_DlgManual.findChild<QPushButton*>(QStringLiteral("Btn_JogCW_A"))->isEnabled());
}

void TestMainWindow::shutdownWithJobRunning()
{
    CPacedPins pacing;
    GCodeCmdList program = LongProgram();
    {
        MainWindow w;
        w.m_AppCtrl.StartGCode(&program);
        QVERIFY(TickUntil(w, [&]() { return CAllAxisCtrl::GetMotionState(); }));
        // The camera on show and recording while the window closes.
        w.m_CncCamera.SetFrameSource(std::make_unique<CFakeFrameSource>());
        w.m_CncCamera.SetVideoWriter(std::make_unique<CFakeVideoWriter>());
        w.m_CncCamera.m_strVideoFile = QStringLiteral("/work/job.avi");
        QVERIFY(!w.ui->Btn_CameraRecStop->isEnabled());
        ClickButton(w, "Btn_SelectCamera");
        QVERIFY(w.m_CncCamera.IsCamOpen());
        QVERIFY(w.ui->Btn_CameraRecStop->isEnabled());
        QTRY_COMPARE(w.m_ToolPathView.Image()->size(), QSize(CFakeFrameSource::WIDTH, CFakeFrameSource::HEIGHT));
        QVERIFY(w.m_CncCamera.StartVideoRecord(w.m_CncCamera.m_strVideoFile));
    } // the destructor stops the camera and every axis and waits for them
    QVERIFY(!CAllAxisCtrl::m_bAutoModeRunning);
}

// Closing the window while a carving file is written: the job is asked to
// stop before the window waits for the global pool (which a last task may
// hold for the whole 2 s of that wait), so quitting takes no longer than
// the job's current row. The older file stays whole and no temporary file
// is left.
void TestMainWindow::shutdownStopsTheCarvingFileFirst()
{
    QTemporaryDir dir;
    const QString strFile = dir.path() + "/relief.txt";
    WriteRaw(strFile, "old program\n");
    // The job is the only long job running.
    const auto writing = []() { return CLongJobs::Pool()->activeThreadCount() > 0; };
    auto pWnd = std::make_unique<MainWindow>();
    CDlgImageCarving* pCarving = pWnd->m_DlgImageCarving.get();
    // A job of minutes: a large ramp in fine steps and many layers.
    pWnd->m_AppCtrl.m_ImgCarvingData.SetImage(GreyRamp(1500, 1500));
    stImgCarvingInfo& info = *pWnd->m_AppCtrl.m_ImgCarvingData.m_pInfo;
    info.m_fLength = 300.0;
    info.m_fWidth = 300.0;
    info.m_fDepth = 10.0;
    info.m_fZStep = 0.5;
    info.m_fXStep = 0.2;
    info.m_fYStep = 0.2;
    m_pPrompter->m_lstFileNames << strFile;
    ClickButton(*pCarving, "Btn_GenerateGCode");
    QVERIFY(pCarving->IsWritingGCode());
    QVERIFY(writing());

    // The global pool's one thread is held until the job has stopped; the
    // holder notes whether the window's wait for the pool had ended by then
    // (the poll timer goes right after it).
    std::atomic<bool> bPastPoolWait{false};
    std::atomic<bool> bStoppedFirst{false};
    connect(pWnd->m_pPollTimer, &QObject::destroyed, [&bPastPoolWait]() { bPastPoolWait = true; });
    QThreadPool* pool = QThreadPool::globalInstance();
    const int iThreads = pool->maxThreadCount();
    pool->setMaxThreadCount(1);
    QFuture<void> holder = QtConcurrent::run(pool, [&]() {
        QElapsedTimer timer; // a safety net only
        timer.start();
        while (writing() && timer.elapsed() < 20000)
            QThread::msleep(1);
        bStoppedFirst = !bPastPoolWait;
    });
    pWnd.reset();
    holder.waitForFinished();
    pool->setMaxThreadCount(iThreads);
    QVERIFY(bStoppedFirst);
    QCOMPARE(ReadAll(strFile), QByteArray("old program\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"relief.txt"});
}

void TestMainWindow::workPieceSizeButtons()
{
    MainWindow w;
    QCOMPARE(w.m_ToolPathView.Image(), w.m_ToolPath.Image());
    QCOMPARE(w.m_ToolPath.Side(), 380);
    m_pPrompter->m_lstKeypadEntries << "250" << "20000";
    ClickButton(w, "Btn_SetWorkPieceWidth");
    QCOMPARE(w.m_ToolPath.Side(), 390);
    QCOMPARE(w.m_ToolPathView.Image()->size(), QSize(390, 390)); // redrawn and shown
    ClickButton(w, "Btn_SetWorkPieceHeight");
    QCOMPARE(w.ui->Btn_SetWorkPieceHeight->text(), QStringLiteral("10000.0\nHeight(Z)"));
    QCOMPARE(w.m_ToolPath.ZDrawScale(), 225.0 / 10000.0);
    QCOMPARE(m_pPrompter->m_lstPrompts.last().m_strTitle, QStringLiteral("Workpiece Height"));
}

void TestMainWindow::positionText_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("a");
    QTest::addColumn<bool>("five");
    QTest::addColumn<QString>("text");
    QTest::newRow("three axes") << 12.34567 << 1.0 << false << "12.3457\n0.0000\n-3.5000\nNA\nNA";
    QTest::newRow("five axes") << 12.34567 << 90.0 << true << "12.3457\n0.0000\n-3.5000\n90.0000\n0.0000";
    QTest::newRow("a tiny negative is 0") << -0.000004 << 0.0 << false << "0.0000\n0.0000\n-3.5000\nNA\nNA";
    QTest::newRow("just outside the tiny band") << -0.00006 << 0.0 << false << "-0.0001\n0.0000\n-3.5000\nNA\nNA";
}

void TestMainWindow::positionText()
{
    QFETCH(double, x);
    QFETCH(double, a);
    QFETCH(bool, five);
    QFETCH(QString, text);
    const double fPos[AXIS_COUNT] = {x, 0.0, -3.5, a, 0.0};
    QCOMPARE(MainWindow::PositionText(fPos, five), text);
}

void TestMainWindow::oneMessageOfEachKindPerTick()
{
    MainWindow w;
    w.ClearLog();
    w.m_AppCtrl.AddErrMsg(QStringLiteral("e1"));
    w.m_AppCtrl.AddErrMsg(QStringLiteral("e2"));
    w.m_AppCtrl.AddInfoMsg(QStringLiteral("i1"));
    w.m_AppCtrl.AddInfoMsg(QStringLiteral("i2"));
    w.m_AppCtrl.AddInfoMsg(QStringLiteral("i3"));
    w.OnTimer();
    QCOMPARE(LogLines(w).size(), 2);
    QCOMPARE(LogColour(w, 0), QColor(0, 250, 0));   // info: green, newest on top
    QCOMPARE(LogColour(w, 1), QColor(255, 150, 0)); // error: orange
    w.OnTimer();
    QCOMPARE(LogLines(w).size(), 4);
    w.OnTimer();
    w.OnTimer();
    QCOMPARE(LogLines(w).size(), 5);
    QStringList lstSorted = LogLines(w);
    lstSorted.sort();
    QCOMPARE(lstSorted, (QStringList{"e1", "e2", "i1", "i2", "i3"}));

    // The position display after the tick.
    w.m_AppCtrl.m_AxisCtrl[X_AXIS].SetCurPos(1.5);
    w.OnTimer();
    QCOMPARE(w.ui->LE_CurPos->text(), QStringLiteral("1.5000\n0.0000\n0.0000\nNA\nNA"));
}

void TestMainWindow::emergencyStopInputEdges()
{
    auto& bank = CSimPinBank::Instance();
    MainWindow w;
    bank.SetInput(AppConfig::m_iEStopInput, 1);
    // The input held high from the start: the first tick triggers.
    w.OnTimer();
    QVERIFY(AppConfig::m_bEmergencyStopON);
    QVERIFY(Pressed(w.m_BtnStop));
    QCOMPARE(LogLines(w).first(), QStringLiteral("Emergency Stop Triggered"));
    QCOMPARE(bank.Level(AppConfig::m_iPgmStatusOutput), 0);
    // Still high: nothing new.
    const int iLines = LogLines(w).size();
    w.OnTimer();
    QCOMPARE(LogLines(w).size(), iLines);
    // The input falls: the stop is released.
    bank.SetInput(AppConfig::m_iEStopInput, 0);
    w.OnTimer();
    QVERIFY(!AppConfig::m_bEmergencyStopON);
    QVERIFY(!Pressed(w.m_BtnStop));
}

void TestMainWindow::inputsNotReadInSimulation()
{
    MainWindow w;
    AppConfig::m_bSimulationMode = true;
    CSimPinBank::Instance().SetInput(AppConfig::m_iEStopInput, 1);
    CSimPinBank::Instance().SetInput(AppConfig::m_iPgmStartInput, 1);
    w.on_Btn_JobSettings_clicked();
    w.OnTimer();
    QVERIFY(!AppConfig::m_bEmergencyStopON);
    QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(w.m_DlgJobSettings.get()));
}

void TestMainWindow::programStartInputEdge()
{
    auto& bank = CSimPinBank::Instance();
    MainWindow w;
    w.on_Btn_JobSettings_clicked();
    bank.SetInput(AppConfig::m_iPgmStartInput, 1);
    w.OnTimer();
    // It shows the program and Start pressed; it starts nothing.
    QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(&w.m_DlgGCode));
    QVERIFY(Pressed(w.m_BtnStart));
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), 0);
    // Held: no second edge. Falling: nothing.
    w.on_Btn_JobSettings_clicked();
    w.OnTimer();
    bank.SetInput(AppConfig::m_iPgmStartInput, 0);
    w.OnTimer();
    QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(w.m_DlgJobSettings.get()));
    // A rising edge while busy is refused.
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    bank.SetInput(AppConfig::m_iPgmStartInput, 1);
    w.OnTimer();
    QCOMPARE(LogLines(w).first(), QStringLiteral("Machine in use"));
    QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(w.m_DlgJobSettings.get()));
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
}

void TestMainWindow::startRefusals_data()
{
    // Conditions set for the press, and the one refusal expected: each row
    // also sets every later condition, so the order is checked too.
    QTest::addColumn<int>("first");
    QTest::addColumn<QString>("message");
    QTest::newRow("emergency stop") << 0 << "Release Emergency Switch";
    QTest::newRow("axis moving") << 1 << "Machine in use";
    QTest::newRow("one line running") << 2 << QString();
    QTest::newRow("settings window") << 3 << "Please select G-Code/Shape-Cutting/Image-Carving Window";
    QTest::newRow("loading") << 4 << "G-Code Loading. Please wait!";
    QTest::newRow("checking") << 5 << "G-Code Compiling. Please wait!";
    QTest::newRow("shape editor open") << 6 << "Finish editing shapes and click start";
}

void TestMainWindow::startRefusals()
{
    QFETCH(int, first);
    QFETCH(QString, message);
    CPacedPins pacing;
    MainWindow w;
    w.ClearLog();
    if (first <= 1) {
        w.m_AppCtrl.m_AxisCtrl[Z_AXIS].SetVelocityAcc(1, 10);
        w.m_AppCtrl.JogPos(Z_AXIS);
        QVERIFY(QTest::qWaitFor([&]() { return w.m_AppCtrl.m_AxisCtrl[Z_AXIS].GetAxisState(); }));
    }
    if (first <= 0)
        AppConfig::m_bEmergencyStopON = true;
    if (first <= 2)
        w.m_AppCtrl.m_bExecOneLine = true;
    if (first <= 3)
        w.on_Btn_UserSettings_clicked();
    if (first <= 4)
        CGCodeProgram::m_bGCodeLoading = true;
    if (first <= 5)
        CGCodeProgram::m_bGCodeCompiling = true;
    if (first == 6) {
        w.on_Btn_ShapeCarving_clicked();
        w.m_DlgShapes->m_bShapeEditing = true;
    }

    w.m_BtnStart.SetPressed(); // as the click shows it
    w.Btn_Start_pressed();
    w.m_AppCtrl.StopAll();
    QVERIFY(QTest::qWaitFor([&]() { return w.m_AppCtrl.IsMachineIdle(); }));
    w.m_AppCtrl.m_bExecOneLine = false;
    CGCodeProgram::m_bGCodeLoading = false;
    CGCodeProgram::m_bGCodeCompiling = false;

    QCOMPARE(LogLines(w), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), 0);
    QVERIFY(w.m_BtnStart.isEnabled());
    // Start springs back a moment later.
    QVERIFY(QTest::qWaitFor([&]() { return !Pressed(w.m_BtnStart); }, 2000));
}

void TestMainWindow::pauseAndResetEndTheJob()
{
    CPacedPins pacing;
    GCodeCmdList program = LongProgram();
    MainWindow w;
    w.m_AppCtrl.StartGCode(&program);
    QVERIFY(TickUntil(w, [&]() { return CAllAxisCtrl::GetMotionState(); }));
    QVERIFY(LogLines(w).contains(QStringLiteral("G-Code execution Started")));

    // Reset while running: refused.
    w.Btn_Reset_pressed();
    QCOMPARE(LogLines(w).first(), QStringLiteral("Pause execution to Reset"));

    w.m_BtnPause.SetPressed();
    w.Btn_Pause_pressed();
    QVERIFY(w.m_AppCtrl.m_bHold);
    QCOMPARE(LogLines(w).first(),
             QStringLiteral("Execution Paused! All axis will be stopped after last command is completed"));
    QCOMPARE(LogColour(w, 0), QColor(255, 255, 255));
    QVERIFY(!w.m_BtnPause.isEnabled());
    QVERIFY(w.m_BtnStart.isEnabled());

    // The segment in progress ends; until then Reset must wait.
    if (CAllAxisCtrl::GetMotionState()) {
        w.Btn_Reset_pressed();
        QCOMPARE(LogLines(w).first(), QStringLiteral("Wait for Machine to Stop to Reset"));
    }
    QVERIFY(TickUntil(w, [&]() { return !CAllAxisCtrl::GetMotionState(); }));

    w.Btn_Reset_pressed();
    // The job is over, not merely shown so.
    QVERIFY(!w.m_AppCtrl.isRunning());
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), 0);
    QVERIFY(!w.m_AppCtrl.m_bHold);
    const QStringList lstLog = LogLines(w);
    QCOMPARE(lstLog.mid(0, 2), (QStringList{"Execution reset", "G-Code execution aborted"}));
    QVERIFY(!lstLog.contains(QStringLiteral("G-Code execution finished")));
    QVERIFY(w.m_BtnPause.isEnabled());

    // Nothing moves any more.
    const double fX = w.m_AppCtrl.GetCurPos(X_AXIS);
    QVERIFY(fX > 0.0);
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(5);
        w.OnTimer();
    }
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), fX);
    QVERIFY(!CAllAxisCtrl::m_bAutoModeRunning);
    QVERIFY(!lstLog.contains(QStringLiteral("G-Code execution finished")));
    QVERIFY(!LogLines(w).contains(QStringLiteral("G-Code execution finished")));
}

void TestMainWindow::formStartPauseAndReset()
{
    CPacedPins pacing;
    GCodeCmdList program = LongProgram();
    MainWindow w;
    QPushButton* pStartPause = w.ui->Btn_StartPause;
    QPushButton* pReset = w.ui->Btn_Reset;

    // With a settings window shown the button only flashes.
    w.on_Btn_JobSettings_clicked();
    pStartPause->click();
    QCOMPARE(pStartPause->text(), QStringLiteral("Start"));
    QCOMPARE(pStartPause->styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(QTest::qWaitFor([&]() { return pStartPause->styleSheet() == BTN_BKGND_START; }, 2000));
    w.on_Btn_GCode_clicked();

    w.m_AppCtrl.StartGCode(&program);
    QVERIFY(TickUntil(w, [&]() { return CAllAxisCtrl::GetMotionState(); }));
    pStartPause->click();
    QVERIFY(w.m_AppCtrl.m_bHold);
    QCOMPARE(pStartPause->text(), QStringLiteral("Resume"));
    QCOMPARE(pStartPause->styleSheet(), BTN_BKGND_BLUE);
    QVERIFY(pReset->isEnabled());
    pStartPause->click();
    QVERIFY(!w.m_AppCtrl.m_bHold);
    QCOMPARE(pStartPause->text(), QStringLiteral("Pause"));
    QVERIFY(!pReset->isEnabled());

    pStartPause->click();
    QVERIFY(TickUntil(w, [&]() { return !CAllAxisCtrl::GetMotionState(); }));
    pReset->click();
    // The job has ended before the window shows idle.
    QVERIFY(!w.m_AppCtrl.isRunning());
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), 0);
    QCOMPARE(LogLines(w).mid(0, 2), (QStringList{"Machine is reset", "G-Code execution aborted"}));
    QCOMPARE(pStartPause->text(), QStringLiteral("Start"));
    QVERIFY(!pReset->isEnabled());
    const double fX = w.m_AppCtrl.GetCurPos(X_AXIS);
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(5);
        w.OnTimer();
    }
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), fX);
    QVERIFY(!LogLines(w).contains(QStringLiteral("G-Code execution finished")));
}

void TestMainWindow::resetRefusals()
{
    MainWindow w;
    w.ClearLog();
    // Idle: Reset and Pause only flash.
    w.m_BtnReset.SetPressed();
    w.Btn_Reset_pressed();
    w.m_BtnPause.SetPressed();
    w.Btn_Pause_pressed();
    QVERIFY(LogLines(w).isEmpty());
    QVERIFY(!w.m_AppCtrl.m_bHold);
    QVERIFY(QTest::qWaitFor([&]() { return !Pressed(w.m_BtnReset) && !Pressed(w.m_BtnPause); }, 2000));
}

void TestMainWindow::stopAndRelease()
{
    auto& bank = CSimPinBank::Instance();
    MainWindow w;
    w.m_BtnStop.SetPressed();
    w.Btn_Stop_pressed();
    QVERIFY(AppConfig::m_bEmergencyStopON);
    QCOMPARE(LogLines(w).first(), QStringLiteral("Emergency switch pressed"));
    QCOMPARE(bank.Level(AppConfig::m_iPgmStatusOutput), 0);
    QVERIFY(!Pressed(w.m_BtnStart));
    QVERIFY(w.m_BtnStart.isEnabled());

    // Start is refused until the stop is released.
    w.Btn_Start_pressed();
    QCOMPARE(LogLines(w).first(), QStringLiteral("Release Emergency Switch"));

    // Released with the input high: the stop stays on and says why; in
    // simulation too.
    bank.SetInput(AppConfig::m_iEStopInput, 1);
    for (bool bSim : {false, true}) {
        AppConfig::m_bSimulationMode = bSim;
        w.m_BtnStop.SetReleased();
        w.Btn_Stop_released();
        QVERIFY(AppConfig::m_bEmergencyStopON);
        QVERIFY(Pressed(w.m_BtnStop));
        QCOMPARE(LogLines(w).first(), QStringLiteral("Emergency Stop input is High"));
    }
    AppConfig::m_bSimulationMode = false;

    // With the input low it clears.
    bank.SetInput(AppConfig::m_iEStopInput, 0);
    w.m_BtnStop.SetReleased();
    w.Btn_Stop_released();
    QVERIFY(!AppConfig::m_bEmergencyStopON);
}

void TestMainWindow::emergencyStopSwitchesSpindleOff()
{
    auto& bank = CSimPinBank::Instance();
    AppConfig::m_bPWMCtrlUsed = true;
    AppConfig::m_stPwmSpndlSettings.m_nCurFreq = 1000;
    MainWindow w;
    w.OnTimer();
    const int iCW = AppConfig::m_lstMCodesPin.value(3);
    w.m_AppCtrl.TurnOnOffSpindle(true, DIR_CW);
    QCOMPARE(bank.Level(iCW), 1);
    QCOMPARE(bank.Mode(AppConfig::m_iSpindlePwmOutput), EPinMode::PwmMarkSpace);

    w.Btn_Stop_pressed();
    QCOMPARE(bank.Level(iCW), 0);
    QVERIFY(!AppConfig::m_bSpindleOn);
    QVERIFY(bank.Mode(AppConfig::m_iSpindlePwmOutput) != EPinMode::PwmMarkSpace);
    QCOMPARE(w.ui->Btn_SpindleCWOnOff->text(), QStringLiteral("Spindle\nCW OFF"));
    // The PWM stays off through the ticks until the spindle runs again.
    w.OnTimer();
    QVERIFY(bank.Mode(AppConfig::m_iSpindlePwmOutput) != EPinMode::PwmMarkSpace);
    w.Btn_Stop_released();
    w.m_AppCtrl.TurnOnOffSpindle(true, DIR_CW);
    w.OnTimer();
    QCOMPARE(bank.Mode(AppConfig::m_iSpindlePwmOutput), EPinMode::PwmMarkSpace);
}

void TestMainWindow::emergencyStopWaitsForTheController_data()
{
    QTest::addColumn<bool>("oneLine");
    QTest::addColumn<bool>("byInput"); // the emergency-stop input, else Stop
    QTest::newRow("Stop, program") << false << false;
    QTest::newRow("Stop, single line") << true << false;
    QTest::newRow("input, program") << false << true;
}

void TestMainWindow::emergencyStopWaitsForTheController()
{
    QFETCH(bool, oneLine);
    QFETCH(bool, byInput);
    // The controller's thread is held while it switches the mist coolant on
    // (M07), as if busy in the middle of a line, until the test lets it go.
    CHookedPinBank bank;
    const int iMist = AppConfig::m_lstMCodesPin.value(7);
    std::atomic<bool> bArmed{false}, bHeld{false};
    QSemaphore go;
    bank.m_fnOnWrite = [&](int iPin, int iLevel) {
        if (bArmed && iPin == iMist && iLevel == 1) {
            bHeld = true;
            go.acquire();
        }
    };
    GCodeCmdList program = {{"M07"}, {"G01", "X5", "F600"}};
    MainWindow w;
    // Never leave the thread held behind a failed check.
    const auto letGo = qScopeGuard([&]() { go.release(100); });
    bArmed = true;
    if (oneLine)
        w.m_AppCtrl.StartExecGCodeLine(&program, 0);
    else
        w.m_AppCtrl.StartGCode(&program);
    QVERIFY(QTest::qWaitFor([&]() { return bHeld.load(); }, 10000));

    const QString strStopMsg =
        byInput ? QStringLiteral("Emergency Stop Triggered") : QStringLiteral("Emergency switch pressed");
    if (byInput) {
        bank.SetInput(AppConfig::m_iEStopInput, 1);
        w.OnTimer();
    } else {
        w.Btn_Stop_pressed();
    }
    QCOMPARE(LogLines(w).first(), strStopMsg);
    QVERIFY(AppConfig::m_bEmergencyStopON);
    // Start and Pause look idle at once...
    QVERIFY(w.m_BtnStart.isEnabled() && !Pressed(w.m_BtnStart));
    QVERIFY(w.m_BtnPause.isEnabled() && !Pressed(w.m_BtnPause));
    // ...but the thread has not ended: the window still shows the job.
    QVERIFY(w.m_AppCtrl.isRunning());
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), int(AppControl::RUN_GCODE));
    QVERIFY(!w.ui->Btn_JobSettings->isEnabled());
    QVERIFY(!w.m_DlgManual.isEnabled());
    // Released meanwhile: Start neither resumes the stopped job nor starts
    // another (a single line still running ignores it without a word), and
    // the ticks wait for the thread.
    if (byInput) {
        bank.SetInput(AppConfig::m_iEStopInput, 0);
        w.OnTimer();
    } else {
        w.Btn_Stop_released();
    }
    QVERIFY(!AppConfig::m_bEmergencyStopON);
    w.Btn_Start_pressed();
    QCOMPARE(LogLines(w).first(), oneLine ? strStopMsg : QStringLiteral("Machine in use"));
    QVERIFY(!w.m_AppCtrl.m_bHold);
    QVERIFY(w.m_BtnStart.isEnabled());
    // Nor do Pause and the form's Start / Pause hold it.
    w.Btn_Pause_pressed();
    w.ui->Btn_StartPause->click();
    QVERIFY(!w.m_AppCtrl.m_bHold);
    QCOMPARE(w.ui->Btn_StartPause->text(), QStringLiteral("Start"));
    w.OnTimer();
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), int(AppControl::RUN_GCODE));

    go.release();
    QVERIFY(TickUntil(w, [&]() { return w.m_AppCtrl.m_iRunMode == AppControl::RUN_IDLE; }));
    QVERIFY(!w.m_AppCtrl.isRunning());
    QVERIFY(w.ui->Btn_JobSettings->isEnabled());
    QVERIFY(w.m_DlgManual.isEnabled());
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 0.0);
    QCOMPARE(LogLines(w).first(), QStringLiteral("G-Code execution aborted"));
    QVERIFY(!LogLines(w).contains(QStringLiteral("G-Code execution finished")));

    // Start works again (here the G-code window answers that it has no
    // program): it is not swallowed as if a single line still ran.
    const int iLines = w.ui->LV_Log->count();
    w.Btn_Start_pressed();
    QVERIFY(w.ui->LV_Log->count() > iLines);
}

void TestMainWindow::programStopResumesWithOneStart()
{
    const QString strProgram = m_pSetup->m_Folder.Root() + QStringLiteral("/stop.ncc");
    WriteRaw(strProgram, "G01 X1 F600\nM00\nG01 X2\n");
    MainWindow w;
    QVERIFY(w.m_DlgGCode.OpenAndCheck(strProgram));
    QVERIFY(TickUntil(w, [&]() { return LogLines(w).contains(QStringLiteral("G-Code Compilation Completed")); }));

    // Started with the round Start, the program holds at its M00.
    QTest::mouseClick(&w.m_BtnStart, Qt::LeftButton);
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), int(AppControl::RUN_GCODE));
    QVERIFY(TickUntil(
        w, [&]() { return LogLines(w).contains(QStringLiteral("Program stopped. Click Start to continue")); }));
    QVERIFY(w.m_AppCtrl.m_bHold);
    for (int i = 0; i < 5; ++i)
        w.OnTimer();
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 1.0);
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), int(AppControl::RUN_GCODE));
    QVERIFY(w.m_BtnStart.isEnabled() && !w.m_BtnStart.IsPressed());
    QVERIFY(!w.m_BtnPause.isEnabled());

    // One click of Start goes on to the end.
    QTest::mouseClick(&w.m_BtnStart, Qt::LeftButton);
    QVERIFY(!w.m_AppCtrl.m_bHold);
    QVERIFY(TickUntil(w, [&]() { return w.m_AppCtrl.m_iRunMode == AppControl::RUN_IDLE; }));
    QCOMPARE(w.m_AppCtrl.GetCurPos(X_AXIS), 2.0);
    QCOMPARE(LogLines(w).first(), QStringLiteral("G-Code execution finished"));
}

void TestMainWindow::toolChangeHoldsAndStopsSpindle()
{
    auto& bank = CSimPinBank::Instance();
    MainWindow w;
    const int iCCW = AppConfig::m_lstMCodesPin.value(4);
    w.m_AppCtrl.TurnOnOffSpindle(true, DIR_CCW);
    QCOMPARE(bank.Level(iCCW), 1);
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    w.m_DlgManual.setEnabled(false);
    w.ClearLog();

    w.m_AppCtrl.m_bToolChangeReq = true;
    w.OnTimer();
    QVERIFY(w.m_AppCtrl.m_bHold);
    QVERIFY(!w.m_AppCtrl.m_bToolChangeReq);
    QCOMPARE(bank.Level(iCCW), 0);
    QVERIFY(!AppConfig::m_bSpindleOn);
    QCOMPARE(w.ui->Btn_SpindleCWOnOff->text(), QStringLiteral("Spindle\nCW Off"));
    QCOMPARE(w.ui->Btn_SpindleCCWOnOff->text(), QStringLiteral("Spindle\nCCW Off"));
    QVERIFY(w.m_DlgManual.isEnabled());
    QVERIFY(LogLines(w).isEmpty()); // no pause notice

    // Start carries on and takes the jog panel away again.
    w.Btn_Start_pressed();
    QVERIFY(!w.m_AppCtrl.m_bHold);
    QVERIFY(!w.m_DlgManual.isEnabled());
    QVERIFY(!w.m_BtnStart.isEnabled());
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
}

void TestMainWindow::operationFinishMessages_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("completed"); // the job reached its end
    QTest::newRow("idle") << 0 << 0.0 << QString() << true;
    QTest::newRow("work home reached") << 1 << 0.00008 << "Work home postion reached" << true;
    QTest::newRow("work home missed") << 1 << 0.0001 << QString() << true;
    QTest::newRow("homing") << 2 << 0.0 << "Machine Homing finished" << true;
    QTest::newRow("shapes") << 3 << 0.0 << "Shapes cutting completed" << true;
    QTest::newRow("carving") << 4 << 0.0 << "3D Relief carving completed" << true;
    QTest::newRow("G-code") << 5 << 0.0 << "G-Code execution finished" << true;
    QTest::newRow("probe") << 6 << 0.0 << QString() << true;
    QTest::newRow("profile") << 7 << 0.0 << "Z profiling completed" << true;
    // A job that stopped on a failure is not reported as finished.
    QTest::newRow("shapes failed") << 3 << 0.0 << "Shapes cutting aborted" << false;
    QTest::newRow("carving failed") << 4 << 0.0 << "3D Relief carving aborted" << false;
    QTest::newRow("G-code failed") << 5 << 0.0 << "G-Code execution aborted" << false;
    QTest::newRow("profile failed") << 7 << 0.0 << "Z profiling aborted" << false;
}

void TestMainWindow::operationFinishMessages()
{
    QFETCH(int, mode);
    QFETCH(double, x);
    QFETCH(QString, message);
    QFETCH(bool, completed);
    MainWindow w;
    for (bool bEStop : {false, true}) {
        w.ClearLog();
        AppConfig::m_bEmergencyStopON = bEStop;
        w.m_AppCtrl.m_bJobCompleted = completed;
        w.m_AppCtrl.m_AxisCtrl[X_AXIS].SetCurPos(x);
        w.m_AppCtrl.m_iRunMode = mode;
        w.m_AppCtrl.m_bHold = true;
        w.m_BtnStart.setEnabled(false);
        w.OnOperationFinish();
        QCOMPARE(LogLines(w), message.isEmpty() || bEStop ? QStringList() : QStringList{message});
        QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), 0);
        QVERIFY(!w.m_AppCtrl.m_bHold);
        QVERIFY(w.m_BtnStart.isEnabled());
        AppConfig::m_bEmergencyStopON = false;
    }
}

void TestMainWindow::rotaryHomeButtonsAfterJob_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("three axes") << int(CTRL_KIVQ10);
    QTest::newRow("five axes") << int(CTRL_KIVQ20);
}

void TestMainWindow::rotaryHomeButtonsAfterJob()
{
    QFETCH(int, kind);
    AppConfig::m_eDiradiCtrl = eKivController(kind);
    AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed = true;
    AppConfig::m_bPWMCtrlUsed = true;
    MainWindow w;
    const bool bFive = AppConfig::m_iMchType == 5;
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    w.EnableDisableWindows();
    QVERIFY(!w.ui->Btn_MoveWorkHome_X->isEnabled());
    QVERIFY(!w.ui->Btn_JobSettings->isEnabled());
    QVERIFY(w.ui->Btn_GCode->isEnabled());
    QVERIFY(!w.m_SpindleSlider.isEnabled());
    QVERIFY(!w.m_DlgManual.isEnabled());
    w.OnOperationFinish();
    QVERIFY(w.ui->Btn_MoveWorkHome_X->isEnabled());
    QCOMPARE(w.ui->Btn_MoveWorkHome_A->isEnabled(), bFive);
    QCOMPARE(w.ui->Btn_MoveWorkHome_B->isEnabled(), bFive);
    QVERIFY(w.ui->Btn_JobSettings->isEnabled());
    QVERIFY(w.m_SpindleSlider.isEnabled());
    QVERIFY(w.m_DlgManual.isEnabled());
}

void TestMainWindow::operationFinishFromAnotherThread()
{
    MainWindow w;
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_SHAPES;
    w.m_AppCtrl.m_bJobCompleted = true;
    QThread* pThread = QThread::create([&w]() { w.OnOperationFinish(); });
    pThread->start();
    QVERIFY(pThread->wait(5000));
    delete pThread;
    // Nothing was done on the other thread; the GUI thread does it.
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), int(AppControl::RUN_SHAPES));
    QVERIFY(QTest::qWaitFor([&]() { return w.m_AppCtrl.m_iRunMode == AppControl::RUN_IDLE; }, 2000));
    QCOMPARE(LogLines(w).first(), QStringLiteral("Shapes cutting completed"));
}

void TestMainWindow::escapeKeepsEmbeddedWindows()
{
    // Escape in a control of an embedded window would close that window out
    // of the main window (it is a dialog).
    MainWindow w;
    w.show();
    QDialog* const windows[] = {w.m_DlgJobSettings.get(), w.m_DlgImageCarving.get(), &w.m_DlgManual, w.m_DlgShapes.get(),
                                &w.m_DlgGCode,       w.m_DlgUserSettings.get(), w.m_DlgMachineSettings.get()};
    for (QDialog* pWnd : windows) {
        pWnd->show();
        QWidget* pTarget = pWnd->findChild<QPushButton*>();
        QVERIFY(pTarget);
        QTest::keyClick(pTarget, Qt::Key_Escape);
        QVERIFY2(pWnd->isVisible(), qPrintable(pWnd->objectName()));
        QCOMPARE(pWnd->result(), 0);
    }
}

void TestMainWindow::windowSelectorsAndPassKey()
{
    MainWindow w;
    w.on_Btn_ShapeCarving_clicked();
    QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(w.m_DlgShapes.get()));
    QVERIFY(w.m_DlgShapes->isVisibleTo(&w));
    QVERIFY(!w.m_DlgGCode.isVisibleTo(&w));
    QVERIFY(w.ui->Btn_ShapeCarving->styleSheet().contains(QStringLiteral("rgba(0, 0, 255, 255)")));
    QVERIFY(!w.ui->Btn_GCode->styleSheet().contains(QStringLiteral("rgba(0, 0, 255, 255)")));

    // The locked machine settings: a wrong key, Retry, then Abort keeps the
    // shapes window; the right key opens them.
    AppConfig::m_bAppPassword = true;
    AppConfig::m_strAppPassword = QStringLiteral("123456");
    m_pPrompter->m_lstKeypadEntries << "111" << "222";
    m_pPrompter->m_lstAnswers << QMessageBox::Retry << QMessageBox::Abort;
    w.on_Btn_MachineSettings_clicked();
    QCOMPARE(m_pPrompter->Texts(QStringLiteral("Keypad")).size(), 2);
    QCOMPARE(m_pPrompter->Texts(QStringLiteral("Question")),
             (QStringList{"Wrong Pass Key", "Wrong Pass Key"}));
    QCOMPARE(m_pPrompter->m_lstPrompts.last().m_eIcon, QMessageBox::Information);
    QCOMPARE(m_pPrompter->m_lstPrompts.last().m_strTitle, QStringLiteral("Error"));
    QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(w.m_DlgShapes.get()));
    m_pPrompter->m_lstKeypadEntries << "123456";
    w.on_Btn_MachineSettings_clicked();
    QCOMPARE(w.m_pActiveWnd, static_cast<QDialog*>(w.m_DlgMachineSettings.get()));
}

void TestMainWindow::jobWindowsFollowOperations()
{
    MainWindow w;
    CDlgImageCarving& carving = *w.m_DlgImageCarving;
    CdlgJobSettings& job = *w.m_DlgJobSettings;

    // Shown, the carving window brings its plunge feed and end mill up to date.
    const double fPlunge = AppConfig::m_fPlungeFeed;
    AppConfig::m_fPlungeFeed = 7.5;
    w.on_Btn_ImageCarving_clicked();
    AppConfig::m_fPlungeFeed = fPlunge;
    QCOMPARE(FindButton(carving, "Btn_ZAxisPlungeFeed")->text(), QStringLiteral("7.5000\nPlunge Feed"));

    // While a carving runs, the poll moves the green band to the carved row;
    // at the end the carving window is usable again.
    QImage img(10, 10, QImage::Format_Grayscale8);
    img.fill(200);
    w.m_AppCtrl.m_ImgCarvingData.SetImage(img);
    carving.DisplayImage(w.m_AppCtrl.m_ImgCarvingData.m_pImg.get(), false);
    carving.ResetUI(false);
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_IMG_CARVING;
    w.m_AppCtrl.m_nCarvingRow = 5;
    w.OnTimer();
    QCOMPARE(int(carving.m_nCurRow), 5);
    QCOMPARE(carving.m_pDisplayImg->pixelColor(0, 6), QColor(Qt::green));
    w.OnOperationFinish();
    QVERIFY(FindButton(carving, "Btn_LoadImage")->isEnabled());

    // After a Z profiling the job settings panel is unlocked.
    QPushButton* pCreate = FindButton(job, "Btn_CreateZProfile");
    pCreate->setStyleSheet(BTN_BKGND_GREEN);
    job.findChild<QWidget*>("frame")->setEnabled(false);
    FindButton(job, "Btn_LoadZProfile")->setEnabled(false);
    w.m_AppCtrl.m_iRunMode = AppControl::RUN_Z_PROFILE;
    w.OnOperationFinish();
    QCOMPARE(pCreate->styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(job.findChild<QWidget*>("frame")->isEnabled());
    QVERIFY(FindButton(job, "Btn_LoadZProfile")->isEnabled());
}

void TestMainWindow::pinBackendNoteInLog()
{
    // A machine with no device tree, as a PC: the start-up choice falls back
    // to the simulated bank and the window's log says so.
    struct stNoPi : CPiSystem
    {
        QTemporaryDir dir;
        QString DeviceTreeFolder() const override { return dir.path(); }
    } noPi;
    QVERIFY(noPi.dir.isValid());
    const QString note = CPinStartup::Select(noPi);
    QCOMPARE(note, QStringLiteral("Pins: simulated pin bank: no Raspberry Pi found"));
    QCOMPARE(CPins::Backend(), static_cast<CPinBackend*>(&CSimPinBank::Instance()));

    MainWindow w;
    QVERIFY2(LogLines(w).contains(note), qPrintable(LogLines(w).join(QLatin1Char('|'))));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
