// The pendant's keyboard grab: let go while a file dialog is open, so that a
// name can be typed into it, with the keypad Enter still going to the
// pendant; taken back when the dialog closes.
#include "app/pendantgrab.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QtTest>

namespace {
// The owner window with the grab, what reached it and what the grab reported.
struct stRig
{
    stRig()
        : grab(
              &owner, [this](QEvent* e) { ++(e->type() == QEvent::KeyPress ? iEnters : iEnterReleases); },
              [this]() { ++iReleases; })
    {
        owner.resize(200, 100);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
    }
    QWidget owner;
    int iEnters = 0;       // keypad Enter presses passed on
    int iEnterReleases = 0; // and their releases
    int iReleases = 0;
    CPendantGrab grab;
};

// A non-native file dialog on show, active, with its name entry focused.
struct stFileDialog
{
    stFileDialog()
    {
        dlg.setOption(QFileDialog::DontUseNativeDialog);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setDirectory(QDir::tempPath());
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        Name()->setFocus();
        Name()->clear();
    }
    QLineEdit* Name() { return dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }
    // Types through the window system, as a keyboard does: a grab takes the
    // keys before the dialog's focus widget sees them.
    void Type(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(dlg.windowHandle(), key, mods);
    }
    QFileDialog dlg;
};
} // namespace

class TestPendantGrab : public QObject
{
    Q_OBJECT
private slots:
    void fileDialogTakesTheKeys();
    void grabFollowsWhatThePendantWants();
};

void TestPendantGrab::fileDialogTakesTheKeys()
{
    stRig rig;
    rig.grab.SetWanted(true);
    QCOMPARE(QWidget::keyboardGrabber(), &rig.owner);

    {
        stFileDialog f;
        QVERIFY(f.Name());
        QCOMPARE(QWidget::keyboardGrabber(), nullptr);
        QCOMPARE(rig.iReleases, 1);
        for (Qt::Key key : {Qt::Key_K, Qt::Key_E, Qt::Key_E, Qt::Key_P, Qt::Key_4})
            f.Type(key);
        QCOMPARE(f.Name()->text(), QStringLiteral("keep4"));

        // The keypad Enter is the pendant's emergency stop, not the
        // dialog's OK.
        f.Type(Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(rig.iEnters, 1);
        QCOMPARE(rig.iEnterReleases, 1);
        QVERIFY(f.dlg.isVisible());
        QCOMPARE(f.dlg.result(), int(QDialog::Rejected));
        f.dlg.reject();
        QCOMPARE(QWidget::keyboardGrabber(), &rig.owner);

        // Shown again: let go again.
        f.dlg.show();
        QCOMPARE(QWidget::keyboardGrabber(), nullptr);
        QCOMPARE(rig.iReleases, 2);
    } // destroyed while on show
    QCOMPARE(QWidget::keyboardGrabber(), &rig.owner);
    QCOMPARE(rig.grab.OpenFileDialogs(), 0);
}

void TestPendantGrab::grabFollowsWhatThePendantWants()
{
    stRig rig;
    QCOMPARE(QWidget::keyboardGrabber(), nullptr); // keyboard control off

    // Off: a file dialog's keypad Enter is the dialog's own.
    {
        stFileDialog f;
        f.Type(Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(rig.iEnters, 0);

        // Keyboard control switched on while the dialog is open: the grab
        // waits for the dialog to close.
        rig.grab.SetWanted(true);
        QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    }
    QCOMPARE(QWidget::keyboardGrabber(), &rig.owner);
    QCOMPARE(rig.iReleases, 0);

    // Switched off (or a panel with its own text entry): let go, nothing
    // held to drop, and closing a dialog does not take it back.
    rig.grab.SetWanted(false);
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    {
        stFileDialog f;
    }
    QCOMPARE(QWidget::keyboardGrabber(), nullptr);
    QCOMPARE(rig.iReleases, 0);
}

QTEST_MAIN(TestPendantGrab)
#include "tst_pendantgrab.moc"
