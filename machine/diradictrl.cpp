#include "machine/diradictrl.h"

#include "hal/pins.h"

#include <cstring>

eKivController cdiradictrl::m_eCtrlVersion = CTRL_KIVQ10;
int cdiradictrl::h_SpiInputCtrl = 0;
int cdiradictrl::h_SpiOutputCtrl = 0;
bool cdiradictrl::m_bOpen = false;
QString cdiradictrl::m_strErrorMsg;
std::mutex cdiradictrl::m_Lock;

int cdiradictrl::InitDiradiCtrl(eKivController version)
{
    CloseDiradiCtrl();
    std::lock_guard<std::mutex> lock(m_Lock);
    m_eCtrlVersion = version;
    m_strErrorMsg.clear();
    if (version != CTRL_SPI_V2 && version != CTRL_SPI_V3) {
        m_strErrorMsg = QStringLiteral("Error: No SPI I/O board for controller type %1").arg(int(version));
        return 0;
    }
    const int in = CPins::SpiOpen(SPI_INPUT_CHANNEL, SPI_BAUD, SPI_INPUT_FLAGS);
    const int out = CPins::SpiOpen(SPI_OUTPUT_CHANNEL, SPI_BAUD, SPI_OUTPUT_FLAGS);
    if (in < 0 || out < 0) {
        if (in >= 0)
            CPins::SpiClose(in);
        if (out >= 0)
            CPins::SpiClose(out);
        m_strErrorMsg = QStringLiteral("Error: Unable to open the SPI I/O board (input channel: %1, output channel: %2)")
                            .arg(in < 0 ? QStringLiteral("error %1").arg(in) : QStringLiteral("ok"),
                                 out < 0 ? QStringLiteral("error %1").arg(out) : QStringLiteral("ok"));
        return 0;
    }
    h_SpiInputCtrl = in;
    h_SpiOutputCtrl = out;
    m_bOpen = true;
    return 1;
}

void cdiradictrl::CloseDiradiCtrl()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    if (!m_bOpen)
        return;
    CPins::SpiClose(h_SpiInputCtrl);
    CPins::SpiClose(h_SpiOutputCtrl);
    m_bOpen = false;
}

bool cdiradictrl::IsOpen()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_bOpen;
}

QString cdiradictrl::GetErrorMsg()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_strErrorMsg;
}

int cdiradictrl::ReadAllInputs(char* buf)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return ReadAllInputsLocked(buf);
}

int cdiradictrl::ReadAllInputsLocked(char* buf)
{
    std::memset(buf, 0, INPUT_BYTES);
    if (!m_bOpen)
        return ERR_NOT_OPEN;
    // One byte per transfer: the board shifts out the next byte each time.
    const char tx = 0;
    for (int i = 0; i < INPUT_BYTES; ++i) {
        const int r = CPins::SpiTransfer(h_SpiInputCtrl, &tx, buf + i, 1);
        if (r != 1) {
            std::memset(buf, 0, INPUT_BYTES);
            return r < 0 ? r : ERR_NOT_OPEN;
        }
    }
    return INPUT_BYTES;
}

unsigned char cdiradictrl::ReadInput(unsigned short pin)
{
    if (pin >= INPUT_COUNT)
        return 0;
    char buf[INPUT_BYTES];
    if (ReadAllInputs(buf) != INPUT_BYTES)
        return 0;
    return (static_cast<unsigned char>(buf[pin / 8]) >> (pin % 8)) & 1;
}

cdiradictrl::stGroupIndex cdiradictrl::GroupAndIndex(unsigned char pin)
{
    switch (m_eCtrlVersion) {
    case CTRL_SPI_V2:
        if (pin <= 1)
            return {1, pin};
        if (pin <= 7)
            return {2, unsigned(pin - 2)};
        return {3, unsigned(pin - 8)};
    case CTRL_SPI_V3:
        if (pin <= 7)
            return {0, pin};
        if (pin <= 11)
            return {1, unsigned(pin - 8)};
        if (pin <= 19)
            return {2, unsigned(pin - 12)};
        return {3, unsigned(pin - 20)};
    default:
        return {0, 0};
    }
}

unsigned char cdiradictrl::CreateOutputData(unsigned char pin, unsigned char state)
{
    const stGroupIndex gi = GroupAndIndex(pin);
    return static_cast<unsigned char>((gi.index << 4) | gi.group | (unsigned(state & 1) << 7) | 0x08);
}

bool cdiradictrl::IsValidOutput(unsigned char pin)
{
    // An index of 8 or more would spill into the state bit.
    return GroupAndIndex(pin).index <= 7;
}

int cdiradictrl::WriteOutput(unsigned char pin, unsigned char state)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    if (!IsValidOutput(pin))
        return ERR_BAD_NUMBER;
    if (!m_bOpen)
        return ERR_NOT_OPEN;
    const char byte = static_cast<char>(CreateOutputData(pin, state));
    return CPins::SpiWrite(h_SpiOutputCtrl, &byte, 1);
}
