#pragma once
// What the pendant's keys really do, told apart from the keyboard's
// auto-repeat: a held key is one press and one release, however many repeats
// arrive in between. Without any widget; the main window feeds it the key
// events it receives and acts on the changes it returns.
//
// A repeat reaches the window as a release and a press of the same key
// straight after it. Qt marks most of them with its auto-repeat flag, but
// not all: when the X server's press has not yet been read as Qt looks at the
// release, both come unmarked. So a release is held back until the window's
// event loop has seen what follows it (REPEAT_WAIT_MS without a press of the
// same key): only then is the key up.
#include <QList>
#include <QtGlobal>

class CKeyHoldTracker
{
public:
    // How long a release is held back before the key counts as up. A repeat's
    // press leaves the X server together with its release; this is far more
    // than the time between the two, and short enough that a jog stops
    // without a noticeable run-on.
    static constexpr int REPEAT_WAIT_MS = 20;

    enum eChange {
        KEY_DOWN, // the key went down: act on the press
        KEY_UP    // the key came up: act on the release
    };
    struct stChange
    {
        eChange m_eChange = KEY_DOWN;
        int m_iKey = 0;
        qint64 m_iTimeMs = 0; // when the press or release reached the window
    };

    // A key press as the window receives it (bAutoRepeat: Qt's flag), at
    // iTimeMs. Gives the release of any other key still held back (it is up:
    // another key was pressed after it), then this key's KEY_DOWN; nothing
    // for a repeat of a key that is down.
    QList<stChange> Press(int iKey, bool bAutoRepeat, qint64 iTimeMs);
    // A key release as the window receives it: held back, never acted on at
    // once. True when it was held back (the caller then lets the event loop
    // run REPEAT_WAIT_MS before Settle()); false when it changes nothing (a
    // marked repeat, or a key that is not down).
    bool Release(int iKey, bool bAutoRepeat, qint64 iTimeMs);
    // The event loop has seen what followed: every release still held back
    // is real. Their KEY_UP changes, oldest first, with the release times.
    QList<stChange> Settle();
    // The keys' releases can no longer arrive (a file dialog took the
    // keyboard): every key down counts as up now. Their KEY_UP changes, the
    // releases held back first with their own times, the others at iTimeMs.
    QList<stChange> LetGo(qint64 iTimeMs);

    bool IsDown(int iKey) const { return m_lstDown.contains(iKey); }
    // A release of iKey (any key when 0) is held back.
    bool ReleaseWaiting(int iKey = 0) const;
    // Forgets every key (keyboard control switched off: no release may be
    // waited for any more).
    void Clear();

private:
    QList<int> m_lstDown;          // keys down, in the order they went down
    QList<stChange> m_lstWaiting;  // releases held back, oldest first
};
