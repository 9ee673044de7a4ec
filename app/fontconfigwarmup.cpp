#include "app/fontconfigwarmup.h"

#include <fontconfig/fontconfig.h>

CFontConfigWarmUp::CFontConfigWarmUp()
    : m_Thread([this]() { m_bRead = FcInit() == FcTrue; })
{
}

CFontConfigWarmUp::~CFontConfigWarmUp()
{
    Wait();
}

bool CFontConfigWarmUp::Wait()
{
    if (m_Thread.joinable())
        m_Thread.join();
    return m_bRead;
}
