// Start-up time of the operator's main window against a bare Qt window of
// the same size on the same X server. Each round starts two fresh
// processes, one after the other: bare_window (a QMainWindow of 1250 x 840,
// linked to Qt alone) and this program in its "--main" role, which starts
// the program as main() does (pin backend, prompter, MainWindow, show, event
// loop) on a working folder of its own. Each child prints "shown" once its
// window has been exposed and painted; the time is taken here, from the
// process start to that line, so it holds loading the libraries too.
//
//   Xvfb :57 -screen 0 1280x900x24 &
//   DISPLAY=:57 build-test/bench/bench_startup [--rounds N]
//
// Prints every round, then the median, minimum and maximum of each kind and
// the ratio of the medians. The first round of each (which fills the disk
// cache and writes the default settings file) is not counted.
#include "app/fontconfigwarmup.h"
#include "app/mainwindow.h"
#include "core/AppPaths.h"
#include "core/AppRunner.h"
#include "core/Prompter.h"
#include "hal/pinstartup.h"
#include "widgets/qtprompter.h"
#include "shownprobe.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
// The program's start-up, as main() runs it, on the working folder below root.
int RunMainWindow(int argc, char* argv[], const QString& strRoot)
{
    CFontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    fontConfig.Wait();
    CAppPaths::SetRoot(strRoot);
    CPinStartup::Select();
    CQtPrompter prompter;
    CPrompter::SetInstance(&prompter);
    CShownProbe probe;
    app.installEventFilter(&probe);
    MainWindow w;
    return CAppRunner::Run(w);
}

// Milliseconds from starting the program to its "shown" line, or -1.
double TimeToShown(const QString& strProgram, const QStringList& lstArgs)
{
    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    proc.setProcessEnvironment(env);
    proc.setProcessChannelMode(QProcess::SeparateChannels);
    proc.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    proc.start(strProgram, lstArgs);
    double fMs = -1.0;
    while (proc.waitForReadyRead(20000)) {
        if (proc.readAll().contains("shown")) {
            fMs = double(timer.nsecsElapsed()) / 1e6;
            break;
        }
    }
    if (!proc.waitForFinished(10000)) {
        proc.kill();
        proc.waitForFinished();
    }
    return fMs;
}

struct stFigures
{
    double m_fMedian, m_fMin, m_fMax;
};

stFigures Figures(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
    return {median, v.front(), v.back()};
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 3 && QByteArray(argv[1]) == "--main")
        return RunMainWindow(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    int nRounds = 10;
    const QStringList args = app.arguments();
    const int iRounds = args.indexOf(QStringLiteral("--rounds"));
    if (iRounds > 0 && iRounds + 1 < args.size())
        nRounds = std::max(1, args[iRounds + 1].toInt());
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "DISPLAY is not set: start Xvfb and set DISPLAY (see the top of bench_startup.cpp)\n");
        return 2;
    }
    const QString strBare = QFileInfo(app.applicationFilePath()).absolutePath() + QStringLiteral("/bare_window");
    QTemporaryDir root;
    const QString strSelf = app.applicationFilePath();
    const QStringList mainArgs{QStringLiteral("--main"), root.path()};

    std::vector<double> bare, main;
    for (int i = 0; i <= nRounds; ++i) {
        const double fBare = TimeToShown(strBare, {});
        const double fMain = TimeToShown(strSelf, mainArgs);
        if (fBare < 0 || fMain < 0) {
            std::fprintf(stderr, "a window was not shown (bare %.0f ms, main %.0f ms)\n", fBare, fMain);
            return 1;
        }
        std::printf("round %2d: bare window %7.1f ms   main window %7.1f ms%s\n", i, fBare, fMain,
                    i == 0 ? "   (warm-up, not counted)" : "");
        if (i > 0) {
            bare.push_back(fBare);
            main.push_back(fMain);
        }
    }
    const stFigures b = Figures(bare), m = Figures(main);
    std::printf("bare window: median %.1f ms (%.1f to %.1f)\n", b.m_fMedian, b.m_fMin, b.m_fMax);
    std::printf("main window: median %.1f ms (%.1f to %.1f)\n", m.m_fMedian, m.m_fMin, m.m_fMax);
    std::printf("ratio of the medians: %.2f\n", m.m_fMedian / b.m_fMedian);
    return 0;
}
