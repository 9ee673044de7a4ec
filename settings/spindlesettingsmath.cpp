#include "settings/spindlesettingsmath.h"

#include "machine/pwmclock.h"

#include <algorithm>
#include <cmath>

// The PWM page offers only frequencies the hardware PWM drives within 1 %.
static_assert(CSpindleSettingsMath::LOWEST_FREQ >= int(CPwmClock::LOWEST_HZ) &&
                  CSpindleSettingsMath::HIGHEST_FREQ <= int(CPwmClock::HIGHEST_HZ),
              "the PWM page's frequency range must lie within what the PWM drives");

namespace {

// Truncates toward zero and clamps to [iMin, iMax]; a value that is not a
// number counts as out of range at the bottom.
qint64 TruncClamp(double fValue, qint64 iMin, qint64 iMax, bool* pbClamped)
{
    qint64 iValue = iMin;
    bool bClamped = true;
    if (std::isfinite(fValue)) {
        const double fTrunc = std::trunc(fValue);
        if (fTrunc < double(iMin))
            iValue = iMin;
        else if (fTrunc > double(iMax))
            iValue = iMax;
        else {
            iValue = qint64(fTrunc);
            bClamped = false;
        }
    }
    if (pbClamped)
        *pbClamped = bClamped;
    return iValue;
}
} // namespace

stFloatPoint CSpindleSettingsMath::MinFreqRange(quint16 nMaxFreq)
{
    return KeypadRange(LOWEST_FREQ, int(nMaxFreq) - MIN_FREQ_GAP);
}

stFloatPoint CSpindleSettingsMath::MaxFreqRange(quint16 nMinFreq)
{
    return KeypadRange(int(nMinFreq) + MIN_FREQ_GAP, HIGHEST_FREQ);
}

stFloatPoint CSpindleSettingsMath::DelayRange()
{
    return KeypadRange(10, 3000);
}

quint16 CSpindleSettingsMath::FreqStep(quint16 nMinFreq, quint16 nMaxFreq)
{
    if (nMaxFreq <= nMinFreq)
        return 0;
    return quint16((nMaxFreq - nMinFreq) / SLIDER_STEPS);
}

quint16 CSpindleSettingsMath::FreqAtPosition(int iPosition, quint16 nMinFreq, quint16 nMaxFreq, quint16 nFreqStep)
{
    if (iPosition >= SLIDER_STEPS)
        return nMaxFreq;
    const qint64 iFreq = qint64(nMinFreq) + qint64(std::max(iPosition, 1) - 1) * nFreqStep;
    return quint16(std::clamp<qint64>(iFreq, nMinFreq, std::max(nMinFreq, nMaxFreq)));
}

quint16 CSpindleSettingsMath::ClampToRange(qint64 iValue, stFloatPoint range)
{
    // A range whose bounds cross (a stored maximum below 123 Hz) gives its
    // lower bound: the minimum never rises above what the maximum allows.
    const qint64 iMin = qint64(range.x);
    const qint64 iMax = std::max(iMin, qint64(range.y));
    iValue = std::clamp(iValue, iMin, iMax);
    return quint16(std::clamp<qint64>(iValue, 0, 65535));
}

qint16 CSpindleSettingsMath::SpeedEntry(double fValue, bool* pbClamped)
{
    return qint16(TruncClamp(fValue, 0, 32767, pbClamped));
}

quint16 CSpindleSettingsMath::DelayEntry(double fValue, bool* pbClamped)
{
    return quint16(TruncClamp(fValue, 0, 65535, pbClamped));
}
