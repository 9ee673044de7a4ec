#pragma once
// The arithmetic behind the user settings panel, without widgets: the ranges
// its number buttons offer, and the feeds that follow from a new user feed or
// from copying one axis's feeds to the other axes of its group.
#include "core/common.h"

#include <QVector>

class CUserSettingsMath
{
public:
    // Z safe height: between the Z travel limits when home switches are
    // fitted (and then it may be negative), else 0 to 100 mm.
    static stFloatPoint ZSafeRange();
    // Manual tool-change position of an axis, in work coordinates: with home
    // switches the axis's travel between its limits seen from its work zero,
    // else -10000 to 10000.
    static stFloatPoint ToolChangeRange(int iAxis);
    // User, jog and homing feeds of an axis: from one step per second of the
    // smallest move to two thirds of the axis's maximum feed.
    static stFloatPoint FeedRange(int iAxis);
    // The home-repeat offset: 0 (single approach) to 10 mm.
    static stFloatPoint HomeRepeatOffsetRange();

    // True when every one of the five axes has a home switch input (a three-
    // axis machine counts A and B too).
    static bool AllHomeInputsFitted();

    // Stores a new user feed for the axis and what follows from it: the jog
    // feed when jogging uses the G01 feed, the effective feed (user feed times
    // override) and the plunge feed, which never exceeds the Z user feed.
    // The caller hands the new effective feed to the axis.
    static void StoreUserFeed(int iAxis, double fFeed);

    // Copies the user, jog and homing feeds of iSelAxis to the other axes of
    // its group (X, Y, Z or A, B) with their effective feeds, and caps the
    // plunge feed after an X, Y, Z copy. Returns the axes that changed, whose
    // ramps the caller rebuilds.
    static QVector<int> CopyFeedsToGroup(int iSelAxis);

    // Jog feed = user feed for every axis in use (use-G01-feed switched).
    static void CopyUserFeedsToJogFeeds();

    // The plunge feed is lowered to the Z user feed when that is smaller.
    static void CapPlungeFeed();
};
