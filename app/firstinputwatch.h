#pragma once
// Watches the whole application for the operator's first key, click, wheel
// turn, touch or pen press, calls a function once just before that event is
// handled, and stops watching. The main window builds its late windows this
// way when the operator is quicker than its first paint.
#include <QObject>

#include <functional>

class CFirstInputWatch : public QObject
{
public:
    explicit CFirstInputWatch(std::function<void()> fnFirstInput, QObject* parent = nullptr);
    ~CFirstInputWatch() override;

    // Whether an event is the operator's doing.
    static bool IsOperatorInput(const QEvent* pEvent);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    std::function<void()> m_fnFirstInput;
};
