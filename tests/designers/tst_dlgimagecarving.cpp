// The relief-carving window on the simulated machine: its form, loading a
// picture, the sizes and steps snapped to pixels and motor steps, the row
// bands, G-code files and the start of a carving.
#include "designers/dlgimagecarving.h"
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"
#include "picturebytes.h"
#include "poolgate.h"
#include "testsupport.h"

#include "control/imgcarving.h"
#include "core/AppConfig.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

namespace {
// A grey ramp picture saved as PNG.
QString SavePicture(const QString& strFolder, const QString& strName, int iWidth, int iHeight,
                    QImage::Format format = QImage::Format_Grayscale8)
{
    QImage img(iWidth, iHeight, format);
    for (int y = 0; y < iHeight; ++y)
        for (int x = 0; x < iWidth; ++x)
            img.setPixelColor(x, y, QColor::fromRgb(x * 255 / qMax(1, iWidth - 1), x * 255 / qMax(1, iWidth - 1),
                                                    x * 255 / qMax(1, iWidth - 1)));
    const QString strPath = strFolder + QLatin1Char('/') + strName;
    const bool bSaved = img.save(strPath);
    return bSaved ? strPath : QString();
}

struct Fixture
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgImageCarving dlg{&mw};
    QString Root() const { return mw.m_Setup.m_Folder.Root(); }
    stImgCarvingInfo& Info() { return *mw.GetAppCtrl().m_ImgCarvingData.m_pInfo; }
    QImage* Image() { return mw.GetAppCtrl().m_ImgCarvingData.m_pImg.get(); }
    void Load(const QString& strPath)
    {
        prompter.m_lstFileNames << strPath;
        ClickButton(dlg, "Btn_LoadImage");
    }
    // Generate G-Code: the file is written on a worker; waits for its end.
    void Generate()
    {
        ClickButton(dlg, "Btn_GenerateGCode");
        QTRY_VERIFY_WITH_TIMEOUT(!dlg.IsWritingGCode(), 60000);
    }
    QWidget* Child(const char* pName) { return dlg.findChild<QWidget*>(pName); }
};
} // namespace

class TestDlgImageCarving : public QObject
{
    Q_OBJECT
private slots:
    void form();
    void loadRules();
    void refusedPictures();
    void damagedOrHugePictureKeepsThePrevious_data();
    void damagedOrHugePictureKeepsThePrevious();
    void sizes();
    void steps();
    void depthAndStartRow();
    void toggles();
    void rowBands();
    void generateGCode();
    void generateOnWorker();
    void startRefusals();
    void startOnMachine();
};

void TestDlgImageCarving::form()
{
    CDlgImageCarving dlg;
    static const stFormRow kRows[] = {
        {"CDlgImageCarving", "QDialog", 0, 0, 900, 400, nullptr},
        {"frame", "QFrame", 530, 40, 361, 271, nullptr},
        {"Btn_LoadImage", "QPushButton", 19, 10, 321, 40, "Load Image"},
        {"Btn_ImgCarvingLength", "QPushButton", 20, 60, 90, 40, "200.0000\nLength"},
        {"Btn_ImgCarvingWidth", "QPushButton", 135, 60, 90, 40, "200.0000\nWidth"},
        {"Btn_ImgCarvingDepth", "QPushButton", 250, 60, 90, 40, "-10.0000\nDepth"},
        {"Btn_ImgCarvingUnitsPerPixel", "QPushButton", 250, 110, 90, 40, "0.2"},
        {"label_10", "QLabel", 24, 96, 211, 61, "X, Y step must be\nmultiples of Minimum step"},
        {"Btn_ImgCarvingStep_X", "QPushButton", 20, 170, 90, 40, "0.2000\nx Step"},
        {"Btn_ImgCarvingStep_Y", "QPushButton", 135, 170, 90, 40, "0.2000\ny Step"},
        {"Btn_ImgCarvingStep_Z", "QPushButton", 250, 170, 90, 40, "1.0000\nz Step"},
        {"Btn_CarvingTypeSel", "QPushButton", 20, 220, 90, 40, "3D \nCarving"},
        {"Btn_ZAxisPlungeFeed", "QPushButton", 135, 220, 90, 40, "10.0000\nPlunge Feed"},
        {"Btn_CarvingStrartRow", "QPushButton", 250, 220, 90, 40, "0\nStart Row"},
        {"Btn_MultipassCarving", "QPushButton", 550, 330, 90, 40, "Multi-pass\nCarving"},
        {"Btn_EndMillDia", "QPushButton", 670, 330, 90, 40, "5.0\nEnd-Mill"},
        {"Btn_GenerateGCode", "QPushButton", 780, 330, 90, 40, "Generate\nG-Code"},
        {"PB_GCodeProgress", "QProgressBar", 530, 8, 261, 26, nullptr},
        {"Btn_CancelGCode", "QPushButton", 800, 4, 90, 34, "Cancel"},
        {"label_17", "QLabel", 80, 380, 371, 16, "Mouse wheel: Zoom-in/Zoom-out, Double-Click: Zoom-to-fit"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    // The hint label reaches into the Length and Width buttons: it lies
    // under them, so their borders show.
    QCOMPARE(CoveredButton(&dlg), QString());
    QCOMPARE(dlg.m_View.geometry(), QRect(10, 12, 500, 363));
    QCOMPARE(dlg.m_View.m_BkGndColor, QColor(50, 50, 50));
}

void TestDlgImageCarving::loadRules()
{
    Fixture f;
    // Nothing loaded yet: the sizes need a picture.
    ClickButton(f.dlg, "Btn_ImgCarvingLength");
    QCOMPARE(f.mw.m_lstLog.takeLast(), QStringLiteral("error: Please load an image!"));
    ClickButton(f.dlg, "Btn_ImgCarvingStep_Z");
    QCOMPARE(f.mw.m_lstLog.takeLast(), QStringLiteral("error: Please load an image"));

    // 333 x 100 pixels at 100 mm: a pitch of 0.3003 is raised silently to
    // whole motor steps (0.001 mm); the width follows the height.
    f.Info().m_fLength = 100.0;
    f.Load(SavePicture(f.Root(), "ramp.png", 333, 100));
    QVERIFY2(f.Image(), qPrintable(f.mw.m_lstLog.join("|")));
    QCOMPARE(f.Image()->format(), QImage::Format_Grayscale8);
    QCOMPARE(AppConfig::m_strLastFolderPath, f.Root() + "/");
    QCOMPARE(f.Info().m_fXStep, 0.301);
    QCOMPARE(f.Info().m_fLength, 333 * 0.301);
    QCOMPARE(f.Info().m_fWidth, 100 * 0.301);
    QCOMPARE(FindButton(f.dlg, "Btn_ImgCarvingUnitsPerPixel")->text(), QStringLiteral("0.301\nmm/Pixel"));
    QCOMPARE(FindButton(f.dlg, "Btn_ImgCarvingLength")->text(), QStringLiteral("100.2330\nLength"));
    QCOMPARE(FindButton(f.dlg, "Btn_ImgCarvingStep_Y")->text(), QStringLiteral("0.3010\ny Step"));
    QCOMPARE(f.mw.m_lstLog, QStringList());

    // A 16-bit grey picture becomes true 8-bit grey levels.
    QImage deep(4, 1, QImage::Format_Grayscale16);
    for (int x = 0; x < 4; ++x)
        reinterpret_cast<quint16*>(deep.scanLine(0))[x] = quint16(x * 0x5555);
    QVERIFY(deep.save(f.Root() + "/deep.png"));
    f.Load(f.Root() + "/deep.png");
    QCOMPARE(f.Image()->format(), QImage::Format_Grayscale8);
    QCOMPARE(int(f.Image()->constScanLine(0)[1]), 0x55);
    QCOMPARE(int(f.Image()->constScanLine(0)[3]), 0xff);
}

void TestDlgImageCarving::refusedPictures()
{
    Fixture f;
    f.Load(SavePicture(f.Root(), "good.png", 50, 40));
    QFile broken(f.Root() + "/broken.png");
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n\x1a\nnot a picture");
    broken.close();
    f.Load(f.Root() + "/broken.png");
    QCOMPARE(f.mw.m_lstLog.last(), "error: Picture damaged: the PNG file ends inside a PNG chunk: it is cut short\n" +
                                       f.Root() + "/broken.png");
    QCOMPARE(f.Image()->size(), QSize(50, 40)); // the picture before stays
    f.Load(f.Root() + "/missing.png");
    QCOMPARE(f.Image()->size(), QSize(50, 40));

    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.002;
    f.mw.m_lstLog.clear();
    ClickButton(f.dlg, "Btn_LoadImage");
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.001;
    QCOMPARE(f.mw.m_lstLog,
             QStringList{"error: X & Y axis Move/Pulse must be same\nPlease check Machine Settings->Motor"});
    QCOMPARE(f.prompter.Texts("OpenFileName").size(), 3);
}

// A damaged picture (its missing rows would be carved as grey) or one too
// large to carve is refused with the file named; the picture before stays.
void TestDlgImageCarving::damagedOrHugePictureKeepsThePrevious_data()
{
    AddRefusedPictureRows();
}

void TestDlgImageCarving::damagedOrHugePictureKeepsThePrevious()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, log);
    Fixture f;
    f.Load(SavePicture(f.Root(), "good.png", 50, 40));
    const QImage before = *f.Image();
    const double fWidth = f.Info().m_fWidth;
    f.mw.m_lstLog.clear();

    const QString strPath = f.Root() + QLatin1Char('/') + name;
    WriteRaw(strPath, bytes);
    f.Load(strPath);
    QCOMPARE(f.mw.m_lstLog, QStringList{"error: " + log + strPath});
    QCOMPARE(*f.Image(), before);
    QCOMPARE(f.Info().m_fWidth, fWidth);
}

void TestDlgImageCarving::sizes()
{
    Fixture f;
    f.Load(SavePicture(f.Root(), "ramp.png", 333, 100));
    f.prompter.m_lstKeypadEntries << "100";
    ClickButton(f.dlg, "Btn_ImgCarvingLength");
    QCOMPARE(f.mw.m_lstLog,
             QStringList{"info: Length and Width adjusted to match\nX & Y Axis Mov/Pulse respectively"});
    QCOMPARE(f.Info().m_fLength, 333 * 0.301);

    f.mw.m_lstLog.clear();
    f.prompter.m_lstKeypadEntries << "50"; // 0.5 mm a pixel: whole motor steps
    ClickButton(f.dlg, "Btn_ImgCarvingWidth");
    QCOMPARE(f.mw.m_lstLog, QStringList());
    QCOMPARE(f.Info().m_fWidth, 50.0);
    QCOMPARE(f.Info().m_fLength, 166.5);
    QCOMPARE(f.Info().m_fXStep, 0.5);
    QCOMPARE(f.prompter.m_lstPrompts.last().m_strTitle, QStringLiteral("Image Carving Width(mm)"));

    f.prompter.m_lstKeypadEntries << "5"; // below the 10 mm minimum
    ClickButton(f.dlg, "Btn_ImgCarvingLength");
    QCOMPARE(f.mw.m_lstLog.first(), QStringLiteral("error: Value must be between\n10.0000 and 10000.0000"));
    QCOMPARE(f.Info().m_fLength, 10.0); // 0.0300 mm a pixel: whole motor steps, kept
    QCOMPARE(f.Info().m_fWidth, 3.0);
}

void TestDlgImageCarving::steps()
{
    Fixture f;
    f.Info().m_fLength = 200.0;
    f.Load(SavePicture(f.Root(), "ramp.png", 1000, 500)); // pitch 0.2
    f.prompter.m_lstKeypadEntries << "0.5" << "0.5" << "0.6" << "0.25";
    ClickButton(f.dlg, "Btn_ImgCarvingStep_X");
    QCOMPARE(f.Info().m_fXStep, 0.4);
    QCOMPARE(FindButton(f.dlg, "Btn_ImgCarvingStep_X")->text(), QStringLiteral("0.4000\nx Step"));
    ClickButton(f.dlg, "Btn_ImgCarvingStep_Y");
    QCOMPARE(f.Info().m_fYStep, 0.4);
    ClickButton(f.dlg, "Btn_ImgCarvingStep_X");
    QCOMPARE(f.Info().m_fXStep, 0.6);
    AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.1;
    ClickButton(f.dlg, "Btn_ImgCarvingStep_Z");
    AppConfig::m_fAxisMovPerPulse[Z_AXIS] = 0.001;
    QCOMPARE(f.Info().m_fZStep, 0.3);
    QCOMPARE(FindButton(f.dlg, "Btn_ImgCarvingStep_Z")->text(), QStringLiteral("0.3000\nz Step"));
    QCOMPARE(f.mw.m_lstLog,
             (QStringList{"info: X Axis step must be a multiple of Min Step and lesser than End-Mill Dia",
                          "error: Y Axis step must be a multiple of Min Step and lesser than End-Mill Dia",
                          "error: Z Axis step must be \na multiple of Z Axis Mov/Pulse"}));
}

void TestDlgImageCarving::depthAndStartRow()
{
    Fixture f;
    f.Load(SavePicture(f.Root(), "ramp.png", 20, 10));
    f.prompter.m_lstKeypadEntries << "-3";
    ClickButton(f.dlg, "Btn_ImgCarvingDepth");
    QCOMPARE(f.Info().m_fDepth, 3.0);
    QCOMPARE(f.prompter.m_lstPrompts.last().m_strText, QStringLiteral("-10.0000"));
    QVERIFY(f.prompter.m_bLastKeypadSign);
    f.prompter.m_lstKeypadEntries << "0"; // deeper than nothing: clamped to one motor step
    ClickButton(f.dlg, "Btn_ImgCarvingDepth");
    QCOMPARE(f.mw.m_lstLog.takeLast(), QStringLiteral("error: Value must be between\n-10000.0000 and -0.0010"));
    QCOMPARE(f.Info().m_fDepth, 0.001);

    // The start row stops at the picture's last row.
    f.prompter.m_lstKeypadEntries << "10";
    ClickButton(f.dlg, "Btn_CarvingStrartRow");
    QCOMPARE(f.mw.m_lstLog.takeLast(), QStringLiteral("error: Value must be between\n0.0000 and 9.0000"));
    QCOMPARE(f.Info().m_nStartRow, quint16(9));
    QCOMPARE(FindButton(f.dlg, "Btn_CarvingStrartRow")->text(), QStringLiteral("9\nStart Row"));
    QVERIFY(!f.prompter.m_bLastKeypadDecimal);
}

void TestDlgImageCarving::toggles()
{
    Fixture f;
    f.Load(SavePicture(f.Root(), "ramp.png", 20, 10));
    ClickButton(f.dlg, "Btn_CarvingTypeSel");
    QCOMPARE(f.Info().m_iCarvingType, 1);
    QCOMPARE(FindButton(f.dlg, "Btn_CarvingTypeSel")->text(), QStringLiteral("2.5D\nCarving"));
    QCOMPARE(FindButton(f.dlg, "Btn_CarvingTypeSel")->styleSheet(), BTN_BKGND_GREEN);
    ClickButton(f.dlg, "Btn_CarvingTypeSel");
    QCOMPARE(f.Info().m_iCarvingType, 0);
    QCOMPARE(FindButton(f.dlg, "Btn_CarvingTypeSel")->styleSheet(), BTN_BKGND_GRAY);

    QVERIFY(AppConfig::m_bMultipassImgCarving);
    ClickButton(f.dlg, "Btn_MultipassCarving");
    QVERIFY(!AppConfig::m_bMultipassImgCarving);
    QCOMPARE(FindButton(f.dlg, "Btn_MultipassCarving")->text(), QStringLiteral("Single-pass\nCarving"));
    ClickButton(f.dlg, "Btn_MultipassCarving");
    QVERIFY(AppConfig::m_bMultipassImgCarving);

    f.prompter.m_lstKeypadEntries << "3.17" << "4";
    ClickButton(f.dlg, "Btn_EndMillDia");
    QCOMPARE(AppConfig::m_fEndMillDia, 3.17);
    QCOMPARE(FindButton(f.dlg, "Btn_EndMillDia")->text(), QStringLiteral("3.2\nEnd-Mill"));
    ClickButton(f.dlg, "Btn_ZAxisPlungeFeed");
    QCOMPARE(AppConfig::m_fPlungeFeed, 4.0);
    AppConfig::m_fEndMillDia = 5.0;
    AppConfig::m_fPlungeFeed = 10.0;
}

void TestDlgImageCarving::rowBands()
{
    Fixture f;
    f.Load(SavePicture(f.Root(), "ramp.png", 10, 10));
    f.Info().m_nStartRow = 2;
    f.dlg.DisplayImage(f.Image(), false);
    const QImage original = f.Image()->convertToFormat(QImage::Format_RGB888);
    QImage* pShown = f.dlg.m_pDisplayImg;
    QVERIFY(pShown);
    QCOMPARE(f.dlg.m_View.Image(), pShown);
    auto colour = [&](int x, int y) { return f.dlg.m_pDisplayImg->pixelColor(x, y); };
    for (int y = 2; y < 5; ++y)
        QCOMPARE(colour(9, y), QColor(Qt::cyan));
    QCOMPARE(colour(9, 5), original.pixelColor(9, 5));

    f.dlg.m_nCurRow = 5;
    f.dlg.DisplayImage(f.Image(), true);
    QCOMPARE(colour(0, 5), QColor(Qt::green));
    QCOMPARE(colour(0, 7), QColor(Qt::green));
    QCOMPARE(colour(0, 2), QColor(Qt::cyan));
    f.dlg.m_nCurRow = 8;
    f.dlg.DisplayImage(f.Image(), true);
    QCOMPARE(colour(0, 5), original.pixelColor(0, 5)); // what lay under the band is back
    QCOMPARE(colour(9, 7), original.pixelColor(9, 7));
    QCOMPARE(colour(3, 9), QColor(Qt::green));
    QCOMPARE(colour(3, 3), QColor(Qt::cyan));
    QCOMPARE(f.dlg.m_pDisplayImg, pShown); // the bands are drawn into the same copy
}

void TestDlgImageCarving::generateGCode()
{
    Fixture f;
    ClickButton(f.dlg, "Btn_GenerateGCode");
    QCOMPARE(f.mw.m_lstLog.takeLast(), QStringLiteral("error: Please load an image"));
    f.Load(SavePicture(f.Root(), "ramp.png", 40, 20));
    f.Info().m_fDepth = 0.0;
    ClickButton(f.dlg, "Btn_GenerateGCode");
    QCOMPARE(f.mw.m_lstLog.takeLast(), QStringLiteral("error: Carving Depth is not defined"));
    f.Info().m_fDepth = 2.0;

    f.prompter.m_lstFileNames << f.Root() + "/relief" << f.Root() + "/relief.NCC" << f.Root() + "/relief.ncc";
    for (int i = 0; i < 3; ++i)
        f.Generate();
    QVERIFY(QFile::exists(f.Root() + "/relief.txt"));
    QVERIFY(QFile::exists(f.Root() + "/relief.NCC.txt"));
    QVERIFY(QFile::exists(f.Root() + "/relief.ncc"));
    QCOMPARE(f.mw.m_lstLog, QStringList(3, "info: G-Code File Generated"));
    QCOMPARE(f.prompter.m_lstPrompts.last().m_strTitle, QStringLiteral("Select a file to Save..."));
    QCOMPARE(FindButton(f.dlg, "Btn_GenerateGCode")->styleSheet(), BTN_BKGND_GRAY);

    // "relief" again: the dialog asked about "relief", not about the
    // relief.txt it would replace. No keeps the file, Yes writes it.
    QFile::resize(f.Root() + "/relief.txt", 0);
    f.prompter.m_lstFileNames << f.Root() + "/relief" << f.Root() + "/relief";
    f.prompter.m_lstAnswers << QMessageBox::No << QMessageBox::Yes;
    ClickButton(f.dlg, "Btn_GenerateGCode");
    QCOMPARE(f.prompter.Texts("Question"), QStringList{f.Root() + "/relief.txt\nalready exists. Replace it?"});
    QCOMPARE(QFileInfo(f.Root() + "/relief.txt").size(), 0);
    QCOMPARE(f.mw.m_lstLog.size(), 3);
    QCOMPARE(FindButton(f.dlg, "Btn_GenerateGCode")->styleSheet(), BTN_BKGND_GRAY);
    f.Generate();
    QVERIFY(QFileInfo(f.Root() + "/relief.txt").size() > 0);
    QCOMPARE(f.mw.m_lstLog.size(), 4);
    // A name with its extension was asked about by the dialog itself.
    f.prompter.m_lstFileNames << f.Root() + "/relief.ncc";
    f.Generate();
    QCOMPARE(f.prompter.Texts("Question").size(), 2);
    f.mw.m_lstLog.clear();

    // A folder that does not exist: no "Generated", the controller says why.
    f.prompter.m_lstFileNames << f.Root() + "/missing/relief.txt";
    f.Generate();
    f.mw.PollMessages();
    QCOMPARE(f.mw.m_lstLog.size(), 1);
    QVERIFY(f.mw.m_lstLog.last().startsWith("error: "));
}

// The file is written on a worker: the window shows the rows written and a
// Cancel button, keeps the parameters as the job took them, and a cancelled
// file leaves nothing behind (an older file of that name whole). The worker
// is a long job: it never takes the global pool's one thread of a one-core
// Pi from the controller's status saves (held here all along).
void TestDlgImageCarving::generateOnWorker()
{
    CGlobalPoolGate gate;
    Fixture f;
    f.Info().m_fLength = 150.0;
    f.Load(SavePicture(f.Root(), "ramp.png", 300, 200));
    f.Info().m_fDepth = 2.0;
    f.Info().m_fZStep = 0.5;
    const QString strFile = f.Root() + "/relief.txt";
    WriteRaw(strFile, "old program\n");
    const QStringList before = QDir(f.Root()).entryList(QDir::Files);

    f.prompter.m_lstFileNames << strFile;
    ClickButton(f.dlg, "Btn_GenerateGCode");
    QVERIFY(f.dlg.IsWritingGCode());
    QVERIFY(f.Child("PB_GCodeProgress")->isVisibleTo(&f.dlg));
    QVERIFY(f.Child("Btn_CancelGCode")->isVisibleTo(&f.dlg));
    QVERIFY(!f.Child("Btn_GenerateGCode")->isEnabled());
    QVERIFY(!f.Child("Btn_LoadImage")->isEnabled());
    f.dlg.ResetUI(true); // an operation ending meanwhile does not free them
    QVERIFY(!f.Child("Btn_ImgCarvingDepth")->isEnabled());
    f.mw.m_lstLog.clear();
    QVERIFY(!f.dlg.StartImgCarving());
    QCOMPARE(f.mw.m_lstLog, QStringList{"error: G-Code file still being written. Please wait!"});

    ClickButton(f.dlg, "Btn_CancelGCode");
    QTRY_VERIFY_WITH_TIMEOUT(!f.dlg.IsWritingGCode(), 60000);
    QCOMPARE(f.mw.m_lstLog.last(), QStringLiteral("info: G-Code generation cancelled: no file written"));
    QCOMPARE(ReadText(strFile), QStringLiteral("old program\n"));
    QCOMPARE(QDir(f.Root()).entryList(QDir::Files), before);
    QVERIFY(!f.Child("PB_GCodeProgress")->isVisibleTo(&f.dlg));
    QVERIFY(f.Child("Btn_LoadImage")->isEnabled());

    // Written whole: every row counted on the bar, and the parameters hold
    // what the write built, as a write on the GUI thread left them.
    f.prompter.m_lstFileNames << strFile;
    f.Generate();
    QCOMPARE(f.mw.m_lstLog.last(), QStringLiteral("info: G-Code File Generated"));
    QVERIFY(ReadText(strFile).startsWith("(GCode Generated by DIR-ADI Software)\n"));
    auto* pBar = f.dlg.findChild<QProgressBar*>("PB_GCodeProgress");
    QVERIFY(pBar->maximum() > 0);
    QCOMPARE(pBar->value(), pBar->maximum());
    QCOMPARE(int(f.Info().m_ppZGrid.size()), int(f.Info().m_nGridRows));
    QCOMPARE(pBar->maximum(), 4 * f.Info().m_nGridRows);
    QCOMPARE(f.Info().m_fDepth, 2.0);
    QVERIFY(f.Child("Btn_GenerateGCode")->isEnabled());
}

void TestDlgImageCarving::startRefusals()
{
    Fixture f;
    AppConfig::m_bEmergencyStopON = true;
    QVERIFY(!f.dlg.StartImgCarving());
    AppConfig::m_bEmergencyStopON = false;
    f.mw.GetAppCtrl().m_iRunMode = AppControl::RUN_GCODE;
    QVERIFY(!f.dlg.StartImgCarving());
    f.mw.GetAppCtrl().m_iRunMode = AppControl::RUN_IDLE;
    AppConfig::m_bHomeSensorsUsed = true;
    QVERIFY(!f.dlg.StartImgCarving());
    AppConfig::m_bHomeSensorsUsed = false;
    QVERIFY(!f.dlg.StartImgCarving());
    f.Load(SavePicture(f.Root(), "ramp.png", 40, 20));
    f.Info().m_fWidth = 0.0;
    QVERIFY(!f.dlg.StartImgCarving());
    QCOMPARE(f.mw.m_lstLog, (QStringList{"error: Release Emergency Switch", "error: Machine in use",
                                         "error: Homing not done!\nUse \"Move Home\" in user Settings",
                                         "error: No Image loaded", "error: Carving Width is not defined"}));
    QVERIFY(FindButton(f.dlg, "Btn_LoadImage")->isEnabled());
}

void TestDlgImageCarving::startOnMachine()
{
    Fixture f;
    f.Info().m_fLength = 20.0;
    f.Load(SavePicture(f.Root(), "ramp.png", 40, 20));
    f.Info().m_fDepth = 1.0;
    QVERIFY(f.dlg.StartImgCarving());
    QVERIFY(!FindButton(f.dlg, "Btn_LoadImage")->isEnabled());
    QVERIFY(FindButton(f.dlg, "Btn_ZAxisPlungeFeed")->isEnabled());
    QVERIFY(f.mw.m_lstCalls.contains("ClearToolGraphics"));
    QVERIFY(FinishOperation(f.mw.GetAppCtrl()));
    f.dlg.ResetUI(true);
    QVERIFY(FindButton(f.dlg, "Btn_LoadImage")->isEnabled());
    f.mw.PollMessages();
    for (const QString& strLine : f.mw.m_lstLog)
        QVERIFY2(!strLine.startsWith("error"), qPrintable(strLine));
}

QTEST_MAIN(TestDlgImageCarving)
#include "tst_dlgimagecarving.moc"
