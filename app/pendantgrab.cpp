#include "app/pendantgrab.h"

#include <QApplication>
#include <QDialog>
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

QWidget* CPendantGrab::TopDialog() const
{
    // A dialog window run modally blocks every other window: it is on top.
    if (QWidget* pModal = QApplication::activeModalWidget())
        return pModal;
    // Qt counts no panel inside a window as modal, though a panel run by
    // exec() holds its designer until it closes.
    for (int i = m_lstPanels.size() - 1; i >= 0; --i) {
        QWidget* pPanel = m_lstPanels[i];
        if (pPanel && pPanel->isVisible() && pPanel->isModal())
            return pPanel;
    }
    return nullptr;
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
        // A dialog inside a window: a panel, modal once run by exec() (which
        // may come after it is shown).
        if (qobject_cast<QDialog*>(pWatched) && !static_cast<QWidget*>(pWatched)->isWindow()) {
            m_lstPanels.removeAll(nullptr);
            m_lstPanels.removeAll(static_cast<QWidget*>(pWatched));
            m_lstPanels.append(static_cast<QWidget*>(pWatched));
        }
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
        if (PassEscape(pWatched, pEvent))
            return true;
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

bool CPendantGrab::PassEscape(QObject* pWatched, QEvent* pEvent)
{
    auto* pKey = static_cast<QKeyEvent*>(pEvent);
    if (pKey->key() != Qt::Key_Escape || !pWatched->isWidgetType() || m_bPassing)
        return false;
    // The release of an Escape that closed a dialog comes after it: it is
    // that dialog's too.
    if (pEvent->type() == QEvent::KeyRelease && m_bEscapeGone) {
        m_bEscapeGone = pKey->isAutoRepeat();
        return true;
    }
    // A list that drops down is above every dialog; a dialog's own keys are
    // left alone, and with no dialog open Escape is nobody's.
    QWidget* pTop = QApplication::activePopupWidget();
    if (!pTop)
        pTop = TopDialog();
    for (QWidget* pTo = static_cast<QWidget*>(pWatched); pTop && pTo; pTo = pTo->parentWidget()) {
        if (pTo == pTop)
            return false;
    }
    if (!pTop)
        return false;
    // The dialog takes Escape as its own Cancel (a question as its escape
    // button, a list as closing it).
    m_bPassing = true;
    QKeyEvent escape(pKey->type(), pKey->key(), pKey->modifiers(), pKey->text(), pKey->isAutoRepeat());
    QCoreApplication::sendEvent(pTop, &escape);
    m_bPassing = false;
    m_bEscapeGone = pEvent->type() == QEvent::KeyPress;
    return true;
}
