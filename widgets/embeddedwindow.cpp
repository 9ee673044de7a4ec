#include "widgets/embeddedwindow.h"

#include <QDialog>
#include <QMainWindow>

void EmbedInMainWindow(QDialog* pWnd)
{
    if (qobject_cast<QMainWindow*>(pWnd->parentWidget()))
        EmbedInParent(pWnd);
}

void EmbedInParent(QDialog* pWnd)
{
    if (QWidget* pParent = pWnd->parentWidget())
        pWnd->setParent(pParent, Qt::Widget);
}
