#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "fakeprompter.h"
#include "mainwindowlog.h"
#include "ui_mainwindow.h"
#include "testsupport.h"
#include "app/mainwindow.h"

#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    // A fresh installation: no working folder, no settings file.
    void firstStartCreatesFolderAndDefaultSettings()
    {
        CTempWorkingFolder tmp;
        QVERIFY(QDir(tmp.Working()).removeRecursively());
        CFakePrompter prompter;

        MainWindow w;
        QCOMPARE(w.windowTitle(), QString("DIR-ADI Software"));
        QCOMPARE(w.minimumSize(), QSize(1250, 840));
        QCOMPARE(w.maximumSize(), QSize(1250, 840));
        QVERIFY(prompter.m_lstPrompts.isEmpty());
        QVERIFY(QFileInfo(tmp.Working()).isDir());
        QCOMPARE(QFileInfo(CAppPaths::ConfigFile()).size(), qint64(657));
    }

    // A settings file that cannot be loaded: the operator is told why, in
    // the box and in the log, the program carries on with what it has, and
    // the file is left alone.
    void refusedSettingsGiveTheReasonAndCarryOn_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        QByteArray good;
        {
            CTempWorkingFolder tmp;
            QVERIFY(AppConfig::SaveConfig(CAppPaths::ConfigFile()));
            QFile f(CAppPaths::ConfigFile());
            QVERIFY(f.open(QIODevice::ReadOnly));
            good = f.readAll();
        }
        QTest::newRow("not a settings file") << QByteArray("\0\0\0\x0cnot settings", 16)
                                             << "its version tag is not one this program knows";
        QTest::newRow("cut short") << good.left(300) << "it is cut short";
        QByteArray newer = good;
        newer[11] = '9';
        QTest::newRow("newer program") << newer << "its version tag \"Ver9.0\" is not one this program knows";
        QTest::newRow("too large") << QByteArray(100000, 'x') << "is too large to be a settings file";
        QByteArray badValue = good;
        badValue[16] = 9; // controller kind
        QTest::newRow("value out of range") << badValue << "unknown controller kind 9";
    }
    void refusedSettingsGiveTheReasonAndCarryOn()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        CTempWorkingFolder tmp;
        QFile f(CAppPaths::ConfigFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
        f.close();
        AppConfig::m_fAxisWorkZero[X_AXIS] = 42.0;
        CFakePrompter prompter;

        MainWindow w;
        QCOMPARE(prompter.m_lstPrompts.size(), 1);
        QCOMPARE(prompter.m_lstPrompts[0].m_strKind, QString("Information"));
        QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QString("Error"));
        const QString strWhy = AppConfig::GetErrorMsg();
        QVERIFY2(strWhy.startsWith("Settings file " + CAppPaths::ConfigFile()) && strWhy.contains(reason),
                 qPrintable(strWhy));
        QCOMPARE(prompter.m_lstPrompts[0].m_strText,
                 strWhy + "\nPlease take note of your settings and\ndelete DIR_ADI.dat file in " + tmp.Working() +
                     " folder.");
        QVERIFY2(LogLines(w).contains(strWhy), qPrintable(LogLines(w).join('|')));
        QCOMPARE(AppConfig::m_fAxisWorkZero[X_AXIS], 42.0);
        QFile back(CAppPaths::ConfigFile());
        QVERIFY(back.open(QIODevice::ReadOnly));
        QCOMPARE(back.readAll(), data);
    }

    // A settings file saved with motor values no speed ramp can be built
    // for (X cannot move at all with them): the start uses the nearest
    // values that build, says so in the log, and X moves.
    void unbuildableMotorValuesStartMended()
    {
        CTempWorkingFolder tmp;
        const double fAccX = AppConfig::m_fAxisAcc[X_AXIS];
        const double fStepY = AppConfig::m_fAxisMovPerPulse[Y_AXIS];
        const double fMaxFeedY = AppConfig::m_fMaxAxisFeed[Y_AXIS];
        AppConfig::m_fAxisAcc[X_AXIS] = 0.01;
        AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 10.0;
        AppConfig::m_fMaxAxisFeed[Y_AXIS] = 15000000.0;
        QVERIFY(AppConfig::SaveConfig(CAppPaths::ConfigFile()));
        AppConfig::m_fAxisAcc[X_AXIS] = fAccX;
        AppConfig::m_fAxisMovPerPulse[Y_AXIS] = fStepY;
        AppConfig::m_fMaxAxisFeed[Y_AXIS] = fMaxFeedY;
        CFakePrompter prompter;

        MainWindow w;
        const QStringList lstLog = LogLines(w);
        QVERIFY2(lstLog.filter("X-Axis: settings file Acc 0.0100 gives no speed ramp, Acc ").size() == 1,
                 qPrintable(lstLog.join('|')));
        QVERIFY2(lstLog.filter("Y-Axis: settings file Max Feed 15000000.0000 gives no speed ramp, Max Feed ").size() == 1,
                 qPrintable(lstLog.join('|')));
        QVERIFY(AppConfig::m_fAxisAcc[X_AXIS] > 0.01);
        QVERIFY(AppConfig::m_fMaxAxisFeed[Y_AXIS] < 15000000.0);

        AxisCtrl& x = w.GetAppCtrl().m_AxisCtrl[X_AXIS];
        QVERIFY2(x.MoveRel(0.05), qPrintable(x.GetErrorMsg()));
        QTRY_VERIFY(!x.GetAxisState());
        QCOMPARE(x.GetCurPos(), 0.05);

        AppConfig::m_fAxisAcc[X_AXIS] = fAccX;
        AppConfig::m_fAxisMovPerPulse[Y_AXIS] = fStepY;
        AppConfig::m_fMaxAxisFeed[Y_AXIS] = fMaxFeedY;
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
