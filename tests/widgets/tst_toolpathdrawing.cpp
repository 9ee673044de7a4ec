// The tool-path picture: its size from the work piece, the reference-corner
// signs, the grey levels of depth, the mapping of a work position to a
// picture point, and a few pixels of a drawn path.
#include "fakemainwindow.h"
#include "fakeprompter.h"

#include "widgets/toolpathdrawing.h"

#include <QPushButton>

#include <QtTest>

class TestToolPathDrawing : public QObject
{
    Q_OBJECT
private slots:
    void pictureSize();
    void hugeWorkPieceIsCapped();
    void referenceSigns_data();
    void referenceSigns();
    void greyLevels_data();
    void greyLevels();
    void referenceCornerStartsThePath_data();
    void referenceCornerStartsThePath();
    void drawnPath();
    void pathUpThePictureStaysWhole();
    void sizeButtons();
};

void TestToolPathDrawing::pictureSize()
{
    CToolPathDrawing d;
    QCOMPARE(d.Side(), 380); // start-up margin
    QCOMPARE(d.Image()->size(), QSize(380, 380));
    QCOMPARE(d.Image()->format(), QImage::Format_RGB888);
    QCOMPARE(d.Origin(), QPoint(190, 190));
    QCOMPARE(d.ZDrawScale(), 22.5);
    QImage* pImg = d.Image();
    d.SetWidth(250); // the same width again: the later margin
    QCOMPARE(d.Side(), 390);
    QCOMPARE(d.Image(), pImg); // a view showing it by pointer stays valid
    QCOMPARE(d.Image()->size(), QSize(390, 390));
    d.SetHeight(45);
    QCOMPARE(d.ZDrawScale(), 5.0);
    QCOMPARE(d.Side(), int(std::sqrt(200.0 * 200 + 250 * 250) + 45 + 60));
    d.SetHeight(0); // ignored: the scale would divide by zero
    QCOMPARE(d.WorkPieceSize().z, 45.0);
    QCOMPARE(d.PixelsPerMm(), 1.0);
}

void TestToolPathDrawing::hugeWorkPieceIsCapped()
{
    CToolPathDrawing d;
    d.SetLength(10000);
    d.SetWidth(10000);
    d.SetHeight(10000);
    QCOMPARE(d.Side(), CToolPathDrawing::MAX_SIDE);
    QCOMPARE(d.Image()->width(), CToolPathDrawing::MAX_SIDE);
    const double fRaw = CToolPathDrawing::RawSide(d.WorkPieceSize(), CToolPathDrawing::CHANGE_MARGIN);
    QCOMPARE(d.PixelsPerMm(), CToolPathDrawing::MAX_SIDE / fRaw);
    // The whole work piece still lands inside the picture.
    d.Clear(0, 0);
    for (double x : {0.0, 10000.0})
        for (double y : {0.0, 10000.0}) {
            d.Draw(0, 0, x, y, 0.0);
            QVERIFY(QRect(0, 0, d.Side(), d.Side()).contains(d.LastToolPt()));
        }
}

void TestToolPathDrawing::referenceSigns_data()
{
    QTest::addColumn<int>("runMode");
    QTest::addColumn<int>("homeRef");
    QTest::addColumn<QPoint>("signs");
    QTest::newRow("run 5, top-left") << 5 << 0 << QPoint(1, -1);
    QTest::newRow("run 5, top-right") << 5 << 2 << QPoint(-1, -1);
    QTest::newRow("run 5, bottom-right") << 5 << 4 << QPoint(-1, 1);
    QTest::newRow("run 5, bottom-left") << 5 << 6 << QPoint(1, 1);
    QTest::newRow("run 5, centre") << 5 << 8 << QPoint(0, 0);
    QTest::newRow("run 5, odd value") << 5 << 3 << QPoint(1, 1);
    QTest::newRow("shapes ignore the corner") << 3 << 2 << QPoint(1, 1);
    QTest::newRow("idle ignores the corner") << 0 << 8 << QPoint(1, 1);
}

void TestToolPathDrawing::referenceSigns()
{
    QFETCH(int, runMode);
    QFETCH(int, homeRef);
    QFETCH(QPoint, signs);
    QCOMPARE(CToolPathDrawing::RefSigns(runMode, homeRef), signs);
}

void TestToolPathDrawing::greyLevels_data()
{
    QTest::addColumn<double>("z");
    QTest::addColumn<int>("grey");
    QTest::newRow("surface") << 0.0 << 255;
    QTest::newRow("above") << 3.0 << 255;
    QTest::newRow("half depth") << -5.0 << 142; // 255 - 112.5, truncated
    QTest::newRow("full depth") << -10.0 << 30;
    QTest::newRow("twice the depth") << -20.0 << 10;
    QTest::newRow("far below") << -1000.0 << 10;
}

void TestToolPathDrawing::greyLevels()
{
    QFETCH(double, z);
    QFETCH(int, grey);
    QCOMPARE(CToolPathDrawing::GreyLevel(z, 22.5), grey);
}

void TestToolPathDrawing::referenceCornerStartsThePath_data()
{
    QTest::addColumn<int>("runMode");
    QTest::addColumn<int>("homeRef");
    QTest::addColumn<int>("cornerX"); // -1, 0 (centre) or +1 times half the length
    QTest::addColumn<int>("cornerY");
    QTest::newRow("bottom-left by default") << 0 << 0 << -1 << -1;
    QTest::newRow("top-left") << 5 << 0 << -1 << 1;
    QTest::newRow("top-right") << 5 << 2 << 1 << 1;
    QTest::newRow("bottom-right") << 5 << 4 << 1 << -1;
    QTest::newRow("bottom-left") << 5 << 6 << -1 << -1;
    QTest::newRow("centre") << 5 << 8 << 0 << 0;
}

void TestToolPathDrawing::referenceCornerStartsThePath()
{
    QFETCH(int, runMode);
    QFETCH(int, homeRef);
    QFETCH(int, cornerX);
    QFETCH(int, cornerY);
    CToolPathDrawing d;
    d.Clear(runMode, homeRef);
    const QPoint corner = CToolPathDrawing::CornerPoint(d.Origin(), cornerX * 100, cornerY * 125);
    QCOMPARE(d.LastToolPt(), corner);
    // The tool at the work zero is drawn near that corner (the corners are
    // rotated, the tool projected with the axes scaled apart: a few pixels).
    const QPoint tool = CToolPathDrawing::ToolPoint(d.Origin(), 0, 0, 0, 200, 250,
                                                    CToolPathDrawing::RefSigns(runMode, homeRef), 1.0);
    QVERIFY2((tool - corner).manhattanLength() <= 8,
             qPrintable(QStringLiteral("%1,%2 vs %3,%4").arg(tool.x()).arg(tool.y()).arg(corner.x()).arg(corner.y())));
}

void TestToolPathDrawing::drawnPath()
{
    CToolPathDrawing d;
    d.Clear(0, 0);
    const QImage& img = *d.Image();
    const QPoint start = d.LastToolPt();
    // Axis marks start at the bottom-left corner: green X to the lower right.
    QCOMPARE(img.pixelColor(start + QPoint(12, 12)), QColor(0, 255, 0));
    QCOMPARE(img.pixelColor(start + QPoint(0, -40)), QColor(255, 0, 0));

    // A cut at full depth along X: grey 30 half way along the line.
    d.Draw(0, 0, 0, 0, -10);
    const QPoint a = d.LastToolPt();
    d.Draw(0, 0, 100, 0, -10);
    const QPoint b = d.LastToolPt();
    const QPoint mid = (a + b) / 2;
    QCOMPARE(img.pixelColor(mid), QColor(30, 30, 30));
    // The tool marker: red at the tool point.
    QCOMPARE(img.pixelColor(b), QColor(Qt::red));
    // Travel above the surface in yellow; the old marker's patch is put back
    // (no red left where the tool was, above its tip).
    d.Draw(0, 0, 100, 100, 2);
    const QPoint c = d.LastToolPt();
    QCOMPARE(img.pixelColor((b + c) / 2), QColor(Qt::yellow));
    QVERIFY(img.pixelColor(b + QPoint(0, -14)) != QColor(Qt::red));
    // Clearing wipes the path.
    d.Clear(0, 0);
    QCOMPARE(img.pixelColor(mid), QColor(Qt::black));
}

void TestToolPathDrawing::pathUpThePictureStaysWhole()
{
    // The tool rising out of a cut at one place: each tick's line goes
    // straight up the picture, through the box the last marker covered.
    CToolPathDrawing d;
    d.Clear(0, 0);
    const QImage& img = *d.Image();
    d.Draw(0, 0, 50, 50, -10);
    const QPoint a = d.LastToolPt();
    d.Draw(0, 0, 50, 50, -5); // 30 pixels higher, grey 142
    const QPoint b = d.LastToolPt();
    QCOMPARE(b, a - QPoint(0, 30));
    for (int y = a.y() - 1; y > b.y(); --y)
        QVERIFY2(img.pixelColor(a.x(), y) == QColor(142, 142, 142), qPrintable(QString::number(a.y() - y)));
    // Going on up in yellow: the line from b stays whole too, and b's marker
    // is gone.
    d.Draw(0, 0, 50, 50, 1);
    const QPoint c = d.LastToolPt();
    for (int y = b.y() - 1; y > c.y(); --y)
        QVERIFY2(img.pixelColor(b.x(), y) == QColor(Qt::yellow), qPrintable(QString::number(b.y() - y)));
    QVERIFY(img.pixelColor(b + QPoint(-5, -10)) != QColor(Qt::red));
}

void TestToolPathDrawing::sizeButtons()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    QPushButton btn(&mw);
    CToolPathDrawing d;
    prompter.m_lstKeypadEntries << "250" << "0" << "45";
    d.EditSize(mw, &btn, CToolPathDrawing::WP_WIDTH);
    QCOMPARE(d.Side(), 390);
    QCOMPARE(btn.text(), QStringLiteral("250.0\nWidth(Y)"));
    d.EditSize(mw, &btn, CToolPathDrawing::WP_LENGTH); // 0 is clamped to 1
    QCOMPARE(d.WorkPieceSize().x, 1.0);
    QCOMPARE(mw.m_lstLog, QStringList{"error: Value must be between\n1.0000 and 10000.0000"});
    d.EditSize(mw, &btn, CToolPathDrawing::WP_HEIGHT);
    QCOMPARE(d.ZDrawScale(), 5.0);
    QCOMPARE(btn.text(), QStringLiteral("45.0\nHeight(Z)"));
    QCOMPARE(prompter.m_lstPrompts.size(), 3);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QStringLiteral("Workpiece Width"));
    QCOMPARE(prompter.m_lstPrompts[0].m_strText, QStringLiteral("250"));
    QCOMPARE(prompter.m_lstPrompts[2].m_strTitle, QStringLiteral("Workpiece Height"));
    QCOMPARE(prompter.m_lstPrompts[2].m_strText, QStringLiteral("10"));
}

QTEST_MAIN(TestToolPathDrawing)
#include "tst_toolpathdrawing.moc"
