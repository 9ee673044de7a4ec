#include "settings/dlgmachinesettings.h"
#include "ui_dlgmachinesettings.h"

CDlgMachineSettings::CDlgMachineSettings(QWidget* parent)
    : QDialog(parent), ui(new Ui::CDlgMachineSettings)
{
    ui->setupUi(this);
}

CDlgMachineSettings::~CDlgMachineSettings()
{
    delete ui;
}

void CDlgMachineSettings::ConfigSettings()
{
}
