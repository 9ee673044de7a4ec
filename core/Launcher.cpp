#include "core/Launcher.h"

#include <QProcess>

namespace {
CLauncher g_DefaultLauncher;
CLauncher* g_pLauncher = nullptr;
}

bool CLauncher::StartDetached(const QString& program, const QStringList& arguments)
{
    return QProcess::startDetached(program, arguments);
}

CLauncher& CLauncher::Instance()
{
    return g_pLauncher ? *g_pLauncher : g_DefaultLauncher;
}

void CLauncher::SetInstance(CLauncher* launcher)
{
    g_pLauncher = launcher;
}
