#include "widgets/filenamerule.h"

#include "core/Prompter.h"

#include <QFileInfo>

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

bool CFileNameRule::MayReplaceAddedName(QWidget* pParent, const QString& strTyped, const QString& strPath)
{
    if (strPath == strTyped || !QFileInfo::exists(strPath))
        return true;
    return CPrompter::Instance().Question(pParent, QStringLiteral("Information"),
                                          strPath + QStringLiteral("\nalready exists. Replace it?"),
                                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}
