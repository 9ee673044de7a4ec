#pragma once
// The text of a value button: a number over its caption ("15000000.0000\n
// Max Feed"). A push button draws its text centred and clips what does not
// fit at both ends, which turns a long number into a different one; so a
// text too wide for its button is written in a smaller font instead, and
// goes back to the button's own font when a shorter one follows.
#include <QString>

class QFont;
class QPushButton;

class CButtonText
{
public:
    CButtonText() = delete;

    // The smallest font size a text is shrunk to (points).
    static constexpr double MIN_POINT_SIZE = 5.0;

    // Shows strText on the button: in the button's own font (the one its
    // form gave it) when every line fits inside its frame beside its icon,
    // else in the largest smaller size at which they do (never below
    // MIN_POINT_SIZE).
    static void Set(QPushButton* pBtn, const QString& strText);

    // Whether every line of strText, in font, fits the width inside the
    // button's frame beside its icon.
    static bool Fits(const QPushButton* pBtn, const QString& strText, const QFont& font);
};
