#include "gcode/gcodeprogram.h"
#include "gcodestandin.h"
#include "poolgate.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

Q_DECLARE_METATYPE(GCodeTokens)

class TestGCodeProgram : public QObject
{
    Q_OBJECT

private slots:
    void init() { CGCodeProgram::ClearCurGCodeData(); }

    void tokenizer_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<GCodeTokens>("tokens");
        QTest::newRow("words with blanks") << "G01 X10.5 Y-3" << GCodeTokens{"G01", "X10.5", "Y-3"};
        QTest::newRow("words without blanks") << "G1X10Y20" << GCodeTokens{"G1", "X10", "Y20"};
        QTest::newRow("blanks inside a value") << "X 10 . 5" << GCodeTokens{"X10.5"};
        QTest::newRow("blanks inside digits") << "X 1 0" << GCodeTokens{"X10"};
        QTest::newRow("line number first") << "N10G0X-1.5" << GCodeTokens{"N10", "G0", "X-1.5"};
        QTest::newRow("last single character dropped") << "M5 X" << GCodeTokens{"M5"};
        QTest::newRow("trailing blank keeps the letter") << "M5 X " << GCodeTokens{"M5", "X"};
        QTest::newRow("trailing blanks absorbed") << "G1 X10   " << GCodeTokens{"G1", "X10"};
        QTest::newRow("percent only") << "%" << GCodeTokens{};
        QTest::newRow("blank line") << "" << GCodeTokens{};
        QTest::newRow("blanks only") << " \t " << GCodeTokens{};
        QTest::newRow("comment") << "(drill)" << GCodeTokens{"(", "d", "r", "i", "l", "l"};
        QTest::newRow("semicolon comment") << "G0 ;x1" << GCodeTokens{"G0", ";", "x1"};
        QTest::newRow("leading digits") << "12 G0" << GCodeTokens{"12", "G0"};
        QTest::newRow("lower case") << "g1 x-.5" << GCodeTokens{"g1", "x-.5"};
        QTest::newRow("tab between words") << "G0\tX1" << GCodeTokens{"G0", "X1"};
        QTest::newRow("minus run") << "X1-2-" << GCodeTokens{"X1-2-"};
        QTest::newRow("other character ends a word") << "X1/Y2" << GCodeTokens{"X1", "/", "Y2"};
        QTest::newRow("letters one by one") << "GX1" << GCodeTokens{"G", "X1"};
    }
    void tokenizer()
    {
        QFETCH(QString, line);
        QFETCH(GCodeTokens, tokens);
        QCOMPARE(CGCodeProgram::Parse_GCode_Line(line), tokens);
    }

    // Anything outside 7-bit ASCII becomes one byte that nothing accepts:
    // a letter with a diacritic whose low byte is a G-code letter ('Ř' is
    // U+0158, low byte 'X'; 'Ň' is U+0147, low byte 'G') must not become one.
    void nonAsciiMapsToInvalidByte_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<GCodeTokens>("tokens");
        const std::string inv(1, CGCodeProgram::INVALID_BYTE);
        QTest::newRow("R caron (low byte X)") << QString::fromUtf8("\u0158" "10 Y1") << GCodeTokens{inv + "10", "Y1"};
        QTest::newRow("N caron (low byte G)") << QString::fromUtf8("\u0147" "1") << GCodeTokens{inv + "1"};
        QTest::newRow("latin-1 letter") << QString::fromUtf8("\u00e9" "5") << GCodeTokens{inv + "5"};
        QTest::newRow("non-ASCII digit inside a value")
            << QString::fromUtf8("X1\u0663") << GCodeTokens{"X1" + inv};
        QTest::newRow("NUL character") << QString(QChar(0)) + "1" << GCodeTokens{inv + "1"};
        QTest::newRow("no-break space is a blank") << QString::fromUtf8("G0\u00a0X1") << GCodeTokens{"G0", "X1"};
    }
    void nonAsciiMapsToInvalidByte()
    {
        QFETCH(QString, line);
        QFETCH(GCodeTokens, tokens);
        QCOMPARE(CGCodeProgram::Parse_GCode_Line(line), tokens);
    }

    // The split used for a line typed into the window (Insert).
    void editedLineSplit_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<GCodeTokens>("tokens");
        QTest::newRow("words") << "G01 X10" << GCodeTokens{"G01", "X10"};
        QTest::newRow("no blanks stays one word") << "G01X10" << GCodeTokens{"G01X10"};
        QTest::newRow("blank inside a value") << "X 10" << GCodeTokens{"X", "10"};
        QTest::newRow("several blanks") << "  G0   X1 " << GCodeTokens{"G0", "X1"};
        QTest::newRow("last single character kept") << "M5 X" << GCodeTokens{"M5", "X"};
        QTest::newRow("non-ASCII as UTF-8") << QString::fromUtf8("\u0158" "1") << GCodeTokens{"\xC5\x98" "1"};
        QTest::newRow("empty") << "" << GCodeTokens{};
    }
    void editedLineSplit()
    {
        QFETCH(QString, line);
        QFETCH(GCodeTokens, tokens);
        QCOMPARE(CGCodeProgram::SplitEditedLine(line), tokens);
    }

    // Every edit changes the text and the tokens at the same index.
    void editsKeepBothListsInStep()
    {
        QCOMPARE(CGCodeProgram::InsertLine(5, "G0 X1", CGCodeProgram::SplitEditedLine("G0 X1")), size_t(0));
        QCOMPARE(CGCodeProgram::InsertLine(0, "G1X5", CGCodeProgram::SplitEditedLine("G1X5")), size_t(0));
        QCOMPARE(CGCodeProgram::InsertLine(99, "M30", CGCodeProgram::SplitEditedLine("M30")), size_t(2));
        QVERIFY(CGCodeProgram::UpdateLine(0, "G1X5"));
        QVERIFY(!CGCodeProgram::UpdateLine(3, "G0"));
        QVERIFY(CGCodeProgram::SwapLines(0, 2));
        QVERIFY(!CGCodeProgram::SwapLines(0, 3));
        QCOMPARE(CGCodeProgram::m_lstOfGCodeLines, (std::vector<QString>{"M30", "G0 X1", "G1X5"}));
        QCOMPARE(CGCodeProgram::m_lstOfGCodeCmds, (GCodeCmdList{{"M30"}, {"G0", "X1"}, {"G1", "X5"}}));
        QVERIFY(CGCodeProgram::EraseLine(1));
        QVERIFY(!CGCodeProgram::EraseLine(2));
        QCOMPARE(CGCodeProgram::m_lstOfGCodeLines, (std::vector<QString>{"M30", "G1X5"}));
        QCOMPARE(CGCodeProgram::m_lstOfGCodeCmds, (GCodeCmdList{{"M30"}, {"G1", "X5"}}));
    }

    void loadKeepsEveryLine_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("LF") << QByteArray("G0 X1\n\n%\nG1 Y2\n");
        QTest::newRow("CR LF") << QByteArray("G0 X1\r\n\r\n%\r\nG1 Y2\r\n");
        QTest::newRow("CR only") << QByteArray("G0 X1\r\r%\rG1 Y2\r");
        QTest::newRow("mixed") << QByteArray("G0 X1\r\n\r%\nG1 Y2");
        QTest::newRow("no final line end") << QByteArray("G0 X1\n\n%\nG1 Y2");
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBFG0 X1\n\n%\nG1 Y2\n");
    }
    void loadKeepsEveryLine()
    {
        QFETCH(QByteArray, bytes);
        CTempWorkingFolder tmp;
        const QString path = tmp.Root() + "/prog.ncc";
        WriteRaw(path, bytes);
        CGCodeProgram::LoadGCode(path, nullptr);
        const std::vector<QString> lines{"G0 X1", "", "%", "G1 Y2"};
        QCOMPARE(CGCodeProgram::m_lstOfGCodeLines, lines);
        const GCodeCmdList cmds{{"G0", "X1"}, {}, {}, {"G1", "Y2"}};
        QCOMPARE(CGCodeProgram::m_lstOfGCodeCmds, cmds);
    }

    void crLfAcrossReadBlocks()
    {
        // The file is read in blocks of a megabyte: a CR closing one block and
        // the LF opening the next are one line end.
        CTempWorkingFolder tmp;
        const QString path = tmp.Root() + "/long.ncc";
        const QByteArray comment = "(" + QByteArray(1021, 'a') + ")";
        QByteArray bytes;
        for (int i = 0; i < 1023; ++i)
            bytes += comment + "\n";
        bytes += comment + "\r";
        QCOMPARE(bytes.size(), 1 << 20);
        WriteRaw(path, bytes + "\nG0 X1\r");
        std::vector<QString> lines;
        QVERIFY(CGCodeProgram::ReadTextLines(path, lines));
        QCOMPARE(lines.size(), size_t(1025));
        QCOMPARE(lines[1023], QString::fromLatin1(comment));
        QCOMPARE(lines[1024], QString("G0 X1"));
    }

    // A line longer than any G-code line refuses the file with its line
    // number, read no further than the block that holds the excess: the
    // model stays as it was.
    void overLongLineRefused_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<qint64>("size"); // the whole file, zero bytes after the head
        QTest::addColumn<QString>("reason");
        const qint64 max = CGCodeProgram::MAX_LINE_BYTES;
        const QString tooLong = QStringLiteral("line %1 is longer than 64 KB; a G-code line is never that long");
        QTest::newRow("longest line loads") << QByteArray("G0 X1\n") << 6 + max << QString();
        QTest::newRow("one byte more") << QByteArray("G0 X1\n") << 6 + max + 1 << tooLong.arg(2);
        QTest::newRow("10 MB comment") << QByteArray("G0 X1\r\nG1 Y2\r\n(") << qint64(10 << 20) << tooLong.arg(3);
        // Never read whole: 4 GB that the file system keeps as a hole.
        QTest::newRow("4 GB without a line end") << QByteArray() << (qint64(4) << 30) << tooLong.arg(1);
    }
    void overLongLineRefused()
    {
        QFETCH(QByteArray, head);
        QFETCH(qint64, size);
        QFETCH(QString, reason);
        CTempWorkingFolder tmp;
        const QString path = tmp.Root() + "/big.ncc";
        WriteRaw(path, head);
        {
            QFile f(path);
            QVERIFY(f.resize(size));
        }
        CGCodeProgram::m_lstOfGCodeLines = {"M30"};
        CGCodeProgram::m_lstOfGCodeCmds = {{"M30"}};
        CGCodeSignals rx;
        CGCodeProgram::LoadGCode(path, &rx);
        if (reason.isEmpty()) {
            QCOMPARE(rx.m_iLoadComplete, 1);
            QCOMPARE(CGCodeProgram::LineCount(), size_t(3));
            QCOMPARE(CGCodeProgram::m_lstOfGCodeLines[2].size(), CGCodeProgram::MAX_LINE_BYTES);
            return;
        }
        QCOMPARE(rx.m_iLoadComplete, 0);
        QCOMPARE(rx.m_lstLoadFailed, QStringList{"Unable to load G-Code file " + path + ": " + reason});
        QCOMPARE(CGCodeProgram::m_lstOfGCodeLines, std::vector<QString>{"M30"});
        QCOMPARE(CGCodeProgram::m_lstOfGCodeCmds.size(), size_t(1));
    }

    void loadKeepsTextOfNonAsciiLines()
    {
        CTempWorkingFolder tmp;
        const QString path = tmp.Root() + "/prog.ncc";
        WriteRaw(path, QString::fromUtf8("(Fräse)\n").toUtf8());
        CGCodeProgram::LoadGCode(path, nullptr);
        QCOMPARE(CGCodeProgram::m_lstOfGCodeLines.at(0), QString::fromUtf8("(Fräse)"));
        QCOMPARE(CGCodeProgram::m_lstOfGCodeCmds.at(0).at(3), std::string(1, CGCodeProgram::INVALID_BYTE));
    }

    void emptyFileLoadsNoLines()
    {
        CTempWorkingFolder tmp;
        const QString path = tmp.Root() + "/empty.ncc";
        WriteRaw(path, QByteArray());
        CGCodeSignals rx;
        CGCodeProgram::LoadGCode(path, &rx);
        QCOMPARE(rx.m_iLoadComplete, 1);
        QVERIFY(CGCodeProgram::IsEmpty());
    }

    // The load runs on the long-jobs pool (never the global one, which it
    // would take from the status saves on a one-core Pi), clears the loading
    // flag and then signals; the window's slot receives the signal queued on
    // its own thread.
    void asyncLoadSignalsCompletion()
    {
        CGlobalPoolGate gate;
        CTempWorkingFolder tmp;
        const QString path = tmp.Root() + "/prog.tap";
        WriteRaw(path, QByteArray("G0 X1\nG1 Y2\n"));
        CGCodeSignals rx;
        bool bFlagClearAtSignal = false;
        connect(&rx, &CGCodeSignals::GCodeLoadComplete, this,
                [&] { bFlagClearAtSignal = !CGCodeProgram::m_bGCodeLoading; });
        CGCodeProgram::StartLoadGCode(path, &rx);
        QTRY_COMPARE_WITH_TIMEOUT(rx.m_iLoadComplete, 1, 5000);
        QVERIFY(bFlagClearAtSignal);
        QVERIFY(rx.m_lstLoadFailed.isEmpty());
        QCOMPARE(CGCodeProgram::LineCount(), size_t(2));
        QCOMPARE(CGCodeProgram::m_lstOfGCodeCmds.size(), size_t(2));
    }

    void unreadableFileLeavesModelAndSaysWhy()
    {
        CTempWorkingFolder tmp;
        CGCodeProgram::m_lstOfGCodeLines = {"G0 X1"};
        CGCodeProgram::m_lstOfGCodeCmds = {{"G0", "X1"}};
        CGCodeSignals rx;
        const QString missing = tmp.Root() + "/missing.ncc";
        CGCodeProgram::StartLoadGCode(missing, &rx);
        QTRY_COMPARE_WITH_TIMEOUT(rx.m_lstLoadFailed.size(), 1, 5000);
        QVERIFY(!CGCodeProgram::m_bGCodeLoading);
        QCOMPARE(rx.m_iLoadComplete, 0);
        QVERIFY(rx.m_lstLoadFailed.at(0).contains(missing));
        QCOMPARE(CGCodeProgram::LineCount(), size_t(1));
        // A receiver without the failure signal is simply not told.
        QObject plain;
        CGCodeProgram::LoadGCode(missing, &plain);
        CGCodeProgram::LoadGCode(missing, nullptr);
        QCOMPARE(CGCodeProgram::m_lstOfGCodeCmds.size(), size_t(1));
    }

    void clearReleasesEverything()
    {
        CGCodeProgram::m_lstOfGCodeLines = {"G0 X1"};
        CGCodeProgram::m_lstOfGCodeCmds = {{"G0", "X1"}};
        CGCodeProgram::m_CompilationErrors[0] = "X1(Invalid)";
        CGCodeProgram::ClearCurGCodeData();
        QVERIFY(CGCodeProgram::IsEmpty());
        QCOMPARE(CGCodeProgram::m_lstOfGCodeCmds.capacity(), size_t(0));
        QVERIFY(CGCodeProgram::m_CompilationErrors.empty());
    }

    void saveAsNames_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("saved");
        QTest::newRow("no extension") << "/tmp/prog" << "/tmp/prog.ncc";
        QTest::newRow("leading dot only") << "/tmp/.cut" << "/tmp/.cut.ncc";
        QTest::newRow("own extension kept") << "/tmp/prog.tap" << "/tmp/prog.tap";
        QTest::newRow("dot in folder") << "/tmp/a.b/prog" << "/tmp/a.b/prog.ncc";
        QTest::newRow("trailing dot counts") << "/tmp/prog." << "/tmp/prog.";
        QTest::newRow("no folder") << "prog" << "prog.ncc";
    }
    void saveAsNames()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, saved);
        QCOMPARE(CGCodeProgram::WithGCodeExtension(chosen), saved);
    }

    // CR LF files come back with LF only; the line texts are unchanged.
    void writeUsesLfAndRoundTrips()
    {
        CTempWorkingFolder tmp;
        const QString in = tmp.Root() + "/in.ncc";
        const QString out = tmp.Root() + "/out.ncc";
        WriteRaw(in, QByteArray("G0 X1\r\n\r\n(Fr\xC3\xA4se)\r\n"));
        CGCodeProgram::LoadGCode(in, nullptr);
        QVERIFY(CGCodeProgram::WriteProgramFile(out, CGCodeProgram::m_lstOfGCodeLines));
        QCOMPARE(ReadAll(out), QByteArray("G0 X1\n\n(Fr\xC3\xA4se)\n"));
        QVERIFY(CGCodeProgram::WriteProgramFile(out, {}));
        QCOMPARE(ReadAll(out), QByteArray());
    }

    // Targets that cannot be written: a failure with a reason, never a
    // success, and nothing left behind.
    void failedWriteIsReported_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("target is a folder") << "dir";
        QTest::newRow("parent is a file") << "file/prog.ncc";
        QTest::newRow("parent missing") << "no/such/prog.ncc";
    }
    void failedWriteIsReported()
    {
        QFETCH(QString, target);
        CTempWorkingFolder tmp;
        QVERIFY(QDir().mkpath(tmp.Root() + "/dir"));
        WriteRaw(tmp.Root() + "/file", "OLD\n");
        QString err;
        QVERIFY(!CGCodeProgram::WriteProgramFile(tmp.Root() + "/" + target, {"NEW"}, &err));
        QVERIFY(!err.isEmpty());
        QCOMPARE(ReadAll(tmp.Root() + "/file"), QByteArray("OLD\n"));
        QVERIFY(QFileInfo(tmp.Root() + "/dir").isDir());
    }
};

QTEST_MAIN(TestGCodeProgram)
#include "tst_gcodeprogram.moc"
#include "moc_gcodestandin.cpp"
