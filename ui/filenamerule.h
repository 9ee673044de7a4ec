#pragma once
// The file-name rule of the save dialogs: a name whose last path component
// has no "." after its first character gets the default extension.
#include <QString>

class CFileNameRule
{
public:
    // "log" -> "log.txt", ".log" -> ".log.txt", "a/b.c/log" -> "a/b.c/log.txt",
    // "log.csv" stays. strExt includes its dot (".txt").
    static QString WithDefaultExtension(const QString& strPath, const QString& strExt);
};
