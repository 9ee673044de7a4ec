#pragma once
// What the main window's log shows, newest line first, without the time
// stamps.
#include "app/mainwindow.h"
#include "ui_mainwindow.h"

#include <QListWidget>
#include <QStringList>

inline QStringList LogLines(MainWindow& w)
{
    QStringList lst;
    for (int i = 0; i < w.ui->LV_Log->count(); ++i) {
        const QString strText = w.ui->LV_Log->item(i)->text();
        lst << strText.mid(strText.indexOf(QLatin1Char(']')) + 1);
    }
    return lst;
}

inline QColor LogColour(MainWindow& w, int iRow) { return w.ui->LV_Log->item(iRow)->foreground().color(); }
