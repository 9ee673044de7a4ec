#pragma once
#include <QMainWindow>

// The operator's main window: fixed 1250 x 840, titled "DIR-ADI Software".
// Building it loads the settings file; a file that cannot be loaded is
// reported and the program carries on with the settings in memory.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;
};
