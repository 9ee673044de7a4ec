// The keyboard pendant's rules: the key map in both modes, idle and busy,
// the feed and spindle key limits, the step sizes from the finest axis and
// the search for a program on a USB drive, and what a keypad key says of
// Num Lock.
#include "testsupport.h"

#include "app/pendantkeys.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using K = CPendantKeys;

class TestPendantKeys : public QObject
{
    Q_OBJECT
private slots:
    void keyMap_data();
    void keyMap();
    void feedAndSpindleLimits_data();
    void feedAndSpindleLimits();
    void stepSize_data();
    void stepSize();
    void usbProgram();
    void numLockFromTheKeypad_data();
    void numLockFromTheKeypad();
};

void TestPendantKeys::keyMap_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("modeOn");
    QTest::addColumn<int>("runMode"); // 0 idle
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("axis");
    QTest::addColumn<int>("dir");

    struct stRow
    {
        const char* m_pName;
        int m_iKey;
        bool m_bModeOn;
        int m_iRunMode;
        K::eKind m_eKind;
        int m_iAxis;
        int m_iDir;
    };
    const stRow rows[] = {
        // Whatever the machine does.
        {"Enter idle", Qt::Key_Enter, true, 0, K::KEY_ESTOP_TOGGLE, 0, 0},
        {"Enter busy", Qt::Key_Enter, false, 5, K::KEY_ESTOP_TOGGLE, 0, 0},
        {"* mode on", Qt::Key_Asterisk, true, 0, K::KEY_FEED, 0, 1},
        {"* mode off", Qt::Key_Asterisk, false, 0, K::KEY_SPINDLE, 0, 1},
        {"/ mode on busy", Qt::Key_Slash, true, 3, K::KEY_FEED, 0, -1},
        {"/ mode off busy", Qt::Key_Slash, false, 5, K::KEY_SPINDLE, 0, -1},
        {"- busy", Qt::Key_Minus, true, 5, K::KEY_SPINDLE_CW, 0, 0},
        {"Num Lock", Qt::Key_NumLock, true, 0, K::KEY_IGNORED, 0, 0},
        {"Num Lock busy", Qt::Key_NumLock, true, 5, K::KEY_IGNORED, 0, 0},
        // Idle.
        {"+", Qt::Key_Plus, true, 0, K::KEY_USB_LOAD, 0, 0},
        {".", Qt::Key_Period, false, 0, K::KEY_SHOW_PROGRAM, 0, 0},
        {"4 jog", Qt::Key_4, true, 0, K::KEY_JOG, X_AXIS, -1},
        {"6 jog", Qt::Key_6, true, 0, K::KEY_JOG, X_AXIS, 1},
        {"2 jog", Qt::Key_2, true, 0, K::KEY_JOG, Y_AXIS, -1},
        {"8 jog", Qt::Key_8, true, 0, K::KEY_JOG, Y_AXIS, 1},
        {"3 jog", Qt::Key_3, true, 0, K::KEY_JOG, Z_AXIS, -1},
        {"9 jog", Qt::Key_9, true, 0, K::KEY_JOG, Z_AXIS, 1},
        {"4 step", Qt::Key_4, false, 0, K::KEY_STEP, X_AXIS, -1},
        {"8 step", Qt::Key_8, false, 0, K::KEY_STEP, Y_AXIS, 1},
        {"9 step", Qt::Key_9, false, 0, K::KEY_STEP, Z_AXIS, 1},
        {"0 idle", Qt::Key_0, true, 0, K::KEY_PENDING, 0, 0},
        {"1 idle", Qt::Key_1, false, 0, K::KEY_PENDING, 0, 0},
        {"5 idle", Qt::Key_5, true, 0, K::KEY_PENDING, 0, 0},
        {"7 idle", Qt::Key_7, false, 0, K::KEY_PENDING, 0, 0},
        {"other idle", Qt::Key_A, true, 0, K::KEY_IGNORED, 0, 0},
        // Busy.
        {". G-code run", Qt::Key_Period, true, 5, K::KEY_START_SHOWN, 0, 0},
        {". shapes", Qt::Key_Period, true, 3, K::KEY_AXIS_IN_USE, 0, 0},
        {"0 busy", Qt::Key_0, true, 5, K::KEY_TOGGLE_MODE, 0, 0},
        {"1 busy", Qt::Key_1, true, 5, K::KEY_AXIS_IN_USE, 0, 0},
        {"4 busy", Qt::Key_4, true, 2, K::KEY_AXIS_IN_USE, 0, 0},
        {"+ busy", Qt::Key_Plus, true, 5, K::KEY_AXIS_IN_USE, 0, 0},
        {"other busy", Qt::Key_A, false, 1, K::KEY_AXIS_IN_USE, 0, 0},
    };
    for (const stRow& r : rows)
        QTest::newRow(r.m_pName) << r.m_iKey << r.m_bModeOn << r.m_iRunMode << int(r.m_eKind) << r.m_iAxis << r.m_iDir;
}

void TestPendantKeys::keyMap()
{
    QFETCH(int, key);
    QFETCH(bool, modeOn);
    QFETCH(int, runMode);
    QFETCH(int, kind);
    QFETCH(int, axis);
    QFETCH(int, dir);
    const K::stAction action = K::PressAction(key, modeOn, runMode != 0, runMode);
    QCOMPARE(int(action.m_eKind), kind);
    if (kind == K::KEY_JOG || kind == K::KEY_STEP)
        QCOMPARE(int(action.m_eAxis), axis);
    QCOMPARE(action.m_iDir, dir);
}

void TestPendantKeys::feedAndSpindleLimits_data()
{
    QTest::addColumn<bool>("feed");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("dir");
    QTest::addColumn<int>("next");
    QTest::newRow("feed up") << true << 100 << 1 << 110;
    QTest::newRow("feed up to the top") << true << 145 << 1 << 150;
    QTest::newRow("feed at the top") << true << 150 << 1 << 150;
    QTest::newRow("feed down to the bottom") << true << 15 << -1 << 10;
    QTest::newRow("feed at the bottom") << true << 10 << -1 << 10;
    QTest::newRow("spindle up past 15") << false << 15 << 1 << 16;
    QTest::newRow("spindle up to 24") << false << 23 << 1 << 24;
    QTest::newRow("spindle at 24") << false << 24 << 1 << 24;
    QTest::newRow("spindle at 1") << false << 1 << -1 << 1;
}

void TestPendantKeys::feedAndSpindleLimits()
{
    QFETCH(bool, feed);
    QFETCH(int, value);
    QFETCH(int, dir);
    QFETCH(int, next);
    QCOMPARE(feed ? K::NextFeed(value, dir) : K::NextSpindle(value, dir), next);
}

void TestPendantKeys::stepSize_data()
{
    QTest::addColumn<double>("movPerPulse");
    QTest::addColumn<double>("target");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("step");
    QTest::newRow("0.001 covers 0.01") << 0.001 << 0.01 << true << 0.01;
    QTest::newRow("0.003 needs four pulses for 0.01") << 0.003 << 0.01 << true << 0.012;
    QTest::newRow("0.0025 covers 0.05") << 0.0025 << 0.05 << true << 0.05;
    QTest::newRow("coarser than the target: one pulse") << 0.2 << 0.1 << true << 0.2;
    // The step counts in the length unit (1/10000 mm, rounded up by 0.00001).
    QTest::newRow("very fine axis") << 0.000001 << 0.1 << true << 0.09999;
    QTest::newRow("zero travel per pulse") << 0.0 << 0.01 << false << 0.0;
    QTest::newRow("negative travel per pulse") << -0.001 << 0.01 << false << 0.0;
}

void TestPendantKeys::stepSize()
{
    QFETCH(double, movPerPulse);
    QFETCH(double, target);
    QFETCH(bool, ok);
    QFETCH(double, step);
    double fStep = 0.0;
    QCOMPARE(K::StepSize(movPerPulse, target, fStep), ok);
    if (ok)
        QVERIFY2(qAbs(fStep - step) < 1.5e-6, qPrintable(QString::number(fStep, 'g', 12)));
}

void TestPendantKeys::numLockFromTheKeypad_data()
{
    QTest::addColumn<int>("iKey");
    QTest::addColumn<bool>("bKeypad");
    QTest::addColumn<int>("eNumLock");
    // With Num Lock off the keypad's 0 to 9 and point come as these.
    const int navigation[] = {Qt::Key_Insert, Qt::Key_End,   Qt::Key_Down, Qt::Key_PageDown,
                              Qt::Key_Left,   Qt::Key_Clear, Qt::Key_Right, Qt::Key_Home,
                              Qt::Key_Up,     Qt::Key_PageUp, Qt::Key_Delete};
    for (int iKey : navigation) {
        QTest::addRow("keypad %x", iKey) << iKey << true << int(K::NUM_LOCK_OFF);
        // The arrows and the like of the main keyboard say nothing.
        QTest::addRow("main %x", iKey) << iKey << false << int(K::NUM_LOCK_UNKNOWN);
    }
    QTest::newRow("keypad 4") << int(Qt::Key_4) << true << int(K::NUM_LOCK_ON);
    QTest::newRow("keypad point") << int(Qt::Key_Period) << true << int(K::NUM_LOCK_ON);
    QTest::newRow("main 4") << int(Qt::Key_4) << false << int(K::NUM_LOCK_UNKNOWN);
    // Keys that Num Lock does not change, and Num Lock itself.
    for (int iKey : {int(Qt::Key_Enter), int(Qt::Key_Plus), int(Qt::Key_Asterisk), int(Qt::Key_NumLock)})
        QTest::addRow("keypad %x", iKey) << iKey << true << int(K::NUM_LOCK_UNKNOWN);
}

void TestPendantKeys::numLockFromTheKeypad()
{
    QFETCH(int, iKey);
    QFETCH(bool, bKeypad);
    QFETCH(int, eNumLock);
    QCOMPARE(int(K::NumLockFrom(iKey, bKeypad ? Qt::KeypadModifier : Qt::NoModifier)), eNumLock);
    // Num Lock on or off, the key map stays: a navigation key does nothing.
    if (eNumLock == K::NUM_LOCK_OFF)
        QCOMPARE(K::PressAction(iKey, true, false, 0).m_eKind, K::KEY_IGNORED);
}

void TestPendantKeys::usbProgram()
{
    CTempWorkingFolder tmp;
    const QString strMount = tmp.Root() + QStringLiteral("/media/diradi");
    auto Touch = [](const QString& strPath) {
        QDir().mkpath(QFileInfo(strPath).path());
        QFile f(strPath);
        return f.open(QIODevice::WriteOnly);
    };
    QString strPath;
    QCOMPARE(K::FindUsbProgram(strMount, strPath), K::USB_NO_DRIVE);

    QVERIFY(QDir().mkpath(strMount));
    QCOMPARE(K::FindUsbProgram(strMount, strPath), K::USB_NO_PROGRAM);

    // The extension test is case-sensitive; the folder above the mount
    // folder is never looked at.
    QVERIFY(Touch(strMount + QStringLiteral("/STICK/PART.NCC")));
    QVERIFY(Touch(tmp.Root() + QStringLiteral("/media/other.ncc")));
    QCOMPARE(K::FindUsbProgram(strMount, strPath), K::USB_NO_PROGRAM);

    QVERIFY(Touch(strMount + QStringLiteral("/STICK/photo.jpg")));
    QVERIFY(Touch(strMount + QStringLiteral("/STICK/b.tap")));
    QVERIFY(Touch(strMount + QStringLiteral("/STICK/a.ncc")));
    QVERIFY(Touch(strMount + QStringLiteral("/ZSTICK/0.txt")));
    QCOMPARE(K::FindUsbProgram(strMount, strPath), K::USB_FOUND);
    QCOMPARE(strPath, strMount + QStringLiteral("/STICK/a.ncc"));
}

QTEST_MAIN(TestPendantKeys)
#include "tst_pendantkeys.moc"
