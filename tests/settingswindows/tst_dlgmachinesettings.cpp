// The machine settings panel on the simulated machine: its form, what
// ConfigSettings shows, the motor parameter entries and what they push into
// the axes, the copies to a group, the busy refusals, limits, directions,
// home switches, controller kind, keyboard pendant and the settings lock.
#include "fakemainwindow.h"
#include "fakeprompter.h"
#include "formcheck.h"

#include "core/AppConfig.h"
#include "hal/simpinbank.h"
#include "machine/kivgpio.h"
#include "settingswindows/dlgkivctrl.h"
#include "settingswindows/dlgmachinesettings.h"
#include "settingswindows/dlgpwmspndlsettings.h"
#include "settingswindows/dlgrpicontroller.h"
#include "settingswindows/dlgusersettings.h"
#include "settings/velaccgraph.h"
#include "widgets/MyView.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

namespace {
const char* const AXES = "XYZAB";

// The shared finders, for names built at run time.
QPushButton* Btn(QWidget* pDlg, const QString& strName) { return FindButton(*pDlg, strName.toLatin1().constData()); }
void Click(QWidget* pDlg, const QString& strName) { ClickButton(*pDlg, strName.toLatin1().constData()); }

QString N(double f, int iDecimals = 4) { return QString::number(f, 'f', iDecimals); }

// Every setting the panel may write, as one text to compare before and after.
QString Snapshot()
{
    QStringList parts;
    for (int i = 0; i < AXIS_COUNT; ++i)
        parts << N(AppConfig::m_fAxisMovPerPulse[i]) << N(AppConfig::m_fMaxAxisFeed[i]) << N(AppConfig::m_fAxisAcc[i])
              << N(AppConfig::m_fAxisDutyCycle[i]) << N(AppConfig::m_fAxisRateOfAcc[i])
              << N(AppConfig::m_fUserAxisFeed[i]) << N(AppConfig::m_fAxisJogFeed[i]) << N(AppConfig::m_fAxisFeed[i])
              << N(AppConfig::m_fAxisPosDirLimit[i]) << N(AppConfig::m_fAxisNegDirLimit[i])
              << QString::number(AppConfig::m_eAxisPosDir[i]) << QString::number(AppConfig::m_eAxisHomeDir[i]);
    parts << QString::number(AppConfig::m_eAxisFeedtype) << QString::number(AppConfig::m_iVelAccSamplingTime)
          << QString::number(AppConfig::m_bHomeSensorsUsed) << QString::number(AppConfig::m_eDiradiCtrl)
          << QString::number(AppConfig::m_iMchType) << N(AppConfig::m_fMinMaxAxisFeed)
          << N(AppConfig::m_GCodeRunSettings.m_fAxisStep);
    return parts.join(QLatin1Char(','));
}

// The axis's last ramp refresh recorded a ramp up to its maximum feed and
// left its working ramp waiting for the next move.
bool RampRefreshed(AxisCtrl& axis, int i)
{
    if (axis.m_lstVelProfile.isEmpty())
        return false;
    // The linear ramp's last segment reaches the feed; the S-curve's stops
    // one sample short of it.
    const double fTop = axis.m_lstVelProfile.last() * AppConfig::m_fAxisMovPerPulse[i];
    const double fMax = AppConfig::m_fMaxAxisFeed[i];
    const bool bTopIsMax = AppConfig::m_eAxisFeedtype == FEED_SCURVE ? fTop > 0.75 * fMax && fTop <= fMax * (1 + 1e-9)
                                                                     : qAbs(fTop - fMax) < 1e-6 * fMax;
    const int iPending = 1 - axis.m_nActiveTable;
    return bTopIsMax && axis.m_bNewTable && qFuzzyCompare(axis.m_fTableFeed[iPending], AppConfig::m_fAxisFeed[i]);
}
} // namespace

class TestDlgMachineSettings : public QObject
{
    Q_OBJECT
private slots:
    // What the simulated machine's set-up leaves to the panel's own tests.
    void init()
    {
        AppConfig::m_bAppPassword = false;
        AppConfig::m_strAppPassword = QStringLiteral("730419");
        AppConfig::m_bKeyboardCtrlUsed = false;
        AppConfig::m_bPWMCtrlUsed = false;
    }
    void cleanup() { init(); }
    void form();
    void configShowsTheStore_data();
    void configShowsTheStore();
    void longValuesAreWrittenSmaller();
    void rampsWaitForStartupHoming();
    void motorEntries_data();
    void motorEntries();
    void unbuildableValueIsRefused_data();
    void unbuildableValueIsRefused();
    void finerStepLowersTheFeeds();
    void cancelledMaxFeedIsClampedToTheStepRate();
    void axisSelectionShowsItsRamp();
    void curveTypeRebuildsEveryAxis();
    void sameForXYZ();
    void sameForAB();
    void busyRefusals_data();
    void busyRefusals();
    void travelLimits_data();
    void travelLimits();
    void motorDirections();
    void homeSwitches();
    void controllerSelection();
    void piPinoutSwitchesAtOnce();
    void boardKindIsShownAndKept();
    void pwmSpindleSettings();
    void pwmStartFailureIsLogged();
    void keyboardPendant();
    void settingsLock_data();
    void settingsLock();
};

void TestDlgMachineSettings::form()
{
    CDlgMachineSettings dlg;
    QCOMPARE(dlg.size(), QSize(900, 400));
    QCOMPARE(dlg.styleSheet(), QStringLiteral("background-color: rgb(85, 85, 85);"));

    static const stFormRow kRows[] = {
        {"tabWidget", "QTabWidget", 10, 10, 741, 381, nullptr},
        {"Btn_MachSettingsPasswd", "QPushButton", 800, 350, 91, 41, "M/C Settings \nPassword"},
        // Motor
        {"Btn_AxisSel_X", "QPushButton", 56, 50, 90, 40, "X Axis"},
        {"Btn_AxisSel_Y", "QPushButton", 56, 100, 90, 40, "Y Axis"},
        {"Btn_AxisSel_Z", "QPushButton", 56, 150, 90, 40, "Z Axis"},
        {"Btn_AxisSel_A", "QPushButton", 56, 200, 90, 40, "A Axis"},
        {"Btn_AxisSel_B", "QPushButton", 56, 250, 90, 40, "B Axis"},
        {"Btn_SameMotorSettings", "QPushButton", 270, 5, 90, 40, "Same for\nX, Y, Z"},
        {"Btn_SameMotorSettings_AB", "QPushButton", 370, 6, 90, 40, "Same for\nA, B"},
        {"frame", "QFrame", 166, 50, 400, 240, nullptr},
        {"Btn_MovPerPulse", "QPushButton", 164, 298, 90, 40, "Move/Pulse"},
        {"Btn_MaxFeed", "QPushButton", 269, 298, 90, 40, "Max Feed"},
        {"Btn_MaxAcc", "QPushButton", 374, 298, 90, 40, "Acc"},
        {"Btn_Axis_Pulse_DutyCycle", "QPushButton", 474, 298, 91, 41, "Duty Cycle"},
        {"Btn_VelCurveType", "QPushButton", 576, 110, 100, 40, "Trapezoidal"},
        {"Btn_RateOfAcc", "QPushButton", 576, 160, 100, 40, "Rate Of Acc"},
        {"Btn_VelAccUserTimePeriod", "QPushButton", 576, 210, 100, 40, "0.01\nSampling Time"},
        // Axis
        {"label_6", "QLabel", 206, 59, -1, -1, "X"},
        {"label_7", "QLabel", 316, 59, -1, -1, "Y"},
        {"label_8", "QLabel", 426, 59, -1, -1, "Z"},
        {"label_13", "QLabel", 533, 56, -1, -1, "A"},
        {"label_14", "QLabel", 641, 60, -1, -1, "B"},
        {"label_9", "QLabel", 12, 110, -1, -1, "+Ve Direction Limit"},
        {"label_10", "QLabel", 15, 160, -1, -1, "-Ve Direction Limit"},
        {"label_11", "QLabel", 15, 200, -1, -1, "+Ve Direction \nMotor Rotation"},
        {"label_12", "QLabel", 15, 250, -1, -1, "Home Direction \nMotor Rotation"},
        {"label_15", "QLabel", 290, 20, -1, -1, "Limits as measured from home sensor"},
        // I/O
        {"frame_3", "QFrame", 0, 0, 196, 341, nullptr},
        {"Cmb_KivCntrolSel", "QComboBox", 7, 10, 180, 31, nullptr},
        {"Btn_PwmSettings", "QPushButton", 3, 61, 70, 40, "PWM\nSettings"},
        {"Btn_UseHomeIP", "QPushButton", 120, 60, 70, 40, "Home\nSensor"},
        // Control
        {"frame_2", "QFrame", 170, 50, 211, 271, nullptr},
        {"label_22", "QLabel", 190, 20, -1, -1, "Numeric Keypad"},
        {"label_4", "QLabel", 400, 10, 321, 311, nullptr},
        {"Btn_UseKeyboardCtrl", "QPushButton", 40, 160, 90, 40, "Keyboard\nControl"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&dlg, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }

    // The Axis tab's grid: a column per axis, a row per setting, empty texts.
    static const char* const kRowNames[] = {"PosDirMovLimit", "NegDirMovLimit", "PosDirMotRot", "HomeDirMotRot"};
    for (int r = 0; r < 4; ++r) {
        for (int a = 0; a < AXIS_COUNT; ++a) {
            const QByteArray name = QByteArray("Btn_") + AXES[a] + "_" + kRowNames[r];
            const stFormRow row{name.constData(), "QPushButton", 169 + 110 * a, 100 + 50 * r, 90, 40, ""};
            const QString strDiff = FormMismatch(&dlg, row);
            QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
            QCOMPARE(Btn(&dlg, QString::fromLatin1(name))->isEnabled(), a <= Z_AXIS);
        }
    }

    auto* pTabs = dlg.findChild<QTabWidget*>("tabWidget");
    QCOMPARE(pTabs->count(), 4);
    const QStringList titles{"I/O", "Motor", "Axis", "Control"};
    const QStringList pages{"tab_6", "tab", "tab_2", "tab_5"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(pTabs->tabText(i), titles[i]);
        QCOMPARE(pTabs->widget(i)->objectName(), pages[i]);
    }
    QCOMPARE(pTabs->currentIndex(), 1);
    QCOMPARE(pTabs->tabPosition(), QTabWidget::North);

    auto* pCombo = dlg.findChild<QComboBox*>("Cmb_KivCntrolSel");
    QCOMPARE(pCombo->count(), 2);
    QCOMPARE(pCombo->itemText(0), QStringLiteral("KIVQ10"));
    QCOMPARE(pCombo->itemText(1), QStringLiteral("KIVQ20"));
    QCOMPARE(dlg.findChild<QFrame*>("frame_2")->styleSheet(), QStringLiteral("background-image: url(:/res/keypad.png);"));
    QVERIFY(!QPixmap(QStringLiteral(":/res/keypad.png")).isNull());

    const QStringList legend = dlg.findChild<QLabel*>("label_4")->text().split(QLatin1Char('\n'));
    QCOMPARE(legend.size(), 18);
    QCOMPARE(legend[0], QStringLiteral("\t(C)->Click, (P)->Press 3 Secs, (S)->Shift"));
    QCOMPARE(legend[1], QString());
    QCOMPARE(legend[3], QStringLiteral("Key 1:  (C)Move Z-0, (S)Set Step 0.01, (P)Set Z-0"));
    QCOMPARE(legend[17], QStringLiteral("Key . :  (C)Start/Pause"));

    for (QPushButton* pBtn : dlg.findChildren<QPushButton*>())
        QVERIFY2(pBtn->styleSheet() == BTN_BKGND_GRAY, qPrintable(pBtn->objectName()));
    for (const char* pName : {"Btn_AxisSel_A", "Btn_AxisSel_B", "Btn_SameMotorSettings_AB"})
        QVERIFY(!Btn(&dlg, pName)->isEnabled());
}

void TestDlgMachineSettings::configShowsTheStore_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("three axes") << int(CTRL_KIVQ10);
    QTest::newRow("five axes") << int(CTRL_KIVQ20);
}

void TestDlgMachineSettings::configShowsTheStore()
{
    QFETCH(int, kind);
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_eDiradiCtrl = eKivController(kind);
    AppConfig::InstallPinAssignment(AppConfig::m_eDiradiCtrl);
    AppConfig::m_iMchType = kind == CTRL_KIVQ20 ? 5 : 3;
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = 0.0025;
    AppConfig::m_fMaxAxisFeed[X_AXIS] = 45.5;
    AppConfig::m_fAxisAcc[X_AXIS] = 700.0;
    AppConfig::m_fAxisDutyCycle[X_AXIS] = 0.4;
    AppConfig::m_fAxisRateOfAcc[X_AXIS] = 8000.0;
    AppConfig::m_eAxisFeedtype = FEED_SCURVE;
    AppConfig::m_iVelAccSamplingTime = 12500;
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_bPWMCtrlUsed = true;
    AppConfig::m_bAppPassword = true;
    AppConfig::m_bKeyboardCtrlUsed = true;
    AppConfig::m_fAxisPosDirLimit[Y_AXIS] = 250.5;
    AppConfig::m_eAxisPosDir[Z_AXIS] = DIR_CCW;

    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    QCOMPARE(Btn(&dlg, "Btn_MovPerPulse")->text(), QStringLiteral("0.0025\nMove/Pulse"));
    QCOMPARE(Btn(&dlg, "Btn_MaxFeed")->text(), QStringLiteral("45.5000\nMax Feed"));
    QCOMPARE(Btn(&dlg, "Btn_MaxAcc")->text(), QStringLiteral("700.0000\nAcc"));
    QCOMPARE(Btn(&dlg, "Btn_Axis_Pulse_DutyCycle")->text(), QStringLiteral("0.40\nDuty Cycle"));
    QCOMPARE(Btn(&dlg, "Btn_RateOfAcc")->text(), QStringLiteral("8000.0000\nRate of Acc"));
    QVERIFY(Btn(&dlg, "Btn_RateOfAcc")->isEnabled());
    QCOMPARE(Btn(&dlg, "Btn_VelCurveType")->text(), QStringLiteral("S-Curve"));
    QCOMPARE(Btn(&dlg, "Btn_VelCurveType")->styleSheet(), BTN_BKGND_BLUE);
    QCOMPARE(Btn(&dlg, "Btn_VelAccUserTimePeriod")->text(), QStringLiteral("0.0125\nSampling Time"));
    QCOMPARE(Btn(&dlg, "Btn_AxisSel_X")->styleSheet(), BTN_BKGND_BLUE);
    for (const char* pName :
         {"Btn_PwmSettings", "Btn_MachSettingsPasswd", "Btn_UseHomeIP", "Btn_UseKeyboardCtrl"})
        QVERIFY2(Btn(&dlg, pName)->styleSheet() == BTN_BKGND_GREEN, pName);
    QCOMPARE(Btn(&dlg, "Btn_Y_PosDirMovLimit")->text(), QStringLiteral("250.5000"));
    QCOMPARE(Btn(&dlg, "Btn_Z_NegDirMovLimit")->text(), QStringLiteral("-40.0000"));
    QCOMPARE(Btn(&dlg, "Btn_Z_PosDirMotRot")->text(), QStringLiteral("Counter\nClockwise"));
    QCOMPARE(Btn(&dlg, "Btn_Y_PosDirMotRot")->text(), QStringLiteral("Clockwise"));
    QCOMPARE(Btn(&dlg, "Btn_X_HomeDirMotRot")->text(), QStringLiteral("Counter\nClockwise"));
    QCOMPARE(Btn(&dlg, "Btn_B_PosDirMovLimit")->text(), QStringLiteral("360.0000"));

    const bool bFive = kind == CTRL_KIVQ20;
    for (const char* pName : {"Btn_AxisSel_A", "Btn_AxisSel_B", "Btn_SameMotorSettings_AB", "Btn_A_PosDirMovLimit",
                              "Btn_B_NegDirMovLimit", "Btn_A_PosDirMotRot", "Btn_B_HomeDirMotRot"})
        QVERIFY2(Btn(&dlg, pName)->isEnabled() == bFive, pName);
    QVERIFY(Btn(&dlg, "Btn_X_PosDirMovLimit")->isEnabled());
    QCOMPARE(AppConfig::m_iMchType, bFive ? 5 : 3);
    QCOMPARE(int(AppConfig::m_eDiradiCtrl), kind);
    QCOMPARE(dlg.findChild<QComboBox*>("Cmb_KivCntrolSel")->currentIndex(), kind);
    QVERIFY(!dlg.findChild<dlgRpiController*>()->isHidden());
    QVERIFY(dlg.findChild<dlgKivCtrl*>()->isHidden());
    // Configuring is not a change of controller: no restart message.
    QVERIFY(mw.m_lstLog.isEmpty());

    // Every axis has its ramp, A and B on a three-axis machine too.
    for (int i = 0; i < AXIS_COUNT; ++i)
        QVERIFY2(RampRefreshed(mw.m_AppCtrl.m_AxisCtrl[i], i), &AXES[i]);
    // The graph shows X's, once the window shows.
    dlg.show();
    const QImage* pShown = dlg.findChild<CMyView*>()->Image();
    QVERIFY(pShown);
    QCOMPARE(*pShown, CVelAccGraph::Draw(mw.m_AppCtrl.m_AxisCtrl[X_AXIS].m_lstVelProfile, 0.0025));
}

void TestDlgMachineSettings::longValuesAreWrittenSmaller()
{
    // Values from a settings file far beyond what the form was drawn for:
    // the whole number shows, inside the button's border, in a smaller font.
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_fMaxAxisFeed[X_AXIS] = 15000000.0;
    AppConfig::m_fAxisRateOfAcc[X_AXIS] = 10000000.0;
    AppConfig::m_fAxisPosDirLimit[X_AXIS] = 1000000.0;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    const struct
    {
        const char* m_pButton;
        QString m_strText;
    } kRows[] = {
        {"Btn_MaxFeed", QStringLiteral("15000000.0000\nMax Feed")},
        {"Btn_RateOfAcc", QStringLiteral("10000000.0000\nRate of Acc")},
        {"Btn_X_PosDirMovLimit", QStringLiteral("1000000.0000")},
        {"Btn_MaxAcc", QStringLiteral("600.0000\nAcc")},
    };
    for (const auto& row : kRows) {
        QPushButton* pBtn = Btn(&dlg, row.m_pButton);
        QCOMPARE(pBtn->text(), row.m_strText);
        const QFontMetrics metrics(pBtn->font());
        for (const QString& strLine : row.m_strText.split('\n'))
            QVERIFY2(metrics.horizontalAdvance(strLine) <= pBtn->width() - 4, row.m_pButton);
    }
    QVERIFY(Btn(&dlg, "Btn_MaxFeed")->font().pointSizeF() < Btn(&dlg, "Btn_MaxAcc")->font().pointSizeF());

    // The next axis's short value gets the form's size back.
    AppConfig::m_fMaxAxisFeed[Y_AXIS] = 30.0;
    Click(&dlg, "Btn_AxisSel_Y");
    QCOMPARE(Btn(&dlg, "Btn_MaxFeed")->font().pointSizeF(), Btn(&dlg, "Btn_MaxAcc")->font().pointSizeF());
}

void TestDlgMachineSettings::rampsWaitForStartupHoming()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    // Homing runs its approach at the jog feed.
    AxisCtrl& x = mw.m_AppCtrl.m_AxisCtrl[X_AXIS];
    x.SetVelocityAcc(AppConfig::m_fAxisJogFeed[X_AXIS], AppConfig::m_fAxisAcc[X_AXIS]);
    const int iPending = 1 - x.m_nActiveTable;
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_MCH_HOMING;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    QCOMPARE(x.m_fTableFeed[iPending], AppConfig::m_fAxisJogFeed[X_AXIS]);
    QVERIFY(x.m_lstVelProfile.isEmpty());
    QVERIFY(mw.m_lstLog.isEmpty());
    dlg.show(); // opened while homing: still nothing
    QCOMPARE(x.m_fTableFeed[iPending], AppConfig::m_fAxisJogFeed[X_AXIS]);
    dlg.hide();

    // Homing done: opening the panel builds every ramp and draws X's.
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    dlg.show();
    for (int i = 0; i < AXIS_COUNT; ++i)
        QVERIFY(RampRefreshed(mw.m_AppCtrl.m_AxisCtrl[i], i));
    QCOMPARE(*dlg.findChild<CMyView*>()->Image(), CVelAccGraph::Draw(x.m_lstVelProfile, 0.001));
}

void TestDlgMachineSettings::motorEntries_data()
{
    QTest::addColumn<QString>("axisButton");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("offered");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rangeMessage");

    QTest::newRow("move per pulse") << "Btn_AxisSel_Z" << "Btn_MovPerPulse" << "0.002" << "Move per Pulse(mm)"
                                    << "0.0010" << "0.0020\nMove/Pulse" << false;
    QTest::newRow("move per pulse of zero") << "Btn_AxisSel_X" << "Btn_MovPerPulse" << "0" << "Move per Pulse(mm)"
                                            << "0.0010" << "0.0001\nMove/Pulse" << true;
    QTest::newRow("max feed") << "Btn_AxisSel_Y" << "Btn_MaxFeed" << "50" << "Axis Feed(mm/sec)" << "30.0000"
                              << "50.0000\nMax Feed" << false;
    QTest::newRow("max feed of a rotary axis") << "Btn_AxisSel_B" << "Btn_MaxFeed" << "90" << "Axis Feed(deg/sec)"
                                               << "30.0000" << "90.0000\nMax Feed" << false;
    QTest::newRow("max feed past the step rate") << "Btn_AxisSel_X" << "Btn_MaxFeed" << "2000" << "Axis Feed(mm/sec)"
                                                 << "30.0000" << "1500.0000\nMax Feed" << true;
    QTest::newRow("acceleration") << "Btn_AxisSel_X" << "Btn_MaxAcc" << "120" << "Axis Acceleration(mm/sec2)"
                                  << "600.0000" << "120.0000\nAcc" << false;
    QTest::newRow("acceleration of a rotary axis") << "Btn_AxisSel_A" << "Btn_MaxAcc" << "6000"
                                                   << "Axis Acceleration(deg/sec2)" << "600.0000" << "5000.0000\nAcc"
                                                   << true;
    QTest::newRow("duty cycle") << "Btn_AxisSel_Y" << "Btn_Axis_Pulse_DutyCycle" << "0.5" << "Axis Pulse Duty Cycle"
                                << "0.25" << "0.50\nDuty Cycle" << false;
    QTest::newRow("duty cycle too long") << "Btn_AxisSel_Y" << "Btn_Axis_Pulse_DutyCycle" << "0.9"
                                         << "Axis Pulse Duty Cycle" << "0.25" << "0.75\nDuty Cycle" << true;
    QTest::newRow("rate of acceleration") << "Btn_AxisSel_A" << "Btn_RateOfAcc" << "9000"
                                          << "Axis Rate Of Acc(mm/sec3)" << "6000.0000" << "9000.0000\nRate of Acc"
                                          << false;
    QTest::newRow("sampling time") << "Btn_AxisSel_X" << "Btn_VelAccUserTimePeriod" << "0.0157" << "Sampling Time(sec)"
                                   << "0.0100" << "0.0157\nSampling Time" << false;
    QTest::newRow("sampling time too short") << "Btn_AxisSel_X" << "Btn_VelAccUserTimePeriod" << "0.0000004"
                                             << "Sampling Time(sec)" << "0.0100" << "0.0010\nSampling Time" << true;
    QTest::newRow("cancelled") << "Btn_AxisSel_Z" << "Btn_MaxAcc" << CFakePrompter::KeypadCancel
                               << "Axis Acceleration(mm/sec2)" << "600.0000" << "600.0000\nAcc" << false;
}

void TestDlgMachineSettings::motorEntries()
{
    QFETCH(QString, axisButton);
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(QString, offered);
    QFETCH(QString, text);
    QFETCH(bool, rangeMessage);

    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_iMchType = 5;
    AppConfig::m_eAxisFeedtype = FEED_SCURVE;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    Click(&dlg, axisButton);
    const int s = dlg.m_eSelAxis;
    QCOMPARE(QString(QLatin1Char(AXES[s])), axisButton.right(1));
    const QVector<double> before = mw.m_AppCtrl.m_AxisCtrl[s].m_lstVelProfile;

    prompter.m_lstKeypadEntries << typed;
    Click(&dlg, button);
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, title);
    QCOMPARE(prompter.m_lstPrompts[0].m_strText, offered);
    QVERIFY(!prompter.m_bLastKeypadSign);
    QCOMPARE(Btn(&dlg, button)->text(), text);
    QCOMPARE(Btn(&dlg, button)->styleSheet(), BTN_BKGND_GRAY);
    QCOMPARE(mw.m_lstLog.join("|").contains("Value must be between"), rangeMessage);

    // The value shown is the value stored, and the axis runs with it.
    const double fShown = text.section(QLatin1Char('\n'), 0, 0).toDouble();
    AxisCtrl& axis = mw.m_AppCtrl.m_AxisCtrl[s];
    if (button == "Btn_MovPerPulse") {
        QCOMPARE(AppConfig::m_fAxisMovPerPulse[s], fShown);
        QCOMPARE(axis.m_lStepSize, long(CUnitConverter::GetLong(fShown)));
    } else if (button == "Btn_MaxFeed") {
        QCOMPARE(AppConfig::m_fMaxAxisFeed[s], fShown);
    } else if (button == "Btn_MaxAcc") {
        QCOMPARE(AppConfig::m_fAxisAcc[s], fShown);
    } else if (button == "Btn_Axis_Pulse_DutyCycle") {
        QCOMPARE(AppConfig::m_fAxisDutyCycle[s], fShown);
        const int b = 1 - axis.m_nActiveTable;
        QVERIFY(axis.m_bNewTable);
        QVERIFY(qAbs(axis.m_fCruiseHighNs[b] / (axis.m_fCruiseHighNs[b] + axis.m_fCruiseLowNs[b]) - fShown) < 1e-3);
    } else if (button == "Btn_RateOfAcc") {
        QCOMPARE(AppConfig::m_fAxisRateOfAcc[s], fShown);
    } else {
        QCOMPARE(AppConfig::m_iVelAccSamplingTime, quint32(qRound(fShown * 1000000.0)));
    }
    if (button != "Btn_Axis_Pulse_DutyCycle")
        QVERIFY(RampRefreshed(axis, s));
    if (button == "Btn_MaxAcc" && typed == "120")
        QVERIFY(axis.m_lstVelProfile != before);
}

// A value with which the axis cannot build its speed ramp is refused at the
// keypad: the log says what and why, the button and the settings keep the
// value in force, and the axis keeps its ramp and graph.
void TestDlgMachineSettings::unbuildableValueIsRefused_data()
{
    // X's motor settings before the panel is set up.
    QTest::addColumn<double>("movPerPulse");
    QTest::addColumn<double>("acc");
    QTest::addColumn<double>("jerk");
    QTest::addColumn<bool>("sCurve");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed"); // empty: a plain click
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("text");

    const QString tooLong = QStringLiteral(" refused: X-Axis: Acceleration value too low for this feed");
    // 0.01 mm/s2 would take 50 minutes to reach 30 mm/s: no table that long.
    QTest::newRow("Acc 0.01") << 0.001 << 600.0 << 6000.0 << false << "Btn_MaxAcc" << "0.01" << "Acc 0.0100" + tooLong
                              << "600.0000\nAcc";
    QTest::newRow("Max Feed 15000000 at 10 mm a pulse") << 10.0 << 600.0 << 6000.0 << false << "Btn_MaxFeed"
                                                        << "15000000" << "Max Feed 15000000.0000" + tooLong
                                                        << "30.0000\nMax Feed";
    // 30 mm/s at 0.1 um steps with a jerk of 0.01 mm/s3.
    QTest::newRow("Rate of Acc 0.01") << 0.0001 << 600.0 << 6000.0 << true << "Btn_RateOfAcc" << "0.01"
                                      << "Rate of Acc 0.0100" + tooLong << "6000.0000\nRate of Acc";
    QTest::newRow("S-Curve with that jerk") << 0.0001 << 600.0 << 0.01 << false << "Btn_VelCurveType" << ""
                                            << "S-Curve" + tooLong << "Trapezoidal";
    // 0.3 mm/s2 reaches 30 mm/s in 1,500,000 steps of 1 um, not in
    // 15,000,000 of 0.1 um.
    QTest::newRow("Move/Pulse 0.0001 with a slow Acc") << 0.001 << 0.3 << 6000.0 << false << "Btn_MovPerPulse"
                                                       << "0.0001" << "Move/Pulse 0.0001" + tooLong
                                                       << "0.0010\nMove/Pulse";
}

void TestDlgMachineSettings::unbuildableValueIsRefused()
{
    QFETCH(double, movPerPulse);
    QFETCH(double, acc);
    QFETCH(double, jerk);
    QFETCH(bool, sCurve);
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, log);
    QFETCH(QString, text);
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = movPerPulse;
    AppConfig::m_fAxisAcc[X_AXIS] = acc;
    AppConfig::m_fAxisRateOfAcc[X_AXIS] = jerk;
    AppConfig::m_eAxisFeedtype = sCurve ? FEED_SCURVE : FEED_LINEAR;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    // The ramp graph of a hidden window waits until it shows.
    QVERIFY(!dlg.findChild<CMyView*>()->Image());
    dlg.show();
    QVERIFY(dlg.findChild<CMyView*>()->Image());
    QCOMPARE(mw.m_lstLog, QStringList());
    AxisCtrl& x = mw.m_AppCtrl.m_AxisCtrl[X_AXIS];
    const QString strBefore = Snapshot();
    const auto highs0 = x.m_lstRampHighNs[0], highs1 = x.m_lstRampHighNs[1];
    const quint8 active = x.m_nActiveTable;
    const long step = x.m_lStepSize;
    const QImage graph = *dlg.findChild<CMyView*>()->Image();
    const QString strCurve = Btn(&dlg, "Btn_VelCurveType")->text();

    if (!typed.isEmpty())
        prompter.m_lstKeypadEntries << typed;
    Click(&dlg, button);
    QCOMPARE(mw.m_lstLog, QStringList{"error: " + log});
    QCOMPARE(Btn(&dlg, button)->text(), text);
    QCOMPARE(Btn(&dlg, "Btn_VelCurveType")->text(), strCurve);
    QCOMPARE(Btn(&dlg, "Btn_RateOfAcc")->isEnabled(), sCurve);
    QCOMPARE(Snapshot(), strBefore);
    QCOMPARE(AppConfig::m_fAxisAcc[X_AXIS], acc);
    QVERIFY(x.m_lstRampHighNs[0] == highs0 && x.m_lstRampHighNs[1] == highs1);
    QCOMPARE(x.m_nActiveTable, active);
    QCOMPARE(x.m_lStepSize, step);
    QCOMPARE(*dlg.findChild<CMyView*>()->Image(), graph);

    // The same entry with a value the axis can run with is taken.
    if (!typed.isEmpty()) {
        mw.m_lstLog.clear();
        prompter.m_lstKeypadEntries << (button == "Btn_MovPerPulse" ? "0.002" : "1000");
        Click(&dlg, button);
        QCOMPARE(mw.m_lstLog, QStringList());
        QVERIFY(Snapshot() != strBefore);
        QVERIFY(RampRefreshed(x, X_AXIS));
    }
}

void TestDlgMachineSettings::finerStepLowersTheFeeds()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_fMaxAxisFeed[X_AXIS] = 300.0;
    AppConfig::m_fUserAxisFeed[X_AXIS] = 200.0;
    AppConfig::m_fAxisJogFeed[X_AXIS] = 100.0;
    AppConfig::m_fAxisFeed[X_AXIS] = 200.0;
    AppConfig::m_fMaxAxisFeed[Y_AXIS] = 400.0;
    AppConfig::m_fMaxAxisFeed[Z_AXIS] = 400.0;
    CDlgUserSettings userSettings(&mw);
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    userSettings.ConfigSettings();

    // 200 mm/s at 0.1 um per step would need 2,000,000 steps a second.
    prompter.m_lstKeypadEntries << "0.0001";
    Click(&dlg, "Btn_MovPerPulse");
    QCOMPARE(AppConfig::m_fAxisMovPerPulse[X_AXIS], 0.0001);
    QVERIFY(qFuzzyCompare(AppConfig::m_fMaxAxisFeed[X_AXIS], 150.0));
    QCOMPARE(Btn(&dlg, "Btn_MaxFeed")->text(), QStringLiteral("150.0000\nMax Feed"));
    QVERIFY(qFuzzyCompare(AppConfig::m_fUserAxisFeed[X_AXIS], 100.0));
    QVERIFY(qFuzzyCompare(AppConfig::m_fAxisFeed[X_AXIS], 100.0));
    QCOMPARE(AppConfig::m_fAxisJogFeed[X_AXIS], 100.0);
    QVERIFY(qFuzzyCompare(AppConfig::m_fMinMaxAxisFeed, 150.0));
    QVERIFY(RampRefreshed(mw.m_AppCtrl.m_AxisCtrl[X_AXIS], X_AXIS));
    QCOMPARE(mw.m_AppCtrl.m_AxisCtrl[X_AXIS].m_lStepSize, 1L);
    // The user settings panel shows the lowered user feed.
    QCOMPARE(userSettings.findChild<QPushButton*>("Btn_AxisUserFeed")->text().left(8), QStringLiteral("100.0000"));

    // A coarse X step raises the arc step with it.
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, 0.1);
    prompter.m_lstKeypadEntries << "0.25";
    Click(&dlg, "Btn_MovPerPulse");
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, 0.25);
    // ... a coarse Y step does not.
    Click(&dlg, "Btn_AxisSel_Y");
    prompter.m_lstKeypadEntries << "0.5";
    Click(&dlg, "Btn_MovPerPulse");
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, 0.25);
}

void TestDlgMachineSettings::cancelledMaxFeedIsClampedToTheStepRate()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    // Stored by an older settings file: 200 mm/s at 0.1 um per step.
    AppConfig::m_fAxisMovPerPulse[X_AXIS] = 0.0001;
    AppConfig::m_fMaxAxisFeed[X_AXIS] = 200.0;
    prompter.m_lstKeypadEntries << CFakePrompter::KeypadCancel;
    Click(&dlg, "Btn_MaxFeed");
    QVERIFY(qFuzzyCompare(AppConfig::m_fMaxAxisFeed[X_AXIS], 150.0));
    QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("error: Value must be between\n0.0001 and 150.0000")});
    QCOMPARE(Btn(&dlg, "Btn_MaxFeed")->text(), QStringLiteral("150.0000\nMax Feed"));
}

void TestDlgMachineSettings::axisSelectionShowsItsRamp()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.005;
    AppConfig::m_fMaxAxisFeed[Y_AXIS] = 120.0;
    AppConfig::m_fAxisAcc[Y_AXIS] = 250.0;
    AppConfig::m_fAxisDutyCycle[Y_AXIS] = 0.5;
    AppConfig::m_fAxisRateOfAcc[Y_AXIS] = 7777.0;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    dlg.show();
    Click(&dlg, "Btn_AxisSel_Y");
    QCOMPARE(dlg.m_eSelAxis, Y_AXIS);
    for (int i = 0; i < AXIS_COUNT; ++i)
        QCOMPARE(Btn(&dlg, QStringLiteral("Btn_AxisSel_") + QLatin1Char(AXES[i]))->styleSheet(),
                 i == Y_AXIS ? BTN_BKGND_BLUE : BTN_BKGND_GRAY);
    QCOMPARE(Btn(&dlg, "Btn_MovPerPulse")->text(), QStringLiteral("0.0050\nMove/Pulse"));
    QCOMPARE(Btn(&dlg, "Btn_MaxFeed")->text(), QStringLiteral("120.0000\nMax Feed"));
    QCOMPARE(Btn(&dlg, "Btn_MaxAcc")->text(), QStringLiteral("250.0000\nAcc"));
    QCOMPARE(Btn(&dlg, "Btn_Axis_Pulse_DutyCycle")->text(), QStringLiteral("0.50\nDuty Cycle"));
    const QImage* pShown = dlg.findChild<CMyView*>()->Image();
    QVERIFY(pShown);
    QCOMPARE(*pShown, CVelAccGraph::Draw(mw.m_AppCtrl.m_AxisCtrl[Y_AXIS].m_lstVelProfile, 0.005));
    QVERIFY(*pShown != CVelAccGraph::Draw(mw.m_AppCtrl.m_AxisCtrl[X_AXIS].m_lstVelProfile, 0.001));

    // Trapezoidal: the disabled Rate of Acc keeps X's; switching to the
    // S-curve shows Y's, the axis it now edits.
    QVERIFY(!Btn(&dlg, "Btn_RateOfAcc")->isEnabled());
    QCOMPARE(Btn(&dlg, "Btn_RateOfAcc")->text(), QStringLiteral("6000.0000\nRate of Acc"));
    Click(&dlg, "Btn_VelCurveType");
    QVERIFY(Btn(&dlg, "Btn_RateOfAcc")->isEnabled());
    QCOMPARE(Btn(&dlg, "Btn_RateOfAcc")->text(), QStringLiteral("7777.0000\nRate of Acc"));
    Click(&dlg, "Btn_AxisSel_Z");
    QCOMPARE(Btn(&dlg, "Btn_RateOfAcc")->text(), QStringLiteral("6000.0000\nRate of Acc"));
}

void TestDlgMachineSettings::curveTypeRebuildsEveryAxis()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_fAxisAcc[A_AXIS] = 50.0; // long enough a ramp for the curve to show
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    const QVector<double> linear = mw.m_AppCtrl.m_AxisCtrl[A_AXIS].m_lstVelProfile;

    Click(&dlg, "Btn_VelCurveType");
    QCOMPARE(AppConfig::m_eAxisFeedtype, FEED_SCURVE);
    QCOMPARE(Btn(&dlg, "Btn_VelCurveType")->text(), QStringLiteral("S-Curve"));
    QCOMPARE(Btn(&dlg, "Btn_VelCurveType")->styleSheet(), BTN_BKGND_BLUE);
    // A is not in use on this machine, yet its ramp follows.
    QVERIFY(mw.m_AppCtrl.m_AxisCtrl[A_AXIS].m_lstVelProfile != linear);
    for (int i = 0; i < AXIS_COUNT; ++i)
        QVERIFY(RampRefreshed(mw.m_AppCtrl.m_AxisCtrl[i], i));

    Click(&dlg, "Btn_VelCurveType");
    QCOMPARE(AppConfig::m_eAxisFeedtype, FEED_LINEAR);
    QCOMPARE(Btn(&dlg, "Btn_VelCurveType")->text(), QStringLiteral("Trapezoidal"));
    QCOMPARE(Btn(&dlg, "Btn_VelCurveType")->styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(!Btn(&dlg, "Btn_RateOfAcc")->isEnabled());
    QCOMPARE(mw.m_AppCtrl.m_AxisCtrl[A_AXIS].m_lstVelProfile, linear);
}

void TestDlgMachineSettings::sameForXYZ()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgUserSettings userSettings(&mw);
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    AppConfig::m_fAxisMovPerPulse[Y_AXIS] = 0.2;
    AppConfig::m_fMaxAxisFeed[Y_AXIS] = 12.0;
    AppConfig::m_fAxisAcc[Y_AXIS] = 400.0;
    AppConfig::m_fAxisDutyCycle[Y_AXIS] = 0.6;
    AppConfig::m_fAxisRateOfAcc[Y_AXIS] = 9000.0;
    const double fAMovPerPulse = AppConfig::m_fAxisMovPerPulse[A_AXIS];
    Click(&dlg, "Btn_AxisSel_Y");
    Click(&dlg, "Btn_SameMotorSettings");
    QCOMPARE(Btn(&dlg, "Btn_SameMotorSettings")->styleSheet(), BTN_BKGND_GREEN);

    for (int t : {X_AXIS, Z_AXIS}) {
        QCOMPARE(AppConfig::m_fAxisMovPerPulse[t], 0.2);
        QCOMPARE(AppConfig::m_fMaxAxisFeed[t], 12.0);
        QCOMPARE(AppConfig::m_fAxisAcc[t], 400.0);
        QCOMPARE(AppConfig::m_fAxisDutyCycle[t], 0.6);
        QCOMPARE(AppConfig::m_fAxisRateOfAcc[t], 9000.0);
        // 15 mm/s user feed and 10 mm/s jog feed against 12 mm/s maximum.
        QCOMPARE(AppConfig::m_fUserAxisFeed[t], 8.0);
        QCOMPARE(AppConfig::m_fAxisJogFeed[t], 8.0);
        QCOMPARE(AppConfig::m_fAxisFeed[t], 8.0);
        QCOMPARE(mw.m_AppCtrl.m_AxisCtrl[t].m_lStepSize, 2000L);
        QVERIFY(RampRefreshed(mw.m_AppCtrl.m_AxisCtrl[t], t));
    }
    QCOMPARE(AppConfig::m_fAxisMovPerPulse[A_AXIS], fAMovPerPulse);
    QCOMPARE(AppConfig::m_fAxisMovPerPulse[B_AXIS], fAMovPerPulse);
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, 0.2);
    QCOMPARE(AppConfig::m_fPlungeFeed, 8.0);
    // The rapid feed follows the copied maximum feeds.
    QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 12.0);
    QCOMPARE(userSettings.findChild<QPushButton*>("Btn_AxisUserFeed")->text().left(6), QStringLiteral("8.0000"));
    // The button's own look comes back by itself.
    QTRY_COMPARE(Btn(&dlg, "Btn_SameMotorSettings")->styleSheet(), BTN_BKGND_GRAY);
}

void TestDlgMachineSettings::sameForAB()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_eDiradiCtrl = CTRL_KIVQ20;
    AppConfig::m_iMchType = 5;
    AppConfig::m_fAxisMovPerPulse[A_AXIS] = 0.3;
    AppConfig::m_fMaxAxisFeed[A_AXIS] = 90.0;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    const QString strXYZ = N(AppConfig::m_fAxisMovPerPulse[X_AXIS]) + N(AppConfig::m_fMaxAxisFeed[Y_AXIS]);

    // With X shown, A becomes the shown axis and the source.
    Click(&dlg, "Btn_SameMotorSettings_AB");
    QCOMPARE(dlg.m_eSelAxis, A_AXIS);
    QCOMPARE(Btn(&dlg, "Btn_AxisSel_A")->styleSheet(), BTN_BKGND_BLUE);
    QCOMPARE(Btn(&dlg, "Btn_MovPerPulse")->text(), QStringLiteral("0.3000\nMove/Pulse"));
    QCOMPARE(AppConfig::m_fAxisMovPerPulse[B_AXIS], 0.3);
    QCOMPARE(AppConfig::m_fMaxAxisFeed[B_AXIS], 90.0);
    QCOMPARE(N(AppConfig::m_fAxisMovPerPulse[X_AXIS]) + N(AppConfig::m_fMaxAxisFeed[Y_AXIS]), strXYZ);
    QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 30.0);
    // On a five-axis machine the arc step is never finer than A's step.
    QCOMPARE(AppConfig::m_GCodeRunSettings.m_fAxisStep, 0.3);
    QVERIFY(RampRefreshed(mw.m_AppCtrl.m_AxisCtrl[B_AXIS], B_AXIS));
}

void TestDlgMachineSettings::busyRefusals_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("axisMoving"); // else an operation runs

    static const char* const kButtons[] = {
        "Btn_AxisSel_Y",  "Btn_SameMotorSettings", "Btn_MovPerPulse",      "Btn_MaxFeed",
        "Btn_MaxAcc",     "Btn_Axis_Pulse_DutyCycle", "Btn_RateOfAcc",     "Btn_VelCurveType",
        "Btn_VelAccUserTimePeriod", "Btn_X_PosDirMovLimit", "Btn_Y_NegDirMovLimit", "Btn_Z_PosDirMotRot",
        "Btn_X_HomeDirMotRot", "Btn_UseHomeIP"};
    for (const char* pName : kButtons) {
        QTest::addRow("%s, axis moving", pName) << pName << true;
        QTest::addRow("%s, job running", pName) << pName << false;
    }
}

void TestDlgMachineSettings::busyRefusals()
{
    QFETCH(QString, button);
    QFETCH(bool, axisMoving);
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_eAxisFeedtype = FEED_SCURVE;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    QVERIFY(Btn(&dlg, button)->isEnabled());
    const QString strBefore = Snapshot();
    const QString strText = Btn(&dlg, button)->text();

    if (axisMoving)
        mw.m_AppCtrl.m_AxisCtrl[Y_AXIS].m_bMoving = true;
    else
        mw.m_AppCtrl.m_iRunMode = AppControl::RUN_GCODE;
    prompter.m_lstKeypadEntries << "0.5";
    Click(&dlg, button);
    mw.m_AppCtrl.m_AxisCtrl[Y_AXIS].m_bMoving = false;
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;

    QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("error: Machine in use")});
    QVERIFY(prompter.m_lstPrompts.isEmpty());
    QCOMPARE(Snapshot(), strBefore);
    QCOMPARE(dlg.m_eSelAxis, X_AXIS);
    QCOMPARE(Btn(&dlg, button)->text(), strText);
    QVERIFY(!mw.m_lstCalls.contains(QStringLiteral("EnlMchHomingOptions(false)")));
}

void TestDlgMachineSettings::travelLimits_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("text");

    const QString strPos = QStringLiteral("Positive Limit Can't be less than\nor equal to Negative Limit");
    const QString strNeg = QStringLiteral("Negative Limit Can't be greater than\nor equal to Positive Limit");
    QTest::newRow("X + equal to X -") << "Btn_X_PosDirMovLimit" << "0" << "X Axis +Dir Limit(mm)" << strPos
                                      << "180.0000";
    QTest::newRow("X + accepted") << "Btn_X_PosDirMovLimit" << "220.5" << "X Axis +Dir Limit(mm)" << QString()
                                  << "220.5000";
    QTest::newRow("Y + negative, above Y -") << "Btn_Y_PosDirMovLimit" << "-10" << "Y Axis +Dir Limit(mm)"
                                             << QString() << "-10.0000";
    QTest::newRow("Z - above Z +") << "Btn_Z_NegDirMovLimit" << "5" << "Z Axis -Dir Limit(mm)" << strNeg
                                   << "-40.0000";
    QTest::newRow("Z - accepted") << "Btn_Z_NegDirMovLimit" << "-60" << "Z Axis -Dir Limit(mm)" << QString()
                                  << "-60.0000";
    QTest::newRow("B - equal to B +") << "Btn_B_NegDirMovLimit" << "360" << "B Axis -Dir Limit(mm)" << strNeg
                                      << "0.0000";
}

void TestDlgMachineSettings::travelLimits()
{
    QFETCH(QString, button);
    QFETCH(QString, typed);
    QFETCH(QString, title);
    QFETCH(QString, error);
    QFETCH(QString, text);
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_bHomeSensorsUsed = true;
    AppConfig::m_eDiradiCtrl = CTRL_KIVQ20;
    AppConfig::m_iMchType = 5;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    const int iAxis = QByteArray(AXES).indexOf(button.at(4).toLatin1());
    const bool bPositive = button.contains("Pos");
    double& fLimit = bPositive ? AppConfig::m_fAxisPosDirLimit[iAxis] : AppConfig::m_fAxisNegDirLimit[iAxis];
    const double fOld = fLimit;

    prompter.m_lstKeypadEntries << typed;
    Click(&dlg, button);
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, title);
    QVERIFY(prompter.m_bLastKeypadSign);
    QCOMPARE(Btn(&dlg, button)->text(), text);
    QCOMPARE(Btn(&dlg, button)->styleSheet(), BTN_BKGND_GRAY);
    AxisCtrl& axis = mw.m_AppCtrl.m_AxisCtrl[iAxis];
    const long lSoft = bPositive ? axis.m_lPosDirLimit : axis.m_lNegDirLimit;
    if (error.isEmpty()) {
        QVERIFY(mw.m_lstLog.isEmpty());
        QCOMPARE(fLimit, typed.toDouble());
        // The axis's soft limit follows at once.
        QCOMPARE(lSoft, long(CUnitConverter::GetLong(fLimit - AppConfig::m_fAxisWorkZero[iAxis])));
    } else {
        QCOMPARE(mw.m_lstLog, QStringList{QStringLiteral("error: ") + error});
        QCOMPARE(fLimit, fOld);
    }
}

void TestDlgMachineSettings::motorDirections()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    Click(&dlg, "Btn_X_PosDirMotRot");
    QCOMPARE(AppConfig::m_eAxisPosDir[X_AXIS], DIR_CCW);
    QCOMPARE(Btn(&dlg, "Btn_X_PosDirMotRot")->text(), QStringLiteral("Counter\nClockwise"));
    Click(&dlg, "Btn_X_PosDirMotRot");
    QCOMPARE(AppConfig::m_eAxisPosDir[X_AXIS], DIR_CW);
    QCOMPARE(Btn(&dlg, "Btn_X_PosDirMotRot")->text(), QStringLiteral("Clockwise"));
    Click(&dlg, "Btn_X_HomeDirMotRot");
    QCOMPARE(AppConfig::m_eAxisHomeDir[X_AXIS], DIR_CW);
    QCOMPARE(Btn(&dlg, "Btn_X_HomeDirMotRot")->text(), QStringLiteral("Clockwise"));
    Click(&dlg, "Btn_Z_HomeDirMotRot");
    QCOMPARE(AppConfig::m_eAxisHomeDir[Z_AXIS], DIR_CCW);
    QCOMPARE(AppConfig::m_eAxisPosDir[Z_AXIS], DIR_CW);
    QVERIFY(mw.m_lstLog.isEmpty());
}

void TestDlgMachineSettings::homeSwitches()
{
    for (int iAxes : {3, 5}) {
        CFakePrompter prompter;
        CFakeMainWindow mw;
        AppConfig::m_eDiradiCtrl = iAxes == 5 ? CTRL_KIVQ20 : CTRL_KIVQ10;
        AppConfig::m_iMchType = iAxes;
        CDlgMachineSettings dlg(&mw);
        dlg.ConfigSettings();
        for (int i = 0; i < AXIS_COUNT; ++i)
            QVERIFY(!Btn(&dlg, QStringLiteral("Btn_%1_PosDirMovLimit").arg(QLatin1Char(AXES[i])))->isEnabled());

        Click(&dlg, "Btn_UseHomeIP");
        QVERIFY(AppConfig::m_bHomeSensorsUsed);
        QCOMPARE(Btn(&dlg, "Btn_UseHomeIP")->styleSheet(), BTN_BKGND_GREEN);
        QCOMPARE(mw.m_lstCalls, QStringList{QStringLiteral("EnlMchHomingOptions(true)")});
        for (int i = 0; i < AXIS_COUNT; ++i) {
            const bool bEnabled = i <= Z_AXIS || iAxes == 5;
            QCOMPARE(Btn(&dlg, QStringLiteral("Btn_%1_PosDirMovLimit").arg(QLatin1Char(AXES[i])))->isEnabled(),
                     bEnabled);
            QCOMPARE(Btn(&dlg, QStringLiteral("Btn_%1_NegDirMovLimit").arg(QLatin1Char(AXES[i])))->isEnabled(),
                     bEnabled);
        }
        // The axes in use take the travel limits as their soft limits.
        QCOMPARE(mw.m_AppCtrl.m_AxisCtrl[X_AXIS].m_lPosDirLimit, 1800000L);
        QCOMPARE(mw.m_AppCtrl.m_AxisCtrl[Z_AXIS].m_lNegDirLimit, -400000L);

        Click(&dlg, "Btn_UseHomeIP");
        QVERIFY(!AppConfig::m_bHomeSensorsUsed);
        QCOMPARE(Btn(&dlg, "Btn_UseHomeIP")->styleSheet(), BTN_BKGND_GRAY);
        QCOMPARE(mw.m_lstCalls.last(), QStringLiteral("EnlMchHomingOptions(false)"));
        QCOMPARE(mw.m_AppCtrl.m_AxisCtrl[X_AXIS].m_lPosDirLimit, 100000000L);
        QVERIFY(!Btn(&dlg, "Btn_Y_NegDirMovLimit")->isEnabled());
    }
}

void TestDlgMachineSettings::controllerSelection()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    auto* pCombo = dlg.findChild<QComboBox*>("Cmb_KivCntrolSel");
    auto* pPinout = dlg.findChild<dlgRpiController*>();
    const QString strRestart =
        QStringLiteral("error: Please Save and Restart application for the changes to take affect");

    pCombo->setCurrentIndex(1);
    QCOMPARE(AppConfig::m_eDiradiCtrl, CTRL_KIVQ20);
    QCOMPARE(AppConfig::m_iMchType, 5);
    QCOMPARE(mw.m_lstLog, QStringList{strRestart});
    QVERIFY(!pPinout->isHidden());
    QCOMPARE(pPinout->findChild<QLabel*>("Lbl_AP")->styleSheet(), dlgRpiController::DiscStyle(100, 200, 200));
    pCombo->setCurrentIndex(1); // no change, nothing happens
    QCOMPARE(mw.m_lstLog.size(), 1);

    pCombo->setCurrentIndex(0);
    QCOMPARE(AppConfig::m_eDiradiCtrl, CTRL_KIVQ10);
    QCOMPARE(AppConfig::m_iMchType, 3);
    QCOMPARE(mw.m_lstLog.size(), 2);
    QCOMPARE(pPinout->findChild<QLabel*>("Lbl_AP")->styleSheet(), dlgRpiController::DiscStyle(100, 100, 100));

    // Not while the machine works: the combo goes back to the kind in force.
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_SHAPES;
    pCombo->setCurrentIndex(1);
    mw.m_AppCtrl.m_iRunMode = AppControl::RUN_IDLE;
    QCOMPARE(AppConfig::m_eDiradiCtrl, CTRL_KIVQ10);
    QCOMPARE(AppConfig::m_iMchType, 3);
    QCOMPARE(pCombo->currentIndex(), 0);
    QCOMPARE(mw.m_lstLog.last(), QStringLiteral("error: Machine in use"));
}

void TestDlgMachineSettings::piPinoutSwitchesAtOnce()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_fMaxAxisFeed[A_AXIS] = 12.0; // a slow rotary table
    CSimPinBank& pins = CSimPinBank::Instance();
    QVERIFY(CKIVGPIO::InitGpio());
    // Three axes at start-up: M200 is switched on.
    QCOMPARE(CKIVGPIO::WriteOutput(5, 1), 0);
    QCOMPARE(pins.Level(5), 1);
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    AxisCtrl& a = mw.m_AppCtrl.m_AxisCtrl[A_AXIS];
    QCOMPARE(a.m_lStepSize, 0L); // not configured: not in use
    auto* pCombo = dlg.findChild<QComboBox*>("Cmb_KivCntrolSel");

    // Five axes: the shared pins drive A and B at once, the M2xx outputs go.
    pCombo->setCurrentIndex(1);
    QCOMPARE(AppConfig::m_iMchType, 5);
    const int pinsA[3] = {AppConfig::m_iAxisPulseOutput[A_AXIS], AppConfig::m_iAxisDirOutput[A_AXIS],
                          AppConfig::m_iAxisMchHomeSensorInput[A_AXIS]};
    const int pinsB[3] = {AppConfig::m_iAxisPulseOutput[B_AXIS], AppConfig::m_iAxisDirOutput[B_AXIS],
                          AppConfig::m_iAxisMchHomeSensorInput[B_AXIS]};
    QCOMPARE(QList<int>(pinsA, pinsA + 3), (QList<int>{5, 6, 13}));
    QCOMPARE(QList<int>(pinsB, pinsB + 3), (QList<int>{14, 15, 18}));
    QVERIFY(!AppConfig::m_lstMCodesPin.contains(200));
    QCOMPARE(AppConfig::m_lstMCodesPin.value(3), qint8(8));
    QCOMPARE(int(AppConfig::m_iEStopInput), 20);
    for (int pin : {5, 6, 14, 15}) {
        QVERIFY2(pins.Mode(pin) == EPinMode::Output, qPrintable(QString::number(pin)));
        QCOMPARE(pins.Level(pin), 0);
    }
    for (int pin : {13, 18}) {
        QVERIFY2(pins.Mode(pin) == EPinMode::Input, qPrintable(QString::number(pin)));
        QVERIFY(pins.Pull(pin) == EPull::Down);
    }
    // A and B join with their step size; the slow A now bounds the rapid
    // feed.
    QCOMPARE(a.m_lStepSize, 10L);
    QCOMPARE(mw.m_AppCtrl.m_AxisCtrl[B_AXIS].m_lStepSize, 10L);
    QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 12.0);
    QCOMPARE(mw.m_lstLog.size(), 1); // the restart message

    // Back to three axes: the M2xx outputs again, low.
    pCombo->setCurrentIndex(0);
    QCOMPARE(AppConfig::m_iMchType, 3);
    QCOMPARE(AppConfig::m_lstMCodesPin.value(200), qint8(5));
    QCOMPARE(AppConfig::m_lstMCodesPin.value(210), qint8(18));
    QCOMPARE(int(AppConfig::m_iAxisPulseOutput[A_AXIS]), 0);
    for (int pin : {5, 6, 13, 14, 15, 18}) {
        QVERIFY2(pins.Mode(pin) == EPinMode::Output, qPrintable(QString::number(pin)));
        QCOMPARE(pins.Level(pin), 0);
    }
    QCOMPARE(AppConfig::m_fMinMaxAxisFeed, 30.0);
    QCOMPARE(mw.m_lstLog.size(), 2);
}

void TestDlgMachineSettings::boardKindIsShownAndKept()
{
    for (eKivController eKind : {CTRL_SPI_V2, CTRL_SPI_V3}) {
        CFakePrompter prompter;
        CFakeMainWindow mw;
        AppConfig::m_eDiradiCtrl = eKind;
        AppConfig::InstallPinAssignment(eKind);
        CDlgMachineSettings dlg(&mw);
        dlg.ConfigSettings();
        QCOMPARE(AppConfig::m_eDiradiCtrl, eKind);
        QCOMPARE(AppConfig::m_iMchType, 3);
        QCOMPARE(dlg.findChild<QComboBox*>("Cmb_KivCntrolSel")->currentIndex(), -1);
        QVERIFY(dlg.findChild<dlgRpiController*>()->isHidden());
        auto* pBoard = dlg.findChild<dlgKivCtrl*>();
        QVERIFY(!pBoard->isHidden());
        QCOMPARE(pBoard->geometry(), QRect(200, 0, 540, 350));
        QCOMPARE(pBoard->parentWidget()->objectName(), QStringLiteral("tab_6"));
        QCOMPARE(pBoard->findChild<QTableWidget*>()->rowCount(), eKind == CTRL_SPI_V2 ? 17 : 25);
        QVERIFY(mw.m_lstLog.isEmpty());

        // A Pi kind chosen now waits for the restart: the board still holds
        // its lines, no Pi pin or axis is added.
        dlg.findChild<QComboBox*>("Cmb_KivCntrolSel")->setCurrentIndex(CTRL_KIVQ20);
        QCOMPARE(AppConfig::m_eDiradiCtrl, CTRL_KIVQ20);
        QCOMPARE(AppConfig::m_iMchType, 3);
        QVERIFY(AppConfig::m_lstMCodesPin.isEmpty());
        QCOMPARE(int(AppConfig::m_iAxisPulseOutput[A_AXIS]), 0);
        QCOMPARE(mw.m_lstLog,
                 QStringList{QStringLiteral("error: Please Save and Restart application for the changes to take affect")});
    }
}

void TestDlgMachineSettings::pwmSpindleSettings()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    for (bool bOn : {true, false}) {
        QString strStyleWhileOpen;
        bool bModal = false;
        // The operator switches PWM control in the dialog and closes it.
        QTimer::singleShot(0, &dlg, [&]() {
            QWidget* pOpen = QApplication::activeModalWidget();
            bModal = pOpen && pOpen->inherits("CDlgPwmSpndlSettings");
            strStyleWhileOpen = Btn(&dlg, "Btn_PwmSettings")->styleSheet();
            AppConfig::m_bPWMCtrlUsed = bOn;
            if (pOpen)
                pOpen->close();
        });
        Click(&dlg, "Btn_PwmSettings");
        QVERIFY(bModal);
        QCOMPARE(strStyleWhileOpen, BTN_BKGND_BLUE);
        QCOMPARE(Btn(&dlg, "Btn_PwmSettings")->styleSheet(), bOn ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);
        QCOMPARE(mw.m_lstCalls.last(),
                 QStringLiteral("EnableDisableSpindleSpeedCtrl(%1)").arg(bOn ? "true" : "false"));
    }
}

void TestDlgMachineSettings::pwmStartFailureIsLogged()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    // No PWM pin fitted: the PWM cannot start.
    const qint8 iPwmPin = AppConfig::m_iSpindlePwmOutput;
    AppConfig::m_iSpindlePwmOutput = -1;
    bool bOpenOverPanel = false;
    QTimer::singleShot(0, &dlg, [&]() {
        auto* pPage = dlg.findChild<CDlgPwmSpndlSettings*>();
        bOpenOverPanel = pPage != nullptr;
        QWidget* pOpen = pPage ? pPage : QApplication::activeModalWidget();
        if (!pOpen)
            return;
        ClickButton(*pOpen, "Btn_EnlSpndlPwm");
        pOpen->close();
    });
    Click(&dlg, "Btn_PwmSettings");
    AppConfig::m_iSpindlePwmOutput = iPwmPin;
    QVERIFY(bOpenOverPanel);
    QVERIFY(!AppConfig::m_bPWMCtrlUsed);
    // In the log, not in a box the operator must close.
    QVERIFY(prompter.m_lstPrompts.isEmpty());
    QCOMPARE(mw.m_lstLog, QStringList{"error: Error: Spindle PWM not started: no PWM pin fitted"});
    QCOMPARE(Btn(&dlg, "Btn_PwmSettings")->styleSheet(), BTN_BKGND_GRAY);
    QCOMPARE(mw.m_lstCalls.last(), QStringLiteral("EnableDisableSpindleSpeedCtrl(false)"));
}

void TestDlgMachineSettings::keyboardPendant()
{
    CFakePrompter prompter;
    CFakeMainWindow mw;
    AppConfig::m_bKeyboardCtrlUsed = true;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    // On at start: the button says so.
    QCOMPARE(Btn(&dlg, "Btn_UseKeyboardCtrl")->styleSheet(), BTN_BKGND_GREEN);
    Click(&dlg, "Btn_UseKeyboardCtrl");
    QVERIFY(!AppConfig::m_bKeyboardCtrlUsed);
    QCOMPARE(Btn(&dlg, "Btn_UseKeyboardCtrl")->styleSheet(), BTN_BKGND_GRAY);
    QVERIFY(!mw.m_bKeyboardGrabbed);
    Click(&dlg, "Btn_UseKeyboardCtrl");
    QVERIFY(AppConfig::m_bKeyboardCtrlUsed);
    QCOMPARE(Btn(&dlg, "Btn_UseKeyboardCtrl")->styleSheet(), BTN_BKGND_GREEN);
    QVERIFY(mw.m_bKeyboardGrabbed);
    QCOMPARE(mw.m_lstCalls,
             (QStringList{QStringLiteral("SetKeyboardGrab(false)"), QStringLiteral("SetKeyboardGrab(true)")}));
}

void TestDlgMachineSettings::settingsLock_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QString>("key");
    QTest::newRow("new pass key") << "123456" << true << "123456";
    QTest::newRow("OK on an empty entry keeps the key") << "" << true << "730419";
    QTest::newRow("cancelled") << CFakePrompter::KeypadCancel << false << "730419";
}

void TestDlgMachineSettings::settingsLock()
{
    QFETCH(QString, typed);
    QFETCH(bool, locked);
    QFETCH(QString, key);
    CFakePrompter prompter;
    CFakeMainWindow mw;
    CDlgMachineSettings dlg(&mw);
    dlg.ConfigSettings();
    QCOMPARE(Btn(&dlg, "Btn_MachSettingsPasswd")->styleSheet(), BTN_BKGND_GRAY);

    prompter.m_lstKeypadEntries << typed;
    Click(&dlg, "Btn_MachSettingsPasswd");
    QCOMPARE(prompter.m_lstPrompts.size(), 1);
    QCOMPARE(prompter.m_lstPrompts[0].m_strTitle, QStringLiteral("M/C Settings lock"));
    QCOMPARE(prompter.m_lstPrompts[0].m_strText, QStringLiteral("730419"));
    QCOMPARE(AppConfig::m_bAppPassword, locked);
    QCOMPARE(AppConfig::m_strAppPassword, key);
    QCOMPARE(Btn(&dlg, "Btn_MachSettingsPasswd")->styleSheet(), locked ? BTN_BKGND_GREEN : BTN_BKGND_GRAY);

    // Unlocking asks nothing.
    if (locked) {
        Click(&dlg, "Btn_MachSettingsPasswd");
        QVERIFY(!AppConfig::m_bAppPassword);
        QCOMPARE(AppConfig::m_strAppPassword, key);
        QCOMPARE(Btn(&dlg, "Btn_MachSettingsPasswd")->styleSheet(), BTN_BKGND_GRAY);
        QCOMPARE(prompter.m_lstPrompts.size(), 1);
    }
}

QTEST_MAIN(TestDlgMachineSettings)
#include "tst_dlgmachinesettings.moc"
