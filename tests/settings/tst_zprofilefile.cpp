// The Z-profile text file: what is written, what is read back, and which
// files are refused without touching the grid held before.
#include "pointsupport.h"
#include "settings/zprofilefile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

namespace {
// 3 rows of 4 points in probing order (the middle row runs back in X).
ZProfileGrid Serpentine()
{
    ZProfileGrid grid;
    for (int r = 0; r < 3; ++r) {
        QList<stFloatPoint> row;
        for (int i = 0; i < 4; ++i) {
            const int c = (r % 2) ? 3 - i : i;
            row << Pt(c * 10.0, r * 10.0, -0.01 * (r * 4 + c));
        }
        grid << row;
    }
    return grid;
}
} // namespace

class TestZProfileFile : public QObject
{
    Q_OBJECT
private slots:
    void writtenText();
    void roundTrip();
    void crlfAndSpacing();
    void refusedFiles_data();
    void refusedFiles();
    void fileNames();
    void unwritableFolder();
};

void TestZProfileFile::writtenText()
{
    const QList<QByteArray> lines = CZProfileFile::ToText(Serpentine()).split('\n');
    QCOMPARE(lines.size(), 15); // 14 lines and the empty text after the last "\n"
    QCOMPARE(lines[0], QByteArray("3"));
    QCOMPARE(lines[1], QByteArray("4"));
    QCOMPARE(lines[2], QByteArray("0,0,0"));
    QCOMPARE(lines[6], QByteArray("30,10,-0.07"));
    QCOMPARE(lines[9], QByteArray("0,10,-0.04"));
    QVERIFY(lines[14].isEmpty());

    ZProfileGrid grid{{Pt(123.4567, 0.00001, -1234567.0), Pt(0.5, 2, 3)}};
    QCOMPARE(CZProfileFile::ToText(grid), QByteArray("1\n2\n123.457,1e-05,-1.23457e+06\n0.5,2,3\n"));
}

void TestZProfileFile::roundTrip()
{
    CTempWorkingFolder folder;
    const QString path = folder.Root() + QStringLiteral("/board.txt");
    QString strError;
    QVERIFY(CZProfileFile::Write(path, Serpentine(), strError));
    ZProfileGrid grid;
    QVERIFY(CZProfileFile::Read(path, grid));
    const ZProfileGrid want = Serpentine();
    QCOMPARE(grid.size(), want.size());
    for (int r = 0; r < grid.size(); ++r) {
        QCOMPARE(grid[r].size(), want[r].size());
        for (int p = 0; p < grid[r].size(); ++p) {
            QCOMPARE(grid[r][p].x, want[r][p].x);
            QCOMPARE(grid[r][p].y, want[r][p].y);
            QVERIFY(qAbs(grid[r][p].z - want[r][p].z) < 1e-9);
        }
    }
}

void TestZProfileFile::crlfAndSpacing()
{
    ZProfileGrid grid;
    QVERIFY(CZProfileFile::FromText("2\r\n2\r\n0,0,0\r\n10,0,-0.052\r\n  10,10,-0.031\t\r\n0,10,1.2e-2\r\nextra\r\n", grid));
    QCOMPARE(grid.size(), 2);
    QCOMPARE(grid[0].size(), 2);
    QCOMPARE(grid[0][1].z, -0.052);
    QCOMPARE(grid[1][0].x, 10.0);
    QCOMPARE(grid[1][1].z, 0.012);
}

void TestZProfileFile::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("no point count") << QByteArray("2\n");
    QTest::newRow("count not a number") << QByteArray("two\n2\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n");
    QTest::newRow("one row") << QByteArray("1\n2\n0,0,0\n1,0,0\n");
    QTest::newRow("one point a row") << QByteArray("2\n1\n0,0,0\n0,1,0\n");
    QTest::newRow("negative count") << QByteArray("-2\n2\n0,0,0\n1,0,0\n1,1,0\n0,1,0\n");
    QTest::newRow("points missing") << QByteArray("2\n3\n0,0,0\n1,0,0\n2,0,0\n2,1,0\n1,1,0\n");
    QTest::newRow("word without commas") << QByteArray("2\n2\n7.5\n1,0,0\n1,1,0\n0,1,0\n");
    QTest::newRow("two coordinates") << QByteArray("2\n2\n0,0\n1,0,0\n1,1,0\n0,1,0\n");
    QTest::newRow("garbled height") << QByteArray("2\n2\n0,0,0\n1,0,x\n1,1,0\n0,1,0\n");
    QTest::newRow("infinite height") << QByteArray("2\n2\n0,0,0\n1,0,inf\n1,1,0\n0,1,0\n");
    QTest::newRow("huge counts") << QByteArray("100000000\n100000000\n0,0,0\n");
}

void TestZProfileFile::refusedFiles()
{
    QFETCH(QByteArray, text);
    ZProfileGrid grid = Serpentine();
    QVERIFY(!CZProfileFile::FromText(text, grid));
    QCOMPARE(grid.size(), 3); // the grid held before stays
    QCOMPARE(grid[2][3].z, Serpentine()[2][3].z);
}

void TestZProfileFile::fileNames()
{
    QCOMPARE(CZProfileFile::WithTxtExtension(QStringLiteral("/a/board")), QStringLiteral("/a/board.txt"));
    QCOMPARE(CZProfileFile::WithTxtExtension(QStringLiteral("/a/board.txt")), QStringLiteral("/a/board.txt"));
    QCOMPARE(CZProfileFile::WithTxtExtension(QStringLiteral("/a/board.TXT")), QStringLiteral("/a/board.TXT.txt"));

    ZProfileGrid grid = Serpentine();
    QVERIFY(!CZProfileFile::Read(QStringLiteral("/nonexistent/folder/board.txt"), grid));
    QCOMPARE(grid.size(), 3);
}

void TestZProfileFile::unwritableFolder()
{
    QString strError;
    QVERIFY(!CZProfileFile::Write(QStringLiteral("/nonexistent/folder/board.txt"), Serpentine(), strError));
    QVERIFY(!strError.isEmpty());
}

QTEST_MAIN(TestZProfileFile)
#include "tst_zprofilefile.moc"
