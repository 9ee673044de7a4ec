#include "app/mainwindow.h"
#include "core/AppRunner.h"
#include "hal/pinstartup.h"
#include "widgets/qtprompter.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // What drives the pins is settled before the main window sets them up;
    // the note goes to the log as well.
    std::fprintf(stderr, "%s\n", qPrintable(CPinStartup::Select()));
    CQtPrompter prompter;
    CPrompter::SetInstance(&prompter);
    MainWindow w;
    return CAppRunner::Run(w);
}
