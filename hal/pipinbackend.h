#pragma once
#include "hal/pinbackend.h"
#include "hal/pisystem.h"

#include <QString>
#include <array>
#include <memory>
#include <mutex>

// The Raspberry Pi's own pins, PWM and SPI bus (Pi 1 to 4: BCM2835, 2836,
// 2837 and 2711), driven through the kernel's plain interfaces:
//   - GPIO: the GPIO register block mapped from /dev/gpiomem. A pin write is
//     one store to the set or clear register, a read one load of the level
//     register: no system call, no lock, a few tens of nanoseconds.
//   - Hardware PWM (GPIO 12 and 13 on alt0, 18 and 19 on alt5): the PWM and
//     clock-manager blocks mapped from /dev/mem, which needs root.
//   - SPI: the spidev device files, /dev/spidev0.N for the main bus and
//     /dev/spidev1.N for the auxiliary one.
// Every kernel access goes through CPiSystem, so tests run the backend on a
// memory block, a temporary device tree and an SPI recorder.
class CPiPinBackend : public CPinBackend
{
public:
    enum class ESoc { Bcm2835, Bcm2836, Bcm2837, Bcm2711 };

    // Register offsets in bytes.
    static constexpr unsigned GPIO_BLOCK = 0x200000;  // from the peripheral base
    static constexpr unsigned PWM_BLOCK = 0x20C000;
    static constexpr unsigned CLOCK_BLOCK = 0x101000;
    static constexpr std::size_t BLOCK_SIZE = 4096;

    static constexpr unsigned GPFSEL0 = 0x00;
    static constexpr unsigned GPSET0 = 0x1C;
    static constexpr unsigned GPCLR0 = 0x28;
    static constexpr unsigned GPLEV0 = 0x34;
    static constexpr unsigned GPPUD = 0x94;            // BCM2835-2837
    static constexpr unsigned GPPUDCLK0 = 0x98;        // BCM2835-2837
    static constexpr unsigned GPIO_PUP_PDN_CNTRL0 = 0xE4; // BCM2711

    static constexpr unsigned PWM_CTL = 0x00;
    static constexpr unsigned PWM_RNG1 = 0x10;
    static constexpr unsigned PWM_DAT1 = 0x14;
    static constexpr unsigned PWM_RNG2 = 0x20;
    static constexpr unsigned PWM_DAT2 = 0x24;
    // Control bits of channel 1; channel 2's sit 8 bits higher.
    static constexpr quint32 PWM_PWEN = 1u << 0; // enable
    static constexpr quint32 PWM_MODE = 1u << 1; // serialiser instead of PWM
    static constexpr quint32 PWM_RPTL = 1u << 2; // repeat the last FIFO word
    static constexpr quint32 PWM_SBIT = 1u << 3; // output level while stopped
    static constexpr quint32 PWM_POLA = 1u << 4; // inverted output
    static constexpr quint32 PWM_USEF = 1u << 5; // data from the FIFO
    static constexpr quint32 PWM_CLRF = 1u << 6; // channel 1's byte only: clears the FIFO (write only)
    static constexpr quint32 PWM_MSEN = 1u << 7; // mark-space
    // One channel's whole byte of control bits.
    static constexpr quint32 PWM_CHANNEL_BITS = 0xFF;

    static constexpr unsigned CM_PWMCTL = 0xA0;
    static constexpr unsigned CM_PWMDIV = 0xA4;
    static constexpr quint32 CM_PASSWORD = 0x5Au << 24;
    static constexpr quint32 CM_SRC_OSC = 1;
    static constexpr quint32 CM_ENAB = 1u << 4;
    static constexpr quint32 CM_KILL = 1u << 5;
    static constexpr quint32 CM_BUSY = 1u << 7;
    // Source (bits 0-3), FLIP (8) and MASH (9-10): what may only change
    // while the generator has stopped.
    static constexpr quint32 CM_SETUP_BITS = 0x70F;

    // The clock the PWM callers count with (the older SoCs' oscillator).
    static constexpr quint32 CALLER_PWM_CLOCK_HZ = 19200000;

    // The three register blocks, as mapped (or handed in by a test).
    struct stRegisters
    {
        volatile quint32* gpio = nullptr;
        volatile quint32* pwm = nullptr;
        volatile quint32* clock = nullptr;
    };

    // A backend on register blocks someone else owns. `system` serves the
    // SPI device files and the waits; it must outlive the backend.
    CPiPinBackend(ESoc soc, const stRegisters& regs, CPiSystem& system);
    ~CPiPinBackend() override;
    CPiPinBackend(const CPiPinBackend&) = delete;
    CPiPinBackend& operator=(const CPiPinBackend&) = delete;

    // Looks for a supported Pi in the device tree and maps its registers.
    // nullptr when the pins cannot be driven here; *pWhy then says why
    // (no Pi, a Pi 5, a device missing or not allowed), for the log.
    static std::unique_ptr<CPiPinBackend> Open(CPiSystem& system, QString* pWhy);

    // The SoC named by a device tree's "compatible" list, if supported.
    // *pName gets the name of the Pi family found ("BCM2711"), also for an
    // unsupported one ("BCM2712").
    static bool SocFromCompatible(const QByteArray& compatible, ESoc* pSoc, QString* pName);
    static QString SocName(ESoc soc);
    // The ARM physical address of the peripherals: from soc/ranges when the
    // device tree has it, else the SoC's documented base.
    static quint64 PeripheralBase(ESoc soc, const QByteArray& ranges);
    static quint32 OscillatorHz(ESoc soc) { return soc == ESoc::Bcm2711 ? 54000000 : 19200000; }

    ESoc Soc() const { return m_eSoc; }

    // --- backend ---
    int Setup() override;
    void SetMode(int pin, EPinMode mode) override;
    void SetPull(int pin, EPull pull) override;
    void Write(int pin, int level) override
    {
        m_pGpio[(level ? GPSET0 : GPCLR0) / 4] = 1u << pin;
    }
    int Read(int pin) override { return int((m_pGpio[GPLEV0 / 4] >> pin) & 1u); }
    // One store to the set register, one to the clear register.
    void WriteMask(quint32 setMask, quint32 clearMask) override
    {
        if (setMask)
            m_pGpio[GPSET0 / 4] = setMask;
        if (clearMask)
            m_pGpio[GPCLR0 / 4] = clearMask;
    }
    stPinRegisters Registers() const override
    {
        return {m_pGpio + GPSET0 / 4, m_pGpio + GPCLR0 / 4, m_pGpio + GPLEV0 / 4};
    }
    void PwmSetMode(EPwmMode mode) override;
    void PwmSetRange(unsigned range) override;
    // Stops the clock generator (waiting for BUSY to clear, killing it if
    // it does not), then sets the divisor and the oscillator as source.
    // -EBUSY when the generator never stopped: nothing was changed then.
    int PwmSetClock(int divisor) override;
    void PwmWrite(int pin, int value) override;
    int SpiOpen(unsigned channel, unsigned baud, unsigned flags) override;
    int SpiTransfer(int handle, const char* tx, char* rx, unsigned count) override;
    int SpiWrite(int handle, const char* tx, unsigned count) override;
    int SpiClose(int handle) override;

    // The PWM channel (1 or 2) and alternate function code of a pin that
    // can carry hardware PWM; channel 0 for any other pin.
    struct stPwmPin
    {
        int channel = 0;
        quint32 function = 0;
    };
    static stPwmPin PwmPin(int pin);

    static constexpr int MAX_SPI_HANDLES = 4;
    // The SPI flag word: bits 0-1 the mode, bit 8 the auxiliary bus.
    static constexpr unsigned SPI_FLAG_AUX = 1u << 8;

private:
    quint32 Reg(volatile quint32* block, unsigned offset) const { return block[offset / 4]; }
    void SetReg(volatile quint32* block, unsigned offset, quint32 value) { block[offset / 4] = value; }
    void SetFunction(int pin, quint32 function);
    quint32 ScaledToOscillator(unsigned count) const;
    void ApplyPwmRange();
    void ApplyPwmData(int channel);
    // Clears ENAB, keeping the source, and waits for BUSY to clear, killing
    // the generator half way. False when it never cleared.
    bool StopPwmClock();
    int SpiMessage(int handle, const char* tx, char* rx, unsigned count);

    ESoc m_eSoc;
    volatile quint32* m_pGpio;
    volatile quint32* m_pPwm;
    volatile quint32* m_pClock;
    CPiSystem& m_System;
    bool m_bOwnsBlocks = false;

    // Function select, pull and PWM set-up are read-modify-write sequences;
    // they come from several threads at start-up and spindle changes.
    std::mutex m_SetupLock;
    unsigned m_iPwmRange = 1024;
    int m_aPwmValue[3] = {0, 0, 0}; // by channel

    struct stSpiDevice
    {
        int fd = -1;
        quint32 speed = 0;
    };
    std::mutex m_SpiLock;
    std::array<stSpiDevice, MAX_SPI_HANDLES> m_aSpi;
};
