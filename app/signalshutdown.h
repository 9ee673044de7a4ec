#pragma once
// SIGTERM (a service stop), SIGINT (Ctrl-C) and SIGHUP (the terminal closed)
// reach the program's event loop instead of killing it on the spot, which
// would leave the spindle, its PWM and every output as they were. The
// handler itself only writes the signal's number into a pipe (all a signal
// handler may safely do); the event loop reads it and emits Received(), on
// whose connection the program stops the machine and closes down as when the
// window is closed.
//
// A second signal of the same kind takes the system's default action (the
// program ends at once): a program that no longer answers can still be ended.
#include <QObject>

#include <csignal>

class QSocketNotifier;

class CSignalShutdown : public QObject
{
    Q_OBJECT
public:
    // Installs the handlers; the previous ones come back with the destructor.
    explicit CSignalShutdown(QObject* pParent = nullptr);
    ~CSignalShutdown() override;

    // False when the pipe could not be made: the signals keep their
    // default action.
    bool IsInstalled() const { return m_pNotifier != nullptr; }
    // The first signal received so far, 0 when none.
    int Signalled() const { return m_iSignalled; }
    // "SIGTERM", "SIGINT", "SIGHUP" or "signal N".
    static QString Name(int iSignal);

signals:
    // A signal arrived (once, for the first one): on the GUI thread.
    void Received(int iSignal);

private:
    void OnReadable();
    static void Handler(int iSignal);

    static constexpr int SIGNAL_COUNT = 3;
    static const int m_aSignals[SIGNAL_COUNT];
    struct sigaction m_aOldActions[SIGNAL_COUNT];
    bool m_abInstalled[SIGNAL_COUNT] = {false, false, false};
    int m_aiPipe[2] = {-1, -1};
    QSocketNotifier* m_pNotifier = nullptr;
    int m_iSignalled = 0;
};
