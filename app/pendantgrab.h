#pragma once
// The keyboard pendant's grab. While keyboard control is on, the main window
// holds the keyboard so that the pendant's keys reach it whatever widget has
// the focus. A file dialog needs the keys itself (a new name is typed), so
// while one is open the grab is let go: the keys reach the dialog, and only
// the keypad Enter, the pendant's emergency stop, still goes to the main
// window. When the last file dialog closes the grab is taken again.
//
// Escape never moves the machine: while a dialog is open (a question, a
// keypad, a settings dialog, a panel of the shape designer), Escape goes to
// the dialog on top, also when the grab brings it to the owner or the focus
// sits on a control behind a panel. So every dialog can be left from the
// keyboard, also on a display without a window manager.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>

#include <functional>

class QWidget;

class CPendantGrab : public QObject
{
public:
    // pOwner holds the grab; onEnter gets the keypad Enter's press and
    // release in a window that does not have the grab; onRelease runs each time the grab
    // is let go for a file dialog (held pendant keys end there: their
    // release goes to the dialog).
    CPendantGrab(QWidget* pOwner, std::function<void(QEvent*)> onEnter, std::function<void()> onRelease);
    ~CPendantGrab() override;

    // Whether the pendant wants the keyboard (keyboard control on and no
    // panel that takes the keys itself). Takes or lets go the grab at once,
    // unless a file dialog is open: it is then taken when the dialog closes.
    void SetWanted(bool bWanted);
    bool IsWanted() const { return m_bWanted; }
    // File dialogs on show.
    int OpenFileDialogs() const { return int(m_lstFileDialogs.size()); }
    // The dialog on top: the modal dialog window, else the panel run
    // modally inside a window (which Qt does not count as modal) shown
    // last. Null when none is open.
    QWidget* TopDialog() const;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    // Holds the grab exactly while it is wanted and no file dialog is open.
    void Apply();
    // Escape that reaches a widget outside the dialog on top (the owner,
    // through the grab, or a control behind a panel) goes to that dialog.
    bool PassEscape(QObject* pWatched, QEvent* pEvent);

    QWidget* m_pOwner;
    std::function<void(QEvent*)> m_OnEnter;
    std::function<void()> m_OnRelease;
    bool m_bWanted = false;
    bool m_bPassing = false;    // an Escape is on its way to the dialog on top
    bool m_bEscapeGone = false; // an Escape pressed went to a dialog: its release too
    QSet<QObject*> m_lstFileDialogs;
    QList<QPointer<QWidget>> m_lstPanels; // dialogs inside windows, in the order last shown
};
