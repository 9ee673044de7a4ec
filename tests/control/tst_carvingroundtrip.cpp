// A generated relief file and a generated shape file, run by the G-code
// simulation driver, start the same straight segments as cutting the same
// jobs directly on the simulated machine (the first descent of a carving is
// a rapid on the machine and a G01 line in the file, so segment kinds are
// not compared).
#include "control/AppControl.h"
#include "control/gcodewriter.h"
#include "core/AppConfig.h"
#include "gcodesimdriver.h"
#include "pointsupport.h"
#include "reliefjob.h"
#include "simcontroller.h"

#include <QMutex>
#include <QtTest>
#include <memory>

namespace {

// "X Y Z" of every segment end, four decimals.
class CSegments
{
public:
    void Record(AppControl& ctrl)
    {
        ctrl.m_fnSegmentStarted = [this](eGMoveCmnd, const stFloatPoint& to) {
            QMutexLocker lock(&m_Mutex);
            m_lstEnds << QStringLiteral("%1 %2 %3").arg(to.x, 0, 'f', 4).arg(to.y, 0, 'f', 4).arg(to.z, 0, 'f', 4);
        };
    }
    QStringList Ends() const
    {
        QMutexLocker lock(&m_Mutex);
        return m_lstEnds;
    }

private:
    mutable QMutex m_Mutex;
    QStringList m_lstEnds;
};

// The first segment end where the two runs part by a motor step or more,
// or an empty text. The machine takes the axes' position (whole motor steps)
// where the file carries the unrounded target on, so ends may differ below
// one step.
QString FirstDifference(const QStringList& file, const QStringList& direct)
{
    const double step = AppConfig::m_fAxisMovPerPulse[X_AXIS];
    for (int i = 0; i < std::max(file.size(), direct.size()); ++i) {
        if (i >= file.size() || i >= direct.size())
            return QStringLiteral("segment %1: %2 / %3")
                .arg(i)
                .arg(file.value(i, "(none)"), direct.value(i, "(none)"));
        const QStringList a = file[i].split(' ');
        const QStringList b = direct[i].split(' ');
        bool same = a.size() == 3 && b.size() == 3;
        for (int k = 0; same && k < 3; ++k)
            same = std::fabs(a[k].toDouble() - b[k].toDouble()) < step - 1e-9;
        if (!same)
            return QStringLiteral("segment %1: %2 / %3").arg(i).arg(file[i], direct[i]);
    }
    return QString();
}

} // namespace

class TestCarvingRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_pSetup = std::make_unique<CSimControllerSetup>(); }
    void cleanup() { m_pSetup.reset(); }

    void reliefFile_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("3D") << 0;
        QTest::newRow("2.5D") << 1;
    }
    void reliefFile()
    {
        QFETCH(int, type);
        AppControl ctrl;
        ctrl.InitMachine();
        LoadSmallReliefJob(ctrl, type);
        const QString path = m_pSetup->m_Folder.Working() + "/relief.ncc";
        QVERIFY(ctrl.CreateGCodeFromImage(path));

        CSegments direct;
        direct.Record(ctrl);
        ctrl.StartImgCarving();
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList());
        const QStringList ends = direct.Ends();
        QVERIFY(ends.size() > 100);
        QCOMPARE(FirstDifference(RunGCodeSim(path), ends), QString());
    }

    void shapeFile()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        stShapeCuttingInfo job;
        job.m_fZStep = 0.8;
        stPolygon* square = new stPolygon;
        square->m_lstVertices = {Pt(10, 10), Pt(30, 10), Pt(30, 30), Pt(10, 30), Pt(10, 10)};
        square->m_fDepth = -2.0;
        job.AddPolygon(square);
        stPolygon* polyline = new stPolygon;
        polyline->m_lstVertices = {Pt(40, 5), Pt(45.25, 5), Pt(45.25, 12.5), Pt(52, 20)};
        polyline->m_fDepth = -1.5;
        job.AddPolygon(polyline);
        ctrl.m_pShapeCuttingInfo = &job;
        const QString path = m_pSetup->m_Folder.Working() + "/shapes.txt";
        QVERIFY(ctrl.CreateGCodeFromShapes(path));

        CSegments direct;
        direct.Record(ctrl);
        ctrl.StartShapeCutting(&job);
        QVERIFY(FinishOperation(ctrl));
        QCOMPARE(TakeMessages(ctrl), QStringList());
        const QStringList ends = direct.Ends();
        QCOMPARE(ends.last(), QStringLiteral("40.0000 5.0000 5.0000"));
        QCOMPARE(FirstDifference(RunGCodeSim(path), ends), QString());
    }

    // A circle is an arc word per pass in the file and points on the machine:
    // both end where the circle starts, at the safe height.
    void circleFile()
    {
        AppControl ctrl;
        ctrl.InitMachine();
        stShapeCuttingInfo job;
        stEllipse* circle = new stEllipse;
        for (int i = 0; i <= 72; ++i) {
            const double a = i * 5.0 * M_PI / 180.0;
            circle->m_lstPoints.push_back(Pt(50 + 12.5 * std::cos(a), 50 + 12.5 * std::sin(a)));
        }
        circle->m_fDepth = -1.0;
        job.AddEllipse(circle);
        ctrl.m_pShapeCuttingInfo = &job;
        const QString path = m_pSetup->m_Folder.Working() + "/circle.txt";
        QVERIFY(ctrl.CreateGCodeFromShapes(path));
        const QStringList file = RunGCodeSim(path);
        QVERIFY(file.size() > 10);
        QCOMPARE(file.last(), QStringLiteral("62.5000 50.0000 5.0000"));
        QCOMPARE(file.mid(0, 4), (QStringList{"0.0000 0.0000 5.0000", "62.5000 50.0000 5.0000",
                                              "62.5000 50.0000 0.0000", "62.5000 50.0000 -1.0000"}));
    }

private:
    std::unique_ptr<CSimControllerSetup> m_pSetup;
};

QTEST_MAIN(TestCarvingRoundTrip)
#include "tst_carvingroundtrip.moc"
