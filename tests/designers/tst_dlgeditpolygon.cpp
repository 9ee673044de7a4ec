// The polygon and vertex editors: forms, whole-shape totals, turning back,
// the vertex list at both ends, picking, closing, and Cancel after mixed
// edits.
#include "designerrig.h"
#include "designers/dlgeditpolygon.h"
#include "designers/dlgeditpolygonvertex.h"
#include "shapes/polygonedit.h"
#include "formcheck.h"

#include "core/AppConfig.h"

#include <QtTest>
#include <cmath>

class TestDlgEditPolygon : public QObject
{
    Q_OBJECT
    std::unique_ptr<stRig> m_pRig;
private slots:
    void init() { m_pRig = NewRig(); }
    void cleanup() { m_pRig.reset(); }
    void forms();
    void offsetTurnScaleTotals();
    void reopenStartsFromNothing();
    void vertexListAtBothEnds();
    void insertAndEditVertex();
    void vertexEditorKeypad();
    void pickAndDrag();
    void closePolygon();
    void cancelAfterMixedEdits();
    void emptiedPolygonLeavesTheList();
};

namespace {
const std::vector<QPointF> kSquare = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};

QListWidget* Vertices(CDlgShapes& dlg)
{
    return dlg.PolygonEditor()->findChild<QListWidget*>(QStringLiteral("LW_PolygonVertices"));
}

bool Near(const stFloatPoint& p, double x, double y, double tol = 1e-3)
{
    return std::fabs(p.x - x) <= tol && std::fabs(p.y - y) <= tol;
}

void CheckForm(QWidget* pRoot, std::initializer_list<stFormRow> rows)
{
    for (const stFormRow& row : rows) {
        const QString strDiff = FormMismatch(pRoot, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
}
} // namespace

void TestDlgEditPolygon::forms()
{
    CDlgEditPolygon poly;
    CheckForm(&poly, {
                         {"CDlgEditPolygon", "QDialog", 0, 0, 375, 400, "Dialog"},
                         {"Btn_BkGndImg", "QPushButton", 50, 14, 90, 40, "Background\n Image"},
                         {"Btn_ClosePoly", "QPushButton", 153, 14, 90, 40, "Close\nPolygon"},
                         {"Btn_InsertPt", "QPushButton", 253, 13, 90, 40, "Insert Point"},
                         {"Btn_ShapeOffsetX", "QPushButton", 50, 60, 90, 40, "0.000\nOffset X"},
                         {"Btn_ShapeOffsetY", "QPushButton", 153, 60, 90, 40, "0.000\nOffset Y"},
                         {"Btn_ShapeOrientation", "QPushButton", 253, 60, 90, 40, "0.000\nAngle(deg)"},
                         {"Btn_ShapeScale", "QPushButton", 50, 106, 90, 40, "1.000\nScale"},
                         {"Btn_MovePtUp", "QPushButton", 3, 166, 40, 40, ""},
                         {"Btn_MovePtDown", "QPushButton", 3, 206, 40, 40, ""},
                         {"Btn_DeletePt", "QPushButton", 4, 286, 41, 41, ""},
                         {"LW_PolygonVertices", "QListWidget", 47, 167, 321, 161, nullptr},
                         {"Btn_Save", "QPushButton", 10, 350, 16, 21, "Save"},
                         {"Btn_Cancel", "QPushButton", 185, 350, 90, 40, "Cancel"},
                         {"Btn_Ok", "QPushButton", 280, 350, 90, 40, "Ok"},
                     });
    QVERIFY(Btn(&poly, "Btn_Save")->isHidden());

    CDlgEditPolygonVertex vertex;
    CheckForm(&vertex, {
                           {"CDlgEditPolygonVertex", "QDialog", 0, 0, 200, 200, "Point"},
                           {"Btn_PolygonVertexX", "QPushButton", 60, 24, 90, 40, "0.000"},
                           {"Btn_PolygonVertexY", "QPushButton", 60, 75, 90, 40, "0.000"},
                           {"label", "QLabel", 30, 35, 21, 16, "X"},
                           {"label_2", "QLabel", 30, 85, 20, 20, "Y"},
                           {"Btn_Cancel", "QPushButton", 8, 150, 90, 40, "Cancel"},
                           {"Btn_Ok", "QPushButton", 106, 149, 90, 40, "Ok"},
                       });
    QCOMPARE(vertex.minimumSize(), QSize(200, 200));
    QCOMPARE(vertex.maximumSize(), QSize(200, 200));
    vertex.ConfigSettings();
    QCOMPARE(Btn(&vertex, "Btn_Ok")->font().family(), QStringLiteral("MyFont"));
    QCOMPARE(Btn(&vertex, "Btn_Ok")->font().weight(), QFont::Black);
}

void TestDlgEditPolygon::offsetTurnScaleTotals()
{
    RIG
    stPolygon* p = AddPolygon(dlg, QStringLiteral("Sq"), kSquare);
    // Offset X 5 then 2; turn 90 and back to 0; scale 2 then 1.
    prompter.m_lstKeypadEntries << "5" << "2" << "90" << "0" << "2" << "1";
    WhenOpen([&] {
        CDlgEditPolygon* ed = dlg.PolygonEditor();
        Btn(ed, "Btn_ShapeOffsetX")->click();
        QVERIFY(Near(p->m_lstVertices[0], 5, 0));
        Btn(ed, "Btn_ShapeOffsetX")->click();
        QVERIFY(Near(p->m_lstVertices[0], 2, 0));
        QCOMPARE(Btn(ed, "Btn_ShapeOffsetX")->text(), QStringLiteral("2.0000\nOffset X"));
        Btn(ed, "Btn_ShapeOrientation")->click();
        // About the centre (5, 5) moved with the offset: (2, 0) goes to about (2, 10).
        QVERIFY(Near(p->m_lstVertices[0], 2, 10));
        QCOMPARE(Vertices(dlg)->item(0)->text(), CPolygonEdit::Text(p->m_lstVertices[0]));
        Btn(ed, "Btn_ShapeOrientation")->click();
        QVERIFY(Near(p->m_lstVertices[0], 2, 0, 1e-9));
        Btn(ed, "Btn_ShapeScale")->click();
        QVERIFY(Near(p->m_lstVertices[0], -3, -5, 1e-9));
        QVERIFY(Near(p->m_lstVertices[2], 17, 15, 1e-9));
        Btn(ed, "Btn_ShapeScale")->click();
        QVERIFY(Near(p->m_lstVertices[2], 12, 10, 1e-9));
        Btn(ed, "Btn_Ok")->click();
    });
    EditRow(dlg, 0);
    QVERIFY(Near(p->m_lstVertices[0], 2, 0, 1e-9));
    QVERIFY(!dlg.m_bPolygonEditing);
}

void TestDlgEditPolygon::reopenStartsFromNothing()
{
    RIG
    // An uneven shape: turning it is not symmetric about its box.
    stPolygon* p = AddPolygon(dlg, QStringLiteral("T"), {{0, 0}, {30, 0}, {0, 5}});
    prompter.m_lstKeypadEntries << "30";
    WhenOpen([&] {
        Btn(dlg.PolygonEditor(), "Btn_ShapeOrientation")->click();
        Btn(dlg.PolygonEditor(), "Btn_Ok")->click();
    });
    EditRow(dlg, 0);
    const std::vector<stFloatPoint> turned = p->m_lstVertices;
    prompter.m_lstKeypadEntries << "30" << "0";
    WhenOpen([&] {
        CDlgEditPolygon* ed = dlg.PolygonEditor();
        QCOMPARE(Btn(ed, "Btn_ShapeOrientation")->text(), QStringLiteral("0.000\nAngle(deg)"));
        QCOMPARE(dlg.m_uiSelVertex, 0u);
        // 30 more from this opening's shape, then back to where it opened.
        Btn(ed, "Btn_ShapeOrientation")->click();
        QVERIFY(!Near(p->m_lstVertices[1], turned[1].x, turned[1].y));
        Btn(ed, "Btn_ShapeOrientation")->click();
        QVERIFY(Near(p->m_lstVertices[1], turned[1].x, turned[1].y, 1e-9));
        Btn(ed, "Btn_Ok")->click();
    });
    EditRow(dlg, 0);
}

void TestDlgEditPolygon::vertexListAtBothEnds()
{
    RIG
    stPolygon* p = AddPolygon(dlg, QStringLiteral("Sq"), kSquare);
    WhenOpen([&] {
        CDlgEditPolygon* ed = dlg.PolygonEditor();
        QListWidget* lw = Vertices(dlg);
        QCOMPARE(lw->count(), 4);
        QCOMPARE(lw->currentRow(), 0);
        QCOMPARE(lw->item(1)->text(), QStringLiteral("10.0000,0.0000"));
        Btn(ed, "Btn_MovePtUp")->click(); // row 0: nothing
        QVERIFY(Near(p->m_lstVertices[0], 0, 0));
        Btn(ed, "Btn_MovePtDown")->click();
        QVERIFY(Near(p->m_lstVertices[1], 0, 0));
        QCOMPARE(lw->currentRow(), 1);
        QCOMPARE(lw->item(1)->text(), QStringLiteral("0.0000,0.0000"));
        lw->setCurrentRow(3);
        Btn(ed, "Btn_MovePtDown")->click(); // last row: nothing
        QVERIFY(Near(p->m_lstVertices[3], 0, 10));
        Btn(ed, "Btn_MovePtUp")->click();
        QVERIFY(Near(p->m_lstVertices[2], 0, 10));

        // The marked vertex follows deletions and never points past the end.
        lw->setCurrentRow(3);
        emit lw->clicked(lw->model()->index(3, 0));
        QCOMPARE(dlg.m_uiSelVertex, 3u);
        Btn(ed, "Btn_DeletePt")->click();
        QCOMPARE(int(p->m_lstVertices.size()), 3);
        QCOMPARE(lw->count(), 3);
        QVERIFY(dlg.m_uiSelVertex < 3u);
        lw->setCurrentRow(0);
        Btn(ed, "Btn_DeletePt")->click();
        QCOMPARE(dlg.m_uiSelVertex, 1u);
        lw->setCurrentRow(-1);
        Btn(ed, "Btn_DeletePt")->click(); // no current row: nothing
        QCOMPARE(int(p->m_lstVertices.size()), 2);
        dlg.DrawWorkArea(); // the marker is drawn on a vertex that exists
        Btn(ed, "Btn_Ok")->click();
    });
    EditRow(dlg, 0);
}

void TestDlgEditPolygon::insertAndEditVertex()
{
    RIG
    stPolygon* p = AddPolygon(dlg, QStringLiteral("Sq"), kSquare);
    WhenOpen([&] {
        CDlgEditPolygon* ed = dlg.PolygonEditor();
        QListWidget* lw = Vertices(dlg);
        // Inserted with no row current: first; confirmed untouched: (0, 0).
        lw->setCurrentRow(-1);
        QTimer::singleShot(0, [] {
            auto* v = qobject_cast<CDlgEditPolygonVertex*>(QApplication::activeModalWidget());
            QVERIFY(v);
            QCOMPARE(Btn(v, "Btn_PolygonVertexX")->text(), QStringLiteral("0.000"));
            Btn(v, "Btn_Ok")->click();
        });
        Btn(ed, "Btn_InsertPt")->click();
        QCOMPARE(int(p->m_lstVertices.size()), 5);
        QVERIFY(Near(p->m_lstVertices[0], 0, 0));
        QCOMPARE(lw->item(0)->text(), QStringLiteral("0.0000,0.0000"));
        // After the current row otherwise.
        lw->setCurrentRow(2);
        QTimer::singleShot(0, [] {
            auto* v = qobject_cast<CDlgEditPolygonVertex*>(QApplication::activeModalWidget());
            QVERIFY(v);
            v->m_Vertex.x = 7;
            v->m_Vertex.y = 3;
            Btn(v, "Btn_Ok")->click();
        });
        Btn(ed, "Btn_InsertPt")->click();
        QVERIFY(Near(p->m_lstVertices[3], 7, 3));
        QCOMPARE(lw->item(3)->text(), QStringLiteral("7.0000,3.0000"));
        // Double click edits a vertex; Cancel changes nothing.
        lw->setCurrentRow(4);
        QTimer::singleShot(0, [] {
            auto* v = qobject_cast<CDlgEditPolygonVertex*>(QApplication::activeModalWidget());
            QVERIFY(v);
            QCOMPARE(Btn(v, "Btn_PolygonVertexX")->text(), QStringLiteral("10.0000"));
            Btn(v, "Btn_Cancel")->click();
        });
        emit lw->doubleClicked(lw->model()->index(4, 0));
        QVERIFY(Near(p->m_lstVertices[4], 10, 10));
        QTimer::singleShot(0, [] {
            auto* v = qobject_cast<CDlgEditPolygonVertex*>(QApplication::activeModalWidget());
            QVERIFY(v);
            v->m_Vertex.y = 12.5;
            Btn(v, "Btn_Ok")->click();
        });
        emit lw->doubleClicked(lw->model()->index(4, 0));
        QVERIFY(Near(p->m_lstVertices[4], 10, 12.5));
        QCOMPARE(lw->item(4)->text(), QStringLiteral("10.0000,12.5000"));
        Btn(ed, "Btn_Ok")->click();
    });
    EditRow(dlg, 0);
}

void TestDlgEditPolygon::vertexEditorKeypad()
{
    CFakePrompter prompter;
    CDlgEditPolygonVertex v;
    v.m_Vertex.x = 12.5;
    v.m_Vertex.y = 3;
    v.ConfigSettings();
    QCOMPARE(Btn(&v, "Btn_PolygonVertexX")->text(), QStringLiteral("12.5000"));
    // Cancel on the keypad keeps the value shown; OK takes the entry; text
    // that is no number keeps the value too.
    prompter.m_lstKeypadEntries << CFakePrompter::KeypadCancel << "40.25" << "abc";
    Btn(&v, "Btn_PolygonVertexX")->click();
    QCOMPARE(v.m_Vertex.x, 12.5);
    Btn(&v, "Btn_PolygonVertexX")->click();
    QCOMPARE(v.m_Vertex.x, 40.25);
    QCOMPARE(Btn(&v, "Btn_PolygonVertexX")->text(), QStringLiteral("40.2500"));
    Btn(&v, "Btn_PolygonVertexY")->click();
    QCOMPARE(v.m_Vertex.y, 3.0);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QStringLiteral("Polygon X"));
    QCOMPARE(prompter.m_lstPrompts[2].m_strTitle, QStringLiteral("Polygon Y"));
    QVERIFY(!prompter.m_bLastKeypadSign);
    // Closing with Cancel leaves m_bOk false.
    Btn(&v, "Btn_Cancel")->click();
    QVERIFY(!v.m_bOk);
}

void TestDlgEditPolygon::pickAndDrag()
{
    RIG
    stPolygon* p = AddPolygon(dlg, QStringLiteral("P"), {{20, 50}, {21, 51}, {60, 50}});
    WhenOpen([&] {
        QListWidget* lw = Vertices(dlg);
        // Box reaching below zero: nothing.
        Press(dlg, 2, 50, Qt::LeftButton);
        QCOMPARE(lw->currentRow(), 0);
        // Within 3 mm of two vertices: the earlier one.
        Press(dlg, 60, 50, Qt::LeftButton);
        QCOMPARE(lw->currentRow(), 2);
        QCOMPARE(dlg.m_uiSelVertex, 2u);
        Press(dlg, 21.5, 50.5, Qt::LeftButton);
        QCOMPARE(dlg.m_uiSelVertex, 0u);
        // Dragging the selected vertex with the left button held.
        CMyView* v = dlg.View();
        v->m_ImgPos = dlg.Map().ToPixel(30, 70);
        v->m_bLBtnDown = true;
        emit v->MouseMoved();
        QVERIFY(std::fabs(p->m_lstVertices[0].x - 30) < 1 && std::fabs(p->m_lstVertices[0].y - 70) < 1);
        QCOMPARE(lw->item(0)->text(), CPolygonEdit::Text(p->m_lstVertices[0]));
        QCOMPARE(lw->currentRow(), 0);
        Btn(dlg.PolygonEditor(), "Btn_Ok")->click();
    });
    EditRow(dlg, 0);
}

void TestDlgEditPolygon::closePolygon()
{
    RIG
    stPolygon* p = AddPolygon(dlg, QStringLiteral("Open"), kSquare);
    WhenOpen([&] {
        Btn(dlg.PolygonEditor(), "Btn_ClosePoly")->click();
        Btn(dlg.PolygonEditor(), "Btn_ClosePoly")->click();
        QCOMPARE(Vertices(dlg)->count(), 5);
        Btn(dlg.PolygonEditor(), "Btn_Ok")->click();
    });
    EditRow(dlg, 0);
    QCOMPARE(int(p->m_lstVertices.size()), 5);
    QVERIFY(Near(p->m_lstVertices[4], 0, 0));
}

void TestDlgEditPolygon::cancelAfterMixedEdits()
{
    RIG
    stPolygon* p = AddPolygon(dlg, QStringLiteral("Keep"), kSquare);
    p->m_bHole = true;
    p->m_fDepth = -2;
    const std::vector<stFloatPoint> before = p->m_lstVertices;
    prompter.m_lstKeypadEntries << "7" << "-3" << "45" << "3";
    WhenOpen([&] {
        CDlgEditPolygon* ed = dlg.PolygonEditor();
        for (const char* name : {"Btn_ShapeOffsetX", "Btn_ShapeOffsetY", "Btn_ShapeOrientation", "Btn_ShapeScale",
                                 "Btn_ClosePoly", "Btn_MovePtDown", "Btn_DeletePt"})
            Btn(ed, name)->click();
        p->m_strName = QStringLiteral("Other");
        p->m_bHole = false;
        p->m_fDepth = -9;
        QTest::keyClick(ed, Qt::Key_Escape); // the same as Cancel
    });
    EditRow(dlg, 0);
    QCOMPARE(p->m_strName, QStringLiteral("Keep"));
    QVERIFY(p->m_bHole);
    QCOMPARE(p->m_fDepth, -2.0);
    QCOMPARE(p->m_lstVertices.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i)
        QVERIFY(Near(p->m_lstVertices[i], before[i].x, before[i].y, 0));
    QCOMPARE(List(dlg)->item(0)->text(), QStringLiteral("Keep"));
}

void TestDlgEditPolygon::emptiedPolygonLeavesTheList()
{
    RIG
    AddPolygon(dlg, QStringLiteral("A"), {{1, 1}});
    AddPolygon(dlg, QStringLiteral("B"), {{5, 5}, {6, 6}});
    WhenOpen([&] {
        Btn(dlg.PolygonEditor(), "Btn_DeletePt")->click();
        Btn(dlg.PolygonEditor(), "Btn_Ok")->click();
    });
    EditRow(dlg, 0);
    QCOMPARE(Texts(List(dlg)), QStringList{"B"});
    QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 1);
}

QTEST_MAIN(TestDlgEditPolygon)
#include "tst_dlgeditpolygon.moc"
