#include "core/AppConfig.h"

#include "core/FileSaver.h"
#include "core/Prompter.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRecursiveMutex>
#include <cmath>
#include <cstddef>

// ---- Persistent settings ----
eKivController AppConfig::m_eDiradiCtrl = CTRL_KIVQ10;
bool AppConfig::m_bHomeSensorsUsed = false;
bool AppConfig::m_bPWMCtrlUsed = false;
bool AppConfig::m_bKeyboardCtrlUsed = false;
stPwmSpindleSettings AppConfig::m_stPwmSpndlSettings;
double AppConfig::m_fMaxAxisFeed[AXIS_COUNT] = {30, 30, 30, 30, 30};
double AppConfig::m_fUserAxisFeed[AXIS_COUNT] = {15, 15, 15, 15, 15};
double AppConfig::m_fAxisFeedPercent[AXIS_COUNT] = {1.0, 1.0, 1.0, 1.0, 1.0};
double AppConfig::m_fAxisAcc[AXIS_COUNT] = {600, 600, 600, 600, 600};
double AppConfig::m_fAxisRateOfAcc[AXIS_COUNT] = {6000, 6000, 6000, 6000, 6000};
double AppConfig::m_fAxisMovPerPulse[AXIS_COUNT] = {0.001, 0.001, 0.001, 0.001, 0.001};
double AppConfig::m_fAxisWorkZero[AXIS_COUNT] = {0, 0, 0, 0, 0};
double AppConfig::m_fAxisPosDirLimit[AXIS_COUNT] = {180, 0, 0, 360, 360};
double AppConfig::m_fAxisNegDirLimit[AXIS_COUNT] = {0, -180, -40, 0, 0};
bool AppConfig::m_bAppPassword = false;
QString AppConfig::m_strAppPassword = QStringLiteral("730419");
eSelUnits AppConfig::m_eSelUnits = UNITS_MM;
bool AppConfig::m_bShutdownRPI = false;
double AppConfig::m_fAxisHomeFeed[AXIS_COUNT] = {10, 10, 10, 10, 10};
double AppConfig::m_fAxisJogFeed[AXIS_COUNT] = {10, 10, 10, 10, 10};
eDirection AppConfig::m_eAxisPosDir[AXIS_COUNT] = {DIR_CW, DIR_CW, DIR_CW, DIR_CW, DIR_CW};
eDirection AppConfig::m_eAxisHomeDir[AXIS_COUNT] = {DIR_CCW, DIR_CW, DIR_CW, DIR_CCW, DIR_CCW};
double AppConfig::m_fAxisDutyCycle[AXIS_COUNT] = {0.25, 0.25, 0.25, 0.25, 0.25};
eAxisFeedType AppConfig::m_eAxisFeedtype = FEED_LINEAR;
double AppConfig::m_fZSafePos = 5.0;
bool AppConfig::m_bAutoHmOnStartup = false;
stGCodeRunSettings AppConfig::m_GCodeRunSettings;
qint16 AppConfig::m_iSpindleSpeeds[16] = {};
double AppConfig::m_fEndMillDia = 5.0;
quint32 AppConfig::m_iVelAccSamplingTime = 10000;
bool AppConfig::m_bAutoSpindleOnCW = false;
bool AppConfig::m_bAutoSpindleOnCCW = false;
bool AppConfig::m_bAutoSpindleOff = false;
double AppConfig::m_fAxisManualToolChngPos[AXIS_COUNT] = {-50, -50, 10, -50, 10};
bool AppConfig::m_bEnlManualToolChange = false;
bool AppConfig::m_bEnlAutoToolChange = false;
double AppConfig::m_fHomeRepeatOffset = 5.0;
bool AppConfig::m_bUseG01FeedForJog = false;

// ---- Working values ----
int AppConfig::m_iMchType = 3;
double AppConfig::m_fAxisFeed[AXIS_COUNT] = {15, 15, 15, 15, 15};
double AppConfig::m_fMinMaxAxisFeed = 25.0;
double AppConfig::m_fPlungeFeed = 10.0;
qint8 AppConfig::m_iAxisPulseOutput[AXIS_COUNT] = {2, 4, 27, 0, 0};
qint8 AppConfig::m_iAxisDirOutput[AXIS_COUNT] = {3, 17, 22, 0, 0};
qint8 AppConfig::m_iAxisMchHomeSensorInput[AXIS_COUNT] = {23, 24, 25, 0, 0};
qint8 AppConfig::m_iSpindlePwmOutput = 12;
qint8 AppConfig::m_iPgmStatusOutput = 7;
qint8 AppConfig::m_iEStopInput = 9;
qint8 AppConfig::m_iPgmStartInput = 10;
qint8 AppConfig::m_iZProbeInput = 21;
quint8 AppConfig::m_PlaneSel = 17;
QMap<quint16, qint8> AppConfig::m_lstMCodesPin;
QMap<quint8, quint8> AppConfig::m_lstIPs;
QString AppConfig::m_strAxisNames[AXIS_COUNT] = {QStringLiteral("X-Axis"), QStringLiteral("Y-Axis"),
                                                 QStringLiteral("Z-Axis"), QStringLiteral("A-Axis"),
                                                 QStringLiteral("B-Axis")};
QString AppConfig::m_strLastFolderPath = HOME_FOLDER;
stZProfileInfo AppConfig::m_ZProfileInfo;
bool AppConfig::m_bUseZProfile = false;
bool AppConfig::m_bMultipassImgCarving = true;
std::atomic<bool> AppConfig::m_bEmergencyStopON{false};
std::atomic<bool> AppConfig::m_bSimulationMode{false};
std::atomic<bool> AppConfig::m_bSpindleOn{false};
std::atomic<bool> AppConfig::m_bSpindleDirInGcode{false};
std::atomic<bool> AppConfig::m_bSpindleOnOffStatusChangeInGCode{false};
int AppConfig::m_iGCodeFileReaderCurIndex = 0;
QString AppConfig::m_strErrorMsg;

namespace {
// The settings file is a Qt 4.0 data stream (version 7), big-endian.
constexpr int STREAM_VERSION = 7;
// Loading and saving may meet: the Save Settings button on the GUI thread and
// setting a work zero on the controller's thread.
QRecursiveMutex g_FileMutex;
// A real settings file is well under a kilobyte; anything this big is not one.
constexpr qint64 MAX_FILE_SIZE = 64 * 1024;
// The version tag at the head of the file is a short text such as "Ver4.0".
constexpr int MAX_VERSION_LENGTH = 32;

// The field encodings of the file, one per direction. Bools, enumerations and
// the reference corner are single bytes; everything else is written as the
// data stream writes its type (u16, s16, u32, f64, QString).
// Arrays are streamed element by element in axis order, either way.
template <class Io> class CFieldArrays
{
public:
    template <class T, std::size_t N> void Byte(T (&values)[N])
    {
        for (T& v : values)
            static_cast<Io*>(this)->Byte(v);
    }
    template <class T, std::size_t N> void Value(T (&values)[N])
    {
        for (T& v : values)
            static_cast<Io*>(this)->Value(v);
    }
};

class CFieldWriter : public CFieldArrays<CFieldWriter>
{
public:
    explicit CFieldWriter(QDataStream& stream) : m_Stream(stream) {}
    using CFieldArrays::Byte;
    using CFieldArrays::Value;
    template <class T> void Byte(T& value) { m_Stream << quint8(value); }
    template <class T> void Value(T& value) { m_Stream << value; }

private:
    QDataStream& m_Stream;
};

class CFieldReader : public CFieldArrays<CFieldReader>
{
public:
    explicit CFieldReader(QDataStream& stream) : m_Stream(stream) {}
    using CFieldArrays::Byte;
    using CFieldArrays::Value;
    // Any non-zero byte is a set flag; an enumeration takes the byte's value.
    template <class T> void Byte(T& value)
    {
        quint8 byte = 0;
        m_Stream >> byte;
        value = T(byte);
    }
    template <class T> void Value(T& value) { m_Stream >> value; }

private:
    QDataStream& m_Stream;
};

// The tags of the older layouts this program reads and upgrades, each the
// current layout without field 43 (jogging at the G01 feed). Only these exact
// texts count: a version tag with a flipped bit ("Ver0.0") is a damaged file,
// not an older one, and must not be read in another layout and rewritten.
const char* const OLDER_VERSION_TAGS[] = {"Ver3.0"};

bool IsOlderVersion(const QString& strTag)
{
    for (const char* pTag : OLDER_VERSION_TAGS)
        if (strTag == QLatin1String(pTag))
            return true;
    return false;
}

bool IsPlainText(const QString& strText)
{
    for (QChar c : strText)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return true;
}

bool AllPositive(const double (&values)[AXIS_COUNT])
{
    for (double v : values)
        if (!(v > 0.0) || !std::isfinite(v))
            return false;
    return true;
}

bool IsDirection(eDirection eDir)
{
    return eDir == DIR_CW || eDir == DIR_CCW;
}

bool AllFinite(const double (&values)[AXIS_COUNT])
{
    for (double v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}

}

AppConfig::AppConfig()
{
    for (int i = 0; i < 16; ++i)
        m_iSpindleSpeeds[i] = qint16((i + 1) * 1000);
}

// Fields 2 to 43 of the settings file, in file order. Field 43 is left out
// for files of an older version.
template <class Io> void AppConfig::StreamFields(Io& io, bool bWithLastField)
{
    io.Byte(m_eDiradiCtrl);                                  // 2
    io.Byte(m_bHomeSensorsUsed);                             // 3
    io.Byte(m_bPWMCtrlUsed);                                 // 4
    io.Byte(m_bKeyboardCtrlUsed);                            // 5
    io.Value(m_stPwmSpndlSettings.m_nMinFreq);               // 6
    io.Value(m_stPwmSpndlSettings.m_nMaxFreq);
    io.Value(m_stPwmSpndlSettings.m_nFreqStep);
    io.Value(m_stPwmSpndlSettings.m_nSpindleDelay);
    io.Value(m_fMaxAxisFeed);                                // 7
    io.Value(m_fUserAxisFeed);                               // 8
    io.Value(m_fAxisFeedPercent);                            // 9
    io.Value(m_fAxisAcc);                                    // 10
    io.Value(m_fAxisRateOfAcc);                              // 11
    io.Value(m_fAxisMovPerPulse);                            // 12
    io.Value(m_fAxisWorkZero);                               // 13
    io.Value(m_fAxisPosDirLimit);                            // 14
    io.Value(m_fAxisNegDirLimit);                            // 15
    io.Byte(m_bAppPassword);                                 // 16
    io.Value(m_strAppPassword);                              // 17
    io.Byte(m_eSelUnits);                                    // 18
    io.Byte(m_bShutdownRPI);                                 // 19
    io.Value(m_fAxisHomeFeed);                               // 20
    io.Value(m_fAxisJogFeed);                                // 21
    io.Byte(m_eAxisPosDir);                                  // 22
    io.Byte(m_eAxisHomeDir);                                 // 23
    io.Value(m_fAxisDutyCycle);                              // 24
    io.Byte(m_eAxisFeedtype);                                // 25
    io.Value(m_fZSafePos);                                   // 26
    io.Byte(m_bAutoHmOnStartup);                             // 27
    io.Byte(m_GCodeRunSettings.m_iHomeRef);                  // 28
    io.Byte(m_GCodeRunSettings.m_bUsePrgmFeed);              // 29
    io.Byte(m_GCodeRunSettings.m_bSaveExecStatus);           // 30
    io.Byte(m_GCodeRunSettings.m_bUsePrgmSpindleSpeed);      // 31
    io.Value(m_GCodeRunSettings.m_fAxisStep);                // 32
    io.Value(m_iSpindleSpeeds);                              // 33
    io.Value(m_fEndMillDia);                                 // 34
    io.Value(m_iVelAccSamplingTime);                         // 35
    io.Byte(m_bAutoSpindleOnCW);                             // 36
    io.Byte(m_bAutoSpindleOnCCW);                            // 37
    io.Byte(m_bAutoSpindleOff);                              // 38
    io.Value(m_fAxisManualToolChngPos);                      // 39
    io.Byte(m_bEnlManualToolChange);                         // 40
    io.Byte(m_bEnlAutoToolChange);                           // 41
    io.Value(m_fHomeRepeatOffset);                           // 42
    if (bWithLastField)
        io.Byte(m_bUseG01FeedForJog);                        // 43
}

// The whole file as it is written from the values in memory.
QByteArray AppConfig::WriteAll()
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(STREAM_VERSION);
    out << SOFTWARE_VERSION;
    CFieldWriter writer(out);
    StreamFields(writer, true);
    return data;
}

// Values the step generators, the feed split and the spindle slider divide
// by must be positive; a file that holds anything else is not trusted.
QString AppConfig::CheckValues()
{
    if (m_eDiradiCtrl < CTRL_KIVQ10 || m_eDiradiCtrl > CTRL_SPI_V3)
        return QStringLiteral("unknown controller kind %1").arg(int(m_eDiradiCtrl));
    if (!AllPositive(m_fMaxAxisFeed) || !AllPositive(m_fUserAxisFeed) || !AllPositive(m_fAxisFeedPercent) ||
        !AllPositive(m_fAxisHomeFeed) || !AllPositive(m_fAxisJogFeed))
        return QStringLiteral("a feed is zero or negative");
    if (!AllPositive(m_fAxisAcc) || !AllPositive(m_fAxisRateOfAcc))
        return QStringLiteral("an acceleration is zero or negative");
    if (!AllPositive(m_fAxisMovPerPulse))
        return QStringLiteral("a travel per pulse is zero or negative");
    for (double duty : m_fAxisDutyCycle)
        if (!(duty > 0.0 && duty <= 1.0))
            return QStringLiteral("a step duty cycle is not between zero and 1");
    if (m_iVelAccSamplingTime == 0)
        return QStringLiteral("the sampling time is zero");
    if (!(m_GCodeRunSettings.m_fAxisStep > 0.0) || !std::isfinite(m_GCodeRunSettings.m_fAxisStep))
        return QStringLiteral("the arc step is zero or negative");
    if (m_eSelUnits != UNITS_MM && m_eSelUnits != UNITS_INCH)
        return QStringLiteral("unknown length unit %1").arg(int(m_eSelUnits));
    for (int i = 0; i < AXIS_COUNT; ++i)
        if (!IsDirection(m_eAxisPosDir[i]) || !IsDirection(m_eAxisHomeDir[i]))
            return QStringLiteral("an axis direction is neither 0 nor 1");
    // The tool-path drawing's work-zero corner: 0, 2, 4, 6 (the four corners)
    // or 8 (the centre).
    const int iHomeRef = m_GCodeRunSettings.m_iHomeRef;
    if (iHomeRef < 0 || iHomeRef > 8 || iHomeRef % 2 != 0)
        return QStringLiteral("unknown work-zero corner %1").arg(iHomeRef);
    if (!AllFinite(m_fAxisWorkZero) || !AllFinite(m_fAxisPosDirLimit) || !AllFinite(m_fAxisNegDirLimit) ||
        !AllFinite(m_fAxisManualToolChngPos) || !std::isfinite(m_fZSafePos) || !std::isfinite(m_fEndMillDia) ||
        !std::isfinite(m_fHomeRepeatOffset))
        return QStringLiteral("a position is not a number");
    return QString();
}

void AppConfig::InstallPinAssignment(eKivController eCtrl)
{
    // Start from the common part of every pin-out, then add the controller's.
    static const qint8 pulse[AXIS_COUNT] = {2, 4, 27, 0, 0};
    static const qint8 dir[AXIS_COUNT] = {3, 17, 22, 0, 0};
    static const qint8 home[AXIS_COUNT] = {23, 24, 25, 0, 0};
    for (int i = 0; i < AXIS_COUNT; ++i) {
        m_iAxisPulseOutput[i] = pulse[i];
        m_iAxisDirOutput[i] = dir[i];
        m_iAxisMchHomeSensorInput[i] = home[i];
    }
    m_iEStopInput = 9;
    m_iPgmStartInput = 10;
    m_iZProbeInput = 21;
    m_iMchType = 3;
    m_lstMCodesPin.clear();
    m_lstIPs.clear();

    if (eCtrl != CTRL_KIVQ10 && eCtrl != CTRL_KIVQ20)
        return; // the SPI board has its own outputs and inputs

    if (eCtrl == CTRL_KIVQ10) {
        // Three axes: pins 5, 6, 13, 14, 15, 18 are M-code outputs.
        m_lstMCodesPin[200] = 5;
        m_lstMCodesPin[202] = 6;
        m_lstMCodesPin[204] = 13;
        m_lstMCodesPin[206] = 14;
        m_lstMCodesPin[208] = 15;
        m_lstMCodesPin[210] = 18;
    } else {
        // Five axes: the same pins drive the A and B axes.
        m_iAxisPulseOutput[A_AXIS] = 5;
        m_iAxisDirOutput[A_AXIS] = 6;
        m_iAxisMchHomeSensorInput[A_AXIS] = 13;
        m_iAxisPulseOutput[B_AXIS] = 14;
        m_iAxisDirOutput[B_AXIS] = 15;
        m_iAxisMchHomeSensorInput[B_AXIS] = 18;
        m_iMchType = 5;
    }
    m_lstMCodesPin[3] = 8;   // spindle clockwise
    m_lstMCodesPin[4] = 9;   // spindle counter-clockwise
    m_lstMCodesPin[7] = 10;  // mist coolant
    m_lstMCodesPin[8] = 11;  // flood coolant
    m_lstMCodesPin[80] = 26;
    m_iEStopInput = 20;
    m_iPgmStartInput = 16;
    m_iZProbeInput = 21;
    m_lstIPs[1] = 19;
}

void AppConfig::DeriveValues()
{
    // PWM frequency that the linear rpm-to-frequency rule gives for 1000 rpm.
    stPwmSpindleSettings& pwm = m_stPwmSpndlSettings;
    const quint16 dF = quint16(pwm.m_nMaxFreq - pwm.m_nMinFreq);
    const quint16 dR = quint16(pwm.m_nMaxRpm - pwm.m_nMinRpm);
    if (dR == 0) {
        pwm.m_nCurFreq = pwm.m_nMinFreq;
    } else {
        const double freq = pwm.m_nMinFreq + (1000.0 - pwm.m_nMinRpm) * dF / dR;
        pwm.m_nCurFreq = freq <= 0.0 ? 0 : freq >= 65535.0 ? 65535 : quint16(freq);
    }

    for (int i = 0; i < AXIS_COUNT; ++i)
        m_fAxisFeed[i] = m_fUserAxisFeed[i] * m_fAxisFeedPercent[i];
    DeriveRapidFeed();
    m_fPlungeFeed = m_fUserAxisFeed[Z_AXIS];
}

void AppConfig::DeriveRapidFeed()
{
    const int nAxes = AxesInUse();
    m_fMinMaxAxisFeed = m_fMaxAxisFeed[X_AXIS];
    for (int i = 1; i < nAxes; ++i)
        if (m_fMaxAxisFeed[i] < m_fMinMaxAxisFeed)
            m_fMinMaxAxisFeed = m_fMaxAxisFeed[i];
}

// Only a file of this version, or of an older layout this program knows by
// its exact tag and whose size fits that layout, is read; the older one is
// rewritten at once in this version, and only when its values pass their
// checks. Anything else is refused with the reason in m_strErrorMsg.
int AppConfig::LoadConfig(QString path)
{
    QMutexLocker lock(&g_FileMutex);
    m_strErrorMsg.clear();
    if (!QFileInfo::exists(path))
        CreateConfigFile(path); // a fresh installation gets every default

    // When the file is refused the program runs on with the settings in
    // memory; its pins (emergency stop, program start, probe, M-code outputs)
    // must then be those of the controller kind in memory, not the bare
    // defaults, or the emergency-stop switch would go unread.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString strBox = QStringLiteral("Unable to open Config File");
        m_strErrorMsg = strBox + QStringLiteral(" %1: %2").arg(path, file.errorString());
        InstallPinAssignment(m_eDiradiCtrl);
        CPrompter::Instance().Critical(nullptr, QStringLiteral("Critical error"), strBox, QMessageBox::Abort);
        return 0;
    }
    if (file.size() > MAX_FILE_SIZE) {
        m_strErrorMsg = QStringLiteral("Settings file %1 is too large to be a settings file").arg(path);
        InstallPinAssignment(m_eDiradiCtrl);
        return 0;
    }
    const QByteArray data = file.readAll();
    file.close();

    // What is in memory now, to put back if the file turns out to be bad.
    const QByteArray previous = WriteAll();

    QString strFault;
    bool bCurrentVersion = false;
    try {
        QDataStream in(data);
        in.setVersion(STREAM_VERSION);
        QString strVersion;
        in >> strVersion;
        if (in.status() != QDataStream::Ok || strVersion.isEmpty() || strVersion.size() > MAX_VERSION_LENGTH) {
            strFault = QStringLiteral("no version tag at its head");
        } else if (strVersion != SOFTWARE_VERSION && !IsOlderVersion(strVersion)) {
            // Rewriting it as an older file would lose the operator's bytes.
            // Quoted only when it is plain text: a damaged tag shows as noise.
            strFault = IsPlainText(strVersion)
                           ? QStringLiteral("its version tag \"%1\" is not one this program knows").arg(strVersion)
                           : QStringLiteral("its version tag is not one this program knows");
        } else {
            bCurrentVersion = strVersion == SOFTWARE_VERSION;
            CFieldReader reader(in);
            StreamFields(reader, bCurrentVersion);
            // The file must end with the last field of its layout: bytes left
            // over mean a damaged file, or one of another layout.
            if (in.status() != QDataStream::Ok)
                strFault = QStringLiteral("it is cut short or damaged");
            else if (!in.atEnd())
                strFault = QStringLiteral("it is damaged: %1 byte(s) left over after its last field")
                               .arg(data.size() - in.device()->pos());
            else
                strFault = CheckValues();
        }
    } catch (...) {
        strFault = QStringLiteral("it could not be read");
    }

    if (!strFault.isEmpty()) {
        QDataStream back(previous);
        back.setVersion(STREAM_VERSION);
        QString strVersion;
        back >> strVersion;
        CFieldReader reader(back);
        StreamFields(reader, true);
        m_strErrorMsg = QStringLiteral("Settings file %1 was not loaded: %2").arg(path, strFault);
        InstallPinAssignment(m_eDiradiCtrl);
        return 0;
    }

    InstallPinAssignment(m_eDiradiCtrl);
    DeriveValues();

    // A file of an older version is rewritten at once in this version, with
    // the last field taken from memory.
    if (!bCurrentVersion && !SaveConfig(path))
        qWarning("%s", qPrintable(m_strErrorMsg));
    return 1;
}

bool AppConfig::SaveConfig(QString path)
{
    QMutexLocker lock(&g_FileMutex);
    m_strErrorMsg.clear();
    const QByteArray data = WriteAll();

    QString strWhy;
    if (!CFileSaver::Save(path, data, &strWhy)) {
        m_strErrorMsg = QStringLiteral("Unable to write settings file %1: %2").arg(path, strWhy);
        return false;
    }
    return true;
}

bool AppConfig::CreateConfigFile(QString path)
{
    return SaveConfig(path);
}

QString AppConfig::GetErrorMsg()
{
    QMutexLocker lock(&g_FileMutex);
    return m_strErrorMsg;
}
