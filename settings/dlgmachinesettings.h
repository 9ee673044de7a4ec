#pragma once
// The machine settings panel, embedded in the main window: motor parameters,
// travel limits and motor directions, controller kind with its pin-out or SPI
// board page, home switches, PWM spindle, keyboard pendant and the settings
// lock. Every change goes straight into the settings store and, where it
// alters motion, into the axis step generators; the main window's Save
// Settings button writes the settings file.
#include "core/common.h"

#include <QDialog>

namespace Ui {
class CDlgMachineSettings;
}

class CDlgMachineSettings : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgMachineSettings(QWidget* parent = nullptr);
    ~CDlgMachineSettings() override;

    // Fills every control from the settings store (once, at start-up).
    void ConfigSettings();

private:
    Ui::CDlgMachineSettings* ui;
};
