// The video-recording settings: its form, the file name rule, the frame-rate
// keypad held within 16 to 25, and which ways of closing start a recording.
#include "fakeprompter.h"
#include "formcheck.h"
#include "testsupport.h"

#include "core/common.h"
#include "settingswindows/dlgvideorecsettings.h"
#include "camera/cnccamera.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestDlgVideoRecSettings : public QObject
{
    Q_OBJECT
private slots:
    void formMatchesTable();
    void browseFileNames_data();
    void browseFileNames();
    void addedExtensionAsksBeforeReplacing();
    void longPathShowsItsFileName();
    void frameRate_data();
    void frameRate();
    void okAndCancel();
};

void TestDlgVideoRecSettings::formMatchesTable()
{
    static const stFormRow kRows[] = {
        {"CDlgVideoRecSettings", "QDialog", 0, 0, 500, 155, "Video Record Settings"},
        {"Btn_BrowseVideoRecFile", "QPushButton", 10, 10, 90, 40, "Browse"},
        {"Lbl_VideoRecFile", "QLabel", 110, 14, 381, 31, "/home/diradi/MyCnc.avi"},
        {"Btn_VideoRecFps", "QPushButton", 10, 60, 90, 40, "16\nFrames/Sec"},
        {"Btn_Cancel", "QPushButton", 300, 105, 90, 40, "Cancel"},
        {"Btn_Ok", "QPushButton", 400, 105, 90, 40, "Ok"},
    };
    CDlgVideoRecSettings dlg;
    for (const stFormRow& row : kRows)
        QVERIFY2(FormMismatch(&dlg, row).isEmpty(), qPrintable(FormMismatch(&dlg, row)));
    QCOMPARE(dlg.minimumSize(), QSize(500, 100));
    QCOMPARE(dlg.maximumSize(), QSize(1000, 1000));

    // The camera's choices replace the form's texts.
    CCncCamera cam;
    cam.m_fRecordFps = 18.5;
    dlg.m_pCncCamera = &cam;
    dlg.ConfigSettings();
    QCOMPARE(dlg.findChild<QLabel*>("Lbl_VideoRecFile")->text(), QString());
    QCOMPARE(dlg.findChild<QPushButton*>("Btn_VideoRecFps")->text(), QStringLiteral("18.5\nFrames/Sec"));
}

void TestDlgVideoRecSettings::browseFileNames_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("stored");
    QTest::newRow("no extension") << "/home/diradi/job" << "/home/diradi/job.avi";
    QTest::newRow("other extension kept") << "/home/diradi/job.mp4" << "/home/diradi/job.mp4";
    QTest::newRow("only a leading dot") << "/home/diradi/.job" << "/home/diradi/.job.avi";
    QTest::newRow("cancelled") << "" << "/home/diradi/before.avi";
}

void TestDlgVideoRecSettings::browseFileNames()
{
    QFETCH(QString, chosen);
    QFETCH(QString, stored);
    CFakePrompter prompter;
    prompter.m_lstFileNames << chosen;
    CCncCamera cam;
    cam.m_strVideoFile = QStringLiteral("/home/diradi/before.avi");
    CDlgVideoRecSettings dlg;
    dlg.m_pCncCamera = &cam;
    dlg.ConfigSettings();
    ClickButton(dlg, "Btn_BrowseVideoRecFile");
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strKind, QStringLiteral("SaveFileName"));
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QStringLiteral("Select file name"));
    QCOMPARE(cam.m_strVideoFile, stored);
    QCOMPARE(dlg.findChild<QLabel*>("Lbl_VideoRecFile")->text(), stored);
}

void TestDlgVideoRecSettings::addedExtensionAsksBeforeReplacing()
{
    // "take1" typed: the file dialog asked about "take1", but the recording
    // would overwrite take1.avi.
    CTempWorkingFolder folder;
    CFakePrompter prompter;
    const QString strBase = folder.Root() + QStringLiteral("/take1");
    WriteRaw(strBase + QStringLiteral(".avi"), "first take");
    CCncCamera cam;
    cam.m_strVideoFile = QStringLiteral("/home/diradi/before.avi");
    CDlgVideoRecSettings dlg;
    dlg.m_pCncCamera = &cam;
    dlg.ConfigSettings();

    prompter.m_lstFileNames << strBase;
    prompter.m_lstAnswers << QMessageBox::No;
    ClickButton(dlg, "Btn_BrowseVideoRecFile");
    QCOMPARE(prompter.Texts("Question"),
             QStringList{strBase + QStringLiteral(".avi\nalready exists. Replace it?")});
    QCOMPARE(cam.m_strVideoFile, QStringLiteral("/home/diradi/before.avi"));
    QCOMPARE(dlg.findChild<QLabel*>("Lbl_VideoRecFile")->text(), QStringLiteral("/home/diradi/before.avi"));

    prompter.m_lstFileNames << strBase;
    prompter.m_lstAnswers << QMessageBox::Yes;
    ClickButton(dlg, "Btn_BrowseVideoRecFile");
    QCOMPARE(cam.m_strVideoFile, strBase + QStringLiteral(".avi"));
}

void TestDlgVideoRecSettings::longPathShowsItsFileName()
{
    // A path wider than the box is cut at its start, not at its file name.
    CCncCamera cam;
    CDlgVideoRecSettings dlg;
    dlg.m_pCncCamera = &cam;
    auto* pLabel = dlg.findChild<QLabel*>("Lbl_VideoRecFile");
    cam.m_strVideoFile = QStringLiteral("/media/diradi/USB-STICK/recordings/2026/december/job-42-second-side.avi");
    dlg.ConfigSettings();
    QVERIFY(pLabel->fontMetrics().horizontalAdvance(cam.m_strVideoFile) > pLabel->width());
    QVERIFY(pLabel->alignment() & Qt::AlignRight);
    QCOMPARE(pLabel->text(), cam.m_strVideoFile);
    QCOMPARE(pLabel->toolTip(), cam.m_strVideoFile);

    CFakePrompter prompter;
    prompter.m_lstFileNames << QStringLiteral("/home/diradi/take2");
    ClickButton(dlg, "Btn_BrowseVideoRecFile");
    QVERIFY(pLabel->alignment() & Qt::AlignLeft);
    QCOMPARE(pLabel->toolTip(), QStringLiteral("/home/diradi/take2.avi"));
}

void TestDlgVideoRecSettings::frameRate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("fps");
    QTest::newRow("above") << "30" << 25.0;
    QTest::newRow("below") << "10" << 16.0;
    QTest::newRow("inside") << "20" << 20.0;
    QTest::newRow("not a number keeps the rate") << "2..0" << 18.0;
    QTest::newRow("cancelled") << CFakePrompter::KeypadCancel << 18.0;
}

void TestDlgVideoRecSettings::frameRate()
{
    QFETCH(QString, typed);
    QFETCH(double, fps);
    CFakePrompter prompter;
    prompter.m_lstKeypadEntries << typed;
    CCncCamera cam;
    cam.m_fRecordFps = 18.0;
    CDlgVideoRecSettings dlg;
    dlg.m_pCncCamera = &cam;
    dlg.ConfigSettings();
    ClickButton(dlg, "Btn_VideoRecFps");
    QCOMPARE(prompter.m_lstPrompts.last().m_strTitle, QStringLiteral("Video Frames/sec"));
    QCOMPARE(prompter.m_lstPrompts.last().m_strText, QStringLiteral("18"));
    QVERIFY(!prompter.m_bLastKeypadDecimal);
    QVERIFY(!prompter.m_bLastKeypadSign);
    QCOMPARE(cam.m_fRecordFps, fps);
    auto* pBtn = dlg.findChild<QPushButton*>("Btn_VideoRecFps");
    QCOMPARE(pBtn->text(), QString::number(fps, 'g', 6) + QStringLiteral("\nFrames/Sec"));
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GRAY);
}

void TestDlgVideoRecSettings::okAndCancel()
{
    CFakePrompter prompter;
    CCncCamera cam;
    {
        // OK without a file: refused with a message, the dialog stays.
        CDlgVideoRecSettings dlg;
        dlg.m_pCncCamera = &cam;
        dlg.show();
        ClickButton(dlg, "Btn_Ok");
        QVERIFY(!dlg.m_bRecordOk);
        QVERIFY(dlg.isVisible());
        QCOMPARE(prompter.Texts(QStringLiteral("Warning")).size(), 1);
    }
    {
        // Cancel after choosing a file: no recording, the file kept.
        prompter.m_lstFileNames << QStringLiteral("/home/diradi/new");
        CDlgVideoRecSettings dlg;
        dlg.m_pCncCamera = &cam;
        dlg.show();
        ClickButton(dlg, "Btn_BrowseVideoRecFile");
        ClickButton(dlg, "Btn_Cancel");
        QVERIFY(!dlg.m_bRecordOk);
        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QCOMPARE(cam.m_strVideoFile, QStringLiteral("/home/diradi/new.avi"));
    }
    {
        // Closed by its frame: no recording either.
        CDlgVideoRecSettings dlg;
        dlg.m_pCncCamera = &cam;
        dlg.show();
        dlg.close();
        QVERIFY(!dlg.m_bRecordOk);
    }
    {
        CDlgVideoRecSettings dlg;
        dlg.m_pCncCamera = &cam;
        dlg.ConfigSettings();
        QCOMPARE(dlg.findChild<QLabel*>("Lbl_VideoRecFile")->text(), QStringLiteral("/home/diradi/new.avi"));
        dlg.show();
        ClickButton(dlg, "Btn_Ok");
        QVERIFY(dlg.m_bRecordOk);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }
}

QTEST_MAIN(TestDlgVideoRecSettings)
#include "tst_dlgvideorecsettings.moc"
