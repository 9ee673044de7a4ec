#pragma once
// Stands in for the G-code window in the G-code tests: it has the window's
// load and check signals and counts them on its own (the test's) thread, the
// way the window's slots receive them queued from a pool task. A test that
// includes it also includes "moc_gcodestandin.cpp" at its end.
#include <QObject>
#include <QStringList>

class CGCodeSignals : public QObject
{
    Q_OBJECT
public:
    CGCodeSignals()
    {
        // The context object is this one, so a signal emitted on a pool
        // thread is counted here, queued, like a slot of the window.
        connect(this, &CGCodeSignals::GCodeLoadComplete, this, [this] { ++m_iLoadComplete; });
        connect(this, &CGCodeSignals::GCodeLoadFailed, this, [this](const QString& msg) { m_lstLoadFailed << msg; });
        connect(this, &CGCodeSignals::GCodeCompilationComplete, this, [this] { ++m_iCompilationComplete; });
    }

    int m_iLoadComplete = 0;
    int m_iCompilationComplete = 0;
    QStringList m_lstLoadFailed;

signals:
    void GCodeLoadComplete();
    void GCodeLoadFailed(QString strMsg);
    void GCodeCompilationComplete();
};
