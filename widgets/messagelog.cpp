#include "widgets/messagelog.h"

#include "core/FileSaver.h"
#include "core/Prompter.h"
#include "widgets/filenamerule.h"

#include <QBrush>
#include <QListWidget>

CMessageLog::CMessageLog(QListWidget* pList)
    : m_pList(pList)
{
}

QString CMessageLog::LineText(const QString& strMsg, const QTime& time)
{
    return QLatin1Char('[') + time.toString(QStringLiteral("HH:mm:ss")) + QLatin1Char(']') + strMsg;
}

QColor CMessageLog::MsgColor(eAppMsgType eMsgType)
{
    switch (eMsgType) {
    case MSG_INFO: return QColor(0, 250, 0);
    case MSG_WARNING: return QColor(255, 255, 255);
    case MSG_ERROR: return QColor(255, 150, 0);
    }
    return QColor(Qt::black);
}

void CMessageLog::AddLogMsg(const QString& strMsg, eAppMsgType eMsgType)
{
    if (strMsg.isEmpty() || !m_pList)
        return;
    auto* pItem = new QListWidgetItem(LineText(strMsg, QTime::currentTime()));
    pItem->setForeground(QBrush(MsgColor(eMsgType), Qt::SolidPattern));
    m_pList->insertItem(0, pItem);
    // The operator sees the line at once, even while the GUI thread is busy.
    m_pList->repaint();
}

void CMessageLog::ClearLog()
{
    if (m_pList)
        m_pList->clear();
}

bool CMessageLog::WriteTo(const QString& strPath, QString& strErr) const
{
    QString strText;
    for (int i = 0; m_pList && i < m_pList->count(); ++i)
        strText += m_pList->item(i)->text() + QLatin1Char('\n');
    return CFileSaver::Save(strPath, strText.toUtf8(), &strErr);
}

bool CMessageLog::SaveLog(QWidget* pParent)
{
    QString strPath = CPrompter::Instance().SaveFileName(pParent, QStringLiteral("Select file name"), HOME_FOLDER,
                                                         QStringLiteral("text Files(*.txt)"));
    if (strPath.isEmpty())
        return false;
    const QString strTyped = strPath;
    strPath = CFileNameRule::WithDefaultExtension(strPath, QStringLiteral(".txt"));
    // The dialog asked about the name as typed, not about the one the added
    // ".txt" makes (which may be a program of the same name).
    if (!CFileNameRule::MayReplaceAddedName(pParent, strTyped, strPath))
        return false;
    QString strErr;
    if (!WriteTo(strPath, strErr)) {
        AddLogMsg(QStringLiteral("Unable to save the log to ") + strPath + QStringLiteral(": ") + strErr, MSG_ERROR);
        return false;
    }
    return true;
}
