// The gcode-sim driver: a program file in, one line per segment and the
// controller's messages out, in a stable format.
#include <QtTest>

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
