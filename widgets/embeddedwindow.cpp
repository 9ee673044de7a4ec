#include "widgets/embeddedwindow.h"

#include <QDialog>
#include <QMainWindow>

void EmbedInMainWindow(QDialog* pWnd)
{
    if (auto* pMain = qobject_cast<QMainWindow*>(pWnd->parentWidget()))
        pWnd->setParent(pMain, Qt::Widget);
}
