#pragma once
// The on-screen numeric keypad: digits, decimal point, an optional sign key,
// delete-last and clear, OK and Cancel. The caller sets the starting text
// (SetCurValue), runs it modally and then reads m_strCurValue and
// m_bCancelled. Windows normally reach it through CMainServices::OpenKeypad
// or the prompter (core/Prompter.h), so tests can answer it.
#include <QDialog>
#include <QString>

namespace Ui {
class CDlgKeyPad;
}

class CDlgKeyPad : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgKeyPad(QWidget* parent = nullptr);
    ~CDlgKeyPad() override;

    // Enables the sign key (disabled from construction).
    void EnableSign();
    // Disables the decimal-point key (whole numbers only).
    void DisableDecimal();
    // The starting text: shown, and given back on Cancel or on OK with an
    // empty entry.
    void SetCurValue(QString strValue);

    QString m_strOrgValue;
    // The text being typed; always the text shown in LE_NewValue. After
    // exec(): the entry on OK (the starting text when it was empty), the
    // starting text when cancelled.
    QString m_strCurValue;
    // True from construction and after Cancel or a close by the window frame;
    // false after OK.
    bool m_bCancelled = true;

public slots:
    // Cancel, Escape and a close by the window frame: cancelled, the starting
    // text given back.
    void reject() override;

private slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void on_pushButton_4_clicked();
    void on_pushButton_5_clicked();
    void on_pushButton_6_clicked();
    void on_pushButton_7_clicked();
    void on_pushButton_8_clicked();
    void on_pushButton_9_clicked();
    void on_pushButton_10_clicked();
    void on_pushButton_11_clicked();
    void on_pushButton_12_clicked();
    void on_pushButton_13_clicked();
    void on_pushButton_14_clicked();
    void on_pushButton_15_clicked();
    void on_pushButton_Sign_clicked();

private:
    void Append(QChar c);
    void ShowValue();

    Ui::CDlgKeyPad* ui;
};
