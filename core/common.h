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
