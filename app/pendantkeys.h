#pragma once
// The keyboard pendant's rules without any widget: what a key does in each
// pendant mode with the machine idle or busy, the step sizes, the limits of
// the feed and spindle keys, and where a program is found on a USB drive.
//
// Pendant mode on ("Num Lock" in the operator's words, switched only by the
// 0 key): digit keys jog continuously, "*" and "/" change the feed override,
// clicks of 1, 5, 7 move to the work zero. Mode off: digit keys move one
// step, "*" and "/" change the spindle speed, clicks of 1, 5, 7 choose the
// step size.
#include "core/common.h"

#include <QString>

class CPendantKeys
{
public:
    CPendantKeys() = delete;

    enum eKind {
        KEY_IGNORED,      // nothing at all
        KEY_AXIS_IN_USE,  // refused: "Axis in use"
        KEY_ESTOP_TOGGLE, // Enter
        KEY_FEED,         // "*" / "/" in mode on: m_iDir +1 / -1
        KEY_SPINDLE,      // "*" / "/" in mode off: m_iDir +1 / -1
        KEY_SPINDLE_CW,   // "-": the clockwise spindle button
        KEY_USB_LOAD,     // "+"
        KEY_SHOW_PROGRAM, // ".": the G-code window and Start shown pressed
        KEY_START_SHOWN,  // "." during a G-code run: Start shown pressed
        KEY_JOG,          // mode on: continuous jog of m_eAxis towards m_iDir
        KEY_STEP,         // mode off: one step of m_eAxis towards m_iDir
        KEY_PENDING,      // 0, 1, 5, 7: click or long press decides
        KEY_TOGGLE_MODE   // 0 while the machine is busy
    };
    struct stAction
    {
        eKind m_eKind = KEY_IGNORED;
        eAxis m_eAxis = X_AXIS;
        int m_iDir = 0;
    };

    // What a keypad key says of Num Lock. With Num Lock on the keypad gives
    // its digits and point; with it off the same keys arrive as navigation
    // keys (arrows, Home, End, Page Up/Down, Insert, Delete, Clear), which
    // the pendant does not take. Other keys, and those of the main keyboard,
    // say nothing.
    enum eNumLock { NUM_LOCK_UNKNOWN, NUM_LOCK_ON, NUM_LOCK_OFF };
    static eNumLock NumLockFrom(int iKey, Qt::KeyboardModifiers eModifiers);

    // What a key press does (Qt key codes; keypad and main keyboard alike).
    // bBusy: an operation is in progress (iRunMode its type).
    static stAction PressAction(int iKey, bool bModeOn, bool bBusy, int iRunMode);

    // Limits of the feed override keys (percent, step 10) and of the spindle
    // keys (slider positions, step 1: the slider's whole range).
    static constexpr int FEED_STEP = 10;
    static constexpr int FEED_MIN = 10;
    static constexpr int FEED_MAX = 150;
    static constexpr int SPINDLE_MIN = 1;
    static constexpr int SPINDLE_MAX = 24;
    static int NextFeed(int iValue, int iDir);
    static int NextSpindle(int iValue, int iDir);

    // Timing of the 0, 1, 5, 7 keys: a release before CLICK_MS is a click,
    // a key held LONG_PRESS_MS or more a long press.
    static constexpr qint64 CLICK_MS = 300;
    static constexpr qint64 LONG_PRESS_MS = 1000;

    // The step of a click of 1, 5 or 7 in mode off (0.01, 0.05, 0.1 mm), 0
    // for other keys.
    static double StepTarget(int iKey);
    // The smallest whole number of motor pulses of the finest axis (its
    // travel per pulse fMovPerPulse, mm) that covers fTarget, in mm. False
    // when no step can be made (a travel per pulse of 0 or less, or one so
    // large that no step fits the length unit).
    static bool StepSize(double fMovPerPulse, double fTarget, double& fStep);

    // A G-code program on the USB drive mounted under strMountFolder: the
    // first file, folder by folder (the mount folder itself first, then its
    // folders by name), whose name ends in "txt", "ncc" or "tap".
    enum eUsbResult { USB_NO_DRIVE, USB_NO_PROGRAM, USB_FOUND };
    static eUsbResult FindUsbProgram(const QString& strMountFolder, QString& strPath);
};
