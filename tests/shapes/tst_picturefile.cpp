// The picture-file check run before a picture is decoded: whole files pass,
// files cut short or with a damaged byte are named as such, and a picture too
// large to load is refused from its header alone.
#include "shapes/picturefile.h"
#include "picturebytes.h"
#include "testsupport.h"

#include <QImageReader>
#include <QTemporaryDir>
#include <QtTest>

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

    // A 30000 x 30000 grey picture with no image data: its size refuses it.
    const QString huge = write("huge.png", GreyPng(30000, 30000, 0));
    c = CPictureFile::Check(huge);
    QCOMPARE(c.m_eVerdict, CPictureFile::PICTURE_TOO_LARGE);
    QCOMPARE(c.Message(huge), "Picture too large: 30000 x 30000 pixels take 859 MB, more than the 256 MB a "
                              "picture may take\n" + huge);

    // What cannot be read is left to the decoder, which names it.
    QCOMPARE(CPictureFile::Check(dir.filePath("missing.png")).m_eVerdict, CPictureFile::PICTURE_OK);
    QCOMPARE(CPictureFile::Check(write("empty.png", QByteArray())).m_eVerdict, CPictureFile::PICTURE_OK);
}

QTEST_MAIN(TestPictureFile)
#include "tst_picturefile.moc"
