#include "control/imgcarving.h"

#include <QtTest>

namespace {
QImage Grey(int width, int height, uchar level)
{
    QImage img(width, height, QImage::Format_Grayscale8);
    img.fill(level);
    return img;
}

// A picture whose column x has grey level x (0 = black on the left).
QImage Gradient(int width, int height)
{
    QImage img(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            img.scanLine(y)[x] = uchar(x);
    return img;
}
} // namespace

class TestCarvingGrid : public QObject
{
    Q_OBJECT
private slots:
    void defaults()
    {
        const stImgCarvingInfo info;
        QCOMPARE(info.m_fLength, 200.0);
        QCOMPARE(info.m_fWidth, 200.0);
        QCOMPARE(info.m_fDepth, 10.0);
        QCOMPARE(info.m_iCarvingType, 0);
        QCOMPARE(info.m_fToolTipDia, 0.2);
        QCOMPARE(info.m_fToolTaperAngle, 2.5);
        QCOMPARE(info.m_fToolFluteLength, 12.0);
        QCOMPARE(int(info.m_nStartRow), 0);
        QVERIFY(info.m_ppZGrid.empty());
        QCOMPARE(int(info.m_nGridRows), 100);
        QCOMPARE(int(info.m_nGridCols), 100);
        QCOMPARE(info.m_fXStep, 0.2);
        QCOMPARE(info.m_fYStep, 0.2);
        QCOMPARE(info.m_fZStep, 1.0);
        QCOMPARE(int(info.m_nToolPx), 15);
        QCOMPARE(int(info.m_nXStepPx), 10);
        QCOMPARE(int(info.m_nYStepPx), 10);

        stImgCarvingData data;
        QVERIFY(!data.m_pImg);
        QVERIFY(data.m_pInfo);
        data.SetImage(QImage(4, 3, QImage::Format_RGB32));
        QCOMPARE(data.m_pImg->format(), QImage::Format_Grayscale8);
        QCOMPARE(data.m_pImg->size(), QSize(4, 3));
    }

    void minMax()
    {
        QImage img = Gradient(300, 2); // levels wrap: 0..255, then 0..43
        img.scanLine(1)[5] = 255;
        uchar min = 7, max = 7;
        CImgCarving::GetMinMaxValue(img, min, max);
        QCOMPARE(int(min), 0);
        QCOMPARE(int(max), 255);
        CImgCarving::GetMinMaxValue(Grey(3, 3, 90), min, max);
        QCOMPARE(int(min), 90);
        QCOMPARE(int(max), 90);
    }

    void depthMap_data()
    {
        QTest::addColumn<QImage>("img");
        QTest::addColumn<double>("first");
        QTest::addColumn<double>("last");
        QTest::newRow("white is at the surface") << Grey(5, 4, 255) << 0.0 << 0.0;
        QTest::newRow("uniform grey is full depth") << Grey(5, 4, 128) << 6.0 << 6.0;
        QTest::newRow("uniform black is full depth") << Grey(5, 4, 0) << 6.0 << 6.0;
        QTest::newRow("gradient: darkest full, brightest surface") << Gradient(5, 4) << 6.0 << 0.0;
    }
    void depthMap()
    {
        QFETCH(QImage, img);
        QFETCH(double, first);
        QFETCH(double, last);
        stImgZProfileInfo map;
        CImgCarving::BuildDepthMap(img, 6.0, map);
        QCOMPARE(int(map.m_nRows), 4);
        QCOMPARE(int(map.m_nCols), 5);
        QCOMPARE(map.m_fDepth, 6.0);
        for (const auto& row : map.m_ppDepth) {
            QCOMPARE(row.front(), first);
            QCOMPARE(row.back(), last);
        }
        if (first != last) // levels 0..4 scale by 6/4
            QCOMPARE(map.m_ppDepth[2][1], 4.5);
    }

    // Steps snap to whole pixels, the pixel size cut to 1/10000 mm.
    void pixelCountsAndSnappedSteps()
    {
        stImgCarvingInfo info;
        info.m_fLength = 100.0;
        info.m_fXStep = 0.25;
        info.m_fYStep = 0.2;
        QString err;
        const QImage img = Grey(1000, 200, 0);
        QVERIFY2(CImgCarving::CreateImgZProfile(&img, info, 3.175, err), qPrintable(err));
        QCOMPARE(int(info.m_nXStepPx), 3);
        QCOMPARE(int(info.m_nYStepPx), 2);
        QCOMPARE(int(info.m_nToolPx), 32);
        QCOMPARE(info.m_fXStep, 0.3);
        QCOMPARE(info.m_fYStep, 0.2);
        // (1000 - 32) mod 3 = 2: one column appended, (1001 - 32) / 3 + 1 grid columns.
        QCOMPARE(int(info.m_nGridCols), 324);
        QCOMPARE(int(info.m_nGridRows), (200 - 32) / 2 + 1);
        QCOMPARE(int(info.m_ppZGrid.size()), int(info.m_nGridRows));
        QCOMPARE(int(info.m_ppZGrid[0].size()), int(info.m_nGridCols));
        QCOMPARE(info.m_ppZGrid[5][7], -10.0);
    }

    void paddingToWholeSteps()
    {
        // 100 pixels over 100 mm: one pixel a millimetre.
        stImgCarvingInfo info;
        info.m_fLength = 100.0;
        info.m_fXStep = 10.0;
        info.m_fYStep = 10.0;
        const QImage img = Gradient(100, 100);
        QString err;
        QVERIFY2(CImgCarving::CreateImgZProfile(&img, info, 15.0, err), qPrintable(err));
        QCOMPARE(int(info.m_nToolPx), 15);
        QCOMPARE(int(info.m_nXStepPx), 10);
        QCOMPARE(int(info.m_nGridCols), 10);
        QCOMPARE(int(info.m_nGridRows), 10);
        // The last column's footprint runs over the padding, a copy of the
        // brightest (shallowest) edge column.
        QCOMPARE(info.m_ppZGrid[0][9], 0.0);
        // The first footprint covers pixel columns 0 to 14.
        QCOMPARE(info.m_ppZGrid[0][0], -(99 - 14) * 10.0 / 99);
        QCOMPARE(info.m_ppZGrid[9][1], -(99 - 24) * 10.0 / 99);
    }

    // Each grid value is the shallowest pixel under the footprint, so the
    // end mill never cuts a pixel too deep.
    void gridFollowsTheShallowestPixel()
    {
        QImage img = Grey(4, 4, 0);
        img.scanLine(1)[2] = 255; // one white pixel
        img.scanLine(3)[0] = 128;
        stImgCarvingInfo info;
        info.m_fLength = 4.0;
        info.m_fXStep = 1.0;
        info.m_fYStep = 1.0;
        info.m_fDepth = 2.0;
        QString err;
        QVERIFY2(CImgCarving::CreateImgZProfile(&img, info, 2.0, err), qPrintable(err));
        QCOMPARE(int(info.m_nGridCols), 3);
        QCOMPARE(int(info.m_nGridRows), 3);
        const double half = -(255 - 128) * 2.0 / 255;
        const double expect[3][3] = {{-2, 0, 0}, {-2, 0, 0}, {half, -2, -2}};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j)
                QCOMPARE(info.m_ppZGrid[size_t(i)][size_t(j)], expect[i][j] == 0 ? -0.0 : expect[i][j]);
    }

    void refusals_data()
    {
        QTest::addColumn<QImage>("img");
        QTest::addColumn<double>("length");
        QTest::addColumn<double>("zStep");
        QTest::addColumn<QString>("message");
        QTest::newRow("no picture") << QImage() << 10.0 << 1.0 << "No Image loaded";
        QTest::newRow("too wide for the grid counts")
            << Grey(CImgCarving::MAX_IMAGE_SIDE + 1, 2, 0) << 10.0 << 1.0 << "Image too large";
        QTest::newRow("too high for the grid counts")
            << Grey(2, CImgCarving::MAX_IMAGE_SIDE + 1, 0) << 10.0 << 1.0 << "Image too large";
        QTest::newRow("narrower than the end mill") << Grey(10, 40, 0) << 2.0 << 1.0 << "Image too small";
        QTest::newRow("one tool position across") << Grey(6, 40, 0) << 6.0 << 1.0 << "Image too small";
        QTest::newRow("lower than the footprint") << Grey(40, 5, 0) << 40.0 << 1.0 << "Image too small";
        QTest::newRow("no length") << Grey(40, 40, 0) << 0.0 << 1.0 << "Carving Length is not defined";
        QTest::newRow("no Z step") << Grey(40, 40, 0) << 40.0 << 0.00001 << "Carving Z Step must be greater than zero";
    }
    void refusals()
    {
        QFETCH(QImage, img);
        QFETCH(double, length);
        QFETCH(double, zStep);
        QFETCH(QString, message);
        stImgCarvingInfo info;
        info.m_fLength = length;
        info.m_fZStep = zStep;
        info.m_fXStep = 1.0;
        info.m_fYStep = 1.0;
        QString err;
        QVERIFY(!CImgCarving::CreateImgZProfile(img.isNull() ? nullptr : &img, info, 6.0, err));
        QVERIFY2(err.startsWith(message), qPrintable(err));
        QVERIFY(info.m_ppZGrid.empty());
        QCOMPARE(int(info.m_nGridCols), 100);
    }

    void layers()
    {
        stImgCarvingInfo info;
        info.m_fDepth = 10.0;
        info.m_fZStep = 3.0;
        QList<QPair<double, double>> seen;
        QVERIFY(CImgCarving::RunLayers(info, true, [&]() {
            seen << qMakePair(info.m_fDepth, info.m_fZStep);
            return true;
        }));
        const QList<QPair<double, double>> expect = {{3, 3}, {6, 6}, {9, 9}, {10, 12}};
        QCOMPARE(seen, expect);
        QCOMPARE(info.m_fDepth, 10.0);
        QCOMPARE(info.m_fZStep, 3.0);

        seen.clear();
        QVERIFY(!CImgCarving::RunLayers(info, true, [&]() {
            seen << qMakePair(info.m_fDepth, info.m_fZStep);
            return seen.size() < 2;
        }));
        QCOMPARE(seen.size(), 2);
        QCOMPARE(info.m_fDepth, 10.0);
        QCOMPARE(info.m_fZStep, 3.0);

        seen.clear();
        QVERIFY(CImgCarving::RunLayers(info, false, [&]() {
            seen << qMakePair(info.m_fDepth, info.m_fZStep);
            return true;
        }));
        QCOMPARE(seen, (QList<QPair<double, double>>{{10, 3}}));
    }
};

QTEST_MAIN(TestCarvingGrid)
#include "tst_carvinggrid.moc"
