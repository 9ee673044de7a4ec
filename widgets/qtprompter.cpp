#include "widgets/qtprompter.h"

#include "widgets/dlgkeypad.h"

bool CQtPrompter::Keypad(QWidget*, const QString& title, QString& value, bool bEnableSign, bool bEnableDecimal)
{
    // A top-level window of its own, as the operator's screen expects.
    CDlgKeyPad keypad(nullptr);
    keypad.SetCurValue(value);
    keypad.setWindowTitle(title);
    if (bEnableSign)
        keypad.EnableSign();
    if (!bEnableDecimal)
        keypad.DisableDecimal();
    keypad.exec();
    if (keypad.m_bCancelled)
        return false;
    value = keypad.m_strCurValue;
    return true;
}
