#pragma once
// Page of the machine settings shown for the SPI I/O board kinds: a table
// with one row per board output in which the operator can note the M-codes
// that switch it on and off. The table is a worksheet on screen only; the
// outputs the G-code program drives come from the settings store's M-code
// pin map.
#include <QDialog>

namespace Ui {
class dlgKivCtrl;
}

class dlgKivCtrl : public QDialog
{
    Q_OBJECT

public:
    explicit dlgKivCtrl(QWidget* parent = nullptr);
    ~dlgKivCtrl() override;

    // Rebuilds the table, empty, for the controller kind in the settings
    // store: a heading row and 16 outputs (board version 2), 24 (version 3)
    // or none (the Pi's own pins).
    void ConfigSettings();

    // Number of board outputs of a controller kind.
    static int OutputCount(int iCtrlKind);

private slots:
    // A double click on an M-code cell edits it with the keypad.
    void on_Table_OutputMCodes_cellDoubleClicked(int row, int column);

private:
    Ui::dlgKivCtrl* ui;
};
