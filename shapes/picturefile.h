#pragma once
// Checks of a picture file before its decoder runs, for the windows that load
// pictures (image carving, shapes from a picture); without widgets.
//
// A decoder fills what is missing from a damaged file with grey and carries
// on: a JPEG cut short loads with its lower rows grey, and those would be
// carved or traced. So a picture is looked at first: a JPEG must reach its
// end marker, a PNG must hold every chunk whole, each passing its check (CRC),
// up to its end chunk, with compressed image data that is complete and
// undamaged, and an uncompressed BMP must hold every row. And a picture whose
// decoded image would take more memory than the picture reader allows any
// picture (QImageReader's allocation limit, which the reader holds against
// 4 bytes a pixel whatever the picture's format), or with a side beyond
// MAX_SIDE pixels, is too large.
#include <QByteArray>
#include <QSize>
#include <QString>

class CPictureFile
{
public:
    CPictureFile() = delete;

    // The longest side a loaded picture may have.
    static constexpr int MAX_SIDE = 32767;

    enum eVerdict { PICTURE_OK, PICTURE_DAMAGED, PICTURE_TOO_LARGE };
    struct stCheck
    {
        eVerdict m_eVerdict = PICTURE_OK;
        QString m_strReason; // why not, for the operator; empty when OK
        // The log line that refuses the file: what is wrong, why, the file.
        QString Message(const QString& strPath) const;
    };

    // Looks at the file's header and bytes without decoding the picture. A
    // file that cannot be read or is no JPEG, PNG or BMP passes: its decoder
    // then refuses it.
    static stCheck Check(const QString& strPath);

    // Why these bytes are not a whole JPEG, PNG or BMP file; empty when they
    // are, or when they are another format.
    static QString Damage(const QByteArray& data);

    // Why a picture of this size, decoded at this many bits a pixel, is too
    // large to load; empty when it is not.
    static QString TooLarge(const QSize& size, int iBitsPerPixel);
};
