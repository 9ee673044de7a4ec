#pragma once
// The job and settings windows (and the jog panel) live inside the main
// window. Built with the main window as their parent, they become its child
// widgets at the very start of their constructors, before their forms are
// set up: made children only afterwards, every widget of a form (hundreds of
// styled buttons, shown or not) would be styled a second time at once, which
// was a good part of the program's start-up. Built with any other parent (a
// test's stand-in) or none, a window stays a dialog of its own.
class QDialog;

void EmbedInMainWindow(QDialog* pWnd);
// The same for a dialog that is a control inside any parent it is built with
// (the main window's slide bars in their frames); without a parent it stays
// a window.
void EmbedInParent(QDialog* pWnd);
