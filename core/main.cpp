#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget w;
    w.setWindowTitle("DIR-ADI Software");
    w.show();
    return app.exec();
}
