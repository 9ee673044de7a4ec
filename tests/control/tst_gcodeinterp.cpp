// The G-code line interpreter and run loop on the simulated machine: word
// order, modal motion, labels, unsupported words, program ends, M-code
// outputs and their timing, sub-programs, M66 waits, the program stop,
// tool changes, simulation mode, the F conversion and the status file.
#include <QtTest>

#include <memory>

#include "control/AppControl.h"
#include "control/zprofile.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "gcode/gcodechecker.h"
#include "gcode/gcodeexecstatus.h"
#include "gcode/gcodeprogram.h"
#include "hal/clock.h"
#include "hal/simpinbank.h"
#include "machine/allaxisctrl.h"
#include "freememoryfigure.h"
#include "poolgate.h"
#include "simcontroller.h"

#include <QtConcurrent/QtConcurrentRun>
#include <thread>

namespace {
constexpr int PIN_M3 = 8;
constexpr int PIN_M4 = 9;
constexpr int PIN_M80 = 26;
constexpr int PIN_M200 = 5;
constexpr int PIN_INPUT1 = 19;

// Runs a program on a fresh controller and records what it did.
struct stRun
{
    QStringList segments; // "G00 X Y Z" in work coordinates, 4 decimals
    QStringList messages; // "error: ..." / "info: ..."
    bool finished = false;
};

class CProgramRunner
{
public:
    explicit CProgramRunner(const QStringList& lines)
    {
        for (const QString& line : lines)
            m_Program.push_back(CGCodeProgram::Parse_GCode_Line(line));
        m_Ctrl.SetWindows(&m_Windows);
        m_Ctrl.InitMachine();
        m_Ctrl.m_fnSegmentStarted = [this](eGMoveCmnd cmd, const stFloatPoint& to) {
            QMutexLocker lock(&m_Mutex);
            m_lstSegments << QStringLiteral("%1 %2 %3 %4")
                                 .arg(cmd == CMND_G00 ? "G00" : "G01")
                                 .arg(to.x, 0, 'f', 4)
                                 .arg(to.y, 0, 'f', 4)
                                 .arg(to.z, 0, 'f', 4);
        };
    }

    void Start() { m_Ctrl.StartGCode(&m_Program); }

    stRun Finish()
    {
        stRun run;
        run.finished = FinishOperation(m_Ctrl);
        run.messages = TakeMessages(m_Ctrl);
        run.segments = Segments();
        return run;
    }

    stRun Run()
    {
        Start();
        return Finish();
    }

    QStringList Segments()
    {
        QMutexLocker lock(&m_Mutex);
        return m_lstSegments;
    }

    AppControl m_Ctrl;
    GCodeCmdList m_Program;

private:
    CRecordingWindows m_Windows;
    QMutex m_Mutex;
    QStringList m_lstSegments;
};

stRun RunProgram(const QStringList& lines)
{
    CProgramRunner runner(lines);
    return runner.Run();
}

// Waits (real time) until `cond` holds.
template <typename F>
bool WaitFor(F cond, int iTimeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!cond()) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QCoreApplication::processEvents();
        QThread::msleep(1);
    }
    return true;
}

// Time stamps of the writes of `level` to `pin`.
QList<qint64> WriteTimes(int pin, int level)
{
    QList<qint64> times;
    for (const stPinWrite& w : CSimPinBank::Instance().WriteLog(pin))
        if (w.level == level)
            times << w.tNs;
    return times;
}
}

class TestGCodeInterp : public QObject
{
    Q_OBJECT

private slots:
    void init() { m_pSetup = std::make_unique<CSimControllerSetup>(); }
    void cleanup() { m_pSetup.reset(); }

    void wordsAndModalMotion_data()
    {
        QTest::addColumn<QStringList>("program");
        QTest::addColumn<QStringList>("segments");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("label alone does nothing, label then move moves")
            << QStringList{"N10", "N20 G00 X5"} << QStringList{"G00 5.0000 0.0000 0.0000"} << QStringList{};
        QTest::newRow("axis words continue the modal G0 with G0 moves")
            << QStringList{"G0 X1", "X10 Y5"} << QStringList{"G00 1.0000 0.0000 0.0000", "G00 10.0000 5.0000 0.0000"}
            << QStringList{};
        // A word after the move that the move does not read would never run:
        // the line is refused before anything on it runs.
        const QString notRun = "error: Error:1 - Command/Format No Supported";
        for (const char* line : {"G01 X10 P100", "G0 X1 M30", "G1 X10 M5", "G0 X1 G91", "G0 X1 G20", "G0 X1 M0",
                                 "X1 G1", "G2 X2 Y0 I1 J0 M5", "G0 X1e400", "G0 X1 T3", "(lift) G0 Z5",
                                 "M5 (off) M9"})
            QTest::newRow(qPrintable(QString("word after the move: ") + line))
                << QStringList{"G0 X5", line, "G0 X2"} << QStringList{"G00 5.0000 0.0000 0.0000"}
                << QStringList{notRun};
        QTest::newRow("a comment behind a call or a wait is none of its arguments")
            << QStringList{"M66 Q10 (settle)", "M98 P7 (lift)", "G0 X2", "M30", "O7", "G0 Z3", "M99"}
            << QStringList{"G00 0.0000 0.0000 3.0000", "G00 2.0000 0.0000 3.0000"} << QStringList{};
        QTest::newRow("words the move reads, and a comment, run with it")
            << QStringList{"G1 X1 Y2 F300 S1000 (M30 X5)", "X3 Z-1 F100", "M5 G0 X2"}
            << QStringList{"G01 1.0000 2.0000 0.0000", "G01 3.0000 2.0000 -1.0000", "G00 2.0000 2.0000 -1.0000"}
            << QStringList{};
        // A value must be a number read whole, never something else.
        for (const QString& line : {QString("G0 X."), QString("G0 X-"), QString("G0 X--5"), QString("G0 X1.2.3"),
                                    QString("G0 Xinf"), "G0 X" + QString(400, '1'), QString("G0 Y F100"),
                                    QString("M1.5"), QString("G0 X1 S1.5"), QString("N1.5 G0 X1")})
            QTest::newRow(qPrintable("not a number: " + line.left(20)))
                << QStringList{"G0 X5", line, "G0 X2"} << QStringList{"G00 5.0000 0.0000 0.0000"}
                << QStringList{notRun};
        QTest::newRow("a value far below a unit reads as 0")
            << QStringList{"G0 X5", "G0 X0." + QString(400, '0') + "1"}
            << QStringList{"G00 5.0000 0.0000 0.0000", "G00 0.0000 0.0000 0.0000"} << QStringList{};
        QTest::newRow("incremental and back to absolute")
            << QStringList{"G91", "G0 X2", "X3", "G90 G0 Y1"}
            << QStringList{"G00 2.0000 0.0000 0.0000", "G00 5.0000 0.0000 0.0000", "G00 5.0000 1.0000 0.0000"}
            << QStringList{};
        QTest::newRow("inch units") << QStringList{"G20 G0 X1", "G21 G0 Y1"}
                                    << QStringList{"G00 25.4000 0.0000 0.0000", "G00 25.4000 1.0000 0.0000"}
                                    << QStringList{};
        QTest::newRow("comment passes over the rest of the line")
            << QStringList{"G0 X1", "(G0 X9)", "; X8"} << QStringList{"G00 1.0000 0.0000 0.0000"} << QStringList{};
        QTest::newRow("unsupported word ends the run with the line index")
            << QStringList{"G0 X1", "P100", "G0 X2"} << QStringList{"G00 1.0000 0.0000 0.0000"}
            << QStringList{"error: Error:1 - Command/Format No Supported"};
        QTest::newRow("a G number with a decimal part is refused, not run as G91")
            << QStringList{"G91.1", "G0 X2"} << QStringList{}
            << QStringList{"error: Error:0 - Command/Format No Supported"};
        QTest::newRow("M30 ends the program")
            << QStringList{"G0 X1", "M30", "G0 X2"} << QStringList{"G00 1.0000 0.0000 0.0000"} << QStringList{};
        QTest::newRow("G28 returns to work zero and ends the program")
            << QStringList{"G0 X1", "G28", "G0 X2"} << QStringList{"G00 1.0000 0.0000 0.0000"} << QStringList{};
        QTest::newRow("sub-program body runs three times, then the line after the call")
            << QStringList{"G0 X0", "M98 P20 L3", "G0 Y7", "M30", "N20 G91", "G0 X1", "G90", "M99"}
            << QStringList{"G00 1.0000 0.0000 0.0000", "G00 2.0000 0.0000 0.0000", "G00 3.0000 0.0000 0.0000",
                           "G00 3.0000 7.0000 0.0000"}
            << QStringList{};
        QTest::newRow("a label before the call is not found")
            << QStringList{"N20 G0 X1", "M98 P20", "M30"} << QStringList{"G00 1.0000 0.0000 0.0000"}
            << QStringList{"error: No line starting with P20 is found"};
        QTest::newRow("a program number is a label the call finds")
            << QStringList{"G0 X0", "M98 O100 L2", "M30", "O100", "G91 G0 X1", "G90", "M99"}
            << QStringList{"G00 1.0000 0.0000 0.0000", "G00 2.0000 0.0000 0.0000"} << QStringList{};
        QTest::newRow("a repeat count beyond 32 bits is refused")
            << QStringList{"G0 X1", "M98 P20 L4294967296", "M30", "N20 G0 X2", "M99"}
            << QStringList{"G00 1.0000 0.0000 0.0000"} << QStringList{notRun};
        QTest::newRow("seventh nested call") << QStringList{"N1 M98 P1"} << QStringList{}
                                             << QStringList{"error: Maximum 6 Subprogram nesting is allowed"};
        QTest::newRow("return without a call")
            << QStringList{"M99"} << QStringList{} << QStringList{"error: No line Number defined (M97) to return"};
        QTest::newRow("a target beyond the length range is refused, not clamped")
            << QStringList{"G0 X1", "G91 G0 X300000", "G0 X2"} << QStringList{"G00 1.0000 0.0000 0.0000"}
            << QStringList{"error: X Axis Absolute Position value must be between -214748.3647 and 214748.3647"};
        QTest::newRow("an arc beyond the length range is refused")
            << QStringList{"G0 X1", "G2 X1 Y0 I300000 J0"} << QStringList{"G00 1.0000 0.0000 0.0000"}
            << QStringList{"error: Error: Arc beyond the length range of +-214748.3647 mm, line 1"};
        QTest::newRow("an I/J line needs an arc mode")
            << QStringList{"G0 X1", "I5 J0"} << QStringList{"G00 1.0000 0.0000 0.0000"}
            << QStringList{"error: Error:1 - Command/Format No Supported"};
    }
    void wordsAndModalMotion()
    {
        QFETCH(QStringList, program);
        QFETCH(QStringList, segments);
        QFETCH(QStringList, messages);
        const stRun run = RunProgram(program);
        QVERIFY(run.finished);
        QCOMPARE(run.segments, segments);
        QCOMPARE(run.messages, messages);
    }

    void lineSignals()
    {
        // A run announces every line before it runs; one-line execution runs
        // just its line (no move to work zero first) and afterwards announces
        // the line after it, so that the window, which shows the line before
        // the one announced, shows the line that was run.
        CProgramRunner runner({"G0 X1", "M98 P3", "M30", "N3 G0 Y1", "M99"});
        QSignalSpy lines(&runner.m_Ctrl, &AppControl::SelNxtGCodeLine);
        runner.Run();
        QList<uint> order;
        for (const QList<QVariant>& args : lines)
            order << args.at(0).toUInt();
        QCOMPARE(order, (QList<uint>{0, 1, 3, 4, 2}));

        lines.clear();
        runner.m_Ctrl.StartExecGCodeLine(&runner.m_Program, 3);
        const stRun one = runner.Finish();
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.at(0).at(0).toUInt(), 4u);
        QCOMPARE(one.segments.last(), QString("G00 1.0000 1.0000 0.0000"));

        // A lone label is done at once and shows nothing.
        CProgramRunner label({"N10"});
        QSignalSpy labelLines(&label.m_Ctrl, &AppControl::SelNxtGCodeLine);
        label.m_Ctrl.StartExecGCodeLine(&label.m_Program, 0);
        label.Finish();
        QCOMPARE(labelLines.size(), 0);
    }

    void g28WithIntermediatePointKeepsIncrementalMode()
    {
        const stRun run = RunProgram({"G0 X4", "G28 G91 X1 Y0", "G0 X9"});
        QVERIFY(run.finished);
        QCOMPARE(run.segments, (QStringList{"G00 4.0000 0.0000 0.0000", "G01 5.0000 0.0000 0.0000"}));
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_iDistMode, 1);
    }

    void g28WithAbsoluteIntermediatePointKeepsAbsoluteMode()
    {
        // Only a G91 word switches to incremental moves; the next run starts absolute.
        const stRun run = RunProgram({"G90", "G0 X4", "G28 X1 Y2", "G0 X9"});
        QVERIFY(run.finished);
        QCOMPARE(run.segments, (QStringList{"G00 4.0000 0.0000 0.0000", "G01 1.0000 2.0000 0.0000"}));
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_iDistMode, 0);
    }

    void coordinatesFollowTheStoredUnit()
    {
        // A program without G20/G21 after a saved G20: coordinates in inches,
        // as its feeds are.
        AppConfig::m_eSelUnits = UNITS_INCH;
        AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed = true;
        const stRun run = RunProgram({"G0 X1", "F10"});
        QCOMPARE(run.segments, QStringList{"G00 25.4000 0.0000 0.0000"});
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_fFeed, 10 * 25.4 * 0.0166667);
    }

    void modalFeedMovesFollowTheZProfile()
    {
        // Surface z = 0.01 x, probed every 10 mm: the X10 line repeats no G1
        // and still ends on the surface.
        ZProfileGrid grid = CZProfile::ProbeTargets(20, 20, 10);
        for (auto& row : grid) {
            for (auto& p : row)
                p.z = 0.01 * p.x;
        }
        AppConfig::m_ZProfileInfo.m_lstGrid = grid;
        AppConfig::m_ZProfileInfo.m_fXYStep = 10;
        AppConfig::m_bUseZProfile = true;
        const stRun run = RunProgram({"G1 X0 Y0", "X10"});
        AppConfig::m_bUseZProfile = false;
        QCOMPARE(run.messages, QStringList{});
        QCOMPARE(run.segments.last(), QString("G01 10.0000 0.0000 0.1000"));
    }

    void arcsAreModal()
    {
        // After a G2 line, a line of axis and centre words (or of centre words
        // alone) is an arc too.
        const stRun run = RunProgram({"G2 X10 Y0 I5 J0", "X20 Y0 I5 J0", "G3 X30 Y0 I5 J0", "I-5 J0"});
        QCOMPARE(run.messages, QStringList{});
        QVERIFY(run.segments.size() > 40);
        QVERIFY(run.segments.contains("G01 15.0000 5.0000 0.0000"));  // clockwise: over the top
        QVERIFY(run.segments.contains("G01 25.0000 -5.0000 0.0000")); // counter-clockwise: underneath
        QVERIFY(run.segments.contains("G01 20.0000 0.0000 0.0000"));
        // The I/J line keeps G3 and cuts the full circle back to where it stands.
        QVERIFY(run.segments.contains("G01 25.0000 5.0000 0.0000"));
        QCOMPARE(run.segments.last(), QString("G01 30.0000 0.0000 0.0000"));
    }

    // What the lines after an arc do, and that the checker passes exactly
    // the programs that run: a line of axis words alone is a straight move at
    // the last G0 / G1 (a shape file steps down with a bare Z after each
    // circle); only centre or radius words make it another arc.
    void linesAfterAnArc_data()
    {
        QTest::addColumn<QStringList>("program");
        QTest::addColumn<QStringList>("path"); // segments in this order, the run's last one last
        QTest::addColumn<QString>("error");    // the run's error, or empty
        const QString circle = "G3 X20 Y10 I-5 J0"; // a full circle at (15, 10) from (20, 10)
        QTest::newRow("bare Z after a circle: next depth at G1")
            << QStringList{"G0 X20 Y10", "G1 Z0", circle, "Z-2", circle, "G0 Z5"}
            << QStringList{"G01 15.0000 5.0000 0.0000", "G01 20.0000 10.0000 0.0000", "G01 20.0000 10.0000 -2.0000",
                           "G01 15.0000 5.0000 -2.0000", "G01 20.0000 10.0000 -2.0000", "G00 20.0000 10.0000 5.0000"}
            << QString();
        QTest::newRow("axis line after an arc in G0 mode: a rapid")
            << QStringList{"G0 X20 Y10", "G2 X10 Y10 I-5 J0", "X3 Y4"}
            << QStringList{"G01 10.0000 10.0000 0.0000", "G00 3.0000 4.0000 0.0000"} << QString();
        QTest::newRow("axis line with a radius: the arc again")
            << QStringList{"G1 X20 Y10", "G2 X10 Y10 I-5 J0", "X20 Y10 R5"}
            << QStringList{"G01 15.0000 5.0000 0.0000", "G01 10.0000 10.0000 0.0000", "G01 15.0000 15.0000 0.0000",
                           "G01 20.0000 10.0000 0.0000"}
            << QString();
        QTest::newRow("G1 ends the arc: an I/J line is refused")
            << QStringList{"G1 X20 Y10", circle, "G1 X25", "I-5 J0"} << QStringList{"G01 25.0000 10.0000 0.0000"}
            << QString("error: Error:3 - Command/Format No Supported");
        QTest::newRow("G1 ends the arc: centre words on an axis line are refused")
            << QStringList{"G1 X20 Y10", circle, "G1 X25", "X20 I-5 J0"}
            << QStringList{"G01 25.0000 10.0000 0.0000"} << QString("error: Error:3 - Command/Format No Supported");
    }
    void linesAfterAnArc()
    {
        QFETCH(QStringList, program);
        QFETCH(QStringList, path);
        QFETCH(QString, error);
        GCodeCmdList cmds;
        for (const QString& line : program)
            cmds.push_back(CGCodeProgram::Parse_GCode_Line(line));
        GCodeErrorMap errors;
        CGCodeChecker::Check(cmds, errors, stGCodeCheckMachine{});
        QCOMPARE(errors.empty(), error.isEmpty());

        const stRun run = RunProgram(program);
        QCOMPARE(run.messages, error.isEmpty() ? QStringList{} : QStringList{error});
        qsizetype from = 0;
        for (const QString& segment : path) {
            from = run.segments.indexOf(segment, from);
            QVERIFY2(from >= 0, qPrintable(segment + " missing or out of order in:\n" + run.segments.join('\n')));
            ++from;
        }
        QCOMPARE(run.segments.last(), path.last());
    }

    // The half circles of an adaptive pocket (0.339 mm, their ends on the
    // circle's extremes) run to their ends; an arc refused says its line.
    void pocketHalfCirclesRunAndARefusedArcNamesItsLine()
    {
        const stRun run = RunProgram({"G21 G90", "G0 X0.339 Y0.001", "G3 X-0.339 I-0.339", "G2 X0.339 I0.339",
                                      "G2 X10.5 Y0 I5 J0", "G0 X3"});
        QCOMPARE(run.messages, QStringList{"error: End Point X:10.5000 is outside the circle by 0.1610mm, line 4"});
        const int iLeft = int(run.segments.indexOf("G01 -0.3390 0.0010 0.0000"));
        QVERIFY(iLeft > 0);
        // G3 from the right and G2 back from the left both go over the centre.
        auto Y = [&run](int k) { return run.segments[k].split(' ')[2].toDouble(); };
        for (int k = 1; k + 1 < run.segments.size(); ++k)
            QVERIFY(k == iLeft || Y(k) > 0.001);
        QCOMPARE(run.segments.last(), QString("G01 0.3390 0.0010 0.0000"));
    }

    void wordsRunInLineOrder()
    {
        // The M05 behind a motion word is never run; in front of it, it is.
        stRun run = RunProgram({"M03", "G01 X10 M05"});
        QVERIFY(AppConfig::m_bSpindleOn);
        QCOMPARE(CSimPinBank::Instance().Level(PIN_M3), 1);
        run = RunProgram({"M03", "M05 G01 X10"});
        QVERIFY(!AppConfig::m_bSpindleOn);
        QCOMPARE(CSimPinBank::Instance().Level(PIN_M3), 0);
        QCOMPARE(run.segments, QStringList{"G01 10.0000 0.0000 0.0000"});
    }

    void spindleOutputsAndDelays()
    {
        RunProgram({"M3", "M4"});
        const QList<qint64> m3Low = WriteTimes(PIN_M3, 0);
        const QList<qint64> m4High = WriteTimes(PIN_M4, 1);
        QVERIFY(!m3Low.isEmpty());
        QCOMPARE(m4High.size(), 1);
        // M4: the M3 output goes low, 2 s pass, the M4 output goes high.
        QVERIFY(m4High.last() - m3Low.last() >= 2000000000LL);
        QCOMPARE(CSimPinBank::Instance().Level(PIN_M4), 1);
        QCOMPARE(CSimPinBank::Instance().Level(PIN_M3), 0);
        QVERIFY(AppConfig::m_bSpindleDirInGcode);
        QVERIFY(AppConfig::m_bSpindleOnOffStatusChangeInGCode);
    }

    void numberedOutputs()
    {
        // M201 is its own map entry (none here), not M200's; M81 switches M80's output.
        RunProgram({"M200", "M201", "M81"});
        QCOMPARE(CSimPinBank::Instance().Level(PIN_M200), 1);
        QCOMPARE(CSimPinBank::Instance().Level(PIN_M80), 1);
        RunProgram({"M80", "M202"});
        QCOMPARE(CSimPinBank::Instance().Level(PIN_M80), 0);
    }

    void dwellAndInputWaits()
    {
        RunProgram({"M80", "M66 Q1500", "M81"});
        const qint64 dwell = WriteTimes(PIN_M80, 1).last() - WriteTimes(PIN_M80, 0).last();
        QVERIFY2(dwell >= 1500000000LL && dwell < 1600000000LL, qPrintable(QString::number(dwell)));

        // Input 1 stays low: the wait for it to read high times out after 200 ms.
        CSimPinBank::Instance().SetInput(PIN_INPUT1, 0);
        RunProgram({"M80", "M66 P1 L3 Q200", "M81"});
        const qint64 timeout = WriteTimes(PIN_M80, 1).last() - WriteTimes(PIN_M80, 0).last();
        QVERIFY2(timeout >= 200000000LL && timeout < 250000000LL, qPrintable(QString::number(timeout)));

        // Input high: the condition holds at once.
        CSimPinBank::Instance().SetInput(PIN_INPUT1, 1);
        RunProgram({"M80", "M66 P1 L3 Q5000", "M81"});
        QVERIFY(WriteTimes(PIN_M80, 1).last() - WriteTimes(PIN_M80, 0).last() < 100000000LL);

        // A dwell too long for the timer's counter waits (until the stop),
        // never not at all.
        {
            const qsizetype nOn = WriteTimes(PIN_M80, 1).size();
            CProgramRunner runner({"M80", "M66 Q99999999999999", "M81"});
            runner.Start();
            QTest::qWait(100);
            QVERIFY(runner.m_Ctrl.isRunning());
            QCOMPARE(WriteTimes(PIN_M80, 1).size(), nOn);
            runner.m_Ctrl.StopAll();
            QVERIFY(runner.Finish().finished);
        }

        // An input without a pin is refused instead of waited for forever.
        const stRun run = RunProgram({"M66 P7 L3", "G0 X1"});
        QCOMPARE(run.segments, QStringList{});
        QCOMPARE(run.messages, QStringList{"error: M66: input 7 has no pin assigned"});
    }

    void runEndsOnlyAtItsEndOrWithAMessage()
    {
        // Every short segment ends before its release has returned, as it
        // may on a busy machine: the run still plays every line and ends as
        // a completed job.
        QStringList program;
        for (int i = 0; i < 100; ++i)
            program << "G1 X0.002" << "G1 X0";
        CProgramRunner runner(program);
        CAllAxisCtrl::m_fnSegmentReleased = [] {
            while (CAllAxisCtrl::GetMotionState())
                std::this_thread::yield();
        };
        stRun run = runner.Run();
        CAllAxisCtrl::m_fnSegmentReleased = nullptr;
        QVERIFY(run.finished);
        QCOMPARE(run.segments.size(), 200);
        QCOMPARE(run.messages, QStringList{});
        QVERIFY(runner.m_Ctrl.m_bJobCompleted);

        // A run that stops short is not a completed job, and says why.
        CProgramRunner failing({"G0 X1", "P100", "G0 X2"});
        run = failing.Run();
        QVERIFY(run.finished);
        QVERIFY(!failing.m_Ctrl.m_bJobCompleted);
        QCOMPARE(run.messages, QStringList{"error: Error:1 - Command/Format No Supported"});
    }

    void longLineIsReadOnce()
    {
        // A megabyte line of G words: each word without an axis word only
        // sets the mode, the line is not read again for every one of them.
        QString line;
        for (int i = 0; i < 350000; ++i)
            line += i % 2 ? "G1 " : "G0 ";
        const stRun run = RunProgram({line, "X1"});
        QVERIFY(run.finished);
        QCOMPARE(run.segments, QStringList{"G01 1.0000 0.0000 0.0000"});
    }

    void programStopHoldsUntilStart()
    {
        CProgramRunner runner({"G0 X1", "M0", "G0 X2"});
        runner.Start();
        QVERIFY(WaitFor([&] { return runner.m_Ctrl.m_bHold && runner.m_Ctrl.m_bProgramStopReq; }));
        QTest::qWait(50);
        QCOMPARE(runner.Segments(), QStringList{"G00 1.0000 0.0000 0.0000"});
        runner.m_Ctrl.m_bHold = false; // Start
        const stRun run = runner.Finish();
        QCOMPARE(run.segments, (QStringList{"G00 1.0000 0.0000 0.0000", "G00 2.0000 0.0000 0.0000"}));
    }

    void automaticToolChange()
    {
        AppConfig::m_bEnlAutoToolChange = true;
        QFile tool(CAppPaths::InWorkingFolder("T3.txt"));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("G0 X3\rG0 Z2\r"); // lines ended by a lone CR
        tool.close();
        stRun run = RunProgram({"T3", "M6", "G0 X4"});
        QCOMPARE(run.segments, (QStringList{"G00 3.0000 0.0000 0.0000", "G00 3.0000 0.0000 2.0000",
                                            "G00 4.0000 0.0000 2.0000"}));
        QCOMPARE(run.messages, QStringList{});

        // M30 at the end of a tool file ends the tool file, not the program.
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("G0 X3\nM30\nG0 X9\n");
        tool.close();
        run = RunProgram({"T3", "M6", "G0 X4"});
        QCOMPARE(run.segments, (QStringList{"G00 3.0000 0.0000 0.0000", "G00 4.0000 0.0000 0.0000"}));
        QCOMPARE(run.messages, QStringList{});
        AppConfig::m_bEnlAutoToolChange = false;
    }

    // A tool file as an operator writes it (a title, CR LF, lower case,
    // line numbers, comments behind the words) checks clean and runs.
    void operatorToolFile()
    {
        AppConfig::m_bEnlAutoToolChange = true;
        QFile tool(CAppPaths::InWorkingFolder("T3.txt"));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("(change to the 3 mm cutter)\r\nN1 g0 z20. (lift)\r\nG0 X-5.5 Y.5\r\nM5\r\nm66 q10\r\n\r\n");
        tool.close();
        const GCodeCmdList program{{"T3"}, {"M6"}, {"G0", "X4"}};
        GCodeErrorMap errors;
        CGCodeChecker::Check(program, errors, stGCodeCheckMachine{});
        QVERIFY2(errors.empty(), errors.empty() ? "" : errors.begin()->second.c_str());
        const stRun run = RunProgram({"T3", "M6", "G0 X4"});
        AppConfig::m_bEnlAutoToolChange = false;
        QCOMPARE(run.segments, (QStringList{"G00 0.0000 0.0000 20.0000", "G00 -5.5000 0.5000 20.0000",
                                            "G00 4.0000 0.5000 20.0000"}));
        QCOMPARE(run.messages, QStringList{});
    }

    void failedToolChangeEndsTheRun_data()
    {
        QTest::addColumn<QStringList>("program");
        QTest::addColumn<QByteArray>("toolFile");
        QTest::addColumn<QStringList>("segments");
        QTest::addColumn<QString>("message");
        QTest::newRow("no T word") << QStringList{"M6", "G0 X1"} << QByteArray() << QStringList{}
                                   << "error: No Tool Selected. Please use 'T' command before M06";
        QTest::newRow("no tool file") << QStringList{"T9", "M6", "G0 X1"} << QByteArray() << QStringList{}
                                      << "error: No ATC commands found. Please check the file, {T9}, exists?";
        QTest::newRow("failing line in the tool file")
            << QStringList{"T5", "M6", "G0 X1"} << QByteArray("G0 Z2\nK2\nG0 Z3\n")
            << QStringList{"G00 0.0000 0.0000 2.0000"} << "error: Error:1 - Command/Format No Supported";
        QTest::newRow("over-long line in the tool file")
            << QStringList{"T5", "M6", "G0 X1"} << "G0 Z2\n(" + QByteArray(70000, 'a') + ")\n" << QStringList{}
            << "error: Unable to open ATC File {T5}: line 2 is longer than 64 KB; a G-code line is never that long";
        QTest::newRow("sub-program call in the tool file")
            << QStringList{"T5", "M6", "N1 G0 X1"} << QByteArray("M98 P1\n") << QStringList{}
            << "error: Subprogram calls are not allowed in a tool change file";
    }
    void failedToolChangeEndsTheRun()
    {
        // Cutting on with the wrong tool breaks it: the run stops at the M6.
        QFETCH(QStringList, program);
        QFETCH(QByteArray, toolFile);
        QFETCH(QStringList, segments);
        QFETCH(QString, message);
        AppConfig::m_bEnlAutoToolChange = true;
        if (!toolFile.isEmpty()) {
            QFile tool(CAppPaths::InWorkingFolder("T5.txt"));
            QVERIFY(tool.open(QIODevice::WriteOnly));
            tool.write(toolFile);
        }
        const stRun run = RunProgram(program);
        AppConfig::m_bEnlAutoToolChange = false;
        QVERIFY(run.finished);
        QCOMPARE(run.segments, segments);
        // The working folder is the test's own only once the test runs.
        message.replace("{T9}", CAppPaths::InWorkingFolder("T9.txt"));
        QCOMPARE(run.messages, QStringList{message.replace("{T5}", CAppPaths::InWorkingFolder("T5.txt"))});
    }

    // A tool file that would not fit the free memory is not loaded: the run
    // ends at the M6 with the file's size and the most that loads now.
    void toolFileTooLargeEndsTheRun()
    {
        AppConfig::m_bEnlAutoToolChange = true;
        const QString path = CAppPaths::InWorkingFolder("T5.txt");
        QFile tool(path);
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("G0 Z2\nG0 Z3\n");
        tool.close();
        stRun run;
        {
            const CFreeMemoryFigure free(CFreeMemoryFigure::ForAtMost(11));
            run = RunProgram({"T5", "M6", "G0 X1"});
        }
        AppConfig::m_bEnlAutoToolChange = false;
        QVERIFY(run.finished);
        QCOMPARE(run.segments, QStringList{});
        QCOMPARE(run.messages, QStringList{"error: G-Code file too large for the free memory: " + path +
                                           " is 12 bytes, this machine can load at most 11 bytes now"});
    }

    void toolFileCallingItselfStops()
    {
        AppConfig::m_bEnlAutoToolChange = true;
        QFile tool(CAppPaths::InWorkingFolder("T1.txt"));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("T1\nM6\n");
        tool.close();
        const stRun run = RunProgram({"T1", "M6", "G0 X1"});
        AppConfig::m_bEnlAutoToolChange = false;
        QCOMPARE(run.segments, QStringList{});
        QCOMPARE(run.messages, QStringList{"error: Maximum 6 Tool change nesting is allowed"});
    }

    void manualToolChangeWaitsForOperator()
    {
        AppConfig::m_bEnlManualToolChange = true;
        AppConfig::m_fAxisManualToolChngPos[X_AXIS] = 2;
        AppConfig::m_fAxisManualToolChngPos[Y_AXIS] = 3;
        AppConfig::m_fAxisManualToolChngPos[Z_AXIS] = 4;
        CProgramRunner runner({"M6", "G91 G0 X1"});
        runner.Start();
        QVERIFY(WaitFor([&] { return bool(runner.m_Ctrl.m_bToolChangeReq); }));
        QCOMPARE(runner.m_Ctrl.GetCurPos(Z_AXIS), 4.0);
        QCOMPARE(runner.m_Ctrl.GetCurPos(X_AXIS), 2.0);
        QTest::qWait(20);
        QCOMPARE(runner.Segments(), QStringList{});
        // The main window answers with Pause (the hold, then the request
        // taken); the operator's Start may come before the controller looks
        // again, and the run still goes on.
        runner.m_Ctrl.m_bHold = true;
        runner.m_Ctrl.m_bToolChangeReq = false;
        runner.m_Ctrl.m_bHold = false;
        const stRun run = runner.Finish();
        QCOMPARE(run.segments, QStringList{"G00 3.0000 3.0000 4.0000"});
        QCOMPARE(run.messages, (QStringList{"info: Tool Change Sequence Started", "info: Change tool and click start"}));
    }

    void jogWhileHeldForToolChange()
    {
        // The operator moves the machine by hand while the run waits for the
        // new tool; the run goes on once those moves have ended. Not held, or
        // held in the middle of a segment, hand moves are refused.
        AppConfig::m_bEnlManualToolChange = true;
        AppConfig::m_fAxisManualToolChngPos[X_AXIS] = 0;
        AppConfig::m_fAxisManualToolChngPos[Y_AXIS] = 0;
        AppConfig::m_fAxisManualToolChngPos[Z_AXIS] = 4;
        CProgramRunner runner({"M6", "G0 X1"});
        runner.Start();
        QVERIFY(WaitFor([&] { return bool(runner.m_Ctrl.m_bToolChangeReq); }));
        QVERIFY(!runner.m_Ctrl.MoveRel(Z_AXIS, 1.0)); // asked for, not yet held
        runner.m_Ctrl.m_bHold = true;
        runner.m_Ctrl.m_bToolChangeReq = false;
        QVERIFY(runner.m_Ctrl.MoveRel(Z_AXIS, 6.0));
        QVERIFY(WaitFor([&] { return !runner.m_Ctrl.m_AxisCtrl[Z_AXIS].GetAxisState(); }));
        QCOMPARE(runner.m_Ctrl.GetCurPos(Z_AXIS), 10.0);
        runner.m_Ctrl.m_bHold = false;
        const stRun run = runner.Finish();
        // The next move goes to the program's own position again.
        QCOMPARE(run.segments, QStringList{"G00 1.0000 0.0000 4.0000"});
        QCOMPARE(runner.m_Ctrl.GetCurPos(Z_AXIS), 4.0);
        QCOMPARE(run.messages, (QStringList{"info: Tool Change Sequence Started", "info: Change tool and click start",
                                            "error: Axis in use"}));
    }

    void manualToolChangeRefusedByAnAxis()
    {
        // Home switches fitted, the machine homed where it stands, and a
        // tool-change height above the Z travel: the Z axis refuses.
        AppConfig::m_bEnlManualToolChange = true;
        AppConfig::m_bHomeSensorsUsed = true;
        AppConfig::m_fZSafePos = 0;
        AppConfig::m_fAxisManualToolChngPos[Z_AXIS] = AppConfig::m_fAxisPosDirLimit[Z_AXIS] + 10;
        CProgramRunner runner({"M6", "G0 X1"});
        runner.m_Ctrl.SetMchHome();
        const stRun run = runner.Run();
        AppConfig::m_bHomeSensorsUsed = false;
        QCOMPARE(run.segments, QStringList{});
        // The axis's own text once, not repeated by the tool change.
        QCOMPARE(run.messages.size(), 2);
        QCOMPARE(run.messages.at(0), QString("info: Tool Change Sequence Started"));
        QVERIFY2(run.messages.at(1).startsWith("error: Z Axis Absolute Position value must be between"),
                 qPrintable(run.messages.at(1)));
    }

    void simulationModePassesOverOutputsOnly()
    {
        // No output is switched, but sub-programs and the program end run as
        // on the machine, so the simulated path is the real one.
        AppConfig::m_bSimulationMode = true;
        const stRun run = RunProgram({"M3", "M98 P5", "G0 Y2", "M30", "G0 Z5", "N5 G0 X1", "M99"});
        AppConfig::m_bSimulationMode = false;
        QCOMPARE(run.segments, (QStringList{"G00 1.0000 0.0000 0.0000", "G00 1.0000 2.0000 0.0000"}));
        QCOMPARE(run.messages, QStringList{});
        QCOMPARE(CSimPinBank::Instance().Level(PIN_M3), 0);
    }

    void programFeedConversion()
    {
        AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed = true;
        RunProgram({"G00 F600"});
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_fFeed, 600 * 0.0166667);
        AppConfig::m_eSelUnits = UNITS_INCH;
        RunProgram({"G20", "F10"});
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_fFeed, 10 * 25.4 * 0.0166667);
        AppConfig::m_eSelUnits = UNITS_MM;

        // A feed of nothing would leave the move at the feed before it.
        for (const char* line : {"G1 X1 F0", "F-5", "G2 X2 Y0 I1 J0 F0"}) {
            const stRun run = RunProgram({"G0 X5", line, "G0 X2"});
            QCOMPARE(run.segments, QStringList{"G00 5.0000 0.0000 0.0000"});
            QCOMPARE(run.messages, QStringList{"error: Error:1 - Feed value must be greater than zero"});
        }
    }

    void statusFileSaves_data()
    {
        QTest::addColumn<int>("startLine");
        QTest::addColumn<bool>("save");
        QTest::addColumn<int>("firstSave");
        QTest::newRow("from line 0") << 0 << true << 10;
        QTest::newRow("from line 7") << 7 << true << 17;
        QTest::newRow("saving off") << 0 << false << -1;
    }
    void statusFileSaves()
    {
        QFETCH(int, startLine);
        QFETCH(bool, save);
        QFETCH(int, firstSave);
        QStringList program;
        for (int i = 0; i < 25; ++i)
            program << QStringLiteral("G0 X%1").arg(i + 1);
        AppConfig::m_GCodeRunSettings.m_uiStartLine = startLine;
        AppConfig::m_GCodeRunSettings.m_bSaveExecStatus = save;
        AppConfig::m_GCodeRunSettings.m_strGCodeFile = "/nc/part.ncc";
        CProgramRunner runner(program);
        QList<int> saves;
        runner.m_Ctrl.m_fnExecStatusSaveStarted = [&saves](int iLine) { saves << iLine; };
        const stRun run = runner.Run();
        // Every line runs exactly once, whatever the saves do.
        QCOMPARE(run.segments.size(), 25 - startLine);
        QCOMPARE(run.segments.last(), QString("G00 25.0000 0.0000 0.0000"));
        QVERIFY(WaitFor([] { return !AppControl::m_bWritingGCodeExecStatusFile; }));
        QString path;
        int line = -1;
        const CGCodeExecStatus::eReadResult result = CGCodeExecStatus::Read(path, line);
        if (firstSave < 0) {
            QVERIFY(saves.isEmpty());
            QCOMPARE(result, CGCodeExecStatus::STATUS_NONE);
            return;
        }
        // The first save records the start line + 10 before line start + 11
        // runs; a later one comes ten lines on at the earliest (later while a
        // save is still writing), and the file holds the last one.
        QCOMPARE(saves.value(0), firstSave);
        for (int i = 1; i < saves.size(); ++i)
            QVERIFY(saves[i] >= saves[i - 1] + 10);
        QCOMPARE(result, CGCodeExecStatus::STATUS_OK);
        QCOMPARE(path, QString("/nc/part.ncc"));
        QCOMPARE(line, saves.last());
    }

    void runEndWaitsForTheStatusSave()
    {
        QStringList program;
        for (int i = 0; i < 12; ++i)
            program << QStringLiteral("G0 X%1").arg(i + 1);
        AppConfig::m_GCodeRunSettings.m_bSaveExecStatus = true;
        AppConfig::m_GCodeRunSettings.m_strGCodeFile = "/nc/part.ncc";
        const QString strRoot = m_pSetup->m_Folder.Root();
        QTemporaryDir moved;
        CProgramRunner runner(program);
        // The pool's only thread stays busy until the controller's clock has
        // gone 1 s past the start of the last line, well inside the seconds
        // the run's end waits for a save, so the save queued before line 11
        // cannot write before the last line has run; meanwhile the working
        // folder moves.
        QThreadPool* pool = QThreadPool::globalInstance();
        const int iThreads = pool->maxThreadCount();
        pool->setMaxThreadCount(1);
        std::atomic<bool> bEndedBeforeSave{false};
        QFuture<void> blocker;
        runner.m_Ctrl.m_fnExecStatusSaveStarted = [&](int) {
            blocker = QtConcurrent::run(pool, [&] {
                QElapsedTimer timer; // a safety net only
                timer.start();
                while (runner.Segments().size() < 12 && timer.elapsed() < 10000)
                    QThread::msleep(1);
                const qint64 iLastLineNs = CClock::NowNs();
                while (CClock::NowNs() < iLastLineNs + 1000000000LL && timer.elapsed() < 10000)
                    QThread::msleep(1);
                bEndedBeforeSave = !runner.m_Ctrl.isRunning();
            });
            CAppPaths::SetRoot(moved.path());
        };
        const stRun run = runner.Run();
        blocker.waitForFinished();
        pool->setMaxThreadCount(iThreads);
        const bool bInMoved = CGCodeExecStatus::Exists();
        CAppPaths::SetRoot(strRoot);
        QVERIFY(run.finished);
        QCOMPARE(run.segments.size(), 12);
        QVERIFY(!bEndedBeforeSave);
        QVERIFY(!AppControl::m_bWritingGCodeExecStatusFile);
        QVERIFY(!bInMoved);
        QString path;
        int line = -1;
        QCOMPARE(CGCodeExecStatus::Read(path, line), CGCodeExecStatus::STATUS_OK);
        QCOMPARE(path, QString("/nc/part.ncc"));
        QCOMPARE(line, 10);
        QCOMPARE(run.messages, QStringList());
    }

    // On a one-core Pi the global pool has one thread: while a long job
    // holds it, the save queued before line 11 cannot start. The run ends
    // all the same, a few seconds (controller's clock) after its last line,
    // and says so; the save lands once the pool is free, and none other
    // starts meanwhile.
    void runEndsWhileTheStatusSaveIsStarved()
    {
        QStringList program;
        for (int i = 0; i < 30; ++i)
            program << QStringLiteral("G0 X%1").arg(i + 1);
        AppConfig::m_GCodeRunSettings.m_bSaveExecStatus = true;
        AppConfig::m_GCodeRunSettings.m_strGCodeFile = "/nc/part.ncc";
        CProgramRunner runner(program);
        QList<int> saves;
        runner.m_Ctrl.m_fnExecStatusSaveStarted = [&saves](int iLine) { saves << iLine; };
        CGlobalPoolGate gate;
        const qint64 iStartNs = CClock::NowNs();
        const stRun run = runner.Run();
        QVERIFY(run.finished);
        QCOMPARE(run.segments.size(), 30);
        QCOMPARE(saves, QList<int>{10});
        QCOMPARE(run.messages, QStringList{"info: The G-code execution status is still being saved after 5 s: "
                                           "the run ends without waiting for it"});
        QVERIFY(CClock::NowNs() - iStartNs >= AppControl::EXEC_STATUS_SAVE_WAIT_MS * 1000000);
        QVERIFY(AppControl::m_bWritingGCodeExecStatusFile);
        QVERIFY(!CGCodeExecStatus::Exists());

        gate.Release();
        QVERIFY(WaitFor([] { return !AppControl::m_bWritingGCodeExecStatusFile; }));
        QString path;
        int line = -1;
        QCOMPARE(CGCodeExecStatus::Read(path, line), CGCodeExecStatus::STATUS_OK);
        QCOMPARE(path, QString("/nc/part.ncc"));
        QCOMPARE(line, 10);
    }

private:
    std::unique_ptr<CSimControllerSetup> m_pSetup;
};

QTEST_MAIN(TestGCodeInterp)
#include "tst_gcodeinterp.moc"
