#pragma once
// Saves a file whole or not at all: the one path every file the program
// writes for the operator (settings, programs, work areas, Z profiles, the
// execution status, the saved log, generated G-code) goes through.
//
// The bytes go to a temporary file beside the target, which replaces the
// target only when every byte reached the file system. Writes are buffered,
// so a full disk often shows only when the buffer is flushed; and Qt 6.4's
// QSaveFile::commit() renames the temporary file into place even when its
// own last flush failed, which swaps a good file for an empty or cut one.
// So Commit() flushes first, checks the device's error and that the file
// holds every byte written, then syncs the data to the card and closes a
// duplicate of the handle, checking both (commit() ignores a failed fsync or
// close: a dying SD card or USB stick reports its lost writes only there,
// with EIO), and only then renames. On any failure the temporary file is
// dropped, the old file stays as it was, and Error() gives the system's own
// reason ("No space left on device", "Input/output error"), taken before the
// cancel, which would replace it with "Writing canceled by application".
//
//   CFileSaver saver(path);
//   if (!saver.Open() || !saver.Write(bytes) || !saver.Commit())
//       Log("... not saved: " + saver.Error());
//
// One object per save, used by one thread; Write and Commit after a failure
// do nothing and return false, so a writer may check only at the end.
#include <QByteArray>
#include <QSaveFile>
#include <QString>

class CFileSaver
{
public:
    explicit CFileSaver(const QString& path);
    // A save neither committed nor cancelled is cancelled: the old file stays.
    ~CFileSaver();
    CFileSaver(const CFileSaver&) = delete;
    CFileSaver& operator=(const CFileSaver&) = delete;

    // Creates the temporary file; false (with Error()) when it cannot.
    bool Open();
    // Hands bytes to the file; false once anything failed or a write was short.
    bool Write(const char* data, qint64 len);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    // A device for a stream (QTextStream, QXmlStreamWriter) that writes to a
    // device itself; what it writes goes through Write(). A stream keeps a
    // failed write to itself and the file does not always remember one (a
    // short write leaves no error), so the stream never writes to the file
    // directly. Flush the stream before Commit().
    QIODevice* Device() { return &m_Device; }
    // Flushes, checks the device's error and that every byte is in the file,
    // syncs the data to the medium and checks the close, then renames the
    // file into place. On any failure cancels the save (the
    // old file is kept whole) and returns false with Error() set.
    bool Commit();
    // Drops the temporary file; the old file stays. `strWhy` becomes Error()
    // unless a reason was already taken.
    void Cancel(const QString& strWhy = QString());

    bool Failed() const { return !m_strError.isEmpty(); }
    // Why the save failed, in the system's words; empty while all went well.
    QString Error() const { return m_strError; }

    // The whole save of bytes already in memory. On failure *pErr (when
    // given) holds the reason.
    static bool Save(const QString& path, const QByteArray& bytes, QString* pErr = nullptr);

    // What a save asks of the temporary file and of the system. Tests put
    // their own in place to act out a medium failing where a healthy disk
    // never does: a write that takes part of its bytes, or claims bytes it
    // did not take, without an error; a sync or a close that fails with EIO.
    struct stFileOps
    {
        // Hands bytes to the file; the count it took, -1 on an error.
        qint64 (*m_pWrite)(QSaveFile& file, const char* data, qint64 len);
        // fdatasync(2) on the file's handle.
        int (*m_pDataSync)(int fd);
        // close(2), on a duplicate of the file's handle.
        int (*m_pClose)(int fd);
    };
    // The system's own; SetFileOps(nullptr) goes back to them. Set only while
    // no save runs.
    static const stFileOps& SystemFileOps();
    static void SetFileOps(const stFileOps* pOps);

private:
    // Hands everything written to it to the saver's Write().
    class CDevice : public QIODevice
    {
    public:
        explicit CDevice(CFileSaver& saver) : m_Saver(saver) {}
        bool isSequential() const override { return true; }

    protected:
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char* data, qint64 len) override { return m_Saver.Write(data, len) ? len : -1; }

    private:
        CFileSaver& m_Saver;
    };

    // Takes the device's reason (or `strFallback` when the device has none)
    // and cancels.
    bool Fail(const QString& strFallback);

    // The syncs and the close a healthy file would pass; false with the
    // system's reason taken when one fails.
    bool SyncAndCheckClose();

    QSaveFile m_File;
    CDevice m_Device{*this};
    // Every byte the callers handed over, to hold against the file's size.
    qint64 m_iHandedOver = 0;
    QString m_strError;
    bool m_bFinished = false;
};
