#pragma once
// Runs a G-code program file through the gcode-sim driver (the program's own
// tokenizer, interpreter and run loop on the simulated machine) and returns
// the end "X Y Z" of every straight segment started, four decimals, in
// order; the driver's messages ("error: ...", "info: ...") follow as they
// are.
#include <QProcess>
#include <QString>
#include <QStringList>

inline QStringList RunGCodeSim(const QString& program)
{
    QProcess driver;
    driver.start(QStringLiteral(DIRADI_TOOLS_DIR "/gcode-sim"), {program});
    if (!driver.waitForFinished(120000))
        return {QStringLiteral("driver did not finish")};
    QStringList ends;
    for (const QString& line : QString::fromLocal8Bit(driver.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const QStringList words = line.split(' ');
        if (words.size() == 6 && (words[0] == "G00" || words[0] == "G01"))
            ends << QStringList{words[1], words[2], words[3]}.join(' ');
        else
            ends << line;
    }
    return ends;
}
