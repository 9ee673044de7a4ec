#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "fakeprompter.h"
#include "testsupport.h"

#include <QDataStream>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>

// Byte offsets of some fields of the settings file (six-digit pass key).
namespace Offset {
constexpr int Ctrl = 16;            // field 2
constexpr int HomeSensors = 17;     // field 3
constexpr int Pwm = 20;             // field 6: min, max, step, delay (u16 each)
constexpr int MaxAxisFeed = 28;     // field 7
constexpr int AxisMovPerPulse = 228; // field 12
constexpr int AxisWorkZero = 268;   // field 13
constexpr int Password = 389;       // field 17
constexpr int SelUnits = 405;       // field 18
constexpr int AxisHomeDir = 492;    // field 23
constexpr int AxisDutyCycle = 497;  // field 24
constexpr int HomeRef = 547;        // field 28
constexpr int ArcStep = 551;        // field 32
constexpr int SpindleSpeeds = 559;  // field 33
constexpr int SamplingTime = 599;   // field 35
constexpr int HomeRepeat = 648;     // field 42
constexpr int UseG01ForJog = 656;   // field 43
constexpr int FileSize = 657;
}

using IntMap = QMap<int, int>;

namespace {
bool WriteAll(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QByteArray BigEndianDouble(double v)
{
    QByteArray b;
    QDataStream s(&b, QIODevice::WriteOnly);
    s.setVersion(7);
    s << v;
    return b;
}

QByteArray BigEndianU32(quint32 v)
{
    QByteArray b;
    QDataStream s(&b, QIODevice::WriteOnly);
    s << v;
    return b;
}

// "Ver4.0" as the data stream writes a QString: byte length, UTF-16 BE.
const QByteArray VERSION_BYTES = QByteArray::fromHex("0000000c0056006500720034002e0030");

// A state of the store far from the defaults, touching every kind of field.
void SetNonDefaults()
{
    AppConfig::m_eDiradiCtrl = CTRL_KIVQ20;
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_bPWMCtrlUsed = true;
    AppConfig::m_bKeyboardCtrlUsed = true;
    AppConfig::m_stPwmSpndlSettings.m_nMinFreq = 200;
    AppConfig::m_stPwmSpndlSettings.m_nMaxFreq = 2500;
    AppConfig::m_stPwmSpndlSettings.m_nFreqStep = 50;
    AppConfig::m_stPwmSpndlSettings.m_nSpindleDelay = 300;
    for (int i = 0; i < AXIS_COUNT; ++i) {
        AppConfig::m_fMaxAxisFeed[i] = 40 + i;
        AppConfig::m_fUserAxisFeed[i] = 12.5 + i;
        AppConfig::m_fAxisFeedPercent[i] = 0.8;
        AppConfig::m_fAxisAcc[i] = 450 + i;
        AppConfig::m_fAxisRateOfAcc[i] = 5000 + i;
        AppConfig::m_fAxisMovPerPulse[i] = 0.0025 * (i + 1);
        AppConfig::m_fAxisWorkZero[i] = -12.3456 * (i + 1);
        AppConfig::m_fAxisPosDirLimit[i] = 300 + i;
        AppConfig::m_fAxisNegDirLimit[i] = -300 - i;
        AppConfig::m_fAxisHomeFeed[i] = 3 + i;
        AppConfig::m_fAxisJogFeed[i] = 7 + i;
        AppConfig::m_eAxisPosDir[i] = i % 2 ? DIR_CCW : DIR_CW;
        AppConfig::m_eAxisHomeDir[i] = i % 2 ? DIR_CW : DIR_CCW;
        AppConfig::m_fAxisDutyCycle[i] = 0.5;
        AppConfig::m_fAxisManualToolChngPos[i] = 11.0 * i - 20;
    }
    AppConfig::m_bAppPassword = true;
    AppConfig::m_strAppPassword = "123456";
    AppConfig::m_eSelUnits = UNITS_INCH;
    AppConfig::m_bShutdownRPI = true;
    AppConfig::m_eAxisFeedtype = FEED_SCURVE;
    AppConfig::m_fZSafePos = 12.75;
    AppConfig::m_bAutoHmOnStartup = true;
    AppConfig::m_GCodeRunSettings.m_iHomeRef = 4;
    AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed = true;
    AppConfig::m_GCodeRunSettings.m_bSaveExecStatus = true;
    AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed = true;
    AppConfig::m_GCodeRunSettings.m_fAxisStep = 0.05;
    for (int i = 0; i < 16; ++i)
        AppConfig::m_iSpindleSpeeds[i] = qint16(i * 1500 - 2);
    AppConfig::m_fEndMillDia = 3.175;
    AppConfig::m_iVelAccSamplingTime = 5000;
    AppConfig::m_bAutoSpindleOnCW = true;
    AppConfig::m_bAutoSpindleOnCCW = true;
    AppConfig::m_bAutoSpindleOff = true;
    AppConfig::m_bEnlManualToolChange = true;
    AppConfig::m_bEnlAutoToolChange = true;
    AppConfig::m_fHomeRepeatOffset = 2.5;
    AppConfig::m_bUseG01FeedForJog = true;
}

// The persistent state of the store, as the file would hold it.
QByteArray StoredState(const QString& folder)
{
    const QString path = folder + "/state.dat";
    if (!AppConfig::SaveConfig(path))
        return QByteArray();
    return ReadAll(path);
}
}

class TestAppConfig : public QObject
{
    Q_OBJECT
private:
    CTempWorkingFolder* m_pTmp = nullptr;
    QByteArray m_DefaultFile;

    QString Path(const QString& name) const { return m_pTmp->Working() + "/" + name; }
    // Puts the store back to the defaults of a fresh program.
    void LoadDefaults()
    {
        QVERIFY(WriteAll(Path("defaults.dat"), m_DefaultFile));
        QCOMPARE(AppConfig::LoadConfig(Path("defaults.dat")), 1);
    }

private slots:
    void initTestCase() { m_pTmp = new CTempWorkingFolder; }
    void cleanupTestCase() { delete m_pTmp; }

    // Must run first: the store still holds the program's defaults.
    void freshInstallWritesDefaultFile()
    {
        QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 25.0);
        QCOMPARE(AppConfig::m_fPlungeFeed, 10.0);
        QCOMPARE(AppConfig::m_iMchType, 3);
        QVERIFY(AppConfig::m_lstMCodesPin.isEmpty());
        QCOMPARE(int(AppConfig::m_iEStopInput), 9);
        QCOMPARE(AppConfig::m_strLastFolderPath, HOME_FOLDER);
        QCOMPARE(AppConfig::m_strAxisNames[A_AXIS], QString("A-Axis"));

        CFakePrompter prompter;
        const QString path = CAppPaths::ConfigFile();
        QVERIFY(!QFile::exists(path));
        QCOMPARE(AppConfig::LoadConfig(path), 1);
        QVERIFY(prompter.m_lstPrompts.isEmpty());
        m_DefaultFile = ReadAll(path);

        const QByteArray& f = m_DefaultFile;
        QCOMPARE(f.size(), Offset::FileSize);
        QCOMPARE(f.left(16), VERSION_BYTES);
        QCOMPARE(f.mid(Offset::Ctrl, 4), QByteArray(4, '\0'));
        QCOMPARE(f.mid(Offset::Pwm, 8), QByteArray::fromHex("00640bb800640064"));
        QCOMPARE(f.mid(Offset::MaxAxisFeed, 8), BigEndianDouble(30.0));
        QCOMPARE(f.mid(Offset::AxisMovPerPulse, 8), BigEndianDouble(0.001));
        QCOMPARE(f.mid(Offset::Password, 16), QByteArray::fromHex("0000000c003700330030003400310039"));
        QCOMPARE(f.mid(Offset::AxisHomeDir, 5), QByteArray::fromHex("0100000101"));
        QCOMPARE(f.at(Offset::HomeRef), char(6));
        QCOMPARE(f.mid(Offset::ArcStep, 8), BigEndianDouble(0.1));
        QCOMPARE(f.mid(Offset::SpindleSpeeds, 32), QByteArray(32, '\0'));
        QCOMPARE(f.mid(Offset::SamplingTime, 4), BigEndianU32(10000));
        QCOMPARE(f.mid(Offset::HomeRepeat, 8), BigEndianDouble(5.0));
        QCOMPARE(f.at(Offset::UseG01ForJog), char(0));

        // Derived from the defaults just read.
        QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 30.0);
        QCOMPARE(AppConfig::m_fPlungeFeed, 15.0);
        QCOMPARE(AppConfig::m_fAxisFeed[Z_AXIS], 15.0);
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nCurFreq), 100);
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nMinRpm), 1000);
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nMaxRpm), 24000);
    }

    void roundTripOfEveryField()
    {
        SetNonDefaults();
        const QString path = Path("roundtrip.dat");
        QVERIFY(AppConfig::SaveConfig(path));
        QVERIFY(AppConfig::GetErrorMsg().isEmpty());
        const QByteArray written = ReadAll(path);
        QCOMPARE(written.size(), Offset::FileSize);
        QCOMPARE(written.left(16), VERSION_BYTES);
        QCOMPARE(written.at(Offset::Ctrl), char(1));
        QCOMPARE(written.at(Offset::HomeSensors), char(1));
        QCOMPARE(written.mid(Offset::Pwm, 8), QByteArray::fromHex("00c809c40032012c"));
        QCOMPARE(written.mid(Offset::AxisWorkZero + 8, 8), BigEndianDouble(-12.3456 * 2));
        QCOMPARE(written.mid(Offset::Password, 16), QByteArray::fromHex("0000000c003100320033003400350036"));
        QCOMPARE(written.at(Offset::SelUnits), char(1));
        QCOMPARE(written.at(Offset::HomeRef), char(4));
        QCOMPARE(written.mid(Offset::SpindleSpeeds, 4), QByteArray::fromHex("fffe05da")); // -2, 1498
        QCOMPARE(written.mid(Offset::SamplingTime, 4), BigEndianU32(5000));
        QCOMPARE(written.at(Offset::UseG01ForJog), char(1));

        LoadDefaults();
        QVERIFY(StoredState(m_pTmp->Working()) != written);
        QCOMPARE(AppConfig::LoadConfig(path), 1);
        QCOMPARE(StoredState(m_pTmp->Working()), written);
        QCOMPARE(AppConfig::m_strAppPassword, QString("123456"));
        QCOMPARE(AppConfig::m_eAxisHomeDir[B_AXIS], DIR_CCW);
        QCOMPARE(AppConfig::m_iSpindleSpeeds[15], qint16(15 * 1500 - 2));
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, 0.05);
        QCOMPARE(AppConfig::m_eAxisFeedtype, FEED_SCURVE);
        // Not stored: the fixed rpm range keeps its defaults.
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nMaxRpm), 24000);
    }

    void nonZeroByteReadsAsSetFlag()
    {
        LoadDefaults();
        QByteArray data = m_DefaultFile;
        data[Offset::HomeSensors] = 2;
        const QString path = Path("flag2.dat");
        QVERIFY(WriteAll(path, data));
        QCOMPARE(AppConfig::LoadConfig(path), 1);
        QVERIFY(AppConfig::m_bHomeSensorsUsed);
        QVERIFY(AppConfig::SaveConfig(path));
        QCOMPARE(ReadAll(path).at(Offset::HomeSensors), char(1));
    }

    // The rapid feed is the smallest maximum feed of the axes in use, the
    // same rule as the machine settings panel's.
    void rapidFeedFromTheAxesInUse_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("rapid");
        QTest::newRow("three axes: slow A and B not fitted") << int(CTRL_KIVQ10) << 30.0;
        QTest::newRow("five axes: the slow A counts") << int(CTRL_KIVQ20) << 10.0;
        QTest::newRow("SPI board, three axes") << int(CTRL_SPI_V3) << 30.0;
    }
    void rapidFeedFromTheAxesInUse()
    {
        QFETCH(int, kind);
        QFETCH(double, rapid);
        LoadDefaults();
        const double maxFeeds[AXIS_COUNT] = {40, 35, 30, 10, 12};
        for (int i = 0; i < AXIS_COUNT; ++i)
            AppConfig::m_fMaxAxisFeed[i] = maxFeeds[i];
        AppConfig::m_eDiradiCtrl = eKivController(kind);
        const QString path = Path("rapid.dat");
        QVERIFY(AppConfig::SaveConfig(path));
        LoadDefaults();
        QCOMPARE(AppConfig::LoadConfig(path), 1);
        QCOMPARE(AppConfig::m_fMinMaxAxisFeed, rapid);
        LoadDefaults();
    }

    void derivedFeedsAndPwmFrequency()
    {
        LoadDefaults();
        const double maxFeeds[AXIS_COUNT] = {30, 20, 40, 20, 50};
        for (int i = 0; i < AXIS_COUNT; ++i) {
            AppConfig::m_fMaxAxisFeed[i] = maxFeeds[i];
            AppConfig::m_fUserAxisFeed[i] = 10.0 * (i + 1);
            AppConfig::m_fAxisFeedPercent[i] = 0.5;
        }
        AppConfig::m_stPwmSpndlSettings.m_nMinFreq = 200;
        AppConfig::m_stPwmSpndlSettings.m_nMaxFreq = 3000;
        const QString path = Path("derived.dat");
        QVERIFY(AppConfig::SaveConfig(path));
        LoadDefaults();
        QCOMPARE(AppConfig::LoadConfig(path), 1);
        QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 20.0);
        QCOMPARE(AppConfig::m_fAxisFeed[X_AXIS], 5.0);
        QCOMPARE(AppConfig::m_fAxisFeed[B_AXIS], 25.0);
        QCOMPARE(AppConfig::m_fPlungeFeed, 30.0);
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nCurFreq), 200);

        // An rpm range of zero width must not fault.
        AppConfig::m_stPwmSpndlSettings.m_nMaxRpm = AppConfig::m_stPwmSpndlSettings.m_nMinRpm;
        AppConfig::DeriveValues();
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nCurFreq), 200);
        AppConfig::m_stPwmSpndlSettings.m_nMaxRpm = 24000;
    }

    // The spindle's PWM frequency for 1000 rpm on the straight line through
    // (min rpm, min frequency) and (max rpm, max frequency), kept within what
    // the 16-bit setting holds: never wrapped round to a low frequency.
    void pwmFrequencyFor1000Rpm_data()
    {
        QTest::addColumn<int>("minFreq");
        QTest::addColumn<int>("maxFreq");
        QTest::addColumn<int>("minRpm");
        QTest::addColumn<int>("maxRpm");
        QTest::addColumn<int>("freq");
        // 100 + (1000 - 0) * 10000 / 10000
        QTest::newRow("on the line") << 100 << 10100 << 0 << 10000 << 1100;
        // 1000 + (1000 - 0) * 59000 / 100 = 591000, which a 16-bit value
        // would hold as 1176
        QTest::newRow("above 65535 Hz") << 1000 << 60000 << 0 << 100 << 65535;
        // 1000 + (1000 - 2000) * 1000 / 1000 = 0; 10 + (1000 - 2000) * 990 / 1000 < 0
        QTest::newRow("down to zero") << 1000 << 2000 << 2000 << 3000 << 0;
        QTest::newRow("below zero") << 10 << 1000 << 2000 << 3000 << 0;
    }
    void pwmFrequencyFor1000Rpm()
    {
        QFETCH(int, minFreq);
        QFETCH(int, maxFreq);
        QFETCH(int, minRpm);
        QFETCH(int, maxRpm);
        QFETCH(int, freq);
        LoadDefaults();
        stPwmSpindleSettings& pwm = AppConfig::m_stPwmSpndlSettings;
        pwm.m_nMinFreq = quint16(minFreq);
        pwm.m_nMaxFreq = quint16(maxFreq);
        pwm.m_nMinRpm = quint16(minRpm);
        pwm.m_nMaxRpm = quint16(maxRpm);
        AppConfig::DeriveValues();
        QCOMPARE(int(pwm.m_nCurFreq), freq);
        pwm = stPwmSpindleSettings(); // the rpm range is fixed, not in the file
        LoadDefaults();
    }

    void pinAssignmentPerController_data()
    {
        QTest::addColumn<int>("ctrl");
        QTest::addColumn<int>("mchType");
        QTest::addColumn<QList<int>>("pulse");
        QTest::addColumn<QList<int>>("dir");
        QTest::addColumn<QList<int>>("home");
        QTest::addColumn<QList<int>>("inputs"); // e-stop, program start, probe
        QTest::addColumn<IntMap>("mcodes");
        QTest::addColumn<IntMap>("ips");
        const IntMap common = {{3, 8}, {4, 9}, {7, 10}, {8, 11}, {80, 26}};
        IntMap threeAxis = common;
        for (int m = 0; m < 6; ++m)
            threeAxis[200 + 2 * m] = QList<int>{5, 6, 13, 14, 15, 18}[m];
        QTest::newRow("Pi pins, three axes")
            << 0 << 3 << QList<int>{2, 4, 27, 0, 0} << QList<int>{3, 17, 22, 0, 0} << QList<int>{23, 24, 25, 0, 0}
            << QList<int>{20, 16, 21} << threeAxis << IntMap{{1, 19}};
        QTest::newRow("Pi pins, five axes")
            << 1 << 5 << QList<int>{2, 4, 27, 5, 14} << QList<int>{3, 17, 22, 6, 15}
            << QList<int>{23, 24, 25, 13, 18} << QList<int>{20, 16, 21} << common << IntMap{{1, 19}};
        for (int ctrl : {2, 3})
            QTest::addRow("SPI board %d", ctrl)
                << ctrl << 3 << QList<int>{2, 4, 27, 0, 0} << QList<int>{3, 17, 22, 0, 0}
                << QList<int>{23, 24, 25, 0, 0} << QList<int>{9, 10, 21} << IntMap() << IntMap();
    }
    void pinAssignmentPerController()
    {
        QFETCH(int, ctrl);
        QFETCH(int, mchType);
        QFETCH(QList<int>, pulse);
        QFETCH(QList<int>, dir);
        QFETCH(QList<int>, home);
        QFETCH(QList<int>, inputs);
        QFETCH(IntMap, mcodes);
        QFETCH(IntMap, ips);

        // Start from the five-axis pin-out so that what the kind leaves
        // alone shows up too.
        QByteArray data = m_DefaultFile;
        data[Offset::Ctrl] = 1;
        QVERIFY(WriteAll(Path("pins.dat"), data));
        QCOMPARE(AppConfig::LoadConfig(Path("pins.dat")), 1);
        data[Offset::Ctrl] = char(ctrl);
        QVERIFY(WriteAll(Path("pins.dat"), data));
        QCOMPARE(AppConfig::LoadConfig(Path("pins.dat")), 1);

        QCOMPARE(int(AppConfig::m_eDiradiCtrl), ctrl);
        QCOMPARE(AppConfig::m_iMchType, mchType);
        for (int i = 0; i < AXIS_COUNT; ++i) {
            QCOMPARE(int(AppConfig::m_iAxisPulseOutput[i]), pulse[i]);
            QCOMPARE(int(AppConfig::m_iAxisDirOutput[i]), dir[i]);
            QCOMPARE(int(AppConfig::m_iAxisMchHomeSensorInput[i]), home[i]);
        }
        QCOMPARE(int(AppConfig::m_iEStopInput), inputs[0]);
        QCOMPARE(int(AppConfig::m_iPgmStartInput), inputs[1]);
        QCOMPARE(int(AppConfig::m_iZProbeInput), inputs[2]);
        QCOMPARE(int(AppConfig::m_iSpindlePwmOutput), 12);
        QCOMPARE(int(AppConfig::m_iPgmStatusOutput), 7);
        IntMap gotMCodes, gotIps;
        for (auto it = AppConfig::m_lstMCodesPin.cbegin(); it != AppConfig::m_lstMCodesPin.cend(); ++it)
            gotMCodes.insert(it.key(), it.value());
        for (auto it = AppConfig::m_lstIPs.cbegin(); it != AppConfig::m_lstIPs.cend(); ++it)
            gotIps.insert(it.key(), it.value());
        QCOMPARE(gotMCodes, mcodes);
        QCOMPARE(gotIps, ips);
    }

    // A file of an older version: its first 42 fields are read, the last is
    // kept from memory, and the file that was read is rewritten at once.
    void olderVersionIsUpgraded()
    {
        SetNonDefaults();
        QByteArray data = StoredState(m_pTmp->Working());
        data.replace(0, 16, QByteArray::fromHex("0000000c0056006500720033002e0030")); // "Ver3.0"
        data.chop(1);                                                              // no field 43
        const QString path = Path("old/DIR_ADI.dat");
        QVERIFY(QDir().mkpath(Path("old")));
        QVERIFY(WriteAll(path, data));

        LoadDefaults();
        AppConfig::m_bUseG01FeedForJog = true;
        CFakePrompter prompter;
        QCOMPARE(AppConfig::LoadConfig(path), 1);
        QVERIFY(prompter.m_lstPrompts.isEmpty());
        QCOMPARE(AppConfig::m_fAxisWorkZero[Z_AXIS], -12.3456 * 3);
        QCOMPARE(AppConfig::m_fHomeRepeatOffset, 2.5);
        QCOMPARE(AppConfig::m_iMchType, 5);
        QVERIFY(AppConfig::m_bUseG01FeedForJog);

        const QByteArray upgraded = ReadAll(path);
        QCOMPARE(upgraded.size(), Offset::FileSize);
        QCOMPARE(upgraded.left(16), VERSION_BYTES);
        QCOMPARE(upgraded.mid(16, 640), data.mid(16, 640));
        QCOMPARE(upgraded.at(Offset::UseG01ForJog), char(1));
        QCOMPARE(ReadAll(CAppPaths::ConfigFile()), m_DefaultFile);
    }

    // A file that is cut short or holds nonsense is refused: nothing in
    // memory changes, the file stays as it was (even with an older tag, which
    // would otherwise be rewritten), and the error names the reason.
    void badFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        const QByteArray good = m_DefaultFile;
        auto with = [](QByteArray d, int offset, const QByteArray& bytes) {
            d.replace(offset, bytes.size(), bytes);
            return d;
        };
        // The older layout: the tag "Ver3.0" and no field 43.
        const QByteArray older = with(good, 10, QByteArray::fromHex("0033")).left(Offset::FileSize - 1);
        const QString cut = "cut short or damaged";
        const QString noTag = "no version tag";
        QTest::newRow("empty") << QByteArray() << noTag;
        QTest::newRow("version only") << good.left(16) << cut;
        QTest::newRow("cut in the feeds") << good.left(300) << cut;
        QTest::newRow("last byte missing") << good.left(Offset::FileSize - 1) << cut;
        QTest::newRow("garbage") << QByteArray("\x7f\xff\xff\xf0") + " this is not a settings file at all" << noTag;
        QTest::newRow("odd version length") << with(good, 0, QByteArray::fromHex("0000000b")) << noTag;
        QTest::newRow("text file") << QByteArray(700, 'A') << noTag;
        // A damaged version tag is not an older file to rewrite: the bytes
        // stay the operator's. One flipped bit turns "Ver4.0" into "Ver0.0".
        const QString unknownTag = "is not one this program knows";
        QTest::newRow("damaged version letter") << with(good, 4, QByteArray::fromHex("0058")) << unknownTag; // Xer4.0
        QTest::newRow("damaged version digit") << with(good, 10, QByteArray::fromHex("004f")) << unknownTag; // Ver4.O
        QTest::newRow("one bit flipped in the version") << with(good, 10, QByteArray::fromHex("0030")) << unknownTag;
        QTest::newRow("one bit flipped, older size") << with(older, 10, QByteArray::fromHex("0030")) << unknownTag;
        QTest::newRow("older version never released") << with(older, 10, QByteArray::fromHex("0032")) << unknownTag;
        QTest::newRow("version of a newer program") << with(good, 10, QByteArray::fromHex("0039")) << unknownTag;
        QTest::newRow("newer minor version") << with(good, 14, QByteArray::fromHex("0031")) << unknownTag;
        // The size must fit the layout of the tag.
        const QString leftOver = "left over after its last field";
        QTest::newRow("older tag, size of this version") << with(good, 10, QByteArray::fromHex("0033")) << leftOver;
        QTest::newRow("older tag, cut short") << older.left(older.size() - 1) << cut;
        QTest::newRow("a byte after the last field") << good + QByteArray(1, '\0') << leftOver;
        QTest::newRow("older file with a bad value")
            << with(older, Offset::AxisMovPerPulse + 16, BigEndianDouble(0.0)) << "travel per pulse";
        QTest::newRow("zero travel per pulse") << with(good, Offset::AxisMovPerPulse + 16, BigEndianDouble(0.0))
                                               << "travel per pulse";
        QTest::newRow("negative max feed") << with(good, Offset::MaxAxisFeed, BigEndianDouble(-30.0)) << "feed";
        QTest::newRow("feed not a number")
            << with(good, Offset::MaxAxisFeed + 8, BigEndianDouble(std::numeric_limits<double>::quiet_NaN()))
            << "feed";
        QTest::newRow("infinite max feed")
            << with(good, Offset::MaxAxisFeed + 16, BigEndianDouble(std::numeric_limits<double>::infinity()))
            << "feed";
        QTest::newRow("step duty above 1") << with(good, Offset::AxisDutyCycle + 8, BigEndianDouble(1.5))
                                           << "duty cycle";
        QTest::newRow("zero sampling time") << with(good, Offset::SamplingTime, BigEndianU32(0)) << "sampling time";
        QTest::newRow("zero arc step") << with(good, Offset::ArcStep, BigEndianDouble(0.0)) << "arc step";
        QTest::newRow("unknown controller") << with(good, Offset::Ctrl, QByteArray(1, '\x07')) << "controller kind 7";
        QTest::newRow("work zero infinite")
            << with(good, Offset::AxisWorkZero, BigEndianDouble(std::numeric_limits<double>::infinity()))
            << "not a number";
        QTest::newRow("unknown length unit") << with(good, Offset::SelUnits, QByteArray(1, '\x02')) << "length unit 2";
        QTest::newRow("home direction 2") << with(good, Offset::AxisHomeDir + 4, QByteArray(1, '\x02'))
                                          << "direction";
        QTest::newRow("odd work-zero corner") << with(good, Offset::HomeRef, QByteArray(1, '\x03'))
                                              << "work-zero corner 3";
    }
    void badFileIsRefused()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        SetNonDefaults();
        QVERIFY(AppConfig::SaveConfig(Path("good.dat")));
        QCOMPARE(AppConfig::LoadConfig(Path("good.dat")), 1);
        const QByteArray before = StoredState(m_pTmp->Working());
        const int feedBefore = int(AppConfig::m_fAxisFeed[X_AXIS] * 1000);
        const int curFreqBefore = AppConfig::m_stPwmSpndlSettings.m_nCurFreq;

        const QString path = Path("bad.dat");
        QVERIFY(WriteAll(path, data));
        CFakePrompter prompter;
        QCOMPARE(AppConfig::LoadConfig(path), 0);
        const QString strError = AppConfig::GetErrorMsg();
        QVERIFY2(strError.startsWith("Settings file " + path + " was not loaded: ") && strError.contains(reason),
                 qPrintable(strError));
        QVERIFY(prompter.m_lstPrompts.isEmpty()); // the main window gives the notice

        QCOMPARE(StoredState(m_pTmp->Working()), before);
        QCOMPARE(AppConfig::m_iMchType, 5);
        QCOMPARE(int(AppConfig::m_iAxisPulseOutput[A_AXIS]), 5);
        QCOMPARE(AppConfig::m_lstIPs.value(1), quint8(19));
        QCOMPARE(int(AppConfig::m_fAxisFeed[X_AXIS] * 1000), feedBefore);
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nCurFreq), curFreqBefore);
        QCOMPARE(ReadAll(path), data);
    }

    // The PWM settings allow a maximum only 23 Hz above the minimum, which
    // makes the slider's frequency step (difference / 24) zero. Nothing
    // divides by that step, so such a file is the operator's and loads.
    void zeroPwmFrequencyStepLoads()
    {
        LoadDefaults();
        AppConfig::m_stPwmSpndlSettings.m_nMinFreq = 100;
        AppConfig::m_stPwmSpndlSettings.m_nMaxFreq = 123;
        AppConfig::m_stPwmSpndlSettings.m_nFreqStep = 0;
        const QString path = Path("pwmstep0.dat");
        QVERIFY(AppConfig::SaveConfig(path));
        LoadDefaults();
        QCOMPARE(AppConfig::LoadConfig(path), 1);
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nMaxFreq), 123);
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nFreqStep), 0);
        QCOMPARE(int(AppConfig::m_stPwmSpndlSettings.m_nCurFreq), 100);
        LoadDefaults();
    }

    // A refused file leaves the settings in memory, and the program runs on
    // with them: its emergency-stop, start and probe inputs and M-code
    // outputs must be those of the controller kind in memory even when no
    // file was ever loaded (the store's bare defaults put the E-stop on
    // pin 9, where the Pi pin-outs have nothing wired).
    void refusedFileLeavesPinsOfTheKindInMemory_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("data"); // empty: a path that cannot be opened
        QTest::newRow("cut short") << "short.dat" << m_DefaultFile.left(300);
        QTest::newRow("cannot be opened") << "plainfile2/DIR_ADI.dat" << QByteArray();
    }
    void refusedFileLeavesPinsOfTheKindInMemory()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, data);
        LoadDefaults();
        if (data.isEmpty())
            QVERIFY(WriteAll(Path("plainfile2"), "x"));
        else
            QVERIFY(WriteAll(Path(name), data));
        // The store as the program starts, before any file is read.
        AppConfig::m_eDiradiCtrl = CTRL_KIVQ10;
        AppConfig::m_iEStopInput = 9;
        AppConfig::m_iPgmStartInput = 10;
        AppConfig::m_iZProbeInput = 21;
        AppConfig::m_lstMCodesPin.clear();
        AppConfig::m_lstIPs.clear();

        CFakePrompter prompter;
        QCOMPARE(AppConfig::LoadConfig(Path(name)), 0);
        QCOMPARE(int(AppConfig::m_iEStopInput), 20);
        QCOMPARE(int(AppConfig::m_iPgmStartInput), 16);
        QCOMPARE(int(AppConfig::m_iZProbeInput), 21);
        QCOMPARE(int(AppConfig::m_lstMCodesPin.value(3, -1)), 8);
        QCOMPARE(int(AppConfig::m_lstMCodesPin.value(200, -1)), 5);
        QCOMPARE(int(AppConfig::m_lstIPs.value(1, 0)), 19);
        QCOMPARE(AppConfig::m_iMchType, 3);
    }

    // Parent folder is a regular file: the settings cannot be written (this
    // holds even for root, which ignores permissions).
    void unwritableFolderIsReported()
    {
        LoadDefaults();
        QVERIFY(WriteAll(Path("plainfile"), "x"));
        const QString path = Path("plainfile/DIR_ADI.dat");
        QVERIFY(!AppConfig::SaveConfig(path));
        QVERIFY(AppConfig::GetErrorMsg().contains(path));
        QVERIFY(!AppConfig::CreateConfigFile(path));

        SetNonDefaults();
        const QByteArray before = StoredState(m_pTmp->Working());
        CFakePrompter prompter;
        QCOMPARE(AppConfig::LoadConfig(path), 0);
        QCOMPARE(prompter.Texts("Critical"), QStringList{"Unable to open Config File"});
        QCOMPARE(prompter.m_lstPrompts.first().m_strTitle, QString("Critical error"));
        QCOMPARE(StoredState(m_pTmp->Working()), before);
    }

    void saveReplacesOldFileWhole()
    {
        LoadDefaults();
        const QString path = Path("replace.dat");
        QVERIFY(WriteAll(path, QByteArray(5000, 'z')));
        QVERIFY(AppConfig::SaveConfig(path));
        QCOMPARE(ReadAll(path), m_DefaultFile);
        QCOMPARE(QDir(m_pTmp->Working()).entryList({"replace.dat*"}, QDir::Files | QDir::Hidden),
                 QStringList{"replace.dat"});
    }
};

QTEST_MAIN(TestAppConfig)
#include "tst_appconfig.moc"
