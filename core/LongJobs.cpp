#include "core/LongJobs.h"

#include <QThread>
#include <algorithm>

QThreadPool* CLongJobs::Pool()
{
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setObjectName(QStringLiteral("long jobs"));
        p->setMaxThreadCount(std::max(MIN_THREADS, QThread::idealThreadCount()));
        return p;
    }();
    return pool;
}
