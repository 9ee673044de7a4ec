#include "app/keyholdtracker.h"

QList<CKeyHoldTracker::stChange> CKeyHoldTracker::Press(int iKey, bool bAutoRepeat, qint64 iTimeMs)
{
    QList<stChange> lstChanges;
    // A release of this key just before: the two are one repeat, the key
    // never came up.
    for (int k = 0; k < m_lstWaiting.size(); ++k) {
        if (m_lstWaiting[k].m_iKey == iKey) {
            m_lstWaiting.removeAt(k);
            return lstChanges;
        }
    }
    // A repeat with Qt's flag, or a press of a key that is already down (a
    // repeat that came without its release): the hold goes on. A marked
    // repeat of a key not seen going down starts nothing either.
    if (bAutoRepeat || IsDown(iKey))
        return lstChanges;
    // Another key pressed: the keys released before it are up by now.
    lstChanges = Settle();
    m_lstDown.append(iKey);
    lstChanges.append({KEY_DOWN, iKey, iTimeMs});
    return lstChanges;
}

bool CKeyHoldTracker::Release(int iKey, bool bAutoRepeat, qint64 iTimeMs)
{
    if (bAutoRepeat || !IsDown(iKey) || ReleaseWaiting(iKey))
        return false;
    m_lstWaiting.append({KEY_UP, iKey, iTimeMs});
    return true;
}

QList<CKeyHoldTracker::stChange> CKeyHoldTracker::Settle()
{
    QList<stChange> lstChanges;
    lstChanges.swap(m_lstWaiting);
    for (const stChange& change : lstChanges)
        m_lstDown.removeAll(change.m_iKey);
    return lstChanges;
}

QList<CKeyHoldTracker::stChange> CKeyHoldTracker::LetGo(qint64 iTimeMs)
{
    QList<stChange> lstChanges = Settle();
    for (int iKey : m_lstDown)
        lstChanges.append({KEY_UP, iKey, iTimeMs});
    m_lstDown.clear();
    return lstChanges;
}

bool CKeyHoldTracker::ReleaseWaiting(int iKey) const
{
    if (iKey == 0)
        return !m_lstWaiting.isEmpty();
    for (const stChange& change : m_lstWaiting) {
        if (change.m_iKey == iKey)
            return true;
    }
    return false;
}

void CKeyHoldTracker::Clear()
{
    m_lstDown.clear();
    m_lstWaiting.clear();
}
