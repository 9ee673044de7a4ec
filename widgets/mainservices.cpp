#include "widgets/mainservices.h"

#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "widgets/buttontext.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace {
// A keypad text as a number: a finite decimal number read whole, in the C
// locale, or nothing.
bool ToNumber(const QString& strText, double& fValue)
{
    bool bOk = false;
    const double f = strText.trimmed().toDouble(&bOk);
    if (!bOk || !std::isfinite(f))
        return false;
    fValue = f;
    return true;
}

// The value as a value button shows it: fixed decimals, then the caption on
// a line of its own when there is one.
QString ButtonText(double fValue, int iPrecision, const QString& strCtrlTxt)
{
    QString strText = QString::number(fValue, 'f', iPrecision);
    if (!strCtrlTxt.isEmpty())
        strText += QStringLiteral("\n") + strCtrlTxt;
    return strText;
}
} // namespace

CMainServices* CMainServices::Of(const QObject* pObj)
{
    for (const QObject* p = pObj; p; p = p->parent())
        if (auto* pServices = dynamic_cast<CMainServices*>(const_cast<QObject*>(p)))
            return pServices;
    return nullptr;
}

double CMainServices::OpenKeypad(QPushButton* pQBtn, QString strWndTitle, QString strCtrlTxt, QString strValue,
                                 stFloatPoint fRange, bool bShowSignBtn, unsigned short iPrecision)
{
    if (pQBtn)
        pQBtn->setStyleSheet(BTN_BKGND_GREEN);

    double fValue = 0.0;
    ToNumber(strValue, fValue);

    QString strEntry = strValue;
    QWidget* pParent = dynamic_cast<QWidget*>(this);
    if (CPrompter::Instance().Keypad(pParent, strWndTitle, strEntry, bShowSignBtn, iPrecision != 0)) {
        // A text that is not a number is refused: the setting keeps its value
        // rather than silently becoming 0.
        if (!ToNumber(strEntry, fValue))
            AddLogMsg(QStringLiteral("Not a number: ") + strEntry, MSG_ERROR);
    }

    if (fRange.x != 0.0 || fRange.y != 0.0) {
        if (fValue < fRange.x || fValue > fRange.y) {
            AddLogMsg(QStringLiteral("Value must be between\n") + QString::number(fRange.x, 'f', 4) +
                          QStringLiteral(" and ") + QString::number(fRange.y, 'f', 4),
                      MSG_ERROR);
            fValue = fValue < fRange.x ? fRange.x : fRange.y;
        }
    }

    if (pQBtn) {
        CButtonText::Set(pQBtn, ButtonText(fValue, iPrecision, strCtrlTxt));
        pQBtn->setStyleSheet(BTN_BKGND_GRAY);
    }
    return fValue;
}

void CMainServices::OpenKeypad(QPushButton* pQBtn, QString strWndTitle)
{
    OpenKeypad(pQBtn, strWndTitle, QString(), pQBtn ? pQBtn->text() : QString());
}

void CMainServices::OpenKeypad(QPushButton* pQBtn, QString strWndTitle, QString strCtrlTxt, QString strValue)
{
    QString strEntry = strValue;
    QWidget* pParent = dynamic_cast<QWidget*>(this);
    if (!CPrompter::Instance().Keypad(pParent, strWndTitle, strEntry, false, true))
        return;
    double fValue = 0.0;
    if (!ToNumber(strEntry, fValue)) {
        AddLogMsg(QStringLiteral("Not a number: ") + strEntry, MSG_ERROR);
        return;
    }
    if (pQBtn)
        CButtonText::Set(pQBtn, ButtonText(fValue, 4, strCtrlTxt));
}

void CMainServices::ResetBtnBkGnd(QPushButton* pBtn, QString strStyle)
{
    RunLater(pBtn, 150, [pBtn, strStyle]() { pBtn->setStyleSheet(strStyle); });
}

void CMainServices::RunLater(QObject* pTarget, int iDelayMs, std::function<void()> fn)
{
    if (!pTarget)
        return;
    QPointer<QObject> pGuarded(pTarget);
    // The timer is started on the target's own (GUI) thread, whichever
    // thread asked.
    QMetaObject::invokeMethod(
        pTarget,
        [pGuarded, iDelayMs, fn = std::move(fn)]() {
            QTimer::singleShot(iDelayMs, pGuarded.data(), [pGuarded, fn]() {
                if (pGuarded)
                    fn();
            });
        },
        Qt::QueuedConnection);
}

bool CMainServices::IsEmergencyStopOn()
{
    if (AppConfig::m_bEmergencyStopON) {
        AddLogMsg(QStringLiteral("Release Emergency Switch"), MSG_ERROR);
        return true;
    }
    return false;
}
