// The G-code window's arithmetic: the ten-line list window, the error line
// each navigation button goes to, the line editor's "[index]" prefix, the
// start line's range, and the keypad ranges of the DXF and run-settings
// dialogs.
#include "core/AppConfig.h"
#include "gcode/gcodeentryranges.h"
#include "gcode/gcodenavigator.h"

#include <QtTest>

class TestGCodeNavigator : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void listWindow_data();
    void listWindow();
    void errorTarget_data();
    void errorTarget();
    void lineEditText();
    void startLine_data();
    void startLine();
    void entryRanges();
};

void TestGCodeNavigator::cleanup()
{
    AppConfig::m_bHomeSensorsUsed = false;
    AppConfig::m_fAxisNegDirLimit[Z_AXIS] = -40;
    for (double& f : AppConfig::m_fAxisMovPerPulse)
        f = 0.001;
    AppConfig::m_fMinMaxAxisFeed = 25.0;
}

void TestGCodeNavigator::listWindow_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("end");
    QTest::newRow("top of 25") << 0 << 25 << 0 << 10;
    QTest::newRow("middle of 25") << 7 << 25 << 7 << 17;
    QTest::newRow("last full window") << 15 << 25 << 15 << 25;
    QTest::newRow("past the last window") << 20 << 25 << 15 << 25;
    QTest::newRow("beyond the end") << 400 << 25 << 15 << 25;
    QTest::newRow("short program") << 0 << 5 << 0 << 5;
    QTest::newRow("short program scrolled") << 3 << 5 << 0 << 5;
    QTest::newRow("negative bar value") << -5 << 5 << 0 << 5;
    QTest::newRow("exactly ten") << 4 << 10 << 0 << 10;
    QTest::newRow("eleven, one down") << 1 << 11 << 1 << 11;
    QTest::newRow("empty") << 3 << 0 << 0 << 0;
}

void TestGCodeNavigator::listWindow()
{
    QFETCH(int, from);
    QFETCH(int, lines);
    const auto win = CGCodeNavigator::ListWindow(from, size_t(lines));
    QTEST(win.m_iFirst, "first");
    QTEST(win.m_iEnd, "end");
}

void TestGCodeNavigator::errorTarget_data()
{
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("step");
    QTest::addColumn<int>("target");
    using N = CGCodeNavigator;
    // Errors on lines 2, 5 and 20.
    QTest::newRow("first") << 5 << int(N::ERR_FIRST) << 2;
    QTest::newRow("last") << 5 << int(N::ERR_LAST) << 20;
    QTest::newRow("next") << 2 << int(N::ERR_NEXT) << 5;
    QTest::newRow("next on the last stays") << 20 << int(N::ERR_NEXT) << 20;
    QTest::newRow("previous") << 20 << int(N::ERR_PREV) << 5;
    QTest::newRow("previous on the first stays") << 2 << int(N::ERR_PREV) << 2;
    QTest::newRow("previous from a line without errors") << 9 << int(N::ERR_PREV) << 20;
    QTest::newRow("next from a line without errors") << 9 << int(N::ERR_NEXT) << 20;
    QTest::newRow("next from above every error") << 0 << int(N::ERR_NEXT) << 2;
    QTest::newRow("next from below every error") << 30 << int(N::ERR_NEXT) << 20;
}

void TestGCodeNavigator::errorTarget()
{
    QFETCH(int, current);
    QFETCH(int, step);
    const GCodeErrorMap errors{{2, "a"}, {5, "b"}, {20, "c"}};
    unsigned int uiTarget = 999;
    QVERIFY(CGCodeNavigator::ErrorTarget(errors, unsigned(current), CGCodeNavigator::eErrorStep(step), uiTarget));
    QTEST(int(uiTarget), "target");
    QVERIFY(!CGCodeNavigator::ErrorTarget(GCodeErrorMap(), 0, CGCodeNavigator::eErrorStep(step), uiTarget));
}

void TestGCodeNavigator::lineEditText()
{
    QCOMPARE(CGCodeNavigator::LineEditText(34, "G1 X5"), QStringLiteral("[34]G1 X5"));
    const struct
    {
        const char* typed;
        const char* text;
    } cases[] = {
        {"[3]G1X5", "G1X5"},
        {"G0 X1", "G0 X1"},        // no prefix: the whole text
        {"[3]M5 (a]b)", "M5 (a]b)"}, // only the first "]" ends the prefix
        {"]", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        QCOMPARE(CGCodeNavigator::EditedText(QString::fromUtf8(c.typed)), QString::fromUtf8(c.text));
}

void TestGCodeNavigator::startLine_data()
{
    QTest::addColumn<double>("entry");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("line");
    QTest::newRow("first line allowed") << 0.0 << 10 << 0;
    QTest::newRow("last line") << 9.0 << 10 << 9;
    QTest::newRow("beyond the end") << 99.0 << 10 << 9;
    QTest::newRow("negative") << -3.0 << 10 << 0;
    QTest::newRow("one-line program") << 4.0 << 1 << 0;
    QTest::newRow("empty program") << 4.0 << 0 << 0;
    QTest::newRow("not a number") << qQNaN() << 10 << 0;
}

void TestGCodeNavigator::startLine()
{
    QFETCH(double, entry);
    QFETCH(int, lines);
    QTEST(CGCodeNavigator::ClampStartLine(entry, size_t(lines)), "line");
    const stFloatPoint range = CGCodeNavigator::StartLineRange(size_t(lines));
    QCOMPARE(range.x, 0.0);
    QCOMPARE(range.y, double(std::max(0, lines - 1)));
}

void TestGCodeNavigator::entryRanges()
{
    auto check = [](const stFloatPoint& r, double fMin, double fMax) {
        return qFuzzyCompare(r.x + 1e6, fMin + 1e6) && qFuzzyCompare(r.y + 1e6, fMax + 1e6);
    };
    AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.0025;
    QVERIFY(check(CGCodeEntryRanges::DxfFeed(), 1.0, 1500.0));
    QVERIFY(check(CGCodeEntryRanges::DxfToolDia(), 1.0, 100.0));
    // Without home switches: wide limits, but a Z step never 0.
    QVERIFY(check(CGCodeEntryRanges::DxfZStep(), 0.0025, 10000.0));
    QVERIFY(check(CGCodeEntryRanges::DxfDepth(), -10000.0, -0.0025));
    // With home switches the Z travel below the work surface bounds both.
    AppConfig::m_bHomeSensorsUsed = true;
    QVERIFY(check(CGCodeEntryRanges::DxfZStep(), 0.0025, 40.0));
    QVERIFY(check(CGCodeEntryRanges::DxfDepth(), -40.0, -0.0025));
    // A Z limit that leaves no room still gives a usable one-step range.
    AppConfig::m_fAxisNegDirLimit[Z_AXIS] = 0.0;
    QVERIFY(check(CGCodeEntryRanges::DxfZStep(), 0.0025, 0.0025));
    QVERIFY(check(CGCodeEntryRanges::DxfDepth(), -0.0025, -0.0025));
    // A step of 0 in the settings never allows a length of 0.
    AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.0;
    QVERIFY(CGCodeEntryRanges::DxfZStep().x > 0.0);

    AppConfig::m_fAxisMovPerPulse[X_AXIS] = 0.001;
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.002;
    QVERIFY(check(CGCodeEntryRanges::AxisStep(), 0.001, 10.0));

    const stFloatPoint step = CGCodeEntryRanges::AxisStep();
    QCOMPARE(CGCodeEntryRanges::Clamp(20.0, step), 10.0);
    QCOMPARE(CGCodeEntryRanges::Clamp(0.0005, step), 0.001);
    QCOMPARE(CGCodeEntryRanges::Clamp(3.0, step), 3.0);
    QCOMPARE(CGCodeEntryRanges::Clamp(-7.0, stFloatPoint()), -7.0); // no range
}

QTEST_MAIN(TestGCodeNavigator)
#include "tst_gcodenavigator.moc"
