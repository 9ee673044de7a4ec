// The free-drawing panel: its form, closing, depth, the background picture,
// and the erosion pocket switched on and off, then kept by OK or dropped by
// Cancel.
#include "designerrig.h"
#include "designers/dlgshapefreedraw.h"
#include "formcheck.h"

#include "core/AppConfig.h"

#include <QImage>
#include <QPolygonF>
#include <QtTest>

class TestDlgShapeFreeDraw : public QObject
{
    Q_OBJECT
    std::unique_ptr<stRig> m_pRig;
private slots:
    void init() { m_pRig = NewRig(); }
    void cleanup() { m_pRig.reset(); }
    void form();
    void pocketOfSquareNamedOnOk();
    void pocketOnAndOffTwice_data();
    void pocketOnAndOffTwice();
    void pocketOfLineDoesNothing();
    void pocketNarrowerThanTheTool();
    void depthBeforeAndAfterPocket();
    void cancelDropsTheDrawing();
    void closeShapeAndBackground();
    void pocketedStarCutsOnTheMachine();
    void pocketThatWouldOverfillTheList();
};

namespace {
QDialog* Panel(CDlgShapes& dlg)
{
    return dlg.findChild<QDialog*>(QStringLiteral("CDlgShapeFreeDraw"));
}

// Draws the outline by left clicks on the work area.
void Draw(CDlgShapes& dlg, const std::vector<QPointF>& pts)
{
    for (const QPointF& p : pts)
        Press(dlg, p.x(), p.y(), Qt::LeftButton);
}

std::vector<QPointF> Square(double x0, double y0, double side)
{
    return {{x0, y0}, {x0 + side, y0}, {x0 + side, y0 + side}, {x0, y0 + side}, {x0, y0}};
}

int Shapes(CDlgShapes& dlg)
{
    return int(dlg.m_stShapeCuttingInfo.m_lstShapes.size());
}
} // namespace

void TestDlgShapeFreeDraw::form()
{
    CDlgShapeFreeDraw panel;
    static const stFormRow kRows[] = {
        {"CDlgShapeFreeDraw", "QDialog", 0, 0, 375, 400, nullptr},
        {"label_2", "QLabel", 20, 10, 341, 20, "Left Click: Add Point        Right Click: Remove Point"},
        {"Btn_LoadRefGuideImg", "QPushButton", 140, 90, 90, 40, "Background\n Image"},
        {"Btn_PolyDepth", "QPushButton", 140, 140, 90, 40, "-10.0000\nDepth"},
        {"Btn_ClosePoly", "QPushButton", 140, 186, 90, 40, "Close Shape"},
        {"Btn_CutHole", "QPushButton", 140, 233, 90, 40, "Pocket"},
        {"Btn_Cancel", "QPushButton", 180, 340, 90, 40, "Cancel"},
        {"Btn_Save", "QPushButton", 280, 340, 90, 40, "Ok"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&panel, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
}

void TestDlgShapeFreeDraw::pocketOfSquareNamedOnOk()
{
    RIG
    AddEllipse(dlg, QStringLiteral("E"));
    int nRings = 0;
    WhenOpen([&] {
        Draw(dlg, Square(60, 60, 50));
        Btn(Panel(dlg), "Btn_CutHole")->click();
        nRings = Shapes(dlg) - 1;
        QVERIFY(nRings > 3);
        for (int i = 1; i < Shapes(dlg); ++i) {
            const stPolygon* p = dlg.PolygonAt(i);
            QVERIFY(p && p->m_bHole);
            QCOMPARE(p->m_strName, QStringLiteral("Shape"));
            QCOMPARE(p->m_fDepth, -10.0);
        }
        QCOMPARE(Btn(Panel(dlg), "Btn_CutHole")->styleSheet(), BTN_BKGND_GREEN);
        Btn(Panel(dlg), "Btn_Save")->click();
    });
    Btn(&dlg, "Btn_DrawContour")->click();
    QCOMPARE(Shapes(dlg), 1 + nRings);
    QStringList expected{QStringLiteral("E")};
    for (int k = 1; k <= nRings; ++k)
        expected << QStringLiteral("Shape_%1").arg(k);
    QCOMPARE(Texts(List(dlg)), expected);
    // Outermost first: each ring lies inside the one before.
    for (int i = 2; i < Shapes(dlg); ++i) {
        const auto& outer = dlg.PolygonAt(i - 1)->m_lstVertices;
        const auto& inner = dlg.PolygonAt(i)->m_lstVertices;
        QVERIFY(inner.front().x > outer.front().x);
        QVERIFY(inner.front().y > outer.front().y);
    }
    // The drawn square is not among them (its corner is at 60, 60).
    QVERIFY(dlg.PolygonAt(1)->m_lstVertices.front().x > 60.5);
}

void TestDlgShapeFreeDraw::pocketOnAndOffTwice_data()
{
    QTest::addColumn<double>("side");
    QTest::addColumn<bool>("oneRing");
    QTest::newRow("many rings") << 50.0 << false;
    // A square only a little wider than the tool gets a single ring; the
    // outline must come back all the same.
    QTest::newRow("one ring") << 7.0 << true;
}

void TestDlgShapeFreeDraw::pocketOnAndOffTwice()
{
    QFETCH(double, side);
    QFETCH(bool, oneRing);
    RIG
    WhenOpen([&] {
        Draw(dlg, Square(100, 80, side));
        const std::vector<stFloatPoint> drawn = dlg.PolygonAt(0)->m_lstVertices;
        QPushButton* pPocket = Btn(Panel(dlg), "Btn_CutHole");
        for (int round = 0; round < 2; ++round) {
            pPocket->click();
            if (oneRing)
                QCOMPARE(Shapes(dlg), 1);
            QVERIFY(dlg.PolygonAt(0)->m_bHole);
            pPocket->click();
            QCOMPARE(Shapes(dlg), 1);
            const stPolygon* p = dlg.PolygonAt(0);
            QVERIFY(!p->m_bHole);
            QCOMPARE(p->m_strName, QStringLiteral("Shape_1"));
            QCOMPARE(p->m_lstVertices.size(), drawn.size());
            QCOMPARE(p->m_lstVertices[2].x, drawn[2].x);
            QCOMPARE(pPocket->styleSheet(), BTN_BKGND_GRAY);
        }
        // Pocket left on at OK: the kept-aside outline is dropped (freed).
        pPocket->click();
        Btn(Panel(dlg), "Btn_Save")->click();
    });
    Btn(&dlg, "Btn_DrawContour")->click();
    QVERIFY(Shapes(dlg) >= 1);
    QVERIFY(dlg.PolygonAt(0)->m_bHole);
    QCOMPARE(List(dlg)->item(0)->text(), oneRing ? QStringLiteral("Shape") : QStringLiteral("Shape_1"));
}

void TestDlgShapeFreeDraw::pocketOfLineDoesNothing()
{
    RIG
    WhenOpen([&] {
        QPushButton* pPocket = Btn(Panel(dlg), "Btn_CutHole");
        pPocket->click(); // nothing drawn yet
        QCOMPARE(Shapes(dlg), 1);
        pPocket->click(); // off again
        Draw(dlg, {{10, 10}, {50, 10}});
        pPocket->click();
        QCOMPARE(Shapes(dlg), 1);
        QCOMPARE(int(dlg.PolygonAt(0)->m_lstVertices.size()), 2); // not closed
        QCOMPARE(pPocket->styleSheet(), BTN_BKGND_GRAY);
        pPocket->click(); // the turning-off press: nothing but the look
        QCOMPARE(Shapes(dlg), 1);
        Btn(Panel(dlg), "Btn_Save")->click();
    });
    Btn(&dlg, "Btn_DrawContour")->click();
    QCOMPARE(Texts(List(dlg)), QStringList{"Shape_1"});
}

void TestDlgShapeFreeDraw::pocketNarrowerThanTheTool()
{
    // No path inside a 4 mm square keeps the 5 mm tool within the line: no
    // rings, the operator is told, the pocket stays off.
    RIG
    WhenOpen([&] {
        Draw(dlg, Square(100, 80, 4));
        QPushButton* pPocket = Btn(Panel(dlg), "Btn_CutHole");
        pPocket->click();
        QCOMPARE(Shapes(dlg), 1);
        QVERIFY(!dlg.PolygonAt(0)->m_bHole);
        QCOMPARE(pPocket->styleSheet(), BTN_BKGND_GRAY);
        QCOMPARE(mw.m_lstLog, QStringList{"error: End-mill size too big. Please change the End-Mill"});
        AppConfig::m_fEndMillDia = 2.0;
        pPocket->click(); // a turning-on press again
        QVERIFY(dlg.PolygonAt(0)->m_bHole);
        QCOMPARE(pPocket->styleSheet(), BTN_BKGND_GREEN);
        Btn(Panel(dlg), "Btn_Cancel")->click();
    });
    Btn(&dlg, "Btn_DrawContour")->click();
}

void TestDlgShapeFreeDraw::depthBeforeAndAfterPocket()
{
    RIG
    prompter.m_lstKeypadEntries << "-4" << "-6";
    WhenOpen([&] {
        Draw(dlg, Square(60, 60, 40));
        Btn(Panel(dlg), "Btn_PolyDepth")->click();
        QCOMPARE(dlg.PolygonAt(0)->m_fDepth, -4.0);
        Btn(Panel(dlg), "Btn_CutHole")->click();
        QCOMPARE(dlg.PolygonAt(0)->m_fDepth, -10.0); // a new ring
        // The button shows the depth the rings will be cut at, not the one
        // typed for the outline.
        QCOMPARE(Btn(Panel(dlg), "Btn_PolyDepth")->text(), QStringLiteral("-10.0000\nDepth"));
        Btn(Panel(dlg), "Btn_CutHole")->click();
        QCOMPARE(dlg.PolygonAt(0)->m_fDepth, -4.0); // the outline kept its depth
        QCOMPARE(Btn(Panel(dlg), "Btn_PolyDepth")->text(), QStringLiteral("-4.0000\nDepth"));
        Btn(Panel(dlg), "Btn_CutHole")->click();
        Btn(Panel(dlg), "Btn_PolyDepth")->click(); // the outermost ring
        QCOMPARE(dlg.PolygonAt(0)->m_fDepth, -6.0);
        Btn(Panel(dlg), "Btn_Save")->click();
    });
    Btn(&dlg, "Btn_DrawContour")->click();
    QVERIFY(Shapes(dlg) > 1);
    for (int i = 0; i < Shapes(dlg); ++i)
        QCOMPARE(dlg.PolygonAt(i)->m_fDepth, -6.0);
    QCOMPARE(prompter.m_lstPrompts.value(0).m_strTitle, QStringLiteral("Shape Depth(mm)"));
}

void TestDlgShapeFreeDraw::cancelDropsTheDrawing()
{
    RIG
    AddEllipse(dlg, QStringLiteral("E"));
    for (bool bPocket : {false, true}) {
        WhenOpen([&] {
            Draw(dlg, Square(60, 60, 40));
            if (bPocket)
                Btn(Panel(dlg), "Btn_CutHole")->click();
            QVERIFY(Shapes(dlg) > 1);
            Btn(Panel(dlg), "Btn_Cancel")->click();
        });
        Btn(&dlg, "Btn_DrawContour")->click();
        QCOMPARE(Shapes(dlg), 1);
        QCOMPARE(Texts(List(dlg)), QStringList{"E"});
    }
}

void TestDlgShapeFreeDraw::closeShapeAndBackground()
{
    RIG
    // The work area is painted while the designer is on show.
    dlg.show();
    const QString picture = mw.m_Setup.m_Folder.Root() + QStringLiteral("/guide.png");
    QImage img(40, 30, QImage::Format_RGB888);
    img.fill(QColor(200, 0, 0));
    QVERIFY(img.save(picture));
    prompter.m_lstFileNames << picture;
    WhenOpen([&] {
        Draw(dlg, {{10, 10}, {50, 10}, {50, 40}});
        Btn(Panel(dlg), "Btn_ClosePoly")->click();
        Btn(Panel(dlg), "Btn_ClosePoly")->click();
        QCOMPARE(int(dlg.PolygonAt(0)->m_lstVertices.size()), 4);

        Btn(Panel(dlg), "Btn_LoadRefGuideImg")->click();
        QVERIFY(dlg.m_pRefGuideImg);
        QCOMPARE(prompter.m_lstPrompts.last().m_strTitle, QStringLiteral("Select a file to Open..."));
        // Drawn under the shapes while drawing.
        QCOMPARE(dlg.WorkAreaImage()->pixelColor(2, 2), QColor(200, 0, 0));
        Btn(Panel(dlg), "Btn_LoadRefGuideImg")->click(); // off again
        QVERIFY(!dlg.m_pRefGuideImg);
        QCOMPARE(dlg.WorkAreaImage()->pixelColor(2, 2), QColor(50, 50, 50));
        prompter.m_lstFileNames << picture;
        Btn(Panel(dlg), "Btn_LoadRefGuideImg")->click();
        Btn(Panel(dlg), "Btn_Save")->click();
    });
    Btn(&dlg, "Btn_DrawContour")->click();
    QVERIFY(!dlg.m_pRefGuideImg); // dropped when the panel closed
}

void TestDlgShapeFreeDraw::pocketedStarCutsOnTheMachine()
{
    RIG
    // A star's tips break off as the rings close in; the pocket goes on in
    // its body, and every ring is a path the machine takes.
    std::vector<QPointF> star;
    for (int i = 0; i <= 10; ++i) {
        const double a = (i % 10) * M_PI / 5, r = i % 2 ? 20.0 : 60.0;
        star.push_back({150 + r * std::cos(a), 100 + r * std::sin(a)});
    }
    std::vector<stFloatPoint> drawn;
    WhenOpen([&] {
        Draw(dlg, star);
        drawn = dlg.PolygonAt(0)->m_lstVertices;
        Btn(Panel(dlg), "Btn_CutHole")->click();
        Btn(Panel(dlg), "Btn_Save")->click();
    });
    Btn(&dlg, "Btn_DrawContour")->click();
    QVERIFY(Shapes(dlg) >= 3);
    // Rings inside the drawn star, the innermost near its middle.
    const QPolygonF outline = [&] {
        QPolygonF poly;
        for (const stFloatPoint& v : drawn)
            poly << QPointF(v.x, v.y);
        return poly;
    }();
    for (int i = 0; i < Shapes(dlg); ++i)
        for (const stFloatPoint& v : dlg.PolygonAt(i)->m_lstVertices)
            QVERIFY(outline.containsPoint(QPointF(v.x, v.y), Qt::OddEvenFill));
    double dMiddle = 1e9;
    for (const stFloatPoint& v : dlg.PolygonAt(Shapes(dlg) - 1)->m_lstVertices)
        dMiddle = std::min(dMiddle, std::hypot(v.x - 150, v.y - 100));
    QVERIFY2(dMiddle < AppConfig::m_fEndMillDia, qPrintable(QString::number(dMiddle)));

    dlg.m_stShapeCuttingInfo.m_fZStep = 10.0; // one pass to the depth
    CStepCounter steps;
    QVERIFY(dlg.StartShapeCutting());
    QVERIFY(FinishOperation(mw.m_AppCtrl));
    mw.PollMessages();
    QVERIFY2(mw.m_lstLog.filter(QStringLiteral("error:")).isEmpty(), qPrintable(mw.m_lstLog.join('\n')));
    QVERIFY(mw.m_AppCtrl.m_bJobCompleted);
    // Round every ring: far more X steps than one trip across the star.
    QVERIFY2(steps.Pulses(0) > 3 * 120 * 1000, qPrintable(QString::number(steps.Pulses(0))));
}

void TestDlgShapeFreeDraw::pocketThatWouldOverfillTheList()
{
    // The list counts its entries in 16 bits: rings that would take it past
    // 65535 are not made, the outline stays and the operator is told.
    RIG
    for (int i = 0; i < 65533; ++i)
        dlg.m_stShapeCuttingInfo.AddPolygon(new stPolygon);
    WhenOpen([&] {
        Draw(dlg, Square(60, 60, 40));
        QPushButton* pPocket = Btn(Panel(dlg), "Btn_CutHole");
        pPocket->click();
        QCOMPARE(Shapes(dlg), 65534);
        QVERIFY(!dlg.PolygonAt(65533)->m_bHole);
        QCOMPARE(pPocket->styleSheet(), BTN_BKGND_GRAY);
        QVERIFY(mw.m_lstLog.value(0).startsWith(QStringLiteral("error: Too many shapes (")));
        pPocket->click(); // tries again rather than switching off
        QCOMPARE(mw.m_lstLog.size(), 2);
        Btn(Panel(dlg), "Btn_Cancel")->click();
    });
    Btn(&dlg, "Btn_DrawContour")->click();
    QCOMPARE(Shapes(dlg), 65533);
}

QTEST_MAIN(TestDlgShapeFreeDraw)
#include "tst_dlgshapefreedraw.moc"
