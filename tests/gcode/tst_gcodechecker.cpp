#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "gcode/gcodechecker.h"
#include "gcodestandin.h"
#include "poolgate.h"
#include "freememoryfigure.h"
#include "testsupport.h"

#include <QFile>
#include <QtTest>

namespace {
GCodeCmdList Tokenize(const QStringList& lines)
{
    GCodeCmdList prog;
    for (const QString& line : lines)
        prog.push_back(CGCodeProgram::Parse_GCode_Line(line));
    return prog;
}

// The error table as "line:text" items, for comparing.
QStringList Table(const GCodeErrorMap& errors)
{
    QStringList out;
    for (const auto& [line, text] : errors)
        out << QString::number(line) + ":" + QString::fromStdString(text);
    return out;
}

QStringList Check(const QStringList& lines, int iMchType = 3, eKivController eCtrl = CTRL_KIVQ10)
{
    GCodeErrorMap errors;
    CGCodeChecker::Check(Tokenize(lines), errors, stGCodeCheckMachine{iMchType, eCtrl});
    return Table(errors);
}

const QString G17K = "(G17 Plane selected. K value should not be present)";
const QString M66F = "(Invalid Format. Correct Format Example: M66 Q100 (OR) M66 P1 L3 (OR) M66 P1 L3 Q100)";
}

class TestGCodeChecker : public QObject
{
    Q_OBJECT

private slots:
    void rules_data()
    {
        QTest::addColumn<QStringList>("program");
        QTest::addColumn<int>("axes");
        QTest::addColumn<int>("ctrl");
        QTest::addColumn<QStringList>("errors");
        auto row = [](const char* name, QStringList program, QStringList errors, int axes = 3,
                      int ctrl = CTRL_KIVQ10) { QTest::newRow(name) << program << axes << ctrl << errors; };

        // Straight moves and arcs
        row("clean program", {"G21 G90", "G0 X1 Y2 Z3", "G1 X-1.5 Y.5 F200 S1000", "G2 X1 Y1 I1 J1", "M30"}, {});
        row("repeated axis word", {"G01 X10 Y5 X3"}, {"0:X3(Repitition)"});
        row("repeats in line order", {"G1 Y1 X1 Y2 X2"}, {"0:Y2(Repitition)\nX2(Repitition)"});
        row("lower case repeated", {"g1 x1 x2"}, {"0:x2(Repitition)"});
        row("scans stop at a comment", {"G0 X1 (X2", "G1 X1 ;X2", "G2 X1 Y1 I1 J1 %I2", "G2 X1 Y1 I1 (J1"},
            {"3:G2(Atleast two-axis center offset must be provided)"});
        row("plane words in comments", {"G17 (pocket)", "G18 (adjust)", "G19 ;finish"}, {});
        row("A/B refused on 3 axes", {"G0 A1 B2"},
            {"0:A1(3 Axis Machine, A/B G-Codes should not be present)\nB2(3 Axis Machine, A/B G-Codes should not be present)"});
        row("A/B counted on 5 axes", {"G0 A1 B2 A3"}, {"0:A3(Repitition)"}, 5);
        row("R-form arc", {"G2 X10 Y10 R5"}, {"0:G2(Atleast two-axis center offset must be provided)"});
        row("arc without data", {"G2 X10"}, {"0:G2(Data Missing:X/Y/Z must be given)"});
        row("arc with repeated centre", {"G3 X1 Y1 I1 I2 J1"}, {"0:I2(Repitition)"});
        row("arc in G17 with K", {"G17 G2 X1 Y1 I1 K1"}, {"0:G17" + G17K + "\nK1" + G17K});
        row("G15 is G17", {"G18", "G15 K1"}, {"1:G15" + G17K + "\nK1" + G17K});
        row("G18 refuses J", {"G18 J1"},
            {"0:G18(G18 Plane selected. J value should not be present)\nJ1(G18 Plane selected. J value should not be present)"});
        row("G19 refuses I", {"G19 I1"},
            {"0:G19(G19 Plane selected. I value should not be present)\nI1(G19 Plane selected. I value should not be present)"});
        row("plane starts at G17", {"G2 X2 Y0 I1 J0", "I1 J1", "K1"}, {"2:K1" + G17K});
        row("plane lasts across lines", {"G18", "G2 X1 Z1 I1 K0", "J2"},
            {"2:J2(G18 Plane selected. J value should not be present)"});
        row("F under G19", {"G19", "F100"}, {});
        row("accepted G numbers", {"G20", "G21", "G30", "G40", "G90", "G91", "G94", "G", "g1 x1"}, {});
        row("G with decimals", {"G1.5"}, {"0:G1.5(Invalid G-Code)"});
        row("unknown G", {"G05", "G92"}, {"0:G05(Invalid)", "1:G92(Invalid)"});

        // G28
        row("G28 alone", {"G28"}, {});
        row("G28 full", {"G28 G91 X0 Y0 Z0", "G28 g90 x0 y0 z0", "G28 g91 X0 Y0 Z0"}, {});
        row("G28 with a word more", {"G28 G91 X0 Y0 Z0 F100"},
            {"0:G28(G28 Must be followed with G90 or G91 and X~ Y~ Z~)\n(Ex:G28 G91 X60 Y60 Z10)"});
        row("G28 fifth word not Z", {"G28 G91 X0 Y0 A0"},
            {"0:G28(G28 Must be followed with G90 or G91 and X~ Y~ Z~)\n(Ex: G28 G91 X60 Y60 Z10)\n"
             "A0(3 Axis Machine, A/B G-Codes should not be present)"});
        row("G28 short", {"G28 G91 X0 Y0"},
            {"0:G28(G28 Must be followed with G90 or G91 and X~ Y~ Z~)\n(Ex:G28 G91 X60 Y60 Z10)"});
        row("G28 not first", {"G0 G28"}, {"0:G28(No other code must preceed G28)"});
        row("G28 bad mode", {"G28 G92 X0 Y0 Z0"}, {"0:G28(G28 Must be followed with G90 or G91)\nG92(Invalid)"});
        row("G28 axes out of order", {"G28 G90 X0 Z0 Y0"},
            {"0:G28(G28 Must be followed with G90 or G91 and X~ Y~ Z~)\n(Ex: G28 G91 X60 Y60 Z10)"});

        // Other letters
        row("bad axis value", {"X1-2", "Y1.2.3", "Z-.5", "L1", "R2.5"},
            {"0:X1-2(Invalid Code)", "1:Y1.2.3(Invalid Code)"});
        // A value is a number read whole, as the run reads it.
        row("numbers that are not numbers",
            {"G0 X.", "G0 Y-", "G0 Z--5", "G1 X1 F0.5.1", "G2 X1 Y1 I1.1.1 J1", "M66 Q1.2.3", "N1.5 G0 X1"},
            {"0:X.(Invalid Code)", "1:Y-(Invalid Code)", "2:Z--5(Invalid Code)", "3:F0.5.1(Invalid Code)",
             "4:I1.1.1(Invalid Code)", "5:Q1.2.3(Invalid Code)", "6:N1.5(Invalid Code)"});
        row("counts of 32 bits", {"M98 O100 L4294967296", "M97 N99999999999", "M97 N20 L4294967295"},
            {"0:L4294967296(Invalid Code)", "1:N99999999999(Invalid Code)"});

        // Words after the move on its line never run.
        const QString notRun = "(Word after the move is never run: put it on a line of its own)";
        row("words after a move",
            {"G0 X1 M30", "G1 X10 M5", "G0 X1 G91", "X1 G20", "G2 X1 Y0 I1 J0 M0", "G1 X1 F100 S2 (M30)",
             "M5 G90 G0 X1"},
            {"0:M30" + notRun, "1:M5" + notRun, "2:G91" + notRun, "3:G20" + notRun, "4:M0" + notRun});
        row("centre words follow the modal arc", {"G2 X1 Y0 I1 J0", "X0 Y0 I1 J0", "G1 X1", "X2 I1"},
            {"3:I1" + notRun});
        // An I/J line continues the last G2 / G3; after a G0 or G1 there is none.
        const QString noArc = "(No arc in force: a line starting with I or J must follow a G2 or G3, with no G0 or G1 between)";
        row("I/J lines need an arc in force", {"I1 J0", "G3 X1 Y1 I1 J0", "J1 I0", "Z-1", "I1 J0", "G0 X0", "N5 J1 I0"},
            {"0:I1" + noArc, "6:J1" + noArc});
        row("bad S value", {"S1.5"}, {"0:S1.5(Invalid S-Code)"});
        row("letters never accepted", {"P100", "Q1", "C1 D1", "e1 H1 U1 V1 W1"},
            {"0:P100(Invalid)", "1:Q1(Invalid)", "2:C1(Invalid)\nD1(Invalid)",
             "3:e1(Invalid)\nH1(Invalid)\nU1(Invalid)\nV1(Invalid)\nW1(Invalid)"});
        row("other characters", {"#1", "12", "/G0"}, {"0:#1(Invalid)", "1:12(Invalid)", "2:/(Invalid)"});
        // A word refused wherever it stands is not sent to a line of its own.
        row("unknown word after a move", {"G1 X1e3", "G1 X1,5", "G1 X5 E2", "G0 X1 P2"},
            {"0:e3(Invalid)", "1:,5(Invalid)", "2:E2(Invalid)", "3:P2(Invalid)"});
        // 'Ř' (U+0158) has the low byte 'X'; it must not pass as an axis word.
        row("non-ASCII letter", {QString::fromUtf8("\u0158" "10")},
            {"0:" + QString::fromStdString(std::string(1, CGCodeProgram::INVALID_BYTE) + "10(Invalid)")});
        row("comments and markers", {"(G05 X1 X1)", "; G05", "%", "G0 X1 ;X1 G05", ""}, {});
        // A '(' comment ends the words of a line: what follows its ')' would
        // silently not run ("(lift) G0 Z5" does not lift).
        const QString afterComment = "(Word after a comment is never run: put the comment at the end of the line)";
        row("words after a closed comment",
            {"(lift) G0 Z5", "G0 X1 (fast) M5", "N10 (a (nested) note) g1 x2", "M66 Q100 (wait) M5",
             "G0 X1 (a) (b) ; (c) G0", "(T1 D=6.) %", "G0 X1 (go to X2 Y3)", "(a) X"},
            {"0:G0" + afterComment, "1:M5" + afterComment, "2:g1" + afterComment, "3:M5" + afterComment});
        row("line number", {"N10 G0 X1", "G0 N10", "N1.5"},
            {"1:N10(Line Number, N-Code, must be at the start of G-Code Line)", "2:N1.5(Invalid Code)"});

        // M words
        row("accepted M numbers", {"M0", "M1", "M3", "M5", "M9", "M30", "M80", "M81", "M99", "M"}, {});
        row("unknown M", {"M10", "M100", "M232", "M1.5"},
            {"0:M10(Invalid)", "1:M100(Invalid)", "2:M232(Invalid)", "3:M1.5(Invalid M-Code)"});
        row("output with a word after it", {"M200 S1000"},
            {"0:S1000(No Successive Codes must be mentioned after M200  Code)"}, 3, CTRL_SPI_V2);
        row("output beyond the Pi's three-axis set", {"M212", "M210"},
            {"0:M212(M-Code not supported for the selected Controller)"}, 3, CTRL_KIVQ10);
        row("no outputs on the five-axis Pi", {"G0 M200"},
            {"0:G0(M-Code not supported for the selected Controller)\nM200(No Successive Codes must be mentioned after G0  Code)"},
            5, CTRL_KIVQ20);
        row("every output on the SPI board", {"M231", "M212"}, {}, 3, CTRL_SPI_V3);
        row("M66 forms", {"M66 Q500", "M66 P1 L3", "M66 P4 L1 Q100", "M66 p1 l1 q1"}, {});
        row("M66 condition out of range", {"M66 P2 L5"}, {"0:L5" + M66F + "\nP2(Invalid)"});
        // Inputs 1 to 4 and conditions 1 to 4 exist; a run would wait for ever
        // on any other.
        row("M66 input and condition at their ends", {"M66 P1 L1", "M66 P4 L4"}, {});
        row("M66 input 5", {"M66 P5 L1"}, {"0:P5" + M66F + "\nP5(Invalid)"});
        row("M66 input 0", {"M66 P0 L1"}, {"0:P0" + M66F + "\nP0(Invalid)"});
        row("M66 condition 0", {"M66 P1 L0"}, {"0:L0" + M66F + "\nP1(Invalid)"});
        row("M66 input wraps at 8 bits", {"M66 P256 L1"}, {"0:P256" + M66F + "\nP256(Invalid)"});
        row("M66 alone", {"M66"}, {"0:M66" + M66F});
        row("M66 too long", {"M66 P1 L1 Q1 X1"}, {"0:M66" + M66F + "\nP1(Invalid)\nQ1(Invalid)"});
        row("M66 bad first word", {"M66 X1"}, {"0:X1" + M66F});
        row("M66 failure examines the rest", {"M66 Q1 P1 L1"}, {"0:Q1" + M66F + "\nQ1(Invalid)\nP1(Invalid)"});
        row("M66 bad last word", {"M66 P1 L1 X5"}, {"0:X5" + M66F + "\nP1(Invalid)"});
        row("M97 forms", {"M97 N20 L2", "M97 P5", "m97 n5 l1"}, {});
        row("M97 bad target", {"M97 X1"}, {"0:X1(Sub-Program Line Number, N-Code (Or) P-Code, Must succeed M97)"});
        row("M97 extra word", {"M97 N5 L2 G05"}, {"0:L2(No Successive Codes must be mentioned after L-Code)"});
        row("M97 alone", {"M97"}, {"0:M97(Data Missing. N-Code, must succeed M97)"});
        row("M97 not first", {"G0 M97 N5"}, {"0:M97(Sub-Program call, M97, must be at the start of G-Code Line)"});
        row("M97 bad numbers", {"M97 N1.5 L2.5"}, {"0:N1.5(Invalid Code)\nL2.5(Invalid Code)"});
        row("M97 bad repeat word", {"M97 P5 X2"}, {"0:X2(Number Of repititions, L-Code, Must succeed N-Code)"});
        row("M98 forms", {"M98 O100 L2", "M98 P100"}, {});
        // A line number is no word of the line: the forms that must open a
        // line or count its words do so after it, as the run reads them.
        row("forms behind a line number",
            {"N10 M98 P100 L2", "N20 m97 n40", "N30 G28", "N40 G28 G91 X0 Y0 Z0", "N50 M66 P1 L3 Q100", "N60 M200",
             "N70 M98", "N80 G0 G28", "N90 M66 P2 L5", "N100 M97 N5 L2 G0", "M98 P100 (pocket)",
             "M66 Q100 (dwell)", "G28 (home)", "M200 (air on)", "M97 N5 L2 (twice) G0"},
            {"6:M98(Data Missing. O-Code, must succeed M98)", "7:G28(No other code must preceed G28)",
             "8:L5" + M66F + "\nP2(Invalid)", "9:L2(No Successive Codes must be mentioned after L-Code)",
             "14:G0(Word after a comment is never run: put the comment at the end of the line)"});
        row("M98 bad target", {"M98 N100"}, {"0:N100(Sub-Program Number, O-Code (Or) P-Code, Must succeed M98)"});
        row("M98 alone", {"M98"}, {"0:M98(Data Missing. O-Code, must succeed M98)"});
        row("M98 not first", {"G0 M98 O1"}, {"0:M98(Sub-Program call, M98, must be at the start of G-Code Line)"});
        row("M98 bad repeat word", {"M98 O1 X2"}, {"0:X2(Number Of repititions, L-Code, Must succeed O-Code)"});

        // O words and M30
        row("O on the first line", {"O100"}, {});
        row("O after M30", {"G0 X1", "M30", "O100", "m30", "O200"}, {});
        row("O after a blank line after M30", {"M30", "", "O100"}, {});
        row("O without M30", {"G0 X1", "O100"}, {"1:O100(Sub-Program must be preceeded by M30-Code)"});
        row("O after G30", {"G30", "O100"}, {"1:O100(Sub-Program must be preceeded by M30-Code)"});
        // What comes before the sub-program is the program's last word to
        // run: a title comment, a "%" or a line number do not hide the M30.
        row("sub-program after the program's end",
            {"N10 G0 X1", "N20 M30", "(sub-program: square)", "", "O100", "M99", "m030", "%", "; next", "o200",
             "M99", "(M30)", "O300", "N30", "O400"},
            {"12:O300(Sub-Program must be preceeded by M30-Code)", "14:O400(Sub-Program must be preceeded by M30-Code)"});
        row("O not first", {"G0 O1"}, {"0:O1(Program Number, O-Code, must be at the start of G-Code Line)"});
        row("O bad number", {"O1.5"}, {"0:O1.5(Invalid Code)"});
    }
    void rules()
    {
        QFETCH(QStringList, program);
        QFETCH(int, axes);
        QFETCH(int, ctrl);
        QFETCH(QStringList, errors);
        QCOMPARE(Check(program, axes, eKivController(ctrl)), errors);
    }

    void numberTests_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("integer");
        QTest::addColumn<bool>("decimal");
        QTest::newRow("empty") << "" << true << true;
        QTest::newRow("digits") << "0123" << true << true;
        QTest::newRow("decimal") << "1.25" << false << true;
        QTest::newRow("two dots") << "1.2.3" << false << true;
        QTest::newRow("leading minus") << "-1.5" << false << true;
        QTest::newRow("minus alone") << "-" << false << true;
        QTest::newRow("inner minus") << "1-2" << false << false;
        QTest::newRow("two minus") << "--1" << false << false;
        QTest::newRow("letter") << "1a" << false << false;
    }
    void numberTests()
    {
        QFETCH(QString, text);
        QFETCH(bool, integer);
        QFETCH(bool, decimal);
        QCOMPARE(CGCodeChecker::isInteger(text.toStdString()), integer);
        QCOMPARE(CGCodeChecker::isDecimalNumber(text.toStdString()), decimal);
    }

    // A line of thousands of words neither hangs the check nor builds an
    // endless text: the entries of one line stop at the limit.
    void longLinesStayBounded()
    {
        QString line;
        for (int i = 0; i < 20000; ++i)
            line += "G0 X1 ";
        const QStringList table = Check({line, "G0 X1 X2"});
        QCOMPARE(table.size(), 2);
        QCOMPARE(table.at(0).count("(Repitition)"), CGCodeChecker::MAX_ERRORS_PER_LINE);
        QCOMPARE(table.at(1), QString("1:X2(Repitition)"));
        QString plain;
        for (int i = 0; i < 50000; ++i)
            plain += "G1 G17 G2 ";
        QCOMPARE(Check({plain}).at(0).count('\n') + 1, CGCodeChecker::MAX_ERRORS_PER_LINE);
        // A megabyte of G words with the move at the end is checked in one pass.
        QString words;
        for (int i = 0; i < 350000; ++i)
            words += "G0 ";
        QCOMPARE(Check({words, "G1 X1"}), QStringList{});
    }

    // Tool-change files: read from the working folder, checked in a list of
    // their own, their errors shown on the line of the T word.
    void toolChangeFiles()
    {
        CTempWorkingFolder tmp;
        const QString t1 = CAppPaths::InWorkingFolder("T1.txt");
        const QString t2 = CAppPaths::InWorkingFolder("T2.txt");
        const QString t3 = CAppPaths::InWorkingFolder("T3.txt");
        WriteRaw(t1, "G0 Z5\nM5\n");
        WriteRaw(t2, "G0 Z5\n\nT5 P1\nG18\n");
        QVERIFY(QDir().mkpath(t3)); // a folder cannot be read as a file
        const QStringList program{"G0 X1", "T1 M6", "G1 X1", "T2", "G2 X1 Z1 I1 K1", "T9", "T3"};
        const GCodeCmdList prog = Tokenize(program);
        const GCodeCmdList before = prog;
        GCodeErrorMap errors;
        CGCodeChecker::Check(prog, errors, stGCodeCheckMachine{});
        QCOMPARE(prog, before);
        QCOMPARE(Table(errors),
                 QStringList({"3:T5(Tool Select, 'T', Command must not exist in ATC file," + t2 + ", line 2)\n" +
                                  "P1(Invalid" + t2 + ", line 2)",
                              // T2.txt leaves the plane at G18, so K1 passes and J would not.
                              "5:T9(No ATC commands found. Please check the file, " +
                                  CAppPaths::InWorkingFolder("T9.txt") + ", exists?)",
                              "6:T3(Unable to open ATC File," + t3 + ")"}));
        QVERIFY(!CGCodeProgram::m_bToolChgCompiling);
    }

    // A tool file too large for the free memory is not read: its T word
    // carries the refusal.
    void toolFileTooLarge()
    {
        CTempWorkingFolder tmp;
        const QString path = CAppPaths::InWorkingFolder("T4.txt");
        WriteRaw(path, "G0 Z5\nM5\n");
        const CFreeMemoryFigure free(CFreeMemoryFigure::ForAtMost(8));
        QCOMPARE(Check({"G0 X1", "T4"}),
                 QStringList({"1:T4(G-Code file too large for the free memory: " + path +
                              " is 9 bytes, this machine can load at most 8 bytes now)"}));
    }

    // A tool-change file is checked in the plane its T word finds: one that
    // is right in G17 is wrong in G18, and says so there.
    void toolFileCheckedPerPlane()
    {
        CTempWorkingFolder tmp;
        const QString path = CAppPaths::InWorkingFolder("T6.txt");
        WriteRaw(path, "G2 X1 Y0 I0.5 J0\nG0 Z5\n");
        QCOMPARE(Check({"T6", "G18", "T6", "G17", "T6"}),
                 QStringList({"2:J0(G18 Plane selected. J value should not be present" + path + ", line 0)"}));
    }

    void toolFileErrorsRepeatPerTWord()
    {
        CTempWorkingFolder tmp;
        WriteRaw(CAppPaths::InWorkingFolder("T4.txt"), "G05\n");
        const QString path = CAppPaths::InWorkingFolder("T4.txt");
        QCOMPARE(Check({"T4", "T4", "G0 X1"}),
                 QStringList({"0:G05(Invalid" + path + ", line 0)", "1:G05(Invalid" + path + ", line 0)"}));
    }

    // The process's program: checked on the long-jobs pool (the global one
    // held all along), the flag cleared and the window signalled at the end;
    // the machine's own plane is left alone.
    void compileOnThePool()
    {
        CGlobalPoolGate gate;
        CTempWorkingFolder tmp;
        AppConfig::m_iMchType = 3;
        AppConfig::m_eDiradiCtrl = CTRL_KIVQ10;
        AppConfig::m_PlaneSel = 19;
        CGCodeProgram::ClearCurGCodeData();
        const QStringList program{"G18", "G0 A1", "G2 X1 I1 K1"};
        CGCodeProgram::m_lstOfGCodeLines.assign(program.begin(), program.end());
        CGCodeProgram::m_lstOfGCodeCmds = Tokenize(program);
        CGCodeProgram::m_CompilationErrors[7] = "stale";
        CGCodeSignals rx;
        CGCodeChecker::StartCompileGCode(&rx);
        QTRY_COMPARE_WITH_TIMEOUT(rx.m_iCompilationComplete, 1, 5000);
        QVERIFY(!CGCodeProgram::m_bGCodeCompiling);
        QCOMPARE(Table(CGCodeProgram::m_CompilationErrors),
                 QStringList{"1:A1(3 Axis Machine, A/B G-Codes should not be present)"});
        QCOMPARE(int(AppConfig::m_PlaneSel), 19);

        // Synchronous check (after an edit): no object, no signal, same result.
        CGCodeProgram::m_CompilationErrors.clear();
        CGCodeChecker::CompileGCode();
        QCOMPARE(CGCodeProgram::m_CompilationErrors.size(), size_t(1));
        QCOMPARE(rx.m_iCompilationComplete, 1);
        CGCodeProgram::ClearCurGCodeData();
    }
};

QTEST_MAIN(TestGCodeChecker)
#include "tst_gcodechecker.moc"
#include "moc_gcodestandin.cpp"
