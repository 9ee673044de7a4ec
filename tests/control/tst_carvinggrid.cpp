#include "control/imgcarving.h"

#include <QtTest>

#include <cstring>

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
// A picture of random grey levels (the same every run).
QImage Noise(int width, int height, unsigned seed, QImage::Format format = QImage::Format_Grayscale8)
{
    QImage img(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1103515245u + 12345u;
            img.scanLine(y)[x] = uchar(seed >> 23);
        }
    return format == QImage::Format_Grayscale8 ? img : img.convertToFormat(format);
}

// The carving grid by the rule written out plainly: the depth map, a padded
// copy of it, and for every grid cell each pixel under the footprint visited
// in turn, a later one taken only when strictly shallower.
struct stPlainGrid
{
    int nx = 0, ny = 0, nt = 0;
    std::vector<std::vector<double>> z;
};

int PlainCount(double px, double target, int limit)
{
    int count = 0;
    double sum = 0.0;
    while (count < limit) {
        ++count;
        sum += px;
        if (sum >= target)
            break;
    }
    return count;
}

stPlainGrid PlainGrid(const QImage& picture, double length, double xStep, double yStep, double depth, double dia)
{
    const QImage img = picture.convertToFormat(QImage::Format_Grayscale8);
    const int cols = img.width(), rows = img.height();
    int lo = 255, hi = 0;
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x) {
            lo = std::min(lo, int(img.constScanLine(y)[x]));
            hi = std::max(hi, int(img.constScanLine(y)[x]));
        }
    std::vector<std::vector<double>> map(size_t(rows), std::vector<double>(size_t(cols), 0.0));
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < cols; ++x)
            map[size_t(y)][size_t(x)] = lo == hi ? (hi == 255 ? 0.0 : depth)
                                                 : (hi - int(img.constScanLine(y)[x])) * (depth / (hi - lo));
    stPlainGrid g;
    const double px = length / cols;
    g.nx = PlainCount(px, xStep, cols);
    g.ny = PlainCount(px, yStep, rows);
    g.nt = PlainCount(px, dia, cols);
    if ((cols - g.nt) % g.nx != 0)
        for (auto& row : map)
            row.insert(row.end(), size_t(g.nx - (cols - g.nt) % g.nx), row.back());
    if ((rows - g.nt) % g.ny != 0) {
        const auto last = map.back();
        map.insert(map.end(), size_t(g.ny - (rows - g.nt) % g.ny), last);
    }
    const int gridCols = (int(map[0].size()) - g.nt) / g.nx + 1;
    const int gridRows = (int(map.size()) - g.nt) / g.ny + 1;
    g.z.assign(size_t(gridRows), std::vector<double>(size_t(gridCols)));
    for (int i = 0; i < gridRows; ++i)
        for (int j = 0; j < gridCols; ++j) {
            double shallowest = map[size_t(i * g.ny)][size_t(j * g.nx)];
            for (int r = i * g.ny; r < i * g.ny + g.nt; ++r)
                for (int c = j * g.nx; c < j * g.nx + g.nt; ++c)
                    if (map[size_t(r)][size_t(c)] < shallowest)
                        shallowest = map[size_t(r)][size_t(c)];
            g.z[size_t(i)][size_t(j)] = -shallowest;
        }
    return g;
}

quint64 Bits(double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// The grid in info is the plain one, bit for bit (the sign of a zero too).
bool SameGrid(const stImgCarvingInfo& info, const stPlainGrid& plain, QString& why)
{
    if (info.m_nXStepPx != plain.nx || info.m_nYStepPx != plain.ny || info.m_nToolPx != plain.nt
        || size_t(info.m_nGridRows) != plain.z.size() || size_t(info.m_nGridCols) != plain.z[0].size()
        || info.m_ppZGrid.size() != plain.z.size()) {
        why = QStringLiteral("layout %1 %2 %3 %4x%5, expected %6 %7 %8 %9x%10")
                  .arg(info.m_nXStepPx).arg(info.m_nYStepPx).arg(info.m_nToolPx).arg(info.m_nGridRows)
                  .arg(info.m_nGridCols).arg(plain.nx).arg(plain.ny).arg(plain.nt).arg(plain.z.size())
                  .arg(plain.z[0].size());
        return false;
    }
    for (size_t i = 0; i < plain.z.size(); ++i)
        for (size_t j = 0; j < plain.z[i].size(); ++j)
            if (info.m_ppZGrid[i].size() != plain.z[i].size() || Bits(info.m_ppZGrid[i][j]) != Bits(plain.z[i][j])) {
                why = QStringLiteral("cell %1,%2: %3, expected %4").arg(i).arg(j)
                          .arg(info.m_ppZGrid[i][j], 0, 'g', 17).arg(plain.z[i][j], 0, 'g', 17);
                return false;
            }
    return true;
}

stImgCarvingInfo GridJob(double length, double xStep, double yStep, double depth)
{
    stImgCarvingInfo info;
    info.m_fLength = length;
    info.m_fXStep = xStep;
    info.m_fYStep = yStep;
    info.m_fDepth = depth;
    return info;
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
        QCOMPARE(int(map.m_lstDepth.size()), 4 * 5);
        for (int row = 0; row < 4; ++row) {
            QCOMPARE(map.At(row, 0), first);
            QCOMPARE(map.At(row, 4), last);
        }
        if (first != last) // levels 0..4 scale by 6/4
            QCOMPARE(map.At(2, 1), 4.5);
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

    // Both grid builders against the plain rule, over pictures, end mills,
    // steps and padding.
    void gridMatchesThePlainRule_data()
    {
        QTest::addColumn<QImage>("img");
        QTest::addColumn<double>("length");
        QTest::addColumn<double>("xStep");
        QTest::addColumn<double>("yStep");
        QTest::addColumn<double>("dia");
        // One pixel a millimetre unless the length says otherwise.
        QTest::newRow("one-pixel footprint and steps") << Noise(9, 7, 1) << 9.0 << 1.0 << 1.0 << 1.0;
        QTest::newRow("odd sizes, steps that do not divide the width")
            << Noise(37, 23, 2) << 37.0 << 3.0 << 2.0 << 5.0;
        QTest::newRow("footprint as high as the picture, one column narrower")
            << Noise(12, 11, 3) << 12.0 << 1.0 << 1.0 << 11.0;
        QTest::newRow("footprint as high as the picture, steps wider than the rest")
            << Noise(12, 11, 4) << 12.0 << 5.0 << 4.0 << 11.0;
        QTest::newRow("steps longer than the footprint") << Noise(40, 30, 5) << 40.0 << 7.0 << 5.0 << 3.0;
        QTest::newRow("3.175 mm end mill at 0.05 mm a pixel")
            << Noise(203, 131, 6) << 10.15 << 0.2 << 0.25 << 3.175;
        QTest::newRow("pixel size that does not add up evenly")
            << Noise(137, 61, 7) << 13.7 << 0.3 << 0.7 << 2.2;
        QTest::newRow("gradient padded with its brightest column")
            << Gradient(100, 100) << 100.0 << 10.0 << 10.0 << 15.0;
        QTest::newRow("uniform grey") << Grey(30, 20, 128) << 30.0 << 2.0 << 3.0 << 4.0;
        QTest::newRow("uniform white") << Grey(30, 20, 255) << 30.0 << 2.0 << 3.0 << 4.0;
        QImage spot = Grey(25, 25, 0);
        spot.scanLine(12)[12] = 255;
        QTest::newRow("one white pixel in black") << spot << 25.0 << 2.0 << 2.0 << 5.0;
        QTest::newRow("colour picture") << Noise(31, 17, 8, QImage::Format_RGB32) << 31.0 << 2.0 << 3.0 << 6.0;
    }
    void gridMatchesThePlainRule()
    {
        QFETCH(QImage, img);
        QFETCH(double, length);
        QFETCH(double, xStep);
        QFETCH(double, yStep);
        QFETCH(double, dia);
        const stPlainGrid plain = PlainGrid(img, length, xStep, yStep, 7.5, dia);
        QString err, why;

        stImgCarvingInfo fromPicture = GridJob(length, xStep, yStep, 7.5);
        QVERIFY2(CImgCarving::CreateImgZProfile(&img, fromPicture, dia, err), qPrintable(err));
        QVERIFY2(SameGrid(fromPicture, plain, why), qPrintable(QStringLiteral("from the picture: ") + why));

        stImgZProfileInfo map;
        CImgCarving::BuildDepthMap(img, 7.5, map);
        stImgCarvingInfo fromMap = GridJob(length, xStep, yStep, 7.5);
        QVERIFY2(CImgCarving::CreateCarvingZProfile(map, fromMap, dia, err), qPrintable(err));
        QVERIFY2(SameGrid(fromMap, plain, why), qPrintable(QStringLiteral("from the depth map: ") + why));
        QCOMPARE(fromMap.m_fXStep, fromPicture.m_fXStep);
        QCOMPARE(fromMap.m_fYStep, fromPicture.m_fYStep);
    }

    // The layers of a job scale the footprints of the first; a changed
    // picture or end mill builds them again.
    void layersShareTheFootprints()
    {
        QImage img = Noise(60, 45, 9);
        stImgCarvingInfo info = GridJob(30.0, 0.5, 0.5, 3.0);
        QString err, why;
        QVERIFY2(CImgCarving::CreateImgZProfile(&img, info, 3.175, err), qPrintable(err));
        const stCarvingFootprints* first = info.m_pFootprints.get();
        QVERIFY(first);
        for (double depth : {6.0, 9.0, 10.0}) {
            info.m_fDepth = depth;
            QVERIFY2(CImgCarving::CreateImgZProfile(&img, info, 3.175, err), qPrintable(err));
            QCOMPARE(info.m_pFootprints.get(), first);
            QVERIFY2(SameGrid(info, PlainGrid(img, 30.0, 0.5, 0.5, depth, 3.175), why), qPrintable(why));
        }

        img.scanLine(20)[30] = 255; // the picture changed in place
        QVERIFY2(CImgCarving::CreateImgZProfile(&img, info, 3.175, err), qPrintable(err));
        QVERIFY(info.m_pFootprints.get() != first);
        QVERIFY2(SameGrid(info, PlainGrid(img, 30.0, 0.5, 0.5, 10.0, 3.175), why), qPrintable(why));

        const stCarvingFootprints* second = info.m_pFootprints.get();
        QVERIFY2(CImgCarving::CreateImgZProfile(&img, info, 2.0, err), qPrintable(err));
        QVERIFY(info.m_pFootprints.get() != second);
        QVERIFY2(SameGrid(info, PlainGrid(img, 30.0, 0.5, 0.5, 10.0, 2.0), why), qPrintable(why));

        const QImage other = Noise(60, 45, 10);
        QVERIFY2(CImgCarving::CreateImgZProfile(&other, info, 2.0, err), qPrintable(err));
        QVERIFY2(SameGrid(info, PlainGrid(other, 30.0, 0.5, 0.5, 10.0, 2.0), why), qPrintable(why));
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
