#include "app/signalshutdown.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The pipe's end the handler writes to; -1 while no handler is installed.
volatile sig_atomic_t g_iWriteFd = -1;
} // namespace

const int CSignalShutdown::m_aSignals[SIGNAL_COUNT] = {SIGTERM, SIGINT, SIGHUP};

CSignalShutdown::CSignalShutdown(QObject* pParent)
    : QObject(pParent)
{
    if (g_iWriteFd >= 0 || ::pipe2(m_aiPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_aiPipe[0] = m_aiPipe[1] = -1;
        return; // one at a time; without a pipe the defaults stay
    }
    g_iWriteFd = m_aiPipe[1];
    m_pNotifier = new QSocketNotifier(m_aiPipe[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CSignalShutdown::OnReadable);

    struct sigaction action = {};
    action.sa_handler = &CSignalShutdown::Handler;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: the next signal of the kind ends the program at once.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int i = 0; i < SIGNAL_COUNT; ++i)
        m_abInstalled[i] = ::sigaction(m_aSignals[i], &action, &m_aOldActions[i]) == 0;
}

CSignalShutdown::~CSignalShutdown()
{
    for (int i = 0; i < SIGNAL_COUNT; ++i) {
        if (m_abInstalled[i])
            ::sigaction(m_aSignals[i], &m_aOldActions[i], nullptr);
    }
    if (m_aiPipe[1] >= 0) {
        g_iWriteFd = -1;
        delete m_pNotifier;
        m_pNotifier = nullptr;
        ::close(m_aiPipe[0]);
        ::close(m_aiPipe[1]);
    }
}

void CSignalShutdown::Handler(int iSignal)
{
    // write() is async-signal-safe; errno is the interrupted code's.
    const int iSavedErrno = errno;
    const int iFd = g_iWriteFd;
    if (iFd >= 0) {
        const unsigned char cSignal = static_cast<unsigned char>(iSignal);
        [[maybe_unused]] const ssize_t n = ::write(iFd, &cSignal, 1);
    }
    errno = iSavedErrno;
}

void CSignalShutdown::OnReadable()
{
    unsigned char acBuf[16];
    int iFirst = 0;
    ssize_t n = 0;
    while ((n = ::read(m_aiPipe[0], acBuf, sizeof acBuf)) > 0) {
        if (iFirst == 0)
            iFirst = acBuf[0];
    }
    if (iFirst == 0 || m_iSignalled != 0)
        return;
    m_iSignalled = iFirst;
    std::fprintf(stderr, "%s received: stopping the machine and closing down\n", qPrintable(Name(iFirst)));
    emit Received(iFirst);
}

QString CSignalShutdown::Name(int iSignal)
{
    switch (iSignal) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(iSignal);
    }
}
