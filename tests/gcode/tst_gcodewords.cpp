#include "gcode/gcodewords.h"
#include "gcode/gcodeprogram.h"

#include <QtTest>
#include <limits>

using Words = std::vector<std::string>;
Q_DECLARE_METATYPE(Words)

class TestGCodeWords : public QObject
{
    Q_OBJECT
private slots:
    void splitLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Words>("words");
        QTest::newRow("packed") << "G01X10.5 Y-3" << Words{"G01", "X10.5", "Y-3"};
        QTest::newRow("blank inside a word splits it") << "G 01" << Words{"G", "01"};
        QTest::newRow("letters end a word") << "M98P100L3" << Words{"M98", "P100", "L3"};
        QTest::newRow("empty") << "   " << Words{};
        QTest::newRow("comment characters are words") << "(T1)" << Words{"(", "T1", ")"};
        QTest::newRow("accented letter never becomes X")
            << QString::fromUtf8("\u0158" "10") << Words{std::string(1, CGCodeProgram::INVALID_BYTE) + "10"};
    }
    void splitLine()
    {
        QFETCH(QString, line);
        QFETCH(Words, words);
        QCOMPARE(CGCodeWords::SplitLine(line), words);
    }

    void values()
    {
        QCOMPARE(CGCodeWords::Letter("g01"), 'G');
        QCOMPARE(CGCodeWords::IntValue("G01"), 1);
        QCOMPARE(CGCodeWords::IntValue("G"), 0);
        QCOMPARE(CGCodeWords::IntValue("Mx"), 0);
        QCOMPARE(CGCodeWords::DoubleValue("X-12.5"), -12.5);
        QCOMPARE(CGCodeWords::UIntValue("P100"), 100u);
        QCOMPARE(CGCodeWords::UIntValue("P1x"), 0u);
        QCOMPARE(CGCodeWords::UIntValue("L-3"), 0u);
    }

    void decimalPointWhateverTheLocale()
    {
        const char* previous = setlocale(LC_NUMERIC, nullptr);
        const std::string saved = previous ? previous : "C";
        if (!setlocale(LC_NUMERIC, "de_DE.UTF-8") && !setlocale(LC_NUMERIC, "de_DE"))
            QSKIP("no German locale on this machine");
        QCOMPARE(CGCodeWords::DoubleValue("X10.5"), 10.5);
        QCOMPARE(CGCodeWords::DoubleValue("F-0.25"), -0.25);
        QCOMPARE(CGCodeWords::DoubleValue("X+2"), 2.0);
        QCOMPARE(CGCodeWords::DoubleValue("X1.5.3"), 1.5);
        QCOMPARE(CGCodeWords::DoubleValue("X."), 0.0);
        setlocale(LC_NUMERIC, saved.c_str());
    }

    void valueRules_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<bool>("number");
        QTest::addColumn<bool>("count");
        QTest::newRow("digits") << "G91" << true << true << true;
        QTest::newRow("bare letter") << "G" << true << false << false;
        QTest::newRow("decimal part") << "G91.1" << false << true << false;
        QTest::newRow("signed") << "G-1" << false << true << false;
        QTest::newRow("trailing minus") << "G1-" << false << false << false;
        QTest::newRow("point only") << "X." << false << false << false;
        QTest::newRow("minus only") << "X-" << false << false << false;
        QTest::newRow("two minus") << "X--5" << false << false << false;
        QTest::newRow("two points") << "X1.2.3" << false << false << false;
        QTest::newRow("leading point") << "X-.5" << false << true << false;
        QTest::newRow("trailing point") << "X5." << false << true << false;
        QTest::newRow("plus") << "X+5" << false << false << false;
        QTest::newRow("infinity") << "Xinf" << false << false << false;
        QTest::newRow("exponent") << "X1e400" << false << false << false;
        QTest::newRow("beyond a double") << "X" + QString(400, '9') << true << false << false;
        QTest::newRow("far below a unit") << "X0." + QString(400, '0') + "1" << false << true << false;
        QTest::newRow("largest count") << "L4294967295" << true << true << true;
        QTest::newRow("count beyond 32 bits") << "L4294967296" << true << true << false;
    }
    void valueRules()
    {
        QFETCH(QString, word);
        QFETCH(bool, whole);
        QFETCH(bool, number);
        QFETCH(bool, count);
        const std::string w = word.toStdString();
        QCOMPARE(CGCodeWords::IsWholeNumber(w), whole);
        QCOMPARE(CGCodeWords::IsNumber(w), number);
        QCOMPARE(CGCodeWords::IsCount(w), count);
    }

    void intValueSaturates()
    {
        QCOMPARE(CGCodeWords::IntValue("S99999999999"), std::numeric_limits<int>::max());
        QCOMPARE(CGCodeWords::IntValue("G-99999999999"), std::numeric_limits<int>::min());
        QCOMPARE(CGCodeWords::IntValue("G-2147483648"), std::numeric_limits<int>::min());
        QCOMPARE(CGCodeWords::IntValue("M1.5"), 1);
    }

    void firstUnrunWord_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("modalArc");
        QTest::addColumn<int>("unrun"); // -1: every word runs
        QTest::newRow("move reads its own words") << "G1 X1 Y2 Z3 A1 B2 F100 S500" << false << -1;
        QTest::newRow("M after the move") << "G0 X1 M30" << false << 2;
        QTest::newRow("G after the move") << "G1 X10 Y2 G91" << false << 3;
        QTest::newRow("words before the move run") << "N5 M5 G90 G0 X1" << false << -1;
        QTest::newRow("G0 without axis words is no move") << "G0 F200 M5" << false << -1;
        QTest::newRow("modal axis line") << "X1 Y2 T3" << false << 2;
        QTest::newRow("arc words after a straight move") << "X1 I2" << false << 1;
        QTest::newRow("arc words after a modal arc") << "X1 Y1 I2 J0 R1" << true << -1;
        QTest::newRow("arc reads I J K R") << "G2 X1 Y0 I1 J0 K0 F5 S10" << false << -1;
        QTest::newRow("after an arc") << "G3 X1 Y0 I1 J0 M8" << false << 5;
        QTest::newRow("I line continues the arc") << "I1 J0 M9" << false << 2;
        QTest::newRow("comment ends the words") << "G0 X1 (M30 G91" << false << -1;
        QTest::newRow("G28 takes its point") << "G28 G91 X0 Y0 Z0" << false << -1;
        QTest::newRow("M98 takes its arguments") << "M98 P10 L2" << false << -1;
        QTest::newRow("second move word") << "G0 X1 G0 Y2" << false << 2;
        QTest::newRow("word after a closed comment") << "(lift) G0 Z5" << false << 6;
        QTest::newRow("word after a nested comment") << "M5 (a (b) c) M9" << false << 8;
        QTest::newRow("comments only after the comment") << "G0 X1 (a) (b) ; (c) G0" << false << -1;
    }
    void firstUnrunWord()
    {
        QFETCH(QString, line);
        QFETCH(bool, modalArc);
        QFETCH(int, unrun);
        const GCodeTokens words = CGCodeProgram::Parse_GCode_Line(line);
        const size_t found = CGCodeWords::FirstUnrunWord(words, modalArc);
        QCOMPARE(found == words.size() ? -1 : int(found), unrun);
    }
};

QTEST_MAIN(TestGCodeWords)
#include "tst_gcodewords.moc"
