// Value buttons: a text too wide for its button is written smaller, never
// cut, and a shorter text gets the button's own size back.
#include "core/common.h"
#include "widgets/buttontext.h"
#include "widgets/resources.h"

#include <QFontMetrics>
#include <QIcon>
#include <QPushButton>
#include <QtTest>

namespace {
// A value button as the forms build them: 90 x 40, Sans Serif, the grey
// style sheet with its 2 px border.
struct stButton
{
    explicit stButton(int iWidth = 90, int iPointSize = 10, bool bBold = false, const char* pIcon = nullptr)
    {
        btn.resize(iWidth, 40);
        QFont font(QStringLiteral("Sans Serif"), iPointSize);
        font.setBold(bBold);
        btn.setFont(font);
        btn.setStyleSheet(BTN_BKGND_GRAY);
        if (pIcon)
            btn.setIcon(QIcon(QLatin1String(pIcon)));
        btn.ensurePolished();
    }
    QPushButton btn;
};

// The widest line of the button's text in the font it shows it in.
int WidestLine(const QPushButton& btn)
{
    int iWidest = 0;
    for (const QString& strLine : btn.text().split(QLatin1Char('\n')))
        iWidest = qMax(iWidest, QFontMetrics(btn.font()).horizontalAdvance(strLine));
    return iWidest;
}
} // namespace

class TestButtonText : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { InitAppResources(); }
    void longValuesShrinkShortOnesKeepTheirSize_data();
    void longValuesShrinkShortOnesKeepTheirSize();
    void shorterTextGetsTheFullSizeBack();
};

void TestButtonText::longValuesShrinkShortOnesKeepTheirSize_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("shrinks");

    QTest::newRow("max feed fits") << 90 << 10 << false << QString() << "30.0000\nMax Feed" << false;
    QTest::newRow("max feed 15000000") << 90 << 10 << false << QString() << "15000000.0000\nMax Feed" << true;
    QTest::newRow("rate of acc 10000000") << 90 << 10 << false << QString() << "10000000.0000\nRate of Acc" << true;
    QTest::newRow("bold 11 pt") << 90 << 11 << true << QString() << "-123456.0000\nDepth" << true;
    QTest::newRow("caption wider") << 90 << 10 << false << QString() << "1.0000\nOrientation(deg)" << true;
    QTest::newRow("beside an icon") << 90 << 10 << false << ":/res/DrillBit.png" << "1234567.8\nEnd-Mill" << true;
    QTest::newRow("narrow limit button") << 60 << 10 << false << QString() << "-1000000.0000" << true;
}

void TestButtonText::longValuesShrinkShortOnesKeepTheirSize()
{
    QFETCH(int, width);
    QFETCH(int, pointSize);
    QFETCH(bool, bold);
    QFETCH(QString, icon);
    QFETCH(QString, text);
    QFETCH(bool, shrinks);
    stButton b(width, pointSize, bold, icon.isEmpty() ? nullptr : qPrintable(icon));

    CButtonText::Set(&b.btn, text);
    QCOMPARE(b.btn.text(), text); // the whole number, not a cut one
    QCOMPARE(b.btn.font().bold(), bold);
    QCOMPARE(b.btn.font().family(), QStringLiteral("Sans Serif"));
    // Every line lies inside the 2 px border, beside the icon when there is one.
    const int iInside = width - 2 * 2 - (icon.isEmpty() ? 0 : b.btn.iconSize().width());
    QVERIFY2(WidestLine(b.btn) <= iInside, qPrintable(QString::number(WidestLine(b.btn))));
    if (shrinks)
        QVERIFY(b.btn.font().pointSizeF() < pointSize);
    else
        QCOMPARE(b.btn.font().pointSizeF(), double(pointSize));
}

void TestButtonText::shorterTextGetsTheFullSizeBack()
{
    stButton b;
    CButtonText::Set(&b.btn, QStringLiteral("15000000.0000\nMax Feed"));
    QVERIFY(b.btn.font().pointSizeF() < 10.0);
    CButtonText::Set(&b.btn, QStringLiteral("15.0000\nMax Feed"));
    QCOMPARE(b.btn.font().pointSizeF(), 10.0);
}

QTEST_MAIN(TestButtonText)
#include "tst_buttontext.moc"
