#pragma once
// The arithmetic of the spindle pages, without widgets: the PWM frequency
// limits that depend on each other, the frequency step of the spindle slider,
// the slider's frequencies, and the clamps that keep an entry inside the
// 16-bit fields of the speed table and the settle delay.
#include "core/common.h"

#include <QtGlobal>

class CSpindleSettingsMath
{
public:
    // The spindle slider has 24 positions; the maximum stays at least this
    // far above the minimum, so every position gets its own step.
    static constexpr int SLIDER_STEPS = 24;
    static constexpr int MIN_FREQ_GAP = 23;
    static constexpr int LOWEST_FREQ = 100;
    static constexpr int HIGHEST_FREQ = 10000;

    // Lowest PWM frequency: 100 Hz up to the stored maximum less 23 Hz.
    static stFloatPoint MinFreqRange(quint16 nMaxFreq);
    // Highest PWM frequency: the stored minimum plus 23 Hz up to 10000 Hz.
    static stFloatPoint MaxFreqRange(quint16 nMinFreq);
    // Settle delay after a speed change: 10 to 3000 ms.
    static stFloatPoint DelayRange();
    // Hz per slider position: (maximum - minimum) / 24, whole Hz; 0 when the
    // maximum is not above the minimum.
    static quint16 FreqStep(quint16 nMinFreq, quint16 nMaxFreq);
    // The PWM frequency at slider position 1..24: the minimum plus a step
    // per position, the maximum at 24; never outside [minimum, maximum].
    static quint16 FreqAtPosition(int iPosition, quint16 nMinFreq, quint16 nMaxFreq, quint16 nFreqStep);

    // A whole number clamped to [range.x, range.y], then to 0..65535.
    static quint16 ClampToRange(qint64 iValue, stFloatPoint range);
    // A spindle-table entry (rpm): truncated toward zero, clamped to
    // 0..32767. True in bClamped when the entry did not fit.
    static qint16 SpeedEntry(double fValue, bool* pbClamped = nullptr);
    // A wait time (ms): truncated toward zero, clamped to 0..65535.
    static quint16 DelayEntry(double fValue, bool* pbClamped = nullptr);
};
