#include "gcode/gcodenavigator.h"

#include <algorithm>
#include <cmath>

CGCodeNavigator::stWindow CGCodeNavigator::ListWindow(int iFrom, size_t iLines)
{
    stWindow win;
    if (iLines == 0)
        return win;
    const long long iCount = static_cast<long long>(iLines);
    long long iFirst = iFrom;
    if (iCount - iFirst < VISIBLE_LINES)
        iFirst = iCount - VISIBLE_LINES;
    if (iFirst <= 0) {
        win.m_iFirst = 0;
        win.m_iEnd = int(std::min<long long>(iCount, VISIBLE_LINES));
    } else {
        win.m_iFirst = int(iFirst);
        win.m_iEnd = int(iFirst + VISIBLE_LINES);
    }
    return win;
}

bool CGCodeNavigator::ErrorTarget(const GCodeErrorMap& errors, unsigned int uiCurrent, eErrorStep eStep,
                                  unsigned int& uiTarget)
{
    if (errors.empty())
        return false;
    const unsigned int uiFirst = errors.begin()->first;
    const unsigned int uiLast = errors.rbegin()->first;
    switch (eStep) {
    case ERR_FIRST:
        uiTarget = uiFirst;
        break;
    case ERR_LAST:
        uiTarget = uiLast;
        break;
    case ERR_PREV: {
        const auto it = errors.find(uiCurrent);
        if (it == errors.end())
            uiTarget = uiLast;
        else
            uiTarget = it == errors.begin() ? uiFirst : std::prev(it)->first;
        break;
    }
    case ERR_NEXT: {
        // After an edit the current line may have no errors any more: the
        // next line with errors below it, else the last one.
        const auto it = errors.upper_bound(uiCurrent);
        uiTarget = it == errors.end() ? uiLast : it->first;
        break;
    }
    }
    return true;
}

QString CGCodeNavigator::LineEditText(size_t iLine, const QString& strText)
{
    return QStringLiteral("[") + QString::number(qulonglong(iLine)) + QStringLiteral("]") + strText;
}

QString CGCodeNavigator::EditedText(const QString& strLineEdit)
{
    const int iPos = strLineEdit.indexOf(QLatin1Char(']'));
    return iPos < 0 ? strLineEdit : strLineEdit.mid(iPos + 1);
}

stFloatPoint CGCodeNavigator::StartLineRange(size_t iLines)
{
    return KeypadRange(0.0, iLines > 0 ? double(iLines - 1) : 0.0);
}

int CGCodeNavigator::ClampStartLine(double fValue, size_t iLines)
{
    if (iLines == 0 || !std::isfinite(fValue) || fValue <= 0.0)
        return 0;
    const double fLast = double(iLines - 1);
    return int(std::llround(std::min(fValue, fLast)));
}
