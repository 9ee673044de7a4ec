#pragma once
// A horizontal value bar with "-" and "+" buttons (the main window's feed
// override, rapid feed override and spindle speed step). Each accepted click
// moves the value by one step within the range and, 100 ms later, emits
// ValueChanged(value) on the GUI thread; clicks closer than 400 ms to the
// last accepted one are ignored, so a bouncing finger counts once.
#include "core/common.h"

#include <QDialog>

#include <functional>

namespace Ui {
class CdlgMyHorizSlideBar;
}
class QPushButton;

class CdlgMyHorizSlideBar : public QDialog
{
    Q_OBJECT

public:
    // With a parent it is a control inside that widget, not a window.
    explicit CdlgMyHorizSlideBar(QWidget* parent = nullptr);
    ~CdlgMyHorizSlideBar() override;

    // x = smallest value, y = greatest value; the greatest value sets the
    // scale (pixels per unit = (length - 90) / greatest).
    void SetSliderRange(stFloatPoint range);
    // Sets the value, held inside the range, and moves the box; emits nothing.
    void setValue(double fValue);
    short GetValue() const { return m_nValue; }

    // Restores the clicked button's look and emits ValueChanged 100 ms after
    // a click, on the bar's own (GUI) thread; safe from any thread.
    static void ResetBtnBkGnd(QObject* pSlideBar);

    // Pure rules of the bar.
    static double ScaleFor(short nLength, const stFloatPoint& range);
    // v as a 16-bit value held inside the range.
    static short Clamp(double fValue, const stFloatPoint& range);
    // One click's value: up or down by nStep, held inside the range.
    static short Step(short nValue, short nStep, bool bUp, const stFloatPoint& range);
    // A click at nowMs is accepted unless one was accepted less than 400 ms
    // before (lastMs < 0: none yet).
    static bool AcceptClick(qint64 iLastMs, qint64 iNowMs);

    static constexpr int CLICK_GAP_MS = 400;
    static constexpr int SIGNAL_DELAY_MS = 100;

    stFloatPoint m_Range;
    double m_fScale = 1.0;
    qint16 m_nPos = 75;
    qint16 m_nValue = 75;
    qint16 m_nLastPos = 75;
    qint16 m_nStep = 5;
    qint16 m_nLength = 240;
    // Monotonic milliseconds for the click gap; tests replace it.
    std::function<qint64()> m_fnNowMs;

signals:
    void ValueChanged(short nValue);

public:
    // Restores the clicked button's look when the value signal arrives (not
    // a slot: there is no "Slider" child for connect-by-name to look for).
    void on_Slider_ValueChanged(short nValue);

public slots:
    void on_Btn_IncreaseValue_clicked();
    void on_Btn_decreaseValue_clicked();

private:
    void Click(bool bUp, QPushButton* pBtn);
    void UpdateControl();

    Ui::CdlgMyHorizSlideBar* ui;
    qint64 m_iLastClickMs = -1;
};
