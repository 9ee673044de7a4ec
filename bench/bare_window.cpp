// The yardstick of the start-up benchmark: a bare Qt main window of the
// operator window's size and title, linked to Qt alone. It prints "shown"
// once the X server has exposed it and its first paint is done, then quits.
#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace {
class CShownProbe : public QObject
{
public:
    bool eventFilter(QObject* pObj, QEvent* pEvent) override
    {
        auto* pWindow = qobject_cast<QWindow*>(pObj);
        if (pEvent->type() == QEvent::Expose && pWindow && pWindow->isExposed() && !m_bSeen) {
            m_bSeen = true;
            // The paint of the expose is done when the event loop comes back.
            QTimer::singleShot(0, qApp, []() {
                std::printf("shown\n");
                std::fflush(stdout);
                QApplication::quit();
            });
        }
        return false;
    }
    bool m_bSeen = false;
};
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("DIR-ADI Software"));
    w.setFixedSize(1250, 840);
    CShownProbe probe;
    w.winId();
    w.windowHandle()->installEventFilter(&probe);
    w.show();
    return QApplication::exec();
}
