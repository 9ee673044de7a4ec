#pragma once
#include "core/Prompter.h"

// The program's own prompter: Qt's message boxes and file dialogs, as the
// base prompter shows them, and the on-screen numeric keypad for entries.
// main() installs it; tests install their own answering prompters instead.
class CQtPrompter : public CPrompter
{
public:
    bool Keypad(QWidget* parent, const QString& title, QString& value, bool bEnableSign,
                bool bEnableDecimal) override;
};
