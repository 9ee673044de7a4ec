#pragma once
// The operator's message log on a list widget (the main window's LV_Log):
// newest line at the top, each "[hh:mm:ss]" + text, coloured by kind
// (information green, notice white, error orange). The main window owns one
// and forwards AddLogMsg, ClearLog and SaveLog to it.
#include "core/common.h"

#include <QColor>
#include <QString>
#include <QTime>

class QListWidget;
class QWidget;

class CMessageLog
{
public:
    explicit CMessageLog(QListWidget* pList);

    // Adds one line at row 0 and repaints the list at once; an empty text is
    // ignored.
    void AddLogMsg(const QString& strMsg, eAppMsgType eMsgType);
    void ClearLog();
    // Asks for a file name (prompter, parent pParent) and writes every line,
    // newest first, one per line, UTF-8. A cancelled dialog writes nothing;
    // a file that cannot be written is reported in the log itself. True when
    // a file was written.
    bool SaveLog(QWidget* pParent);
    // Writes the lines to strPath (replacing it only when the whole file is
    // written); false with the reason in strErr.
    bool WriteTo(const QString& strPath, QString& strErr) const;

    // The pure rules.
    static QString LineText(const QString& strMsg, const QTime& time);
    static QColor MsgColor(eAppMsgType eMsgType);

private:
    QListWidget* m_pList;
};
