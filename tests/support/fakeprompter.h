#pragma once
// A prompter that answers for the operator and records what it was asked.
// It installs itself for its lifetime.
#include "core/Prompter.h"

#include <QList>
#include <QStringList>

class CFakePrompter : public CPrompter
{
public:
    struct stPrompt
    {
        QString m_strKind; // "Question", "Information", "Warning", "Critical", "OpenFileName", "SaveFileName", "Keypad"
        QString m_strTitle;
        QString m_strText;
        // The box kind of a question (its icon); NoIcon for the others.
        QMessageBox::Icon m_eIcon = QMessageBox::NoIcon;
    };

    CFakePrompter();
    ~CFakePrompter() override;

    QMessageBox::StandardButton Question(QWidget* parent, QMessageBox::Icon eKind, const QString& title,
                                         const QString& text, QMessageBox::StandardButtons buttons,
                                         QMessageBox::StandardButton defaultButton) override;
    void Information(QWidget* parent, const QString& title, const QString& text) override;
    void Warning(QWidget* parent, const QString& title, const QString& text) override;
    void Critical(QWidget* parent, const QString& title, const QString& text) override;
    void Critical(QWidget* parent, const QString& title, const QString& text,
                  QMessageBox::StandardButtons buttons) override;
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;

    // The keypad: each entry of m_lstKeypadEntries is what the operator types
    // (replacing the value shown) before pressing OK; KeypadCancel presses
    // Cancel instead. When they run out the keypad is cancelled. Recorded as
    // kind "Keypad", the title, and the value it was opened with as text.
    bool Keypad(QWidget* parent, const QString& title, QString& value, bool bEnableSign,
                bool bEnableDecimal) override;
    static inline const QString KeypadCancel = QStringLiteral("\x1b<cancel>");
    QStringList m_lstKeypadEntries;
    // The sign and decimal-point keys' states of the last keypad opened.
    bool m_bLastKeypadSign = false;
    bool m_bLastKeypadDecimal = true;

    // Answers, used in order; when they run out, questions get their default
    // button and file dialogs are cancelled (empty path).
    QList<QMessageBox::StandardButton> m_lstAnswers;
    QStringList m_lstFileNames;
    // Everything asked, oldest first.
    QList<stPrompt> m_lstPrompts;

    // The texts asked of one kind ("Critical", ...), oldest first.
    QStringList Texts(const QString& kind) const;
};
