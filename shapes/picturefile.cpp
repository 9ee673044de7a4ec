#include "shapes/picturefile.h"

#include <QFile>
#include <QImage>
#include <QImageReader>

#include <zlib.h>

#include <array>

namespace {

quint32 BigEndian32(const uchar* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

quint32 LittleEndian32(const uchar* p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

// ---- JPEG ------------------------------------------------------------------

// Walks the markers from the start-of-image marker to the end-of-image
// marker: segments by their lengths (so that a thumbnail inside a segment is
// passed over whole), entropy-coded data up to the next marker. Bytes after
// the end marker do not count.
QString JpegDamage(const QByteArray& data)
{
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype n = data.size();
    const QString strCut = QStringLiteral("the JPEG file ends before its end marker: it is cut short");
    qsizetype pos = 2; // behind the start-of-image marker
    for (;;) {
        // The next marker: 0xFF, any fill bytes 0xFF, the marker code. Stray
        // bytes before it are passed over, as the decoder does.
        while (pos < n && p[pos] != 0xFF)
            ++pos;
        while (pos < n && p[pos] == 0xFF)
            ++pos;
        if (pos >= n)
            return strCut;
        const uchar marker = p[pos++];
        if (marker == 0xD9)
            return QString(); // end of image
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // markers without a segment
        if (n - pos < 2)
            return strCut;
        const qsizetype len = qsizetype(p[pos]) << 8 | p[pos + 1];
        if (len < 2)
            return QStringLiteral("a JPEG segment length is wrong: the file is damaged");
        if (n - pos < len)
            return strCut;
        pos += len;
        if (marker != 0xDA)
            continue;
        // Start of scan: entropy-coded data up to the next marker (0xFF
        // followed by a byte other than 0, a restart marker or a fill byte).
        for (;;) {
            if (pos + 1 >= n)
                return strCut;
            if (p[pos] != 0xFF) {
                ++pos;
                continue;
            }
            const uchar next = p[pos + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                pos += 2;
                continue;
            }
            if (next == 0xFF) {
                ++pos;
                continue;
            }
            break; // pos stands on the 0xFF of the next marker
        }
    }
}

// ---- PNG -------------------------------------------------------------------

const char PNG_SIGNATURE[] = "\x89PNG\r\n\x1a\n";

// The size of the filtered image data a PNG header describes, or 0 when the
// header holds values the decoder refuses anyway.
quint64 PngRawSize(const uchar* ihdr)
{
    const quint64 w = BigEndian32(ihdr), h = BigEndian32(ihdr + 4);
    const int bitDepth = ihdr[8], colourType = ihdr[9], interlace = ihdr[12];
    int channels = 0;
    switch (colourType) {
    case 0: channels = 1; break; // grey
    case 2: channels = 3; break; // RGB
    case 3: channels = 1; break; // palette
    case 4: channels = 2; break; // grey and alpha
    case 6: channels = 4; break; // RGBA
    default: return 0;
    }
    if (w == 0 || h == 0 || interlace > 1 || !(bitDepth == 1 || bitDepth == 2 || bitDepth == 4 || bitDepth == 8 ||
                                              bitDepth == 16))
        return 0;
    const quint64 bitsPerPixel = quint64(channels) * bitDepth;
    // Each row starts with its filter byte.
    auto rows = [bitsPerPixel](quint64 width, quint64 height) {
        return width == 0 || height == 0 ? 0 : height * (1 + (width * bitsPerPixel + 7) / 8);
    };
    if (interlace == 0)
        return rows(w, h);
    // Adam7: seven passes over sub-images, each row with its filter byte.
    static const int passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                     {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    quint64 total = 0;
    for (const auto& ps : passes) {
        const quint64 pw = w > quint64(ps[0]) ? (w - ps[0] + ps[2] - 1) / ps[2] : 0;
        const quint64 ph = h > quint64(ps[1]) ? (h - ps[1] + ps[3] - 1) / ps[3] : 0;
        total += rows(pw, ph);
    }
    return total;
}

// The image data of the IDAT chunks, inflated to count it without keeping
// it: the compressed stream must end (its own check, Adler-32, passing) and
// give every row.
class CPngData
{
public:
    CPngData() { m_bOk = inflateInit(&m_Z) == Z_OK; }
    ~CPngData() { inflateEnd(&m_Z); }
    CPngData(const CPngData&) = delete;
    CPngData& operator=(const CPngData&) = delete;

    void Feed(const uchar* pData, quint32 nLen)
    {
        if (!m_bOk || m_bEnd)
            return;
        m_Z.next_in = const_cast<Bytef*>(pData);
        m_Z.avail_in = nLen;
        do {
            m_Z.next_out = m_Out.data();
            m_Z.avail_out = uInt(m_Out.size());
            const int r = inflate(&m_Z, Z_NO_FLUSH);
            m_nOut += m_Out.size() - m_Z.avail_out;
            if (r == Z_STREAM_END) {
                m_bEnd = true;
                return;
            }
            if (r == Z_BUF_ERROR)
                return; // needs the next chunk
            if (r != Z_OK) {
                m_bOk = false;
                return;
            }
        } while (m_Z.avail_in > 0 || m_Z.avail_out == 0);
    }
    bool Damaged() const { return !m_bOk; }
    bool Ended() const { return m_bEnd; }
    quint64 Size() const { return m_nOut; }

private:
    z_stream m_Z{};
    std::array<Bytef, 64 * 1024> m_Out{};
    quint64 m_nOut = 0;
    bool m_bOk = false;
    bool m_bEnd = false;
};

QString ChunkName(const uchar* pType)
{
    for (int i = 0; i < 4; ++i)
        if (!((pType[i] >= 'A' && pType[i] <= 'Z') || (pType[i] >= 'a' && pType[i] <= 'z')))
            return QStringLiteral("a PNG chunk");
    return QStringLiteral("its ") + QString::fromLatin1(reinterpret_cast<const char*>(pType), 4) +
           QStringLiteral(" chunk");
}

QString PngDamage(const QByteArray& data)
{
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype n = data.size();
    qsizetype pos = 8; // behind the signature
    quint64 nRawSize = 0;
    bool bHeader = false;
    CPngData image;
    for (;;) {
        if (n - pos < 12)
            return QStringLiteral("the PNG file ends before its end chunk: it is cut short");
        const quint32 len = BigEndian32(p + pos);
        const uchar* pType = p + pos + 4;
        if (len > 0x7FFFFFFFu)
            return QStringLiteral("a PNG chunk length is wrong: the file is damaged");
        if (quint64(n - pos - 12) < len)
            return QStringLiteral("the PNG file ends inside ") + ChunkName(pType) + QStringLiteral(": it is cut short");
        const uchar* pData = pType + 4;
        // The check covers the chunk's type and data.
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), pType, uInt(len) + 4);
        if (crc != BigEndian32(pData + len))
            return ChunkName(pType) + QStringLiteral(" fails its check: the file is damaged");
        const QByteArray type(reinterpret_cast<const char*>(pType), 4);
        if (!bHeader) {
            if (type != "IHDR" || len != 13)
                return QStringLiteral("the PNG file does not start with its header chunk: it is damaged");
            bHeader = true;
            nRawSize = PngRawSize(pData);
        } else if (type == "IDAT") {
            image.Feed(pData, len);
            if (image.Damaged())
                return QStringLiteral("the PNG image data is damaged");
        } else if (type == "IEND") {
            break;
        }
        pos += 12 + qsizetype(len);
    }
    if (!image.Ended() || (nRawSize != 0 && image.Size() < nRawSize))
        return QStringLiteral("the PNG image data ends early: the file is damaged");
    return QString();
}

// ---- BMP -------------------------------------------------------------------

// An uncompressed BMP (the common kind) must hold every row behind its
// pixel-data offset; run-length encoded ones are left to the decoder.
QString BmpDamage(const QByteArray& data)
{
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype n = data.size();
    if (n < 14 + 40)
        return QStringLiteral("the BMP file ends inside its header: it is cut short");
    const quint32 headerSize = LittleEndian32(p + 14);
    if (headerSize < 40)
        return QString(); // an old OS/2 header
    const quint64 offset = LittleEndian32(p + 10);
    const qint64 w = qint32(LittleEndian32(p + 18));
    const qint64 h = qint32(LittleEndian32(p + 22));
    const quint64 bitsPerPixel = quint64(p[28]) | quint64(p[29]) << 8;
    const quint32 compression = LittleEndian32(p + 30);
    if (compression != 0 && compression != 3)
        return QString();
    const quint64 rowBytes = (quint64(qAbs(w)) * bitsPerPixel + 31) / 32 * 4;
    if (offset + rowBytes * quint64(qAbs(h)) > quint64(n))
        return QStringLiteral("the BMP file ends before its last row: it is cut short");
    return QString();
}

} // namespace

QString CPictureFile::stCheck::Message(const QString& strPath) const
{
    switch (m_eVerdict) {
    case PICTURE_DAMAGED: return QStringLiteral("Picture damaged: ") + m_strReason + QLatin1Char('\n') + strPath;
    case PICTURE_TOO_LARGE: return QStringLiteral("Picture too large: ") + m_strReason + QLatin1Char('\n') + strPath;
    case PICTURE_OK: break;
    }
    return QString();
}

QString CPictureFile::Damage(const QByteArray& data)
{
    if (data.startsWith("\xFF\xD8\xFF"))
        return JpegDamage(data);
    if (data.startsWith(QByteArray::fromRawData(PNG_SIGNATURE, 8)))
        return PngDamage(data);
    if (data.startsWith("BM"))
        return BmpDamage(data);
    return QString();
}

QString CPictureFile::TooLarge(const QSize& size, int iBitsPerPixel)
{
    if (size.width() > MAX_SIDE || size.height() > MAX_SIDE)
        return QStringLiteral("%1 x %2 pixels, more than %3 pixels a side")
            .arg(size.width())
            .arg(size.height())
            .arg(MAX_SIDE);
    // What the picture reader would allocate for the decoded image: rows of
    // whole 32-bit words.
    const qint64 nBytes =
        (qint64(qMax(size.width(), 0)) * qMax(iBitsPerPixel, 1) + 31) / 32 * 4 * qMax(size.height(), 0);
    const qint64 nLimitMB = QImageReader::allocationLimit();
    if (nLimitMB > 0 && nBytes > nLimitMB * 1024 * 1024)
        return QStringLiteral("%1 x %2 pixels take %3 MB, more than the %4 MB a picture may take")
            .arg(size.width())
            .arg(size.height())
            .arg((nBytes + 1024 * 1024 - 1) / (1024 * 1024))
            .arg(nLimitMB);
    return QString();
}

CPictureFile::stCheck CPictureFile::Check(const QString& strPath)
{
    stCheck check;
    // The size first, from the header alone: a picture too large to decode
    // is not read any further.
    QImageReader reader(strPath);
    const QSize size = reader.size();
    if (size.isValid()) {
        // The picture reader holds the size against its limit at 4 bytes a
        // pixel before it decodes, whatever the picture decodes into (a grey
        // picture too): the same count here, so that what passes decodes.
        check.m_strReason = TooLarge(size, 32);
        if (!check.m_strReason.isEmpty()) {
            check.m_eVerdict = PICTURE_TOO_LARGE;
            return check;
        }
    }

    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return check;
    // Mapped rather than read where the file system allows it.
    QByteArray data;
    if (const uchar* pMapped = file.size() > 0 ? file.map(0, file.size()) : nullptr)
        data = QByteArray::fromRawData(reinterpret_cast<const char*>(pMapped), qsizetype(file.size()));
    else
        data = file.readAll();
    check.m_strReason = Damage(data);
    if (!check.m_strReason.isEmpty())
        check.m_eVerdict = PICTURE_DAMAGED;
    return check;
}
