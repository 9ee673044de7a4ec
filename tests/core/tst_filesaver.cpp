// The one save path of every file the program writes: a save that fails
// (really full disk, missing folder, a save dropped half way) keeps the old
// file byte for byte, leaves no temporary file, and says why in the system's
// words; a save that succeeds replaces the file whole.
#include "core/FileSaver.h"
#include "fulldisk.h"
#include "testsupport.h"

#include <QDir>
#include <QTextStream>
#include <QtTest>

#include <cerrno>
#include <functional>

#include <unistd.h>

namespace {
const QByteArray OLD_CONTENT = "the good settings, saved yesterday\n";
const QString NO_SPACE = QStringLiteral("No space left on device");

// One way of writing through the saver; false when a step said so.
using SaveFn = std::function<bool(const QString& path, QString& strWhy)>;

bool SaveBytes(const QString& path, const QByteArray& bytes, QString& strWhy)
{
    return CFileSaver::Save(path, bytes, &strWhy);
}

// Many small writes through a text stream on the device, as the log and the
// G-code writers do.
bool SaveByStream(const QString& path, int iLines, QString& strWhy)
{
    CFileSaver saver(path);
    if (!saver.Open()) {
        strWhy = saver.Error();
        return false;
    }
    {
        QTextStream out(saver.Device());
        for (int i = 0; i < iLines; ++i)
            out << "G01 X" << i << " Y" << i << "\n";
    }
    const bool ok = saver.Commit();
    strWhy = saver.Error();
    return ok;
}

// Chunks handed to Write one by one, as the program writer does.
bool SaveInChunks(const QString& path, int iChunks, QString& strWhy)
{
    CFileSaver saver(path);
    bool ok = saver.Open();
    for (int i = 0; ok && i < iChunks; ++i)
        ok = saver.Write(QByteArray(8192, char('a' + i % 26)));
    ok = ok && saver.Commit();
    strWhy = saver.Error();
    return ok;
}
// A medium acted out through the saver's file operations: the system's,
// except where a case says otherwise.
qint64 WriteClaimingOneMore(QSaveFile& file, const char* data, qint64 len)
{
    // Takes all but the last byte and says it took them all.
    const qint64 n = file.write(data, len - 1);
    return n < 0 ? n : n + 1;
}

qint64 WriteFlaggingAnError(QSaveFile& file, const char* data, qint64 len)
{
    // Every byte taken, but the device remembers a failure on the way (a
    // resize to a negative length fails and marks the device, nothing else).
    const qint64 n = file.write(data, len);
    file.resize(-1);
    return n;
}

qint64 WriteSevenAtATime(QSaveFile& file, const char* data, qint64 len)
{
    // A write that takes part of its bytes without an error: the caller
    // must hand over the rest, from where it stopped.
    return file.write(data, qMin<qint64>(len, 7));
}

int SyncFailing(int)
{
    errno = EIO;
    return -1;
}

int CloseFailing(int fd)
{
    ::close(fd);
    errno = EIO;
    return -1;
}

// Puts the given file operations in place for one scope.
class CFileOpsInPlace
{
public:
    explicit CFileOpsInPlace(const CFileSaver::stFileOps& ops) : m_Ops(ops) { CFileSaver::SetFileOps(&m_Ops); }
    ~CFileOpsInPlace() { CFileSaver::SetFileOps(nullptr); }

private:
    CFileSaver::stFileOps m_Ops;
};

// 1000 bytes no two neighbours of which are alike, so a byte written twice or
// left out shows.
QByteArray Pattern()
{
    QByteArray bytes;
    for (int i = 0; i < 1000; ++i)
        bytes.append(char(' ' + i % 89));
    return bytes;
}
} // namespace

Q_DECLARE_METATYPE(SaveFn)
Q_DECLARE_METATYPE(CFileSaver::stFileOps)

class TestFileSaver : public QObject
{
    Q_OBJECT
private slots:
    void savesWholeFile();
    void fullDisk_data();
    void fullDisk();
    void failuresBeforeTheDisk();
    void diskFillsDuringTheSave();
    void failingMedium_data();
    void failingMedium();
    void writesTakingPartOfTheirBytes();
    void failedRename();
};

void TestFileSaver::savesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/settings.dat";
    WriteRaw(path, QByteArray(5000, 'x'));
    QString strWhy;
    QVERIFY(SaveBytes(path, OLD_CONTENT, strWhy));
    QVERIFY(strWhy.isEmpty());
    QCOMPARE(ReadAll(path), OLD_CONTENT);

    QVERIFY(SaveByStream(path, 3, strWhy));
    QCOMPARE(ReadAll(path), QByteArray("G01 X0 Y0\nG01 X1 Y1\nG01 X2 Y2\n"));
    QVERIFY(SaveInChunks(path, 3, strWhy));
    QCOMPARE(ReadAll(path).size(), 3 * 8192);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"settings.dat"});
}

void TestFileSaver::fullDisk_data()
{
    QTest::addColumn<SaveFn>("save");
    // A few bytes stay in the buffer until the flush: only the flush fails,
    // after which Qt 6.4's commit() alone would rename an empty file into place.
    QTest::newRow("few bytes, fail at the flush")
        << SaveFn([](const QString& p, QString& why) { return SaveBytes(p, "Ver4.0 and 600 more bytes", why); });
    // More than the write buffer: the write itself fails.
    QTest::newRow("large block, fail at the write")
        << SaveFn([](const QString& p, QString& why) { return SaveBytes(p, QByteArray(40 * 1024, 'g'), why); });
    QTest::newRow("text stream on the device")
        << SaveFn([](const QString& p, QString& why) { return SaveByStream(p, 2000, why); });
    QTest::newRow("chunk by chunk")
        << SaveFn([](const QString& p, QString& why) { return SaveInChunks(p, 5, why); });
}

void TestFileSaver::fullDisk()
{
    QFETCH(SaveFn, save);
    CFullDisk disk;
    FULLDISK_REQUIRE(disk);
    const QString path = disk.Path() + "/settings.dat";
    WriteRaw(path, OLD_CONTENT);
    QVERIFY(disk.Fill());
    const QStringList before = QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden);

    QString strWhy;
    QVERIFY(!save(path, strWhy));
    QCOMPARE(strWhy, NO_SPACE);
    QCOMPARE(ReadAll(path), OLD_CONTENT);
    QCOMPARE(QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden), before);

    // With room again the same save goes through.
    disk.Empty();
    QVERIFY2(save(path, strWhy), qPrintable(strWhy));
    QVERIFY(ReadAll(path) != OLD_CONTENT);
}

void TestFileSaver::failuresBeforeTheDisk()
{
    QTemporaryDir dir;
    QString strWhy;
    // A folder that is not there: the system's reason, nothing created.
    QVERIFY(!SaveBytes(dir.path() + "/missing/settings.dat", OLD_CONTENT, strWhy));
    QCOMPARE(strWhy, QStringLiteral("No such file or directory"));
    QVERIFY(!QFileInfo::exists(dir.path() + "/missing"));

    // A save dropped half way (an exception, an early return) keeps the old
    // file and leaves no temporary file; so does an explicit cancel, with the
    // caller's reason. Nothing can be written or committed afterwards.
    const QString path = dir.path() + "/program.ncc";
    WriteRaw(path, OLD_CONTENT);
    {
        CFileSaver saver(path);
        QVERIFY(saver.Open());
        QVERIFY(saver.Write(QByteArray(100000, 'z')));
    }
    QCOMPARE(ReadAll(path), OLD_CONTENT);
    CFileSaver saver(path);
    QVERIFY(saver.Open());
    QVERIFY(saver.Write("G0 X1\n"));
    saver.Cancel(QStringLiteral("the drawing has no outline"));
    QVERIFY(!saver.Write("M30\n"));
    QVERIFY(!saver.Commit());
    QCOMPARE(saver.Error(), QStringLiteral("the drawing has no outline"));
    QCOMPARE(ReadAll(path), OLD_CONTENT);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"program.ncc"});
}

// The disk fills up part way through: a write takes only part of its bytes
// without an error, a text stream stops quietly; the save still fails with
// the reason and nothing of it is left.
void TestFileSaver::diskFillsDuringTheSave()
{
    CFullDisk disk;
    FULLDISK_REQUIRE(disk);
    const QString path = disk.Path() + "/program.ncc";
    WriteRaw(path, OLD_CONTENT);
    QString strWhy;
    QVERIFY(!SaveByStream(path, 20000, strWhy)); // about 330 KB on a 64 KB disk
    QCOMPARE(strWhy, NO_SPACE);
    QVERIFY(!SaveBytes(path, QByteArray(100000, 'b'), strWhy));
    QCOMPARE(strWhy, NO_SPACE);
    QCOMPARE(ReadAll(path), OLD_CONTENT);
    QCOMPARE(QDir(disk.Path()).entryList(QDir::Files | QDir::Hidden), QStringList{"program.ncc"});
}

// A medium that fails where a healthy disk never does: each case is caught
// by one check alone, and each keeps the old file whole, leaves no temporary
// file and gives the reason.
void TestFileSaver::failingMedium_data()
{
    QTest::addColumn<CFileSaver::stFileOps>("ops");
    QTest::addColumn<QString>("why");
    const CFileSaver::stFileOps sys = CFileSaver::SystemFileOps();
    // A dying SD card: the data never reaches it, and only the sync says so.
    QTest::newRow("sync fails") << CFileSaver::stFileOps{sys.m_pWrite, SyncFailing, sys.m_pClose}
                                << "Input/output error";
    QTest::newRow("close fails") << CFileSaver::stFileOps{sys.m_pWrite, sys.m_pDataSync, CloseFailing}
                                 << "Input/output error";
    QTest::newRow("write claims a byte it did not take")
        << CFileSaver::stFileOps{WriteClaimingOneMore, sys.m_pDataSync, sys.m_pClose}
        << "the file holds 999 of 1000 bytes";
    QTest::newRow("error remembered by the device")
        << CFileSaver::stFileOps{WriteFlaggingAnError, sys.m_pDataSync, sys.m_pClose} << "Invalid argument";
}

void TestFileSaver::failingMedium()
{
    QFETCH(CFileSaver::stFileOps, ops);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString path = dir.path() + "/DIR_ADI.dat";
    WriteRaw(path, OLD_CONTENT);
    QString strWhy;
    {
        CFileOpsInPlace medium(ops);
        QVERIFY(!SaveBytes(path, Pattern(), strWhy));
    }
    QCOMPARE(strWhy, why);
    QCOMPARE(ReadAll(path), OLD_CONTENT);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"DIR_ADI.dat"});
}

// Writes that take a few bytes at a time without an error: every way of
// writing hands over the rest from where the last write stopped, and the
// file holds exactly what was given.
void TestFileSaver::writesTakingPartOfTheirBytes()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/program.ncc";
    const CFileSaver::stFileOps sys = CFileSaver::SystemFileOps();
    CFileOpsInPlace medium({WriteSevenAtATime, sys.m_pDataSync, sys.m_pClose});
    QString strWhy;
    QVERIFY2(SaveBytes(path, Pattern(), strWhy), qPrintable(strWhy));
    QCOMPARE(ReadAll(path), Pattern());
    QVERIFY2(SaveByStream(path, 40, strWhy), qPrintable(strWhy));
    QByteArray expected;
    for (int i = 0; i < 40; ++i)
        expected += "G01 X" + QByteArray::number(i) + " Y" + QByteArray::number(i) + "\n";
    QCOMPARE(ReadAll(path), expected);
}

// The rename at the end fails (here the old file was replaced by a folder
// meanwhile): the save says so with the system's reason and leaves nothing.
void TestFileSaver::failedRename()
{
    QTemporaryDir dir;
    const QString path = dir.path() + "/work.xml";
    WriteRaw(path, OLD_CONTENT);
    CFileSaver saver(path);
    QVERIFY(saver.Open());
    QVERIFY(saver.Write(Pattern()));
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkpath(path + "/kept"));
    QVERIFY(!saver.Commit());
    QVERIFY(!saver.Error().isEmpty());
    QVERIFY(!saver.Write("more"));
    QVERIFY(QFileInfo(path + "/kept").isDir());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"work.xml"});
}

FULLDISK_TEST_MAIN(TestFileSaver)
#include "tst_filesaver.moc"
