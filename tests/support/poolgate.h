#pragma once
// Qt's global thread pool as it is on a one-core Pi: one thread, and that
// thread held by a long task until the test lets it go. Work that must not
// wait behind long jobs (the controller's status saves) or must not hold
// the global pool (the long jobs themselves) is tested against it.
//
//   CGlobalPoolGate gate;  // the pool's only thread is taken
//   ...                    // a run, a load, a check
//   gate.Release();        // or at the end of the scope
#include <QFuture>
#include <QSemaphore>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

class CGlobalPoolGate
{
public:
    CGlobalPoolGate() : m_iThreads(QThreadPool::globalInstance()->maxThreadCount())
    {
        QThreadPool* pool = QThreadPool::globalInstance();
        pool->setMaxThreadCount(1);
        m_Task = QtConcurrent::run(pool, [this]() {
            m_Started.release();
            m_Gate.acquire();
        });
        // Whatever was running before has ended: the one thread is the gate's.
        m_Started.acquire();
    }
    ~CGlobalPoolGate()
    {
        Release();
        m_Task.waitForFinished();
        QThreadPool::globalInstance()->waitForDone();
        QThreadPool::globalInstance()->setMaxThreadCount(m_iThreads);
    }
    CGlobalPoolGate(const CGlobalPoolGate&) = delete;
    CGlobalPoolGate& operator=(const CGlobalPoolGate&) = delete;

    // The long task ends; what queued behind it runs.
    void Release()
    {
        if (!m_bReleased) {
            m_bReleased = true;
            m_Gate.release();
        }
    }

private:
    int m_iThreads;
    QSemaphore m_Started;
    QSemaphore m_Gate;
    QFuture<void> m_Task;
    bool m_bReleased = false;
};
