#pragma once
// The spindle speed table of a spindle drive (VFD): sixteen speeds S0 to S15
// in rpm and the wait after a speed change. Entries go straight into the
// settings store, cut to whole numbers and kept inside their 16-bit fields.
#include <QDialog>

namespace Ui {
class CdlgSpindleSpeedSettings;
}
class QPushButton;

class CdlgSpindleSpeedSettings : public QDialog
{
    Q_OBJECT

public:
    explicit CdlgSpindleSpeedSettings(QWidget* parent = nullptr);
    ~CdlgSpindleSpeedSettings() override;

    // Shows the sixteen speeds and the wait time.
    void ConfigSettings();

    // The page's keypad: blue while open, the decimal point only when
    // bDecimals; the entry (the value unchanged when cancelled or not a
    // number) is shown with up to six significant digits and the unit.
    double OpenKeypad(QPushButton* pBtn, QString strTitle, QString strUnit, QString strValue, bool bDecimals);

private slots:
    void on_Btn_Speed_0_clicked();
    void on_Btn_Speed_1_clicked();
    void on_Btn_Speed_2_clicked();
    void on_Btn_Speed_3_clicked();
    void on_Btn_Speed_4_clicked();
    void on_Btn_Speed_5_clicked();
    void on_Btn_Speed_6_clicked();
    void on_Btn_Speed_7_clicked();
    void on_Btn_Speed_8_clicked();
    void on_Btn_Speed_9_clicked();
    void on_Btn_Speed_10_clicked();
    void on_Btn_Speed_11_clicked();
    void on_Btn_Speed_12_clicked();
    void on_Btn_Speed_13_clicked();
    void on_Btn_Speed_14_clicked();
    void on_Btn_Speed_15_clicked();
    void on_Btn_Ok_clicked();
    void on_Btn_SpeedSetWaitTime_clicked();

private:
    void EditSpeed(int n);
    QPushButton* SpeedButton(int n) const;

    Ui::CdlgSpindleSpeedSettings* ui;
};
