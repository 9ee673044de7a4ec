// Shapes from a picture: the form, loading synthetic pictures drawn with
// OpenCV, names and millimetres of the polygons, the parameter buttons, an
// unreadable picture, Cancel and Ok, and reopening.
#include "designers/dlgshapefromimg.h"
#include "designers/dlgshapes.h"
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"
#include "picturebytes.h"
#include "testsupport.h"

#include "core/AppConfig.h"
#include "shapes/workareafit.h"

#include <QFile>
#include <QPushButton>
#include <QtTest>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {
// A designer with one ellipse from before the opening, and the panel open.
struct stOpening
{
    CFakePrompter m_Prompter;
    CFakeMainWindow m_Main;
    CDlgShapes m_Designer{&m_Main};
    CDlgShapeFromImg m_Dlg{&m_Designer};
    stOpening()
    {
        m_Designer.m_stShapeCuttingInfo.AddEllipse(new stEllipse);
        Reopen();
    }
    void Reopen()
    {
        m_Designer.m_nShapesBeforeSubDlg = quint16(Shapes().size());
        m_Dlg.ConfigSettings();
    }
    std::vector<stEngShape>& Shapes() { return m_Designer.m_stShapeCuttingInfo.m_lstShapes; }
    const stPolygon& Polygon(size_t i) { return *Shapes().at(i).m_pPolygon; }
    // Writes the picture into the working folder and loads it.
    QString Load(const cv::Mat& img, const QString& strName)
    {
        const QString strPath = m_Main.m_Setup.m_Folder.Working() + QLatin1Char('/') + strName;
        if (!img.empty())
            cv::imwrite(strPath.toStdString(), img);
        m_Prompter.m_lstFileNames << strPath;
        ClickButton(m_Dlg, "Btn_LoadImage");
        return strPath;
    }
    QString Text(const char* pName) { return FindButton(m_Dlg, pName)->text(); }
};

// 400 x 200, white, with three black discs of radius 40 along X: far right,
// left, middle.
cv::Mat ThreeDiscs()
{
    cv::Mat img(200, 400, CV_8UC1, cv::Scalar(255));
    for (int x : {320, 60, 180})
        cv::circle(img, cv::Point(x, 100), 40, cv::Scalar(0), cv::FILLED);
    return img;
}

void Bounds(const stPolygon& p, double& minX, double& maxX, double& minY, double& maxY)
{
    minX = minY = 1e9;
    maxX = maxY = -1e9;
    for (const stFloatPoint& v : p.m_lstVertices) {
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        minY = std::min(minY, v.y);
        maxY = std::max(maxY, v.y);
    }
}
} // namespace

class TestDlgShapeFromImg : public QObject
{
    Q_OBJECT
private slots:
    void form();
    void loadTracesPicture();
    void unreadablePictureKeepsThePrevious();
    void damagedOrHugePictureKeepsThePrevious_data();
    void damagedOrHugePictureKeepsThePrevious();
    void parameterButtons_data();
    void parameterButtons();
    void lengthUsedAsShown();
    void depthWithoutTrace();
    void cancelAndOk();
    void tooManyOutlines();
    void fullShapeList();
    void ownedByTheDesigner();
    void offTheWorkArea();
};

void TestDlgShapeFromImg::form()
{
    CDlgShapeFromImg dlg;
    static const stFormRow kRows[] = {
        {"CDlgShapeFromImg", "QDialog", 0, 0, 375, 400, "Dialog"},
        {"Btn_LoadImage", "QPushButton", 60, 40, 270, 40, "Load Image"},
        {"Btn_NoOfShapesFound", "QPushButton", 142, 86, 100, 40, "50\nShapes Found"},
        {"Btn_ImgThreshold", "QPushButton", 60, 130, 90, 40, "50\nThreshold"},
        {"Btn_MinShapeSize", "QPushButton", 240, 130, 90, 40, "100\nMin Vertices"},
        {"Btn_ShapeDepth", "QPushButton", 60, 180, 90, 40, "-10.0000\nDepth"},
        {"Btn_MaxShapeSize", "QPushButton", 240, 180, 90, 40, "10000\nMax Vertices"},
        {"Btn_ShapeLength", "QPushButton", 60, 230, 90, 40, "100.0000\nLength"},
        {"Btn_ShapeWidth", "QPushButton", 240, 230, 90, 40, "100.0000\nWidth"},
        {"Btn_ShapeOffsetPosX", "QPushButton", 60, 280, 90, 40, "0.0000\nOffset X"},
        {"Btn_ShapeOffsetPosY", "QPushButton", 240, 280, 90, 40, "0.0000\nOffset Y"},
        {"Btn_Cancel", "QPushButton", 180, 350, 90, 40, "Cancel"},
        {"Btn_Ok", "QPushButton", 280, 350, 90, 40, "Ok"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    QCOMPARE(FindButton(dlg, "Btn_LoadImage")->iconSize(), QSize(34, 34));
    QVERIFY(!FindButton(dlg, "Btn_LoadImage")->icon().isNull());
    QCOMPARE(dlg.styleSheet(), QStringLiteral("background-color: rgb(100, 100, 100);"));
}

void TestDlgShapeFromImg::loadTracesPicture()
{
    stOpening o;
    o.m_Dlg.m_nMinVertices = 4;
    o.m_Dlg.m_fShapeLength = 200;
    o.m_Dlg.m_fShapeWidth = 100;
    const QString strPath = o.Load(ThreeDiscs(), QStringLiteral("logo.final.png"));

    const QList<CFakePrompter::stPrompt>& asked = o.m_Prompter.m_lstPrompts;
    QCOMPARE(asked.size(), 1);
    QCOMPARE(asked[0].m_strKind, QStringLiteral("OpenFileName"));
    QCOMPARE(asked[0].m_strTitle, QStringLiteral("Select a file to Open..."));
    QCOMPARE(AppConfig::m_strLastFolderPath, o.m_Main.m_Setup.m_Folder.Working() + QLatin1Char('/'));
    QCOMPARE(o.m_Dlg.m_strImgBaseName, QStringLiteral("logo.final"));
    QCOMPARE(o.m_Dlg.m_Img.format(), QImage::Format_Grayscale8);

    // The ellipse from before, then the discs from left to right.
    QCOMPARE(o.Shapes().size(), size_t(4));
    QCOMPARE(o.Text("Btn_NoOfShapesFound"), QStringLiteral("3\nShapes Found"));
    const double centres[] = {30.0, 90.0, 160.0}; // mm: 60, 180, 320 px at 0.5 mm per px
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(o.Shapes()[k + 1].m_iType, int(SHAPE_POLYGON));
        const stPolygon& p = o.Polygon(k + 1);
        QCOMPARE(p.m_strName, QStringLiteral("logo.final_%1").arg(k));
        QCOMPARE(p.m_fDepth, -10.0);
        QVERIFY(!p.m_bHole);
        QVERIFY(p.m_lstVertices.front().x == p.m_lstVertices.back().x &&
                p.m_lstVertices.front().y == p.m_lstVertices.back().y);
        double minX, maxX, minY, maxY;
        Bounds(p, minX, maxX, minY, maxY);
        QVERIFY2(qAbs((minX + maxX) / 2 - centres[k]) < 0.6, qPrintable(QString::number((minX + maxX) / 2)));
        QVERIFY2(qAbs((minY + maxY) / 2 - 50.0) < 0.6, qPrintable(QString::number((minY + maxY) / 2)));
        QVERIFY(qAbs(maxX - minX - 40.0) < 1.1); // 80 px wide
    }
    QFile::remove(strPath);
}

// A damaged picture (its missing part would be traced as grey) or one too
// large to trace is refused with the file named; the picture, its name and
// its polygons stay.
void TestDlgShapeFromImg::damagedOrHugePictureKeepsThePrevious_data()
{
    AddRefusedPictureRows();
}

void TestDlgShapeFromImg::damagedOrHugePictureKeepsThePrevious()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, log);
    stOpening o;
    o.m_Dlg.m_nMinVertices = 4;
    o.Load(ThreeDiscs(), QStringLiteral("discs.png"));
    QCOMPARE(o.Shapes().size(), size_t(4));

    const QString strPath = o.m_Main.m_Setup.m_Folder.Working() + QLatin1Char('/') + name;
    WriteRaw(strPath, bytes);
    o.Load(cv::Mat(), name);
    QCOMPARE(o.m_Main.m_lstLog, QStringList{"error: " + log + strPath});
    QCOMPARE(o.m_Dlg.m_strImgBaseName, QStringLiteral("discs"));
    QCOMPARE(o.Shapes().size(), size_t(4));
    QCOMPARE(o.m_Dlg.m_Img.width(), 400);
    QCOMPARE(o.Text("Btn_NoOfShapesFound"), QStringLiteral("3\nShapes Found"));
}

// An unreadable file is reported; the picture, its name and its polygons stay.
void TestDlgShapeFromImg::unreadablePictureKeepsThePrevious()
{
    stOpening o;
    o.m_Dlg.m_nMinVertices = 4;
    o.Load(ThreeDiscs(), QStringLiteral("discs.png"));
    QCOMPARE(o.Shapes().size(), size_t(4));

    QFile bad(o.m_Main.m_Setup.m_Folder.Working() + QStringLiteral("/broken.png"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();
    o.Load(cv::Mat(), QStringLiteral("broken.png"));
    QCOMPARE(o.m_Main.m_lstLog, QStringList{"error: Cannot read the picture " + bad.fileName()});
    QCOMPARE(o.m_Dlg.m_strImgBaseName, QStringLiteral("discs"));
    QCOMPARE(o.Shapes().size(), size_t(4));
    QVERIFY(!o.m_Dlg.m_Img.isNull());
    QCOMPARE(FindButton(o.m_Dlg, "Btn_LoadImage")->styleSheet(), BTN_BKGND_GRAY);

    // No file chosen: nothing changes.
    o.m_Prompter.m_lstFileNames.clear();
    ClickButton(o.m_Dlg, "Btn_LoadImage");
    QCOMPARE(o.Shapes().size(), size_t(4));

    // A parameter change traces the kept picture again.
    o.m_Prompter.m_lstKeypadEntries << "100";
    ClickButton(o.m_Dlg, "Btn_ShapeOffsetPosX");
    QCOMPARE(o.Shapes().size(), size_t(4));
    QVERIFY(o.Polygon(1).m_lstVertices.front().x >= 100.0);
}

// Each parameter button: its keypad, its range, what it stores and the
// outlines traced again.
void TestDlgShapeFromImg::parameterButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("shapes"); // polygons after the new trace
    QTest::addColumn<QString>("log");

    const QString none;
    // At 255 the whole picture is drawing: one outline of 4 points, too few.
    QTest::newRow("threshold clamped to 255") << "Btn_ImgThreshold" << "300" << "Threshold" << "255\nThreshold" << 0
                                              << "error: Value must be between\n0.0000 and 255.0000";
    QTest::newRow("threshold 0: only black") << "Btn_ImgThreshold" << "0" << "Threshold" << "0\nThreshold" << 3
                                             << none;
    QTest::newRow("minimum above the maximum") << "Btn_MinShapeSize" << "20000" << "Min Shape Size"
                                               << "10000\nMin Vertices" << 0
                                               << "error: Value must be between\n1.0000 and 10000.0000";
    QTest::newRow("maximum below the minimum") << "Btn_MaxShapeSize" << "1" << "Max Shape Size" << "4\nMax Vertices"
                                               << 0 << "error: Value must be between\n4.0000 and 1000000000.0000";
    QTest::newRow("offset Y") << "Btn_ShapeOffsetPosY" << "12.5" << "Offset Y" << "12.5000\nOffset Y" << 3 << none;
    QTest::newRow("negative offset") << "Btn_ShapeOffsetPosX" << "-3" << "Offset X" << "0.0000\nOffset X" << 3
                                     << "error: Value must be between\n0.0000 and 1000000000.0000";
}

void TestDlgShapeFromImg::parameterButtons()
{
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(int, shapes);
    QFETCH(QString, log);

    stOpening o;
    o.m_Dlg.m_nMinVertices = 4;
    o.Load(ThreeDiscs(), QStringLiteral("discs.png"));
    o.m_Prompter.m_lstPrompts.clear();
    o.m_Prompter.m_lstKeypadEntries << typed;
    ClickButton(o.m_Dlg, qPrintable(button));

    QCOMPARE(o.m_Prompter.m_lstPrompts.size(), 1);
    QCOMPARE(o.m_Prompter.m_lstPrompts[0].m_strTitle, title);
    QCOMPARE(o.Text(qPrintable(button)), text);
    QCOMPARE(int(o.Shapes().size()) - 1, shapes);
    QCOMPARE(o.Text("Btn_NoOfShapesFound"), QStringLiteral("%1\nShapes Found").arg(shapes));
    QCOMPARE(o.m_Main.m_lstLog, log.isNull() ? QStringList() : QStringList{log});
}

// The length and width are used as the buttons show them.
void TestDlgShapeFromImg::lengthUsedAsShown()
{
    stOpening o;
    o.m_Dlg.m_nMinVertices = 3;
    cv::Mat img(100, 100, CV_8UC1, cv::Scalar(255));
    cv::rectangle(img, cv::Rect(0, 0, 100, 100), cv::Scalar(0), cv::FILLED); // the whole picture
    o.Load(img, QStringLiteral("block.png"));
    o.m_Prompter.m_lstKeypadEntries << "150.6" << "80.25";
    ClickButton(o.m_Dlg, "Btn_ShapeLength");
    ClickButton(o.m_Dlg, "Btn_ShapeWidth");
    QCOMPARE(o.Text("Btn_ShapeLength"), QStringLiteral("150.6000\nLength"));
    QCOMPARE(o.m_Dlg.m_fShapeLength, 150.6);
    QCOMPARE(o.m_Dlg.m_fShapeWidth, 80.25);
    double minX, maxX, minY, maxY;
    QCOMPARE(o.Shapes().size(), size_t(2));
    Bounds(o.Polygon(1), minX, maxX, minY, maxY);
    // Pixels 0..99 of 100: the outline's far corner lies one pixel short.
    QVERIFY(qAbs(maxX - 150.6 * 99 / 100) < 1e-9);
    QVERIFY(qAbs(maxY - 80.25) < 1e-9);
    QVERIFY(qAbs(minY - 80.25 / 100) < 1e-9);
}

void TestDlgShapeFromImg::depthWithoutTrace()
{
    stOpening o;
    o.m_Dlg.m_nMinVertices = 4;
    o.Load(ThreeDiscs(), QStringLiteral("discs.png"));
    const stPolygon* pFirst = &o.Polygon(1);
    AppConfig::m_bHomeSensorsUsed = true; // Z from -40
    o.m_Prompter.m_lstKeypadEntries << "-55" << "2";
    ClickButton(o.m_Dlg, "Btn_ShapeDepth");
    QVERIFY(o.m_Prompter.m_bLastKeypadSign);
    QCOMPARE(&o.Polygon(1), pFirst); // not traced again
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(o.Polygon(k).m_fDepth, -40.0);
    QCOMPARE(o.Shapes()[0].m_pEllipse->m_fDepth, -10.0);
    AppConfig::m_bHomeSensorsUsed = false;
    ClickButton(o.m_Dlg, "Btn_ShapeDepth"); // at most minus one step
    QCOMPARE(o.m_Dlg.m_fShapeDepth, -0.001);
    // The next trace uses the new depth.
    o.m_Prompter.m_lstKeypadEntries << "5";
    ClickButton(o.m_Dlg, "Btn_ShapeOffsetPosX");
    QCOMPARE(o.Polygon(1).m_fDepth, -0.001);
}

void TestDlgShapeFromImg::cancelAndOk()
{
    stOpening o;
    o.m_Dlg.m_nMinVertices = 4;
    o.Load(ThreeDiscs(), QStringLiteral("discs.png"));
    o.m_Prompter.m_lstKeypadEntries << "10" << "20";
    ClickButton(o.m_Dlg, "Btn_ShapeOffsetPosX");
    ClickButton(o.m_Dlg, "Btn_ShapeOffsetPosY");
    QCOMPARE(o.Shapes().size(), size_t(4)); // each trace replaced the last
    ClickButton(o.m_Dlg, "Btn_Cancel");
    QCOMPARE(o.Shapes().size(), size_t(1));
    QCOMPARE(o.m_Dlg.result(), int(QDialog::Rejected));

    // Reopened: nothing found yet, offsets at 0; the picture is still there.
    o.Reopen();
    QCOMPARE(o.Text("Btn_NoOfShapesFound"), QStringLiteral("0\nShapes Found"));
    QCOMPARE(o.Text("Btn_ShapeOffsetPosX"), QStringLiteral("0.0000\nOffset X"));
    QCOMPARE(o.m_Dlg.m_ShapeOffset.y, 0.0);
    QCOMPARE(o.Shapes().size(), size_t(1));
    o.m_Prompter.m_lstKeypadEntries << "60";
    ClickButton(o.m_Dlg, "Btn_ImgThreshold");
    ClickButton(o.m_Dlg, "Btn_Ok");
    QCOMPARE(o.Shapes().size(), size_t(4));
    QCOMPARE(o.m_Dlg.result(), int(QDialog::Accepted));

    // A later opening adds behind the kept ones.
    o.Reopen();
    o.m_Prompter.m_lstKeypadEntries << "70";
    ClickButton(o.m_Dlg, "Btn_ImgThreshold");
    QCOMPARE(o.Shapes().size(), size_t(7));
    ClickButton(o.m_Dlg, "Btn_Cancel");
    QCOMPARE(o.Shapes().size(), size_t(4));
}

// A noisy picture with more outlines than a trace orders is refused.
void TestDlgShapeFromImg::tooManyOutlines()
{
    stOpening o;
    cv::Mat img(600, 600, CV_8UC1, cv::Scalar(255));
    for (int y = 0; y < 600; y += 2)
        for (int x = 0; x < 600; x += 2)
            img.at<uchar>(y, x) = 0;
    o.Load(img, QStringLiteral("noise.png"));
    QCOMPARE(o.Shapes().size(), size_t(1));
    QCOMPARE(o.Text("Btn_NoOfShapesFound"), QStringLiteral("0\nShapes Found"));
    QCOMPARE(o.m_Main.m_lstLog, QStringList{"error: Too many outlines in the picture (90000): change the threshold"});
}

// The shape list is indexed with 16-bit numbers: a trace that fills it to
// 65535 entries is taken, one that would go past adds nothing and says so,
// and the shapes kept before the opening stay.
void TestDlgShapeFromImg::fullShapeList()
{
    stOpening o;
    while (o.Shapes().size() < 65532)
        o.m_Designer.m_stShapeCuttingInfo.AddEllipse(new stEllipse);
    o.Reopen();
    o.m_Dlg.m_nMinVertices = 4;
    o.Load(ThreeDiscs(), QStringLiteral("discs.png"));
    QCOMPARE(o.Shapes().size(), size_t(65535));
    QVERIFY(o.m_Main.m_lstLog.isEmpty());

    ClickButton(o.m_Dlg, "Btn_Ok");
    o.Reopen();
    o.m_Prompter.m_lstKeypadEntries << "60";
    ClickButton(o.m_Dlg, "Btn_ImgThreshold");
    QCOMPARE(o.Shapes().size(), size_t(65535));
    QCOMPARE(o.Shapes().back().m_pPolygon->m_strName, QStringLiteral("discs_2"));
    QCOMPARE(o.Text("Btn_NoOfShapesFound"), QStringLiteral("0\nShapes Found"));
    QCOMPARE(o.m_Main.m_lstLog,
             QStringList{"error: Too many shapes (3 more): the shape list holds at most 65535"});
}

// The designer keeps one panel for its whole life, embedded beside the work
// area and hidden until opened.
void TestDlgShapeFromImg::ownedByTheDesigner()
{
    CFakeMainWindow mw;
    CDlgShapes designer(&mw);
    CDlgShapeFromImg* pPanel = designer.ShapeFromImgEditor();
    QVERIFY(pPanel);
    QCOMPARE(pPanel->parentWidget(), static_cast<QWidget*>(&designer));
    QVERIFY(!pPanel->isWindow());
    QVERIFY(pPanel->isHidden());
    QCOMPARE(pPanel->pos(), QPoint(525, 0));
}

// Outlines 400 mm long run past the 300 mm work area: Ok asks to shrink
// them; No keeps the panel open, Yes fits them, and later traces of the
// picture come out at the length kept.
void TestDlgShapeFromImg::offTheWorkArea()
{
    stOpening o;
    o.m_Dlg.m_nMinVertices = 4;
    o.m_Dlg.m_fShapeLength = 400.0; // the discs reach from 20 to 360 mm
    o.Load(ThreeDiscs(), QStringLiteral("discs.png"));
    QCOMPARE(o.Shapes().size(), size_t(4));
    QCOMPARE(o.m_Main.m_lstLog,
             QStringList{"warning: The shapes exceed the 300.0000 x 200.0000 mm work area by 60.0000 mm on the right"});

    o.m_Prompter.m_lstAnswers << QMessageBox::No;
    ClickButton(o.m_Dlg, "Btn_Ok");
    QCOMPARE(o.m_Dlg.result(), int(QDialog::Rejected));
    QCOMPARE(o.m_Prompter.Texts(QStringLiteral("Question")),
             QStringList{"The shapes exceed the 300.0000 x 200.0000 mm work area by 60.0000 mm on the right.\n"
                         "Shrink them to 88.2353 % of their size and move them into the work area?"});
    double minX, maxX, minY, maxY;
    Bounds(o.Polygon(3), minX, maxX, minY, maxY); // the disc on the right
    QCOMPARE(maxX, 360.0);

    o.m_Prompter.m_lstAnswers << QMessageBox::Yes;
    ClickButton(o.m_Dlg, "Btn_Ok");
    QCOMPARE(o.m_Dlg.result(), int(QDialog::Accepted));
    QCOMPARE(o.Shapes().size(), size_t(4));
    Bounds(o.Polygon(3), minX, maxX, minY, maxY);
    QVERIFY2(qAbs(maxX - 300.0) < 1e-9, qPrintable(QString::number(maxX)));
    QCOMPARE(o.Text("Btn_ShapeLength"), QStringLiteral("352.9412\nLength"));
    QCOMPARE(o.Text("Btn_ShapeWidth"), QStringLiteral("88.2353\nWidth"));

    // The next opening traces the picture at the size kept.
    o.Reopen();
    o.m_Prompter.m_lstKeypadEntries << "60";
    ClickButton(o.m_Dlg, "Btn_ImgThreshold");
    QCOMPARE(o.Shapes().size(), size_t(7));
    stShapeBox box;
    QVERIFY(CWorkAreaFit::BoxFrom(o.m_Designer.m_stShapeCuttingInfo, 4, box));
    QVERIFY2(qAbs(box.m_fMaxX - box.m_fMinX - 300.0) < 1e-3, qPrintable(QString::number(box.m_fMaxX - box.m_fMinX)));
}

QTEST_MAIN(TestDlgShapeFromImg)
#include "tst_dlgshapefromimg.moc"
