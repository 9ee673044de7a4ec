#include "hal/pinbackend.h"

void CPinBackend::WriteMask(quint32 setMask, quint32 clearMask)
{
    ForEachMaskPin(setMask, clearMask, [this](int pin, int level) { Write(pin, level); });
}
