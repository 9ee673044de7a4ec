#include "core/Prompter.h"

#include <QAbstractButton>
#include <QFileDialog>

namespace {
CPrompter g_DefaultPrompter;
CPrompter* g_pPrompter = nullptr;
}

QMessageBox::StandardButton CPrompter::Question(QWidget* parent, QMessageBox::Icon eKind, const QString& title,
                                                const QString& text, QMessageBox::StandardButtons buttons,
                                                QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(eKind, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    box.exec();
    // Escape answers with the box's escape button (No, Cancel, Abort).
    QAbstractButton* pClicked = box.clickedButton();
    return pClicked ? box.standardButton(pClicked) : defaultButton;
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

bool CPrompter::Keypad(QWidget*, const QString&, QString&, bool, bool)
{
    // The keypad is a window of the widgets above this layer; the program
    // installs CQtPrompter, which shows it.
    return false;
}

CPrompter& CPrompter::Instance()
{
    return g_pPrompter ? *g_pPrompter : g_DefaultPrompter;
}

void CPrompter::SetInstance(CPrompter* prompter)
{
    g_pPrompter = prompter;
}
