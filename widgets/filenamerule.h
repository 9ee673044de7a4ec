#pragma once
// The file-name rules of the save dialogs: the extension a typed name gets,
// and the question before a file that the dialog did not ask about is
// replaced.
#include <QString>

class QWidget;

class CFileNameRule
{
public:
    // "log" -> "log.txt", ".log" -> ".log.txt", "a/b.c/log" -> "a/b.c/log.txt",
    // "log.csv" stays. strExt includes its dot (".txt").
    static QString WithDefaultExtension(const QString& strPath, const QString& strExt);
    // The rule of the G-code the shape designer and the carving window
    // write: a name that ends in neither ".txt" nor ".ncc" (case-sensitive)
    // gets ".txt" ("prog" -> "prog.txt", "prog.ncc" stays, "prog.tap" ->
    // "prog.tap.txt").
    static QString WithGeneratedGCodeExtension(const QString& strPath);

    // The save dialog asked about the name as typed (strTyped), not about the
    // name with an extension added (strPath). When the two differ and
    // strPath names an existing file, asks in a warning box whether to
    // replace it (No is the default); true when the file may be written.
    static bool MayReplaceAddedName(QWidget* pParent, const QString& strTyped, const QString& strPath);
};
