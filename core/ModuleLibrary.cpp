#include "core/ModuleLibrary.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

namespace {
struct stAnswer
{
    QFunctionPointer m_pEntry = nullptr;
    QString m_strErr;
};

QMutex g_Mutex;
// By file name and entry point.
QHash<QString, stAnswer> g_Answers;

QStringList Candidates(const QString& strFileName)
{
    QStringList lst;
    if (QCoreApplication::instance())
        lst << QCoreApplication::applicationDirPath() + QLatin1Char('/') + strFileName;
#ifdef DIRADI_MODULE_DIR
    lst << QStringLiteral(DIRADI_MODULE_DIR) + QLatin1Char('/') + strFileName;
#endif
    return lst;
}

stAnswer Find(const QString& strFileName, const char* pEntry)
{
    stAnswer answer;
    QStringList lstWhy;
    for (const QString& strPath : Candidates(strFileName)) {
        if (!QFileInfo::exists(strPath))
            continue;
        QLibrary lib(strPath);
        if (!lib.load()) {
            lstWhy << lib.errorString();
            continue;
        }
        answer.m_pEntry = lib.resolve(pEntry);
        if (answer.m_pEntry)
            return answer;
        lstWhy << strPath + QStringLiteral(": not one of the program's modules");
    }
    answer.m_strErr = lstWhy.isEmpty()
                          ? QStringLiteral("Module ") + strFileName + QStringLiteral(" not found beside the program")
                          : QStringLiteral("Module ") + strFileName + QStringLiteral(" cannot be loaded: ") +
                                lstWhy.join(QStringLiteral("; "));
    return answer;
}
} // namespace

QFunctionPointer CModuleLibrary::Entry(const QString& strFileName, const char* pEntry, QString& strErr)
{
    const QString strKey = strFileName + QLatin1Char('/') + QLatin1String(pEntry);
    QMutexLocker lock(&g_Mutex);
    auto it = g_Answers.constFind(strKey);
    if (it == g_Answers.constEnd())
        it = g_Answers.insert(strKey, Find(strFileName, pEntry));
    strErr = it->m_strErr;
    return it->m_pEntry;
}
