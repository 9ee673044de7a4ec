// The G-code run settings dialog: its form, the settings it shows, the three
// switches, the reference corner and the axis step on its own keypad.
#include "fakeprompter.h"
#include "formcheck.h"
#include "simcontroller.h"

#include "core/AppConfig.h"
#include "gcodewindows/dlggcodesettings.h"

#include <QtTest>

class TestDlgGCodeSettings : public QObject
{
    Q_OBJECT
private slots:
    void init() { CSimControllerSetup::ResetSettings(); AppConfig::m_GCodeRunSettings = stGCodeRunSettings(); }
    void cleanup() { init(); }
    void form();
    void shownSettings();
    void switches();
    void referenceCorner();
    void axisStep_data();
    void axisStep();
    void resetSlot();
};

void TestDlgGCodeSettings::form()
{
    dlgGCodeSettings dlg;
    static const stFormRow kRows[] = {
        {"dlgGCodeSettings", "QDialog", 0, 0, 370, 200, "GCode Settings"},
        {"Btn_UsePrgmFeed", "QPushButton", 10, 10, 121, 40, "Use Program \nFeed"},
        {"Btn_GCode_SaveExecStatus", "QPushButton", 10, 57, 121, 40, "Save Execution\nStatus"},
        {"Btn_GCode_UsePrgmSpindleSpeed", "QPushButton", 10, 104, 121, 40, "Use Program\nSpindle Speed"},
        {"Btn_GCode_AxisStep", "QPushButton", 10, 151, 121, 40, "Axis Step"},
        {"GB_HomeReference", "QGroupBox", 150, 5, 210, 190, "Home Reference"},
        {"Frame_HomeRef", "QFrame", 35, 45, 140, 110, nullptr},
        {"Btn_GCodeHmPosTLU", "QPushButton", 10, 20, 50, 50, ""},
        {"Btn_GCodeHmPosTRU", "QPushButton", 150, 20, 50, 50, ""},
        {"Btn_GCodeHmPosCenter", "QPushButton", 80, 75, 50, 50, ""},
        {"Btn_GCodeHmPosBLU", "QPushButton", 10, 130, 50, 50, ""},
        {"Btn_GCodeHmPosBRU", "QPushButton", 150, 130, 50, 50, ""},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    for (const char* name : {"Btn_GCodeHmPosTLU", "Btn_GCodeHmPosTRU", "Btn_GCodeHmPosCenter", "Btn_GCodeHmPosBLU",
                             "Btn_GCodeHmPosBRU"})
        QCOMPARE(FindButton(dlg, name)->styleSheet(), dlgGCodeSettings::HOME_REF_GREY);
    if (qEnvironmentVariableIsSet("DIRADI_GRAB")) {
        dlg.ConfigSettings();
        dlg.grab().save(qEnvironmentVariable("DIRADI_GRAB") + "/dlggcodesettings.png");
    }
}

void TestDlgGCodeSettings::shownSettings()
{
    stGCodeRunSettings& run = AppConfig::m_GCodeRunSettings;
    run.m_bUsePrgmFeed = true;
    run.m_bSaveExecStatus = false;
    run.m_bUsePrgmSpindleSpeed = true;
    run.m_fAxisStep = 0.25;
    run.m_iHomeRef = 2;
    dlgGCodeSettings dlg;
    dlg.ConfigSettings();
    QCOMPARE(FindButton(dlg, "Btn_UsePrgmFeed")->styleSheet(), BTN_BKGND_GREEN);
    QVERIFY(FindButton(dlg, "Btn_GCode_SaveExecStatus")->styleSheet() != BTN_BKGND_GREEN);
    QCOMPARE(FindButton(dlg, "Btn_GCode_UsePrgmSpindleSpeed")->styleSheet(), BTN_BKGND_GREEN);
    QCOMPARE(FindButton(dlg, "Btn_GCode_AxisStep")->text(), QStringLiteral("0.2500\nAxis Step"));
    QCOMPARE(FindButton(dlg, "Btn_GCodeHmPosTRU")->styleSheet(), dlgGCodeSettings::HOME_REF_BLUE + ";");
    // The highlight moves away from the corner shown.
    ClickButton(dlg, "Btn_GCodeHmPosBLU");
    QCOMPARE(FindButton(dlg, "Btn_GCodeHmPosTRU")->styleSheet(), dlgGCodeSettings::HOME_REF_GREY);

    // A corner value the dialog does not know marks none.
    run.m_iHomeRef = 5;
    dlgGCodeSettings other;
    other.ConfigSettings();
    for (QPushButton* pBtn : other.findChildren<QPushButton*>(QRegularExpression("^Btn_GCodeHmPos")))
        QCOMPARE(pBtn->styleSheet(), dlgGCodeSettings::HOME_REF_GREY);
}

void TestDlgGCodeSettings::switches()
{
    const struct
    {
        const char* button;
        bool* setting;
    } cases[] = {
        {"Btn_UsePrgmFeed", &AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed},
        {"Btn_GCode_SaveExecStatus", &AppConfig::m_GCodeRunSettings.m_bSaveExecStatus},
        {"Btn_GCode_UsePrgmSpindleSpeed", &AppConfig::m_GCodeRunSettings.m_bUsePrgmSpindleSpeed},
    };
    dlgGCodeSettings dlg;
    dlg.ConfigSettings();
    for (const auto& c : cases) {
        auto* pBtn = FindButton(dlg, c.button);
        const bool bFirst = *c.setting;
        QTest::mouseClick(pBtn, Qt::LeftButton);
        QVERIFY2(*c.setting == !bFirst, c.button);
        QCOMPARE(pBtn->styleSheet(), *c.setting ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
        QTest::mouseClick(pBtn, Qt::LeftButton);
        QVERIFY2(*c.setting == bFirst, c.button);
        QCOMPARE(pBtn->styleSheet(), bFirst ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
    }
}

void TestDlgGCodeSettings::referenceCorner()
{
    const struct
    {
        const char* button;
        int ref;
    } corners[] = {
        {"Btn_GCodeHmPosTLU", 0}, {"Btn_GCodeHmPosTRU", 2},    {"Btn_GCodeHmPosBRU", 4},
        {"Btn_GCodeHmPosBLU", 6}, {"Btn_GCodeHmPosCenter", 8},
    };
    dlgGCodeSettings dlg;
    dlg.ConfigSettings();
    const char* previous = "Btn_GCodeHmPosBLU";
    for (const auto& c : corners) {
        ClickButton(dlg, c.button);
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_iHomeRef, c.ref);
        QCOMPARE(FindButton(dlg, c.button)->styleSheet(), dlgGCodeSettings::HOME_REF_BLUE);
        if (qstrcmp(previous, c.button) != 0)
            QCOMPARE(FindButton(dlg, previous)->styleSheet(), dlgGCodeSettings::HOME_REF_GREY);
        previous = c.button;
    }
    int iBlue = 0;
    for (QPushButton* pBtn : dlg.findChildren<QPushButton*>(QRegularExpression("^Btn_GCodeHmPos")))
        iBlue += pBtn->styleSheet() == dlgGCodeSettings::HOME_REF_BLUE;
    QCOMPARE(iBlue, 1);
}

void TestDlgGCodeSettings::axisStep_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("stored");
    QTest::newRow("within range") << "0.5" << 0.5;
    QTest::newRow("above 10") << "20" << 10.0;
    QTest::newRow("below the finer step pulse") << "0.0005" << 0.001;
    QTest::newRow("not a number") << "abc" << 0.1;
    QTest::newRow("cancelled") << CFakePrompter::KeypadCancel << 0.1;
}

void TestDlgGCodeSettings::axisStep()
{
    QFETCH(QString, typed);
    QFETCH(double, stored);
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = 0.001;
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.002;
    // Notes the button's look while the keypad is open.
    struct CLookingPrompter : CFakePrompter
    {
        QPushButton* m_pBtn = nullptr;
        QString m_strLook;
        bool Keypad(QWidget* parent, const QString& title, QString& value, bool bSign, bool bDecimal) override
        {
            m_strLook = m_pBtn->styleSheet();
            return CFakePrompter::Keypad(parent, title, value, bSign, bDecimal);
        }
    } prompter;
    dlgGCodeSettings dlg;
    dlg.ConfigSettings();
    prompter.m_lstKeypadEntries << typed;
    auto* pBtn = FindButton(dlg, "Btn_GCode_AxisStep");
    prompter.m_pBtn = pBtn;
    QTest::mouseClick(pBtn, Qt::LeftButton);
    QCOMPARE(prompter.m_strLook, BTN_BKGND_BLUE);
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, stored);
    QCOMPARE(pBtn->text(), QString::number(stored, 'f', 4) + "\nAxis Step");
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GRAY);
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QStringLiteral("Axis Step"));
    QCOMPARE(prompter.m_lstPrompts[0].m_strText, QStringLiteral("0.1000"));
    QVERIFY(!prompter.m_bLastKeypadSign);
}

void TestDlgGCodeSettings::resetSlot()
{
    // The click feedback's return to grey: a slot, reached by name, that
    // leaves the button as it is now and repaints it a moment later.
    dlgGCodeSettings dlg;
    auto* pBtn = FindButton(dlg, "Btn_UsePrgmFeed");
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    QVERIFY(QMetaObject::invokeMethod(&dlg, "ResetBtnBkGnd", Q_ARG(QPushButton*, pBtn),
                                      Q_ARG(QString, BTN_BKGND_GRAY)));
    QCOMPARE(pBtn->styleSheet(), BTN_BKGND_GREEN);
    QTRY_COMPARE(pBtn->styleSheet(), BTN_BKGND_GRAY);
}

QTEST_MAIN(TestDlgGCodeSettings)
#include "tst_dlggcodesettings.moc"
