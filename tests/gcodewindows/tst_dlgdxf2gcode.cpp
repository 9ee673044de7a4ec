// The DXF parameter dialog: its form, each button's keypad with its range,
// the depth entered as a negative Z and kept positive, Ok and Cancel.
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"

#include "core/AppConfig.h"
#include "gcodewindows/dlgdxf2gcode.h"

#include <QtTest>

class TestDlgDxfToGCode : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void form();
    void entries_data();
    void entries();
    void okAndCancel();
};

void TestDlgDxfToGCode::cleanup()
{
    AppConfig::m_bHomeSensorsUsed = false;
}

void TestDlgDxfToGCode::form()
{
    dlgDxfToGCode dlg;
    static const stFormRow kRows[] = {
        {"dlgDxfToGCode", "QDialog", 0, 0, 240, 190, "DXF to G-Code"},
        {"Btn_Feed", "QPushButton", 20, 20, 90, 40, "600\nFeed"},
        {"Btn_EndMillDia", "QPushButton", 130, 20, 90, 40, "1\nEnd-Mill "},
        {"Btn_AxisStep_Z", "QPushButton", 20, 70, 90, 40, "1\nz Step"},
        {"Btn_ShapeDepth", "QPushButton", 130, 70, 90, 40, "-1.0000\nDepth"},
        {"Btn_Cancel", "QPushButton", 20, 140, 90, 40, "Cancel"},
        {"Btn_Ok", "QPushButton", 130, 140, 90, 40, "Ok"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    QVERIFY(!FindButton(dlg, "Btn_EndMillDia")->icon().isNull());
    // The defaults the converter gets when nothing is changed.
    QCOMPARE(dlg.m_stDXF2GCode.m_fFeed, 600.0);
    QCOMPARE(dlg.m_stDXF2GCode.m_fToolDia, 1.0);
    QCOMPARE(dlg.m_stDXF2GCode.m_fStepDown, 1.0);
    QCOMPARE(dlg.m_stDXF2GCode.m_fTotalDepth, 1.0);
    QCOMPARE(dlg.m_stDXF2GCode.m_fSafeZ, 5.0);
    if (qEnvironmentVariableIsSet("DIRADI_GRAB"))
        dlg.grab().save(qEnvironmentVariable("DIRADI_GRAB") + "/dlgdxf2gcode.png");
}

void TestDlgDxfToGCode::entries_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("homeSwitches");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // "" = none
    QTest::addColumn<bool>("sign");

    // Z travel per pulse 0.001, Z negative limit -40, smallest top feed 25 mm/s.
    QTest::newRow("feed") << "Btn_Feed" << false << "900" << 900.0 << "900.0000\nFeed" << "" << false;
    QTest::newRow("feed above the machine's") << "Btn_Feed" << false << "2000" << 1500.0 << "1500.0000\nFeed"
                                              << "1.0000 and 1500.0000" << false;
    QTest::newRow("end mill too small") << "Btn_EndMillDia" << false << "0.5" << 1.0 << "1.0000\nEnd-Mill"
                                        << "1.0000 and 100.0000" << false;
    QTest::newRow("end mill too large") << "Btn_EndMillDia" << false << "200" << 100.0 << "100.0000\nEnd-Mill"
                                        << "1.0000 and 100.0000" << false;
    QTest::newRow("z step") << "Btn_AxisStep_Z" << false << "2.5" << 2.5 << "2.5000\nz Step" << "" << false;
    QTest::newRow("z step of 0 refused") << "Btn_AxisStep_Z" << false << "0" << 0.001 << "0.0010\nz Step"
                                         << "0.0010 and 10000.0000" << false;
    QTest::newRow("z step within the travel") << "Btn_AxisStep_Z" << true << "50" << 40.0 << "40.0000\nz Step"
                                              << "0.0010 and 40.0000" << false;
    QTest::newRow("depth entered negative") << "Btn_ShapeDepth" << false << "-3" << 3.0 << "-3.0000\nDepth" << ""
                                            << true;
    QTest::newRow("depth within the travel") << "Btn_ShapeDepth" << true << "-50" << 40.0 << "-40.0000\nDepth"
                                             << "-40.0000 and -0.0010" << true;
    QTest::newRow("depth of 0 refused") << "Btn_ShapeDepth" << false << "0" << 0.001 << "-0.0010\nDepth"
                                        << "-10000.0000 and -0.0010" << true;
    QTest::newRow("cancel keeps the value") << "Btn_Feed" << false << CFakePrompter::KeypadCancel << 600.0
                                            << "600.0000\nFeed" << "" << false;
}

void TestDlgDxfToGCode::entries()
{
    QFETCH(QString, button);
    QFETCH(bool, homeSwitches);
    QFETCH(QString, typed);
    QFETCH(double, stored);
    QFETCH(QString, text);
    QFETCH(QString, message);

    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_bHomeSensorsUsed = homeSwitches;
    AppConfig::m_fMinMaxAxisFeed = 25.0;
    dlgDxfToGCode dlg; // no parent: the keypad is the main window's
    dlg.ConfigSettings(&mw);
    prompter.m_lstKeypadEntries << typed;
    auto* pBtn = FindButton(dlg, qPrintable(button));
    QTest::mouseClick(pBtn, Qt::LeftButton);

    const stDXF2GCode& p = dlg.m_stDXF2GCode;
    const QMap<QString, double> fields{{"Btn_Feed", p.m_fFeed},
                                       {"Btn_EndMillDia", p.m_fToolDia},
                                       {"Btn_AxisStep_Z", p.m_fStepDown},
                                       {"Btn_ShapeDepth", p.m_fTotalDepth}};
    QCOMPARE(fields.value(button), stored);
    QCOMPARE(pBtn->text(), text);
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GRAY);
    QTEST(prompter.m_bLastKeypadSign, "sign");
    if (message.isEmpty())
        QCOMPARE(mw.m_lstLog, QStringList());
    else
        QCOMPARE(mw.m_lstLog, QStringList{"error: Value must be between\n" + message});
}

void TestDlgDxfToGCode::okAndCancel()
{
    {
        dlgDxfToGCode dlg;
        dlg.show();
        ClickButton(dlg, "Btn_Ok");
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
    }
    dlgDxfToGCode dlg;
    dlg.show();
    ClickButton(dlg, "Btn_Cancel");
    QCOMPARE(dlg.result(), int(QDialog::Rejected));
    QVERIFY(!dlg.isVisible());
}

QTEST_MAIN(TestDlgDxfToGCode)
#include "tst_dlgdxf2gcode.moc"
