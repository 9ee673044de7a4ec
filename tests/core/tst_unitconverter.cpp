#include "core/AppPaths.h"
#include "core/UnitConverter.h"
#include "core/common.h"
#include "testsupport.h"

#include <QtTest>
#include <limits>

class TestUnitConverter : public QObject
{
    Q_OBJECT
private slots:
    void getLong_data()
    {
        QTest::addColumn<double>("mm");
        QTest::addColumn<int>("units");
        QTest::newRow("zero") << 0.0 << 0;
        QTest::newRow("one unit") << 0.0001 << 1;
        QTest::newRow("below half a unit") << 0.00004 << 0;
        QTest::newRow("truncated not rounded") << 1.23456 << 12345;
        QTest::newRow("negative") << -0.0001 << -1;
        QTest::newRow("negative truncates toward zero") << -0.00015 << -1;
        QTest::newRow("saturates high") << 1e12 << std::numeric_limits<int>::max();
        QTest::newRow("saturates low") << -1e12 << std::numeric_limits<int>::min();
    }
    void getLong()
    {
        QFETCH(double, mm);
        QFETCH(int, units);
        QCOMPARE(int(CUnitConverter::GetLong(mm)), units);
        QCOMPARE(CUnitConverter::GetInt(mm), units);
    }
    void getDouble()
    {
        QCOMPARE(CUnitConverter::GetDouble(12345), 1.2345);
        QCOMPARE(CUnitConverter::GetDouble(-1), -0.0001);
        QCOMPARE(CUnitConverter::GetDouble(12345L), 1.2345);
    }
    void getRndDouble()
    {
        QCOMPARE(CUnitConverter::GetRndDouble(2.00005), 2.0001);
        QCOMPARE(CUnitConverter::GetRndDouble(1.23449), 1.2345);
        QCOMPARE(CUnitConverter::GetRndDouble(-1.5), -1.5);
    }
    void constants()
    {
        QCOMPARE(CONFIG_FILE, QString("/home/diradi/DIR_ADI/DIR_ADI.dat"));
        QCOMPARE(GCODE_EXEC_STATUS_FILE, QString("/home/diradi/DIR_ADI/GCodeStatus.dat"));
        QCOMPARE(BTN_BKGND_GRAY.count('\n'), 1);
        QVERIFY(BTN_BKGND_GRAY.endsWith(":disabled{background-color:rgb(124,124, 124);color:rgb(0, 0, 0);}"));
    }
    void pathsRedirectToTestFolder()
    {
        CTempWorkingFolder tmp;
        QCOMPARE(CAppPaths::ConfigFile(), tmp.Root() + "/DIR_ADI/DIR_ADI.dat");
        QCOMPARE(CAppPaths::InWorkingFolder("T1.txt"), tmp.Root() + "/DIR_ADI/T1.txt");
        QVERIFY(QFileInfo(tmp.Working()).isDir());
    }
};

QTEST_MAIN(TestUnitConverter)
#include "tst_unitconverter.moc"
