#include "core/AppRunner.h"
#include "ui/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    MainWindow w;
    return CAppRunner::Run(w);
}
