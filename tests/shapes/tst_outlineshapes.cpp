// Traced outlines to polygons in millimetres: the pixel mapping, the vertex
// filter at one motor step, tracing synthetic pictures, and moving, turning
// and re-depthing the polygons of one editor opening.
#include "shapes/outlineshapes.h"
#include "simcontroller.h"

#include "core/AppConfig.h"

#include <opencv2/imgproc.hpp>

#include <QtTest>

namespace {
stPixelToMM PictureMap(int w, int h, double length, double width, double offX = 0, double offY = 0)
{
    stPixelToMM map;
    map.m_fScaleX = length / w;
    map.m_fScaleY = width / h;
    map.m_iHeight = h;
    map.m_Offset.x = offX;
    map.m_Offset.y = offY;
    return map;
}
bool Near(double a, double b) { return std::fabs(a - b) < 1e-9; }
} // namespace

class TestOutlineShapes : public QObject
{
    Q_OBJECT
private slots:
    void toMM_data();
    void toMM();
    void vertexFilter();
    void tracePicture_data();
    void tracePicture();
    void openingPolygons();
};

void TestOutlineShapes::toMM_data()
{
    QTest::addColumn<int>("px");
    QTest::addColumn<int>("py");
    QTest::addColumn<bool>("text"); // text mapping (margin 25, 2 px per mm) or picture (400 x 300 -> 200 x 100)
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::newRow("picture top left") << 0 << 0 << false << 0.0 << 100.0;
    QTest::newRow("picture bottom right corner") << 400 << 300 << false << 200.0 << 0.0;
    QTest::newRow("picture middle with offset") << 200 << 150 << false << 105.0 << 57.0;
    QTest::newRow("text baseline start") << 25 << 313 << true << 10.0 << 20.0;
    QTest::newRow("text above and left") << 5 << 13 << true << 0.0 << 170.0;
}

void TestOutlineShapes::toMM()
{
    QFETCH(int, px);
    QFETCH(int, py);
    QFETCH(bool, text);
    QFETCH(double, x);
    QFETCH(double, y);
    stPixelToMM map;
    if (text) {
        map.m_fScaleX = map.m_fScaleY = 0.5;
        map.m_iHeight = 338;
        map.m_iOriginX = map.m_iOriginY = 25;
        map.m_Offset.x = 10;
        map.m_Offset.y = 20;
    } else {
        map = PictureMap(400, 300, 200, 100, QString(QTest::currentDataTag()).contains("offset") ? 5 : 0,
                         QString(QTest::currentDataTag()).contains("offset") ? 7 : 0);
    }
    const stFloatPoint v = COutlineShapes::ToMM(cv::Point(px, py), map);
    QVERIFY2(Near(v.x, x) && Near(v.y, y), qPrintable(QStringLiteral("%1, %2").arg(v.x).arg(v.y)));
}

// Vertices closer than a motor step in millimetres are left out, whatever
// the pixel distance; the first vertex closes the polygon in every case.
void TestOutlineShapes::vertexFilter()
{
    CSimControllerSetup setup; // 0.001 mm per step
    const Outline outline = {{0, 0}, {5, 0}, {8, 0}, {8, 8}, {0, 8}};

    // 1 mm per pixel: nothing is close.
    std::vector<stFloatPoint> v = COutlineShapes::ToVertices(outline, PictureMap(100, 100, 100, 100));
    QCOMPARE(v.size(), size_t(6));
    QVERIFY(Near(v.back().x, v.front().x) && Near(v.back().y, v.front().y));

    // 0.0001 mm per pixel: every point lies within a step of the first;
    // a point is kept when beyond a step from the last vertex kept.
    v = COutlineShapes::ToVertices(outline, PictureMap(10000, 10000, 1, 1));
    QCOMPARE(v.size(), size_t(2)); // (0,0) and its closing copy
    const Outline wide = {{0, 0}, {5, 0}, {15, 0}, {30, 0}};
    v = COutlineShapes::ToVertices(wide, PictureMap(10000, 10000, 1, 1));
    QCOMPARE(v.size(), size_t(4)); // 0, 15, 30 and the closing copy
    QVERIFY(Near(v[1].x, 0.0015));
}

// Synthetic pictures drawn with OpenCV: dark drawing on light ground.
void TestOutlineShapes::tracePicture_data()
{
    QTest::addColumn<int>("threshold");
    QTest::addColumn<int>("minVertices");
    QTest::addColumn<int>("maxVertices");
    QTest::addColumn<int>("outlines");

    // A filled square (4 points), a ring (outer and inner outlines, many
    // points each) and a grey disc of level 120.
    QTest::newRow("all at threshold 50") << 50 << 0 << 1000000 << 3;
    QTest::newRow("grey disc joins at 120") << 120 << 0 << 1000000 << 4;
    QTest::newRow("square dropped by the minimum") << 50 << 4 << 1000000 << 2;
    QTest::newRow("square kept above the minimum") << 50 << 3 << 1000000 << 3;
    QTest::newRow("equal limits pass nothing") << 50 << 4 << 4 << 0;
    QTest::newRow("square only below the maximum") << 50 << 0 << 5 << 1;
}

void TestOutlineShapes::tracePicture()
{
    QFETCH(int, threshold);
    QFETCH(int, minVertices);
    QFETCH(int, maxVertices);
    QFETCH(int, outlines);
    // 301 pixels wide: the picture's rows are padded, and the trace must
    // step over the padding.
    cv::Mat img(200, 301, CV_8UC1, cv::Scalar(255));
    cv::rectangle(img, cv::Rect(20, 20, 40, 40), cv::Scalar(0), cv::FILLED);
    cv::circle(img, cv::Point(150, 100), 50, cv::Scalar(10), 15);
    cv::circle(img, cv::Point(250, 150), 20, cv::Scalar(120), cv::FILLED);
    const QImage grey = QImage(img.data, img.cols, img.rows, int(img.step), QImage::Format_Grayscale8).copy();
    std::vector<Outline> lst;
    size_t nFound = 0;
    QString strError;
    QVERIFY(COutlineShapes::TracePicture(grey, threshold, quint32(minVertices), quint32(maxVertices), lst, &nFound,
                                         &strError));
    QVERIFY(strError.isEmpty());
    QCOMPARE(int(lst.size()), outlines);
    QVERIFY(nFound >= lst.size());
}

void TestOutlineShapes::openingPolygons()
{
    CSimControllerSetup setup;
    stShapeCuttingInfo info;
    info.AddEllipse(new stEllipse); // from before the opening
    const Outline square = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
    stPixelToMM map = PictureMap(10, 10, 10, 10);
    info.AddPolygon(COutlineShapes::MakePolygon(square, map, QStringLiteral("a_0"), -3.0));
    info.AddPolygon(COutlineShapes::MakePolygon(square, map, QStringLiteral("a_1"), -3.0));
    const stPolygon& p = *info.m_lstShapes[1].m_pPolygon;
    QCOMPARE(p.m_strName, QStringLiteral("a_0"));
    QCOMPARE(p.m_fDepth, -3.0);
    QVERIFY(!p.m_bHole);
    QCOMPARE(p.m_lstVertices.size(), size_t(5));

    stFloatPoint centre;
    QVERIFY(COutlineShapes::BoxCentreFrom(info, 1, centre));
    QVERIFY(Near(centre.x, 5) && Near(centre.y, 5));
    COutlineShapes::SetDepthFrom(info, 1, -7.5);
    QCOMPARE(info.m_lstShapes[2].m_pPolygon->m_fDepth, -7.5);
    QCOMPARE(info.m_lstShapes[0].m_pEllipse->m_fDepth, -10.0);

    COutlineShapes::MoveFrom(info, 1, 2.0, -1.0);
    QVERIFY(Near(p.m_lstVertices[0].x, 2.0) && Near(p.m_lstVertices[0].y, 9.0));
    // A quarter turn clockwise about (7, 4): (2, 9) goes to (12, 9).
    centre.x = 7;
    centre.y = 4;
    COutlineShapes::TurnFrom(info, 1, centre, M_PI / 2);
    QVERIFY2(Near(p.m_lstVertices[0].x, 12.0) && Near(p.m_lstVertices[0].y, 9.0),
             qPrintable(QStringLiteral("%1, %2").arg(p.m_lstVertices[0].x).arg(p.m_lstVertices[0].y)));

    QCOMPARE(COutlineShapes::RemoveFrom(info, 1), size_t(2));
    QCOMPARE(info.m_lstShapes.size(), size_t(1));
    QVERIFY(!COutlineShapes::BoxCentreFrom(info, 1, centre));
}

QTEST_MAIN(TestOutlineShapes)
#include "tst_outlineshapes.moc"
