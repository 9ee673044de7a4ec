#pragma once
// The rules behind the machine settings panel, on the settings store and
// without any widget: the entry range of every motor parameter, the feeds
// that follow from a changed move per pulse or maximum feed, the copy of one
// axis's motor parameters to the others of its group, the cross-check of the
// travel limits, the texts of the motor directions, and the check that the
// axes can still build their speed ramps with the values in force.
#include "core/common.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

class CMotionSettings
{
public:
    // Fastest step rate the pulse loops produce (pulses per second).
    static constexpr double MAX_STEP_RATE = 1500000.0;
    // The operator's user and jog feeds stay this factor below the maximum.
    static constexpr double FEED_HEADROOM = 1.5;

    // Entry ranges ({minimum, maximum} in x and y).
    static stFloatPoint MovPerPulseRange();
    // From one step per second's worth of travel up to the fastest step rate
    // at the axis's present move per pulse.
    static stFloatPoint MaxFeedRange(int iAxis);
    static stFloatPoint AccRange();
    static stFloatPoint DutyCycleRange();
    static stFloatPoint RateOfAccRange();
    static stFloatPoint SamplingTimeRange();

    // Sampling time in seconds to whole microseconds, rounded (0.0157 s is
    // 15700 us, not 15699 as truncating the binary fraction would give).
    static quint32 SamplingTimeMicros(double fSeconds);
    static double SamplingTimeSeconds(quint32 iMicros);

    // After the move per pulse of an axis changed: the maximum feed and then
    // the working feed are brought within the fastest step rate, the user and
    // jog feeds follow the maximum feed, and the rapid and plunge feeds are
    // derived again. True when the maximum feed had to be lowered.
    static bool LimitFeedsToStepRate(int iAxis);
    // User and jog feed at most the maximum feed / 1.5; the working feed =
    // user feed x feed override.
    static void LimitUserAndJogFeed(int iAxis);
    // User and jog feed limits, working feed, rapid feed and plunge feed
    // (never faster than the Z user feed) after the maximum feed of an axis
    // changed.
    static void DeriveFeeds(int iAxis);
    // The arc interpolation step is never finer than fMovPerPulse.
    static void RaiseArcStep(double fMovPerPulse);

    // The axes that share motor settings with iAxis: X, Y, Z or A, B.
    static QVector<int> MotorGroup(int iAxis);
    // Copies move per pulse, maximum feed, acceleration, duty cycle and rate
    // of acceleration of one axis to another.
    static void CopyMotorParams(int iFrom, int iTo);

    // Travel limits: a positive limit must lie above the negative limit of
    // its axis and a negative one below the positive. Empty when fValue is
    // acceptable, else the message to show.
    static QString CheckPosLimit(int iAxis, double fValue);
    static QString CheckNegLimit(int iAxis, double fValue);

    // Caption of a motor rotation button.
    static QString DirectionText(eDirection eDir);

    // Why axis iAxis cannot build the speed ramps it runs with, from the
    // settings store as it stands: the ramp up to its maximum feed (the one
    // the Motor tab draws) and the one at its working feed. Empty when it
    // can. An axis refusing a ramp keeps its old one, and one without any
    // cannot move at all.
    static QString RampError(int iAxis);
    // The first refusal among `axes`, after the axis's name
    // ("X-Axis: Acceleration value too low for this feed"); empty when every
    // one builds its ramps.
    static QString RampError(const QVector<int>& axes);

    // The motor settings the machine settings panel writes, with the feeds
    // that follow them: taken before a new value is stored, put back whole
    // when the axes refuse it.
    struct stMotorState
    {
        std::array<double, AXIS_COUNT> fMovPerPulse{}, fMaxFeed{}, fAcc{}, fDuty{}, fRateOfAcc{};
        std::array<double, AXIS_COUNT> fUserFeed{}, fJogFeed{}, fFeed{};
        quint32 iSamplingTime = 0;
        eAxisFeedType eCurve = FEED_LINEAR;
        double fMinMaxFeed = 0.0, fPlungeFeed = 0.0, fArcStep = 0.0;
    };
    static stMotorState SaveMotorState();
    static void RestoreMotorState(const stMotorState& state);

    // A settings file may hold a motor value the axis cannot build a ramp
    // for (stored before values were checked): such an axis could not move.
    // Each axis that refuses gets the nearest value that builds: the
    // acceleration raised (within its entry range), or when no acceleration
    // will do, the maximum feed lowered, to four decimals as the panel shows
    // them. Returns one line per axis for the log saying what was changed
    // ("X-Axis: settings file Acc 0.0100 gives no speed ramp, Acc 0.2236
    // used"), or why the axis cannot move when nothing helps.
    static QStringList RepairRamps();
};
