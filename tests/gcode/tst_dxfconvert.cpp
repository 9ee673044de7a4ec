// The dxf-convert command-line driver: exit status and messages.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestDxfConvert : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Dir;

    // Runs the driver; returns its exit status, its error output in `err`.
    int Run(const QStringList& args, QString* err = nullptr)
    {
        QProcess proc;
        proc.start(QString(DIRADI_TOOLS_DIR) + "/dxf-convert", args);
        if (!proc.waitForFinished(30000) || proc.exitStatus() != QProcess::NormalExit)
            return -1;
        if (err)
            *err = QString::fromUtf8(proc.readAllStandardError());
        return proc.exitCode();
    }

    QString Write(const QString& name, const QByteArray& text)
    {
        const QString path = m_Dir.filePath(name);
        QFile f(path);
        if (f.open(QIODevice::WriteOnly))
            f.write(text);
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(m_Dir.isValid()); }

    void exitStatus_data()
    {
        QTest::addColumn<QByteArray>("drawing");
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        const QByteArray line = "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n5\n21\n0\n0\nENDSEC\n0\nEOF\n";
        QTest::newRow("written") << line << QStringList{"3", "1", "2.5", "600", "5"} << 0
                                 << "Converted 1 path(s). Output: %1\n";
        QTest::newRow("nothing to cut") << QByteArray("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n")
                                        << QStringList{"3", "1", "2.5", "600", "5"} << 1
                                        << "No supported entities (LINE/LWPOLYLINE/ARC) found.\n";
        QByteArray noEnd = line;
        noEnd.replace("11\n5\n21\n0\n", "");
        QTest::newRow("line without its end point") << noEnd << QStringList{"3", "1", "2.5", "600", "5"} << 1
                                                    << "No supported entities (LINE/LWPOLYLINE/ARC) found.\n"
                                                       "Left out, incomplete: 1 LINE without its end point.\n";
        QTest::newRow("zero depth") << line << QStringList{"3", "1", "0", "600", "5"} << 1
                                    << "Invalid numeric parameters.\n";
        QTest::newRow("coordinate of 1e308")
            << QByteArray("0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n0\n20\n0\n11\n1e308\n21\n0\n0\nENDSEC\n0\nEOF\n")
            << QStringList{"3", "1", "2.5", "600", "5"} << 1
            << "Invalid DXF: a coordinate or radius lies beyond +-214748.3647 mm, the machine's length range.\n";
        QTest::newRow("safe Z below the work surface") << line << QStringList{"3", "1", "2.5", "600", "-10"} << 1
                                                       << "Invalid numeric parameters.\n";
        QTest::newRow("decimal comma") << line << QStringList{"3", "0,5", "2", "600", "5"} << 2 << "";
        QTest::newRow("missing argument") << line << QStringList{"3", "1", "2", "600"} << 2 << "";
    }
    void exitStatus()
    {
        QFETCH(QByteArray, drawing);
        QFETCH(QStringList, numbers);
        QFETCH(int, status);
        QFETCH(QString, message);
        const QString file = Write("part.dxf", drawing);
        const QString program = m_Dir.filePath("part..ncc");
        QFile::remove(program);
        QString err;
        QCOMPARE(Run(QStringList{file} + numbers, &err), status);
        if (status == 2)
            QVERIFY2(err.contains("usage: "), qPrintable(err));
        else
            QCOMPARE(err, message.arg(program));
        QCOMPARE(QFile::exists(program), status == 0);
        if (status == 0) {
            QFile f(program);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QVERIFY(f.readAll().endsWith("G0 Z5.0000\nM30\n"));
        }
    }
};

QTEST_MAIN(TestDxfConvert)
#include "tst_dxfconvert.moc"
