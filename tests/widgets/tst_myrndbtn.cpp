// The round latching button: each press toggles it, it never takes focus,
// and it paints pressed and released discs.
#include "widgets/myrndbtn.h"

#include <QSignalSpy>
#include <QtTest>

class TestMyRndBtn : public QObject
{
    Q_OBJECT
private slots:
    void clicksLatchAndUnlatch();
    void keyboardCannotPressIt();
    void setStateEmitsNothing();
    void paintsItsState();
};

void TestMyRndBtn::clicksLatchAndUnlatch()
{
    CMyRndBtn btn;
    btn.resize(100, 100);
    QSignalSpy pressed(&btn, &QPushButton::pressed);
    QSignalSpy released(&btn, &QPushButton::released);
    QSignalSpy clicked(&btn, &QPushButton::clicked);

    QTest::mouseClick(&btn, Qt::LeftButton);
    QVERIFY(btn.IsPressed());
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 0); // the mouse release does not let go

    QTest::mouseClick(&btn, Qt::LeftButton);
    QVERIFY(!btn.IsPressed());
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 1);
    QCOMPARE(clicked.count(), 0);

    // A quick second click is a second press, not a swallowed double click.
    QTest::mouseDClick(&btn, Qt::LeftButton);
    QCOMPARE(pressed.count() + released.count(), 3);
}

void TestMyRndBtn::keyboardCannotPressIt()
{
    QWidget host;
    CMyRndBtn btn(&host);
    btn.resize(100, 100);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCOMPARE(btn.focusPolicy(), Qt::NoFocus);
    QSignalSpy pressed(&btn, &QPushButton::pressed);
    QSignalSpy released(&btn, &QPushButton::released);
    btn.setFocus();
    QTest::keyClick(&btn, Qt::Key_Space);
    QTest::keyClick(&btn, Qt::Key_Return);
    QCOMPARE(pressed.count(), 0);
    QCOMPARE(released.count(), 0);
    QVERIFY(!btn.IsPressed());
}

void TestMyRndBtn::setStateEmitsNothing()
{
    CMyRndBtn btn;
    QSignalSpy pressed(&btn, &QPushButton::pressed);
    QSignalSpy released(&btn, &QPushButton::released);
    btn.SetPressed();
    QVERIFY(btn.IsPressed());
    btn.SetReleased();
    QVERIFY(!btn.IsPressed());
    QCOMPARE(pressed.count() + released.count(), 0);
    // Defaults the main window relies on.
    QCOMPARE(btn.m_strText, QStringLiteral("Stop"));
    QCOMPARE(btn.m_nFontSize, qint16(25));
    QCOMPARE(btn.m_nTextX, qint16(20));
}

void TestMyRndBtn::paintsItsState()
{
    CMyRndBtn btn;
    btn.resize(100, 100);
    btn.SetBtnColor(QColor(0, 255, 0), QColor(0, 128, 0));
    QImage released = btn.grab().toImage();
    btn.SetPressed();
    QImage pressed = btn.grab().toImage();
    // Corner: the background; near the rim: the released disc reaches
    // further out than the pressed one.
    QCOMPARE(released.pixelColor(1, 1), QColor(60, 60, 60));
    QCOMPARE(released.pixelColor(50, 6), QColor(0, 128, 0));
    QCOMPARE(pressed.pixelColor(50, 6), QColor(50, 50, 50));
    QCOMPARE(pressed.pixelColor(30, 30), QColor(0, 255, 0));
}

QTEST_MAIN(TestMyRndBtn)
#include "tst_myrndbtn.moc"
