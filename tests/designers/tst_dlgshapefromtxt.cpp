// Shapes from text: the form, letters traced into named polygons at the
// text position, keypad and step moves, turns, depth, bold, Cancel.
#include "designers/dlgshapefromtxt.h"
#include "designers/dlgshapes.h"
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"

#include "core/AppConfig.h"
#include "shapes/workareafit.h"

#include <QFontComboBox>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

namespace {
// A designer with one ellipse from before the opening, and the text panel
// open with DejaVu Sans.
struct stOpening
{
    CFakePrompter m_Prompter;
    CFakeMainWindow m_Main;
    CDlgShapes m_Designer{&m_Main};
    CDlgShapeFromTxt m_Dlg{&m_Designer};
    stOpening()
    {
        m_Designer.ConfigSettings();
        m_Designer.m_stShapeCuttingInfo.AddEllipse(new stEllipse);
        m_Designer.m_nShapesBeforeSubDlg = 1;
        m_Dlg.ConfigSettings();
        m_Dlg.findChild<QFontComboBox*>("Cmb_FontSelection")->setCurrentFont(QFont(QStringLiteral("DejaVu Sans")));
    }
    void Type(const QString& strText) { m_Dlg.findChild<QTextEdit*>("TextToCut")->setPlainText(strText); }
    std::vector<stEngShape>& Shapes() { return m_Designer.m_stShapeCuttingInfo.m_lstShapes; }
    const stPolygon& Polygon(size_t i) { return *Shapes().at(i).m_pPolygon; }
    // Every vertex of the opening's polygons, in order.
    std::vector<stFloatPoint> Vertices()
    {
        std::vector<stFloatPoint> all;
        for (size_t i = 1; i < Shapes().size(); ++i)
            for (const stFloatPoint& v : Polygon(i).m_lstVertices)
                all.push_back(v);
        return all;
    }
    QString Text(const char* pName) { return FindButton(m_Dlg, pName)->text(); }
};

bool SameShift(const std::vector<stFloatPoint>& a, const std::vector<stFloatPoint>& b, double dx, double dy)
{
    if (a.size() != b.size() || a.empty())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (qAbs(b[i].x - a[i].x - dx) > 1e-6 || qAbs(b[i].y - a[i].y - dy) > 1e-6)
            return false;
    return true;
}
} // namespace

class TestDlgShapeFromTxt : public QObject
{
    Q_OBJECT
private slots:
    void form();
    void letterO();
    void positionSteps();
    void positionKeypad();
    void turns();
    void turnThenMove();
    void depthAndBold();
    void emptyingAndCancel();
    void offTheWorkArea();
};

void TestDlgShapeFromTxt::form()
{
    CDlgShapeFromTxt dlg;
    static const stFormRow kRows[] = {
        {"CDlgShapeFromTxt", "QDialog", 0, 0, 375, 400, "Dialog"},
        {"TextToCut", "QTextEdit", 50, 10, 291, 61, nullptr},
        {"Cmb_FontSelection", "QFontComboBox", 50, 82, 291, 41, nullptr},
        {"Btn_TextSize", "QPushButton", 50, 130, 91, 41, "60.0000\nText Size"},
        {"Btn_LineSpacing", "QPushButton", 150, 130, 91, 41, "0.0000\nSpacing"},
        {"Btn_TextDepth", "QPushButton", 250, 130, 91, 41, "-10.0000\nDepth"},
        {"Btn_TextBoldSel", "QPushButton", 50, 180, 91, 41, "Bold"},
        {"Btn_TextItalicSel", "QPushButton", 151, 180, 91, 41, "Italic"},
        {"Btn_PosY_Inc", "QPushButton", 280, 182, 40, 40, "+"},
        {"Btn_PosX_Dec", "QPushButton", 50, 230, 40, 40, "-"},
        {"Btn_TextPos_X", "QPushButton", 100, 230, 91, 41, "0.0000\nPosition X"},
        {"Btn_PosX_Inc", "QPushButton", 200, 230, 40, 40, "+"},
        {"Btn_TextPos_Y", "QPushButton", 250, 232, 91, 41, "0.0000\nPosition Y"},
        {"Btn_PosY_Dec", "QPushButton", 280, 282, 40, 40, "-"},
        {"Btn_Orientation_CCW", "QPushButton", 50, 280, 40, 40, ""},
        {"Btn_Orientation", "QPushButton", 100, 280, 91, 41, "0.0000\nDegree"},
        {"Btn_Orientation_CW", "QPushButton", 200, 280, 40, 40, ""},
        {"Btn_Cancel", "QPushButton", 170, 352, 90, 40, "Cancel"},
        {"Btn_Ok", "QPushButton", 270, 352, 90, 40, "Ok"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    auto* pCombo = dlg.findChild<QFontComboBox*>("Cmb_FontSelection");
    QVERIFY(!pCombo->isEditable());
    QCOMPARE(pCombo->insertPolicy(), QComboBox::NoInsert);
    auto* pText = dlg.findChild<QTextEdit*>("TextToCut");
    QCOMPARE(pText->font().pointSize(), 12);
    QVERIFY(pText->font().bold());
    for (const char* pName : {"Btn_Orientation_CW", "Btn_Orientation_CCW"}) {
        QVERIFY2(!FindButton(dlg, pName)->icon().isNull(), pName);
        QCOMPARE(FindButton(dlg, pName)->iconSize(), QSize(34, 34));
    }
}

// A letter o: its outline and its hole, named by their list index, with the
// left end of the baseline at the text position.
void TestDlgShapeFromTxt::letterO()
{
    stOpening o;
    o.Type(QStringLiteral("o"));
    QCOMPARE(o.Shapes().size(), size_t(3));
    QCOMPARE(o.Polygon(1).m_strName, QStringLiteral("Text_1"));
    QCOMPARE(o.Polygon(2).m_strName, QStringLiteral("Text_2"));
    QCOMPARE(o.Polygon(1).m_fDepth, -10.0);
    double minY = 1e9, minX = 1e9;
    for (const stFloatPoint& v : o.Vertices()) {
        minY = std::min(minY, v.y);
        minX = std::min(minX, v.x);
    }
    // The o sits on the baseline (within a pixel's overshoot) just right of
    // the text position.
    const double pixel = 1.0 / o.m_Designer.m_dScale;
    QVERIFY2(qAbs(minY) < 1.5 * pixel, qPrintable(QString::number(minY)));
    QVERIFY(minX > 0 && minX < 10 * pixel);
    // The centre is the middle of the text's box.
    QVERIFY(o.m_Dlg.m_TextCentre.x > minX && o.m_Dlg.m_TextCentre.y > minY);

    // Retyping replaces the opening's polygons.
    o.Type(QStringLiteral("oo"));
    QCOMPARE(o.Shapes().size(), size_t(5));
    QCOMPARE(o.Polygon(4).m_strName, QStringLiteral("Text_4"));
}

void TestDlgShapeFromTxt::positionSteps()
{
    stOpening o;
    o.Type(QStringLiteral("o"));
    const std::vector<stFloatPoint> before = o.Vertices();
    ClickButton(o.m_Dlg, "Btn_PosX_Inc");
    QCOMPARE(FindButton(o.m_Dlg, "Btn_PosX_Inc")->styleSheet(), BTN_BKGND_GREEN);
    QCOMPARE(o.m_Dlg.m_TextPos.x, 10.0);
    QCOMPARE(o.Text("Btn_TextPos_X"), QStringLiteral("10.0000\nPostion X"));
    QVERIFY(SameShift(before, o.Vertices(), 10.0, 0.0));
    QTRY_COMPARE(FindButton(o.m_Dlg, "Btn_PosX_Inc")->styleSheet(), BTN_BKGND_GRAY);

    // Below 0 is refused.
    ClickButton(o.m_Dlg, "Btn_PosY_Dec");
    QCOMPARE(o.m_Dlg.m_TextPos.y, 0.0);
    QCOMPARE(o.Text("Btn_TextPos_Y"), QStringLiteral("0.0000\nPosition Y"));
    ClickButton(o.m_Dlg, "Btn_PosY_Inc");
    ClickButton(o.m_Dlg, "Btn_PosX_Dec");
    QCOMPARE(o.m_Dlg.m_TextPos.y, 10.0);
    QCOMPARE(o.m_Dlg.m_TextPos.x, 0.0);
    QVERIFY(SameShift(before, o.Vertices(), 0.0, 10.0));

    // Within 10 mm of the limit, "+" changes nothing.
    const double maxX = (o.m_Designer.WorkAreaImage()->width() - o.m_Designer.m_nMargin) / o.m_Designer.m_dScale;
    stFloatPoint pos = o.m_Dlg.m_TextPos;
    pos.x = maxX - 5.0;
    o.m_Dlg.UpdateTextPos(pos);
    const std::vector<stFloatPoint> nearLimit = o.Vertices();
    const QString strText = o.Text("Btn_TextPos_X");
    ClickButton(o.m_Dlg, "Btn_PosX_Inc");
    QCOMPARE(o.m_Dlg.m_TextPos.x, maxX - 5.0);
    QCOMPARE(o.Text("Btn_TextPos_X"), strText);
    QVERIFY(SameShift(nearLimit, o.Vertices(), 0.0, 0.0));
}

void TestDlgShapeFromTxt::positionKeypad()
{
    stOpening o;
    o.Type(QStringLiteral("x"));
    const std::vector<stFloatPoint> before = o.Vertices();
    o.m_Prompter.m_lstKeypadEntries << "25.5" << "25.50004" << "100000";
    ClickButton(o.m_Dlg, "Btn_TextPos_X");
    QCOMPARE(o.m_Prompter.m_lstPrompts.last().m_strTitle, QStringLiteral("Position X(mm)"));
    QCOMPARE(o.Text("Btn_TextPos_X"), QStringLiteral("25.5000\nPosition X"));
    QVERIFY(SameShift(before, o.Vertices(), 25.5, 0.0));
    // The same position at 1/10000 mm moves nothing.
    ClickButton(o.m_Dlg, "Btn_TextPos_X");
    QCOMPARE(o.m_Dlg.m_TextPos.x, 25.5);
    // Beyond the drawing: clamped to the largest position.
    ClickButton(o.m_Dlg, "Btn_TextPos_Y");
    const double maxY = (o.m_Designer.WorkAreaImage()->height() - o.m_Designer.m_nMargin) / o.m_Designer.m_dScale;
    QVERIFY(qAbs(o.m_Dlg.m_TextPos.y - maxY) < 1e-9);
    const QStringList& log = o.m_Main.m_lstLog;
    QVERIFY(log.value(log.size() - 2).startsWith(QStringLiteral("error: Value must be between\n0.0000 and ")));
    // Up there the text passes the top of the 200 mm work area, and the log
    // says so with the amount.
    QVERIFY2(log.last().startsWith(QStringLiteral("warning: The shapes exceed the 300.0000 x 200.0000 mm work area by ")) &&
                 log.last().endsWith(QStringLiteral(" mm at the top")),
             qPrintable(log.last()));
}

void TestDlgShapeFromTxt::turns()
{
    stOpening o;
    o.Type(QStringLiteral("I"));
    const stFloatPoint centre = o.m_Dlg.m_TextCentre;
    // A quarter turn clockwise by the keypad: the upright I lies down.
    o.m_Prompter.m_lstKeypadEntries << "90";
    ClickButton(o.m_Dlg, "Btn_Orientation");
    QVERIFY(o.m_Prompter.m_bLastKeypadSign);
    QCOMPARE(o.m_Dlg.m_TextPos.z, 90 * CDlgShapeFromTxt::DEG_TO_RAD);
    double minX = 1e9, maxX = -1e9, minY = 1e9, maxY = -1e9;
    for (const stFloatPoint& v : o.Vertices()) {
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        minY = std::min(minY, v.y);
        maxY = std::max(maxY, v.y);
    }
    QVERIFY(maxX - minX > 3 * (maxY - minY));
    QVERIFY(qAbs((minX + maxX) / 2 - centre.x) < 0.01 && qAbs((minY + maxY) / 2 - centre.y) < 0.01);

    // Ten-degree steps; the 36th clockwise step from 0 wraps to 0.
    o.m_Prompter.m_lstKeypadEntries << "0";
    ClickButton(o.m_Dlg, "Btn_Orientation");
    const std::vector<stFloatPoint> upright = o.Vertices();
    ClickButton(o.m_Dlg, "Btn_Orientation_CCW");
    QCOMPARE(o.Text("Btn_Orientation"), QStringLiteral("-10.0000\nDegree"));
    ClickButton(o.m_Dlg, "Btn_Orientation_CW");
    for (int i = 0; i < 35; ++i)
        ClickButton(o.m_Dlg, "Btn_Orientation_CW");
    QCOMPARE(o.Text("Btn_Orientation"), QStringLiteral("350.0000\nDegree"));
    ClickButton(o.m_Dlg, "Btn_Orientation_CW");
    QCOMPARE(o.m_Dlg.m_TextPos.z, 0.0);
    QCOMPARE(o.Text("Btn_Orientation"), QStringLiteral("0.0000\nDegree"));
    const std::vector<stFloatPoint> back = o.Vertices();
    for (size_t i = 0; i < upright.size(); ++i)
        QVERIFY(qAbs(back[i].x - upright[i].x) < 1e-6 && qAbs(back[i].y - upright[i].y) < 1e-6);
}

// After a turn, a move keeps the text turned about the moved centre: the
// same as tracing it anew at that position and turn.
void TestDlgShapeFromTxt::turnThenMove()
{
    stOpening o;
    o.Type(QStringLiteral("Lo"));
    o.m_Prompter.m_lstKeypadEntries << "30" << "40";
    ClickButton(o.m_Dlg, "Btn_Orientation");
    ClickButton(o.m_Dlg, "Btn_TextPos_X");
    ClickButton(o.m_Dlg, "Btn_PosY_Inc");
    const std::vector<stFloatPoint> moved = o.Vertices();
    o.m_Dlg.FindContours();
    const std::vector<stFloatPoint> traced = o.Vertices();
    QVERIFY(SameShift(moved, traced, 0.0, 0.0));
}

void TestDlgShapeFromTxt::depthAndBold()
{
    stOpening o;
    o.Type(QStringLiteral("o"));
    const stPolygon* pFirst = &o.Polygon(1);
    o.m_Prompter.m_lstKeypadEntries << "-2.5";
    ClickButton(o.m_Dlg, "Btn_TextDepth");
    QCOMPARE(&o.Polygon(1), pFirst); // changed in place
    QCOMPARE(o.Polygon(1).m_fDepth, -2.5);
    QCOMPARE(o.Polygon(2).m_fDepth, -2.5);
    QCOMPARE(o.Shapes()[0].m_pEllipse->m_fDepth, -10.0);

    double widthPlain = 0;
    for (const stFloatPoint& v : o.Polygon(1).m_lstVertices)
        widthPlain = std::max(widthPlain, v.x);
    ClickButton(o.m_Dlg, "Btn_TextBoldSel");
    QVERIFY(o.m_Dlg.m_bBold);
    QCOMPARE(FindButton(o.m_Dlg, "Btn_TextBoldSel")->styleSheet(), BTN_BKGND_GREEN);
    QCOMPARE(o.Shapes().size(), size_t(3));
    QCOMPARE(o.Polygon(1).m_fDepth, -2.5); // later traces keep the depth
    double widthBold = 0;
    for (const stFloatPoint& v : o.Vertices())
        widthBold = std::max(widthBold, v.x);
    QVERIFY(widthBold > widthPlain);
    ClickButton(o.m_Dlg, "Btn_TextBoldSel");
    QCOMPARE(FindButton(o.m_Dlg, "Btn_TextBoldSel")->styleSheet(), BTN_BKGND_GRAY);

    // Size: a bigger o, whole points only.
    o.m_Prompter.m_lstKeypadEntries << "120.9";
    ClickButton(o.m_Dlg, "Btn_TextSize");
    QCOMPARE(o.m_Dlg.m_fTextSize, 120.9f);
    double widthBig = 0;
    for (const stFloatPoint& v : o.Vertices())
        widthBig = std::max(widthBig, v.x);
    QVERIFY(widthBig > 1.8 * widthPlain);
}

void TestDlgShapeFromTxt::emptyingAndCancel()
{
    stOpening o;
    o.Type(QStringLiteral("ab"));
    QVERIFY(o.Shapes().size() > 3);
    o.Type(QString());
    QCOMPARE(o.Shapes().size(), size_t(1));
    o.Type(QStringLiteral("c\nd")); // c, and d with its hole
    QCOMPARE(o.Shapes().size(), size_t(4));
    ClickButton(o.m_Dlg, "Btn_Cancel");
    QCOMPARE(o.Shapes().size(), size_t(1));
    QCOMPARE(o.m_Dlg.result(), int(QDialog::Rejected));

    // A shape list near its 16-bit limit: text that would take it past
    // 65535 entries adds nothing and says so.
    while (o.Shapes().size() < 65534)
        o.m_Designer.m_stShapeCuttingInfo.AddEllipse(new stEllipse);
    o.m_Designer.m_nShapesBeforeSubDlg = 65534;
    o.Type(QStringLiteral("l"));
    QCOMPARE(o.Shapes().size(), size_t(65535));
    o.Type(QStringLiteral("o"));
    QCOMPARE(o.Shapes().size(), size_t(65534));
    QCOMPARE(o.m_Main.m_lstLog.last(), QStringLiteral("error: Too many shapes (2 more): the shape list holds at most 65535"));
}

// Text of size 1000 runs far past the 300 x 200 mm work area. The log says
// so as it appears and each time the amount changes; Ok asks to shrink it: No keeps the panel open and the
// shapes as they were, Yes fits them into the work area and closes. Escape
// keeps the shapes as Ok does, under the same rule.
void TestDlgShapeFromTxt::offTheWorkArea()
{
    {
        stOpening o; // on the work area: nothing to ask
        o.Type(QStringLiteral("o"));
        ClickButton(o.m_Dlg, "Btn_Ok");
        QCOMPARE(o.m_Dlg.result(), int(QDialog::Accepted));
        QVERIFY(o.m_Prompter.Texts(QStringLiteral("Question")).isEmpty());
        QVERIFY(o.m_Main.m_lstLog.isEmpty());
    }
    stOpening o;
    o.m_Prompter.m_lstKeypadEntries << "1000";
    ClickButton(o.m_Dlg, "Btn_TextSize");
    o.Type(QStringLiteral("Hi"));
    const QStringList& log = o.m_Main.m_lstLog;
    const QString strExcess = QStringLiteral("The shapes exceed the 300.0000 x 200.0000 mm work area by ");
    QCOMPARE(log.size(), 1);
    QVERIFY2(log[0].startsWith(QStringLiteral("warning: ") + strExcess) && log[0].contains(QStringLiteral(" mm on the right")),
             qPrintable(log[0]));
    // Further past the edge: said again with the new amount, which is the
    // one the question at Ok gives; the same amount again is not repeated.
    o.Type(QStringLiteral("Hi!"));
    QCOMPARE(log.size(), 2);
    QVERIFY(log[1] != log[0]);
    o.Type(QStringLiteral("Hi!"));
    QCOMPARE(log.size(), 2);

    const std::vector<stFloatPoint> before = o.Vertices();
    o.m_Prompter.m_lstAnswers << QMessageBox::No;
    ClickButton(o.m_Dlg, "Btn_Ok");
    const CFakePrompter::stPrompt asked = o.m_Prompter.m_lstPrompts.last();
    QCOMPARE(asked.m_strKind, QStringLiteral("Question"));
    QCOMPARE(asked.m_strTitle, QStringLiteral("Shapes outside the work area"));
    QVERIFY2(asked.m_strText.startsWith(strExcess) && asked.m_strText.contains(QStringLiteral(".\nShrink them to ")),
             qPrintable(asked.m_strText));
    QCOMPARE(asked.m_strText.section(QLatin1Char('\n'), 0, 0), log[1].mid(int(qstrlen("warning: "))) + '.');
    QCOMPARE(o.m_Dlg.result(), int(QDialog::Rejected)); // still open
    QVERIFY(SameShift(before, o.Vertices(), 0.0, 0.0));
    QVERIFY2(log.last().startsWith(QStringLiteral("error: ") + strExcess) &&
                 log.last().endsWith(QStringLiteral(". Not kept: make them smaller or move them, or Cancel")),
             qPrintable(log.last()));

    o.m_Prompter.m_lstAnswers << QMessageBox::Yes;
    QTest::keyClick(&o.m_Dlg, Qt::Key_Escape);
    QCOMPARE(o.m_Prompter.Texts(QStringLiteral("Question")).size(), 2);
    QCOMPARE(o.m_Dlg.result(), int(QDialog::Accepted));
    QCOMPARE(o.Vertices().size(), before.size());
    stShapeBox box;
    QVERIFY(CWorkAreaFit::BoxFrom(o.m_Designer.m_stShapeCuttingInfo, 1, box));
    QVERIFY(CWorkAreaFit::Check(box, 300, 200).Inside());
    // The text's length set the shrink: it now spans the work area.
    QVERIFY2(qAbs(box.m_fMaxX - box.m_fMinX - 300.0) < 1e-6, qPrintable(QString::number(box.m_fMaxX - box.m_fMinX)));
}

QTEST_MAIN(TestDlgShapeFromTxt)
#include "tst_dlgshapefromtxt.moc"
