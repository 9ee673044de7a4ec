#include "app/fontconfigwarmup.h"
#include "app/mainwindow.h"
#include "app/signalshutdown.h"
#include "core/AppRunner.h"
#include "hal/pinstartup.h"
#include "widgets/qtprompter.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    // The font configuration is read on another core while the application
    // connects to the display.
    CFontConfigWarmUp fontConfig;
    QApplication app(argc, argv);
    // Without it Qt reads the configuration itself when it first needs it.
    if (!fontConfig.Wait())
        std::fprintf(stderr, "Fonts: the font configuration could not be read at start\n");
    // What drives the pins is settled before the main window sets them up;
    // the note goes to the log as well.
    std::fprintf(stderr, "%s\n", qPrintable(CPinStartup::Select()));
    CQtPrompter prompter;
    CPrompter::SetInstance(&prompter);
    // From here a service stop, Ctrl-C or a closed terminal ends the program
    // as closing the window does: the machine stopped, the spindle, its PWM
    // and the outputs off.
    CSignalShutdown signalShutdown;
    MainWindow w;
    QObject::connect(&signalShutdown, &CSignalShutdown::Received, &w, &MainWindow::CloseDownBySignal);
    // A signal while the window was being set up: it closes down at once.
    if (signalShutdown.Signalled() != 0)
        return 0;
    return CAppRunner::Run(w);
}
