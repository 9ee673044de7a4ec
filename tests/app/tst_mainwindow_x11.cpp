// The whole program's main window on a real X server: the test starts its
// own Xvfb, runs the window on Qt's xcb platform, opens and checks a short
// G-code program in the G-code window, starts it with a mouse click on the round
// Start button, lets the 34 ms poll timer follow the job on the simulated
// machine, checks the log and the position display, has Start refuse the
// program once a wrong line was typed in, and closes the window.
#include "fakeprompter.h"
#include "mainwindowlog.h"
#include "simcontroller.h"

#include "core/AppConfig.h"
#include "gcodewindows/dlggcode.h"
#include "gcode/gcodeprogram.h"
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

// An X server of our own for the test's life, on the first free display
// from :90 on. Empty display name when none could be started.
class CXvfb
{
public:
    CXvfb()
    {
        for (int iDisplay = 90 + int(getpid() % 50); iDisplay < 250; ++iDisplay) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(iDisplay)))
                continue;
            m_Proc.setProgram(QStringLiteral("Xvfb"));
            m_Proc.setArguments({QStringLiteral(":%1").arg(iDisplay), QStringLiteral("-screen"), QStringLiteral("0"),
                                 QStringLiteral("1280x900x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            m_Proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            m_Proc.start();
            if (!m_Proc.waitForStarted(5000))
                return; // no Xvfb installed
            // Ready once its socket is there; gone again when the display
            // was taken meanwhile.
            const QString strSocket = QStringLiteral("/tmp/.X11-unix/X%1").arg(iDisplay);
            for (int i = 0; i < 100 && m_Proc.state() == QProcess::Running; ++i) {
                if (QFile::exists(strSocket)) {
                    m_strDisplay = QStringLiteral(":%1").arg(iDisplay);
                    return;
                }
                QThread::msleep(50);
            }
            Stop();
        }
    }
    ~CXvfb() { Stop(); }
    QString Display() const { return m_strDisplay; }

private:
    void Stop()
    {
        if (m_Proc.state() != QProcess::NotRunning) {
            m_Proc.terminate();
            if (!m_Proc.waitForFinished(5000))
                m_Proc.kill();
            m_Proc.waitForFinished(2000);
        }
    }
    QProcess m_Proc;
    QString m_strDisplay;
};
} // namespace

class TestMainWindowX11 : public QObject
{
    Q_OBJECT
private slots:
    void shortJobOnTheSimulatedMachine();
};

void TestMainWindowX11::shortJobOnTheSimulatedMachine()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    CSimControllerSetup setup;
    CFakePrompter prompter;
    CGCodeProgram::ClearCurGCodeData();

    const QString strProgram = setup.m_Folder.Root() + QStringLiteral("/short.ncc");
    WriteRaw(strProgram, "G21 G90\nG01 X5 Y3 F300\nG01 Z-1\nG00 Z2\n");

    auto* pWindow = new MainWindow;
    MainWindow& w = *pWindow;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.size(), QSize(1250, 840));

    // Open the program as the operator does, through the G-code window.
    prompter.m_lstFileNames << strProgram;
    QTest::mouseClick(w.m_DlgGCode.findChild<QPushButton*>(QStringLiteral("Btn_OpenGCode")), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([]() { return !CGCodeProgram::m_bGCodeLoading && CGCodeProgram::m_lstOfGCodeLines.size() == 4; },
                            10000));
    // Check it there: no errors.
    CdlgGCode& gcode = w.m_DlgGCode;
    QTest::mouseClick(gcode.findChild<QPushButton*>(QStringLiteral("Btn_CompileGCode")), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&]() { return LogLines(w).contains(QStringLiteral("G-Code Compilation Completed")); },
                            10000));
    QCOMPARE(gcode.findChild<QLabel*>(QStringLiteral("LBL_GCodeCompileErrorCount"))->text(), QStringLiteral("0"));
    QCOMPARE(gcode.findChild<QListWidget*>(QStringLiteral("LW_GcodeCommands"))->count(), 4);

    QTest::mouseClick(&w.m_BtnStart, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&]() { return LogLines(w).contains(QStringLiteral("G-Code execution finished")); },
                            20000));
    QTest::qWait(100); // a few more ticks of the poll timer
    const QStringList lstLog = LogLines(w);
    QVERIFY2(lstLog.indexOf(QStringLiteral("G-Code execution Started"))
                 > lstLog.indexOf(QStringLiteral("G-Code execution finished")),
             qPrintable(lstLog.join(QLatin1Char('|'))));
    QCOMPARE(w.ui->LE_CurPos->text(), QStringLiteral("5.0000\n3.0000\n2.0000\nNA\nNA"));
    QVERIFY(w.m_BtnStart.isEnabled());
    QVERIFY(!w.m_BtnStart.IsPressed());
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), 0);
    // The G-code window is usable again; its editor shows the line before
    // the last one the controller reported.
    QVERIFY(gcode.findChild<QPushButton*>(QStringLiteral("Btn_OpenGCode"))->isEnabled());
    QCOMPARE(gcode.findChild<QLineEdit*>(QStringLiteral("LE_GCodeCmnds"))->text(), QStringLiteral("[2]G01 Z-1"));

    // A line typed in wrong is found by the check that follows the edit,
    // and Start refuses the program.
    gcode.findChild<QLineEdit*>(QStringLiteral("LE_GCodeCmnds"))->setText(QStringLiteral("G01 Q5"));
    QTest::mouseClick(gcode.findChild<QPushButton*>(QStringLiteral("Btn_InsertNewGCodeLine")), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&]() { return !gcode.IsCheckPending(); }, 20000));
    QCOMPARE(gcode.findChild<QLabel*>(QStringLiteral("LBL_GCodeCompileErrorCount"))->text(), QStringLiteral("1"));
    QTest::mouseClick(&w.m_BtnStart, Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&]() { return LogLines(w).first() == QStringLiteral("Fix Compilation errors"); }, 5000));
    QTest::qWait(200); // Start springs back
    QVERIFY(!w.m_BtnStart.IsPressed());
    QCOMPARE(w.m_AppCtrl.m_iRunMode.load(), 0);

    // Clean shutdown: the window closes and goes with its controller.
    w.close();
    delete pWindow;
    CGCodeProgram::ClearCurGCodeData();
}

int main(int argc, char** argv)
{
    CXvfb xvfb;
    if (xvfb.Display().isEmpty()) {
        std::fprintf(stderr, "Xvfb could not be started (scripts/deps.sh installs it)\n");
        return 1;
    }
    qputenv("DISPLAY", xvfb.Display().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int iResult = 0;
    {
        QApplication app(argc, argv);
        TestMainWindowX11 test;
        iResult = QTest::qExec(&test, argc, argv);
    }
    return iResult;
}

#include "tst_mainwindow_x11.moc"
