#include "shapes/shaperecords.h"

#include <QtTest>
#include <cstdlib>
#include <new>
#include <set>

// Records which blocks are freed while a test watches, so the tests can tell
// exactly which records the list destroyed.
namespace {
bool g_bWatching = false;
std::set<void*>* g_pFreed = nullptr;

void NoteFree(void* p)
{
    if (g_bWatching && p && g_pFreed) {
        g_bWatching = false; // the set allocates
        g_pFreed->insert(p);
        g_bWatching = true;
    }
}

class CFreeWatch
{
public:
    CFreeWatch()
    {
        g_pFreed = &m_Freed;
        g_bWatching = true;
    }
    ~CFreeWatch()
    {
        g_bWatching = false;
        g_pFreed = nullptr;
    }
    bool Freed(void* p) const { return m_Freed.count(p) != 0; }
    size_t Count() const { return m_Freed.size(); }

private:
    std::set<void*> m_Freed;
};
} // namespace

void* operator new(std::size_t size)
{
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept
{
    NoteFree(p);
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    NoteFree(p);
    std::free(p);
}

class TestShapeRecords : public QObject
{
    Q_OBJECT
private slots:
    void defaults()
    {
        const stEllipse e;
        QCOMPARE(e.m_strName, QString());
        QCOMPARE(e.m_fDepth, -10.0);
        QCOMPARE(e.m_Center.x, 50.0);
        QCOMPARE(e.m_Center.y, 50.0);
        QCOMPARE(e.m_fMajorAxisDia, 25.0);
        QCOMPARE(e.m_fMinorAxisDia, 25.0);
        QCOMPARE(e.m_fOrientation, 0.0);
        QCOMPARE(e.m_fXStep, 0.2);
        QCOMPARE(e.m_fArcStartAngle, 0.0);
        QCOMPARE(e.m_fArcEndAngle, 360.0);
        QVERIFY(!e.m_bHole);
        QVERIFY(e.m_lstPoints.empty());

        const stPolygon p;
        QCOMPARE(p.m_fDepth, -10.0);
        QVERIFY(p.m_lstVertices.empty());
        QVERIFY(!p.m_bHole);

        const stEngShape s;
        QCOMPARE(s.m_iType, 0);
        QVERIFY(!s.m_pPolygon && !s.m_pEllipse);

        const stShapeCuttingInfo job;
        QVERIFY(job.m_lstShapes.empty());
        QCOMPARE(job.m_WorkArea.x, 100.0);
        QCOMPARE(job.m_WorkArea.y, 100.0);
        QCOMPARE(job.m_fZStep, 1.0);
    }

    // The list destroys the ellipse and the polygon it owns; an entry of an
    // unknown type is skipped.
    void destroyingTheListDestroysItsRecords()
    {
        stPolygon* polygon = new stPolygon;
        stEllipse* ellipse = new stEllipse;
        stPolygon foreign; // pointed at by the unknown entry, owned elsewhere
        {
            CFreeWatch watch;
            {
                stShapeCuttingInfo job;
                job.AddEllipse(ellipse);
                job.AddPolygon(polygon);
                stEngShape unknown;
                unknown.m_iType = 2;
                unknown.m_pPolygon = &foreign;
                job.m_lstShapes.push_back(unknown);
            }
            QVERIFY(watch.Freed(ellipse));
            QVERIFY(watch.Freed(polygon));
            QVERIFY(!watch.Freed(&foreign));
        }
    }

    void removeAndClear()
    {
        stShapeCuttingInfo job;
        stPolygon* first = new stPolygon;
        stEllipse* second = new stEllipse;
        stPolygon* third = new stPolygon;
        job.AddPolygon(first);
        job.AddEllipse(second);
        job.AddPolygon(third);
        CFreeWatch watch;
        QVERIFY(!job.RemoveShape(3));
        QVERIFY(!job.RemoveShape(-1));
        QVERIFY(job.RemoveShape(1));
        QVERIFY(watch.Freed(second));
        QVERIFY(!watch.Freed(first) && !watch.Freed(third));
        QCOMPARE(int(job.m_lstShapes.size()), 2);
        QCOMPARE(job.m_lstShapes[1].m_pPolygon, third);
        job.ClearShapes();
        QVERIFY(watch.Freed(first) && watch.Freed(third));
        QVERIFY(job.m_lstShapes.empty());
    }

    // Moving a shape swaps two plain entries: records intact, order changed.
    void swapChangesOnlyTheOrder()
    {
        stShapeCuttingInfo job;
        stPolygon* polygon = new stPolygon;
        polygon->m_strName = QStringLiteral("frame");
        polygon->m_lstVertices.resize(3);
        stEllipse* ellipse = new stEllipse;
        ellipse->m_strName = QStringLiteral("hole");
        job.AddPolygon(polygon);
        job.AddEllipse(ellipse);
        {
            CFreeWatch watch;
            QVERIFY(job.SwapShapes(0, 1));
            QCOMPARE(watch.Count(), size_t(0));
        }
        QVERIFY(!job.SwapShapes(0, 2));
        QCOMPARE(job.m_lstShapes[0].m_iType, int(SHAPE_ELLIPSE));
        QCOMPARE(job.m_lstShapes[0].m_pEllipse, ellipse);
        QVERIFY(!job.m_lstShapes[0].m_pPolygon);
        QCOMPARE(job.m_lstShapes[1].m_pPolygon, polygon);
        QCOMPARE(job.m_lstShapes[1].Common()->m_strName, QStringLiteral("frame"));
        QCOMPARE(int(job.m_lstShapes[1].Points()->size()), 3);
    }

    void commonPartAndPointsByType()
    {
        stEngShape unknown;
        unknown.m_iType = 2;
        QVERIFY(!unknown.Common());
        QVERIFY(!unknown.Points());
        stEngShape missing;
        missing.m_iType = SHAPE_POLYGON;
        QVERIFY(!missing.Points());
    }
};

QTEST_MAIN(TestShapeRecords)
#include "tst_shaperecords.moc"
