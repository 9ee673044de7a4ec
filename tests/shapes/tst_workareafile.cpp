// The work-area file: its exact bytes, a save/load round trip, the name
// suffix, and files that are refused or cut short.
#include "shapes/shapeeditrules.h"
#include "shapes/workareafile.h"
#include "testsupport.h"

#include "widgets/filenamerule.h"

#include "core/AppConfig.h"

#include <QBuffer>
#include <QFile>
#include <QtTest>

class TestWorkAreaFile : public QObject
{
    Q_OBJECT
private slots:
    void goldenBytes();
    void roundTrip();
    void saveReplacesLongerFile();
    void suffix_data();
    void suffix();
    void refused_data();
    void refused();
    void ownFilesReload();
    void cutShortKeepsWholeShapes();
    void indentedFileLoadsFirstElementOnly();
    void loadingTwiceAppends();
    void shapeListLimit_data();
    void shapeListLimit();
};

namespace {
// A job with one default ellipse and one two-vertex hole.
void FillJob(stShapeCuttingInfo& job)
{
    job.m_WorkArea.x = 300;
    job.m_WorkArea.y = 200;
    auto* e = new stEllipse;
    e->m_strName = QStringLiteral("E1");
    job.AddEllipse(e);
    auto* p = new stPolygon;
    p->m_strName = QStringLiteral("S");
    p->m_bHole = true;
    p->m_fDepth = -2.5;
    stFloatPoint a, b;
    a.x = 1;
    a.y = 2;
    b.x = 3.25;
    b.y = 4;
    p->m_lstVertices = {a, b};
    job.AddPolygon(p);
}

const char kGolden[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Project><WorkArea><Length>300.0000</Length><Width>200.0000</Width>"
    "</WorkArea><Ellipse><ShapeName>E1</ShapeName><Depth>-10.0000</Depth><CenterX>50.0000</CenterX>"
    "<CenterY>50.0000</CenterY><MajorAxis>25.0000</MajorAxis><MinorAxis>25.0000</MinorAxis>"
    "<Orientation>0.0000</Orientation><XAxisStep>0.2000</XAxisStep><XArcStartAngle>0.0000</XArcStartAngle>"
    "<XArcEndAngle>360.0000</XArcEndAngle></Ellipse><Shape><ShapeName>S</ShapeName><Hole>1</Hole>"
    "<Depth>-2.5000</Depth><Count>2</Count><Vertex_0>1.0000,2.0000</Vertex_0><Vertex_1>3.2500,4.0000</Vertex_1>"
    "</Shape></Project>\n";

bool LoadBytes(const QByteArray& bytes, stShapeCuttingInfo& job, QString& err)
{
    QByteArray copy(bytes);
    QBuffer buf(&copy);
    buf.open(QIODevice::ReadOnly);
    return CWorkAreaFile::Load(buf, job, err);
}
} // namespace

void TestWorkAreaFile::goldenBytes()
{
    stShapeCuttingInfo job;
    FillJob(job);
    QCOMPARE(CWorkAreaFile::ToXml(job), QByteArray(kGolden));
}

void TestWorkAreaFile::roundTrip()
{
    CTempWorkingFolder folder;
    stShapeCuttingInfo job;
    FillJob(job);
    auto* e = new stEllipse;
    e->m_strName = QStringLiteral("Arc");
    e->m_fDepth = -3.1234;
    e->m_Center.x = 12.5;
    e->m_Center.y = 7.25;
    e->m_fMajorAxisDia = 40;
    e->m_fMinorAxisDia = 30;
    e->m_fOrientation = 33;
    e->m_fXStep = 0.35;
    e->m_fArcStartAngle = 10;
    e->m_fArcEndAngle = 200;
    e->m_bHole = true; // a pocket ring: cut inside its outline
    job.AddEllipse(e);
    auto* after = new stPolygon; // read on after the ring's flag
    after->m_strName = QStringLiteral("After");
    after->m_lstVertices = {stFloatPoint(), stFloatPoint()};
    job.AddPolygon(after);
    job.m_WorkArea.x = 123.4567;
    const QString path = folder.Root() + QStringLiteral("/job.xml");
    QVERIFY(CWorkAreaFile::Save(path, job));

    stShapeCuttingInfo back;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QString err;
    QVERIFY(CWorkAreaFile::Load(file, back, err));
    QVERIFY(err.isEmpty());
    QCOMPARE(back.m_WorkArea.x, 123.4567);
    QCOMPARE(back.m_WorkArea.y, 200.0);
    QCOMPARE(int(back.m_lstShapes.size()), 4);
    QCOMPARE(back.m_lstShapes[3].m_pPolygon->m_strName, QStringLiteral("After"));
    QVERIFY(!back.m_lstShapes[0].m_pEllipse->m_bHole);
    QCOMPARE(back.m_lstShapes[0].m_iType, int(SHAPE_ELLIPSE));
    QCOMPARE(back.m_lstShapes[1].m_iType, int(SHAPE_POLYGON));
    const stPolygon& p = *back.m_lstShapes[1].m_pPolygon;
    QCOMPARE(p.m_strName, QStringLiteral("S"));
    QVERIFY(p.m_bHole);
    QCOMPARE(p.m_fDepth, -2.5);
    QCOMPARE(int(p.m_lstVertices.size()), 2);
    QCOMPARE(p.m_lstVertices[1].x, 3.25);
    QCOMPARE(p.m_lstVertices[1].y, 4.0);
    const stEllipse& a = *back.m_lstShapes[2].m_pEllipse;
    QCOMPARE(a.m_strName, QStringLiteral("Arc"));
    QCOMPARE(a.m_fDepth, -3.1234);
    QCOMPARE(a.m_Center.x, 12.5);
    QCOMPARE(a.m_Center.y, 7.25);
    QCOMPARE(a.m_fMajorAxisDia, 40.0);
    QCOMPARE(a.m_fMinorAxisDia, 30.0);
    QCOMPARE(a.m_fOrientation, 33.0);
    QCOMPARE(a.m_fXStep, 0.35);
    QCOMPARE(a.m_fArcStartAngle, 10.0);
    QCOMPARE(a.m_fArcEndAngle, 200.0);
    QVERIFY(a.m_bHole);
    QVERIFY(a.m_lstPoints.empty()); // the caller recomputes them
}

void TestWorkAreaFile::saveReplacesLongerFile()
{
    CTempWorkingFolder folder;
    const QString path = folder.Root() + QStringLiteral("/job.xml");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(20000, 'x'));
    }
    stShapeCuttingInfo job;
    FillJob(job);
    QVERIFY(CWorkAreaFile::Save(path, job));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(kGolden));
    // A folder that does not exist is reported, not shown as saved.
    QVERIFY(!CWorkAreaFile::Save(folder.Root() + QStringLiteral("/none/job.xml"), job));
}

void TestWorkAreaFile::suffix_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("saved");
    QTest::newRow("kept") << "/a/job.xml" << "/a/job.xml";
    QTest::newRow("no dot") << "/a/job" << "/a/job.xml";
    QTest::newRow("version suffix") << "/a/job.v2" << "/a/job.v2";
    QTest::newRow("dot in folder only") << "/a.b/job" << "/a.b/job.xml";
    QTest::newRow("leading dot only") << "/a/.job" << "/a/.job.xml";
}

void TestWorkAreaFile::suffix()
{
    QFETCH(QString, name);
    QFETCH(QString, saved);
    QCOMPARE(CFileNameRule::WithDefaultExtension(name, QStringLiteral(".xml")), saved);
}

void TestWorkAreaFile::refused_data()
{
    QTest::addColumn<QByteArray>("from");
    QTest::addColumn<QByteArray>("to");
    QTest::newRow("zero length") << QByteArray("<Length>300.0000") << QByteArray("<Length>0.0000");
    QTest::newRow("width not a number") << QByteArray("<Width>200.0000") << QByteArray("<Width>wide");
    QTest::newRow("zero X step") << QByteArray("<XAxisStep>0.2000") << QByteArray("<XAxisStep>0");
    QTest::newRow("zero diameter") << QByteArray("<MinorAxis>25.0000") << QByteArray("<MinorAxis>0");
    QTest::newRow("minor above major") << QByteArray("<MinorAxis>25.0000") << QByteArray("<MinorAxis>26");
    QTest::newRow("depth above zero") << QByteArray("<Depth>-2.5000") << QByteArray("<Depth>2.5");
    QTest::newRow("arc reversed") << QByteArray("<XArcStartAngle>0.0000") << QByteArray("<XArcStartAngle>361");
    QTest::newRow("vertex not finite") << QByteArray("3.2500,4.0000") << QByteArray("3.25,inf");
}

void TestWorkAreaFile::refused()
{
    QFETCH(QByteArray, from);
    QFETCH(QByteArray, to);
    QByteArray bytes(kGolden);
    QVERIFY(bytes.contains(from));
    bytes.replace(from, to);

    stShapeCuttingInfo job;
    job.AddPolygon(new stPolygon);
    job.m_WorkArea.x = 77;
    job.m_WorkArea.y = 66;
    QString err;
    QVERIFY(!LoadBytes(bytes, job, err));
    QVERIFY(!err.isEmpty());
    QCOMPARE(int(job.m_lstShapes.size()), 1);
    QCOMPARE(job.m_WorkArea.x, 77.0);
    QCOMPARE(job.m_WorkArea.y, 66.0);
}

void TestWorkAreaFile::ownFilesReload()
{
    // Values the designer itself can come to load again: a centre dragged
    // off the work area, the largest X step raised to whole motor steps, and
    // with home switches a work area that is the travel left from a work
    // zero set at a limit (the loaded size gives way to the travel anyway).
    const double fStepBefore = AppConfig::m_fAxisMovPerPulse[X_AXIS];
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = 0.0015; // 15 internal units
    AppConfig::m_bHomeSensorsUsed = true;
    stShapeCuttingInfo job;
    job.m_WorkArea.x = 180;
    job.m_WorkArea.y = 0;
    auto* e = new stEllipse;
    e->m_strName = QStringLiteral("Dragged");
    e->m_Center.x = -12.5;
    e->m_Center.y = -3;
    e->m_fXStep = CShapeEditRules::WholeMotorSteps(1000.0, 0.0015);
    e->m_fDepth = -5;
    job.AddEllipse(e);
    QVERIFY(e->m_fXStep > 1000.0);

    stShapeCuttingInfo back;
    QString err;
    const bool bLoaded = LoadBytes(CWorkAreaFile::ToXml(job), back, err);
    AppConfig::m_bHomeSensorsUsed = false;
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = fStepBefore;
    QVERIFY2(bLoaded, qPrintable(err));
    QCOMPARE(int(back.m_lstShapes.size()), 1);
    QCOMPARE(back.m_lstShapes[0].m_pEllipse->m_Center.x, -12.5);
    QCOMPARE(back.m_lstShapes[0].m_pEllipse->m_fXStep, e->m_fXStep);

    // Without home switches the size counts: a width of 0 is refused.
    QVERIFY(!LoadBytes(CWorkAreaFile::ToXml(job), back, err));
}

void TestWorkAreaFile::cutShortKeepsWholeShapes()
{
    QByteArray bytes(kGolden);
    bytes.truncate(bytes.indexOf("<Vertex_1>"));
    stShapeCuttingInfo job;
    QString err;
    QVERIFY(LoadBytes(bytes, job, err));
    QVERIFY(!err.isEmpty()); // told, but what was read whole stays
    QCOMPARE(int(job.m_lstShapes.size()), 1);
    QCOMPARE(job.m_lstShapes[0].m_pEllipse->m_strName, QStringLiteral("E1"));

    stShapeCuttingInfo none;
    QVERIFY(!LoadBytes("this is not a work area", none, err));
    QVERIFY(none.m_lstShapes.empty());
}

void TestWorkAreaFile::indentedFileLoadsFirstElementOnly()
{
    stShapeCuttingInfo job;
    FillJob(job);
    QByteArray bytes = CWorkAreaFile::ToXml(job);
    bytes.replace("><", ">\n  <");
    stShapeCuttingInfo back;
    back.m_WorkArea.x = 1;
    QString err;
    LoadBytes(bytes, back, err);
    QVERIFY(back.m_lstShapes.empty());
    QCOMPARE(back.m_WorkArea.x, 300.0);
}

void TestWorkAreaFile::loadingTwiceAppends()
{
    stShapeCuttingInfo job;
    QString err;
    QVERIFY(LoadBytes(kGolden, job, err));
    QVERIFY(LoadBytes(kGolden, job, err));
    QCOMPARE(int(job.m_lstShapes.size()), 4);
    QCOMPARE(job.m_lstShapes[2].m_pEllipse->m_strName, QStringLiteral("E1"));
    QCOMPARE(job.m_lstShapes[3].m_pPolygon->m_strName, QStringLiteral("S"));

    // An element of another kind between two shapes is passed over.
    QByteArray other(kGolden);
    other.replace("</Ellipse><Shape>", "</Ellipse><Note><Text>x</Text></Note><Shape>");
    stShapeCuttingInfo withNote;
    QVERIFY(LoadBytes(other, withNote, err));
    QCOMPARE(int(withNote.m_lstShapes.size()), 2);
}

QTEST_MAIN(TestWorkAreaFile)
#include "tst_workareafile.moc"

// The designer indexes its list with 16-bit numbers: a file whose shapes
// would take the list past 65535 entries, counting those listed already, is
// refused whole and the list is left as it was.
void TestWorkAreaFile::shapeListLimit_data()
{
    QTest::addColumn<int>("listed");
    QTest::addColumn<int>("inFile");
    QTest::addColumn<bool>("loads");
    QTest::newRow("file fills an empty list") << 0 << 65535 << true;
    QTest::newRow("file one past the limit") << 0 << 65536 << false;
    QTest::newRow("file fills the rest") << 65000 << 535 << true;
    QTest::newRow("file one past the rest") << 65000 << 536 << false;
    QTest::newRow("full list, one more") << 65535 << 1 << false;
}

void TestWorkAreaFile::shapeListLimit()
{
    QFETCH(int, listed);
    QFETCH(int, inFile);
    QFETCH(bool, loads);
    QByteArray bytes = "<?xml version=\"1.0\"?><Project><WorkArea><Length>300</Length><Width>200</Width></WorkArea>";
    for (int i = 0; i < inFile; ++i)
        bytes += "<Shape><ShapeName>F</ShapeName><Hole>0</Hole><Depth>-1</Depth><Count>1</Count>"
                 "<Vertex_0>1.0000,2.0000</Vertex_0></Shape>";
    bytes += "</Project>";
    stShapeCuttingInfo job;
    for (int i = 0; i < listed; ++i)
        job.AddEllipse(new stEllipse);
    QString err;
    QCOMPARE(LoadBytes(bytes, job, err), loads);
    if (loads) {
        QVERIFY(err.isEmpty());
        QCOMPARE(job.m_lstShapes.size(), size_t(listed + inFile));
        QCOMPARE(job.m_lstShapes.back().m_pPolygon->m_strName, QStringLiteral("F"));
    } else {
        QCOMPARE(err, QStringLiteral("Too many shapes: the file holds more than the %1 the shape list has room for "
                                     "(%2 listed already, at most 65535)")
                          .arg(65535 - listed)
                          .arg(listed));
        QCOMPARE(job.m_lstShapes.size(), size_t(listed));
        QCOMPARE(job.m_WorkArea.x, stShapeCuttingInfo().m_WorkArea.x);
    }
}
