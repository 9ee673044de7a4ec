#pragma once
// The arithmetic of the G-code window without its widgets: which program
// lines the ten-row list shows, which error line the navigation buttons go
// to, the "[index]text" form of the line being edited, and the range of the
// start line.
#include "core/common.h"
#include "gcode/gcodeprogram.h"

#include <QString>

class CGCodeNavigator
{
public:
    // Rows of the list window.
    static constexpr int VISIBLE_LINES = 10;

    // The lines [m_iFirst, m_iEnd) the list shows when asked to start at
    // iFrom in a program of iLines lines: ten lines, or all of a shorter
    // program; a window that would run past the end is moved up so that it
    // ends with the last line. For an empty program the window is empty and
    // starts at 0.
    struct stWindow
    {
        int m_iFirst = 0;
        int m_iEnd = 0;
    };
    static stWindow ListWindow(int iFrom, size_t iLines);

    enum eErrorStep { ERR_FIRST, ERR_PREV, ERR_NEXT, ERR_LAST };
    // The error line a navigation button goes to from uiCurrent. First and
    // Last: the smallest and greatest line with errors. Previous: the line
    // before uiCurrent, staying on the first; when uiCurrent has no errors
    // (any more), the last line. Next: the line after uiCurrent, staying on
    // the last. False when the table is empty.
    static bool ErrorTarget(const GCodeErrorMap& errors, unsigned int uiCurrent, eErrorStep eStep,
                            unsigned int& uiTarget);

    // "[" + index + "]" + text: a program line in the line editor.
    static QString LineEditText(size_t iLine, const QString& strText);
    // The text typed in the line editor without its "[index]" prefix: what
    // follows the first "]" (the whole text when it has none).
    static QString EditedText(const QString& strLineEdit);

    // The start lines a program of iLines lines may run from: 0 (its first
    // line) to its last line.
    static stFloatPoint StartLineRange(size_t iLines);
    // A keypad entry made a start line: rounded and kept within the range.
    static int ClampStartLine(double fValue, size_t iLines);
};
