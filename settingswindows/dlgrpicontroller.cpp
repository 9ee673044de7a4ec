#include "settingswindows/dlgrpicontroller.h"
#include "ui_dlgrpicontroller.h"

#include "core/AppConfig.h"
#include "settings/pinroles.h"
#include "settingswindows/dlgio.h"
#include "widgets/mainservices.h"

#include <QMouseEvent>

namespace {
// Role colours of the pins that differ between the two pin-outs.
QString StepStyle() { return dlgRpiController::DiscStyle(100, 200, 200); }
QString DirStyle() { return dlgRpiController::DiscStyle(200, 200, 100); }
QString HomeStyle() { return dlgRpiController::DiscStyle(255, 100, 255); }
QString OutputStyle() { return dlgRpiController::DiscStyle(150, 200, 150); }
QString UnusedStyle() { return dlgRpiController::DiscStyle(100, 100, 100); }
} // namespace

dlgRpiController::dlgRpiController(QWidget* parent)
    : QDialog(parent), ui(new Ui::dlgRpiController)
{
    ui->setupUi(this);
    // Every disc that carries a GPIO number (header and legends) is a pin
    // button; power, ground and "NA" discs are not.
    for (QLabel* pDisc : findChildren<QLabel*>()) {
        bool bGpio = false;
        const int iGpio = pDisc->text().toInt(&bGpio);
        if (!bGpio || CPinRoles::HeaderPin(iGpio) == 0)
            continue;
        pDisc->installEventFilter(this);
        pDisc->setCursor(Qt::PointingHandCursor);
        pDisc->setToolTip(QStringLiteral("GPIO %1: show it on the header").arg(iGpio));
    }
}

dlgRpiController::~dlgRpiController()
{
    delete ui;
}

QString dlgRpiController::DiscStyle(int r, int g, int b)
{
    return QStringLiteral("background-color: rgb(%1, %2, %3);border-radius: 12px;border-style: solid;"
                          "border-width: 2px;border-color: black;")
        .arg(r)
        .arg(g)
        .arg(b);
}

bool dlgRpiController::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(pEvent)->button() == Qt::LeftButton) {
        if (auto* pDisc = qobject_cast<QLabel*>(pWatched)) {
            PickPin(pDisc->text().toInt());
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

void dlgRpiController::PickPin(int iGpio)
{
    CDlgIO picker(this);
    picker.Init(); // a look-up: there is nothing to leave unused
    picker.MarkPin(quint16(iGpio));
    picker.exec();
    if (picker.m_nSelectedPin == CDlgIO::PIN_NOT_USED)
        return; // closed by its frame
    if (CMainServices* pMain = CMainServices::Of(this))
        pMain->AddLogMsg(CPinRoles::Describe(picker.m_nSelectedPin), MSG_INFO);
}

void dlgRpiController::ConfigSettings()
{
    const eKivController eCtrl = AppConfig::m_eDiradiCtrl;
    if (eCtrl != CTRL_KIVQ10 && eCtrl != CTRL_KIVQ20)
        return;
    const bool bFiveAxes = eCtrl == CTRL_KIVQ20;

    // The six pins that drive A and B on a five-axis machine serve as the
    // M200..M210 outputs on a three-axis one. Each group: the axis legend
    // disc, the M-code legend disc and the header disc.
    struct stShared
    {
        QLabel* m_pAxisDisc;
        QLabel* m_pMCodeDisc;
        QLabel* m_pHeaderDisc;
        QString m_strAxisStyle;
    };
    const stShared shared[] = {
        {ui->Lbl_AP, ui->Lbl_M200, ui->label_117, StepStyle()}, // BCM 5
        {ui->Lbl_AD, ui->Lbl_M202, ui->label_114, DirStyle()},  // BCM 6
        {ui->Lbl_AH, ui->Lbl_M204, ui->label_120, HomeStyle()}, // BCM 13
        {ui->Lbl_BP, ui->Lbl_M206, ui->label_64, StepStyle()},  // BCM 14
        {ui->Lbl_BD, ui->Lbl_M208, ui->label_75, DirStyle()},   // BCM 15
        {ui->Lbl_BH, ui->Lbl_M210, ui->label_91, HomeStyle()},  // BCM 18
    };
    for (const stShared& pin : shared) {
        pin.m_pAxisDisc->setStyleSheet(bFiveAxes ? pin.m_strAxisStyle : UnusedStyle());
        pin.m_pMCodeDisc->setStyleSheet(bFiveAxes ? UnusedStyle() : OutputStyle());
        pin.m_pHeaderDisc->setStyleSheet(bFiveAxes ? pin.m_strAxisStyle : OutputStyle());
    }
}
