#include "core/AppRunner.h"
#include "fakeprompter.h"

#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <stdexcept>

class TestAppRunner : public QObject
{
    Q_OBJECT
private slots:
    void normalEndReturnsLoopExitCode()
    {
        CFakePrompter prompter;
        QWidget w;
        QTimer::singleShot(0, [] { QCoreApplication::exit(3); });
        QCOMPARE(CAppRunner::Run(w), 3);
        QVERIFY(w.isVisible());
        QVERIFY(prompter.m_lstPrompts.isEmpty());
    }

    void escapedExceptionIsShownAndEndsWithZero()
    {
        CFakePrompter prompter;
        QWidget w;
        QTimer::singleShot(0, [] { throw std::runtime_error("fault in a slot"); });
        QCOMPARE(CAppRunner::Run(w), 0);
        QCOMPARE(prompter.m_lstPrompts.size(), 1);
        QCOMPARE(prompter.m_lstPrompts[0].m_strKind, QString("Warning"));
        QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QString("error here"));
        QCOMPARE(prompter.m_lstPrompts[0].m_strText, QString("something screwed up"));
    }
};

QTEST_MAIN(TestAppRunner)
#include "tst_apprunner.moc"
