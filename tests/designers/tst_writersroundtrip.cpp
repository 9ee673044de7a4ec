// Every kind of G-code file the program writes itself, from a small job,
// goes through the G-code window's checker and then runs on the simulated
// machine (the program's own tokenizer, interpreter and run loop) to its
// end, ending where the file's words put the tool: a writer whose file its
// own interpreter refuses, or stops part way, fails here.
#include "designerrig.h"
#include "designers/dlgshapefromimg.h"
#include "designers/dlgshapefromtxt.h"
#include "gcodesimdriver.h"
#include "reliefjob.h"

#include "core/AppConfig.h"
#include "gcode/dxf2gcode.h"
#include "gcode/gcodechecker.h"
#include "gcode/gcodeprogram.h"
#include "gcode/gcodewords.h"
#include "shapes/outlineshapes.h"

#include <QFontComboBox>
#include <QPainter>
#include <QTextEdit>
#include <QtTest>

#include <cmath>
#include <sstream>

namespace {

// The text panel over the designer: a letter o in DejaVu Sans, moved onto
// the work area.
void TextOutline(stRig& rig)
{
    rig.dlg.m_nShapesBeforeSubDlg = quint16(rig.dlg.m_stShapeCuttingInfo.m_lstShapes.size());
    CDlgShapeFromTxt panel(&rig.dlg);
    panel.ConfigSettings();
    panel.findChild<QFontComboBox*>("Cmb_FontSelection")->setCurrentFont(QFont(QStringLiteral("DejaVu Sans")));
    panel.findChild<QTextEdit*>("TextToCut")->setPlainText(QStringLiteral("o"));
    COutlineShapes::MoveFrom(rig.dlg.m_stShapeCuttingInfo, 0, 10.0, 10.0);
}

// The picture panel over the designer: one black disc traced.
void PictureOutline(stRig& rig)
{
    QImage img(200, 100, QImage::Format_Grayscale8);
    img.fill(255);
    {
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::black);
        p.drawEllipse(QPoint(100, 50), 40, 40);
    }
    const QString strPicture = rig.mw.m_Setup.m_Folder.Working() + QStringLiteral("/disc.png");
    QVERIFY(img.save(strPicture));
    rig.dlg.m_nShapesBeforeSubDlg = quint16(rig.dlg.m_stShapeCuttingInfo.m_lstShapes.size());
    CDlgShapeFromImg panel(&rig.dlg);
    panel.ConfigSettings();
    rig.prompter.m_lstFileNames << strPicture;
    ClickButton(panel, "Btn_LoadImage");
}

// A square drawn by clicks on the work area and pocketed.
void FreeDrawPocket(stRig& rig)
{
    CDlgShapes* pDlg = &rig.dlg;
    WhenOpen([pDlg] {
        for (const QPointF& p : {QPointF(40, 40), QPointF(60, 40), QPointF(60, 60), QPointF(40, 60), QPointF(40, 40)})
            Press(*pDlg, p.x(), p.y(), Qt::LeftButton);
        QDialog* pPanel = pDlg->findChild<QDialog*>(QStringLiteral("CDlgShapeFreeDraw"));
        Btn(pPanel, "Btn_CutHole")->click();
        Btn(pPanel, "Btn_Save")->click();
    });
    Btn(&rig.dlg, "Btn_DrawContour")->click();
}

QString WriteRelief(stRig& rig, int iCarvingType)
{
    AppControl& ctrl = rig.mw.m_AppCtrl;
    LoadSmallReliefJob(ctrl, iCarvingType);
    const QString strPath = rig.mw.m_Setup.m_Folder.Working() + QStringLiteral("/relief.ncc");
    return ctrl.CreateGCodeFromImage(strPath) ? strPath : QString();
}

// A drawing of a line, a half circle and a line back, cut 2.5 mm deep in
// 1 mm passes.
QString WriteDxf(stRig& rig)
{
    const QString strDrawing = rig.mw.m_Setup.m_Folder.Working() + QStringLiteral("/part.dxf");
    QFile file(strDrawing);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write("0\nSECTION\n2\nENTITIES\n"
               "0\nLINE\n10\n0\n20\n0\n11\n10\n21\n0\n"
               "0\nARC\n10\n10\n20\n5\n40\n5\n50\n270\n51\n90\n"
               "0\nLINE\n10\n10\n20\n10\n11\n0\n21\n10\n"
               "0\nENDSEC\n0\nEOF\n");
    file.close();
    stDXF2GCode params;
    params.m_strDxfFile = strDrawing;
    params.m_fStepDown = 1.0;
    params.m_fTotalDepth = 2.5;
    params.m_fSafeZ = 5.0;
    std::ostringstream err;
    return CreateGcodeFromDxf(params, err) == DXF_WRITTEN ? DxfOutputPath(strDrawing) : QString();
}

// The designer's shapes, every one cut 2.5 mm deep in 1 mm passes, written
// by Generate G-Code.
QString WriteShapes(stRig& rig)
{
    for (stEngShape& shape : rig.dlg.m_stShapeCuttingInfo.m_lstShapes) {
        if (shape.m_iType == SHAPE_ELLIPSE)
            shape.m_pEllipse->m_fDepth = -2.5;
        else
            shape.m_pPolygon->m_fDepth = -2.5;
    }
    rig.dlg.m_stShapeCuttingInfo.m_fZStep = 1.0;
    const QString strPath = rig.mw.m_Setup.m_Folder.Working() + QStringLiteral("/shapes");
    rig.prompter.m_lstFileNames << strPath;
    Btn(&rig.dlg, "Btn_GenerateGCode")->click();
    rig.mw.PollMessages();
    if (rig.mw.m_lstLog != QStringList{QStringLiteral("info: G-Code File Generated")})
        return QString();
    return strPath + QStringLiteral(".txt");
}

// Each writer: builds its small job on the designer's rig and writes its
// file; the file's path, or empty when it was not written.
struct stWriter
{
    const char* pName;
    QString (*fnWrite)(stRig&);
};

const stWriter kWriters[] = {
    {"ellipse: the editor's default 25 x 25 circle",
     [](stRig& rig) {
         NewEllipse(rig.dlg, rig.prompter, {});
         return WriteShapes(rig);
     }},
    {"turned elliptic arc",
     [](stRig& rig) {
         NewEllipse(rig.dlg, rig.prompter, {{"Btn_EllipseMajorAxisDia", "30"},
                          {"Btn_EllipseMinorAxisDia", "12"},
                          {"Btn_EllipseOrientation", "15"},
                          {"Btn_ArcStartAngle", "30"},
                          {"Btn_ArcEndAngle", "300"}});
         return WriteShapes(rig);
     }},
    {"half circle, cut both ways",
     [](stRig& rig) {
         NewEllipse(rig.dlg, rig.prompter, {{"Btn_ArcEndAngle", "180"}});
         return WriteShapes(rig);
     }},
    {"ellipse pocket down to its centre",
     [](stRig& rig) {
         NewEllipse(rig.dlg, rig.prompter, {{"Btn_EllipseCenterX", "60"}}, true);
         return WriteShapes(rig);
     }},
    {"closed polygon and open polyline",
     [](stRig& rig) {
         AddPolygon(rig.dlg, QStringLiteral("Square"), {{10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}});
         AddPolygon(rig.dlg, QStringLiteral("Line"), {{40, 5}, {45.25, 5}, {45.25, 12.5}, {52, 20}});
         return WriteShapes(rig);
     }},
    {"text outline",
     [](stRig& rig) {
         TextOutline(rig);
         return WriteShapes(rig);
     }},
    {"picture outline",
     [](stRig& rig) {
         PictureOutline(rig);
         return WriteShapes(rig);
     }},
    {"free-draw pocket",
     [](stRig& rig) {
         FreeDrawPocket(rig);
         return WriteShapes(rig);
     }},
    {"circles and polygons mixed",
     [](stRig& rig) {
         NewEllipse(rig.dlg, rig.prompter, {{"Btn_EllipseCenterX", "80"}, {"Btn_EllipseCenterY", "60"}});
         AddPolygon(rig.dlg, QStringLiteral("Line"), {{10, 10}, {30, 20}});
         NewEllipse(rig.dlg, rig.prompter, {{"Btn_EllipseCenterX", "40"}, {"Btn_EllipseCenterY", "60"}, {"Btn_ArcEndAngle", "90"}});
         return WriteShapes(rig);
     }},
    {"3D relief carving", [](stRig& rig) { return WriteRelief(rig, 0); }},
    {"2.5D relief carving", [](stRig& rig) { return WriteRelief(rig, 1); }},
    {"DXF conversion", WriteDxf},
};

// Where the file's own words leave the tool: X, Y and Z taken line by line
// as written (every writer writes absolute millimetres).
QString FileEnd(const GCodeCmdList& cmds)
{
    double pos[3] = {0.0, 0.0, 0.0};
    for (const GCodeTokens& words : cmds) {
        const size_t end = CGCodeWords::WordsEnd(words);
        for (size_t k = 0; k < end; ++k) {
            const char c = CGCodeWords::Letter(words[k]);
            if (c >= 'X' && c <= 'Z')
                pos[c - 'X'] = CGCodeWords::DoubleValue(words[k]);
        }
    }
    return QStringLiteral("%1 %2 %3").arg(pos[0], 0, 'f', 4).arg(pos[1], 0, 'f', 4).arg(pos[2], 0, 'f', 4);
}

} // namespace

class TestWritersRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void fileChecksAndRunsToItsEnd_data()
    {
        QTest::addColumn<int>("writer");
        for (int i = 0; i < int(std::size(kWriters)); ++i)
            QTest::newRow(kWriters[i].pName) << i;
    }
    void fileChecksAndRunsToItsEnd()
    {
        QFETCH(int, writer);
        std::unique_ptr<stRig> pRig = NewRig();
        const QString strPath = kWriters[writer].fnWrite(*pRig);
        pRig->mw.PollMessages();
        QVERIFY2(!strPath.isEmpty(), qPrintable(pRig->mw.m_lstLog.join('\n')));

        std::vector<QString> lines;
        GCodeCmdList cmds;
        QString why;
        QVERIFY2(CGCodeProgram::ReadProgramFile(strPath, lines, cmds, &why), qPrintable(why));
        GCodeErrorMap errors;
        CGCodeChecker::Check(cmds, errors, CGCodeChecker::MachineFromSettings());
        QString strErrors;
        for (const auto& [line, text] : errors)
            strErrors += QStringLiteral("line %1: %2 (%3)\n").arg(line + 1).arg(QString::fromStdString(text), lines[line]);
        QVERIFY2(errors.empty(), qPrintable(strErrors));

        const QStringList run = RunGCodeSim(strPath);
        const QStringList failures = run.filter(QStringLiteral("error:"));
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join('\n')));
        QVERIFY(run.size() > 3);
        QCOMPARE(run.last(), FileEnd(cmds));
    }
};

QTEST_MAIN(TestWritersRoundTrip)
#include "tst_writersroundtrip.moc"
