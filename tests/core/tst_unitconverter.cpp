#include "core/AppPaths.h"
#include "core/UnitConverter.h"
#include "core/common.h"
#include "testsupport.h"

#include <QtTest>
#include <cmath>
#include <limits>

class TestUnitConverter : public QObject
{
    Q_OBJECT
private slots:
    void getLong_data()
    {
        QTest::addColumn<double>("mm");
        QTest::addColumn<int>("units");
        QTest::addColumn<bool>("inRange");
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("zero") << 0.0 << 0 << true;
        QTest::newRow("one unit") << 0.0001 << 1 << true;
        QTest::newRow("below half a unit") << 0.00004 << 0 << true;
        QTest::newRow("truncated not rounded") << 1.23456 << 12345 << true;
        QTest::newRow("negative") << -0.0001 << -1 << true;
        QTest::newRow("negative truncates toward zero") << -0.00015 << -1 << true;
        QTest::newRow("largest length") << 214748.3647 << 2147483647 << true;
        QTest::newRow("largest negative length") << -214748.3647 << -2147483647 << true;
        QTest::newRow("one unit beyond") << 214748.3648 << std::numeric_limits<int>::max() << false;
        QTest::newRow("one unit beyond, negative") << -214748.3649 << std::numeric_limits<int>::min() << false;
        QTest::newRow("saturates high") << 1e12 << std::numeric_limits<int>::max() << false;
        QTest::newRow("saturates low") << -1e12 << std::numeric_limits<int>::min() << false;
        QTest::newRow("infinite") << inf << std::numeric_limits<int>::max() << false;
        QTest::newRow("not a number") << std::nan("") << 0 << false;
    }
    void getLong()
    {
        QFETCH(double, mm);
        QFETCH(int, units);
        QFETCH(bool, inRange);
        QCOMPARE(int(CUnitConverter::GetLong(mm)), units);
        QCOMPARE(CUnitConverter::GetInt(mm), units);
        QCOMPARE(CUnitConverter::InRange(mm), inRange);
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
