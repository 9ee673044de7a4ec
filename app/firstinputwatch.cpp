#include "app/firstinputwatch.h"

#include <QCoreApplication>
#include <QEvent>

CFirstInputWatch::CFirstInputWatch(std::function<void()> fnFirstInput, QObject* parent)
    : QObject(parent), m_fnFirstInput(std::move(fnFirstInput))
{
    if (QCoreApplication* pApp = QCoreApplication::instance())
        pApp->installEventFilter(this);
}

CFirstInputWatch::~CFirstInputWatch()
{
    if (QCoreApplication* pApp = QCoreApplication::instance())
        pApp->removeEventFilter(this);
}

bool CFirstInputWatch::IsOperatorInput(const QEvent* pEvent)
{
    switch (pEvent->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

bool CFirstInputWatch::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (m_fnFirstInput && IsOperatorInput(pEvent)) {
        if (QCoreApplication* pApp = QCoreApplication::instance())
            pApp->removeEventFilter(this);
        // Called once, even if it ends this watch.
        const std::function<void()> fn = std::move(m_fnFirstInput);
        m_fnFirstInput = nullptr;
        fn();
    }
    return QObject::eventFilter(pWatched, pEvent);
}
