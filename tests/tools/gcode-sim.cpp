// gcode-sim PROGRAM [SETTINGS_FILE]
//
// Runs a G-code program through the program's own tokenizer, line
// interpreter and run loop on the simulated machine (simulated pins, virtual
// clock), every axis starting at 0 with no homing. Prints one line per
// straight segment started:
//     G01 10.0000 5.0000 -1.0000 0.0000 0.0000
// (the kind, then the end X Y Z A B in work coordinates, mm), then every
// message the controller queued, oldest first, as "error: ..." or "info: ...".
// The working folder is a temporary one; tool-change files (T*.txt) lying
// next to the program are copied into it. A pause (M0, M1, a tool change) is
// answered as an operator would: Pause, then Start.
#include "control/AppControl.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "gcode/gcodeprogram.h"
#include "hal/clock.h"
#include "hal/pins.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <mutex>

namespace {
std::mutex g_OutMutex;

void PrintLine(const QString& strLine)
{
    std::lock_guard<std::mutex> lock(g_OutMutex);
    std::fputs(strLine.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
}

QString Num(double v)
{
    return QString::number(v, 'f', 4);
}

// Plays the operator while the program runs: presses Pause when the
// controller asks for a tool change or stops at M0/M1, and Start once the
// pause has been held for a moment.
void Operate(AppControl& ctrl, QElapsedTimer& holdTimer, bool& bHoldSeen)
{
    // As the main window does: the hold first, then the request is taken.
    if (ctrl.m_bToolChangeReq) {
        ctrl.m_bHold = true;
        ctrl.m_bToolChangeReq = false;
    }
    ctrl.m_bProgramStopReq = false;
    if (!ctrl.m_bHold) {
        bHoldSeen = false;
        return;
    }
    if (!bHoldSeen) {
        bHoldSeen = true;
        holdTimer.start();
    } else if (holdTimer.elapsed() > 20) {
        ctrl.m_bHold = false;
        bHoldSeen = false;
    }
}
}

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: gcode-sim PROGRAM [SETTINGS_FILE]\n");
        return 2;
    }
    const QString strProgram = QFileInfo(args.at(1)).absoluteFilePath();

    QTemporaryDir tmp;
    if (!tmp.isValid()) {
        std::fprintf(stderr, "gcode-sim: cannot make a temporary folder\n");
        return 1;
    }
    CAppPaths::SetRoot(tmp.path());
    CAppPaths::EnsureWorkingFolder();
    CClock::UseVirtual(true);
    CPins::SetBackend(nullptr);

    if (args.size() == 3) {
        if (!QFile::copy(args.at(2), CAppPaths::ConfigFile()) || AppConfig::LoadConfig(CAppPaths::ConfigFile()) == 0) {
            std::fprintf(stderr, "gcode-sim: cannot load the settings file %s\n", qPrintable(args.at(2)));
            return 1;
        }
    }
    const QDir programDir = QFileInfo(strProgram).absoluteDir();
    for (const QString& strTool : programDir.entryList({"T*.txt", "t*.txt"}, QDir::Files))
        QFile::copy(programDir.filePath(strTool), CAppPaths::InWorkingFolder(strTool));

    std::vector<QString> lines;
    GCodeCmdList program;
    QString strErr;
    if (!CGCodeProgram::ReadProgramFile(strProgram, lines, program, &strErr)) {
        std::fprintf(stderr, "gcode-sim: %s\n", qPrintable(strErr));
        return 1;
    }

    // The simulated machine: no home switches to look for, no homing at start,
    // nothing that powers anything off, every axis at 0.
    AppConfig::m_bAutoHmOnStartup = false;
    AppConfig::m_bShutdownRPI = false;
    AppConfig::m_bEmergencyStopON = false;
    AppConfig::m_bSimulationMode = false;
    for (int i = 0; i < AXIS_COUNT; ++i)
        AppConfig::m_fAxisWorkZero[i] = 0.0;
    AppConfig::m_GCodeRunSettings.m_strGCodeFile = strProgram;
    AppConfig::m_GCodeRunSettings.m_uiStartLine = 0;

    AppControl ctrl;
    ctrl.InitMachine();
    ctrl.m_fnSegmentStarted = [](eGMoveCmnd cmd, const stFloatPoint& to) {
        PrintLine(QString(cmd == CMND_G00 ? "G00" : "G01") + ' ' + Num(to.x) + ' ' + Num(to.y) + ' ' + Num(to.z)
                  + ' ' + Num(to.a) + ' ' + Num(to.b));
    };
    ctrl.StartGCode(&program);

    QElapsedTimer timer;
    timer.start();
    QElapsedTimer holdTimer;
    bool bHoldSeen = false;
    bool bTimedOut = false;
    while (!ctrl.m_bOperationFinished && (ctrl.isRunning() || ctrl.m_iRunMode != AppControl::RUN_IDLE)) {
        app.processEvents();
        Operate(ctrl, holdTimer, bHoldSeen);
        if (!ctrl.isRunning() && ctrl.m_iRunMode == AppControl::RUN_IDLE)
            break;
        if (timer.elapsed() > 600000) {
            bTimedOut = true;
            AppConfig::m_bEmergencyStopON = true;
            ctrl.StopAll();
            break;
        }
        QThread::msleep(1);
    }
    ctrl.wait();
    app.processEvents();

    QString strMsg;
    eAppMsgType eType;
    while (ctrl.GetNextMsg(strMsg, eType))
        PrintLine((eType == MSG_ERROR ? QStringLiteral("error: ") : QStringLiteral("info: ")) + strMsg);
    std::fflush(stdout);
    CAppPaths::SetRoot(QString());
    if (bTimedOut) {
        std::fprintf(stderr, "gcode-sim: the program did not end within 10 minutes\n");
        return 3;
    }
    return 0;
}
