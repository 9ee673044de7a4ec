#pragma once
// Picture files made by the tests, whole and damaged: JPEG and PNG files
// written by Qt, files cut short or with a bit flipped, and grey PNG files
// built chunk by chunk (so that a test can give one too few image rows, or
// the header of a huge picture, with every chunk passing its check).
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QList>
#include <QtEndian>
#include <QtTest>

#include <zlib.h>

// An 8-bit grey ramp, black at the left edge to white at the right: every
// row of a relief carving of it is carved.
inline QImage GreyRamp(int w, int h)
{
    QImage img(w, h, QImage::Format_Grayscale8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.scanLine(y)[x] = uchar(x * 255 / qMax(1, w - 1));
    return img;
}

// A picture of w x h with a pattern in every row, as the format writes it.
inline QByteArray PictureBytes(const char* pFormat, int w = 96, int h = 64, bool bProgressive = false)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7 + y * 3) & 0xFF, (x * y) & 0xFF, (x ^ y) * 4 & 0xFF));
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    QImageWriter writer(&buf, pFormat);
    writer.setProgressiveScanWrite(bProgressive);
    writer.write(img);
    return bytes;
}

inline QByteArray FlipBit(QByteArray data, qsizetype pos, int iBit = 0)
{
    data[pos] = char(data[pos] ^ (1 << iBit));
    return data;
}

inline QByteArray BigEndian32Bytes(quint32 v)
{
    QByteArray b(4, '\0');
    qToBigEndian(v, b.data());
    return b;
}

// One PNG chunk: length, type, data and the check over type and data.
inline QByteArray PngChunk(const QByteArray& type, const QByteArray& data)
{
    const QByteArray typed = type + data;
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(typed.constData()),
                            uInt(typed.size()));
    return BigEndian32Bytes(quint32(data.size())) + typed + BigEndian32Bytes(quint32(crc));
}

// Where the chunk of this type starts (its length field), or -1.
inline qsizetype PngChunkAt(const QByteArray& png, const QByteArray& type)
{
    qsizetype pos = 8;
    while (pos + 8 <= png.size()) {
        if (png.mid(pos + 4, 4) == type)
            return pos;
        pos += 12 + qsizetype(qFromBigEndian<quint32>(png.constData() + pos));
    }
    return -1;
}

// An 8-bit grey PNG of w x h whose compressed data holds only the first
// nRows rows (all of them by default). nRows of -1 leaves the data out.
inline QByteArray GreyPng(quint32 w, quint32 h, int nRows = -2)
{
    QByteArray header = BigEndian32Bytes(w) + BigEndian32Bytes(h);
    header += QByteArray::fromHex("0800000000"); // depth 8, grey, deflate, no filter, no interlace
    QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + PngChunk("IHDR", header);
    if (nRows != -1) {
        const quint32 rows = nRows == -2 ? h : quint32(nRows);
        QByteArray raw;
        for (quint32 y = 0; y < rows; ++y) {
            raw += '\0'; // filter: none
            for (quint32 x = 0; x < w; ++x)
                raw += char((x + y) * 255 / qMax<quint32>(1, w + h - 2));
        }
        QByteArray packed(int(compressBound(uLong(raw.size()))), '\0');
        uLongf nPacked = uLongf(packed.size());
        compress2(reinterpret_cast<Bytef*>(packed.data()), &nPacked, reinterpret_cast<const Bytef*>(raw.constData()),
                  uLong(raw.size()), 9);
        packed.truncate(int(nPacked));
        png += PngChunk("IDAT", packed);
    }
    return png + PngChunk("IEND", QByteArray());
}

// Pictures each window that loads pictures refuses, with the start of the
// log line it gives (the line ends with the file's path).
struct stRefusedPicture
{
    const char* m_pName;
    QByteArray m_Bytes;
    QString m_strLog;
};

inline QList<stRefusedPicture> RefusedPictures()
{
    const QByteArray jpeg = PictureBytes("jpeg", 200, 150);
    const QByteArray png = PictureBytes("png", 200, 150);
    const qsizetype idat = PngChunkAt(png, "IDAT");
    return {
        {"cut.jpg", jpeg.left(jpeg.size() * 2 / 3),
         "Picture damaged: the JPEG file ends before its end marker: it is cut short\n"},
        {"flipped.png", FlipBit(png, idat + 40, 2), "Picture damaged: its IDAT chunk fails its check: the file is damaged\n"},
        {"short.png", png.left(png.size() - 40), "Picture damaged: the PNG file ends inside its IDAT chunk: it is cut short\n"},
        {"huge.png", GreyPng(30000, 30000, 0),
         QStringLiteral("Picture too large: 30000 x 30000 pixels take 3434 MB, more than the %1 MB a picture may take\n")
             .arg(QImageReader::allocationLimit())},
    };
}

// The table of a window test over RefusedPictures(): name, bytes, log.
inline void AddRefusedPictureRows()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("log");
    for (const stRefusedPicture& r : RefusedPictures())
        QTest::newRow(r.m_pName) << QString::fromLatin1(r.m_pName) << r.m_Bytes << r.m_strLog;
}
