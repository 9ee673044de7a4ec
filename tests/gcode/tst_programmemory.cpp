#include "freememoryfigure.h"
#include "gcode/gcodeprogram.h"
#include "gcode/programmemory.h"
#include "testsupport.h"

#include <QtTest>

// Whether a program file fits the free memory, and the refusal's text.
class TestProgramMemory : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { CGCodeProgram::ClearCurGCodeData(); }

    void memAvailable_data()
    {
        QTest::addColumn<QByteArray>("meminfo");
        QTest::addColumn<qint64>("bytes");
        QTest::newRow("kernel text") << QByteArray("MemTotal:        3884096 kB\nMemFree:          171204 kB\n"
                                                   "MemAvailable:    1520728 kB\nBuffers:           52012 kB\n")
                                     << qint64(1520728) * 1024;
        QTest::newRow("last line, no line feed") << QByteArray("MemFree: 5 kB\nMemAvailable: 7 kB") << qint64(7168);
        QTest::newRow("no unit is bytes") << QByteArray("MemAvailable: 4096\n") << qint64(4096);
        QTest::newRow("kernel before 3.14: no such line") << QByteArray("MemTotal: 3884096 kB\nMemFree: 1 kB\n")
                                                          << qint64(-1);
        QTest::newRow("not a number") << QByteArray("MemAvailable: lots kB\n") << qint64(-1);
        QTest::newRow("empty") << QByteArray() << qint64(-1);
    }
    void memAvailable()
    {
        QFETCH(QByteArray, meminfo);
        QFETCH(qint64, bytes);
        QCOMPARE(CProgramMemory::ParseMemAvailable(meminfo), bytes);
    }

    // The margin is a quarter of what is free, never less than MIN_MARGIN;
    // what the replaced program releases counts as free.
    void largestFile_data()
    {
        QTest::addColumn<qint64>("available");
        QTest::addColumn<qint64>("released");
        QTest::addColumn<qint64>("largest");
        const qint64 mb = 1000000, margin = CProgramMemory::MIN_MARGIN, k = CProgramMemory::BYTES_PER_FILE_BYTE;
        QTest::newRow("less free than the margin") << margin / 2 << qint64(0) << qint64(0);
        QTest::newRow("just the margin") << margin << qint64(0) << qint64(0);
        QTest::newRow("small machine: the fixed margin") << margin + 20 * mb << qint64(0) << 20 * mb / k;
        QTest::newRow("large machine: a quarter stays free") << 2000 * mb << qint64(0) << 1500 * mb / k;
        QTest::newRow("the program replaced releases memory") << margin << 40 * mb << 40 * mb / k;
        QTest::newRow("released beside free memory") << 2000 * mb << 100 * mb << 1600 * mb / k;
    }
    void largestFile()
    {
        QFETCH(qint64, available);
        QFETCH(qint64, released);
        QFETCH(qint64, largest);
        QCOMPARE(CProgramMemory::MaxFileBytes(available, released), largest);
        if (largest > 0) // the largest file leaves the margin free, one byte more would not
            QVERIFY(CProgramMemory::NeededBytes(largest) + CProgramMemory::Margin(available) <= available + released);
        QVERIFY(CProgramMemory::NeededBytes(largest + 1) + CProgramMemory::Margin(available) > available + released);
    }

    void sizeText_data()
    {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("bytes") << qint64(999) << "999 bytes";
        QTest::newRow("kB") << qint64(12345) << "12.3 kB";
        QTest::newRow("rounds up into MB") << qint64(999960) << "1.0 MB";
        QTest::newRow("MB") << qint64(412345678) << "412.3 MB";
        QTest::newRow("GB") << qint64(4200000000) << "4.2 GB";
    }
    void sizeText()
    {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(CProgramMemory::SizeText(bytes), text);
    }

    // A file is measured against the figure set; the refusal names the file,
    // its size and the most that loads now.
    void fits()
    {
        CTempWorkingFolder tmp;
        const QString path = tmp.Root() + "/part.ncc";
        WriteRaw(path, QByteArray(2000, 'X'));
        QString err;
        {
            const CFreeMemoryFigure free(CFreeMemoryFigure::ForAtMost(2000));
            QVERIFY(CProgramMemory::Fits(path, 0, &err));
        }
        {
            const CFreeMemoryFigure free(CFreeMemoryFigure::ForAtMost(1500));
            QVERIFY(!CProgramMemory::Fits(path, 0, &err));
            QCOMPARE(err, "G-Code file too large for the free memory: " + path +
                              " is 2.0 kB, this machine can load at most 1.5 kB now");
            // The same with the 500 bytes that 100 lines shown release at least.
            QVERIFY(CProgramMemory::Fits(path, 500 * CProgramMemory::BYTES_PER_FILE_BYTE, &err));
            for (int i = 0; i < 100; ++i)
                CGCodeProgram::m_lstOfGCodeLines.push_back(QStringLiteral("G0 X1"));
            QCOMPARE(CProgramMemory::HeldByLoadedProgram(), 100 * CProgramMemory::MIN_BYTES_PER_LINE);
            // A missing file or a folder is left to the load to report.
            QVERIFY(CProgramMemory::Fits(tmp.Root() + "/missing.ncc", 0, &err));
            QVERIFY(CProgramMemory::Fits(tmp.Root(), 0, &err));
        }
        // Without a figure set, the system's own is read.
        QVERIFY(CProgramMemory::AvailableBytes() > 0);
    }
};

QTEST_MAIN(TestProgramMemory)
#include "tst_programmemory.moc"
