#pragma once
// The execution-status file: the program file path and a line index, so that
// an interrupted program can be reopened at its line.
//
// Format (Qt's QDataStream encoding, big-endian, no header): a QString (32-bit
// byte length, then UTF-16 big-endian code units) followed by a signed 32-bit
// line index. The file lives at CAppPaths::GCodeExecStatusFile(). Both the
// G-code window (when a program is opened) and the controller's run loop
// (every ten lines or so) write it through Write().
#include <QByteArray>
#include <QString>

class CGCodeExecStatus
{
public:
    enum eReadResult {
        STATUS_OK = 0,      // path and line read
        STATUS_NONE = 1,    // no file, or a file cut short or holding nonsense
        STATUS_UNREADABLE = 2 // the file exists but cannot be opened
    };

    // The file's bytes for a path and a line index.
    static QByteArray Encode(const QString& strPath, int iLine);
    // Parses the bytes; false for bytes cut short, with trailing bytes, an
    // empty path or a negative line.
    static bool Decode(const QByteArray& bytes, QString& strPath, int& iLine);

    // Writes the status file through a temporary file renamed over the old
    // one; false with a reason in `pErr` when it fails (the old file stays).
    static bool Write(const QString& strPath, int iLine, QString* pErr = nullptr);
    // The same into the status file `strFile` (a path taken earlier, so that
    // a save queued before the working folder moved still lands where it
    // was meant to).
    static bool WriteTo(const QString& strFile, const QString& strPath, int iLine, QString* pErr = nullptr);
    // Reads the status file. `strPath` and `iLine` change only on STATUS_OK.
    static eReadResult Read(QString& strPath, int& iLine);
    // True when a status file exists (whatever it holds).
    static bool Exists();
};
