// The pin look-up: the roles of a GPIO pin under each Raspberry Pi
// pin-out, from the assignment the settings store installs.
#include "core/AppConfig.h"
#include "settings/pinroles.h"

#include <QtTest>

class TestPinRoles : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { AppConfig::InstallPinAssignment(CTRL_KIVQ10); }
    void roles_data();
    void roles();
    void describe();
};

void TestPinRoles::roles_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("gpio");
    QTest::addColumn<QString>("roles");
    const int three = CTRL_KIVQ10, five = CTRL_KIVQ20;
    QTest::newRow("X step") << three << 2 << "X step output";
    QTest::newRow("Z direction") << three << 22 << "Z direction output";
    QTest::newRow("Y home") << three << 24 << "Y home input";
    QTest::newRow("M200 on three axes") << three << 5 << "M200 output";
    QTest::newRow("A step on five axes") << five << 5 << "A step output";
    QTest::newRow("B home on five axes") << five << 18 << "B home input";
    QTest::newRow("spindle clockwise") << three << 8 << "M03 output";
    QTest::newRow("M80") << five << 26 << "M80 output";
    QTest::newRow("spindle PWM") << three << 12 << "spindle PWM output";
    QTest::newRow("program status") << three << 7 << "program-status output";
    QTest::newRow("program start") << three << 16 << "program-start input";
    QTest::newRow("emergency stop") << five << 20 << "emergency-stop input";
    QTest::newRow("Z probe") << three << 21 << "Z-probe input";
    QTest::newRow("IP1") << three << 19 << "IP1 input";
    QTest::newRow("free pin") << three << 0 << "not used";
}

void TestPinRoles::roles()
{
    QFETCH(int, kind);
    QFETCH(int, gpio);
    QFETCH(QString, roles);
    AppConfig::InstallPinAssignment(eKivController(kind));
    QCOMPARE(CPinRoles::Roles(gpio), roles);
}

void TestPinRoles::describe()
{
    AppConfig::InstallPinAssignment(CTRL_KIVQ10);
    QCOMPARE(CPinRoles::Describe(18), QStringLiteral("GPIO 18 (header pin 12): M210 output"));
    // Two roles on one pin are both named.
    AppConfig::m_iZProbeInput = 19;
    QCOMPARE(CPinRoles::Roles(19), QStringLiteral("Z-probe input, IP1 input"));
}

QTEST_MAIN(TestPinRoles)
#include "tst_pinroles.moc"
