// Every save path whose window adds an extension to the name typed in the
// file dialog: the dialog asked only about the name as typed, so the window
// itself asks before it replaces the file the extension points at. One table
// row per save path, each on its window with the simulated machine.
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"
#include "testsupport.h"

#include "camera/cnccamera.h"
#include "core/AppConfig.h"
#include "designers/dlgimagecarving.h"
#include "designers/dlgshapes.h"
#include "gcode/gcodeprogram.h"
#include "gcodewindows/dlggcode.h"
#include "settings/zprofilefile.h"
#include "settingswindows/dlgjobsettings.h"
#include "settingswindows/dlgvideorecsettings.h"
#include "shapes/ellipsepoints.h"
#include "widgets/messagelog.h"

#include <QImage>
#include <QListWidget>
#include <QtTest>

#include <functional>

namespace {
const QByteArray OLD_CONTENT("the operator's earlier file\n");

// Works one save path with strTyped as the file dialog's answer; true when
// the window went ahead with strPath (wrote it, or took it as its file).
using SaveFn = std::function<bool(CFakeMainWindow& mw, CFakePrompter& prompter, const QString& strTyped,
                                  const QString& strPath)>;

bool Rewritten(const QString& strPath)
{
    return ReadAll(strPath) != OLD_CONTENT;
}

bool SaveLog(CFakeMainWindow&, CFakePrompter& prompter, const QString& strTyped, const QString& strPath)
{
    QListWidget list;
    CMessageLog log(&list);
    log.AddLogMsg(QStringLiteral("Homing done"), MSG_INFO);
    prompter.m_lstFileNames << strTyped;
    log.SaveLog(nullptr);
    return Rewritten(strPath);
}

bool SaveZProfile(CFakeMainWindow& mw, CFakePrompter& prompter, const QString& strTyped, const QString& strPath)
{
    CdlgJobSettings dlg(&mw);
    ZProfileGrid grid;
    for (int r = 0; r < 2; ++r) {
        QList<stFloatPoint> row;
        for (int c = 0; c < 2; ++c) {
            stFloatPoint p;
            p.x = c * 10.0;
            p.y = r * 10.0;
            row << p;
        }
        grid << row;
    }
    AppConfig::m_ZProfileInfo.m_lstGrid = grid;
    prompter.m_lstFileNames << strTyped;
    ClickButton(dlg, "Btn_SaveZProfile");
    AppConfig::m_ZProfileInfo.m_lstGrid.clear();
    return Rewritten(strPath);
}

bool ChooseVideoFile(CFakeMainWindow&, CFakePrompter& prompter, const QString& strTyped, const QString& strPath)
{
    CCncCamera cam;
    CDlgVideoRecSettings dlg;
    dlg.m_pCncCamera = &cam;
    dlg.ConfigSettings();
    prompter.m_lstFileNames << strTyped;
    ClickButton(dlg, "Btn_BrowseVideoRecFile");
    // The recording replaces the file later without asking again.
    return cam.m_strVideoFile == strPath;
}

bool CarvingGCode(CFakeMainWindow& mw, CFakePrompter& prompter, const QString& strTyped, const QString& strPath)
{
    CDlgImageCarving dlg(&mw);
    QImage img(8, 4, QImage::Format_RGB888);
    img.fill(Qt::gray);
    const QString strPicture = mw.m_Setup.m_Folder.Root() + QStringLiteral("/picture.png");
    img.save(strPicture);
    prompter.m_lstFileNames << strPicture << strTyped;
    ClickButton(dlg, "Btn_LoadImage");
    ClickButton(dlg, "Btn_GenerateGCode");
    // The file is written on a worker.
    if (!QTest::qWaitFor([&dlg]() { return !dlg.IsWritingGCode(); }, 10000))
        return false;
    return Rewritten(strPath);
}

// The shape designer with one ellipse on its list.
struct stDesigner
{
    explicit stDesigner(CFakeMainWindow& mw)
        : dlg(&mw)
    {
        dlg.ConfigSettings();
        auto* e = new stEllipse;
        e->m_strName = QStringLiteral("Ellipse_1");
        dlg.m_stShapeCuttingInfo.AddEllipse(e);
        dlg.CreateEllipsePoints(0);
    }
    CDlgShapes dlg;
};

bool ShapesGCode(CFakeMainWindow& mw, CFakePrompter& prompter, const QString& strTyped, const QString& strPath)
{
    stDesigner d(mw);
    prompter.m_lstFileNames << strTyped;
    ClickButton(d.dlg, "Btn_GenerateGCode");
    mw.PollMessages();
    return Rewritten(strPath);
}

bool WorkArea(CFakeMainWindow& mw, CFakePrompter& prompter, const QString& strTyped, const QString& strPath)
{
    stDesigner d(mw);
    prompter.m_lstFileNames << strTyped;
    ClickButton(d.dlg, "Btn_SaveWorkArea");
    return Rewritten(strPath);
}

bool GCodeSaveAs(CFakeMainWindow& mw, CFakePrompter& prompter, const QString& strTyped, const QString& strPath)
{
    CdlgGCode dlg(&mw);
    dlg.ConfigSettings();
    CGCodeProgram::m_lstOfGCodeLines = {QStringLiteral("G21 G90"), QStringLiteral("G0 X1")};
    prompter.m_lstFileNames << strTyped;
    ClickButton(dlg, "Btn_SaveAsGCode");
    CGCodeProgram::ClearCurGCodeData();
    return Rewritten(strPath);
}

struct stSavePath
{
    const char* m_pName;
    const char* m_pExtension; // what the window adds to a bare name
    SaveFn m_Save;
};

const stSavePath SAVE_PATHS[] = {
    {"log", ".txt", SaveLog},
    {"Z profile", ".txt", SaveZProfile},
    {"video file", ".avi", ChooseVideoFile},
    {"carving G-code", ".txt", CarvingGCode},
    {"shapes G-code", ".txt", ShapesGCode},
    {"work area", ".xml", WorkArea},
    {"G-code save as", ".ncc", GCodeSaveAs},
};
} // namespace

class TestSavePaths : public QObject
{
    Q_OBJECT
private slots:
    void addedExtensionAsksBeforeReplacing_data();
    void addedExtensionAsksBeforeReplacing();
};

void TestSavePaths::addedExtensionAsksBeforeReplacing_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < int(std::size(SAVE_PATHS)); ++i)
        QTest::newRow(SAVE_PATHS[i].m_pName) << i;
}

void TestSavePaths::addedExtensionAsksBeforeReplacing()
{
    QFETCH(int, row);
    const stSavePath& path = SAVE_PATHS[row];
    CFakePrompter prompter;
    CFakeMainWindow mw;
    const QString strTyped = mw.m_Setup.m_Folder.Root() + QStringLiteral("/keep");
    const QString strFile = strTyped + QLatin1String(path.m_pExtension);
    const QString strQuestion = strFile + QStringLiteral("\nalready exists. Replace it?");

    // No file of that name yet: nothing to ask.
    QVERIFY(path.m_Save(mw, prompter, strTyped, strFile));
    QVERIFY(prompter.Texts("Question").isEmpty());

    // "keep" over keep.<ext>: a warning asks; No (also the default) keeps
    // the file as it was.
    WriteRaw(strFile, OLD_CONTENT);
    prompter.m_lstAnswers << QMessageBox::No;
    QVERIFY(!path.m_Save(mw, prompter, strTyped, strFile));
    QCOMPARE(prompter.Texts("Question"), QStringList{strQuestion});
    QCOMPARE(prompter.m_lstPrompts.last().m_eIcon, QMessageBox::Warning);
    QCOMPARE(ReadAll(strFile), OLD_CONTENT);
    QVERIFY(!path.m_Save(mw, prompter, strTyped, strFile)); // no answer given: the default
    QCOMPARE(ReadAll(strFile), OLD_CONTENT);

    // Yes replaces it.
    prompter.m_lstAnswers << QMessageBox::Yes;
    QVERIFY(path.m_Save(mw, prompter, strTyped, strFile));
    QCOMPARE(prompter.Texts("Question").size(), 3);

    // The name typed with its extension: the file dialog asked already.
    WriteRaw(strFile, OLD_CONTENT);
    QVERIFY(path.m_Save(mw, prompter, strFile, strFile));
    QCOMPARE(prompter.Texts("Question").size(), 3);
}

QTEST_MAIN(TestSavePaths)
#include "tst_savepaths.moc"
