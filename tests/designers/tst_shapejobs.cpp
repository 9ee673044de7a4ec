// Shape jobs from the designer end to end: shapes made in the editors are
// cut by Start on the simulated machine along their tool paths, and the
// G-code file Generate writes for them passes the G-code window's checker.
#include "designerrig.h"
#include "shapes/ellipsepoints.h"
#include "motiontrace.h"
#include "pointsupport.h"

#include "core/AppConfig.h"
#include "gcode/gcodechecker.h"
#include "gcode/gcodeprogram.h"
#include "hal/simpinbank.h"

#include <QtTest>

#include <cmath>

class TestShapeJobs : public QObject
{
    Q_OBJECT
    std::unique_ptr<stRig> m_pRig;
private slots:
    void init() { m_pRig = NewRig(); }
    void cleanup() { m_pRig.reset(); }
    void startCutsTheToolPaths();
    void generatedFilePassesTheChecker();
};

void TestShapeJobs::startCutsTheToolPaths()
{
    RIG
    // Coarser motor steps keep the whole job within the pin log.
    for (int i = 0; i < 3; ++i)
        AppConfig::m_fAxisMovPerPulse[i] = 0.01;
    mw.m_AppCtrl.InitMachine();

    // A turned 20 x 10 ellipse cut 2 mm deep, then a square 1.5 mm deep.
    NewEllipse(dlg, prompter,
               {{"Btn_EllipseCenterX", "40"},
                {"Btn_EllipseCenterY", "30"},
                {"Btn_EllipseMinorAxisDia", "10"},
                {"Btn_EllipseMajorAxisDia", "20"},
                {"Btn_EllipseOrientation", "30"},
                {"Btn_EllipseDepth", "-2"}});
    stPolygon* square = AddPolygon(dlg, QStringLiteral("Square"), {{60, 20}, {80, 20}, {80, 40}, {60, 40}, {60, 20}});
    square->m_fDepth = -1.5;
    const stEllipse ellipse = *dlg.EllipseAt(0);
    QCOMPARE(ellipse.m_fDepth, -2.0);
    // The tool runs one radius (2.5 mm) outside the outline.
    const stFloatPoint& first = ellipse.m_lstPoints.front();
    QVERIFY(std::fabs(first.x - (40 + 12.5 * std::cos(30 * CEllipsePoints::DEG_TO_RAD))) < 1e-9);
    QVERIFY(std::fabs(first.y - (30 - 12.5 * std::sin(30 * CEllipsePoints::DEG_TO_RAD))) < 1e-9);

    CMotionTrace trace;
    trace.Start(Pt(0, 0, 0));
    QVERIFY(dlg.StartShapeCutting());
    QVERIFY(FinishOperation(mw.m_AppCtrl));
    mw.PollMessages();
    QVERIFY2(!mw.m_lstLog.join('\n').contains(QStringLiteral("error")), qPrintable(mw.m_lstLog.join('\n')));
    dlg.ResetUI(true);

    // Pass by pass the tool follows the ellipse's path, then the square's.
    QList<stFloatPoint> expected;
    for (double z : {-1.0, -2.0})
        for (size_t i = 0; i < ellipse.m_lstPoints.size(); i += 10)
            expected << Pt(ellipse.m_lstPoints[i].x, ellipse.m_lstPoints[i].y, z);
    for (double z : {-1.0, -1.5})
        for (const stFloatPoint& v : square->m_lstVertices)
            expected << Pt(v.x, v.y, z);
    QString missed;
    QVERIFY2(trace.PassesInOrder(expected, 0.011, &missed), qPrintable(missed));

    // Never below a shape's depth, and lifted clear at the end.
    QCOMPARE(CSimPinBank::Instance().LostLogEntries(), quint64(0));
    const QList<stFloatPoint> path = trace.Points();
    QVERIFY(!path.isEmpty());
    for (const stFloatPoint& p : path) {
        QVERIFY(p.z >= -2.0 - 1e-9);
        if (p.x > 59.9)
            QVERIFY2(p.z >= -1.5 - 1e-9, qPrintable(QStringLiteral("%1 %2 %3").arg(p.x).arg(p.y).arg(p.z)));
    }
    QCOMPARE(mw.m_AppCtrl.GetCurPos(Z_AXIS), AppConfig::m_fZSafePos);
}

void TestShapeJobs::generatedFilePassesTheChecker()
{
    RIG
    // An ellipse turned and cut as an arc, a circle, a half circle, a pocket
    // whose innermost ring has shrunk to its centre, and an open polyline.
    NewEllipse(dlg, prompter,
               {{"Btn_EllipseMajorAxisDia", "30"},
                {"Btn_EllipseMinorAxisDia", "12"},
                {"Btn_EllipseOrientation", "15"},
                {"Btn_ArcStartAngle", "30"},
                {"Btn_ArcEndAngle", "300"}});
    NewEllipse(dlg, prompter, {{"Btn_EllipseCenterX", "100"}, {"Btn_EllipseDepth", "-3"}});
    NewEllipse(dlg, prompter, {{"Btn_EllipseCenterX", "150"}, {"Btn_ArcEndAngle", "180"}});
    NewEllipse(dlg, prompter, {{"Btn_EllipseCenterX", "200"}, {"Btn_EllipseCenterY", "120"}}, true);
    AddPolygon(dlg, QStringLiteral("Line"), {{10, 150}, {40, 160}, {70, 150}});
    QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 4 + 4 + 1); // pocket: ellipse and four rings
    QCOMPARE(dlg.EllipseAt(7)->m_lstPoints.size(), size_t(2));               // the 5 mm ring as a hole

    const QString path = mw.m_Setup.m_Folder.Root() + QStringLiteral("/shapes");
    prompter.m_lstFileNames << path;
    Btn(&dlg, "Btn_GenerateGCode")->click();
    mw.PollMessages();
    QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("info: G-Code File Generated")});

    std::vector<QString> lines;
    GCodeCmdList cmds;
    QString why;
    QVERIFY2(CGCodeProgram::ReadProgramFile(path + QStringLiteral(".txt"), lines, cmds, &why), qPrintable(why));
    QVERIFY(lines.size() > 100);
    GCodeErrorMap errors;
    CGCodeChecker::Check(cmds, errors, CGCodeChecker::MachineFromSettings());
    QString strErrors;
    for (const auto& [line, text] : errors)
        strErrors += QStringLiteral("line %1: %2 (%3)\n")
                         .arg(line + 1)
                         .arg(QString::fromStdString(text), lines[line]);
    QVERIFY2(errors.empty(), qPrintable(strErrors));
    // The circles are arcs; everything else straight moves.
    const QString text = [&] {
        QStringList all;
        for (const QString& l : lines)
            all << l;
        return all.join('\n');
    }();
    QVERIFY(text.contains(QStringLiteral("G03 ")));
    QVERIFY(text.contains(QStringLiteral("G02 ")));
}

QTEST_MAIN(TestShapeJobs)
#include "tst_shapejobs.moc"
