#include "core/AppRunner.h"

#include "core/Prompter.h"

#include <QApplication>
#include <QWidget>

int CAppRunner::Run(QWidget& mainWindow)
{
    try {
        mainWindow.show();
        return QApplication::exec();
    } catch (...) {
        CPrompter::Instance().Warning(nullptr, QStringLiteral("error here"), QStringLiteral("something screwed up"));
    }
    return 0;
}
