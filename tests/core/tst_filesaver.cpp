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

#include <functional>

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
} // namespace

Q_DECLARE_METATYPE(SaveFn)

class TestFileSaver : public QObject
{
    Q_OBJECT
private slots:
    void savesWholeFile();
    void fullDisk_data();
    void fullDisk();
    void failuresBeforeTheDisk();
    void diskFillsDuringTheSave();
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

FULLDISK_TEST_MAIN(TestFileSaver)
#include "tst_filesaver.moc"
