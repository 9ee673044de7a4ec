#include "machine/rpigpio.h"

int CRpiGpio::InitRpiGpio()
{
    return CPins::Setup();
}

void CRpiGpio::SetPinModeOutput(unsigned short pin)
{
    CPins::SetMode(pin, EPinMode::Output);
}

void CRpiGpio::SetPinModeInput(unsigned short pin)
{
    CPins::SetMode(pin, EPinMode::Input);
    CPins::SetPullDown(pin);
}
