// The yardstick of the start-up benchmark: a bare Qt main window of the
// operator window's size and title, linked to Qt alone. It prints "shown"
// once the X server has exposed it and its first paint is done, then quits.
#include "shownprobe.h"

#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    CShownProbe probe;
    app.installEventFilter(&probe);
    QMainWindow w;
    w.setWindowTitle(QStringLiteral("DIR-ADI Software"));
    w.setFixedSize(1250, 840);
    w.show();
    return QApplication::exec();
}
