#pragma once
// The jog panel: X-Y in eight compass directions, Z up and down, A and B both
// ways. Pressing a button starts a continuous jog of its axes at their jog
// feed; releasing it lets them decelerate. Each button stops only the axes it
// started, so two buttons held at once each stop their own jog. A press is
// refused (and logged) under the emergency stop, while an operation runs
// (except the tool-change pause, when the operator moves the machine by
// hand) and while its axis still moves.
#include "core/common.h"

#include <QDialog>
#include <QHash>
#include <QList>

namespace Ui {
class CDlgManual;
}
class AppControl;
class QPushButton;

class CDlgManual : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgManual(QWidget* parent = nullptr);
    ~CDlgManual() override;

    // Enables the A and B buttons on a five-axis machine.
    void ConfigSettings();

    // One jog request of a button: the axis and its direction.
    struct stJog
    {
        eAxis m_eAxis;
        bool m_bPositive;
    };
    // The requests of a button, in the order they are made (empty for an
    // unknown name).
    static QList<stJog> JogsOf(const QString& strButton);
    // True when the controller lets the operator jog now: no operation, or
    // a G-code run paused (the tool-change pause).
    static bool JogAllowed(const AppControl& ctrl);

    // Some jog started by a press has not been released yet.
    bool m_bJogActive = false;

private slots:
    void on_Btn_JogNorth_pressed();
    void on_Btn_JogNorth_released();
    void on_Btn_JogNorthEast_pressed();
    void on_Btn_JogNorthEast_released();
    void on_Btn_JogEast_pressed();
    void on_Btn_JogEast_released();
    void on_Btn_JogSouthEast_pressed();
    void on_Btn_JogSouthEast_released();
    void on_Btn_JogSouth_pressed();
    void on_Btn_JogSouth_released();
    void on_Btn_JogSouthWest_pressed();
    void on_Btn_JogSouthWest_released();
    void on_Btn_JogWest_pressed();
    void on_Btn_JogWest_released();
    void on_Btn_JogNorthWest_pressed();
    void on_Btn_JogNorthWest_released();
    void on_Btn_JogZUp_pressed();
    void on_Btn_JogZUp_released();
    void on_Btn_JogZDown_pressed();
    void on_Btn_JogZDown_released();
    void on_Btn_JogCW_A_pressed();
    void on_Btn_JogCW_A_released();
    void on_Btn_JogACW_A_pressed();
    void on_Btn_JogACW_A_released();
    void on_Btn_JogCW_B_pressed();
    void on_Btn_JogCW_B_released();
    void on_Btn_JogACW_B_pressed();
    void on_Btn_JogACW_B_released();

private:
    void JogPressed(QPushButton* pBtn);
    void JogReleased(QPushButton* pBtn);

    Ui::CDlgManual* ui;
    // Per held button, the axes whose jog it started (the release stops
    // exactly those).
    QHash<QPushButton*, QList<eAxis>> m_lstActiveJogs;
};
