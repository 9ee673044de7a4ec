#pragma once
// Constants every unit of the program sees: version, folders, file paths and
// the button style sheets. Files inside the working folder are reached through
// CAppPaths (core/AppPaths.h), which tests point at a temporary folder.
#include <QString>

inline const QString SOFTWARE_VERSION = QStringLiteral("Ver4.0");
inline const QString HOME_FOLDER = QStringLiteral("/home/diradi");
inline const QString WORKING_FOLDER = QStringLiteral("/home/diradi/DIR_ADI");
inline const QString CONFIG_FILE = WORKING_FOLDER + QStringLiteral("/DIR_ADI.dat");
inline const QString GCODE_EXEC_STATUS_FILE = WORKING_FOLDER + QStringLiteral("/GCodeStatus.dat");

inline const QString BTN_BKGND_GRAY = QStringLiteral(
    ":enabled {background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, "
    "stop:0 rgba(255, 255, 255, 255), stop:1 rgba(100, 100, 100, 255));border-style: solid;border-width: "
    "2px;border-color: black;}\n"
    ":disabled{background-color:rgb(124,124, 124);color:rgb(0, 0, 0);}");
inline const QString BTN_BKGND_BLUE = QStringLiteral(
    "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, "
    "stop:0 rgba(255, 255, 255, 255), stop:1 rgba(0, 0, 255, 255));border-style: solid;border-width: "
    "2px;border-color: black;");
inline const QString BTN_BKGND_GREEN = QStringLiteral(
    "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, "
    "stop:0 rgba(255, 255, 255, 255), stop:1 rgba(0, 100, 0, 255));border-style: solid;border-width: "
    "2px;border-color: black;");
inline const QString BTN_BKGND_RED = QStringLiteral(
    "background-color: qradialgradient(spread:pad, cx:0.5, cy:0.5, radius:0.8, fx:0.5, fy:0.5, "
    "stop:0 rgba(255, 255, 255, 255), stop:1 rgba(255, 0, 0, 255));border-style: solid;border-width: "
    "2px;border-color: black;");
inline const QString BTN_BKGND_START = QStringLiteral("color: rgb(255, 255, 255);background-color: rgb(0, 100, 0);");
inline const QString BTN_BKGND_PAUSE = QStringLiteral("color: rgb(255, 255, 255);background-color: rgb(150, 100, 0);");

// A machine or work position (mm or degrees); elsewhere a {minimum, maximum}
// pair for number entry, with x the minimum and y the maximum.
struct stFloatPoint
{
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double a = 0.0;
    double b = 0.0;
    stFloatPoint() = default;
};

// A {minimum, maximum} pair for number entry.
inline stFloatPoint KeypadRange(double fMin, double fMax)
{
    stFloatPoint range;
    range.x = fMin;
    range.y = fMax;
    return range;
}

// Axis index; every per-axis setting is an array of five in this order.
enum eAxis : int { X_AXIS = 0, Y_AXIS = 1, Z_AXIS = 2, A_AXIS = 3, B_AXIS = 4 };
constexpr int AXIS_COUNT = 5;

// Two-valued direction (a direction-pin level); for the spindle 0 is
// clockwise (M03) and 1 counter-clockwise (M04).
enum eDirection : int { DIR_CW = 0, DIR_CCW = 1 };

// Kind of a log line, which sets its colour: information green, notice white,
// error orange.
enum eAppMsgType : int { MSG_INFO = 0, MSG_WARNING = 1, MSG_ERROR = 2 };

// Modal move kind of a G-code program.
enum eGMoveCmnd : int { CMND_G00 = 0, CMND_G01 = 1, CMND_G02 = 2, CMND_G03 = 3 };

// Controller kind: the Raspberry Pi's own pins for three or five axes, or a
// version of the SPI I/O board.
enum eKivController : int { CTRL_KIVQ10 = 0, CTRL_KIVQ20 = 1, CTRL_SPI_V2 = 2, CTRL_SPI_V3 = 3 };

// Length units of the G-code program (G21 / G20).
enum eSelUnits : int { UNITS_MM = 0, UNITS_INCH = 1 };

// Ramp of the step generators: 1 is the S-curve (jerk limited) ramp, any
// other value the linear ramp.
enum eAxisFeedType : int { FEED_LINEAR = 0, FEED_SCURVE = 1 };
