// The spindle pages' arithmetic: frequency limits that bound each other, the
// slider's frequency step and frequencies, and the clamps into 16-bit fields.
#include "settings/spindlesettingsmath.h"

#include <QtTest>

#include <limits>

class TestSpindleSettingsMath : public QObject
{
    Q_OBJECT
private slots:
    void ranges();
    void freqStep_data();
    void freqStep();
    void sliderFrequencies();
    void clampToRange_data();
    void clampToRange();
    void tableEntries_data();
    void tableEntries();
};

void TestSpindleSettingsMath::ranges()
{
    using M = CSpindleSettingsMath;
    QCOMPARE(M::MinFreqRange(3000).x, 100.0);
    QCOMPARE(M::MinFreqRange(3000).y, 2977.0);
    QCOMPARE(M::MaxFreqRange(100).x, 123.0);
    QCOMPARE(M::MaxFreqRange(100).y, 10000.0);
    QCOMPARE(M::DelayRange().x, 10.0);
    QCOMPARE(M::DelayRange().y, 3000.0);
}

void TestSpindleSettingsMath::freqStep_data()
{
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("step");
    QTest::newRow("defaults") << 100 << 3000 << 120;
    QTest::newRow("closest limits") << 100 << 123 << 0;
    QTest::newRow("widest") << 100 << 10000 << 412;
    QTest::newRow("raised minimum") << 2900 << 3000 << 4;
    QTest::newRow("crossed limits") << 3000 << 100 << 0;
}

void TestSpindleSettingsMath::freqStep()
{
    QFETCH(int, min);
    QFETCH(int, max);
    QFETCH(int, step);
    QCOMPARE(int(CSpindleSettingsMath::FreqStep(quint16(min), quint16(max))), step);
}

void TestSpindleSettingsMath::sliderFrequencies()
{
    using M = CSpindleSettingsMath;
    // Defaults with their step: position 1 the minimum, 24 the maximum.
    QCOMPARE(int(M::FreqAtPosition(1, 100, 3000, 120)), 100);
    QCOMPARE(int(M::FreqAtPosition(23, 100, 3000, 120)), 2740);
    QCOMPARE(int(M::FreqAtPosition(24, 100, 3000, 120)), 3000);
    // Step 0: every position below 24 gives the minimum.
    QCOMPARE(int(M::FreqAtPosition(23, 100, 123, 0)), 100);
    // A step left from wider limits never drives past the maximum.
    QCOMPARE(int(M::FreqAtPosition(23, 2900, 3000, 120)), 3000);
    // Every position of every recomputed step lies within the limits.
    for (int min : {100, 1000, 2977})
        for (int max : {min + 23, 3000, 10000}) {
            if (max < min + 23)
                continue;
            const quint16 step = M::FreqStep(quint16(min), quint16(max));
            for (int pos = 1; pos <= 24; ++pos) {
                const int f = M::FreqAtPosition(pos, quint16(min), quint16(max), step);
                QVERIFY2(f >= min && f <= max, qPrintable(QStringLiteral("%1..%2 at %3: %4").arg(min).arg(max).arg(pos).arg(f)));
            }
        }
}

void TestSpindleSettingsMath::clampToRange_data()
{
    QTest::addColumn<qlonglong>("value");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("result");
    QTest::newRow("minimum below 100") << 50LL << 100.0 << 2977.0 << 100;
    QTest::newRow("minimum up to the maximum less 23") << 2999LL << 100.0 << 2977.0 << 2977;
    QTest::newRow("maximum down to the minimum plus 23") << 110LL << 123.0 << 10000.0 << 123;
    QTest::newRow("maximum above 10000") << 70000LL << 123.0 << 10000.0 << 10000;
    QTest::newRow("delay below 10") << 5LL << 10.0 << 3000.0 << 10;
    QTest::newRow("inside") << 1500LL << 10.0 << 3000.0 << 1500;
    QTest::newRow("negative") << -5LL << 10.0 << 3000.0 << 10;
    QTest::newRow("crossed range keeps its lower bound") << 500LL << 100.0 << 87.0 << 100;
}

void TestSpindleSettingsMath::clampToRange()
{
    QFETCH(qlonglong, value);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, result);
    QCOMPARE(int(CSpindleSettingsMath::ClampToRange(value, KeypadRange(min, max))), result);
}

// Speed-table entries and wait times beyond their 16-bit fields are clamped
// instead of wrapping round.
void TestSpindleSettingsMath::tableEntries_data()
{
    QTest::addColumn<double>("entry");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("delay");
    QTest::addColumn<bool>("clamped");
    QTest::newRow("whole") << 1500.0 << 1500 << 1500 << false;
    QTest::newRow("fraction truncated") << 150.7 << 150 << 150 << false;
    QTest::newRow("speed field full") << 32767.0 << 32767 << 32767 << false;
    QTest::newRow("beyond 32767 rpm") << 40000.0 << 32767 << 40000 << true;
    QTest::newRow("beyond 65535 ms") << 70000.9 << 32767 << 65535 << true;
    QTest::newRow("negative") << -3.0 << 0 << 0 << true;
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << 0 << 0 << true;
}

void TestSpindleSettingsMath::tableEntries()
{
    QFETCH(double, entry);
    QFETCH(int, speed);
    QFETCH(int, delay);
    QFETCH(bool, clamped);
    bool bSpeedClamped = false;
    bool bDelayClamped = false;
    QCOMPARE(int(CSpindleSettingsMath::SpeedEntry(entry, &bSpeedClamped)), speed);
    QCOMPARE(int(CSpindleSettingsMath::DelayEntry(entry, &bDelayClamped)), delay);
    QCOMPARE(bSpeedClamped || bDelayClamped, clamped);
}

QTEST_APPLESS_MAIN(TestSpindleSettingsMath)
#include "tst_spindlesettingsmath.moc"
