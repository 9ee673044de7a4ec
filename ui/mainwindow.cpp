#include "ui/mainwindow.h"

#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/Prompter.h"

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("DIR-ADI Software"));
    setFixedSize(1250, 840);

    // The settings, tool-change and status files live in the working folder;
    // a fresh installation does not have it yet.
    if (!CAppPaths::EnsureWorkingFolder())
        qWarning("Unable to create the working folder %s", qPrintable(CAppPaths::WorkingFolder()));
    if (AppConfig::LoadConfig(CAppPaths::ConfigFile()) == 0) {
        CPrompter::Instance().Information(
            nullptr, QStringLiteral("Error"),
            QStringLiteral("Old DIR_ADI.dat file. Please take note of your settings and\n"
                           "delete DIR_ADI.dat file in /home/diradi/DIR_ADI folder."));
    }
}

MainWindow::~MainWindow() = default;
