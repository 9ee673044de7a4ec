// The horizontal slide bar: its form, range and scale, click spacing, and
// the value signal that follows a click 100 ms later on the GUI thread.
#include "formcheck.h"
#include "pointsupport.h"

#include "widgets/dlgmyhorizslidebar.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestSlideBar : public QObject
{
    Q_OBJECT
private slots:
    void formMatchesTable();
    void rules();
    void valueBoxFollowsValue();
    void clickSpacing();
    void delayedSignalOnTheGuiThread();
};

namespace {
// A {smallest, greatest} range.
stFloatPoint Range(double min, double max) { return Pt(min, max); }
} // namespace

void TestSlideBar::formMatchesTable()
{
    static const stFormRow kRows[] = {
        {"CdlgMyHorizSlideBar", "QDialog", 0, 0, 240, 30, "Dialog"},
        {"Btn_decreaseValue", "QPushButton", 0, 0, 30, 30, "-"},
        {"Frm_SetValue", "QFrame", 30, 0, 75, 30, nullptr},
        {"LE_SetValue", "QLineEdit", 105, 0, 30, 30, "75"},
        {"Frm_RemainValue", "QFrame", 135, 0, 75, 30, nullptr},
        {"Btn_IncreaseValue", "QPushButton", 210, 0, 30, 30, "+"},
    };
    CdlgMyHorizSlideBar bar;
    for (const stFormRow& row : kRows)
        QVERIFY2(FormMismatch(&bar, row).isEmpty(), qPrintable(FormMismatch(&bar, row)));
    auto* pBox = bar.findChild<QLineEdit*>("LE_SetValue");
    QVERIFY(pBox->isReadOnly());
    QCOMPARE(pBox->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);

    // Given a parent (the main window's frames) it is a control in it, not a
    // window of its own.
    QWidget frame;
    CdlgMyHorizSlideBar inFrame(&frame);
    QVERIFY(bar.isWindow());
    QVERIFY(!inFrame.isWindow());
    QCOMPARE(inFrame.parentWidget(), &frame);
}

void TestSlideBar::rules()
{
    const stFloatPoint r = Range(10, 150);
    QCOMPARE(CdlgMyHorizSlideBar::ScaleFor(240, r), 1.0);
    QCOMPARE(CdlgMyHorizSlideBar::ScaleFor(240, Range(1, 24)), 150.0 / 24.0);

    QCOMPARE(CdlgMyHorizSlideBar::Clamp(75.9, r), short(75));
    QCOMPARE(CdlgMyHorizSlideBar::Clamp(10, r), short(10));
    QCOMPARE(CdlgMyHorizSlideBar::Clamp(5, r), short(10));
    QCOMPARE(CdlgMyHorizSlideBar::Clamp(1e9, r), short(150));

    QCOMPARE(CdlgMyHorizSlideBar::Step(75, 5, true, r), short(80));
    QCOMPARE(CdlgMyHorizSlideBar::Step(148, 5, true, r), short(150));
    QCOMPARE(CdlgMyHorizSlideBar::Step(150, 5, true, r), short(150));
    QCOMPARE(CdlgMyHorizSlideBar::Step(12, 5, false, r), short(10));
    QCOMPARE(CdlgMyHorizSlideBar::Step(75, 5, false, r), short(70));

    QVERIFY(CdlgMyHorizSlideBar::AcceptClick(-1, 0));
    QVERIFY(!CdlgMyHorizSlideBar::AcceptClick(1000, 1300));
    QVERIFY(!CdlgMyHorizSlideBar::AcceptClick(1000, 1399));
    QVERIFY(CdlgMyHorizSlideBar::AcceptClick(1000, 1400));
    QVERIFY(CdlgMyHorizSlideBar::AcceptClick(1000, 1500));
}

void TestSlideBar::valueBoxFollowsValue()
{
    CdlgMyHorizSlideBar bar;
    QSignalSpy changed(&bar, &CdlgMyHorizSlideBar::ValueChanged);
    bar.SetSliderRange(Range(10, 150));
    bar.setValue(150);
    auto* pBox = bar.findChild<QLineEdit*>("LE_SetValue");
    QCOMPARE(pBox->x(), 180);
    QCOMPARE(pBox->text(), QStringLiteral("150"));
    QCOMPARE(bar.findChild<QFrame*>("Frm_SetValue")->geometry(), QRect(30, 0, 180, 30));
    bar.setValue(3);
    QCOMPARE(bar.GetValue(), short(10));
    QCOMPARE(pBox->x(), 40);
    QCOMPARE(changed.count(), 0); // setting the value emits nothing
}

void TestSlideBar::clickSpacing()
{
    CdlgMyHorizSlideBar bar;
    qint64 now = 5000;
    bar.m_fnNowMs = [&now]() { return now; };
    bar.SetSliderRange(Range(10, 150));
    bar.setValue(75);
    auto* pPlus = bar.findChild<QPushButton*>("Btn_IncreaseValue");
    auto* pMinus = bar.findChild<QPushButton*>("Btn_decreaseValue");

    QTest::mouseClick(pPlus, Qt::LeftButton);
    QCOMPARE(bar.GetValue(), short(80));
    now += 300;
    QTest::mouseClick(pPlus, Qt::LeftButton); // too soon: a bounce
    QCOMPARE(bar.GetValue(), short(80));
    now += 200;
    QTest::mouseClick(pMinus, Qt::LeftButton);
    QCOMPARE(bar.GetValue(), short(75));
    QCOMPARE(pMinus->styleSheet(), BTN_BKGND_BLUE);
}

void TestSlideBar::delayedSignalOnTheGuiThread()
{
    CdlgMyHorizSlideBar bar;
    bar.SetSliderRange(Range(10, 150));
    bar.setValue(150);
    QList<QThread*> threads;
    QList<short> values;
    connect(&bar, &CdlgMyHorizSlideBar::ValueChanged, &bar, [&](short v) {
        threads << QThread::currentThread();
        values << v;
    });
    auto* pPlus = bar.findChild<QPushButton*>("Btn_IncreaseValue");
    // "+" at the greatest value: unchanged, but the signal still follows.
    QTest::mouseClick(pPlus, Qt::LeftButton);
    QCOMPARE(bar.GetValue(), short(150));
    QVERIFY(values.isEmpty()); // not at once
    QTRY_COMPARE(values, QList<short>{150});
    QCOMPARE(threads.first(), QThread::currentThread());
    // The clicked button got its grey look back (position unchanged counts
    // as an increase).
    QVERIFY(pPlus->styleSheet().startsWith(QStringLiteral(":enabled")));
    QVERIFY(pPlus->styleSheet().contains(QStringLiteral("border-top-color: rgb(243, 243, 243)")));

    // A bar destroyed before its signal is due is left alone.
    auto* pGone = new CdlgMyHorizSlideBar;
    QTest::mouseClick(pGone->findChild<QPushButton*>("Btn_decreaseValue"), Qt::LeftButton);
    delete pGone;
    QTest::qWait(150);
}

QTEST_MAIN(TestSlideBar)
#include "tst_dlgmyhorizslidebar.moc"
