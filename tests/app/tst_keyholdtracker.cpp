// The pendant keys' real state: a held key is one press and one release,
// whether its repeats carry Qt's auto-repeat flag or not, and a click is a
// click however soon the next one follows.
#include "app/keyholdtracker.h"

#include <QtTest>

namespace {

// Runs a sequence of key events written as words:
//   p5@40  press of Qt::Key_5 at 40 ms    P5@40  the same with the repeat flag
//   r5@40  release                        R5@40  release with the repeat flag
//   s      the event loop settles the releases held back
//   c      the tracker forgets every key
//   g@40   every key down is let go at 40 ms (a file dialog took the keys)
// and writes the changes it gives as "D5@0 U5@1800".
QString Run(const QString& strEvents)
{
    CKeyHoldTracker tracker;
    QStringList lstOut;
    auto Add = [&lstOut](const QList<CKeyHoldTracker::stChange>& changes) {
        for (const CKeyHoldTracker::stChange& c : changes)
            lstOut << QString("%1%2@%3")
                          .arg(c.m_eChange == CKeyHoldTracker::KEY_DOWN ? "D" : "U")
                          .arg(QChar(c.m_iKey))
                          .arg(c.m_iTimeMs);
    };
    for (const QString& word : strEvents.split(' ', Qt::SkipEmptyParts)) {
        if (word == "s") {
            Add(tracker.Settle());
            continue;
        }
        if (word == "c") {
            tracker.Clear();
            continue;
        }
        if (word.startsWith('g')) {
            Add(tracker.LetGo(word.mid(2).toLongLong()));
            continue;
        }
        const QChar kind = word[0];
        const int iKey = word[1].unicode(); // Qt::Key_0..Key_9 are '0'..'9'
        const qint64 iTime = word.mid(word.indexOf('@') + 1).toLongLong();
        const bool bFlag = kind.isUpper();
        if (kind.toLower() == 'p')
            Add(tracker.Press(iKey, bFlag, iTime));
        else
            tracker.Release(iKey, bFlag, iTime);
    }
    return lstOut.join(' ');
}

} // namespace

class TestKeyHoldTracker : public QObject
{
    Q_OBJECT
private slots:
    void keyEvents_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QString>("changes");

        QTest::newRow("click") << "p5@0 r5@100 s" << "D5@0 U5@100";
        QTest::newRow("release waits for the event loop") << "p5@0 r5@100" << "D5@0";
        // Held 1.8 s: repeats every 40 ms from 500 ms on.
        QTest::newRow("hold, repeats with the flag")
            << "p5@0 R5@500 P5@500 R5@540 P5@540 R5@580 P5@580 r5@1800 s" << "D5@0 U5@1800";
        QTest::newRow("hold, repeats without the flag")
            << "p5@0 r5@500 p5@500 r5@540 p5@540 r5@580 p5@580 r5@1800 s" << "D5@0 U5@1800";
        QTest::newRow("hold, flagged and unflagged mixed")
            << "p4@0 r4@500 p4@500 R4@540 P4@540 r4@580 P4@580 r4@3000 s" << "D4@0 U4@3000";
        QTest::newRow("hold, the loop settling between repeats")
            << "p6@0 r6@500 p6@500 s r6@540 p6@540 s r6@1000 s" << "D6@0 U6@1000";
        QTest::newRow("hold, repeats as presses alone") << "p5@0 p5@500 P5@540 p5@580 r5@1800 s" << "D5@0 U5@1800";
        // Two clicks: the second press comes after the loop has settled.
        QTest::newRow("double click") << "p5@0 r5@100 s p5@250 r5@330 s" << "D5@0 U5@100 D5@250 U5@330";
        // Another key pressed while a release waits: that key is up first.
        QTest::newRow("next key") << "p4@0 r4@100 p6@105 r6@200 s" << "D4@0 U4@100 D6@105 U6@200";
        QTest::newRow("two keys held, the last one repeating")
            << "p4@0 p6@100 r6@600 p6@600 r6@640 p6@640 r4@900 r6@1000 s" << "D4@0 D6@100 U4@900 U6@1000";
        QTest::newRow("stray release") << "r5@0 s" << "";
        QTest::newRow("flagged press of a key never seen down") << "P5@0 R5@40 s" << "";
        QTest::newRow("let go while held") << "p4@0 r4@500 p4@500 g@700 r4@900 s" << "D4@0 U4@700";
        QTest::newRow("let go, a release waiting")
            << "p4@0 p6@100 r6@300 g@305 r4@400 s" << "D4@0 D6@100 U6@300 U4@305";
        QTest::newRow("forgotten keys") << "p4@0 c r4@100 s p4@200" << "D4@0 D4@200";
    }
    void keyEvents()
    {
        QFETCH(QString, events);
        QFETCH(QString, changes);
        QCOMPARE(Run(events), changes);
    }

    void releaseWaiting()
    {
        CKeyHoldTracker t;
        QVERIFY(!t.ReleaseWaiting());
        QCOMPARE(t.Press(Qt::Key_4, false, 0).size(), 1);
        QVERIFY(t.IsDown(Qt::Key_4));
        QVERIFY(t.Release(Qt::Key_4, false, 10));
        QVERIFY(t.ReleaseWaiting());
        QVERIFY(t.ReleaseWaiting(Qt::Key_4));
        QVERIFY(!t.ReleaseWaiting(Qt::Key_6));
        QVERIFY(t.IsDown(Qt::Key_4)); // down until settled
        // A marked repeat's release, or a second release, waits for nothing.
        QVERIFY(!t.Release(Qt::Key_4, false, 12));
        QVERIFY(!t.Release(Qt::Key_6, false, 12));
        QCOMPARE(t.Settle().size(), 1);
        QVERIFY(!t.IsDown(Qt::Key_4));
        QVERIFY(!t.ReleaseWaiting());
        QVERIFY(t.Settle().isEmpty());
    }
};

QTEST_MAIN(TestKeyHoldTracker)
#include "tst_keyholdtracker.moc"
