// The watch for the operator's first key or click: called once, before the
// event is handled, and the event still reaches its widget.
#include "app/firstinputwatch.h"

#include <QLineEdit>
#include <QtTest>

class TestFirstInputWatch : public QObject
{
    Q_OBJECT

private slots:
    void firstInputOnly_data();
    void firstInputOnly();
};

void TestFirstInputWatch::firstInputOnly_data()
{
    QTest::addColumn<QString>("input");
    for (const char* p : {"key", "click", "wheel"})
        QTest::newRow(p) << QString::fromLatin1(p);
}

void TestFirstInputWatch::firstInputOnly()
{
    QFETCH(QString, input);
    QLineEdit edit;
    int iCalls = 0;
    QString strTextWhenCalled = QStringLiteral("not called");
    CFirstInputWatch watch([&]() {
        ++iCalls;
        strTextWhenCalled = edit.text();
    });

    // Not the operator's doing: nothing.
    edit.resize(120, 30);
    edit.setText(QStringLiteral("a"));
    QEvent update(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(&edit, &update);
    QCOMPARE(iCalls, 0);

    if (input == QLatin1String("key")) {
        QTest::keyClick(&edit, Qt::Key_B);
        // Called before the key was handled, and the key still typed.
        QCOMPARE(strTextWhenCalled, QStringLiteral("a"));
        QCOMPARE(edit.text(), QStringLiteral("ab"));
    } else if (input == QLatin1String("click")) {
        QTest::mouseClick(&edit, Qt::LeftButton);
    } else {
        QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&edit, &wheel);
    }
    QCOMPARE(iCalls, 1);

    // Once only.
    QTest::keyClick(&edit, Qt::Key_C);
    QTest::mouseClick(&edit, Qt::LeftButton);
    QCOMPARE(iCalls, 1);
}

QTEST_MAIN(TestFirstInputWatch)
#include "tst_firstinputwatch.moc"
