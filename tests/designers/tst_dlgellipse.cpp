// The ellipse editor: its form, the values it shows, the ranges and rules of
// its keypad buttons, and the pocket rebuilt when a diameter changes.
#include "designerrig.h"
#include "designers/dlgellipse.h"
#include "shapes/ellipsepoints.h"
#include "formcheck.h"

#include "core/AppConfig.h"

#include <QtTest>

class TestDlgEllipse : public QObject
{
    Q_OBJECT
    std::unique_ptr<stRig> m_pRig;
private slots:
    void init() { m_pRig = NewRig(); }
    void cleanup() { m_pRig.reset(); }
    void form();
    void entries_data();
    void entries();
    void sameDiameterRecomputesNothing();
    void diameterChangeRebuildsPocket();
    void pocketFollowsTheEllipse();
    void pocketRingsWithinTheListLimit_data();
    void pocketRingsWithinTheListLimit();
};

void TestDlgEllipse::form()
{
    CDlgEllipse panel;
    static const stFormRow kRows[] = {
        {"CDlgEllipse", "QDialog", 0, 0, 375, 400, "Ellipse"},
        {"Btn_EllipseCenterX", "QPushButton", 60, 56, 110, 40, "100.000\nCenter X"},
        {"Btn_EllipseCenterY", "QPushButton", 190, 56, 110, 40, "100.000\nCenter Y"},
        {"Btn_EllipseMinorAxisDia", "QPushButton", 60, 110, 110, 40, "25.000\nMinor Axis Dia"},
        {"Btn_EllipseMajorAxisDia", "QPushButton", 190, 110, 110, 40, "25.000\nMajor Axis Dia"},
        {"Btn_EllipseOrientation", "QPushButton", 60, 160, 110, 40, "0.000\nOrientation(deg)"},
        {"Btn_EllipseDepth", "QPushButton", 190, 160, 110, 40, "10.000\nDepth"},
        {"Btn_EllipseHole", "QPushButton", 60, 210, 110, 40, "Pocket"},
        {"Btn_EllipseXStep", "QPushButton", 190, 210, 110, 40, "0.2\nX Step"},
        {"Btn_ArcStartAngle", "QPushButton", 60, 260, 110, 40, "0.000\nArc Start Angle"},
        {"Btn_ArcEndAngle", "QPushButton", 190, 260, 110, 40, "360.000\nArc End Angle"},
        {"Btn_EllipseCancel", "QPushButton", 180, 350, 90, 40, "Cancel"},
        {"Btn_EllipseOk", "QPushButton", 280, 350, 90, 40, "Ok"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&panel, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    QCOMPARE(panel.minimumSize(), QSize(375, 400));
    QCOMPARE(panel.maximumSize(), QSize(375, 400));
}

void TestDlgEllipse::entries_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("keypadTitle");
    QTest::newRow("centre x") << "Btn_EllipseCenterX" << "70" << "70.0000\nCenter X" << "Center X(mm)";
    QTest::newRow("centre below range") << "Btn_EllipseCenterY" << "0" << "0.0100\nCenter Y" << "Center Y(mm)";
    QTest::newRow("minor above major") << "Btn_EllipseMinorAxisDia" << "30" << "25.0000\nMinor Axis Dia"
                                       << "Minor Axis Dia(mm)";
    QTest::newRow("orientation") << "Btn_EllipseOrientation" << "400" << "360.0000\nOrientation(deg)"
                                 << "Orientation(deg)";
    QTest::newRow("depth positive") << "Btn_EllipseDepth" << "5" << "-0.0010\nDepth" << "Depth(mm)";
    QTest::newRow("depth too deep") << "Btn_EllipseDepth" << "-20000" << "-10000.0000\nDepth" << "Depth(mm)";
    QTest::newRow("x step to motor steps") << "Btn_EllipseXStep" << "0.0015" << "0.0020\nX Step" << "X Step(mm)";
    QTest::newRow("x step whole") << "Btn_EllipseXStep" << "0.002" << "0.0020\nX Step" << "X Step(mm)";
    QTest::newRow("arc start above end") << "Btn_ArcStartAngle" << "400" << "360.0000\nArc Start Angle"
                                         << "Arc Start Angle(deg)";
    QTest::newRow("arc end") << "Btn_ArcEndAngle" << "90" << "90.0000\nArc End Angle" << "Arc End Angle(deg)";
}

void TestDlgEllipse::entries()
{
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, keypadTitle);
    RIG
    prompter.m_lstKeypadEntries << typed;
    WhenOpen([&] {
        CDlgEllipse* ed = dlg.EllipseEditor();
        QCOMPARE(Btn(ed, "Btn_EllipseCenterX")->text(), QStringLiteral("50.0000\nCenter X"));
        QCOMPARE(Btn(ed, "Btn_EllipseDepth")->text(), QStringLiteral("-10.0000\nDepth"));
        Btn(ed, qPrintable(button))->click();
        QCOMPARE(Btn(ed, qPrintable(button))->text(), shown);
        QCOMPARE(Btn(ed, qPrintable(button))->styleSheet(), BTN_BKGND_GRAY);
        Btn(ed, "Btn_EllipseOk")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
    QCOMPARE(prompter.m_lstPrompts.value(0).m_strTitle, keypadTitle);
    // The record holds what the button shows, and the path follows it.
    const stEllipse& e = *dlg.EllipseAt(0);
    const double f = shown.section(QLatin1Char('\n'), 0, 0).toDouble();
    const double stored = button == QLatin1String("Btn_EllipseCenterX")        ? e.m_Center.x
                          : button == QLatin1String("Btn_EllipseCenterY")      ? e.m_Center.y
                          : button == QLatin1String("Btn_EllipseMinorAxisDia") ? e.m_fMinorAxisDia
                          : button == QLatin1String("Btn_EllipseOrientation")  ? e.m_fOrientation
                          : button == QLatin1String("Btn_EllipseDepth")        ? e.m_fDepth
                          : button == QLatin1String("Btn_EllipseXStep")        ? e.m_fXStep
                          : button == QLatin1String("Btn_ArcStartAngle")       ? e.m_fArcStartAngle
                                                                               : e.m_fArcEndAngle;
    QCOMPARE(stored, f);
    stEllipse copy = e;
    QCOMPARE(CEllipsePoints::Create(copy, 5.0).size(), e.m_lstPoints.size());
}

void TestDlgEllipse::sameDiameterRecomputesNothing()
{
    RIG
    prompter.m_lstKeypadEntries << "25" << "40";
    WhenOpen([&] {
        stEllipse* e = dlg.EllipseAt(0);
        e->m_lstPoints.clear();
        Btn(dlg.EllipseEditor(), "Btn_EllipseMajorAxisDia")->click();
        QVERIFY(e->m_lstPoints.empty());
        Btn(dlg.EllipseEditor(), "Btn_EllipseMajorAxisDia")->click();
        QCOMPARE(e->m_fMajorAxisDia, 40.0);
        QVERIFY(!e->m_lstPoints.empty());
        QCOMPARE(e->m_lstPoints.front().x, 50.0 + 22.5);
        Btn(dlg.EllipseEditor(), "Btn_EllipseOk")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
}

void TestDlgEllipse::diameterChangeRebuildsPocket()
{
    RIG
    prompter.m_lstKeypadEntries << "30" << "20" << "-2";
    WhenOpen([&] {
        CDlgEllipse* ed = dlg.EllipseEditor();
        Btn(ed, "Btn_EllipseHole")->click();
        QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 1 + 4); // 20, 15, 10, 5
        Btn(ed, "Btn_EllipseMajorAxisDia")->click(); // 30 x 25: rings 25x20 .. 10x5
        QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 1 + 4);
        QCOMPARE(dlg.EllipseAt(1)->m_fMajorAxisDia, 25.0);
        Btn(ed, "Btn_EllipseMinorAxisDia")->click(); // 30 x 20: rings 25x15, 20x10, 15x5
        QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 1 + 3);
        QCOMPARE(dlg.EllipseAt(3)->m_fMinorAxisDia, 5.0);
        QCOMPARE(Btn(ed, "Btn_EllipseHole")->styleSheet(), BTN_BKGND_GREEN);
        // Depth with the pocket on goes to the rings as well.
        Btn(ed, "Btn_EllipseDepth")->click();
        for (int i = 0; i < 4; ++i)
            QCOMPARE(dlg.EllipseAt(i)->m_fDepth, -2.0);
        // Off again: only the ellipse, cut outside its outline.
        Btn(ed, "Btn_EllipseHole")->click();
        QCOMPARE(int(dlg.m_stShapeCuttingInfo.m_lstShapes.size()), 1);
        QVERIFY(!dlg.EllipseAt(0)->m_bHole);
        QCOMPARE(dlg.EllipseAt(0)->m_lstPoints.front().x, 50.0 + 17.5);
        Btn(ed, "Btn_EllipseOk")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
    QCOMPARE(Texts(List(dlg)), QStringList{"Ellipse_1"});
}

void TestDlgEllipse::pocketFollowsTheEllipse()
{
    RIG
    // Every ring lies on the ellipse's centre and turn, and is a hole.
    auto ringsOnEllipse = [&dlg](int nRings) {
        const auto& shapes = dlg.m_stShapeCuttingInfo.m_lstShapes;
        if (int(shapes.size()) != 1 + nRings)
            return QStringLiteral("%1 shapes").arg(shapes.size());
        const stEllipse& e = *dlg.EllipseAt(0);
        for (int i = 1; i <= nRings; ++i) {
            const stEllipse& r = *dlg.EllipseAt(i);
            if (r.m_Center.x != e.m_Center.x || r.m_Center.y != e.m_Center.y ||
                r.m_fOrientation != e.m_fOrientation || !r.m_bHole)
                return QStringLiteral("ring %1 at %2,%3 turned %4").arg(i).arg(r.m_Center.x).arg(r.m_Center.y).arg(
                    r.m_fOrientation);
            stEllipse copy = r;
            copy.m_lstPoints.clear();
            const std::vector<stFloatPoint> pts = CEllipsePoints::Create(copy, AppConfig::m_fEndMillDia);
            if (pts.size() != r.m_lstPoints.size() || pts.front().x != r.m_lstPoints.front().x ||
                pts.front().y != r.m_lstPoints.front().y)
                return QStringLiteral("ring %1: path not on its centre").arg(i);
        }
        return QString();
    };
    // Centre X, orientation, minor below the end mill, minor 20.
    prompter.m_lstKeypadEntries << "70" << "30" << "4" << "20";
    WhenOpen([&] {
        CDlgEllipse* ed = dlg.EllipseEditor();
        QPushButton* pocket = Btn(ed, "Btn_EllipseHole");
        pocket->click();
        QCOMPARE(ringsOnEllipse(4), QString());
        Btn(ed, "Btn_EllipseCenterX")->click();
        QCOMPARE(ringsOnEllipse(4), QString());
        Btn(ed, "Btn_EllipseOrientation")->click();
        QCOMPARE(ringsOnEllipse(4), QString());
        // Dragged in the work area: the rings go along, the pocket stays on.
        Press(dlg, 70, 50, Qt::LeftButton);
        dlg.View()->m_ImgPos = dlg.Map().ToPixel(120, 90);
        dlg.View()->m_bLBtnDown = true;
        emit dlg.View()->MouseMoved();
        QVERIFY(dlg.EllipseAt(0)->m_Center.x > 110);
        QCOMPARE(ringsOnEllipse(4), QString());
        QCOMPARE(pocket->styleSheet(), BTN_BKGND_GREEN);

        // A minor diameter the end mill no longer fits: no rings, and the
        // ellipse is cut round its outline again, not shrunk to its centre.
        Btn(ed, "Btn_EllipseMinorAxisDia")->click();
        QCOMPARE(mw.m_lstLog.last(), QStringLiteral("error: End-mill size too big. Please change the End-Mill"));
        QCOMPARE(ringsOnEllipse(0), QString());
        const stEllipse& e = *dlg.EllipseAt(0);
        QVERIFY(!e.m_bHole);
        QCOMPARE(e.m_lstPoints.size(), CEllipsePoints::Create(e, 5.0).size());
        QVERIFY(e.m_lstPoints.size() > 100);
        QCOMPARE(pocket->styleSheet(), BTN_BKGND_GRAY);
        emit dlg.View()->MouseMoved(); // a drag does not make it look on
        QCOMPARE(pocket->styleSheet(), BTN_BKGND_GRAY);
        // Wide enough again: the pocket is still on and its rings come back.
        Btn(ed, "Btn_EllipseMinorAxisDia")->click();
        QCOMPARE(ringsOnEllipse(3), QString()); // 25 x 20
        QCOMPARE(pocket->styleSheet(), BTN_BKGND_GREEN);
        Btn(ed, "Btn_EllipseOk")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
    QCOMPARE(Texts(List(dlg)), (QStringList{"Ellipse_1_1", "Ellipse_1_2", "Ellipse_1_3", "Ellipse_1_4"}));
}

QTEST_MAIN(TestDlgEllipse)
#include "tst_dlgellipse.moc"

// The shape list holds at most 65535 entries (16-bit indices): pocket rings
// that fill it are made; rings that would pass it are not made at all, the
// ellipse is cut round its outline and the log says why.
void TestDlgEllipse::pocketRingsWithinTheListLimit_data()
{
    QTest::addColumn<int>("listed");
    QTest::addColumn<bool>("pocket");
    // A 25 mm circle and a 5 mm end mill: four rings (20, 15, 10, 5 mm).
    QTest::newRow("rings fill the list") << 65530 << true;
    QTest::newRow("one ring too many") << 65531 << false;
}

void TestDlgEllipse::pocketRingsWithinTheListLimit()
{
    QFETCH(int, listed);
    QFETCH(bool, pocket);
    RIG
    for (int i = 0; i < listed; ++i)
        dlg.m_stShapeCuttingInfo.AddEllipse(new stEllipse);
    WhenOpen([&] {
        CDlgEllipse* ed = dlg.EllipseEditor();
        mw.m_lstLog.clear();
        Btn(ed, "Btn_EllipseHole")->click();
        const stEllipse* e = dlg.EllipseAt(listed);
        QVERIFY(e);
        if (pocket) {
            QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes.size(), size_t(65535));
            QVERIFY(e->m_bHole);
            QCOMPARE(Btn(ed, "Btn_EllipseHole")->styleSheet(), BTN_BKGND_GREEN);
            QVERIFY(mw.m_lstLog.isEmpty());
        } else {
            QCOMPARE(dlg.m_stShapeCuttingInfo.m_lstShapes.size(), size_t(listed + 1));
            QVERIFY(!e->m_bHole);
            QVERIFY(!e->m_lstPoints.empty());
            QCOMPARE(Btn(ed, "Btn_EllipseHole")->styleSheet(), BTN_BKGND_GRAY);
            QCOMPARE(mw.m_lstLog,
                     QStringList{"error: Too many shapes (4 more): the shape list holds at most 65535"});
        }
        Btn(ed, "Btn_EllipseOk")->click();
    });
    Btn(&dlg, "Btn_AddEllipse")->click();
}
