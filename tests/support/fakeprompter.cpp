#include "fakeprompter.h"

CFakePrompter::CFakePrompter()
{
    CPrompter::SetInstance(this);
}

CFakePrompter::~CFakePrompter()
{
    CPrompter::SetInstance(nullptr);
}

QMessageBox::StandardButton CFakePrompter::Question(QWidget*, QMessageBox::Icon eKind, const QString& title,
                                                    const QString& text, QMessageBox::StandardButtons,
                                                    QMessageBox::StandardButton defaultButton)
{
    m_lstPrompts.append({QStringLiteral("Question"), title, text, eKind});
    return m_lstAnswers.isEmpty() ? defaultButton : m_lstAnswers.takeFirst();
}

void CFakePrompter::Information(QWidget*, const QString& title, const QString& text)
{
    m_lstPrompts.append({QStringLiteral("Information"), title, text});
}

void CFakePrompter::Warning(QWidget*, const QString& title, const QString& text)
{
    m_lstPrompts.append({QStringLiteral("Warning"), title, text});
}

void CFakePrompter::Critical(QWidget*, const QString& title, const QString& text)
{
    m_lstPrompts.append({QStringLiteral("Critical"), title, text});
}

void CFakePrompter::Critical(QWidget*, const QString& title, const QString& text, QMessageBox::StandardButtons)
{
    m_lstPrompts.append({QStringLiteral("Critical"), title, text});
}

QString CFakePrompter::OpenFileName(QWidget*, const QString& caption, const QString&, const QString&)
{
    m_lstPrompts.append({QStringLiteral("OpenFileName"), caption, QString()});
    return m_lstFileNames.isEmpty() ? QString() : m_lstFileNames.takeFirst();
}

QString CFakePrompter::SaveFileName(QWidget*, const QString& caption, const QString&, const QString&)
{
    m_lstPrompts.append({QStringLiteral("SaveFileName"), caption, QString()});
    return m_lstFileNames.isEmpty() ? QString() : m_lstFileNames.takeFirst();
}

bool CFakePrompter::Keypad(QWidget*, const QString& title, QString& value, bool bEnableSign, bool bEnableDecimal)
{
    m_lstPrompts.append({QStringLiteral("Keypad"), title, value});
    m_bLastKeypadSign = bEnableSign;
    m_bLastKeypadDecimal = bEnableDecimal;
    if (m_lstKeypadEntries.isEmpty())
        return false;
    const QString strEntry = m_lstKeypadEntries.takeFirst();
    if (strEntry == KeypadCancel)
        return false;
    if (!strEntry.isEmpty())
        value = strEntry;
    return true;
}

QStringList CFakePrompter::Texts(const QString& kind) const
{
    QStringList texts;
    for (const stPrompt& p : m_lstPrompts)
        if (p.m_strKind == kind)
            texts << p.m_strText;
    return texts;
}
