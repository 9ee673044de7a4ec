#pragma once
// The process-wide settings store: public statics read and written directly
// by every part of the program, and the binary settings file that keeps the
// persistent ones (CONFIG_FILE, reached through CAppPaths::ConfigFile()).
#include "core/common.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVector>
#include <QtGlobal>
#include <atomic>

class QDataStream;

// How G-code programs are run.
struct stGCodeRunSettings
{
    int m_iDistMode = 0;                 // 0 absolute (G90), 1 incremental (G91)
    eGMoveCmnd m_eMoveCmnd = CMND_G00;   // modal move
    int m_iHomeRef = 6;                  // work-zero corner of the tool-path drawing:
                                         // 0 top left, 2 top right, 4 bottom right, 6 bottom left, 8 centre
    double m_fFeed = 40.0;               // program feed, mm/s
    bool m_bUsePrgmFeed = false;         // the program's F words set the feed
    bool m_bSaveExecStatus = false;      // save the execution status while running
    bool m_bUsePrgmSpindleSpeed = false; // the program's S words drive the spindle PWM
    QString m_strGCodeFile;              // program file
    int m_uiStartLine = 0;               // start line index
    double m_fAxisStep = 0.1;            // arc interpolation step, mm
};

// Spindle speed by hardware PWM frequency.
struct stPwmSpindleSettings
{
    quint16 m_nMinFreq = 100;      // PWM frequency (Hz) at the minimum speed
    quint16 m_nMaxFreq = 3000;     // PWM frequency (Hz) at the maximum speed
    quint16 m_nFreqStep = 100;     // Hz per step of the spindle slider
    quint16 m_nMinRpm = 1000;      // fixed
    quint16 m_nMaxRpm = 24000;     // fixed
    quint16 m_nSpindleDelay = 100; // wait after a speed change, ms
    quint16 m_nCurFreq = 0;        // current PWM frequency, Hz
};

// Z height profile: probing parameters and the probed grid (rows of points).
struct stZProfileInfo
{
    double m_fZRange = 3.0;    // probe travel range
    double m_fXYStep = 10.0;   // grid step
    double m_fLength = 150.0;  // X extent
    double m_fWidth = 150.0;   // Y extent
    double m_fZOffset = 0.0;   // added to every probed Z
    QVector<QVector<stFloatPoint>> m_lstGrid;
};

class AppConfig
{
public:
    // Sets the spindle speed table to 1000, 2000 ... 16000 rpm. The store is
    // static only; no object of it is made, so the table starts at zero until
    // a settings file supplies it.
    AppConfig();

    // Reads the settings file at `path` (writing the values in memory first
    // when there is no file), installs the pin assignment of the controller
    // kind and derives the working feeds and the PWM frequency. Returns 1 on
    // success. Returns 0 when the file cannot be opened (after a "Critical
    // error" box) or is cut short or holds nonsense; then no setting in
    // memory changes (the pins are installed for the controller kind in
    // memory) and the file is left alone. A file of an older version is read
    // for all but its last field and rewritten at once in this version.
    static int LoadConfig(QString path);
    // Writes every persistent setting to `path` through a temporary file
    // renamed over the old one; false (old file untouched) when it fails.
    static bool SaveConfig(QString path);
    // Same as SaveConfig: writes the file from the values in memory.
    static bool CreateConfigFile(QString path);
    // Why the last LoadConfig or SaveConfig failed (empty after success).
    static QString GetErrorMsg();
    // Installs the pins, M-code outputs and inputs of controller kind `eCtrl`
    // (done by LoadConfig after reading the controller kind).
    static void InstallPinAssignment(eKivController eCtrl);
    // The working feeds, smallest maximum feed and plunge feed from the
    // stored feeds, and the PWM frequency for 1000 rpm (done by LoadConfig).
    static void DeriveValues();
    // The rapid feed of coordinated moves: the smallest maximum feed of the
    // axes in use (X, Y, Z, and A and B on a five-axis machine). An axis
    // that is not fitted, whose maximum feed cannot even be edited, does not
    // slow the machine down.
    static void DeriveRapidFeed();
    // How many axes the machine drives: 5 on a five-axis machine (X, Y, Z,
    // A, B), else 3 (X, Y, Z).
    static int AxesInUse() { return m_iMchType == 5 ? AXIS_COUNT : 3; }

    // ---- Persistent settings (in the settings file, in this order) ----
    static eKivController m_eDiradiCtrl;
    static bool m_bHomeSensorsUsed;
    static bool m_bPWMCtrlUsed;
    static bool m_bKeyboardCtrlUsed;
    static stPwmSpindleSettings m_stPwmSpndlSettings;
    static double m_fMaxAxisFeed[AXIS_COUNT];
    static double m_fUserAxisFeed[AXIS_COUNT];
    static double m_fAxisFeedPercent[AXIS_COUNT]; // 1.0 = 100 %
    static double m_fAxisAcc[AXIS_COUNT];
    static double m_fAxisRateOfAcc[AXIS_COUNT];   // jerk of the S-curve ramp
    static double m_fAxisMovPerPulse[AXIS_COUNT]; // travel per step pulse
    static double m_fAxisWorkZero[AXIS_COUNT];    // work zero in machine coordinates
    static double m_fAxisPosDirLimit[AXIS_COUNT];
    static double m_fAxisNegDirLimit[AXIS_COUNT];
    static bool m_bAppPassword;                   // machine settings locked
    static QString m_strAppPassword;              // six decimal digits
    static eSelUnits m_eSelUnits;
    static bool m_bShutdownRPI;                   // shut the computer down after an operation
    static double m_fAxisHomeFeed[AXIS_COUNT];    // slow second homing approach
    static double m_fAxisJogFeed[AXIS_COUNT];     // jog, first homing approach
    static eDirection m_eAxisPosDir[AXIS_COUNT];  // direction-pin level that means positive
    static eDirection m_eAxisHomeDir[AXIS_COUNT];
    static double m_fAxisDutyCycle[AXIS_COUNT];   // step pulse high fraction
    static eAxisFeedType m_eAxisFeedtype;         // 1 S-curve ramp, else linear
    static double m_fZSafePos;
    static bool m_bAutoHmOnStartup;
    static stGCodeRunSettings m_GCodeRunSettings; // m_iHomeRef, m_bUsePrgmFeed, m_bSaveExecStatus,
                                                  // m_bUsePrgmSpindleSpeed, m_fAxisStep stored
    static qint16 m_iSpindleSpeeds[16];           // rpm of S0..S15
    static double m_fEndMillDia;
    static quint32 m_iVelAccSamplingTime;         // microseconds
    static bool m_bAutoSpindleOnCW;
    static bool m_bAutoSpindleOnCCW;
    static bool m_bAutoSpindleOff;
    static double m_fAxisManualToolChngPos[AXIS_COUNT];
    static bool m_bEnlManualToolChange;
    static bool m_bEnlAutoToolChange;
    static double m_fHomeRepeatOffset;            // homing back-off; 0 = single approach
    static bool m_bUseG01FeedForJog;

    // ---- Working values (not stored) ----
    static int m_iMchType;                        // axes in use: 3 or 5
    static double m_fAxisFeed[AXIS_COUNT];        // effective working feed
    static double m_fMinMaxAxisFeed;              // smallest maximum feed
    static double m_fPlungeFeed;                  // Z plunge feed
    // Pins are BCM GPIO numbers; a negative pin is not fitted.
    static qint8 m_iAxisPulseOutput[AXIS_COUNT];
    static qint8 m_iAxisDirOutput[AXIS_COUNT];
    static qint8 m_iAxisMchHomeSensorInput[AXIS_COUNT];
    static qint8 m_iSpindlePwmOutput;
    static qint8 m_iPgmStatusOutput;
    static qint8 m_iEStopInput;
    static qint8 m_iPgmStartInput;
    static qint8 m_iZProbeInput;
    static quint8 m_PlaneSel;                     // arc plane 17, 18 or 19
    static QMap<quint16, qint8> m_lstMCodesPin;   // M number -> output pin
    static QMap<quint8, quint8> m_lstIPs;         // M66 input number -> input pin
    static QString m_strAxisNames[AXIS_COUNT];
    static QString m_strLastFolderPath;
    static stZProfileInfo m_ZProfileInfo;
    static bool m_bUseZProfile;
    static bool m_bMultipassImgCarving;
    // Flags that the pulse loops and the controller poll while another
    // thread sets them.
    static std::atomic<bool> m_bEmergencyStopON;
    static std::atomic<bool> m_bSimulationMode;   // no pin is driven
    static std::atomic<bool> m_bSpindleOn;
    static std::atomic<bool> m_bSpindleDirInGcode; // last M03 (false) or M04 (true)
    static std::atomic<bool> m_bSpindleOnOffStatusChangeInGCode;
    static int m_iGCodeFileReaderCurIndex;

private:
    template <class Io> static void StreamFields(Io& io, bool bWithLastField);
    static QByteArray WriteAll();
    static QString CheckValues();
    static QString m_strErrorMsg;
};
