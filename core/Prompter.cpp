#include "core/Prompter.h"

#include "ui/dlgkeypad.h"

#include <QFileDialog>

namespace {
CPrompter g_DefaultPrompter;
CPrompter* g_pPrompter = nullptr;
}

QMessageBox::StandardButton CPrompter::Question(QWidget* parent, const QString& title, const QString& text,
                                                QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton)
{
    return QMessageBox::question(parent, title, text, buttons, defaultButton);
}

void CPrompter::Information(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::information(parent, title, text);
}

void CPrompter::Warning(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent, title, text);
}

void CPrompter::Critical(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::critical(parent, title, text);
}

void CPrompter::Critical(QWidget* parent, const QString& title, const QString& text,
                         QMessageBox::StandardButtons buttons)
{
    QMessageBox::critical(parent, title, text, buttons);
}

QString CPrompter::OpenFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter, nullptr, QFileDialog::DontUseNativeDialog);
}

QString CPrompter::SaveFileName(QWidget* parent, const QString& caption, const QString& dir, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr, QFileDialog::DontUseNativeDialog);
}

bool CPrompter::Keypad(QWidget*, const QString& title, QString& value, bool bEnableSign, bool bEnableDecimal)
{
    // A top-level window of its own, as the operator's screen expects.
    CDlgKeyPad keypad(nullptr);
    keypad.SetCurValue(value);
    keypad.setWindowTitle(title);
    if (bEnableSign)
        keypad.EnableSign();
    if (!bEnableDecimal)
        keypad.DisableDecimal();
    keypad.exec();
    if (keypad.m_bCancelled)
        return false;
    value = keypad.m_strCurValue;
    return true;
}

CPrompter& CPrompter::Instance()
{
    return g_pPrompter ? *g_pPrompter : g_DefaultPrompter;
}

void CPrompter::SetInstance(CPrompter* prompter)
{
    g_pPrompter = prompter;
}
