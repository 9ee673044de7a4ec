#pragma once
// Read-only page of the machine settings showing how the Raspberry Pi's
// 40-pin header is wired for the Pi controller kinds: each pin as a disc
// coloured by its role with its BCM number, and a legend of the axes, inputs
// and outputs. The numbers are the form's fixed texts (the pin map the
// settings store installs); only the A and B axis pins, which are M-code
// outputs on three-axis machines, change colour with the controller kind.
// A click on a pin opens the pin picker with that pin marked on the header;
// the pin picked there is looked up, and its header position and roles go
// to the log.
#include <QDialog>

namespace Ui {
class dlgRpiController;
}

class dlgRpiController : public QDialog
{
    Q_OBJECT

public:
    explicit dlgRpiController(QWidget* parent = nullptr);
    ~dlgRpiController() override;

    // Colours the pins for the controller kind in the settings store; an SPI
    // board kind leaves the page as it is.
    void ConfigSettings();

    // Style sheet of a pin disc of the given background colour.
    static QString DiscStyle(int r, int g, int b);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // The pin picker with the pin clicked marked; reports the pin picked.
    void PickPin(int iGpio);

    Ui::dlgRpiController* ui;
};
