#pragma once
// The file-name rule of the save dialogs: a name whose last path component
// has no "." after its first character gets the default extension.
#include <QString>

class QWidget;

class CFileNameRule
{
public:
    // "log" -> "log.txt", ".log" -> ".log.txt", "a/b.c/log" -> "a/b.c/log.txt",
    // "log.csv" stays. strExt includes its dot (".txt").
    static QString WithDefaultExtension(const QString& strPath, const QString& strExt);

    // The save dialog asked about the name as typed (strTyped), not about the
    // name with an extension added (strPath). When the two differ and
    // strPath names an existing file, asks whether to replace it (title
    // "Information"); true when the file may be written.
    static bool MayReplaceAddedName(QWidget* pParent, const QString& strTyped, const QString& strPath);
};
