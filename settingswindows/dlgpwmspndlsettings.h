#pragma once
// The small modal page on which the operator sets up spindle speed by
// hardware PWM: PWM control on or off (starting or stopping the PWM output),
// the lowest and highest PWM frequency, and the wait after a speed change.
// Changes go straight into the settings store; new limits take effect the
// next time the spindle frequency is set and at the next PWM start.
//
// A spindle drive whose speed is not set by PWM takes its speeds from its
// own table: the Speed Table button opens the spindle speed table then.
//
// The machine settings open it with themselves as parent, so that a PWM
// start that fails can be told in the main window's log.
#include "core/common.h"

#include <QDialog>

namespace Ui {
class CDlgPwmSpndlSettings;
}
class QPushButton;

class CDlgPwmSpndlSettings : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgPwmSpndlSettings(QWidget* parent = nullptr);
    ~CDlgPwmSpndlSettings() override;

    // The page's own whole-number keypad: blue while open, no decimal point;
    // the entry (the value unchanged when cancelled or not a number) is
    // clamped silently to the range and shown with its unit.
    unsigned short OpenKeypad(QPushButton* pBtn, QString strTitle, QString strUnit, QString strValue,
                              stFloatPoint range);

private slots:
    void on_Btn_PwmMinFreq_clicked();
    void on_Btn_PwmMaxFreq_clicked();
    void on_Btn_EnlSpndlPwm_clicked();
    void on_Btn_Ok_clicked();
    void on_Btn_SpndlTimeDelay_clicked();
    void on_Btn_SpindleSpeedTable_clicked();

private:
    void ReportPwmFailure(const QString& strWhy);
    // The controls that follow PWM control on or off.
    void ShowPwmState();

    Ui::CDlgPwmSpndlSettings* ui;
};
