#include "hal/pinbackend.h"

#include <QtAlgorithms>

void CPinBackend::WriteMask(quint32 setMask, quint32 clearMask)
{
    for (quint32 pins = setMask | clearMask; pins != 0; pins &= pins - 1) {
        const int pin = int(qCountTrailingZeroBits(pins));
        Write(pin, (clearMask >> pin) & 1u ? 0 : 1);
    }
}
