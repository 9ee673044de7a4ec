#pragma once
#include <QMessageBox>
#include <QString>

class QWidget;

// Every question, message box and file dialog of the program goes through the
// current prompter, so tests can answer them without a person. The default
// prompter shows Qt's own dialogs (not the platform's).
class CPrompter
{
public:
    virtual ~CPrompter() = default;

    // A question with the given buttons, in a box of the given kind: its
    // icon tells the operator how much hangs on the answer (Question,
    // Information, Warning or Critical). The answer, or defaultButton when
    // the box is closed without one.
    virtual QMessageBox::StandardButton Question(QWidget* parent, QMessageBox::Icon eKind, const QString& title,
                                                 const QString& text, QMessageBox::StandardButtons buttons,
                                                 QMessageBox::StandardButton defaultButton);
    virtual void Information(QWidget* parent, const QString& title, const QString& text);
    virtual void Warning(QWidget* parent, const QString& title, const QString& text);
    virtual void Critical(QWidget* parent, const QString& title, const QString& text);
    // A critical box with the given buttons (such as a lone Abort).
    virtual void Critical(QWidget* parent, const QString& title, const QString& text,
                          QMessageBox::StandardButtons buttons);
    // Empty when the operator cancels.
    virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter);
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter);

    // The numeric keypad, modal, titled title and opened on the text value;
    // bEnableSign enables its minus key, bEnableDecimal its decimal point.
    // True when closed with OK: value is then the typed entry (unchanged when
    // the entry was empty). False when cancelled or closed by its frame:
    // value is unchanged. The base prompter has no keypad (it lies in the
    // widgets above this layer) and answers false; CQtPrompter shows it.
    virtual bool Keypad(QWidget* parent, const QString& title, QString& value, bool bEnableSign,
                        bool bEnableDecimal);

    // The prompter in use; never null.
    static CPrompter& Instance();
    // Installs a replacement (tests); null restores the default. Not owned.
    static void SetInstance(CPrompter* prompter);
};
