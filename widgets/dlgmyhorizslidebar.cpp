#include "widgets/dlgmyhorizslidebar.h"

#include "hal/clock.h"
#include "widgets/embeddedwindow.h"
#include "widgets/mainservices.h"
#include "ui_dlgmyhorizslidebar.h"

#include <algorithm>
#include <cmath>

namespace {
// The operator's clicks are timed on the monotonic clock, also while the
// machine runs on the virtual one.
qint64 MonotonicMs()
{
    return CClock::RealNowNs() / 1000000;
}

// The grey look with light top and left borders (a raised key). The border
// colours go inside the enabled block: after the block they would not parse
// and the button would lose its look altogether.
const QString& RestoredLook()
{
    static const QString s_strLook = [] {
        QString str = BTN_BKGND_GRAY;
        const qsizetype iEnd = str.indexOf(QLatin1Char('}'));
        str.insert(iEnd, QStringLiteral("border-top-color: rgb(243, 243, 243);border-left-color: rgb(243, 243, 243);"));
        return str;
    }();
    return s_strLook;
}
} // namespace

CdlgMyHorizSlideBar::CdlgMyHorizSlideBar(QWidget* parent)
    : QDialog(parent)
    , m_fnNowMs(MonotonicMs)
    , ui(new Ui::CdlgMyHorizSlideBar)
{
    m_Range.x = 10.0;
    m_Range.y = 150.0;
    // Given a parent, the bar is a control inside it, not a window of its
    // own: made so before its form is styled, so that it is styled once.
    EmbedInParent(this);
    ui->setupUi(this);
    connect(this, &CdlgMyHorizSlideBar::ValueChanged, this, &CdlgMyHorizSlideBar::on_Slider_ValueChanged);
}

CdlgMyHorizSlideBar::~CdlgMyHorizSlideBar()
{
    delete ui;
}

double CdlgMyHorizSlideBar::ScaleFor(short nLength, const stFloatPoint& range)
{
    // The travel of the value box is the length less the two buttons and
    // the box itself; the greatest value spans all of it.
    return range.y > 0.0 ? (nLength - 90) / range.y : 1.0;
}

short CdlgMyHorizSlideBar::Clamp(double fValue, const stFloatPoint& range)
{
    double f = std::trunc(fValue);
    if (!std::isfinite(f))
        f = range.x;
    if (f <= range.x)
        f = range.x;
    if (f >= range.y)
        f = range.y;
    return static_cast<short>(std::clamp(f, -32768.0, 32767.0));
}

short CdlgMyHorizSlideBar::Step(short nValue, short nStep, bool bUp, const stFloatPoint& range)
{
    const int iValue = bUp ? nValue + nStep : nValue - nStep;
    if (bUp && iValue >= range.y)
        return static_cast<short>(range.y);
    if (!bUp && iValue <= range.x)
        return static_cast<short>(range.x);
    return static_cast<short>(iValue);
}

bool CdlgMyHorizSlideBar::AcceptClick(qint64 iLastMs, qint64 iNowMs)
{
    return iLastMs < 0 || iNowMs - iLastMs >= CLICK_GAP_MS;
}

void CdlgMyHorizSlideBar::SetSliderRange(stFloatPoint range)
{
    m_Range = range;
    m_fScale = ScaleFor(m_nLength, m_Range);
}

void CdlgMyHorizSlideBar::setValue(double fValue)
{
    m_nValue = Clamp(fValue, m_Range);
    m_nPos = static_cast<qint16>(m_nValue * m_fScale);
    UpdateControl();
}

void CdlgMyHorizSlideBar::UpdateControl()
{
    ui->LE_SetValue->setText(QString::number(m_nValue));
    ui->Frm_SetValue->setGeometry(30, 0, m_nPos + 30, 30);
    ui->LE_SetValue->setGeometry(m_nPos + 30, 0, 30, 30);
    ui->Frm_RemainValue->setGeometry(m_nPos + 60, 0, m_nLength - 30, 30);
}

void CdlgMyHorizSlideBar::Click(bool bUp, QPushButton* pBtn)
{
    const qint64 iNow = m_fnNowMs();
    if (!AcceptClick(m_iLastClickMs, iNow))
        return;
    m_iLastClickMs = iNow;
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    m_nValue = Step(m_nValue, m_nStep, bUp, m_Range);
    m_nPos = static_cast<qint16>(m_nValue * m_fScale);
    UpdateControl();
    ResetBtnBkGnd(this);
}

void CdlgMyHorizSlideBar::on_Btn_IncreaseValue_clicked()
{
    Click(true, ui->Btn_IncreaseValue);
}

void CdlgMyHorizSlideBar::on_Btn_decreaseValue_clicked()
{
    Click(false, ui->Btn_decreaseValue);
}

void CdlgMyHorizSlideBar::ResetBtnBkGnd(QObject* pSlideBar)
{
    auto* pBar = qobject_cast<CdlgMyHorizSlideBar*>(pSlideBar);
    if (!pBar)
        return;
    // Emitted on the bar's own thread; a bar destroyed meanwhile is left
    // alone.
    CMainServices::RunLater(pBar, SIGNAL_DELAY_MS, [pBar]() { emit pBar->ValueChanged(pBar->m_nValue); });
}

void CdlgMyHorizSlideBar::on_Slider_ValueChanged(short)
{
    // The button to restore follows the direction of the change; an
    // unchanged position counts as an increase.
    if (m_nLastPos <= m_nPos)
        ui->Btn_IncreaseValue->setStyleSheet(RestoredLook());
    else
        ui->Btn_decreaseValue->setStyleSheet(RestoredLook());
    m_nLastPos = m_nPos;
}
