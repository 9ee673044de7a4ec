#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "fakeprompter.h"
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

    // A settings file that cannot be loaded: the operator is told, the
    // program carries on with what it has, and the file is left alone.
    void unreadableSettingsGiveNoticeAndCarryOn()
    {
        CTempWorkingFolder tmp;
        QFile f(CAppPaths::ConfigFile());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\0\0\0\x0cnot settings", 16);
        f.close();
        AppConfig::m_fAxisWorkZero[X_AXIS] = 42.0;
        CFakePrompter prompter;

        MainWindow w;
        QCOMPARE(prompter.m_lstPrompts.size(), 1);
        QCOMPARE(prompter.m_lstPrompts[0].m_strKind, QString("Information"));
        QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QString("Error"));
        QCOMPARE(prompter.m_lstPrompts[0].m_strText,
                 QString("Old DIR_ADI.dat file. Please take note of your settings and\n"
                         "delete DIR_ADI.dat file in /home/diradi/DIR_ADI folder."));
        QCOMPARE(AppConfig::m_fAxisWorkZero[X_AXIS], 42.0);
        QCOMPARE(QFileInfo(CAppPaths::ConfigFile()).size(), qint64(16));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
