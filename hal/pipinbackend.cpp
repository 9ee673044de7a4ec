#include "hal/pipinbackend.h"

#include <QFile>
#include <cerrno>
#include <linux/spi/spidev.h>

namespace {
constexpr quint32 kFunctionInput = 0;  // 000
constexpr quint32 kFunctionOutput = 1; // 001
constexpr quint32 kFunctionAlt0 = 4;   // 100
constexpr quint32 kFunctionAlt5 = 2;   // 010

// GPPUD codes (BCM2835-2837) and pull field values (BCM2711).
constexpr quint32 kPudOff = 0, kPudDown = 1, kPudUp = 2;
constexpr quint32 kPullNone2711 = 0, kPullUp2711 = 1, kPullDown2711 = 2;

// The pull set-up needs 150 cycles between its steps; a few microseconds.
constexpr int kPullSettleUs = 5;
// The PWM clock generator must have stopped (BUSY clear) before its divisor
// changes. It stops within a few of its own cycles; give it a millisecond,
// then kill it.
constexpr int kClockPollUs = 10;
constexpr int kClockPolls = 100;
constexpr quint32 kMaxDivisor = 4095; // 12 integer bits

// The SoC's peripherals sit on a bus that may hand back reads from two
// different blocks out of order, and writes may still be on their way when
// the core goes on. A full barrier before the first and after the last access
// of a set-up sequence, and wherever it moves from one block to another
// (GPIO, PWM, clock manager), keeps the accesses in program order and lets a
// wait start only once the write before it has reached the block. The pulse
// loops' set and clear stores all go to the GPIO block and need none.
inline void PeripheralBarrier()
{
#if defined(__aarch64__) || (defined(__arm__) && defined(__ARM_ARCH) && __ARM_ARCH >= 7)
    asm volatile("dsb sy" ::: "memory");
#else
    __sync_synchronize(); // ARMv6 (Pi 1, Zero): the kernel's barrier helper
#endif
}

// A set-up sequence: barriers on the way in and on the way out.
struct stPeripheralSequence
{
    stPeripheralSequence() { PeripheralBarrier(); }
    ~stPeripheralSequence() { PeripheralBarrier(); }
    stPeripheralSequence(const stPeripheralSequence&) = delete;
    stPeripheralSequence& operator=(const stPeripheralSequence&) = delete;
};

constexpr const char* kGpioMem = "/dev/gpiomem";
constexpr const char* kMem = "/dev/mem";

quint32 BigEndianWord(const QByteArray& data, int index)
{
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + 4 * index;
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | quint32(p[3]);
}

QByteArray ReadDeviceTreeFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Channel 2's control bits are channel 1's moved up by 8.
quint32 ChannelBits(int channel, quint32 bits)
{
    return channel == 2 ? bits << 8 : bits;
}

QString MapFailure(const char* device, const QString& soc, int error)
{
    QString why = QStringLiteral("Raspberry Pi %1 found, but ").arg(soc);
    if (error == EACCES || error == EPERM)
        return why + QStringLiteral("permission denied on %1: run as root").arg(QLatin1String(device));
    if (error == ENOENT)
        return why + QStringLiteral("%1 is missing").arg(QLatin1String(device));
    return why + QStringLiteral("%1 cannot be mapped: %2").arg(QLatin1String(device), SystemErrorText(error));
}
}

CPiPinBackend::CPiPinBackend(ESoc soc, const stRegisters& regs, CPiSystem& system)
    : m_eSoc(soc)
    , m_pGpio(regs.gpio)
    , m_pPwm(regs.pwm)
    , m_pClock(regs.clock)
    , m_System(system)
{
}

CPiPinBackend::~CPiPinBackend()
{
    for (stSpiDevice& d : m_aSpi) {
        if (d.fd >= 0)
            m_System.Close(d.fd);
    }
    if (m_bOwnsBlocks) {
        m_System.Unmap(m_pGpio, BLOCK_SIZE);
        m_System.Unmap(m_pPwm, BLOCK_SIZE);
        m_System.Unmap(m_pClock, BLOCK_SIZE);
    }
}

bool CPiPinBackend::SocFromCompatible(const QByteArray& compatible, ESoc* pSoc, QString* pName)
{
    static const struct
    {
        const char* compatible;
        ESoc soc;
    } kSupported[] = {
        {"brcm,bcm2835", ESoc::Bcm2835},
        {"brcm,bcm2836", ESoc::Bcm2836},
        {"brcm,bcm2837", ESoc::Bcm2837},
        {"brcm,bcm2711", ESoc::Bcm2711},
        // The Pi 4's first device trees (2019) named its SoC the BCM2838.
        {"brcm,bcm2838", ESoc::Bcm2711},
    };
    const QByteArray prefix("brcm,bcm");
    for (const QByteArray& entry : compatible.split('\0')) {
        for (const auto& s : kSupported) {
            if (entry == s.compatible) {
                *pSoc = s.soc;
                *pName = SocName(s.soc);
                return true;
            }
        }
        // Another Broadcom SoC (the Pi 5's BCM2712): named, not driven.
        if (entry.startsWith(prefix) && entry.size() > prefix.size()) {
            *pName = QStringLiteral("BCM") + QString::fromLatin1(entry.mid(prefix.size()));
            return false;
        }
    }
    pName->clear();
    return false;
}

QString CPiPinBackend::SocName(ESoc soc)
{
    switch (soc) {
    case ESoc::Bcm2835:
        return QStringLiteral("BCM2835");
    case ESoc::Bcm2836:
        return QStringLiteral("BCM2836");
    case ESoc::Bcm2837:
        return QStringLiteral("BCM2837");
    case ESoc::Bcm2711:
        return QStringLiteral("BCM2711");
    }
    return QString();
}

quint64 CPiPinBackend::PeripheralBase(ESoc soc, const QByteArray& ranges)
{
    // soc/ranges: the bus address of the peripherals, then the ARM address,
    // one big-endian word on the older SoCs and two (high word 0) on the
    // BCM2711.
    if (ranges.size() >= 12) {
        const quint64 high = BigEndianWord(ranges, 1);
        const quint64 base = soc == ESoc::Bcm2711 ? (high << 32 | BigEndianWord(ranges, 2)) : high;
        if (base != 0)
            return base;
    }
    switch (soc) {
    case ESoc::Bcm2835:
        return 0x20000000;
    case ESoc::Bcm2836:
    case ESoc::Bcm2837:
        return 0x3F000000;
    case ESoc::Bcm2711:
        return 0xFE000000;
    }
    return 0;
}

std::unique_ptr<CPiPinBackend> CPiPinBackend::Open(CPiSystem& system, QString* pWhy)
{
    const QString dt = system.DeviceTreeFolder();
    const QByteArray compatible = ReadDeviceTreeFile(dt + QStringLiteral("/compatible"));
    ESoc soc = ESoc::Bcm2835;
    QString name;
    if (!SocFromCompatible(compatible, &soc, &name)) {
        if (compatible.isEmpty())
            *pWhy = QStringLiteral("no Raspberry Pi found");
        else if (!name.isEmpty())
            *pWhy = QStringLiteral("Raspberry Pi %1 is not supported (Pi 1 to 4 only)").arg(name);
        else
            *pWhy = QStringLiteral("no Raspberry Pi found (device tree: %1)")
                        .arg(QString::fromLatin1(compatible.split('\0').first()));
        return nullptr;
    }
    const quint64 base = PeripheralBase(soc, ReadDeviceTreeFile(dt + QStringLiteral("/soc/ranges")));

    // /dev/gpiomem maps just the GPIO block, from offset 0.
    int error = 0;
    stRegisters regs;
    regs.gpio = system.Map(kGpioMem, 0, BLOCK_SIZE, &error);
    if (!regs.gpio) {
        *pWhy = MapFailure(kGpioMem, name, error);
        return nullptr;
    }
    regs.pwm = system.Map(kMem, base + PWM_BLOCK, BLOCK_SIZE, &error);
    if (regs.pwm)
        regs.clock = system.Map(kMem, base + CLOCK_BLOCK, BLOCK_SIZE, &error);
    if (!regs.clock) {
        *pWhy = MapFailure(kMem, name, error);
        system.Unmap(regs.gpio, BLOCK_SIZE);
        system.Unmap(regs.pwm, BLOCK_SIZE);
        return nullptr;
    }
    std::unique_ptr<CPiPinBackend> backend(new CPiPinBackend(soc, regs, system));
    backend->m_bOwnsBlocks = true;
    pWhy->clear();
    return backend;
}

int CPiPinBackend::Setup()
{
    return 0; // the blocks were mapped when the backend was opened
}

void CPiPinBackend::SetFunction(int pin, quint32 function)
{
    const unsigned word = GPFSEL0 + 4 * unsigned(pin / 10);
    const int shift = 3 * (pin % 10);
    const quint32 v = Reg(m_pGpio, word);
    SetReg(m_pGpio, word, (v & ~(7u << shift)) | (function << shift));
}

CPiPinBackend::stPwmPin CPiPinBackend::PwmPin(int pin)
{
    switch (pin) {
    case 12:
        return {1, kFunctionAlt0};
    case 13:
        return {2, kFunctionAlt0};
    case 18:
        return {1, kFunctionAlt5};
    case 19:
        return {2, kFunctionAlt5};
    default:
        return {};
    }
}

void CPiPinBackend::SetMode(int pin, EPinMode mode)
{
    std::lock_guard<std::mutex> lock(m_SetupLock);
    const stPeripheralSequence sequence;
    const stPwmPin pwm = PwmPin(pin);
    switch (mode) {
    case EPinMode::Unset:
        break;
    case EPinMode::Input:
        SetFunction(pin, kFunctionInput);
        break;
    case EPinMode::Output:
        SetFunction(pin, kFunctionOutput);
        break;
    case EPinMode::PwmMarkSpace:
        if (pwm.channel == 0)
            break; // no PWM on this pin: it stays as it was
        {
            // The channel's control bits are set whole: a channel left
            // inverted, repeating, idling high or in serialiser mode by
            // another program gives a plain mark-space wave all the same.
            // The other channel's bits stay as they are.
            const quint32 ctl = Reg(m_pPwm, PWM_CTL) & ~ChannelBits(pwm.channel, PWM_CHANNEL_BITS);
            SetReg(m_pPwm, PWM_CTL, ctl | ChannelBits(pwm.channel, PWM_MSEN | PWM_PWEN));
        }
        PeripheralBarrier(); // PWM block -> GPIO block
        SetFunction(pin, pwm.function);
        break;
    case EPinMode::PwmOff:
        // The channel stops and the pin is held low, so the spindle drive
        // sees no pulses at all.
        if (pwm.channel != 0)
            SetReg(m_pPwm, PWM_CTL, Reg(m_pPwm, PWM_CTL) & ~ChannelBits(pwm.channel, PWM_PWEN));
        PeripheralBarrier(); // PWM block -> GPIO block
        SetReg(m_pGpio, GPCLR0, 1u << pin);
        SetFunction(pin, kFunctionOutput);
        break;
    }
}

void CPiPinBackend::SetPull(int pin, EPull pull)
{
    std::lock_guard<std::mutex> lock(m_SetupLock);
    const stPeripheralSequence sequence;
    if (m_eSoc == ESoc::Bcm2711) {
        const quint32 code = pull == EPull::Down ? kPullDown2711 : pull == EPull::Up ? kPullUp2711 : kPullNone2711;
        const unsigned word = GPIO_PUP_PDN_CNTRL0 + 4 * unsigned(pin / 16);
        const int shift = 2 * (pin % 16);
        SetReg(m_pGpio, word, (Reg(m_pGpio, word) & ~(3u << shift)) | (code << shift));
        return;
    }
    // The older SoCs latch the control word into the clocked pins.
    SetReg(m_pGpio, GPPUD, pull == EPull::Down ? kPudDown : pull == EPull::Up ? kPudUp : kPudOff);
    PeripheralBarrier();
    m_System.WaitUs(kPullSettleUs);
    SetReg(m_pGpio, GPPUDCLK0, 1u << pin);
    PeripheralBarrier();
    m_System.WaitUs(kPullSettleUs);
    SetReg(m_pGpio, GPPUD, 0);
    SetReg(m_pGpio, GPPUDCLK0, 0);
}

void CPiPinBackend::PwmSetMode(EPwmMode mode)
{
    std::lock_guard<std::mutex> lock(m_SetupLock);
    const stPeripheralSequence sequence;
    const quint32 ms = ChannelBits(1, PWM_MSEN) | ChannelBits(2, PWM_MSEN);
    const quint32 ctl = Reg(m_pPwm, PWM_CTL);
    SetReg(m_pPwm, PWM_CTL, mode == EPwmMode::MarkSpace ? ctl | ms : ctl & ~ms);
}

// The callers count with a 19.2 MHz PWM clock. The BCM2711 runs its PWM from
// 54 MHz, 45/16 times faster: there the range (and with it the value, to keep
// the duty) grows by 45/16 rather than the divisor, which keeps the divisor
// within its 12 bits and the usual range of 1024 exact (2880), so the
// spindle gets the very frequency it asked for.
quint32 CPiPinBackend::ScaledToOscillator(unsigned count) const
{
    const quint64 osc = OscillatorHz(m_eSoc);
    const quint64 scaled = (quint64(count) * osc + CALLER_PWM_CLOCK_HZ / 2) / CALLER_PWM_CLOCK_HZ;
    // A count past what the 32-bit register holds stays at its largest
    // rather than wrapping round to a short period.
    return quint32(qMin<quint64>(scaled, 0xFFFFFFFFu));
}

void CPiPinBackend::ApplyPwmRange()
{
    const quint32 range = ScaledToOscillator(m_iPwmRange);
    SetReg(m_pPwm, PWM_RNG1, range);
    SetReg(m_pPwm, PWM_RNG2, range);
    ApplyPwmData(1);
    ApplyPwmData(2);
}

void CPiPinBackend::ApplyPwmData(int channel)
{
    SetReg(m_pPwm, channel == 1 ? PWM_DAT1 : PWM_DAT2, ScaledToOscillator(unsigned(qMax(0, m_aPwmValue[channel]))));
}

void CPiPinBackend::PwmSetRange(unsigned range)
{
    std::lock_guard<std::mutex> lock(m_SetupLock);
    const stPeripheralSequence sequence;
    m_iPwmRange = range;
    ApplyPwmRange();
}

void CPiPinBackend::PwmWrite(int pin, int value)
{
    const int channel = PwmPin(pin).channel;
    if (channel == 0)
        return;
    std::lock_guard<std::mutex> lock(m_SetupLock);
    const stPeripheralSequence sequence;
    m_aPwmValue[channel] = value;
    ApplyPwmData(channel);
}

bool CPiPinBackend::StopPwmClock()
{
    // The source (and MASH) must not change while the generator runs: the
    // stop keeps them as they are, and they change once BUSY has cleared.
    const quint32 setup = Reg(m_pClock, CM_PWMCTL) & CM_SETUP_BITS;
    SetReg(m_pClock, CM_PWMCTL, CM_PASSWORD | setup);
    PeripheralBarrier();
    for (int polls = 1; polls <= kClockPolls; ++polls) {
        m_System.WaitUs(kClockPollUs);
        if (!(Reg(m_pClock, CM_PWMCTL) & CM_BUSY))
            return true;
        if (polls == kClockPolls / 2) {
            SetReg(m_pClock, CM_PWMCTL, CM_PASSWORD | CM_KILL | setup);
            PeripheralBarrier();
        }
    }
    return false;
}

int CPiPinBackend::PwmSetClock(int divisor)
{
    std::lock_guard<std::mutex> lock(m_SetupLock);
    const stPeripheralSequence sequence;
    const quint32 div = qMin(quint32(divisor), kMaxDivisor);
    // The PWM stops while its clock changes, and the clock generator must
    // have stopped before its divisor is written.
    const quint32 ctl = Reg(m_pPwm, PWM_CTL);
    SetReg(m_pPwm, PWM_CTL, 0);
    PeripheralBarrier(); // PWM block -> clock manager
    if (!StopPwmClock()) {
        // Still busy even after the kill: writing the divisor or the source
        // now could hang the generator. The PWM goes on as it was and the
        // caller hears of it.
        PeripheralBarrier(); // clock manager -> PWM block
        SetReg(m_pPwm, PWM_CTL, ctl);
        return -EBUSY;
    }
    SetReg(m_pClock, CM_PWMDIV, CM_PASSWORD | (div << 12));
    // Source first, with the generator still stopped, then the start: a
    // source never changes in the write that enables.
    SetReg(m_pClock, CM_PWMCTL, CM_PASSWORD | CM_SRC_OSC);
    SetReg(m_pClock, CM_PWMCTL, CM_PASSWORD | CM_SRC_OSC | CM_ENAB);
    PeripheralBarrier(); // clock manager -> PWM block
    SetReg(m_pPwm, PWM_CTL, ctl);
    return 0;
}

int CPiPinBackend::SpiOpen(unsigned channel, unsigned baud, unsigned flags)
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    int handle = 0;
    while (handle < MAX_SPI_HANDLES && m_aSpi[handle].fd >= 0)
        ++handle;
    if (handle == MAX_SPI_HANDLES)
        return -EMFILE;
    const int bus = (flags & SPI_FLAG_AUX) ? 1 : 0;
    const QByteArray path = QStringLiteral("/dev/spidev%1.%2").arg(bus).arg(channel).toLatin1();
    const int fd = m_System.Open(path.constData());
    if (fd < 0)
        return errno > 0 ? -errno : -EIO;
    quint8 mode = quint8(flags & 3);
    quint8 bits = 8;
    quint32 speed = baud;
    if (m_System.Ioctl(fd, SPI_IOC_WR_MODE, &mode) < 0 || m_System.Ioctl(fd, SPI_IOC_WR_BITS_PER_WORD, &bits) < 0
        || m_System.Ioctl(fd, SPI_IOC_WR_MAX_SPEED_HZ, &speed) < 0) {
        const int error = errno > 0 ? errno : EIO;
        m_System.Close(fd);
        return -error;
    }
    m_aSpi[handle].fd = fd;
    m_aSpi[handle].speed = baud;
    return handle;
}

int CPiPinBackend::SpiMessage(int handle, const char* tx, char* rx, unsigned count)
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    if (handle < 0 || handle >= MAX_SPI_HANDLES || m_aSpi[handle].fd < 0)
        return -EBADF;
    if (count == 0 || !tx)
        return -EINVAL;
    spi_ioc_transfer tr{};
    tr.tx_buf = quint64(reinterpret_cast<quintptr>(tx));
    tr.rx_buf = rx ? quint64(reinterpret_cast<quintptr>(rx)) : 0; // a write has no receive buffer
    tr.len = count;
    tr.speed_hz = m_aSpi[handle].speed;
    tr.bits_per_word = 8;
    const int r = m_System.Ioctl(m_aSpi[handle].fd, SPI_IOC_MESSAGE(1), &tr);
    if (r < 0)
        return errno > 0 ? -errno : -EIO;
    return r;
}

int CPiPinBackend::SpiTransfer(int handle, const char* tx, char* rx, unsigned count)
{
    if (!rx)
        return -EINVAL;
    return SpiMessage(handle, tx, rx, count);
}

int CPiPinBackend::SpiWrite(int handle, const char* tx, unsigned count)
{
    return SpiMessage(handle, tx, nullptr, count);
}

int CPiPinBackend::SpiClose(int handle)
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    if (handle < 0 || handle >= MAX_SPI_HANDLES || m_aSpi[handle].fd < 0)
        return -EBADF;
    m_System.Close(m_aSpi[handle].fd);
    m_aSpi[handle] = stSpiDevice();
    return 0;
}
