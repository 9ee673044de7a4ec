#include "core/ModuleLibrary.h"
#include "core/ModuleBuildId.h"

#include "diradi_buildid.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <cstring>

namespace {
struct stAnswer
{
    QFunctionPointer m_pEntry = nullptr;
    QString m_strErr;
};

QMutex g_Mutex;
// By file name and entry point.
QHash<QString, stAnswer> g_Answers;

// True when the loaded module comes from this very build.
bool SameBuild(QLibrary& lib)
{
    using IdFn = const char* (*)();
    const auto pId = reinterpret_cast<IdFn>(lib.resolve(MODULE_BUILD_ID_ENTRY));
    const char* pModuleId = pId ? pId() : nullptr;
    return pModuleId && std::strcmp(pModuleId, DIRADI_BUILD_ID) == 0;
}

stAnswer Find(const QString& strFileName, const char* pEntry)
{
    stAnswer answer;
    QStringList lstWhy;
    for (const QString& strPath : CModuleLibrary::Candidates(strFileName)) {
        if (!QFileInfo::exists(strPath))
            continue;
        QLibrary lib(strPath);
        if (!lib.load()) {
            lstWhy << lib.errorString();
            continue;
        }
        if (!SameBuild(lib)) {
            lstWhy << strPath + QStringLiteral(": from another build of the program");
            lib.unload();
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

QStringList CModuleLibrary::Candidates(const QString& strFileName)
{
    QStringList lst;
    if (QCoreApplication::instance()) {
        const QString strProgramDir = QCoreApplication::applicationDirPath();
        lst << strProgramDir + QLatin1Char('/') + strFileName;
#ifdef DIRADI_MODULE_RELDIR
        lst << QDir::cleanPath(strProgramDir + QStringLiteral("/" DIRADI_MODULE_RELDIR "/") + strFileName);
#endif
    }
#ifdef DIRADI_MODULE_DIR
    lst << QStringLiteral(DIRADI_MODULE_DIR) + QLatin1Char('/') + strFileName;
#endif
    return lst;
}

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
