#pragma once
// An embedded window the main window builds only once it is on screen.
//
// The job settings, image carving, shape cutting, user settings and machine
// settings windows are hidden at start; building their forms took half of
// the time before the operator saw anything. The main window builds them
// right after its first paint, before it takes the operator's first key or
// click. Every use goes through get() (or -> and *), which builds them all
// there and then if that has not happened yet, so no caller ever sees a
// window that is not there.
#include <QtGlobal>

#include <functional>
#include <memory>
#include <utility>

template <class T>
class CLateWindow
{
public:
    // fnBuildAll builds every late window of the owner (this one among them).
    explicit CLateWindow(std::function<void()> fnBuildAll) : m_fnBuildAll(std::move(fnBuildAll)) {}

    CLateWindow(const CLateWindow&) = delete;
    CLateWindow& operator=(const CLateWindow&) = delete;

    // The window, built first if it is not yet.
    T* get()
    {
        if (!m_pWnd)
            m_fnBuildAll();
        // Only a window whose construction reached another not yet built
        // could get here empty.
        Q_ASSERT(m_pWnd);
        return m_pWnd.get();
    }
    T* operator->() { return get(); }
    T& operator*() { return *get(); }

    // The window if it is built; never builds it.
    T* Peek() const { return m_pWnd.get(); }

    // Called by the owner's fnBuildAll.
    template <class... Args>
    void Build(Args&&... args)
    {
        m_pWnd = std::make_unique<T>(std::forward<Args>(args)...);
    }

private:
    std::function<void()> m_fnBuildAll;
    std::unique_ptr<T> m_pWnd;
};
