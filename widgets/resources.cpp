#include "widgets/resources.h"

#include <QtGlobal>

#include <mutex>

// Q_INIT_RESOURCE must be used outside any namespace.
static void RegisterRes()
{
    Q_INIT_RESOURCE(res);
}

void InitAppResources()
{
    static std::once_flag s_Once;
    std::call_once(s_Once, RegisterRes);
}
