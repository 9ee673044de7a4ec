#pragma once
// A small fixed-size box with the version and a contact line.
#include <QDialog>

namespace Ui {
class CDlgAbout;
}

class CDlgAbout : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgAbout(QWidget* parent = nullptr);
    ~CDlgAbout() override;

private:
    Ui::CDlgAbout* ui;
};
