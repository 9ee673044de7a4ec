#include "ui/filenamerule.h"

QString CFileNameRule::WithDefaultExtension(const QString& strPath, const QString& strExt)
{
    const qsizetype iSlash = strPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype iDot = strPath.lastIndexOf(QLatin1Char('.'));
    // A dot counts when it lies in the file-name part and is not its first
    // character.
    if (iDot > iSlash + 1)
        return strPath;
    return strPath + strExt;
}
