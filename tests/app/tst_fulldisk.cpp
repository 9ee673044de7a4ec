// Every file the program saves for the operator, saved once with room and
// then again on a file system that is really full (a small tmpfs, filled to
// the last byte): the second save is reported as failed with the system's
// reason ("No space left on device") where the operator looks (the log, the
// tool's error output), never as saved; the file saved first is still there
// byte for byte, and no temporary file is left beside it.
#include "designerrig.h"
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"
#include "fulldisk.h"
#include "mainwindowlog.h"
#include "picturebytes.h"
#include "simcontroller.h"
#include "testsupport.h"

#include "app/mainwindow.h"
#include "control/AppControl.h"
#include "control/gcodewriter.h"
#include "control/zprofile.h"
#include "designers/dlgimagecarving.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "gcode/gcodeprogram.h"
#include "gcodewindows/dlgdxf2gcode.h"
#include "gcodewindows/dlggcode.h"
#include "gcodewindows/gcodedocument.h"
#include "settingswindows/dlgjobsettings.h"
#include "widgets/messagelog.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QDirIterator>
#include <QListWidget>
#include <QProcess>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const QString NO_SPACE = QStringLiteral("No space left on device");

// One save as the operator makes it, and what it showed.
struct stShown
{
    bool bResult = false; // what the save call returned (true: it says saved)
    QString strText;      // the log lines or error output it produced
};

// One writer: the file it writes (relative to the disk) and a save of it,
// round 0 with room, round 1 with different content on the full disk.
struct stWriter
{
    QString strFile;
    std::function<stShown(int iRound)> fnSave;
};
// Builds the windows a writer needs around a disk (mounted, with room).
using WriterSetup = std::function<stWriter(const QString& strDisk)>;

// Two rows of two points, probed in a serpentine; the heights grow by dz.
ZProfileGrid Grid(double dz)
{
    const double xy[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    ZProfileGrid grid(2);
    for (int i = 0; i < 4; ++i) {
        stFloatPoint p;
        p.x = xy[i][0];
        p.y = xy[i][1];
        p.z = dz * i;
        grid[i / 2] << p;
    }
    return grid;
}

void SetProgram(const QStringList& lines)
{
    CGCodeProgram::ClearCurGCodeData();
    for (const QString& l : lines) {
        CGCodeProgram::m_lstOfGCodeLines.push_back(l);
        CGCodeProgram::m_lstOfGCodeCmds.push_back(CGCodeProgram::Parse_GCode_Line(l));
    }
}

// A square of four lines, `size` mm wide.
QByteArray SquareDxf(int size)
{
    const QByteArray s = QByteArray::number(size);
    return "0\nSECTION\n2\nENTITIES\n"
           "0\nLINE\n10\n0\n20\n0\n11\n" + s + "\n21\n0\n"
           "0\nLINE\n10\n" + s + "\n20\n0\n11\n" + s + "\n21\n" + s + "\n"
           "0\nLINE\n10\n" + s + "\n20\n" + s + "\n11\n0\n21\n" + s + "\n"
           "0\nLINE\n10\n0\n20\n" + s + "\n11\n0\n21\n0\n"
           "0\nENDSEC\n0\nEOF\n";
}

// The settings file, from the main window's Save Settings button.
stWriter SettingsFile(const QString& strDisk)
{
    auto pPrompter = std::make_shared<CFakePrompter>();
    auto pSetup = std::make_shared<CSimControllerSetup>();
    CAppPaths::SetRoot(strDisk);
    CAppPaths::EnsureWorkingFolder();
    auto pWnd = std::make_shared<MainWindow>();
    return {QStringLiteral("DIR_ADI/DIR_ADI.dat"), [pPrompter, pSetup, pWnd](int iRound) {
                AppConfig::m_fZSafePos = 5.0 + iRound;
                pWnd->ui->Btn_SaveSettings->click();
                return stShown{AppConfig::GetErrorMsg().isEmpty(), LogLines(*pWnd).first()};
            }};
}

// A G-code program from the G-code window's Save button (over its file)
// and Save as (under a name asked for).
stWriter ProgramSave(const QString& strDisk, bool bSaveAs)
{
    auto pPrompter = std::make_shared<CFakePrompter>();
    auto pLog = std::make_shared<QStringList>();
    auto pDoc = std::make_shared<CGCodeDocument>(nullptr, [pLog](const QString& strMsg, eAppMsgType eType) {
        *pLog << (eType == MSG_ERROR ? "error: " : "info: ") + strMsg;
    });
    const QString strFile = QStringLiteral("prog.ncc");
    pDoc->m_strCurGCodeFile = strDisk + "/" + strFile;
    return {strFile, [=](int iRound) {
                SetProgram({QStringLiteral("G0 X%1").arg(iRound + 1), "G1 Y2", "M30"});
                pDoc->m_bGCodeModified = true;
                pLog->clear();
                bool bSaved;
                if (bSaveAs) {
                    // Typed with its extension: the file dialog has asked
                    // about replacing it already.
                    pPrompter->m_lstFileNames << strDisk + "/prog.ncc";
                    bSaved = pDoc->SaveAsGCode();
                } else {
                    bSaved = pDoc->SaveButton();
                }
                // A program that was not saved stays marked as changed.
                return stShown{bSaved && !pDoc->m_bGCodeModified, pLog->join('\n')};
            }};
}

// The shape designer's work-area file.
stWriter WorkArea(const QString& strDisk)
{
    auto pRig = NewRig();
    std::shared_ptr<stRig> rig(std::move(pRig));
    return {QStringLiteral("area.xml"), [rig, strDisk](int iRound) {
                AddPolygon(rig->dlg, QStringLiteral("P%1").arg(iRound), {{0, 0}, {10, 0}, {10, 10}});
                rig->prompter.m_lstFileNames << strDisk + "/area.xml";
                rig->mw.m_lstLog.clear();
                ClickButton(rig->dlg, "Btn_SaveWorkArea");
                return stShown{rig->mw.m_lstLog.isEmpty(), rig->mw.m_lstLog.join('\n')};
            }};
}

// The job settings' Z-profile file.
stWriter ZProfile(const QString& strDisk)
{
    auto pPrompter = std::make_shared<CFakePrompter>();
    auto pMw = std::make_shared<CFakeMainWindow>();
    auto pDlg = std::make_shared<CdlgJobSettings>(pMw.get());
    pDlg->ConfigSettings();
    return {QStringLiteral("board.txt"), [=](int iRound) {
                AppConfig::m_ZProfileInfo.m_lstGrid = Grid(-0.05 * (iRound + 1));
                pPrompter->m_lstFileNames << strDisk + "/board.txt";
                pMw->m_lstLog.clear();
                ClickButton(*pDlg, "Btn_SaveZProfile");
                return stShown{pMw->m_lstLog.isEmpty(), pMw->m_lstLog.join('\n')};
            }};
}

// The execution status, saved by the controller while a program runs.
stWriter ExecStatus(const QString& strDisk)
{
    auto pMw = std::make_shared<CFakeMainWindow>();
    CAppPaths::SetRoot(strDisk);
    CAppPaths::EnsureWorkingFolder();
    auto pProgram = std::make_shared<GCodeCmdList>();
    for (int i = 0; i < 12; ++i)
        pProgram->push_back(CGCodeProgram::Parse_GCode_Line(QStringLiteral("G0 X%1").arg(i + 1)));
    return {QStringLiteral("DIR_ADI/GCodeStatus.dat"), [=](int iRound) {
                AppConfig::m_GCodeRunSettings.m_bSaveExecStatus = true;
                AppConfig::m_GCodeRunSettings.m_uiStartLine = 0;
                AppConfig::m_GCodeRunSettings.m_strGCodeFile = QStringLiteral("/nc/part%1.ncc").arg(iRound);
                AppControl& ctrl = pMw->GetAppCtrl();
                ctrl.StartGCode(pProgram.get());
                const bool bFinished = FinishOperation(ctrl);
                AppConfig::m_GCodeRunSettings.m_bSaveExecStatus = false;
                const QString strMessages = TakeMessages(ctrl).join('\n');
                return stShown{bFinished && !strMessages.contains(QStringLiteral("error:")), strMessages};
            }};
}

// The saved message log.
stWriter SavedLog(const QString& strDisk)
{
    auto pPrompter = std::make_shared<CFakePrompter>();
    auto pList = std::make_shared<QListWidget>();
    auto pLog = std::make_shared<CMessageLog>(pList.get());
    return {QStringLiteral("log.txt"), [=](int iRound) {
                pLog->AddLogMsg(QStringLiteral("line %1").arg(iRound), MSG_INFO);
                pPrompter->m_lstFileNames << strDisk + "/log.txt";
                const bool bSaved = pLog->SaveLog(nullptr);
                return stShown{bSaved, pList->item(0)->text()};
            }};
}

// G-code from a DXF drawing, through the G-code window's DXF button.
stWriter DxfWindow(const QString& strDisk)
{
    auto pPrompter = std::make_shared<CFakePrompter>();
    auto pMw = std::make_shared<CFakeMainWindow>();
    auto pDlg = std::make_shared<CdlgGCode>(pMw.get());
    pDlg->ConfigSettings();
    WriteRaw(strDisk + "/part.dxf", SquareDxf(10));
    return {QStringLiteral("part..ncc"), [=](int iRound) {
                pPrompter->m_lstFileNames << strDisk + "/part.dxf";
                // The second conversion cuts deeper: another program.
                QTimer::singleShot(0, [=] {
                    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
                        auto* pDxf = qobject_cast<dlgDxfToGCode*>(pWidget);
                        if (!pDxf || !pDxf->isVisible())
                            continue;
                        pPrompter->m_lstKeypadEntries << QStringLiteral("-%1").arg(iRound + 1);
                        QTest::mouseClick(pDxf->findChild<QPushButton*>("Btn_ShapeDepth"), Qt::LeftButton);
                        QTest::mouseClick(pDxf->findChild<QPushButton*>("Btn_Ok"), Qt::LeftButton);
                    }
                });
                pMw->m_lstLog.clear();
                ClickButton(*pDlg, "Btn_OpenDXF");
                const bool bLoaded = QTest::qWaitFor(
                    [&] { return pMw->m_lstLog.contains(QStringLiteral("info: G-Code Loaded")); }, iRound ? 50 : 5000);
                return stShown{bLoaded, pMw->m_lstLog.join('\n')};
            }};
}

// G-code from a DXF drawing, with the command-line converter.
stWriter DxfTool(const QString& strDisk)
{
    WriteRaw(strDisk + "/part.dxf", SquareDxf(10));
    return {QStringLiteral("part..ncc"), [strDisk](int iRound) {
                QProcess tool;
                tool.start(QStringLiteral(DIRADI_TOOLS_DIR "/dxf-convert"),
                           {strDisk + "/part.dxf", "1", "1", QString::number(iRound + 1), "600", "5"});
                const bool bRan = tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit;
                return stShown{bRan && tool.exitCode() == 0, QString::fromUtf8(tool.readAllStandardError())};
            }};
}

// G-code for shapes, written by the controller's G-code writer.
stWriter ShapesGCode(const QString& strDisk)
{
    return {QStringLiteral("shapes.ncc"), [strDisk](int iRound) {
                stShapeCuttingInfo info;
                auto* p = new stPolygon;
                p->m_strName = QStringLiteral("square");
                for (const auto& [x, y] : {std::pair{0.0, 0.0}, {10.0 + iRound, 0.0}, {10.0, 10.0}}) {
                    stFloatPoint v;
                    v.x = x;
                    v.y = y;
                    p->m_lstVertices.push_back(v);
                }
                info.AddPolygon(p);
                QString strErr;
                const bool bOk = CGCodeWriter::WriteShapes(strDisk + "/shapes.ncc", info, stCutSettings(), strErr);
                return stShown{bOk, strErr};
            }};
}

// A relief carving of a 40 mm ramp: some 30 KB of G-code, more than a text
// stream holds back, so a full disk shows in the middle of the walk.
void SetRampCarving(AppControl& ctrl, double fDepth)
{
    ctrl.m_ImgCarvingData.SetImage(GreyRamp(80, 80));
    stImgCarvingInfo& info = *ctrl.m_ImgCarvingData.m_pInfo;
    info.m_fLength = 40.0;
    info.m_fWidth = 40.0;
    info.m_fDepth = fDepth;
    info.m_fZStep = 1.0;
    info.m_fXStep = 1.0;
    info.m_fYStep = 1.0;
}

// The relief-carving G-code file, from the image-carving window (written by
// its worker).
struct stCarvingRig
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgImageCarving dlg{&mw};
};

stWriter CarvingFile(const QString& strDisk)
{
    auto rig = std::make_shared<stCarvingRig>();
    rig->dlg.ConfigSettings();
    return {QStringLiteral("relief.txt"), [rig, strDisk](int iRound) {
                SetRampCarving(rig->mw.GetAppCtrl(), 2.0 + iRound);
                rig->prompter.m_lstFileNames << strDisk + "/relief.txt";
                rig->mw.m_lstLog.clear();
                ClickButton(rig->dlg, "Btn_GenerateGCode");
                const bool bEnded = QTest::qWaitFor([&] { return !rig->dlg.IsWritingGCode(); }, 30000);
                rig->mw.PollMessages();
                const QString strLog = rig->mw.m_lstLog.join('\n');
                return stShown{bEnded && strLog == QStringLiteral("info: G-Code File Generated"), strLog};
            }};
}

// Every file under `root` (hidden ones and those in sub-folders too).
QStringList Files(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next().mid(root.size() + 1);
    files.sort();
    return files;
}

} // namespace

Q_DECLARE_METATYPE(WriterSetup)

class TestFullDisk : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyWriter_data();
    void everyWriter();
    void dxfConvertLeavesNoProgram();
    void carvingFileStopsAtTheFirstFailedWrite();
};

void TestFullDisk::init()
{
    CSimControllerSetup::ResetSettings();
    CGCodeProgram::ClearCurGCodeData();
}

void TestFullDisk::cleanup()
{
    CGCodeProgram::ClearCurGCodeData();
    AppConfig::m_ZProfileInfo.m_lstGrid.clear();
    CAppPaths::SetRoot(QString());
}

void TestFullDisk::everyWriter_data()
{
    QTest::addColumn<WriterSetup>("setup");
    // The words that tell the operator the save went through.
    QTest::addColumn<QString>("savedText");
    QTest::newRow("settings file") << WriterSetup(SettingsFile) << "Settings saved";
    QTest::newRow("G-code program, Save")
        << WriterSetup([](const QString& d) { return ProgramSave(d, false); }) << QString();
    QTest::newRow("G-code program, Save as")
        << WriterSetup([](const QString& d) { return ProgramSave(d, true); }) << QString();
    QTest::newRow("work-area file") << WriterSetup(WorkArea) << QString();
    QTest::newRow("Z-profile file") << WriterSetup(ZProfile) << QString();
    QTest::newRow("execution status") << WriterSetup(ExecStatus) << QString();
    QTest::newRow("saved log") << WriterSetup(SavedLog) << QString();
    QTest::newRow("DXF drawing, G-code window") << WriterSetup(DxfWindow) << "G-Code saved at";
    QTest::newRow("DXF drawing, dxf-convert") << WriterSetup(DxfTool) << "Converted";
    QTest::newRow("shape G-code") << WriterSetup(ShapesGCode) << QString();
    QTest::newRow("relief-carving G-code") << WriterSetup(CarvingFile) << "G-Code File Generated";
}

void TestFullDisk::everyWriter()
{
    QFETCH(WriterSetup, setup);
    QFETCH(QString, savedText);
    CFullDisk disk;
    FULLDISK_REQUIRE(disk);
    const stWriter writer = setup(disk.Path());
    const QString strTarget = disk.Path() + "/" + writer.strFile;

    // With room: saved, and said so where the window says it.
    const stShown first = writer.fnSave(0);
    QVERIFY2(first.bResult, qPrintable(first.strText));
    QVERIFY2(savedText.isEmpty() || first.strText.contains(savedText), qPrintable(first.strText));
    const QByteArray saved = ReadAll(strTarget, "<missing>");
    QVERIFY(!saved.isEmpty() && saved != "<missing>");

    QVERIFY(disk.Fill());
    const QStringList files = Files(disk.Path());
    const stShown second = writer.fnSave(1);
    QVERIFY2(!second.bResult, qPrintable(second.strText));
    QVERIFY2(second.strText.contains(NO_SPACE), qPrintable(second.strText));
    QVERIFY2(savedText.isEmpty() || !second.strText.contains(savedText), qPrintable(second.strText));
    QCOMPARE(ReadAll(strTarget, "<missing>"), saved);
    QCOMPARE(Files(disk.Path()), files);
}

// A first conversion on a full disk: the tool fails with the reason and no
// program, whole or cut, is left beside the drawing.
void TestFullDisk::dxfConvertLeavesNoProgram()
{
    CFullDisk disk;
    FULLDISK_REQUIRE(disk);
    const stWriter tool = DxfTool(disk.Path());
    QVERIFY(disk.Fill());
    const stShown shown = tool.fnSave(0);
    QVERIFY(!shown.bResult);
    QCOMPARE(shown.strText, "Cannot write output file: " + disk.Path() + "/part..ncc: " + NO_SPACE + "\n");
    QCOMPARE(Files(disk.Path()), (QStringList{CFullDisk::FillerName(), "part.dxf"}));
}

// The relief file on a full disk: the first write that fails ends the walk
// (the rows written stop there, nothing more is computed), and the message
// names the file and the system's reason; nothing is left on the disk.
void TestFullDisk::carvingFileStopsAtTheFirstFailedWrite()
{
    CFullDisk disk;
    FULLDISK_REQUIRE(disk);
    CSimControllerSetup setup;
    AppControl ctrl;
    SetRampCarving(ctrl, 2.0);
    stImgCarvingInfo& info = *ctrl.m_ImgCarvingData.m_pInfo;
    // A layer of 400 rows, far more text than a stream holds back.
    info.m_fLength = 200.0;
    info.m_fWidth = 200.0;
    info.m_fXStep = 0.5;
    info.m_fYStep = 0.5;
    ctrl.m_ImgCarvingData.SetImage(GreyRamp(400, 400));
    QVERIFY(disk.Fill());
    const QString strPath = disk.Path() + "/relief.txt";
    int iRowsReported = 0;
    int iRows = 0;
    QString strErr;
    const bool bWritten = CGCodeWriter::WriteImage(
        strPath, ctrl.m_ImgCarvingData.m_pImg.get(), info, stCutSettings::FromConfig(), QString(), strErr, nullptr,
        [&](int iDone, int iAll) {
            iRowsReported = std::max(iRowsReported, iDone);
            iRows = iAll;
            return true;
        });
    QVERIFY(!bWritten);
    QCOMPARE(strErr, "Could not write the G-Code file " + strPath + ": " + NO_SPACE);
    // Two layers of some 400 rows; the first 16 KB of text hold a few rows.
    QVERIFY2(iRows > 700 && iRowsReported < 40,
             qPrintable(QStringLiteral("%1 of %2 rows").arg(iRowsReported).arg(iRows)));
    QCOMPARE(Files(disk.Path()), QStringList{CFullDisk::FillerName()});
}

FULLDISK_TEST_MAIN(TestFullDisk)
#include "tst_fulldisk.moc"
