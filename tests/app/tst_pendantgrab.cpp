// The pendant's keyboard grab: let go while a file dialog is open, so that a
// name can be typed into it, with the keypad Enter still going to the
// pendant; taken back when the dialog closes. Escape goes to the dialog on
// top, whoever the keyboard went to.
#include "app/pendantgrab.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
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
        owner.resize(400, 300);
        owner.installEventFilter(&keys);
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));
    }
    // Counts the keys that reach the owner itself.
    struct CKeyCount : QObject
    {
        int iKeys = 0;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease)
                ++iKeys;
            return false;
        }
    } keys;
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
    void escapeGoesToTheDialogOnTop_data();
    void escapeGoesToTheDialogOnTop();
    void escapeClosesADroppedList();
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

void TestPendantGrab::escapeGoesToTheDialogOnTop_data()
{
    QTest::addColumn<bool>("bWanted");
    QTest::addColumn<bool>("bPanel");
    // With the grab every key reaches the owner; a dialog window takes
    // Escape back from it.
    QTest::newRow("grab, dialog window") << true << false;
    // A panel run inside the owner (Qt does not count it as modal): from the
    // grab, and from a control behind the panel that has the focus.
    QTest::newRow("grab, panel") << true << true;
    QTest::newRow("no grab, panel") << false << true;
}

void TestPendantGrab::escapeGoesToTheDialogOnTop()
{
    QFETCH(bool, bWanted);
    QFETCH(bool, bPanel);
    stRig rig;
    rig.grab.SetWanted(bWanted);
    auto* pBehind = new QPushButton(QStringLiteral("behind"), &rig.owner);
    pBehind->show();
    rig.owner.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.owner));
    pBehind->setFocus();
    // With no dialog open Escape goes where it went (the pendant ignores it).
    QCOMPARE(rig.grab.TopDialog(), nullptr);
    QTest::keyClick(rig.owner.windowHandle(), Qt::Key_Escape);
    QCOMPARE(rig.keys.iKeys, 2);
    rig.keys.iKeys = 0;

    QDialog dlg(&rig.owner);
    if (bPanel) {
        dlg.setWindowFlags(Qt::Widget);
        dlg.setGeometry(50, 50, 200, 150);
    }
    bool bOnTop = false;
    bool bStillOpen = false;
    QTimer::singleShot(0, &dlg, [&] {
        bOnTop = rig.grab.TopDialog() == &dlg;
        // Typed where the keyboard is: the dialog's window, or the owner's
        // window for a panel in it.
        QWindow* pWindow = bPanel ? rig.owner.windowHandle() : dlg.windowHandle();
        QTest::keyClick(pWindow, Qt::Key_Escape);
        bStillOpen = dlg.isVisible();
        if (bStillOpen)
            dlg.done(2); // never left hanging
    });
    QCOMPARE(dlg.exec(), int(QDialog::Rejected));
    QVERIFY(bOnTop);
    QVERIFY(!bStillOpen);
    QCOMPARE(rig.keys.iKeys, 0);
    QCOMPARE(rig.grab.TopDialog(), nullptr);
}

void TestPendantGrab::escapeClosesADroppedList()
{
    // A list dropped down in a dialog is above it: Escape folds the list and
    // leaves the dialog open.
    stRig rig;
    rig.grab.SetWanted(true);
    QDialog dlg(&rig.owner);
    auto* pCombo = new QComboBox(&dlg);
    pCombo->addItems({QStringLiteral("a"), QStringLiteral("b")});
    bool bDropped = false;
    bool bFolded = false;
    bool bDialogOpen = false;
    QTimer::singleShot(0, &dlg, [&] {
        pCombo->showPopup();
        bDropped = QApplication::activePopupWidget() != nullptr;
        QTest::keyClick(dlg.windowHandle(), Qt::Key_Escape);
        bFolded = !QApplication::activePopupWidget();
        bDialogOpen = dlg.isVisible();
        if (bDialogOpen)
            dlg.done(2);
    });
    QCOMPARE(dlg.exec(), 2);
    QVERIFY(bDropped);
    QVERIFY(bFolded);
    QVERIFY(bDialogOpen);
}

QTEST_MAIN(TestPendantGrab)
#include "tst_pendantgrab.moc"
