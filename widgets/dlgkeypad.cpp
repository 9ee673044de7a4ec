#include "widgets/dlgkeypad.h"

#include "widgets/resources.h"
#include "ui_dlgkeypad.h"

#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QStyle>

namespace {
// The entry's size in the form, the smallest it is shrunk to, and what the
// line edit keeps free beside the text inside its frame.
constexpr int ENTRY_POINT_SIZE = 25;
constexpr int ENTRY_MIN_POINT_SIZE = 10;
constexpr int ENTRY_INNER_MARGINS = 8;
} // namespace

CDlgKeyPad::CDlgKeyPad(QWidget* parent)
    : QDialog(parent)
    , ui(nullptr)
{
    InitAppResources();
    ui = new Ui::CDlgKeyPad;
    ui->setupUi(this);
    ui->pushButton_Sign->setEnabled(false);
    // Enter means OK; the keys never hold the focus, so Enter cannot type a
    // digit instead.
    for (QPushButton* pKey : findChildren<QPushButton*>()) {
        pKey->setFocusPolicy(Qt::NoFocus);
        pKey->setAutoDefault(false);
    }
    ui->pushButton_12->setDefault(true);

    // Large, heavy digits that read well at arm's length; the word keys
    // smaller so that "Cancel" fits its key.
    QFont keyFont(QStringLiteral("MyFont"), 16);
    keyFont.setWeight(QFont::Black);
    for (QPushButton* pKey : {ui->pushButton, ui->pushButton_2, ui->pushButton_3, ui->pushButton_4,
                              ui->pushButton_5, ui->pushButton_6, ui->pushButton_7, ui->pushButton_8,
                              ui->pushButton_9, ui->pushButton_10, ui->pushButton_11, ui->pushButton_15})
        pKey->setFont(keyFont);
    QFont wordFont(QStringLiteral("MyFont"));
    wordFont.setPixelSize(15);
    for (QPushButton* pKey : {ui->pushButton_12, ui->pushButton_13, ui->pushButton_14})
        pKey->setFont(wordFont);
    m_bCancelled = true;
}

CDlgKeyPad::~CDlgKeyPad()
{
    delete ui;
}

void CDlgKeyPad::EnableSign()
{
    ui->pushButton_Sign->setEnabled(true);
}

void CDlgKeyPad::DisableDecimal()
{
    ui->pushButton_11->setEnabled(false);
}

void CDlgKeyPad::SetCurValue(QString strValue)
{
    m_strOrgValue = strValue;
    m_strCurValue = m_strOrgValue;
    ShowValue();
}

void CDlgKeyPad::Append(QChar c)
{
    m_strCurValue += c;
    ShowValue();
}

void CDlgKeyPad::ShowValue()
{
    // The whole value stays in view: one too long for the box at the form's
    // size (1250.0000) is written smaller instead of scrolled, which would
    // hide its leading digits.
    QLineEdit* pEntry = ui->LE_NewValue;
    const int iRoom = pEntry->width() - 2 * pEntry->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, pEntry)
                      - ENTRY_INNER_MARGINS;
    QFont font = pEntry->font();
    int iPointSize = ENTRY_POINT_SIZE;
    font.setPointSize(iPointSize);
    while (iPointSize > ENTRY_MIN_POINT_SIZE && QFontMetrics(font).horizontalAdvance(m_strCurValue) > iRoom)
        font.setPointSize(--iPointSize);
    pEntry->setFont(font);
    pEntry->setText(m_strCurValue);
}

void CDlgKeyPad::on_pushButton_clicked() { Append(QLatin1Char('1')); }
void CDlgKeyPad::on_pushButton_2_clicked() { Append(QLatin1Char('2')); }
void CDlgKeyPad::on_pushButton_3_clicked() { Append(QLatin1Char('3')); }
void CDlgKeyPad::on_pushButton_4_clicked() { Append(QLatin1Char('4')); }
void CDlgKeyPad::on_pushButton_5_clicked() { Append(QLatin1Char('5')); }
void CDlgKeyPad::on_pushButton_8_clicked() { Append(QLatin1Char('6')); }
void CDlgKeyPad::on_pushButton_6_clicked() { Append(QLatin1Char('7')); }
void CDlgKeyPad::on_pushButton_7_clicked() { Append(QLatin1Char('8')); }
void CDlgKeyPad::on_pushButton_9_clicked() { Append(QLatin1Char('9')); }
void CDlgKeyPad::on_pushButton_10_clicked() { Append(QLatin1Char('0')); }
void CDlgKeyPad::on_pushButton_11_clicked() { Append(QLatin1Char('.')); }

void CDlgKeyPad::on_pushButton_15_clicked()
{
    if (!m_strCurValue.isEmpty())
        m_strCurValue.chop(1);
    ShowValue();
}

void CDlgKeyPad::on_pushButton_14_clicked()
{
    m_strCurValue.clear();
    ShowValue();
}

void CDlgKeyPad::on_pushButton_Sign_clicked()
{
    if (!m_strCurValue.isEmpty() && !m_strCurValue.startsWith(QLatin1Char('-')))
        m_strCurValue.prepend(QLatin1Char('-'));
    else if (!m_strCurValue.isEmpty())
        m_strCurValue.remove(0, 1);
    ShowValue();
}

void CDlgKeyPad::on_pushButton_12_clicked()
{
    m_bCancelled = false;
    if (m_strCurValue.isEmpty())
        m_strCurValue = m_strOrgValue;
    ShowValue();
    accept();
}

void CDlgKeyPad::on_pushButton_13_clicked()
{
    reject();
}

void CDlgKeyPad::reject()
{
    m_bCancelled = true;
    m_strCurValue = m_strOrgValue;
    ShowValue();
    QDialog::reject();
}
