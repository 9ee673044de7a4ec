#include "machine/ethercatdrive.h"

#include <QtTest>
#include <cstring>
#include <iostream>
#include <sstream>
#include <stdexcept>

namespace {
// Captures what a block writes to std::cout or std::cerr.
class CCapture
{
public:
    explicit CCapture(std::ostream& stream)
        : m_Stream(stream), m_pOld(stream.rdbuf(m_Buffer.rdbuf()))
    {
    }
    ~CCapture() { m_Stream.rdbuf(m_pOld); }
    std::string Text() const { return m_Buffer.str(); }

private:
    std::ostream& m_Stream;
    std::ostringstream m_Buffer;
    std::streambuf* m_pOld;
};

// A process image as a master lays it out: packed, so most values sit at
// odd addresses.
struct stImage
{
    unsigned char bytes[64] = {};
    int next = 1;
    void Add(CEthercatDrive& drive, const std::string& name, int size)
    {
        drive.SetPdoEntry(name, PdoEntry{0x6000u + unsigned(next), bytes + next});
        next += size;
    }
};
}

// The drive's objects by name: typed access, the control-word and
// status-word operations, missing objects, the encoder fallback and texts.
class TestEthercatDrive : public QObject
{
    Q_OBJECT

    stImage image;
    CEthercatDrive drive;

private slots:
    void init()
    {
        image = stImage();
        drive = CEthercatDrive();
        drive.InitEthercatDrive(3);
    }

    void freshDrive()
    {
        CEthercatDrive d;
        QCOMPARE(d.GetHomingSensorInput(), -1);
        QCOMPARE(d.GetHomingSensorPolarity(), true);
        QVERIFY(d.GetLimitSensors().empty());
        QVERIFY(d.PdoEntries().empty());
    }

    void typedValuesAreReadAndWrittenInPlace()
    {
        image.Add(drive, "ControlWord", 2);
        image.Add(drive, "TargetPosition", 4);
        image.Add(drive, "DigitalInputs", 4);
        drive.SetTargetPosition(-123456);
        QCOMPARE(drive.GetValue<int>("TargetPosition"), -123456);
        int raw;
        std::memcpy(&raw, image.bytes + 3, 4);
        QCOMPARE(raw, -123456);
        drive.SetValue<unsigned short>("ControlWord", 0xBEEF);
        QCOMPARE(drive.GetValue<unsigned short>("ControlWord"), quint16(0xBEEF));
        QCOMPARE(drive.GetValue<int>("TargetPosition"), -123456); // the neighbour is untouched
        const unsigned int in = 0x80000001u;
        std::memcpy(image.bytes + 7, &in, 4);
        QCOMPARE(drive.ReadAllInputs(), 0x80000001u);
        QCOMPARE(drive.GetValue<unsigned int>("DigitalInputs"), 0x80000001u);
    }

    void missingObjects()
    {
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, drive.GetValue<int>("TargetPosition"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, drive.SetTargetVelocity(5));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, drive.SetTargetAcceleration(5));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, drive.MotionStart());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, drive.EmergencyStop());
        QCOMPARE(drive.CheckMotionComplete(), 0);
        QCOMPARE(drive.ReadAllInputs(), 0u);
        QCOMPARE(drive.IdentifyIO(), std::make_pair(0, 0));
        // Read as 0, but the write-back has nowhere to go.
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, drive.SetOutputState(1, true));
        // An entry the master left without a value counts as missing.
        drive.SetPdoEntry("StatusWord", PdoEntry{0x6041, nullptr});
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, drive.GetValue<unsigned short>("StatusWord"));
        QCOMPARE(drive.CheckMotionComplete(), 0);
    }

    void controlAndStatusWords()
    {
        image.Add(drive, "ControlWord", 2);
        image.Add(drive, "StatusWord", 2);
        drive.SetValue<unsigned short>("ControlWord", 0x000F);
        drive.MotionStart();
        QCOMPARE(drive.GetValue<unsigned short>("ControlWord"), quint16(0x001F));
        drive.EmergencyStop();
        QCOMPARE(drive.GetValue<unsigned short>("ControlWord"), quint16(0x001E));

        drive.SetValue<unsigned short>("StatusWord", 0x0400);
        QCOMPARE(drive.CheckMotionComplete(), 1);
        drive.SetValue<unsigned short>("StatusWord", 0xFBFF);
        QCOMPARE(drive.CheckMotionComplete(), 0);
    }

    void homing()
    {
        image.Add(drive, "ControlWord", 2);
        drive.SetValue<unsigned short>("ControlWord", 0x000F);
        {
            CCapture err(std::cerr);
            QCOMPARE(drive.MoveDriveHome(), -1);
            QCOMPARE(err.Text(), std::string("No homing sensor defined for drive 3\n"));
        }
        QCOMPARE(drive.GetValue<unsigned short>("ControlWord"), quint16(0x000F));
        {
            CCapture out(std::cout);
            drive.SetHomingSensorInput(5, false);
            QCOMPARE(out.Text(), std::string("Drive 3: Homing sensor set to input 5 polarity=0\n"));
        }
        QCOMPARE(drive.GetHomingSensorInput(), 5);
        QCOMPARE(drive.GetHomingSensorPolarity(), false);
        QCOMPARE(drive.MoveDriveHome(), 0);
        QCOMPARE(drive.GetValue<unsigned short>("ControlWord"), quint16(0x010F));
    }

    void limitSensors()
    {
        CCapture out(std::cout);
        drive.SetLimitSensorInput(2, true);
        drive.SetLimitSensorInput(7, false);
        drive.SetLimitSensorInput(2, false);
        QCOMPARE(out.Text(), std::string("Drive 3: Limit sensor set to input 2 polarity=1\n"
                                         "Drive 3: Limit sensor set to input 7 polarity=0\n"
                                         "Drive 3: Limit sensor set to input 2 polarity=0\n"));
        QCOMPARE(drive.GetLimitSensors(), (std::map<int, bool>{{2, false}, {7, false}}));
    }

    void encoderResolution_data()
    {
        QTest::addColumn<QStringList>("objects");
        QTest::addColumn<int>("pulses");
        QTest::newRow("none") << QStringList() << -1;
        QTest::newRow("0x6091 only") << QStringList{"0x6091:01"} << 3000;
        QTest::newRow("0x608F before 0x6091") << QStringList{"0x6091:01", "0x608F:01"} << 2000;
        QTest::newRow("0x607E first") << QStringList{"0x6091:01", "0x608F:01", "0x607E:01"} << 1000;
    }
    void encoderResolution()
    {
        QFETCH(QStringList, objects);
        QFETCH(int, pulses);
        const std::map<std::string, int> values{{"0x607E:01", 1000}, {"0x608F:01", 2000}, {"0x6091:01", 3000}};
        for (const QString& name : objects) {
            image.Add(drive, name.toStdString(), 4);
            drive.SetValue<int>(name.toStdString(), values.at(name.toStdString()));
        }
        CCapture err(std::cerr);
        QCOMPARE(drive.GetEncoderPulsesPerRotation(), pulses);
        QCOMPARE(err.Text(), pulses < 0 ? std::string("Encoder resolution not available for drive 3\n") : std::string());
    }

    void inputsAndOutputs()
    {
        image.Add(drive, "SupportedInputs", 4);
        drive.SetValue<unsigned int>("SupportedInputs", 16);
        QCOMPARE(drive.IdentifyIO(), std::make_pair(16, 0));
        image.Add(drive, "SupportedOutputs", 4);
        drive.SetValue<unsigned int>("SupportedOutputs", 8);
        QCOMPARE(drive.IdentifyIO(), std::make_pair(16, 8));

        image.Add(drive, "DigitalOutputs", 4);
        drive.SetOutputState(0, true);
        drive.SetOutputState(31, true);
        drive.SetOutputState(5, true);
        drive.SetOutputState(5, false);
        QCOMPARE(drive.GetValue<unsigned int>("DigitalOutputs"), 0x80000001u);
        // Bits the 32-bit word does not have are ignored.
        drive.SetOutputState(32, true);
        drive.SetOutputState(-1, true);
        QCOMPARE(drive.GetValue<unsigned int>("DigitalOutputs"), 0x80000001u);
    }
};

QTEST_MAIN(TestEthercatDrive)
#include "tst_ethercatdrive.moc"
