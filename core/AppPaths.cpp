#include "core/AppPaths.h"

#include "core/common.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

namespace {
QMutex g_Mutex;
QString g_strRoot;

// Maps one of the fixed folder paths to its place under the test root.
QString Redirect(const QString& path)
{
    QMutexLocker lock(&g_Mutex);
    if (g_strRoot.isEmpty())
        return path;
    return g_strRoot + path.mid(HOME_FOLDER.size());
}
}

QString CAppPaths::HomeFolder() { return Redirect(HOME_FOLDER); }
QString CAppPaths::WorkingFolder() { return Redirect(WORKING_FOLDER); }
QString CAppPaths::ConfigFile() { return Redirect(CONFIG_FILE); }
QString CAppPaths::GCodeExecStatusFile() { return Redirect(GCODE_EXEC_STATUS_FILE); }

QString CAppPaths::UsbMountFolder()
{
    const QString strMount = QStringLiteral("/media/diradi");
    QMutexLocker lock(&g_Mutex);
    return g_strRoot.isEmpty() ? strMount : g_strRoot + strMount;
}

QString CAppPaths::InWorkingFolder(const QString& fileName)
{
    return WorkingFolder() + QLatin1Char('/') + fileName;
}

void CAppPaths::SetRoot(const QString& root)
{
    QMutexLocker lock(&g_Mutex);
    g_strRoot = root;
    while (g_strRoot.endsWith(QLatin1Char('/')))
        g_strRoot.chop(1);
}

bool CAppPaths::EnsureWorkingFolder()
{
    const QString dir = WorkingFolder();
    if (QFileInfo(dir).isDir())
        return true;
    return QDir().mkpath(dir);
}
