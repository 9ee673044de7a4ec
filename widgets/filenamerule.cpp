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

QString CFileNameRule::WithGeneratedGCodeExtension(const QString& strPath)
{
    if (strPath.endsWith(QLatin1String(".txt")) || strPath.endsWith(QLatin1String(".ncc")))
        return strPath;
    return strPath + QStringLiteral(".txt");
}

bool CFileNameRule::MayReplaceAddedName(QWidget* pParent, const QString& strTyped, const QString& strPath)
{
    if (strPath == strTyped || !QFileInfo::exists(strPath))
        return true;
    // Replacing loses the file's contents: a warning box, like the file
    // dialog's own question about the name as typed.
    return CPrompter::Instance().Question(pParent, QMessageBox::Warning, QStringLiteral("Warning"),
                                          strPath + QStringLiteral("\nalready exists. Replace it?"),
                                          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}
