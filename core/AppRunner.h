#pragma once

class QWidget;

// Shows the program's main window and runs the event loop. Anything thrown
// out of the loop is caught here and shown in a warning box, after which the
// program closes down normally.
class CAppRunner
{
public:
    CAppRunner() = delete;
    // The event loop's exit code, or 0 after an escaped exception.
    static int Run(QWidget& mainWindow);
};
