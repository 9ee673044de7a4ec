#include "settingswindows/dlgio.h"
#include "ui_dlgio.h"

#include "core/common.h"

CDlgIO::CDlgIO(QWidget* parent)
    : QDialog(parent), ui(new Ui::CDlgIO)
{
    ui->setupUi(this);
}

CDlgIO::~CDlgIO()
{
    delete ui;
}

void CDlgIO::Init() { ui->Btn_IoNotUsed->hide(); }

void CDlgIO::ShowNotUsedBtn() { ui->Btn_IoNotUsed->show(); }

void CDlgIO::MarkPin(quint16 nPin)
{
    if (auto* pBtn = findChild<QPushButton*>(QStringLiteral("Btn_RpiGPIO_%1").arg(nPin)))
        pBtn->setStyleSheet(BTN_BKGND_BLUE);
}

bool CDlgIO::IsInputPin(unsigned short pin) { return pin >= 9 && pin != 15; }

void CDlgIO::SelectPin(quint16 nPin)
{
    m_nSelectedPin = nPin;
    if (m_bHideOnSelect)
        hide();
}

void CDlgIO::reject()
{
    m_nSelectedPin = PIN_NOT_USED;
    QDialog::reject();
}

void CDlgIO::on_Btn_IoNotUsed_clicked()
{
    m_nSelectedPin = PIN_NOT_USED;
    hide();
}

// One slot per usable pin; GPIO 0, 1 (the HAT EEPROM bus) and 14, 15 (the
// serial console) have no button that can be pressed.
void CDlgIO::on_Btn_RpiGPIO_2_clicked() { SelectPin(2); }
void CDlgIO::on_Btn_RpiGPIO_3_clicked() { SelectPin(3); }
void CDlgIO::on_Btn_RpiGPIO_4_clicked() { SelectPin(4); }
void CDlgIO::on_Btn_RpiGPIO_5_clicked() { SelectPin(5); }
void CDlgIO::on_Btn_RpiGPIO_6_clicked() { SelectPin(6); }
void CDlgIO::on_Btn_RpiGPIO_7_clicked() { SelectPin(7); }
void CDlgIO::on_Btn_RpiGPIO_8_clicked() { SelectPin(8); }
void CDlgIO::on_Btn_RpiGPIO_9_clicked() { SelectPin(9); }
void CDlgIO::on_Btn_RpiGPIO_10_clicked() { SelectPin(10); }
void CDlgIO::on_Btn_RpiGPIO_11_clicked() { SelectPin(11); }
void CDlgIO::on_Btn_RpiGPIO_12_clicked() { SelectPin(12); }
void CDlgIO::on_Btn_RpiGPIO_13_clicked() { SelectPin(13); }
void CDlgIO::on_Btn_RpiGPIO_16_clicked() { SelectPin(16); }
void CDlgIO::on_Btn_RpiGPIO_17_clicked() { SelectPin(17); }
void CDlgIO::on_Btn_RpiGPIO_18_clicked() { SelectPin(18); }
void CDlgIO::on_Btn_RpiGPIO_19_clicked() { SelectPin(19); }
void CDlgIO::on_Btn_RpiGPIO_20_clicked() { SelectPin(20); }
void CDlgIO::on_Btn_RpiGPIO_21_clicked() { SelectPin(21); }
void CDlgIO::on_Btn_RpiGPIO_22_clicked() { SelectPin(22); }
void CDlgIO::on_Btn_RpiGPIO_23_clicked() { SelectPin(23); }
void CDlgIO::on_Btn_RpiGPIO_24_clicked() { SelectPin(24); }
void CDlgIO::on_Btn_RpiGPIO_25_clicked() { SelectPin(25); }
void CDlgIO::on_Btn_RpiGPIO_26_clicked() { SelectPin(26); }
void CDlgIO::on_Btn_RpiGPIO_27_clicked() { SelectPin(27); }
