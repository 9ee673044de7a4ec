#pragma once
// Reading the font configuration (fontconfig's settings files and font
// caches) takes some 6 ms, and the window needs it before it can lay out its
// first text. Started before the application connects to the display, it is
// read on another core meanwhile; by the time the first form is built it is
// there. Nothing else is done on that thread, and fontconfig reads its
// configuration once, whichever thread asks first.
#include <thread>

class CFontConfigWarmUp
{
public:
    // Starts reading the font configuration.
    CFontConfigWarmUp();
    // Waits for it (Wait).
    ~CFontConfigWarmUp();

    CFontConfigWarmUp(const CFontConfigWarmUp&) = delete;
    CFontConfigWarmUp& operator=(const CFontConfigWarmUp&) = delete;

    // Waits until the configuration is read; true when it could be.
    bool Wait();

private:
    // Before the thread: it is set by the thread, once started.
    bool m_bRead = false;
    std::thread m_Thread;
};
