#include "app/pendantgrab.h"

#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QWidget>

CPendantGrab::CPendantGrab(QWidget* pOwner, std::function<void(QEvent*)> onEnter, std::function<void()> onRelease)
    : m_pOwner(pOwner)
    , m_OnEnter(std::move(onEnter))
    , m_OnRelease(std::move(onRelease))
{
    // Sees every dialog shown and every key pressed in the program.
    qApp->installEventFilter(this);
}

CPendantGrab::~CPendantGrab()
{
    if (qApp)
        qApp->removeEventFilter(this);
    if (QWidget::keyboardGrabber() == m_pOwner)
        m_pOwner->releaseKeyboard();
}

void CPendantGrab::SetWanted(bool bWanted)
{
    m_bWanted = bWanted;
    Apply();
}

void CPendantGrab::Apply()
{
    const bool bHeld = QWidget::keyboardGrabber() == m_pOwner;
    const bool bHold = m_bWanted && m_lstFileDialogs.isEmpty();
    if (bHold && !bHeld) {
        m_pOwner->grabKeyboard();
    } else if (!bHold && bHeld) {
        m_pOwner->releaseKeyboard();
        if (m_bWanted && m_OnRelease)
            m_OnRelease();
    }
}

bool CPendantGrab::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::Show:
        if (qobject_cast<QFileDialog*>(pWatched)) {
            m_lstFileDialogs.insert(pWatched);
            Apply();
        }
        break;
    case QEvent::Hide:
        if (m_lstFileDialogs.remove(pWatched))
            Apply();
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Only the keypad Enter, the emergency stop, and only while the
        // pendant wants the keyboard but another window has it: with the
        // grab held the key reaches the owner by itself. Its release goes
        // along, so the pendant never takes Enter for a key still held.
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if (pKey->key() == Qt::Key_Enter && m_bWanted && pWatched != m_pOwner
            && QWidget::keyboardGrabber() != m_pOwner && pWatched->isWidgetType()) {
            if (m_OnEnter)
                m_OnEnter(pEvent);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(pWatched, pEvent);
}
