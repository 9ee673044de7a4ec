#include "core/Prompter.h"
#include "ui/mainwindow.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    MainWindow w;
    try {
        w.show();
        return app.exec();
    } catch (...) {
        // Whatever escaped the event loop: tell the operator, then close down.
        CPrompter::Instance().Warning(nullptr, QStringLiteral("error here"), QStringLiteral("something screwed up"));
    }
    return 0;
}
