// Picture carving and shape cutting on the simulated machine: the controller's
// moves follow the same walk the G-code writers write, the operations end
// where the job ends with Z raised, and refused jobs and files are reported.
#include "control/AppControl.h"
#include "control/gcodewriter.h"
#include "control/machinesink.h"
#include "control/shapecutting.h"
#include "core/AppConfig.h"
#include "machine/allaxisctrl.h"
#include "recordingsink.h"
#include "simcontroller.h"

#include <QtTest>
#include <memory>

namespace {

// Records the moves it hands on to the machine.
class CTeeSink : public CMachineMoveSink
{
public:
    using CMachineMoveSink::CMachineMoveSink;
    bool Move(const stSinkMove& move) override
    {
        m_lstLines << CGCodeWriterSink::Line(move);
        return CMachineMoveSink::Move(move);
    }
    QStringList m_lstLines;
};

// 12 x 8 pixels over 12 x 8 mm, a 2 mm end mill and 1 mm steps: a dark
// diagonal band on white, with a grey square.
QImage Picture()
{
    QImage img(12, 8, QImage::Format_Grayscale8);
    img.fill(255);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x) {
            if (std::abs(x - y - 2) < 3)
                img.scanLine(y)[x] = uchar(40 * std::abs(x - y - 2));
            if (x >= 8 && y >= 4)
                img.scanLine(y)[x] = 120;
        }
    return img;
}

void LoadJob(AppControl& ctrl, int type)
{
    ctrl.m_ImgCarvingData.SetImage(Picture());
    stImgCarvingInfo& info = *ctrl.m_ImgCarvingData.m_pInfo;
    info.m_fLength = 12.0;
    info.m_fWidth = 8.0;
    info.m_fDepth = 2.0;
    info.m_fZStep = 0.75;
    info.m_fXStep = 1.0;
    info.m_fYStep = 1.0;
    info.m_iCarvingType = type;
    AppConfig::m_fEndMillDia = 2.0;
}

stFloatPoint Position(AppControl& ctrl)
{
    stFloatPoint pos;
    ctrl.GetAllAxisCurPos(pos);
    return pos;
}

QString Text(const stFloatPoint& p)
{
    return QStringLiteral("%1 %2 %3").arg(p.x, 0, 'f', 4).arg(p.y, 0, 'f', 4).arg(p.z, 0, 'f', 4);
}

stFloatPoint P(double x, double y)
{
    return stSinkMove::At(x, y, 0.0);
}

} // namespace

class TestCarvingMachine : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_pSetup = std::make_unique<CSimControllerSetup>(); }
    void cleanup() { m_pSetup.reset(); }

    void machineFollowsTheFileWalk_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("3D") << 0;
        QTest::newRow("2.5D") << 1;
    }
    // The moves the machine makes are the lines the file holds, and the axes
    // end on the last of them.
    void machineFollowsTheFileWalk()
    {
        QFETCH(int, type);
        AppControl ctrl;
        ctrl.InitMachine();
        LoadJob(ctrl, type);
        const stCutSettings settings = stCutSettings::FromConfig();

        QString file;
        QTextStream out(&file);
        QString err;
        QVERIFY2(CGCodeWriter::WriteImageBody(out, ctrl.m_ImgCarvingData.m_pImg.get(), *ctrl.m_ImgCarvingData.m_pInfo,
                                              settings, err),
                 qPrintable(err));
        out.flush();

        CAllAxisCtrl::StartAutoMode(&ctrl);
        CTeeSink machine(ctrl);
        const bool done = CImgCarving::Carve(ctrl.m_ImgCarvingData.m_pImg.get(), *ctrl.m_ImgCarvingData.m_pInfo,
                                             settings, machine, err);
        CAllAxisCtrl::StopAutoMode();
        while (CAllAxisCtrl::m_bAutoModeRunning)
            QThread::yieldCurrentThread();
        QVERIFY2(done, qPrintable(err + TakeMessages(ctrl).join('\n')));
        QCOMPARE(machine.m_lstLines.join('\n') + '\n', file);
        QVERIFY(file.count('\n') > 40);
        QCOMPARE(Text(Position(ctrl)), QStringLiteral("11.0000 1.0000 0.0000"));
        QCOMPARE(int(ctrl.m_nCarvingRow), 6);
    }

    // The whole operation: to the work zero, layer after layer, and Z up at the end.
    void carvingOperation()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        LoadJob(ctrl, 0);
        ctrl.StartImgCarving();
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList());
        QCOMPARE(Text(Position(ctrl)), QStringLiteral("11.0000 1.0000 5.0000"));
        QCOMPARE(ctrl.m_ImgCarvingData.m_pInfo->m_fDepth, 2.0);
        QCOMPARE(ctrl.m_ImgCarvingData.m_pInfo->m_fZStep, 0.75);
    }

    void refusedCarving()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        LoadJob(ctrl, 0);
        AppConfig::m_fEndMillDia = 20.0;
        ctrl.StartImgCarving();
        QVERIFY(FinishOperation(ctrl));
        const QStringList messages = TakeMessages(ctrl);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith("error: Image too small for the end-mill"), qPrintable(messages[0]));
        QCOMPARE(Text(Position(ctrl)), QStringLiteral("0.0000 0.0000 5.0000"));
    }

    void shapeOperation()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        stShapeCuttingInfo job;
        stPolygon* polyline = new stPolygon;
        polyline->m_lstVertices = {P(1, 1), P(6, 1), P(6, 4), P(9, 4)};
        polyline->m_fDepth = -2.0;
        job.AddPolygon(polyline);
        stEllipse* circle = new stEllipse;
        circle->m_lstPoints = {P(62.5, 50), P(50, 62.5), P(37.5, 50), P(50, 37.5), P(62.5, 50)};
        circle->m_fDepth = -1.0;
        job.AddEllipse(circle);
        ctrl.StartShapeCutting(&job);
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList());
        QCOMPARE(Text(Position(ctrl)), QStringLiteral("62.5000 50.0000 5.0000"));

        // The polyline alone ends where its second (backward) pass ends.
        job.RemoveShape(1);
        ctrl.StartShapeCutting(&job);
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(Text(Position(ctrl)), QStringLiteral("1.0000 1.0000 5.0000"));
    }

    void refusedShapes()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        stShapeCuttingInfo job;
        stPolygon* dot = new stPolygon;
        dot->m_strName = QStringLiteral("dot");
        dot->m_lstVertices = {P(3, 3)};
        job.AddPolygon(dot);
        ctrl.StartShapeCutting(&job);
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl),
                 QStringList{"error: Shape 1 (dot) has fewer than two points and cannot be cut"});
        QCOMPARE(Text(Position(ctrl)), QStringLiteral("0.0000 0.0000 5.0000"));
    }

    // A pause point waits while the pause is on; an emergency stop seen
    // there ends the job.
    void pauseEndedByEmergencyStop()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        CMachineMoveSink sink(ctrl);
        QVERIFY(sink.HoldPoint());
        ctrl.m_bHold = true;
        AppConfig::m_bEmergencyStopON = true;
        QVERIFY(!sink.HoldPoint());
        QVERIFY(!sink.WaitMotionStopped());
        ctrl.m_bHold = false;
        AppConfig::m_bEmergencyStopON = false;
    }

    // The controller's writers report what went wrong, and write the
    // settings in memory into the header.
    void writers()
    {
        AppControl ctrl;
        const QString folder = m_pSetup->m_Folder.Working();
        LoadJob(ctrl, 1);
        AppConfig::m_strLastFolderPath = QStringLiteral("/home/diradi/pictures/");
        QVERIFY(ctrl.CreateGCodeFromImage(folder + "/relief.txt"));
        QFile relief(folder + "/relief.txt");
        QVERIFY(relief.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(relief.readAll());
        QVERIFY(text.startsWith("(GCode Generated by DIR-ADI Software)\n(Image Path:/home/diradi/pictures/)\n"));
        QVERIFY(text.contains("(Carving Type:2.5D Carving)\n(End-Mill Diameter:2.0000)\n\nG21 G90\nG00 Z5.0000\n"));
        QCOMPARE(text.count("G00 Z5.0000"), 3); // layers at 0.75, 1.5 and 2 mm
        QVERIFY(ctrl.WriteImageToGCodeFile(folder + "/relief.txt"));
        QCOMPARE(TakeMessages(ctrl), QStringList());

        QVERIFY(!ctrl.CreateGCodeFromImage(folder + "/none/relief.txt"));
        QVERIFY(!ctrl.CreateGCodeFromShapes(folder + "/shapes.txt"));
        stShapeCuttingInfo job;
        ctrl.m_pShapeCuttingInfo = &job;
        job.AddPolygon(new stPolygon);
        QVERIFY(!ctrl.CreateGCodeFromShapes(folder + "/shapes.txt"));
        const QStringList messages = TakeMessages(ctrl);
        QCOMPARE(messages.size(), 3);
        QVERIFY2(messages[0].startsWith("error: Could not write the G-Code file"), qPrintable(messages[0]));
        QCOMPARE(messages[1], QStringLiteral("error: No Shapes Added"));
        QCOMPARE(messages[2], QStringLiteral("error: Shape 1 has fewer than two points and cannot be cut"));
        QVERIFY(!QFile::exists(folder + "/shapes.txt"));
    }

private:
    std::unique_ptr<CSimControllerSetup> m_pSetup;
};

QTEST_MAIN(TestCarvingMachine)
#include "tst_carvingmachine.moc"
