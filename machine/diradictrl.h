#pragma once
#include "core/common.h"

#include <QString>
#include <mutex>

// Driver of the I/O board on the SPI bus.
//
// Inputs: the board shifts out three bytes, one per one-byte transfer on the
// main SPI bus (chip-select 0): byte 0 holds inputs 0-7, byte 1 inputs 8-15,
// byte 2 inputs 16-23, least significant bit first.
// Outputs: one command byte per change on the auxiliary SPI bus
// (chip-select 2): bits 0-1 the output group, bit 3 always 1, bits 4-6 the
// index within the group, bit 7 the new state. How pin numbers map onto
// groups depends on the board version (see CreateOutputData).
class cdiradictrl
{
public:
    static constexpr unsigned short INPUT_COUNT = 24;
    static constexpr int INPUT_BYTES = 3;
    static constexpr unsigned SPI_BAUD = 2000000;
    // Main SPI, chip-select 0; CE1 and CE2 of the main bus stay free for GPIO.
    static constexpr unsigned SPI_INPUT_CHANNEL = 0;
    static constexpr unsigned SPI_INPUT_FLAGS = 192;
    // Auxiliary SPI, chip-select 2.
    static constexpr unsigned SPI_OUTPUT_CHANNEL = 2;
    static constexpr unsigned SPI_OUTPUT_FLAGS = 256;
    // Results of a refused call (the SPI layer's own errors are also negative).
    static constexpr int ERR_NOT_OPEN = -1001;
    static constexpr int ERR_BAD_NUMBER = -1002;

    // Records the board version and, for versions 2 and 3, opens its input
    // and output channels. 1 when the board is open, 0 when it could not be
    // opened or the version has no board (GetErrorMsg says why).
    static int InitDiradiCtrl(eKivController version);
    // Closes the channels; the board reads as closed until the next init.
    static void CloseDiradiCtrl();
    static bool IsOpen();
    static QString GetErrorMsg();

    // Reads the three input bytes into buf[0..2]. 3, or a negative error
    // (board not open, transfer failed) with buf zeroed.
    static int ReadAllInputs(char* buf);
    // Input 0..23 as 0 or 1. Any other number, or a failed read, gives 0
    // without touching the board.
    static unsigned char ReadInput(unsigned short pin);
    // Sends the command byte for the output: the SPI write's result (1 for
    // the byte sent), ERR_BAD_NUMBER for a pin the board version has no
    // output for, ERR_NOT_OPEN before a successful init.
    static int WriteOutput(unsigned char pin, unsigned char state);
    // The command byte (only bit 0 of state counts).
    static unsigned char CreateOutputData(unsigned char pin, unsigned char state);
    // Whether the board version has an output for the pin: the index within
    // the group must fit its three bits.
    static bool IsValidOutput(unsigned char pin);

    static eKivController m_eCtrlVersion;
    static int h_SpiInputCtrl;
    static int h_SpiOutputCtrl;

private:
    struct stGroupIndex
    {
        unsigned group;
        unsigned index;
    };
    static stGroupIndex GroupAndIndex(unsigned char pin);
    static int ReadAllInputsLocked(char* buf);

    static bool m_bOpen;
    static QString m_strErrorMsg;
    // The controller thread reads inputs while the GUI thread may switch an
    // output: one board transaction at a time.
    static std::mutex m_Lock;
};
