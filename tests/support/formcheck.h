#pragma once
// Checks a built form against its form table, row by row:
//
//   static const stFormRow kRows[] = {
//       {"Btn_Ok", "QPushButton", 220, 150, 90, 40, "Ok"},
//       {"LBL_Info", "QLabel", 10, 10, 100, 20, nullptr}, // text not checked
//   };
//   for (const stFormRow& row : kRows)
//       QVERIFY2(FormMismatch(&dlg, row).isEmpty(), qPrintable(FormMismatch(&dlg, row)));
//
// The text compared is a button's, label's or line edit's text, a group
// box's title, or a window's title for the form's own row (the name of the
// root widget). A width or height of -1 is not checked.
#include <QString>

class QPushButton;
class QWidget;

struct stFormRow
{
    const char* m_pName;
    const char* m_pClass;
    int m_iX;
    int m_iY;
    int m_iWidth;
    int m_iHeight;
    const char* m_pText;
};

// "" when the widget is there as the row says; otherwise what differs.
QString FormMismatch(QWidget* pRoot, const stFormRow& row);

// The push button of that name inside pRoot (a failed test when missing is
// the caller's: a null pointer).
QPushButton* FindButton(QWidget& root, const char* pName);
// The same for a button the test cannot go on without: a missing one stops
// the test program with its name rather than a null pointer.
QPushButton* RequireButton(QWidget& root, const char* pName);
// A left click on the push button of that name.
void ClickButton(QWidget& root, const char* pName);

// "" when no button inside pRoot is partly hidden under a sibling stacked
// above it (a label drawn over a button's border); otherwise the first such
// pair.
QString CoveredButton(QWidget* pRoot);
