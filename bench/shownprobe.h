#pragma once
// Shared by the start-up benchmark and its yardstick (bare_window): prints
// "shown" once the first window has been exposed and painted, then quits.
// Installed on the application, it sees the expose of every window.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWindow>
#include <cstdio>

class CShownProbe : public QObject
{
public:
    bool eventFilter(QObject* pObj, QEvent* pEvent) override
    {
        auto* pWindow = qobject_cast<QWindow*>(pObj);
        if (pEvent->type() == QEvent::Expose && pWindow && pWindow->isExposed() && !m_bSeen) {
            m_bSeen = true;
            // The expose's paint is done when the event loop comes back.
            QTimer::singleShot(0, qApp, []() {
                std::printf("shown\n");
                std::fflush(stdout);
                QApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_bSeen = false;
};
