#pragma once
// Pin picker: a drawing of the Raspberry Pi's 40-pin header on which the
// operator presses the GPIO pin to use for a function, or "Not Used". The
// choice is left in m_nSelectedPin for the caller to read after exec().
#include <QDialog>

namespace Ui {
class CDlgIO;
}

class CDlgIO : public QDialog
{
    Q_OBJECT

public:
    // The choice "Not Used", also what a picker closed by its frame reports.
    static constexpr quint16 PIN_NOT_USED = 0xFFFF;

    explicit CDlgIO(QWidget* parent = nullptr);
    ~CDlgIO() override;

    // Hides "Not Used": the operator must pick a pin.
    void Init();
    // Offers "Not Used" again.
    void ShowNotUsedBtn();
    // Marks the button of a pin (blue, as a selected item) so that the
    // operator sees where it sits on the header; nothing for a pin without
    // a button.
    void MarkPin(quint16 nPin);
    // Whether a pin may serve as an input: GPIO 9 and above except 15.
    static bool IsInputPin(unsigned short pin);

    // BCM number of the pin chosen last, or PIN_NOT_USED.
    quint16 m_nSelectedPin = PIN_NOT_USED;
    // A pin button closes the picker once it has recorded its pin.
    bool m_bHideOnSelect = true;

    // Closing the picker by its frame (or Escape) chooses nothing: the
    // caller reads PIN_NOT_USED, never an earlier choice.
    void reject() override;

private slots:
    void on_Btn_IoNotUsed_clicked();
    void on_Btn_RpiGPIO_2_clicked();
    void on_Btn_RpiGPIO_3_clicked();
    void on_Btn_RpiGPIO_4_clicked();
    void on_Btn_RpiGPIO_5_clicked();
    void on_Btn_RpiGPIO_6_clicked();
    void on_Btn_RpiGPIO_7_clicked();
    void on_Btn_RpiGPIO_8_clicked();
    void on_Btn_RpiGPIO_9_clicked();
    void on_Btn_RpiGPIO_10_clicked();
    void on_Btn_RpiGPIO_11_clicked();
    void on_Btn_RpiGPIO_12_clicked();
    void on_Btn_RpiGPIO_13_clicked();
    void on_Btn_RpiGPIO_16_clicked();
    void on_Btn_RpiGPIO_17_clicked();
    void on_Btn_RpiGPIO_18_clicked();
    void on_Btn_RpiGPIO_19_clicked();
    void on_Btn_RpiGPIO_20_clicked();
    void on_Btn_RpiGPIO_21_clicked();
    void on_Btn_RpiGPIO_22_clicked();
    void on_Btn_RpiGPIO_23_clicked();
    void on_Btn_RpiGPIO_24_clicked();
    void on_Btn_RpiGPIO_25_clicked();
    void on_Btn_RpiGPIO_26_clicked();
    void on_Btn_RpiGPIO_27_clicked();

private:
    void SelectPin(quint16 nPin);

    Ui::CDlgIO* ui;
};

Q_DECLARE_METATYPE(CDlgIO*)
