#include "control/gcodewords.h"
#include "gcode/gcodeprogram.h"

#include <QtTest>

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

    void wholeNumbers()
    {
        QVERIFY(CGCodeWords::IsWholeNumber("G91"));
        QVERIFY(CGCodeWords::IsWholeNumber("G"));
        QVERIFY(CGCodeWords::IsWholeNumber("G-1"));
        QVERIFY(!CGCodeWords::IsWholeNumber("G91.1"));
        QVERIFY(!CGCodeWords::IsWholeNumber("G1.0"));
        QVERIFY(!CGCodeWords::IsWholeNumber("G1-"));
    }
};

QTEST_MAIN(TestGCodeWords)
#include "tst_gcodewords.moc"
