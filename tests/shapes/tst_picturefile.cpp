// The picture-file check run before a picture is decoded: whole files pass,
// files cut short or with a damaged byte are named as such, and a picture too
// large to load is refused from its header alone.
#include "shapes/picturefile.h"
#include "picturebytes.h"
#include "testsupport.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

#include <opencv2/imgcodecs.hpp>

#include <set>
#include <vector>

namespace {
// ---- Pictures as operators bring them, built here byte by byte ------------

// A PNG of w x h pixels of the given bit depth and colour type (0 grey, 2 RGB,
// 3 palette, 4 grey and alpha, 6 RGBA), Adam7-interlaced or not, its rows
// filled with a pattern (or zeros: a picture that packs very small).
QByteArray BuildPng(int w, int h, int depth, int colourType, bool bInterlaced, bool bZeros = false)
{
    static const std::map<int, int> channels{{0, 1}, {2, 3}, {3, 1}, {4, 2}, {6, 4}};
    const int bitsPerPixel = channels.at(colourType) * depth;
    // The Adam7 pass of each pixel, by its place in the 8 x 8 tile.
    static const char tile[8][9] = {"16462646", "77777777", "56565656", "77777777",
                                    "36463646", "77777777", "56565656", "77777777"};
    QByteArray raw;
    for (char pass = '1'; pass <= (bInterlaced ? '7' : '1'); ++pass) {
        // The pass's sub-image: the columns and rows holding its pixels.
        std::set<int> xs, ys;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (!bInterlaced || tile[y % 8][x % 8] == pass) {
                    xs.insert(x);
                    ys.insert(y);
                }
        const int rowBytes = (int(xs.size()) * bitsPerPixel + 7) / 8;
        for (size_t r = 0; r < ys.size() && rowBytes > 0; ++r) {
            raw += '\0'; // filter: none
            for (int b = 0; b < rowBytes; ++b)
                raw += bZeros ? '\0' : char((b * 37 + int(r) * 11) & 0xFF);
        }
    }
    QByteArray header = BigEndian32Bytes(quint32(w)) + BigEndian32Bytes(quint32(h));
    header += char(depth);
    header += char(colourType);
    header += QByteArray(2, '\0'); // deflate, adaptive filters
    header += char(bInterlaced ? 1 : 0);
    QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header);
    if (colourType == 3) {
        QByteArray palette;
        for (int i = 0; i < (1 << depth); ++i)
            palette += QByteArray(3, char(i * 255 / ((1 << depth) - 1)));
        png += PngChunk("PLTE", palette);
    }
    QByteArray packed(int(compressBound(uLong(raw.size()))), '\0');
    uLongf nPacked = uLongf(packed.size());
    compress2(reinterpret_cast<Bytef*>(packed.data()), &nPacked, reinterpret_cast<const Bytef*>(raw.constData()),
              uLong(raw.size()), 9);
    packed.truncate(int(nPacked));
    // In two chunks, as writers split long data.
    png += PngChunk("IDAT", packed.left(packed.size() / 2)) + PngChunk("IDAT", packed.mid(packed.size() / 2));
    return png + PngChunk("IEND", QByteArray());
}

QByteArray LittleEndian(quint32 v, int nBytes)
{
    QByteArray b;
    for (int i = 0; i < nBytes; ++i)
        b += char((v >> (8 * i)) & 0xFF);
    return b;
}

// An uncompressed BMP of w x h at 16, 24 or 32 bits a pixel, its rows top
// first (a negative height) or bottom first, with colour masks (BITFIELDS)
// or without.
QByteArray BuildBmp(int w, int h, int bpp, bool bTopDown, bool bBitfields)
{
    const int rowBytes = (w * bpp + 31) / 32 * 4;
    const int offset = 14 + 40 + (bBitfields ? 12 : 0);
    const int size = offset + rowBytes * h;
    QByteArray bmp = "BM" + LittleEndian(quint32(size), 4) + LittleEndian(0, 4) + LittleEndian(quint32(offset), 4);
    bmp += LittleEndian(40, 4) + LittleEndian(quint32(w), 4) + LittleEndian(quint32(bTopDown ? -h : h), 4);
    bmp += LittleEndian(1, 2) + LittleEndian(quint32(bpp), 2) + LittleEndian(bBitfields ? 3 : 0, 4);
    bmp += LittleEndian(quint32(rowBytes * h), 4) + LittleEndian(2835, 4) + LittleEndian(2835, 4);
    bmp += LittleEndian(0, 4) + LittleEndian(0, 4);
    if (bBitfields) {
        if (bpp == 16)
            bmp += LittleEndian(0xF800, 4) + LittleEndian(0x07E0, 4) + LittleEndian(0x001F, 4);
        else
            bmp += LittleEndian(0xFF0000, 4) + LittleEndian(0xFF00, 4) + LittleEndian(0xFF, 4);
    }
    for (int y = 0; y < h; ++y)
        for (int b = 0; b < rowBytes; ++b)
            bmp += char((b * 13 + y * 7) & 0xFF);
    return bmp;
}

// A JPEG written by OpenCV's encoder with its options (restart markers,
// progressive scans).
QByteArray OpenCvJpeg(int iFlag, int iValue)
{
    cv::Mat img(48, 64, CV_8UC3);
    for (int y = 0; y < img.rows; ++y)
        for (int x = 0; x < img.cols; ++x)
            img.at<cv::Vec3b>(y, x) = cv::Vec3b(uchar(x * 4), uchar(y * 5), uchar((x ^ y) * 3));
    std::vector<uchar> out;
    cv::imencode(".jpg", img, out, {iFlag, iValue});
    return QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(out.size()));
}

// A camera's JPEG: an Exif segment (APP1) first, holding a whole thumbnail
// JPEG with its own end marker, then the picture.
QByteArray ExifJpeg()
{
    const QByteArray thumb = PictureBytes("jpeg", 16, 12);
    const QByteArray tiff = QByteArray("MM\0*\0\0\0\x08", 8) + QByteArray(18, '\0');
    const QByteArray exif = QByteArray("Exif\0\0", 6) + tiff + thumb;
    const QByteArray main = PictureBytes("jpeg", 96, 64);
    const quint16 len = quint16(exif.size() + 2);
    return QByteArray("\xFF\xD8\xFF\xE1", 4) + char(len >> 8) + char(len & 0xFF) + exif + main.mid(2);
}

struct stOperatorsPicture
{
    const char* m_pName;
    QByteArray m_Bytes;
};

QList<stOperatorsPicture> OperatorsPictures()
{
    return {
        {"Exif JPEG (FFD8FFE1) with a thumbnail", ExifJpeg()},
        {"JPEG with restart markers", OpenCvJpeg(cv::IMWRITE_JPEG_RST_INTERVAL, 1)},
        {"progressive JPEG", OpenCvJpeg(cv::IMWRITE_JPEG_PROGRESSIVE, 1)},
        {"interlaced grey PNG", BuildPng(37, 23, 8, 0, true)},
        {"interlaced RGBA PNG", BuildPng(13, 9, 8, 6, true)},
        {"1-bit PNG", BuildPng(37, 23, 1, 0, false)},
        {"2-bit PNG", BuildPng(37, 23, 2, 0, false)},
        {"4-bit interlaced PNG", BuildPng(37, 23, 4, 0, true)},
        {"palette PNG", BuildPng(37, 23, 8, 3, false)},
        {"4-bit palette PNG", BuildPng(37, 23, 4, 3, false)},
        {"16-bit RGB PNG", BuildPng(11, 7, 16, 2, false)},
        {"top-down BMP", BuildBmp(21, 13, 24, true, false)},
        {"BITFIELDS BMP, 16 bits", BuildBmp(21, 13, 16, false, true)},
        {"BITFIELDS BMP, 32 bits, top-down", BuildBmp(21, 13, 32, true, true)},
    };
}

// The check of exactly these bytes, from memory that ends where they end, so
// that the sanitizer build catches a read past the end.
QString DamageOfExactly(const QByteArray& bytes, qsizetype n)
{
    std::vector<char> copy(bytes.constData(), bytes.constData() + n);
    return CPictureFile::Damage(QByteArray::fromRawData(copy.data(), n));
}
} // namespace

class TestPictureFile : public QObject
{
    Q_OBJECT
private slots:
    // The rule follows the picture reader's memory limit; the table below is
    // written for 256 MB.
    void initTestCase() { QImageReader::setAllocationLimit(256); }
    void damage_data();
    void damage();
    void tooLarge_data();
    void tooLarge();
    void limitFollowsTheReader();
    void checkOfAFile();
    void operatorsPictures_data();
    void operatorsPictures();
    void largePackedPng();
    void limitAgreesWithTheDecoder_data();
    void limitAgreesWithTheDecoder();
};

void TestPictureFile::damage_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("reason"); // empty: whole

    const QByteArray jpeg = PictureBytes("jpeg");
    QVERIFY(jpeg.endsWith("\xFF\xD9"));
    const QString jpegCut = "the JPEG file ends before its end marker: it is cut short";
    QTest::newRow("whole JPEG") << jpeg << "";
    QTest::newRow("whole progressive JPEG") << PictureBytes("jpeg", 96, 64, true) << "";
    QTest::newRow("JPEG with bytes after its end marker") << jpeg + QByteArray(100, '\0') << "";
    QTest::newRow("JPEG, lower part missing") << jpeg.left(jpeg.size() * 2 / 3) << jpegCut;
    QTest::newRow("JPEG without its end marker") << jpeg.chopped(2) << jpegCut;
    QTest::newRow("JPEG cut in its header") << jpeg.left(30) << jpegCut;
    QTest::newRow("JPEG end marker bit flipped") << FlipBit(jpeg, jpeg.size() - 1) << jpegCut;
    QByteArray zeroLength = jpeg;
    zeroLength[4] = 0; // the first segment's length
    zeroLength[5] = 0;
    QTest::newRow("JPEG segment length zero") << zeroLength << "a JPEG segment length is wrong: the file is damaged";

    const QByteArray png = PictureBytes("png");
    const qsizetype idat = PngChunkAt(png, "IDAT");
    QVERIFY(idat > 0);
    QTest::newRow("whole PNG") << png << "";
    QTest::newRow("whole built PNG") << GreyPng(40, 30) << "";
    QTest::newRow("PNG without its end chunk") << png.chopped(12)
                                               << "the PNG file ends before its end chunk: it is cut short";
    QTest::newRow("PNG cut in its image data") << png.left(idat + 20)
                                               << "the PNG file ends inside its IDAT chunk: it is cut short";
    QTest::newRow("PNG image byte flipped") << FlipBit(png, idat + 20, 3)
                                            << "its IDAT chunk fails its check: the file is damaged";
    QTest::newRow("PNG header check flipped") << FlipBit(png, 8 + 8 + 13)
                                              << "its IHDR chunk fails its check: the file is damaged";
    QTest::newRow("PNG chunk type flipped") << FlipBit(png, idat + 4, 7)
                                            << "a PNG chunk fails its check: the file is damaged";
    QTest::newRow("PNG not starting with its header") << png.left(8) + png.mid(idat)
                                                      << "the PNG file does not start with its header chunk";

    // Every chunk passes its check, but the compressed data is not whole.
    const QString dataEarly = "the PNG image data ends early: the file is damaged";
    QTest::newRow("PNG one row short") << GreyPng(40, 30, 29) << dataEarly;
    QTest::newRow("PNG without image data") << GreyPng(40, 30, -1) << dataEarly;
    const QByteArray built = GreyPng(40, 30);
    const qsizetype builtIdat = PngChunkAt(built, "IDAT");
    const QByteArray packed = built.mid(builtIdat + 8, qFromBigEndian<quint32>(built.constData() + builtIdat));
    const QByteArray head = built.left(builtIdat), tail = built.mid(builtIdat + 12 + packed.size());
    QTest::newRow("PNG compressed data cut, chunks whole")
        << head + PngChunk("IDAT", packed.left(packed.size() / 2)) + tail << dataEarly;
    QTest::newRow("PNG compressed data damaged, chunks whole")
        << head + PngChunk("IDAT", FlipBit(packed, packed.size() / 2, 4)) + tail << "the PNG image data is damaged";

    const QByteArray bmp = PictureBytes("bmp");
    QTest::newRow("whole BMP") << bmp << "";
    QTest::newRow("BMP cut short") << bmp.chopped(1) << "the BMP file ends before its last row: it is cut short";
    QTest::newRow("BMP cut in its header") << bmp.left(20) << "the BMP file ends inside its header: it is cut short";

    QTest::newRow("not a picture") << QByteArray("not a picture") << "";
}

void TestPictureFile::damage()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, reason);
    const QString got = CPictureFile::Damage(data);
    QVERIFY2(reason.isEmpty() ? got.isEmpty() : got.startsWith(reason), qPrintable(got));
}

// Like the picture reader, which refuses a decoded image above its memory
// limit (256 MB unless set otherwise), and no side beyond 32767 pixels.
void TestPictureFile::tooLarge_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("reason");
    QTest::newRow("longest side") << QSize(32767, 1) << 8 << "";
    QTest::newRow("one pixel longer") << QSize(1, 32768) << 8 << "1 x 32768 pixels, more than 32767 pixels a side";
    QTest::newRow("grey at the limit") << QSize(16384, 16384) << 8 << "";
    QTest::newRow("grey one row above")
        << QSize(16384, 16385) << 8 << "16384 x 16385 pixels take 257 MB, more than the 256 MB a picture may take";
    QTest::newRow("colour at the limit") << QSize(8192, 8192) << 32 << "";
    QTest::newRow("colour one column above")
        << QSize(8193, 8192) << 32 << "8193 x 8192 pixels take 257 MB, more than the 256 MB a picture may take";
    QTest::newRow("30000 x 30000 grey")
        << QSize(30000, 30000) << 8 << "30000 x 30000 pixels take 859 MB, more than the 256 MB a picture may take";
}

void TestPictureFile::tooLarge()
{
    QFETCH(QSize, size);
    QFETCH(int, bits);
    QFETCH(QString, reason);
    QCOMPARE(CPictureFile::TooLarge(size, bits), reason);
}

void TestPictureFile::limitFollowsTheReader()
{
    QImageReader::setAllocationLimit(128);
    QCOMPARE(CPictureFile::TooLarge(QSize(8192, 4096), 32), QString());
    QCOMPARE(CPictureFile::TooLarge(QSize(8192, 4097), 32),
             QStringLiteral("8192 x 4097 pixels take 129 MB, more than the 128 MB a picture may take"));
    // No limit set: only the side counts.
    QImageReader::setAllocationLimit(0);
    QCOMPARE(CPictureFile::TooLarge(QSize(32767, 32767), 64), QString());
    QImageReader::setAllocationLimit(256);
}

// The whole check of a file: size from the header first (a huge picture is
// refused without reading its data), then the bytes.
void TestPictureFile::checkOfAFile()
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString& name, const QByteArray& data) {
        const QString path = dir.filePath(name);
        WriteRaw(path, data);
        return path;
    };
    const QByteArray jpeg = PictureBytes("jpeg");

    CPictureFile::stCheck c = CPictureFile::Check(write("whole.jpg", jpeg));
    QCOMPARE(c.m_eVerdict, CPictureFile::PICTURE_OK);
    QVERIFY(c.Message("x").isEmpty());

    const QString cut = write("cut.jpg", jpeg.left(jpeg.size() / 2));
    c = CPictureFile::Check(cut);
    QCOMPARE(c.m_eVerdict, CPictureFile::PICTURE_DAMAGED);
    QCOMPARE(c.Message(cut), "Picture damaged: the JPEG file ends before its end marker: it is cut short\n" + cut);

    // A 30000 x 30000 grey picture with no image data: its size refuses it
    // (30000 x 30000 x 4 bytes = 3433.2 MB).
    const QString huge = write("huge.png", GreyPng(30000, 30000, 0));
    c = CPictureFile::Check(huge);
    QCOMPARE(c.m_eVerdict, CPictureFile::PICTURE_TOO_LARGE);
    QCOMPARE(c.Message(huge), "Picture too large: 30000 x 30000 pixels take 3434 MB, more than the 256 MB a "
                              "picture may take\n" + huge);

    // What cannot be read is left to the decoder, which names it.
    QCOMPARE(CPictureFile::Check(dir.filePath("missing.png")).m_eVerdict, CPictureFile::PICTURE_OK);
    QCOMPARE(CPictureFile::Check(write("empty.png", QByteArray())).m_eVerdict, CPictureFile::PICTURE_OK);
}

void TestPictureFile::operatorsPictures_data()
{
    QTest::addColumn<QByteArray>("bytes");
    for (const stOperatorsPicture& p : OperatorsPictures())
        QTest::newRow(p.m_pName) << p.m_Bytes;
}

// Each whole picture passes (and its decoder reads it), and the same file
// cut anywhere is refused: every length through the headers, byte by byte,
// and cuts through the image data.
void TestPictureFile::operatorsPictures()
{
    QFETCH(QByteArray, bytes);
    QImage decoded;
    QVERIFY(decoded.loadFromData(bytes));
    QCOMPARE(DamageOfExactly(bytes, bytes.size()), QString());

    // Shorter than its signature it is no picture the check knows.
    const qsizetype signature = bytes.startsWith("BM") ? 2 : bytes.startsWith("\x89PNG") ? 8 : 3;
    std::vector<qsizetype> cuts;
    for (qsizetype n = 0; n < qMin<qsizetype>(bytes.size(), 400); ++n)
        cuts.push_back(n);
    for (int k = 1; k < 8; ++k)
        cuts.push_back(bytes.size() * k / 8);
    cuts.push_back(bytes.size() - 1);
    for (qsizetype n : cuts) {
        const QString why = DamageOfExactly(bytes, n);
        if (n >= signature)
            QVERIFY2(!why.isEmpty(), qPrintable(QStringLiteral("cut to %1 of %2 bytes: passed").arg(n).arg(bytes.size())));
    }
}

// A large picture that packs small (a scan with white margins): its data
// inflates to many times the check's buffer and must be counted whole; the
// zlib check (Adler-32) at its end cut off, it is refused.
void TestPictureFile::largePackedPng()
{
    const QByteArray png = BuildPng(4000, 3000, 8, 0, false, true);
    QVERIFY(png.size() < 100 * 1024);
    QCOMPARE(CPictureFile::Damage(png), QString());

    QByteArray packed;
    for (qsizetype at = PngChunkAt(png, "IDAT"); at > 0 && png.mid(at + 4, 4) == "IDAT";
         at += 12 + qFromBigEndian<quint32>(png.constData() + at))
        packed += png.mid(at + 8, qFromBigEndian<quint32>(png.constData() + at));
    const QByteArray head = png.left(PngChunkAt(png, "IDAT"));
    const QByteArray end = PngChunk("IEND", QByteArray());
    QCOMPARE(CPictureFile::Damage(head + PngChunk("IDAT", packed) + end), QString());
    QCOMPARE(CPictureFile::Damage(head + PngChunk("IDAT", packed.chopped(4)) + end),
             QStringLiteral("the PNG image data ends early: the file is damaged"));
}

// The size rule refuses exactly the pictures the decoder would refuse for
// its memory limit (set low here: 1 MB), in the pixel format the decoder
// reads each kind into.
void TestPictureFile::limitAgreesWithTheDecoder_data()
{
    QTest::addColumn<QByteArray>("png");
    // 1 MB is 1048576 bytes, which the decoder holds against 4 bytes a
    // pixel whatever the format: 1024 x 256 grey, 512 x 512 colour, 8192 x 32
    // black and white (1 bit a pixel) are at the limit.
    QTest::newRow("grey at the limit") << BuildPng(1024, 256, 8, 0, false, true);
    QTest::newRow("grey a row above") << BuildPng(1024, 257, 8, 0, false, true);
    QTest::newRow("grey of 1 MB at 1 byte a pixel") << BuildPng(1024, 1024, 8, 0, false, true);
    QTest::newRow("colour at the limit") << BuildPng(512, 512, 8, 2, false, true);
    QTest::newRow("colour a column above") << BuildPng(513, 512, 8, 2, false, true);
    QTest::newRow("1-bit at the limit") << BuildPng(8192, 32, 1, 0, false, true);
    QTest::newRow("1-bit a row above") << BuildPng(8192, 33, 1, 0, false, true);
}

void TestPictureFile::limitAgreesWithTheDecoder()
{
    QFETCH(QByteArray, png);
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.png");
    WriteRaw(path, png);
    QImageReader::setAllocationLimit(1);
    const bool bRefused = CPictureFile::Check(path).m_eVerdict == CPictureFile::PICTURE_TOO_LARGE;
    const bool bDecoded = !QImageReader(path).read().isNull();
    QImageReader::setAllocationLimit(256);
    QCOMPARE(bRefused, !bDecoded);
}

QTEST_MAIN(TestPictureFile)
#include "tst_picturefile.moc"
