// How the operator's window answers while the two long jobs it hands to
// workers run: writing a picture's relief-carving G-code file, and the check
// of a long program after each edit in the G-code window. The real main
// window runs (offscreen unless QT_QPA_PLATFORM says otherwise) on a working
// folder of its own; buttons are clicked as the operator would.
//
// A 5 ms timer on the GUI thread notes the longest gap between two of its
// ticks while a job runs: the longest time the window did not answer
// (including the click that started the job). For comparison, the same work
// done on the GUI thread (as before) is timed too: that is how long the
// window used to freeze.
//
//   bench_window_answers [--picture WIDTH HEIGHT] [--layers N] [--lines N] [--no-gui-thread]
//   (default: a 1000 x 2500 picture at one-pixel steps, 12 layers; a
//   200,000-line program)
#include "app/mainwindow.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/Prompter.h"
#include "designers/dlgimagecarving.h"
#include "gcode/gcodechecker.h"
#include "gcodewindows/dlggcode.h"
#include "hal/clock.h"
#include "hal/pinstartup.h"
#include "shapes/carvingpitch.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {
double Ms(qint64 ns)
{
    return double(ns) / 1e6;
}

// The longest gap between two ticks of a 5 ms timer on the GUI thread.
class CAnswerProbe : public QObject
{
public:
    CAnswerProbe()
    {
        connect(&m_Timer, &QTimer::timeout, this, [this]() {
            const qint64 now = CClock::NowNs();
            m_iMaxGapNs = std::max(m_iMaxGapNs, now - m_iLastNs);
            m_iLastNs = now;
        });
    }
    void Start()
    {
        m_iMaxGapNs = 0;
        m_iLastNs = CClock::NowNs();
        m_Timer.start(5);
    }
    // Runs the event loop until done() holds; the longest gap in ms.
    double RunUntil(const std::function<bool()>& done)
    {
        while (!done())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        m_Timer.stop();
        const qint64 now = CClock::NowNs();
        return Ms(std::max(m_iMaxGapNs, now - m_iLastNs));
    }

private:
    QTimer m_Timer;
    qint64 m_iLastNs = 0;
    qint64 m_iMaxGapNs = 0;
};

// Answers the save dialog with a fixed path and every question with Yes.
class CBenchPrompter : public CPrompter
{
public:
    QString m_strSavePath;
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&) override { return m_strSavePath; }
    QMessageBox::StandardButton Question(QWidget*, QMessageBox::Icon, const QString&, const QString&, QMessageBox::StandardButtons,
                                         QMessageBox::StandardButton) override
    {
        return QMessageBox::Yes;
    }
};

// A picture with detail everywhere: rings and a ramp.
QImage Picture(int iWidth, int iHeight)
{
    QImage img(iWidth, iHeight, QImage::Format_Grayscale8);
    for (int y = 0; y < iHeight; ++y) {
        uchar* line = img.scanLine(y);
        for (int x = 0; x < iWidth; ++x)
            line[x] = uchar(int(127.0 + 60.0 * std::sin((x * x + y * y) * 1e-4) + 60.0 * x / iWidth) & 0xFF);
    }
    return img;
}

qint64 CountLines(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    qint64 n = 0;
    while (!file.atEnd()) {
        const QByteArray chunk = file.read(1 << 20);
        n += chunk.count('\n');
    }
    return n;
}

void CarvingFile(MainWindow& w, CBenchPrompter& prompter, const QString& strFolder, QSize size, int iLayers,
                 bool bGuiThread)
{
    CDlgImageCarving* pCarving = w.m_DlgImageCarving.get();
    auto* pGenerate = pCarving->findChild<QPushButton*>(QStringLiteral("Btn_GenerateGCode"));
    auto* pCancel = pCarving->findChild<QPushButton*>(QStringLiteral("Btn_CancelGCode"));
    auto* pBar = pCarving->findChild<QProgressBar*>(QStringLiteral("PB_GCodeProgress"));
    AppControl& ctrl = w.GetAppCtrl();
    ctrl.m_ImgCarvingData.SetImage(Picture(size.width(), size.height()));
    stImgCarvingInfo& info = *ctrl.m_ImgCarvingData.m_pInfo;
    const CCarvingPitch::stLayout layout =
        CCarvingPitch::FromLength(200.0, size, AppConfig::m_fAxisMovPerPulse[X_AXIS]);
    info.m_fLength = layout.m_fLength;
    info.m_fWidth = layout.m_fWidth;
    info.m_fXStep = info.m_fYStep = layout.m_fPitch; // one pixel
    info.m_fDepth = double(iLayers);
    info.m_fZStep = 1.0;
    AppConfig::m_bMultipassImgCarving = true;
    const QString strPath = strFolder + QStringLiteral("/relief.txt");
    prompter.m_strSavePath = strPath;
    std::printf("Relief-carving G-code file: %d x %d picture, one-pixel steps (%.4f mm), %d layers\n", size.width(),
                size.height(), layout.m_fPitch, iLayers);

    CStopWatch watch;
    if (bGuiThread) {
        watch.start();
        ctrl.CreateGCodeFromImage(strPath);
        std::printf("  on the GUI thread (as before): the window froze %.1f s\n", watch.nsecsElapsed() / 1e9);
    }

    CAnswerProbe probe;
    int nBarUpdates = 0;
    QObject::connect(pBar, &QProgressBar::valueChanged, pBar, [&]() { ++nBarUpdates; });
    probe.Start();
    watch.start();
    pGenerate->click();
    const double fClickMs = Ms(watch.nsecsElapsed());
    const double fGap = probe.RunUntil([&]() { return !pCarving->IsWritingGCode(); });
    const qint64 iWriteNs = watch.nsecsElapsed();
    std::printf("  on the worker: written in %.1f s, %lld lines, %d bar updates (%d / %d rows)\n",
                iWriteNs / 1e9, CountLines(strPath), nBarUpdates, pBar->value(), pBar->maximum());
    std::printf("    click %.1f ms, longest time the window did not answer %.1f ms\n", fClickMs, fGap);

    // Cancelled half way: the file written above stays as it was.
    const QFileInfo before(strPath);
    const qint64 iSize = before.size();
    const QDateTime modified = before.lastModified();
    probe.Start();
    pGenerate->click();
    watch.start();
    // A third of the way through the whole write.
    const qint64 iCancelNs = iWriteNs / 3;
    probe.RunUntil([&]() { return watch.nsecsElapsed() > iCancelNs || !pCarving->IsWritingGCode(); });
    probe.Start();
    watch.start();
    pCancel->click();
    const double fCancelGap = probe.RunUntil([&]() { return !pCarving->IsWritingGCode(); });
    const QFileInfo after(strPath);
    std::printf("  cancelled after %.0f ms at %d / %d rows: stopped %.1f ms after Cancel, longest gap %.1f ms, "
                "old file %s\n",
                Ms(iCancelNs), pBar->value(), pBar->maximum(), Ms(watch.nsecsElapsed()), fCancelGap,
                after.size() == iSize && after.lastModified() == modified ? "untouched" : "CHANGED");
    QFile::remove(strPath);
}

bool WriteProgram(const QString& strPath, int nLines)
{
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream out(&file);
    out << "G21 G90\n";
    for (int i = 1; i < nLines - 1; ++i)
        out << (i % 2 ? "G1 X" : "G0 Y") << QString::number(i * 0.01, 'f', 4) << " Z-1.0000 F1200\n";
    out << "M30\n";
    return out.status() == QTextStream::Ok;
}

void ProgramEdits(MainWindow& w, const QString& strFolder, int nLines)
{
    auto* pGCode = w.findChild<CdlgGCode*>();
    auto* pList = pGCode->findChild<QListWidget*>(QStringLiteral("LW_GcodeCommands"));
    auto* pEdit = pGCode->findChild<QLineEdit*>(QStringLiteral("LE_GCodeCmnds"));
    auto* pInsert = pGCode->findChild<QPushButton*>(QStringLiteral("Btn_InsertNewGCodeLine"));
    auto* pDelete = pGCode->findChild<QPushButton*>(QStringLiteral("Btn_DeleteGCodeLine"));
    const QString strPath = strFolder + QStringLiteral("/long.ncc");
    if (!WriteProgram(strPath, nLines)) {
        std::printf("cannot write %s\n", qPrintable(strPath));
        return;
    }
    pGCode->ClearCurGCodeData();
    CdlgGCode::LoadGCode(strPath, pGCode);
    QCoreApplication::processEvents();
    std::printf("Edits of a %zu-line program in the G-code window\n", CdlgGCode::m_lstOfGCodeLines.size());

    CStopWatch watch;
    watch.start();
    CdlgGCode::m_CompilationErrors.clear();
    CGCodeChecker::CompileGCode(nullptr);
    std::printf("  whole check on the GUI thread (each edit, before): %.1f ms\n", Ms(watch.nsecsElapsed()));
    // As after an Open: the window's whole check, on its task.
    pGCode->findChild<QPushButton*>(QStringLiteral("Btn_CompileGCode"))->click();
    while (CdlgGCode::m_bGCodeCompiling)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();

    CAnswerProbe probe;
    double fMaxClick = 0, fMaxGap = 0, fSumAnswer = 0;
    const int nEdits = 20;
    for (int i = 0; i < nEdits; ++i) {
        pList->setCurrentRow(3 + i % 5);
        pEdit->setText(QStringLiteral("G1 X1.0000 Y2.0000"));
        QPushButton* pBtn = i % 2 ? pDelete : pInsert;
        probe.Start();
        watch.start();
        pBtn->click();
        fMaxClick = std::max(fMaxClick, Ms(watch.nsecsElapsed()));
        fMaxGap = std::max(fMaxGap, probe.RunUntil([&]() { return !pGCode->IsCheckPending(); }));
        fSumAnswer += Ms(watch.nsecsElapsed());
    }
    std::printf("  %d edits, one at a time: longest click %.1f ms, answer after %.1f ms on average, longest time "
                "the window did not answer %.1f ms\n",
                nEdits, fMaxClick, fSumAnswer / nEdits, fMaxGap);

    // Ten inserts as fast as they can be clicked: the checks fold into few.
    probe.Start();
    watch.start();
    for (int i = 0; i < 10; ++i) {
        pList->setCurrentRow(4);
        pEdit->setText(QStringLiteral("G1 X3.0000"));
        pInsert->click();
        QCoreApplication::processEvents();
    }
    const double fBurstClicks = Ms(watch.nsecsElapsed());
    const double fBurstGap = probe.RunUntil([&]() { return !pGCode->IsCheckPending(); });
    std::printf("  10 inserts back to back: clicked in %.1f ms, answered %.1f ms after the first, longest gap "
                "%.1f ms, %zu errors\n",
                fBurstClicks, Ms(watch.nsecsElapsed()), fBurstGap, CdlgGCode::m_CompilationErrors.size());
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QSize picture(1000, 2500);
    int iLayers = 12;
    int nLines = 200000;
    bool bGuiThread = true;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--picture") && i + 2 < args.size()) {
            picture = QSize(args[i + 1].toInt(), args[i + 2].toInt());
            i += 2;
        } else if (args[i] == QLatin1String("--layers") && i + 1 < args.size()) {
            iLayers = std::max(1, args[++i].toInt());
        } else if (args[i] == QLatin1String("--lines") && i + 1 < args.size()) {
            nLines = std::max(3, args[++i].toInt());
        } else if (args[i] == QLatin1String("--no-gui-thread")) {
            bGuiThread = false;
        }
    }
    QTemporaryDir root;
    CAppPaths::SetRoot(root.path());
    CPinStartup::Select();
    CBenchPrompter prompter;
    CPrompter::SetInstance(&prompter);
    MainWindow w;
    w.show();
    QCoreApplication::processEvents();
    CarvingFile(w, prompter, root.path(), picture, iLayers, bGuiThread);
    ProgramEdits(w, root.path(), nLines);
    CPrompter::SetInstance(nullptr);
    return 0;
}
