#include "core/AppPaths.h"
#include "gcode/gcodeexecstatus.h"
#include "testsupport.h"

#include <QFile>
#include <QtTest>

class TestGCodeExecStatus : public QObject
{
    Q_OBJECT

    static void WriteRaw(const QByteArray& bytes)
    {
        QFile f(CAppPaths::GCodeExecStatusFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(bytes), bytes.size());
    }

private slots:
    // An 11-character path and index 10: 4 + 22 + 4 bytes.
    void bytesForKnownPathAndLine()
    {
        CTempWorkingFolder tmp;
        QVERIFY(CGCodeExecStatus::Write("/a/prog.ncc", 10));
        QFile f(CAppPaths::GCodeExecStatusFile());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QByteArray expected = QByteArray::fromHex("00000016");
        for (char c : QByteArray("/a/prog.ncc")) {
            expected += '\0';
            expected += c;
        }
        expected += QByteArray::fromHex("0000000A");
        QCOMPARE(f.readAll(), expected);
        QCOMPARE(expected.size(), 30);
    }

    void readsBackWhatWasWritten()
    {
        CTempWorkingFolder tmp;
        QVERIFY(!CGCodeExecStatus::Exists());
        QString path = "unchanged";
        int line = -7;
        QCOMPARE(CGCodeExecStatus::Read(path, line), CGCodeExecStatus::STATUS_NONE);
        QCOMPARE(path, QString("unchanged"));
        QVERIFY(CGCodeExecStatus::Write(QString::fromUtf8("/home/x/Fräse.ncc"), 1234));
        QVERIFY(CGCodeExecStatus::Write(QString::fromUtf8("/home/x/Fräse.ncc"), 4321)); // replaces the old file
        QVERIFY(CGCodeExecStatus::Exists());
        QCOMPARE(CGCodeExecStatus::Read(path, line), CGCodeExecStatus::STATUS_OK);
        QCOMPARE(path, QString::fromUtf8("/home/x/Fräse.ncc"));
        QCOMPARE(line, 4321);
    }

    // A file cut short or holding nonsense counts as no status at all.
    void garbageIsNoStatus_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray good = CGCodeExecStatus::Encode("/a/prog.ncc", 10);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut in the length") << good.left(2);
        QTest::newRow("cut in the path") << good.left(9);
        QTest::newRow("cut in the line") << good.left(good.size() - 1);
        QTest::newRow("trailing bytes") << good + "xx";
        QTest::newRow("huge length") << QByteArray::fromHex("7FFFFFF0") + QByteArray(8, 'a');
        QTest::newRow("odd length") << QByteArray::fromHex("00000003616263") + QByteArray::fromHex("00000001");
        QTest::newRow("null path") << QByteArray::fromHex("FFFFFFFF0000000A");
        QTest::newRow("negative line") << CGCodeExecStatus::Encode("/a/prog.ncc", -1);
        QTest::newRow("text file") << QByteArray("/a/prog.ncc 10\n");
    }
    void garbageIsNoStatus()
    {
        QFETCH(QByteArray, bytes);
        CTempWorkingFolder tmp;
        WriteRaw(bytes);
        QString path;
        int line = 0;
        QCOMPARE(CGCodeExecStatus::Read(path, line), CGCodeExecStatus::STATUS_NONE);
        QVERIFY(path.isEmpty());
    }

    void unwritableFolderIsReported()
    {
        CTempWorkingFolder tmp;
        CAppPaths::SetRoot(tmp.Root() + "/missing");
        QString err;
        QVERIFY(!CGCodeExecStatus::Write("/a/prog.ncc", 1, &err));
        QVERIFY(!err.isEmpty());
    }
};

QTEST_MAIN(TestGCodeExecStatus)
#include "tst_gcodeexecstatus.moc"
