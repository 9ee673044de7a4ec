// The message log: line format, colours, newest first, clearing, and saving
// with the file-name rule.
#include "fakeprompter.h"
#include "testsupport.h"

#include "widgets/filenamerule.h"
#include "widgets/messagelog.h"

#include <QListWidget>
#include <QRegularExpression>
#include <QtTest>

class TestMessageLog : public QObject
{
    Q_OBJECT
private slots:
    void lineFormatColoursAndOrder();
    void fileNameRule_data();
    void fileNameRule();
    void saveWritesNewestFirst();
    void saveCancelledOrFailing();
    void addedExtensionAsksBeforeReplacing();
};

void TestMessageLog::lineFormatColoursAndOrder()
{
    QCOMPARE(CMessageLog::LineText(QStringLiteral("Homing done"), QTime(7, 5, 9)),
             QStringLiteral("[07:05:09]Homing done"));
    QCOMPARE(CMessageLog::LineText(QStringLiteral("x"), QTime(23, 59, 0)), QStringLiteral("[23:59:00]x"));

    QListWidget list;
    CMessageLog log(&list);
    log.AddLogMsg(QStringLiteral("first"), MSG_INFO);
    log.AddLogMsg(QString(), MSG_ERROR); // ignored
    log.AddLogMsg(QStringLiteral("second\nline"), MSG_ERROR);
    log.AddLogMsg(QStringLiteral("third"), MSG_WARNING);
    log.AddLogMsg(QStringLiteral("odd"), static_cast<eAppMsgType>(7));
    QCOMPARE(list.count(), 4);
    const QRegularExpression stamp(QStringLiteral("^\\[\\d\\d:\\d\\d:\\d\\d\\]"));
    const QStringList texts{"odd", "third", "second\nline", "first"};
    const QList<QColor> colours{QColor(Qt::black), QColor(255, 255, 255), QColor(255, 150, 0), QColor(0, 250, 0)};
    for (int i = 0; i < 4; ++i) {
        const QString strItem = list.item(i)->text();
        QVERIFY2(stamp.match(strItem).hasMatch(), qPrintable(strItem));
        QCOMPARE(strItem.mid(10), texts[i]);
        QCOMPARE(list.item(i)->foreground().color(), colours[i]);
        QCOMPARE(list.item(i)->foreground().style(), Qt::SolidPattern);
    }
    log.ClearLog();
    QCOMPARE(list.count(), 0);
}

void TestMessageLog::fileNameRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("used");
    QTest::newRow("no dot") << "/home/op/log" << "/home/op/log.txt";
    QTest::newRow("own extension") << "/home/op/log.csv" << "/home/op/log.csv";
    QTest::newRow("only a leading dot") << "/home/op/.log" << "/home/op/.log.txt";
    QTest::newRow("dot in the folder only") << "/home/op.d/log" << "/home/op.d/log.txt";
    QTest::newRow("no folder") << "log" << "log.txt";
}

void TestMessageLog::fileNameRule()
{
    QFETCH(QString, typed);
    QFETCH(QString, used);
    QCOMPARE(CFileNameRule::WithDefaultExtension(typed, QStringLiteral(".txt")), used);
}

void TestMessageLog::saveWritesNewestFirst()
{
    CTempWorkingFolder folder;
    CFakePrompter prompter;
    QListWidget list;
    CMessageLog log(&list);
    log.AddLogMsg(QStringLiteral("one"), MSG_INFO);
    log.AddLogMsg(QStringLiteral("two ü"), MSG_ERROR);
    const QString strBase = folder.Root() + QStringLiteral("/machine");
    prompter.m_lstFileNames << strBase;
    QVERIFY(log.SaveLog(nullptr));
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QStringLiteral("Select file name"));

    const QString strText = ReadText(strBase + QStringLiteral(".txt"));
    QCOMPARE(strText, list.item(0)->text() + "\n" + list.item(1)->text() + "\n");
    QVERIFY(strText.indexOf(QStringLiteral("two ü")) < strText.indexOf(QStringLiteral("one")));
}

void TestMessageLog::saveCancelledOrFailing()
{
    CTempWorkingFolder folder;
    CFakePrompter prompter;
    QListWidget list;
    CMessageLog log(&list);
    log.AddLogMsg(QStringLiteral("one"), MSG_INFO);
    QVERIFY(!log.SaveLog(nullptr)); // no name given: nothing written
    QCOMPARE(list.count(), 1);

    // A folder that does not exist: reported in the log, not shown as saved.
    prompter.m_lstFileNames << folder.Root() + QStringLiteral("/missing/log.txt");
    QVERIFY(!log.SaveLog(nullptr));
    QCOMPARE(list.count(), 2);
    QVERIFY(list.item(0)->text().contains(QStringLiteral("Unable to save the log to ")));
    QCOMPARE(list.item(0)->foreground().color(), QColor(255, 150, 0));
}

void TestMessageLog::addedExtensionAsksBeforeReplacing()
{
    // "part" typed: the dialog asked about "part", but the log would go to
    // part.txt, which may be a program of the same name.
    CTempWorkingFolder folder;
    CFakePrompter prompter;
    QListWidget list;
    CMessageLog log(&list);
    log.AddLogMsg(QStringLiteral("one"), MSG_INFO);
    const QString strBase = folder.Root() + QStringLiteral("/part");
    WriteRaw(strBase + QStringLiteral(".txt"), "G0 X1\n");
    prompter.m_lstFileNames << strBase;
    prompter.m_lstAnswers << QMessageBox::No;
    QVERIFY(!log.SaveLog(nullptr));
    QCOMPARE(prompter.Texts("Question").size(), 1);
    QCOMPARE(ReadAll(strBase + QStringLiteral(".txt")), QByteArray("G0 X1\n"));

    prompter.m_lstFileNames << strBase;
    prompter.m_lstAnswers << QMessageBox::Yes;
    QVERIFY(log.SaveLog(nullptr));
    QVERIFY(ReadAll(strBase + QStringLiteral(".txt")).endsWith("one\n"));
}

QTEST_MAIN(TestMessageLog)
#include "tst_messagelog.moc"
