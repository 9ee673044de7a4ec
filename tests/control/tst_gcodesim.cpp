// The gcode-sim driver: a program file in, one line per segment and the
// controller's messages out, in a stable format.
#include <QtTest>

#include "gcode/gcodechecker.h"
#include "gcode/gcodeprogram.h"
#include "testsupport.h"

class TestGCodeSim : public QObject
{
    Q_OBJECT

    QString Run(const QString& strProgram, const QStringList& extraFiles = {}, int* pExit = nullptr)
    {
        QTemporaryDir dir;
        const QString strPath = dir.filePath("part.ncc");
        QFile file(strPath);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(strProgram.toLatin1());
        file.close();
        for (int i = 0; i + 1 < extraFiles.size(); i += 2) {
            QFile extra(dir.filePath(extraFiles[i]));
            if (extra.open(QIODevice::WriteOnly))
                extra.write(extraFiles[i + 1].toLatin1());
        }
        QProcess sim;
        sim.start(QStringLiteral(DIRADI_TOOLS_DIR "/gcode-sim"), {strPath});
        if (!sim.waitForFinished(60000))
            return QStringLiteral("timeout");
        if (pExit)
            *pExit = sim.exitCode();
        return QString::fromLocal8Bit(sim.readAllStandardOutput());
    }

private slots:
    void segmentsThenMessages()
    {
        int exitCode = -1;
        // M6 with neither tool-change form enabled waits for the operator,
        // whom the driver plays.
        const QString out = Run("G21 G90\nG00 X10 Y5\nG01 Z-1\nX20\nT4\nM6\nG0 Y-2.5\nK2\nG0 X0\n", {}, &exitCode);
        QCOMPARE(exitCode, 0);
        QCOMPARE(out, QString("G00 10.0000 5.0000 0.0000 0.0000 0.0000\n"
                              "G01 10.0000 5.0000 -1.0000 0.0000 0.0000\n"
                              "G01 20.0000 5.0000 -1.0000 0.0000 0.0000\n"
                              "G00 20.0000 -2.5000 -1.0000 0.0000 0.0000\n"
                              "info: Change tool and click start\n"
                              "error: Error:7 - Command/Format No Supported\n"));
    }

    // Programs as an operator brings them, from CAM post-processors and by
    // hand: each checks clean and runs to its end. `path` holds segments
    // that must be printed in this order (arcs print many more between them).
    void operatorProgramsCheckAndRun_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("path");
        QTest::newRow("CAM post, CR LF") // header comments, %, trailing points, F on the first cut
            << QString("%\r\n(PROGRAM: POCKET1)\r\n(T1  D=6. CR=0. - ZMIN=-3. - FLAT END MILL)\r\n"
                       "G90 G94 G17\r\nG21\r\nS12000 M3\r\nG0 Z15.\r\nG0 X-3.5 Y-3.5\r\nZ5.\r\n"
                       "G1 Z-1. F300.\r\nX50. F600.\r\nG3 X55. Y1.5 I0. J5.\r\nG1 Y40.\r\nG3 X50. Y45. I-5. J0.\r\n"
                       "G1 X.5\r\nX-0.5 Y-.5\r\nG0 Z15.\r\nM5\r\nM30\r\n%\r\n")
            << QStringList{"G00 0.0000 0.0000 15.0000", "G00 -3.5000 -3.5000 15.0000", "G01 -3.5000 -3.5000 -1.0000",
                           "G01 50.0000 -3.5000 -1.0000", "G01 55.0000 1.5000 -1.0000", "G01 55.0000 40.0000 -1.0000",
                           "G01 50.0000 45.0000 -1.0000", "G01 0.5000 45.0000 -1.0000",
                           "G01 -0.5000 -0.5000 -1.0000", "G00 -0.5000 -0.5000 15.0000"};
        QTest::newRow("hand-written") // line numbers, lower case, blanks, comments after the words
            << QString("; by hand\nN10 G21 G90 G17\nN20 g0 z5\nN30 M3 S8000\nN40 G1 Z-0.5 F100 (plunge)\n"
                       "N50 G1 X 10 . 5 Y0 F250\nN60 g1 x10.5 y10.\nN70 g02 x0.5 y10 i-5 j0\n"
                       "N80 G1X0Y0   ; back (to X9)\nN90 G91 G1 X5\nN100 G90\n\tN110 G0 Z5 (clear of Z)\nN120 M5\nN130 M30\n")
            << QStringList{"G00 0.0000 0.0000 5.0000", "G01 0.0000 0.0000 -0.5000", "G01 10.5000 0.0000 -0.5000",
                           "G01 10.5000 10.0000 -0.5000", "G01 0.5000 10.0000 -0.5000", "G01 0.0000 0.0000 -0.5000",
                           "G01 5.0000 0.0000 -0.5000", "G00 5.0000 0.0000 5.0000"};
        QTest::newRow("sub-programs and a dwell")
            << QString("(two squares)\nG21 G90\nG0 Z5\nN4 M66 Q50 (let the spindle settle)\nN5 M98 P100 L2 (twice)\nm97 n200 (lift)\nN30 M30\n\n"
                       "(sub-program: square)\nO100\nG91\nG1 Z-1 F100\nX10 F300\nY10\nX-10\nY-10\nG90\nM99\n"
                       "M30\nN200 G0 Z10\nM99\n")
            << QStringList{"G00 0.0000 0.0000 5.0000", "G01 0.0000 0.0000 4.0000", "G01 10.0000 10.0000 4.0000",
                           "G01 0.0000 0.0000 4.0000", "G01 0.0000 0.0000 3.0000", "G01 10.0000 10.0000 3.0000",
                           "G01 0.0000 0.0000 3.0000", "G00 0.0000 0.0000 10.0000"};
        QTest::newRow("inches")
            << QString("G20 G90\nG0 Z.2\nG1 X.5 F10\nX1. Y-.25\nG21\nM30\n")
            << QStringList{"G00 0.0000 0.0000 5.0800", "G01 12.7000 0.0000 5.0800", "G01 25.4000 -6.3500 5.0800"};
    }
    void operatorProgramsCheckAndRun()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, path);
        QTemporaryDir dir;
        const QString strPath = dir.filePath("part.ncc");
        QFile file(strPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(program.toLatin1());
        file.close();

        std::vector<QString> lines;
        GCodeCmdList cmds;
        QString why;
        QVERIFY2(CGCodeProgram::ReadProgramFile(strPath, lines, cmds, &why), qPrintable(why));
        GCodeErrorMap errors;
        CGCodeChecker::Check(cmds, errors, stGCodeCheckMachine{});
        QVERIFY2(errors.empty(), errors.empty() ? "" : errors.begin()->second.c_str());

        const QString out = Run(program);
        QVERIFY2(!out.contains("error:"), qPrintable(out));
        qsizetype from = 0;
        for (const QString& segment : path) {
            const qsizetype at = out.indexOf(segment + " 0.0000 0.0000\n", from);
            QVERIFY2(at >= 0, qPrintable(segment + " missing or out of order in:\n" + out));
            from = at + 1;
        }
    }

    void missingProgram()
    {
        QProcess sim;
        sim.start(QStringLiteral(DIRADI_TOOLS_DIR "/gcode-sim"), {"/nonexistent/part.ncc"});
        QVERIFY(sim.waitForFinished(60000));
        QCOMPARE(sim.exitCode(), 1);
        QVERIFY(!sim.readAllStandardError().isEmpty());
    }
};

QTEST_MAIN(TestGCodeSim)
#include "tst_gcodesim.moc"
