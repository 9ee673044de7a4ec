#include "testsupport.h"

#include "core/AppPaths.h"

CTempWorkingFolder::CTempWorkingFolder()
{
    CAppPaths::SetRoot(m_Dir.path());
    CAppPaths::EnsureWorkingFolder();
}

CTempWorkingFolder::~CTempWorkingFolder()
{
    CAppPaths::SetRoot(QString());
}

QString CTempWorkingFolder::Working() const
{
    return CAppPaths::WorkingFolder();
}
