#include "control/gcodewritersink.h"

#include <QtTest>

#include <cmath>
#include <limits>
#include <random>

namespace {
QString Fast(double value)
{
    char buf[CGCodeWriterSink::NUM_CHARS];
    return QString::fromLatin1(buf, CGCodeWriterSink::NumChars(value, buf));
}
} // namespace

// The writer's lines are built without strings; they must be the text the
// string builder (Line, QString::number) gives, byte for byte.
class TestGCodeWriterSink : public QObject
{
    Q_OBJECT
private slots:
    void numbers_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0.0000";
        QTest::newRow("negative zero has no sign") << -0.0 << "0.0000";
        QTest::newRow("below zero, rounds to zero") << -0.00004 << "-0.0000";
        QTest::newRow("tiny below zero") << -1e-300 << "-0.0000";
        QTest::newRow("exact half rounds away from zero") << 0.03125 << "0.0313";
        QTest::newRow("exact half, negative") << -0.15625 << "-0.1563";
        QTest::newRow("just below a half") << 0.00005 << "0.0001"; // 0.00005 is stored a hair above
        QTest::newRow("just above a half, negative") << -1.00005 << "-1.0001";
        QTest::newRow("end-mill radius") << 1.5875 << "1.5875";
        QTest::newRow("carried into the whole part") << 9.99996 << "10.0000";
        QTest::newRow("largest written without the builder") << 999999999.99994 << "999999999.9999";
        QTest::newRow("a grid depth") << -(255 - 37) * (7.5 / 255) << "-6.4118";
    }
    void numbers()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(QString::number(value, 'f', 4), text);
        QCOMPARE(Fast(value), text);
    }

    // Values the builder must write itself: NumChars declines them.
    void numbersLeftToTheBuilder()
    {
        char buf[CGCodeWriterSink::NUM_CHARS];
        for (double value : {1e9, -1e9, 1e300, std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::quiet_NaN()})
            QCOMPARE(CGCodeWriterSink::NumChars(value, buf), 0);
    }

    // Random values over every magnitude a carving or a shape writes, exact
    // halves, whole 1/10000 mm and picture depths.
    void numbersSweep()
    {
        std::mt19937_64 rng(34);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        std::uniform_int_distribution<int> magnitude(-9, 8);
        std::vector<double> values;
        for (int i = 0; i < 200000; ++i)
            values.push_back(unit(rng) * std::pow(10.0, magnitude(rng)));
        for (int k = -4000; k <= 4000; ++k)
            values.push_back(k / 32.0 + (k % 7) * 1000.0); // exact halves of the last digit
        for (int units = -300000; units <= 300000; units += 7)
            values.push_back(units / 10000.0);
        for (int g = 0; g < 256; ++g)
            for (double depth : {1.0, 2.5, 7.5, 10.0, 12.0})
                values.push_back(-(255 - g) * (depth / 255));
        int wrong = 0;
        for (double v : values)
            if (Fast(v) != QString::number(v, 'f', 4) && ++wrong <= 5)
                qWarning("%.17g: %s, expected %s", v, qPrintable(Fast(v)), qPrintable(QString::number(v, 'f', 4)));
        QCOMPARE(wrong, 0);
    }

    // Every kind of move, every set of axes, with and without the G word,
    // numbers in and out of NumChars' range: the sink writes Line's text.
    void linesAsTheBuilderWritesThem()
    {
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> coord(-300.0, 300.0);
        const eSinkMove kinds[] = {eSinkMove::Rapid, eSinkMove::Descent, eSinkMove::Feed, eSinkMove::Plunge,
                                   eSinkMove::Walk,  eSinkMove::ArcCCW,  eSinkMove::ArcCW};
        QString text;
        QString expect;
        QTextStream out(&text);
        CGCodeWriterSink sink(out);
        for (int i = 0; i < 2000; ++i) {
            stSinkMove move = stSinkMove::Make(kinds[i % 7], stSinkMove::At(coord(rng), coord(rng), coord(rng)),
                                               stSinkMove::At(coord(rng), coord(rng), -0.0), unsigned(i / 7 % 8),
                                               i % 3 == 0);
            move.m_Center = stSinkMove::At(coord(rng), coord(rng), 0.0);
            if (i % 50 == 0)
                move.m_Target.y = 2e9; // written by the builder
            QVERIFY(sink.Move(move));
            QCOMPARE(sink.Position().x, move.m_Target.x);
            expect += CGCodeWriterSink::Line(move) + QLatin1Char('\n');
        }
        out.flush();
        QCOMPARE(text, expect);
    }
};

QTEST_MAIN(TestGCodeWriterSink)
#include "tst_gcodewritersink.moc"
