// Typed text to outlines: letters with holes, line placement, a font size
// that does not depend on the screen, and text running past the drawing.
#include "shapes/textoutlines.h"

#include <opencv2/imgproc.hpp>

#include <QFontDatabase>
#include <QGuiApplication>
#include <QtTest>

namespace {
stTextLayout Layout(float pitch = 60.0f, float spacing = 0.0f)
{
    stTextLayout layout;
    layout.m_iWidth = 480;
    layout.m_iHeight = 338;
    layout.m_iMargin = 25;
    layout.m_fLinePitch = pitch;
    layout.m_fLineSpacing = spacing;
    return layout;
}
QFont Font(int points, bool bold = false, bool italic = false)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}
cv::Rect Box(const std::vector<Outline>& lst)
{
    cv::Rect box;
    for (const Outline& o : lst)
        box = box.area() ? (box | cv::boundingRect(o)) : cv::boundingRect(o);
    return box;
}
} // namespace

class TestTextOutlines : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void letters_data();
    void letters();
    void baselines();
    void sizeInPixels();
    void textPastTheEdges();
    void tooLarge();
};

void TestTextOutlines::initTestCase()
{
    QVERIFY2(QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")), "DejaVu Sans is needed");
}

void TestTextOutlines::letters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<int>("outlines");
    QTest::newRow("o: outline and hole") << "o" << false << false << 2;
    QTest::newRow("B: two holes") << "B" << false << false << 3;
    QTest::newRow("i: stem and dot") << "i" << false << false << 2;
    QTest::newRow("bold italic o") << "o" << true << true << 2;
    QTest::newRow("two lines") << "ol\nx" << false << false << 4;
    QTest::newRow("empty last line") << "o\n" << false << false << 2;
    QTest::newRow("empty") << "" << false << false << 0;
}

void TestTextOutlines::letters()
{
    QFETCH(QString, text);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(int, outlines);
    std::vector<Outline> lst;
    QVERIFY(CTextOutlines::Trace(text, Font(60, bold, italic), Layout(), lst));
    QCOMPARE(int(lst.size()), outlines);
}

void TestTextOutlines::baselines()
{
    QCOMPARE(CTextOutlines::Baseline(Layout(), 0), 313);
    QCOMPARE(CTextOutlines::Baseline(Layout(), 1), 253);
    QCOMPARE(CTextOutlines::Baseline(Layout(60.0f, 10.0f), 1), 243); // 5 mm at 2 px per mm
    QCOMPARE(CTextOutlines::Baseline(Layout(60.9f), 1), 252);        // 252.1 cut toward zero
    QCOMPARE(CTextOutlines::Baseline(Layout(60.9f), 6), -52);        // above the drawing: cut toward zero

    // Two lines: the first one's letters sit one pitch higher.
    std::vector<Outline> lstOne, lstTwo;
    QVERIFY(CTextOutlines::Trace(QStringLiteral("x"), Font(60), Layout(), lstOne));
    QVERIFY(CTextOutlines::Trace(QStringLiteral("x\n"), Font(60), Layout(), lstTwo));
    QCOMPARE(Box(lstTwo).y, Box(lstOne).y - 60);
    QCOMPARE(Box(lstTwo).x, Box(lstOne).x);
}

// A font of N points is N pixels high at the canvas's fixed 72 dots per inch,
// whatever the screen says.
void TestTextOutlines::sizeInPixels()
{
    std::vector<Outline> lst60, lst120;
    QVERIFY(CTextOutlines::Trace(QStringLiteral("H"), Font(60), Layout(), lst60));
    QVERIFY(CTextOutlines::Trace(QStringLiteral("H"), Font(120), Layout(), lst120));
    const int h60 = Box(lst60).height;
    // DejaVu Sans capitals are 0.73 em high.
    QVERIFY2(qAbs(h60 - 44) <= 2, qPrintable(QString::number(h60)));
    QVERIFY2(qAbs(Box(lst120).height - 2 * h60) <= 3, qPrintable(QString::number(Box(lst120).height)));
    // The baseline lies at the bottom of the capital.
    QVERIFY(qAbs(Box(lst60).br().y - 313) <= 1);
}

// Text beyond the drawing's edges is traced whole, not cut into false
// outlines at the edge.
void TestTextOutlines::textPastTheEdges()
{
    std::vector<Outline> lst;
    QVERIFY(CTextOutlines::Trace(QStringLiteral("oooooooooooo"), Font(100), Layout(100.0f), lst));
    QCOMPARE(int(lst.size()), 24);
    QVERIFY(Box(lst).br().x > 480);

    QVERIFY(CTextOutlines::Trace(QStringLiteral("o\no\no\no\no\no\no"), Font(60), Layout(), lst));
    QCOMPARE(int(lst.size()), 14);
    QVERIFY(Box(lst).y < 0);
}

void TestTextOutlines::tooLarge()
{
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QStringLiteral("WWWWWWWWWWWWWWWWWWWW\n");
    std::vector<Outline> lst;
    QString strError;
    QVERIFY(!CTextOutlines::Trace(text, Font(1000), Layout(1000.0f), lst, &strError));
    QVERIFY(lst.empty());
    QVERIFY(!strError.isEmpty());
}

QTEST_MAIN(TestTextOutlines)
#include "tst_textoutlines.moc"
