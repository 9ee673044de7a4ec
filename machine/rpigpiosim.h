#pragma once

// A stand-in for CRpiGpio with the same calls that drives nothing: modes and
// writes are dropped, every input reads 0.
class CRpiGpioSim
{
public:
    static void InitRpiGpio() {}
    static void SetPinModeOutput(unsigned short) {}
    static void SetPinModeInput(unsigned short) {}
    static void WriteOutput(unsigned short, unsigned short) {}
    static unsigned char ReadInput(unsigned short) { return 0; }
};
