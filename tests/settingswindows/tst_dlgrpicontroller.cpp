// The Raspberry Pi pin-out page: its form, and the colour of every pin
// checked against the pin map the settings store installs for each Pi
// controller kind.
#include "fakemainwindow.h"
#include "formcheck.h"
#include "simcontroller.h"

#include "core/AppConfig.h"
#include "settings/pinroles.h"
#include "settingswindows/dlgio.h"
#include "settingswindows/dlgrpicontroller.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QRegularExpression>
#include <QtTest>

namespace {
// Header discs in physical pin order 1..40: text and object name.
struct stPin
{
    const char* m_pText;
    const char* m_pName;
};
const stPin kHeader[40] = {
    {"3V", "label_61"},  {"5V", "label_51"},  {"2", "label_57"},   {"5V", "label_52"},  {"3", "label_110"},
    {"G", "label_63"},   {"4", "label_104"},  {"14", "label_64"},  {"G", "label_108"},  {"15", "label_75"},
    {"17", "label_106"}, {"18", "label_91"},  {"27", "label_111"}, {"G", "label_92"},   {"22", "label_105"},
    {"23", "label_93"},  {"3V", "label_109"}, {"24", "label_94"},  {"10", "label_107"}, {"G", "label_95"},
    {"9", "label_116"},  {"25", "label_56"},  {"11", "label_62"},  {"8", "label_55"},   {"G", "label_119"},
    {"7", "label_102"},  {"NA", "label_112"}, {"NA", "label_96"},  {"5", "label_117"},  {"G", "label_100"},
    {"6", "label_114"},  {"12", "label_98"},  {"13", "label_120"}, {"G", "label_103"},  {"19", "label_113"},
    {"16", "label_97"},  {"26", "label_118"}, {"20", "label_101"}, {"G", "label_115"},  {"21", "label_99"},
};

const QColor STEP(100, 200, 200), DIR(200, 200, 100), HOME(255, 100, 255), INPUT(200, 200, 250),
    OUTPUT(150, 200, 150), PWM(0, 250, 250), V5(250, 150, 150), V3(250, 200, 200), GROUND(50, 50, 50),
    UNUSED(100, 100, 100);

QColor DiscColour(const QLabel* pLabel)
{
    static const QRegularExpression re(QStringLiteral("background-color: rgb\\((\\d+), (\\d+), (\\d+)\\)"));
    const QRegularExpressionMatch m = re.match(pLabel->styleSheet());
    return m.hasMatch() ? QColor(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()) : QColor();
}

// The role colour of each BCM pin as the settings store assigns them.
QMap<int, QColor> RolesFromStore(int nAxes)
{
    QMap<int, QColor> roles;
    for (int i = 0; i < nAxes; ++i) {
        roles[AppConfig::m_iAxisPulseOutput[i]] = STEP;
        roles[AppConfig::m_iAxisDirOutput[i]] = DIR;
        roles[AppConfig::m_iAxisMchHomeSensorInput[i]] = HOME;
    }
    for (qint8 pin : AppConfig::m_lstMCodesPin)
        roles[pin] = OUTPUT;
    roles[AppConfig::m_iPgmStatusOutput] = OUTPUT;
    roles[AppConfig::m_iSpindlePwmOutput] = PWM;
    for (int pin : {int(AppConfig::m_iEStopInput), int(AppConfig::m_iPgmStartInput), int(AppConfig::m_iZProbeInput)})
        roles[pin] = INPUT;
    for (quint8 pin : AppConfig::m_lstIPs)
        roles[pin] = INPUT;
    return roles;
}
} // namespace

class TestDlgRpiController : public QObject
{
    Q_OBJECT
private slots:
    void init() { CSimControllerSetup::ResetSettings(); }
    void cleanup() { CSimControllerSetup::ResetSettings(); }
    void form();
    void pinsFollowTheStore_data();
    void pinsFollowTheStore();
    void boardKindsChangeNothing();
    void headerPositionsMatchThePage();
    void pinButtonsOpenThePicker();
};

void TestDlgRpiController::form()
{
    dlgRpiController page;
    QCOMPARE(page.objectName(), QStringLiteral("dlgRpiController"));
    QCOMPARE(page.size(), QSize(540, 350));
    QCOMPARE(page.styleSheet(), QStringLiteral("background-color: rgb(85, 85, 85);"));
    static const stFormRow kRows[] = {
        {"dlgRpiController", "QDialog", 0, 0, 540, 350, "Dialog"},
        {"frame_5", "QFrame", 12, 7, 510, 60, nullptr},
        {"frame_6", "QFrame", 14, 72, 251, 131, nullptr},
        {"frame_3", "QFrame", 275, 71, 251, 131, nullptr},
        {"frame_7", "QFrame", 15, 210, 510, 131, nullptr},
        {"Lbl_AP", "QLabel", 172, 40, 25, 25, "5"},
        {"Lbl_AD", "QLabel", 172, 69, 25, 25, "6"},
        {"Lbl_AH", "QLabel", 172, 100, 25, 25, "13"},
        {"Lbl_BP", "QLabel", 205, 40, 25, 25, "14"},
        {"Lbl_BD", "QLabel", 205, 69, 25, 25, "15"},
        {"Lbl_BH", "QLabel", 205, 100, 25, 25, "18"},
        {"Lbl_IP1", "QLabel", 160, 40, 25, 25, "19"},
        {"Lbl_PgmStatus", "QLabel", 20, 40, 25, 25, "7"},
        {"Lbl_PWM", "QLabel", 20, 70, 25, 25, "12"},
        {"Lbl_M3", "QLabel", 20, 100, 25, 25, "8"},
        {"Lbl_M4", "QLabel", 122, 40, 25, 25, "9"},
        {"Lbl_M7", "QLabel", 122, 70, 25, 25, "10"},
        {"Lbl_M8", "QLabel", 122, 100, 25, 25, "11"},
        {"Lbl_M200", "QLabel", 226, 40, 25, 25, "5"},
        {"Lbl_M202", "QLabel", 226, 70, 25, 25, "6"},
        {"Lbl_M204", "QLabel", 226, 100, 25, 25, "13"},
        {"Lbl_M206", "QLabel", 328, 40, 25, 25, "14"},
        {"Lbl_M208", "QLabel", 328, 70, 25, 25, "15"},
        {"Lbl_M210", "QLabel", 328, 100, 25, 25, "18"},
        {"Lbl_M80", "QLabel", 430, 40, 25, 25, "26"},
    };
    for (const stFormRow& row : kRows) {
        const QString strDiff = FormMismatch(&page, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
    }
    // The header: column c at x 5 + 25 c, odd pins below, even pins above.
    auto* pHeader = page.findChild<QFrame*>("frame_5");
    for (int pin = 1; pin <= 40; ++pin) {
        const int c = (pin - 1) / 2;
        const stFormRow row{kHeader[pin - 1].m_pName, "QLabel", 5 + 25 * c, pin % 2 ? 30 : 5, 24, 24,
                            kHeader[pin - 1].m_pText};
        const QString strDiff = FormMismatch(pHeader, row);
        QVERIFY2(strDiff.isEmpty(), qPrintable(strDiff));
        QCOMPARE(page.findChild<QLabel*>(kHeader[pin - 1].m_pName)->parentWidget(), pHeader);
    }
    // The style of a disc.
    QCOMPARE(page.findChild<QLabel*>("Lbl_M3")->styleSheet(),
             QStringLiteral("background-color: rgb(150, 200, 150);border-radius: 12px;border-style: solid;"
                            "border-width: 2px;border-color: black;"));
    QCOMPARE(page.findChild<QLabel*>("Lbl_M3")->alignment(), Qt::AlignCenter);
}

void TestDlgRpiController::pinsFollowTheStore_data()
{
    QTest::addColumn<QList<int>>("kinds"); // configured in this order
    QTest::newRow("form, never configured") << QList<int>{};
    QTest::newRow("three axes") << QList<int>{CTRL_KIVQ10};
    QTest::newRow("five axes") << QList<int>{CTRL_KIVQ20};
    QTest::newRow("five axes, then three") << QList<int>{CTRL_KIVQ20, CTRL_KIVQ10};
    QTest::newRow("three axes, then five") << QList<int>{CTRL_KIVQ10, CTRL_KIVQ20};
}

void TestDlgRpiController::pinsFollowTheStore()
{
    QFETCH(QList<int>, kinds);
    dlgRpiController page;
    eKivController eKind = CTRL_KIVQ10; // the form shows the three-axis pin-out
    for (int k : kinds) {
        eKind = eKivController(k);
        AppConfig::m_eDiradiCtrl = eKind;
        page.ConfigSettings();
    }
    AppConfig::InstallPinAssignment(eKind);
    const bool bFive = eKind == CTRL_KIVQ20;
    const QMap<int, QColor> roles = RolesFromStore(bFive ? 5 : 3);

    QSet<int> shown;
    for (const stPin& pin : kHeader) {
        const QString strText = QString::fromLatin1(pin.m_pText);
        const QColor colour = DiscColour(page.findChild<QLabel*>(pin.m_pName));
        bool bNumber = false;
        const int iBcm = strText.toInt(&bNumber);
        QColor expected;
        if (bNumber) {
            // A pin the pin-out does not use is grey; every used one shows
            // its role.
            expected = roles.value(iBcm, UNUSED);
            shown << iBcm;
        } else {
            expected = strText == "5V" ? V5 : strText == "3V" ? V3 : strText == "G" ? GROUND : UNUSED;
        }
        QVERIFY2(colour == expected, qPrintable(strText + " " + pin.m_pName));
        if (strText == "G")
            QVERIFY(page.findChild<QLabel*>(pin.m_pName)->styleSheet().contains("color: rgb(255, 255, 255);"));
    }
    // Every pin the store assigns is on the header.
    for (int iPin : roles.keys())
        QVERIFY2(shown.contains(iPin), qPrintable(QString::number(iPin)));

    // The legend: A and B discs and the M200..M210 outputs.
    const QList<QPair<const char*, QColor>> legend{
        {"Lbl_AP", bFive ? STEP : UNUSED},   {"Lbl_AD", bFive ? DIR : UNUSED},    {"Lbl_AH", bFive ? HOME : UNUSED},
        {"Lbl_BP", bFive ? STEP : UNUSED},   {"Lbl_BD", bFive ? DIR : UNUSED},    {"Lbl_BH", bFive ? HOME : UNUSED},
        {"Lbl_M200", bFive ? UNUSED : OUTPUT}, {"Lbl_M202", bFive ? UNUSED : OUTPUT},
        {"Lbl_M204", bFive ? UNUSED : OUTPUT}, {"Lbl_M206", bFive ? UNUSED : OUTPUT},
        {"Lbl_M208", bFive ? UNUSED : OUTPUT}, {"Lbl_M210", bFive ? UNUSED : OUTPUT},
        {"Lbl_PWM", PWM}, {"Lbl_PgmStatus", OUTPUT}, {"Lbl_IP1", INPUT}, {"Lbl_M80", OUTPUT}};
    for (const auto& entry : legend)
        QVERIFY2(DiscColour(page.findChild<QLabel*>(entry.first)) == entry.second, entry.first);
}

void TestDlgRpiController::boardKindsChangeNothing()
{
    dlgRpiController page;
    AppConfig::m_eDiradiCtrl = CTRL_KIVQ20;
    page.ConfigSettings();
    QStringList before;
    for (QLabel* pLabel : page.findChildren<QLabel*>())
        before << pLabel->styleSheet();
    for (eKivController eKind : {CTRL_SPI_V2, CTRL_SPI_V3}) {
        AppConfig::m_eDiradiCtrl = eKind;
        page.ConfigSettings();
        QStringList after;
        for (QLabel* pLabel : page.findChildren<QLabel*>())
            after << pLabel->styleSheet();
        QCOMPARE(after, before);
    }
}

void TestDlgRpiController::headerPositionsMatchThePage()
{
    // The look-up's header positions are those the page draws.
    for (int iPin = 1; iPin <= 40; ++iPin) {
        bool bGpio = false;
        const int iGpio = QString::fromLatin1(kHeader[iPin - 1].m_pText).toInt(&bGpio);
        if (bGpio)
            QVERIFY2(CPinRoles::HeaderPin(iGpio) == iPin, kHeader[iPin - 1].m_pText);
    }
    QCOMPARE(CPinRoles::HeaderPin(0), 27);
    QCOMPARE(CPinRoles::HeaderPin(1), 28);
    QCOMPARE(CPinRoles::HeaderPin(28), 0);
    QCOMPARE(CPinRoles::HeaderPin(-1), 0);
}

void TestDlgRpiController::pinButtonsOpenThePicker()
{
    CFakeMainWindow mw;
    AppConfig::InstallPinAssignment(CTRL_KIVQ10);
    dlgRpiController page(&mw);
    page.ConfigSettings();
    QLabel* pDisc18 = page.findChild<QLabel*>(QStringLiteral("label_91"));
    QCOMPARE(pDisc18->text(), QStringLiteral("18"));
    QVERIFY(page.findChild<QLabel*>(QStringLiteral("label_63"))->toolTip().isEmpty()); // ground: no pin

    // Disc 18 shows GPIO 18 marked on the picker's header; picking GPIO 20
    // there looks it up.
    QString strMarked;
    bool bNotUsedShown = true;
    QTimer::singleShot(0, [&] {
        auto* pPicker = qobject_cast<CDlgIO*>(QApplication::activeModalWidget());
        if (!pPicker)
            return;
        for (QPushButton* pBtn : pPicker->findChildren<QPushButton*>())
            if (pBtn->styleSheet() == BTN_BKGND_BLUE)
                strMarked += pBtn->objectName();
        bNotUsedShown = pPicker->findChild<QPushButton*>(QStringLiteral("Btn_IoNotUsed"))->isVisible();
        ClickButton(*pPicker, "Btn_RpiGPIO_20");
    });
    QTest::mouseClick(pDisc18, Qt::LeftButton);
    QCOMPARE(strMarked, QStringLiteral("Btn_RpiGPIO_18"));
    QVERIFY(!bNotUsedShown);
    QCOMPARE(mw.m_lstLog, QStringList{"info: GPIO 20 (header pin 38): emergency-stop input"});

    // The roles follow the controller kind; a picker closed by its frame
    // looks nothing up.
    AppConfig::InstallPinAssignment(CTRL_KIVQ20);
    QTimer::singleShot(0, [] {
        if (auto* pPicker = qobject_cast<CDlgIO*>(QApplication::activeModalWidget()))
            ClickButton(*pPicker, "Btn_RpiGPIO_18");
    });
    QTest::mouseClick(pDisc18, Qt::LeftButton);
    QTimer::singleShot(0, [] {
        if (auto* pPicker = qobject_cast<CDlgIO*>(QApplication::activeModalWidget()))
            pPicker->reject();
    });
    QTest::mouseClick(page.findChild<QLabel*>(QStringLiteral("Lbl_IP1")), Qt::LeftButton);
    QCOMPARE(mw.m_lstLog, (QStringList{"info: GPIO 20 (header pin 38): emergency-stop input",
                                       "info: GPIO 18 (header pin 12): B home input"}));
}

QTEST_MAIN(TestDlgRpiController)
#include "tst_dlgrpicontroller.moc"
