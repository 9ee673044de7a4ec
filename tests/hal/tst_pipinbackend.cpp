#include "core/AppConfig.h"
#include "hal/pinstartup.h"
#include "hal/pins.h"
#include "hal/pipinbackend.h"
#include "hal/simpinbank.h"
#include "machine/diradictrl.h"
#include "machine/kivgpio.h"
#include "settings/spindlesettingsmath.h"

#include <QtTest>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <linux/spi/spidev.h>
#include <map>
#include <string>
#include <sys/mman.h>
#include <ucontext.h>
#include <vector>

Q_DECLARE_METATYPE(CPiPinBackend::ESoc)
Q_DECLARE_METATYPE(EPinMode)
Q_DECLARE_METATYPE(EPull)
Q_DECLARE_METATYPE(std::vector<int>)

namespace {
using Pi = CPiPinBackend;

// The kernel as a Pi would show it, kept in memory: a device-tree folder,
// the three register blocks, device errors to give, and a recorder of the
// spidev calls that answers transfers with scripted bytes.
class CFakePiSystem : public CPiSystem
{
public:
    struct stMap
    {
        std::string device;
        quint64 offset;
    };
    struct stIoctl
    {
        int fd = -1;
        unsigned long request = 0;
        quint32 value = 0; // mode, bits or speed
        QByteArray tx;     // message: the bytes sent
        bool hasRx = false;
        quint32 len = 0, speed = 0;
        quint8 bits = 0;
        bool restZero = false; // no delay, chip-select change or dual/quad lines asked for
    };

    CFakePiSystem()
    {
        for (auto* block : {&gpio, &pwm, &clock})
            block->assign(Pi::BLOCK_SIZE / 4, 0);
    }

    void SetDeviceTree(const QByteArray& compatible, const QByteArray& ranges)
    {
        if (!compatible.isEmpty())
            WriteFile(QStringLiteral("compatible"), compatible);
        if (!ranges.isEmpty()) {
            QVERIFY(QDir(dt.path()).mkpath(QStringLiteral("soc")));
            WriteFile(QStringLiteral("soc/ranges"), ranges);
        }
    }
    Pi::stRegisters Registers() { return {gpio.data(), pwm.data(), clock.data()}; }
    quint32 Gpio(unsigned offset) const { return gpio[offset / 4]; }
    quint32 Pwm(unsigned offset) const { return pwm[offset / 4]; }
    quint32 Clock(unsigned offset) const { return clock[offset / 4]; }

    QString DeviceTreeFolder() const override { return dt.path(); }
    // mapErrors: by device ("/dev/mem"), or by device and block
    // ("/dev/mem@101000": the clock manager alone).
    volatile quint32* Map(const char* device, quint64 offset, std::size_t, int* pError) override
    {
        const std::string block = device + QStringLiteral("@%1").arg(offset & 0xFFFFFF, 0, 16).toStdString();
        if (int e = mapErrors[device] ? mapErrors[device] : mapErrors[block]) {
            *pError = e;
            return nullptr;
        }
        maps.push_back({device, offset});
        if (std::string(device) == "/dev/gpiomem")
            return gpio.data();
        return (offset & 0xFFFFFF) == Pi::PWM_BLOCK ? pwm.data() : clock.data();
    }
    void Unmap(volatile quint32* block, std::size_t) override
    {
        if (block)
            ++unmaps;
    }
    int Open(const char* path) override
    {
        if (int e = openErrors[path]) {
            errno = e;
            return -1;
        }
        opened.push_back(path);
        return 100 + int(opened.size());
    }
    int Ioctl(int fd, unsigned long request, void* arg) override
    {
        stIoctl c;
        c.fd = fd;
        c.request = request;
        if (request == SPI_IOC_MESSAGE(1)) {
            const auto* tr = static_cast<spi_ioc_transfer*>(arg);
            c.tx = QByteArray(reinterpret_cast<const char*>(quintptr(tr->tx_buf)), int(tr->len));
            c.hasRx = tr->rx_buf != 0;
            c.len = tr->len;
            c.speed = tr->speed_hz;
            c.bits = tr->bits_per_word;
            c.restZero = tr->delay_usecs == 0 && tr->cs_change == 0 && tr->tx_nbits == 0 && tr->rx_nbits == 0
                         && tr->word_delay_usecs == 0 && tr->pad == 0;
            for (quint32 i = 0; c.hasRx && i < tr->len; ++i)
                reinterpret_cast<char*>(quintptr(tr->rx_buf))[i] = rxBytes.isEmpty() ? 0 : rxBytes[rxNext++ % rxBytes.size()];
        } else if (request == SPI_IOC_WR_MAX_SPEED_HZ) {
            c.value = *static_cast<quint32*>(arg);
        } else {
            c.value = *static_cast<quint8*>(arg);
        }
        ioctls.push_back(c);
        if (ioctlFailsOn == request) {
            errno = EINVAL;
            return -1;
        }
        return request == SPI_IOC_MESSAGE(1) ? int(c.len) : 0;
    }
    void Close(int fd) override { closed.push_back(fd); }
    void WaitUs(int) override
    {
        ++waits;
        if (onWait)
            onWait();
    }

    std::vector<quint32> gpio, pwm, clock;
    std::map<std::string, int> mapErrors, openErrors;
    std::vector<stMap> maps;
    int unmaps = 0;
    std::vector<std::string> opened;
    std::vector<int> closed;
    std::vector<stIoctl> ioctls;
    unsigned long ioctlFailsOn = 0;
    QByteArray rxBytes;
    int rxNext = 0;
    int waits = 0;
    std::function<void()> onWait;

private:
    void WriteFile(const QString& name, const QByteArray& data)
    {
        QFile f(dt.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
    }
    QTemporaryDir dt;
};

QByteArray Words(std::initializer_list<quint32> words)
{
    QByteArray out;
    for (quint32 w : words) {
        out.append(char(w >> 24));
        out.append(char(w >> 16));
        out.append(char(w >> 8));
        out.append(char(w));
    }
    return out;
}

#if defined(__x86_64__)
// The PWM and clock-manager blocks on pages of their own, whose stores are
// recorded in the order they come: while recording, the pages are read-only;
// a store faults, the handler opens the page and lets that one instruction
// run with the CPU's trap flag set, and the trap that follows it records the
// word stored and closes the page again. Needs x86-64 (the trap flag).
class CRegisterWriteOrder
{
public:
    CRegisterWriteOrder()
    {
        for (auto& page : m_aPages) {
            void* p = mmap(nullptr, Pi::BLOCK_SIZE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            page = p == MAP_FAILED ? nullptr : static_cast<quint32*>(p);
        }
    }
    ~CRegisterWriteOrder()
    {
        Stop();
        for (quint32* page : m_aPages)
            if (page)
                munmap(page, Pi::BLOCK_SIZE);
    }
    bool IsValid() const { return m_aPages[0] && m_aPages[1] && m_aPages[2]; }
    Pi::stRegisters Registers() { return {m_aPages[0], m_aPages[1], m_aPages[2]}; }
    quint32* Pwm() { return m_aPages[1]; }
    quint32* Clock() { return m_aPages[2]; }

    void Start()
    {
        s_pActive = this;
        m_nWrites = 0;
        struct sigaction fault = {}, trap = {};
        fault.sa_sigaction = &CRegisterWriteOrder::OnFault;
        fault.sa_flags = SA_SIGINFO;
        trap.sa_sigaction = &CRegisterWriteOrder::OnTrap;
        trap.sa_flags = SA_SIGINFO;
        sigaction(SIGSEGV, &fault, &m_OldFault);
        sigaction(SIGTRAP, &trap, &m_OldTrap);
        for (int b = 1; b < 3; ++b)
            mprotect(m_aPages[b], Pi::BLOCK_SIZE, PROT_READ);
        m_bRecording = true;
    }
    void Stop()
    {
        if (!m_bRecording)
            return;
        for (int b = 1; b < 3; ++b)
            mprotect(m_aPages[b], Pi::BLOCK_SIZE, PROT_READ | PROT_WRITE);
        sigaction(SIGSEGV, &m_OldFault, nullptr);
        sigaction(SIGTRAP, &m_OldTrap, nullptr);
        s_pActive = nullptr;
        m_bRecording = false;
    }
    // "pwm 00 = 00008181": block, offset, value, in store order.
    QStringList Writes() const
    {
        QStringList out;
        for (int i = 0; i < m_nWrites; ++i)
            out << QStringLiteral("%1 %2 = %3")
                       .arg(QLatin1String(m_aWrites[i].block == 1 ? "pwm" : m_aWrites[i].block == 2 ? "clock" : "gpio"))
                       .arg(m_aWrites[i].offset, 2, 16, QLatin1Char('0'))
                       .arg(m_aWrites[i].value, 8, 16, QLatin1Char('0'));
        return out;
    }

private:
    static constexpr greg_t TRAP_FLAG = 0x100;
    struct stWrite
    {
        int block;
        unsigned offset;
        quint32 value;
    };
    static void OnFault(int, siginfo_t* info, void* context)
    {
        CRegisterWriteOrder* self = s_pActive;
        const auto* addr = static_cast<char*>(info->si_addr);
        for (int b = 1; self && b < 3; ++b) {
            const auto* page = reinterpret_cast<char*>(self->m_aPages[b]);
            if (addr >= page && addr < page + Pi::BLOCK_SIZE && self->m_nWrites < MAX_WRITES) {
                self->m_pPending = reinterpret_cast<volatile quint32*>(const_cast<char*>(addr));
                self->m_aWrites[self->m_nWrites] = {b, unsigned(addr - page), 0};
                mprotect(self->m_aPages[b], Pi::BLOCK_SIZE, PROT_READ | PROT_WRITE);
                static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_EFL] |= TRAP_FLAG;
                return;
            }
        }
        signal(SIGSEGV, SIG_DFL); // a real fault: the store faults again and ends the test
    }
    static void OnTrap(int, siginfo_t*, void* context)
    {
        CRegisterWriteOrder* self = s_pActive;
        static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_EFL] &= ~TRAP_FLAG;
        if (!self || !self->m_pPending)
            return;
        stWrite& w = self->m_aWrites[self->m_nWrites++];
        w.value = *self->m_pPending;
        self->m_pPending = nullptr;
        mprotect(self->m_aPages[w.block], Pi::BLOCK_SIZE, PROT_READ);
    }

    static constexpr int MAX_WRITES = 64;
    static inline CRegisterWriteOrder* s_pActive = nullptr;
    quint32* m_aPages[3] = {nullptr, nullptr, nullptr}; // gpio, pwm, clock
    stWrite m_aWrites[MAX_WRITES] = {};
    int m_nWrites = 0;
    volatile quint32* m_pPending = nullptr;
    bool m_bRecording = false;
    struct sigaction m_OldFault = {}, m_OldTrap = {};
};
#endif

// Function-select field of a pin, read back from the block.
quint32 Function(const CFakePiSystem& sys, int pin)
{
    return (sys.Gpio(Pi::GPFSEL0 + 4 * unsigned(pin / 10)) >> (3 * (pin % 10))) & 7;
}
}

// The Raspberry Pi backend's register, device-tree and spidev traffic, on
// memory blocks, a temporary device tree and an SPI recorder.
class TestPiPinBackend : public QObject
{
    Q_OBJECT

    // Keeps the Pi backend behind CPins for one test.
    struct stInstalled
    {
        explicit stInstalled(CPinBackend* b) { CPins::SetBackend(b); }
        ~stInstalled() { CPins::SetBackend(nullptr); }
    };

private slots:
    void init()
    {
        CPins::SetBackend(nullptr);
        CSimPinBank::Instance().Reset();
        cdiradictrl::CloseDiradiCtrl();
    }
    void cleanup()
    {
        cdiradictrl::CloseDiradiCtrl();
        CPins::SetBackend(nullptr);
    }

    void functionSelectForEveryModeAndPinRange_data()
    {
        QTest::addColumn<int>("pin");
        QTest::addColumn<EPinMode>("mode");
        QTest::addColumn<int>("function"); // -1: the field is left alone
        QTest::newRow("0 input, first field") << 0 << EPinMode::Input << 0;
        QTest::newRow("9 output, last field of word 0") << 9 << EPinMode::Output << 1;
        QTest::newRow("10 output, word 1") << 10 << EPinMode::Output << 1;
        QTest::newRow("19 input, last field of word 1") << 19 << EPinMode::Input << 0;
        QTest::newRow("20 output, word 2") << 20 << EPinMode::Output << 1;
        QTest::newRow("27 input, last header pin") << 27 << EPinMode::Input << 0;
        QTest::newRow("12 PWM, alt0") << 12 << EPinMode::PwmMarkSpace << 4;
        QTest::newRow("13 PWM, alt0") << 13 << EPinMode::PwmMarkSpace << 4;
        QTest::newRow("18 PWM, alt5") << 18 << EPinMode::PwmMarkSpace << 2;
        QTest::newRow("19 PWM, alt5") << 19 << EPinMode::PwmMarkSpace << 2;
        QTest::newRow("5 PWM: no PWM on the pin") << 5 << EPinMode::PwmMarkSpace << -1;
        QTest::newRow("12 PWM off: a low output") << 12 << EPinMode::PwmOff << 1;
        QTest::newRow("unset") << 7 << EPinMode::Unset << -1;
    }
    void functionSelectForEveryModeAndPinRange()
    {
        QFETCH(int, pin);
        QFETCH(EPinMode, mode);
        QFETCH(int, function);
        CFakePiSystem sys;
        // Every field at 111 beforehand, so a neighbour that is touched shows.
        for (unsigned w = 0; w < 6; ++w)
            sys.gpio[w] = 0x3FFFFFFF;
        Pi pi(Pi::ESoc::Bcm2837, sys.Registers(), sys);
        stInstalled use(&pi);
        CPins::SetMode(pin, mode);

        for (int p = 0; p < 30; ++p) {
            const quint32 expected = (p == pin && function >= 0) ? quint32(function) : 7u;
            QVERIFY2(Function(sys, p) == expected, qPrintable(QStringLiteral("pin %1: %2").arg(p).arg(Function(sys, p))));
        }
        QCOMPARE(sys.gpio[6], 0u); // nothing past the function-select words
    }

    void pwmModeSwitchesTheChannel()
    {
        CFakePiSystem sys;
        Pi pi(Pi::ESoc::Bcm2835, sys.Registers(), sys);
        stInstalled use(&pi);
        // Channel 1 as another program may leave it: serialiser from the
        // FIFO, repeating, idling high, inverted. Channel 2 inverted too.
        const quint32 left = Pi::PWM_MODE | Pi::PWM_USEF | Pi::PWM_RPTL | Pi::PWM_SBIT | Pi::PWM_POLA;
        sys.pwm[Pi::PWM_CTL / 4] = left | Pi::PWM_POLA << 8;
        CPins::SetMode(12, EPinMode::PwmMarkSpace);
        QCOMPARE(sys.Pwm(Pi::PWM_CTL), Pi::PWM_PWEN | Pi::PWM_MSEN | Pi::PWM_POLA << 8); // channel 2 untouched
        CPins::SetMode(19, EPinMode::PwmMarkSpace); // channel 2
        QCOMPARE(sys.Pwm(Pi::PWM_CTL), (Pi::PWM_PWEN | Pi::PWM_MSEN) * 0x101u);

        CPins::PwmSetMode(EPwmMode::Balanced);
        QCOMPARE(sys.Pwm(Pi::PWM_CTL), Pi::PWM_PWEN * 0x101u);
        CPins::PwmSetMode(EPwmMode::MarkSpace);
        QCOMPARE(sys.Pwm(Pi::PWM_CTL), (Pi::PWM_PWEN | Pi::PWM_MSEN) * 0x101u);

        // Off: the channel stops, the pin is an output driven low.
        CPins::SetMode(12, EPinMode::PwmOff);
        QCOMPARE(sys.Pwm(Pi::PWM_CTL), (Pi::PWM_PWEN | Pi::PWM_MSEN) * 0x100u | Pi::PWM_MSEN);
        QCOMPARE(Function(sys, 12), 1u);
        QCOMPARE(sys.Gpio(Pi::GPCLR0), 1u << 12);
    }

    // The spindle on each pin that carries hardware PWM: its own channel's
    // range, data and control bits, the other channel left alone. 100 Hz on
    // 19.2 MHz: 192000 counts a period, divisor 192000 / 1024 = 187.5 -> 187,
    // range 2 * round(192000 / 374 = 513.4) = 1026, data 513. On 54 MHz the
    // range and data grow by 54 / 19.2 = 2.8125: 2885.6 -> 2886, 1442.8 ->
    // 1443.
    void spindleOnEachPwmPin_data()
    {
        QTest::addColumn<Pi::ESoc>("soc");
        QTest::addColumn<int>("pin");
        QTest::addColumn<int>("channel");
        QTest::addColumn<quint32>("function");
        QTest::addColumn<quint32>("range");
        QTest::addColumn<quint32>("data");
        QTest::newRow("12: channel 1, alt0") << Pi::ESoc::Bcm2837 << 12 << 1 << 4u << 1026u << 513u;
        QTest::newRow("13: channel 2, alt0") << Pi::ESoc::Bcm2837 << 13 << 2 << 4u << 1026u << 513u;
        QTest::newRow("18: channel 1, alt5") << Pi::ESoc::Bcm2835 << 18 << 1 << 2u << 1026u << 513u;
        QTest::newRow("19: channel 2, alt5") << Pi::ESoc::Bcm2837 << 19 << 2 << 2u << 1026u << 513u;
        QTest::newRow("19 on 54 MHz") << Pi::ESoc::Bcm2711 << 19 << 2 << 2u << 2886u << 1443u;
    }
    void spindleOnEachPwmPin()
    {
        QFETCH(Pi::ESoc, soc);
        QFETCH(int, pin);
        QFETCH(int, channel);
        QFETCH(quint32, function);
        QFETCH(quint32, range);
        QFETCH(quint32, data);
        CFakePiSystem sys;
        Pi pi(soc, sys.Registers(), sys);
        stInstalled use(&pi);
        AppConfig::m_iSpindlePwmOutput = qint8(pin);
        AppConfig::m_stPwmSpndlSettings.m_nCurFreq = 100;
        QVERIFY(CKIVGPIO::PwmStart());
        QCOMPARE(sys.Clock(Pi::CM_PWMDIV), 0x5A000000u | 187u << 12);
        const unsigned rng = channel == 1 ? Pi::PWM_RNG1 : Pi::PWM_RNG2;
        const unsigned dat = channel == 1 ? Pi::PWM_DAT1 : Pi::PWM_DAT2;
        QCOMPARE(sys.Pwm(rng), range);
        QCOMPARE(sys.Pwm(dat), data);
        QCOMPARE(sys.Pwm(channel == 1 ? Pi::PWM_DAT2 : Pi::PWM_DAT1), 0u); // the other channel's duty untouched
        // PWEN (bit 0) and MSEN (bit 7) of the channel: 0x81, or 0x8100 for channel 2.
        QCOMPARE(sys.Pwm(Pi::PWM_CTL), channel == 1 ? 0x81u : 0x8100u);
        QCOMPARE(Function(sys, pin), function);
        CKIVGPIO::PwmStop();
        QCOMPARE(sys.Pwm(Pi::PWM_CTL), channel == 1 ? 0x80u : 0x8000u);
        QCOMPARE(Function(sys, pin), 1u);
    }

    void writesAreSingleStoresAndReadsTheLevelRegister()
    {
        CFakePiSystem sys;
        Pi pi(Pi::ESoc::Bcm2711, sys.Registers(), sys);
        stInstalled use(&pi);
        for (int pin : {0, 2, 17, 27}) {
            sys.gpio[Pi::GPSET0 / 4] = sys.gpio[Pi::GPCLR0 / 4] = 0;
            CPins::Write(pin, 1);
            QCOMPARE(sys.Gpio(Pi::GPSET0), 1u << pin);
            QCOMPARE(sys.Gpio(Pi::GPCLR0), 0u);
            CPins::Write(pin, 0);
            QCOMPARE(sys.Gpio(Pi::GPCLR0), 1u << pin);
            QCOMPARE(sys.Gpio(Pi::GPSET0), 1u << pin); // untouched by the clear
        }
        // A pin outside the header never reaches the registers.
        sys.gpio[Pi::GPSET0 / 4] = sys.gpio[Pi::GPCLR0 / 4] = 0;
        CPins::Write(28, 1);
        CPins::Write(int(static_cast<unsigned short>(qint8(-1))), 0);
        QCOMPARE(sys.Gpio(Pi::GPSET0), 0u);
        QCOMPARE(sys.Gpio(Pi::GPCLR0), 0u);

        const quint32 levels = 0x0A5A0003; // pins 0, 1, 17, 19, 20, 22, 25, 27 high
        sys.gpio[Pi::GPLEV0 / 4] = levels;
        for (int pin = 0; pin < CPins::PIN_COUNT; ++pin)
            QCOMPARE(CPins::Read(pin), int((levels >> pin) & 1));
    }

    // Edges due together: one store to the set register and one to the
    // clear register, through the pin layer and through the pulse loops'
    // port, which stores into the registers without the backend.
    void maskWritesAreOneStoreEach()
    {
        CFakePiSystem sys;
        Pi pi(Pi::ESoc::Bcm2837, sys.Registers(), sys);
        stInstalled use(&pi);
        CPins::WriteMask(1u << 2 | 1u << 4 | 1u << 27, 1u << 3);
        QCOMPARE(sys.Gpio(Pi::GPSET0), 1u << 2 | 1u << 4 | 1u << 27);
        QCOMPARE(sys.Gpio(Pi::GPCLR0), 1u << 3);
        sys.gpio[Pi::GPSET0 / 4] = 0xDEAD;
        CPins::WriteMask(0, 1u << 4); // nothing to set: the set register is not written
        QCOMPARE(sys.Gpio(Pi::GPSET0), 0xDEADu);
        QCOMPARE(sys.Gpio(Pi::GPCLR0), 1u << 4);

        const CPins::stPort port = CPins::Port();
        QVERIFY(port.regs.set == &sys.gpio[Pi::GPSET0 / 4]);
        QVERIFY(port.regs.clear == &sys.gpio[Pi::GPCLR0 / 4]);
        port.Write(1u << 14, 1u << 5);
        QCOMPARE(sys.Gpio(Pi::GPSET0), 1u << 14);
        QCOMPARE(sys.Gpio(Pi::GPCLR0), 1u << 5);
        sys.gpio[Pi::GPLEV0 / 4] = 1u << 23;
        QCOMPARE(port.Read(1u << 23), 1);
        QCOMPARE(port.Read(1u << 24), 0);
    }

    // BCM2835-2837: control word, wait, clock the pin, wait, both cleared.
    void pullSequenceOfTheOlderSocs_data()
    {
        QTest::addColumn<Pi::ESoc>("soc");
        QTest::addColumn<int>("pin");
        QTest::addColumn<EPull>("pull");
        QTest::addColumn<quint32>("code");
        QTest::newRow("2835, down") << Pi::ESoc::Bcm2835 << 23 << EPull::Down << 1u;
        QTest::newRow("2836, up") << Pi::ESoc::Bcm2836 << 4 << EPull::Up << 2u;
        QTest::newRow("2837, down, pin 0") << Pi::ESoc::Bcm2837 << 0 << EPull::Down << 1u;
        QTest::newRow("2837, off, pin 27") << Pi::ESoc::Bcm2837 << 27 << EPull::Off << 0u;
    }
    void pullSequenceOfTheOlderSocs()
    {
        QFETCH(Pi::ESoc, soc);
        QFETCH(int, pin);
        QFETCH(EPull, pull);
        QFETCH(quint32, code);
        CFakePiSystem sys;
        Pi pi(soc, sys.Registers(), sys);
        std::vector<std::pair<quint32, quint32>> seen; // GPPUD, GPPUDCLK0 at each wait
        sys.onWait = [&] { seen.push_back({sys.Gpio(Pi::GPPUD), sys.Gpio(Pi::GPPUDCLK0)}); };
        pi.SetPull(pin, pull);
        const std::vector<std::pair<quint32, quint32>> expected = {{code, 0}, {code, 1u << pin}};
        QCOMPARE(seen, expected);
        QCOMPARE(sys.Gpio(Pi::GPPUD), 0u);
        QCOMPARE(sys.Gpio(Pi::GPPUDCLK0), 0u);
        for (unsigned r = 0; r < 4; ++r)
            QCOMPARE(sys.Gpio(Pi::GPIO_PUP_PDN_CNTRL0 + 4 * r), 0u);
    }

    // BCM2711: two bits per pin, sixteen pins per word, neighbours kept.
    void pullBitsOfTheBcm2711_data()
    {
        QTest::addColumn<int>("pin");
        QTest::addColumn<EPull>("pull");
        QTest::addColumn<unsigned>("word");
        QTest::addColumn<int>("shift");
        QTest::addColumn<quint32>("code");
        QTest::newRow("0 down") << 0 << EPull::Down << 0u << 0 << 2u;
        QTest::newRow("15 up") << 15 << EPull::Up << 0u << 30 << 1u;
        QTest::newRow("16 down, second word") << 16 << EPull::Down << 1u << 0 << 2u;
        QTest::newRow("27 none") << 27 << EPull::Off << 1u << 22 << 0u;
    }
    void pullBitsOfTheBcm2711()
    {
        QFETCH(int, pin);
        QFETCH(EPull, pull);
        QFETCH(unsigned, word);
        QFETCH(int, shift);
        QFETCH(quint32, code);
        CFakePiSystem sys;
        const quint32 before = 0xC3C3C3C3; // a mix of 00 and 11 fields around the pin
        for (unsigned r = 0; r < 4; ++r)
            sys.gpio[Pi::GPIO_PUP_PDN_CNTRL0 / 4 + r] = before;
        Pi pi(Pi::ESoc::Bcm2711, sys.Registers(), sys);
        pi.SetPull(pin, pull);
        for (unsigned r = 0; r < 4; ++r) {
            const quint32 expected = r == word ? (before & ~(3u << shift)) | (code << shift) : before;
            QCOMPARE(sys.Gpio(Pi::GPIO_PUP_PDN_CNTRL0 + 4 * r), expected);
        }
        QCOMPARE(sys.Gpio(Pi::GPPUD), 0u);
        QCOMPARE(sys.Gpio(Pi::GPPUDCLK0), 0u);
        QCOMPARE(sys.waits, 0);
    }

    // The spindle PWM as the pin layer's callers set it: the words in the
    // registers for a few frequencies, on either oscillator.
    void spindlePwmWordsForEachOscillator_data()
    {
        QTest::addColumn<Pi::ESoc>("soc");
        QTest::addColumn<unsigned>("frequency");
        QTest::addColumn<quint32>("divisor");
        QTest::addColumn<quint32>("range");
        QTest::addColumn<quint32>("data");
        // Counts a period on 19.2 MHz c = 19200000 / f; divisor c / 1024
        // (at least 2); range 2 * round(c / (2 * divisor)), data half of it;
        // on 54 MHz range and data times 2.8125, rounded.
        // 100 Hz: c = 192000, 187; 2 * round(513.4) = 1026 (x 2.8125: 2885.6).
        // 5000 Hz: c = 3840, 3; 2 * round(640) = 1280 (3600).
        // 10000 Hz: c = 1920, 1.9 -> 2; 2 * round(480) = 960 (2700).
        QTest::newRow("19.2 MHz, 100 Hz") << Pi::ESoc::Bcm2837 << 100u << 187u << 1026u << 513u;
        QTest::newRow("54 MHz, 100 Hz") << Pi::ESoc::Bcm2711 << 100u << 187u << 2886u << 1443u;
        QTest::newRow("19.2 MHz, 5000 Hz") << Pi::ESoc::Bcm2837 << 5000u << 3u << 1280u << 640u;
        QTest::newRow("54 MHz, 5000 Hz") << Pi::ESoc::Bcm2711 << 5000u << 3u << 3600u << 1800u;
        QTest::newRow("19.2 MHz, 10000 Hz") << Pi::ESoc::Bcm2835 << 10000u << 2u << 960u << 480u;
        QTest::newRow("54 MHz, 10000 Hz") << Pi::ESoc::Bcm2711 << 10000u << 2u << 2700u << 1350u;
    }
    void spindlePwmWordsForEachOscillator()
    {
        QFETCH(Pi::ESoc, soc);
        QFETCH(unsigned, frequency);
        QFETCH(quint32, divisor);
        QFETCH(quint32, range);
        QFETCH(quint32, data);
        CFakePiSystem sys;
        Pi pi(soc, sys.Registers(), sys);
        stInstalled use(&pi);
        AppConfig::m_iSpindlePwmOutput = 12;
        AppConfig::m_stPwmSpndlSettings.m_nCurFreq = quint16(frequency);
        CPins::PwmSetMode(EPwmMode::Balanced);
        CPins::PwmSetRange(CKIVGPIO::PWM_RANGE);
        QVERIFY(CKIVGPIO::PwmStart());

        QCOMPARE(sys.Clock(Pi::CM_PWMDIV), 0x5A000000u | divisor << 12);
        QCOMPARE(sys.Clock(Pi::CM_PWMCTL), 0x5A000011u); // oscillator, enabled
        QCOMPARE(sys.Pwm(Pi::PWM_RNG1), range);
        QCOMPARE(sys.Pwm(Pi::PWM_DAT1), data);
        QCOMPARE(sys.Pwm(Pi::PWM_CTL), 0x81u); // channel 1 on, mark-space
        QCOMPARE(Function(sys, 12), 4u);

        CKIVGPIO::PwmStop();
        QCOMPARE(sys.Pwm(Pi::PWM_CTL), 0x80u);
        QCOMPARE(Function(sys, 12), 1u);
    }

    // Every frequency the PWM page accepts, on both oscillators: the one
    // that comes out of the registers is within 1 % of it, high half the
    // period.
    void everyPageFrequencyWithinOnePercent_data()
    {
        QTest::addColumn<Pi::ESoc>("soc");
        QTest::addColumn<double>("osc");
        QTest::newRow("19.2 MHz") << Pi::ESoc::Bcm2837 << 19200000.0;
        QTest::newRow("54 MHz") << Pi::ESoc::Bcm2711 << 54000000.0;
    }
    void everyPageFrequencyWithinOnePercent()
    {
        QFETCH(Pi::ESoc, soc);
        QFETCH(double, osc);
        CFakePiSystem sys;
        Pi pi(soc, sys.Registers(), sys);
        stInstalled use(&pi);
        AppConfig::m_iSpindlePwmOutput = 12;
        double worst = 0.0;
        for (int f = CSpindleSettingsMath::LOWEST_FREQ; f <= CSpindleSettingsMath::HIGHEST_FREQ; ++f) {
            AppConfig::m_stPwmSpndlSettings.m_nCurFreq = quint16(f);
            QVERIFY(CKIVGPIO::PwmStart());
            const quint32 div = (sys.Clock(Pi::CM_PWMDIV) >> 12) & 0xFFF;
            const quint32 rng = sys.Pwm(Pi::PWM_RNG1);
            const quint32 dat = sys.Pwm(Pi::PWM_DAT1);
            const double driven = osc / div / rng;
            const double error = std::fabs(driven - f) / f;
            worst = std::max(worst, error);
            if (error > 0.01 || std::fabs(2.0 * dat - rng) > 1.0)
                QFAIL(qPrintable(QStringLiteral("%1 Hz: divisor %2, range %3, data %4 give %5 Hz")
                                     .arg(f).arg(div).arg(rng).arg(dat).arg(driven)));
        }
        QVERIFY2(worst < 0.002, qPrintable(QString::number(worst)));
    }

    // Any range and value the callers set: the period and the duty that come
    // out of the registers are those asked for on the 19.2 MHz clock, to
    // within the rounding of one count on the 54 MHz one.
    void pwmRangeAndValueAsSet_data()
    {
        QTest::addColumn<Pi::ESoc>("soc");
        QTest::addColumn<double>("osc");
        QTest::addColumn<unsigned>("range");
        QTest::addColumn<int>("value");
        QTest::addColumn<quint32>("rng");
        QTest::addColumn<quint32>("dat");
        // On 54 MHz every count grows by 54 / 19.2 = 2.8125, rounded:
        // 2812.5 -> 2813, 703.1 -> 703, 2880 exactly, 281.25 -> 281, 5.6 -> 6,
        // 2.8 -> 3; past 32 bits the largest count.
        QTest::newRow("19.2 MHz: as set") << Pi::ESoc::Bcm2835 << 19200000.0 << 1000u << 250 << 1000u << 250u;
        QTest::newRow("54 MHz: 1000 / 250") << Pi::ESoc::Bcm2711 << 54000000.0 << 1000u << 250 << 2813u << 703u;
        QTest::newRow("54 MHz: off") << Pi::ESoc::Bcm2711 << 54000000.0 << 1024u << 0 << 2880u << 0u;
        QTest::newRow("54 MHz: full on") << Pi::ESoc::Bcm2711 << 54000000.0 << 100u << 100 << 281u << 281u;
        QTest::newRow("54 MHz: range 2") << Pi::ESoc::Bcm2711 << 54000000.0 << 2u << 1 << 6u << 3u;
        QTest::newRow("54 MHz: largest range") << Pi::ESoc::Bcm2711 << 54000000.0 << 0xFFFFFFFFu << 1 << 0xFFFFFFFFu
                                               << 3u;
    }
    void pwmRangeAndValueAsSet()
    {
        QFETCH(Pi::ESoc, soc);
        QFETCH(double, osc);
        QFETCH(unsigned, range);
        QFETCH(int, value);
        QFETCH(quint32, rng);
        QFETCH(quint32, dat);
        CFakePiSystem sys;
        Pi pi(soc, sys.Registers(), sys);
        stInstalled use(&pi);
        // Value before range, as well as after: the data follows the range.
        CPins::PwmWrite(12, value);
        CPins::PwmSetRange(range);
        QCOMPARE(sys.Pwm(Pi::PWM_RNG1), rng);
        QCOMPARE(sys.Pwm(Pi::PWM_DAT1), dat);
        CPins::PwmWrite(12, value);
        QCOMPARE(sys.Pwm(Pi::PWM_DAT1), dat);
        if (range < 0x10000000u) {
            const double period = double(rng) / osc, asked = double(range) / 19200000.0;
            QVERIFY2(std::fabs(period - asked) <= 0.5 / osc, qPrintable(QString::number(period)));
            QVERIFY2(std::fabs(double(dat) / rng - double(value) / range) <= 0.5 / rng + 1e-12,
                     qPrintable(QString::number(double(dat) / rng)));
        }
    }

    // The divisor is written only once the clock generator has stopped, and
    // the generator keeps its old source until then; one that stops only
    // after the kill is set up as usual. One that never stops is left as it
    // was and the start fails: the spindle PWM is switched off and the
    // reason is there for the log.
    void clockDivisorWaitsForTheGeneratorToStop_data()
    {
        QTest::addColumn<int>("busyWaits"); // -1: busy for ever
        QTest::newRow("stops after 3 polls") << 3;
        QTest::newRow("stops after the kill") << 60;
        QTest::newRow("never stops") << -1;
    }
    void clockDivisorWaitsForTheGeneratorToStop()
    {
        QFETCH(int, busyWaits);
        CFakePiSystem sys;
        Pi pi(Pi::ESoc::Bcm2835, sys.Registers(), sys);
        stInstalled use(&pi);
        AppConfig::m_iSpindlePwmOutput = 12;
        // Running from another source (PLLD, 6) with MASH 1, at divisor 100.
        const quint32 oldSetup = 6u | 1u << 9;
        sys.pwm[Pi::PWM_CTL / 4] = 0x81;
        sys.clock[Pi::CM_PWMDIV / 4] = 0x5A000000u | 100u << 12;
        sys.clock[Pi::CM_PWMCTL / 4] = 0x5A000000u | oldSetup | Pi::CM_ENAB | Pi::CM_BUSY;
        bool killed = false;
        sys.onWait = [&] {
            QCOMPARE(sys.Clock(Pi::CM_PWMDIV), 0x5A000000u | 100u << 12); // not yet changed
            QCOMPARE(sys.Pwm(Pi::PWM_CTL), 0u);                           // PWM stopped meanwhile
            const quint32 ctl = sys.Clock(Pi::CM_PWMCTL);
            QCOMPARE(ctl & Pi::CM_SETUP_BITS, oldSetup); // source and MASH kept while busy
            QCOMPARE(ctl & Pi::CM_ENAB, 0u);
            QCOMPARE(ctl & 0xFF000000u, 0x5A000000u);
            killed = killed || (ctl & Pi::CM_KILL);
            // The block is plain memory: the generator's busy flag is put
            // back at every poll, over the backend's own writes.
            const bool busy = busyWaits < 0 || sys.waits < busyWaits;
            sys.clock[Pi::CM_PWMCTL / 4] = (ctl & ~Pi::CM_BUSY) | (busy ? Pi::CM_BUSY : 0);
        };
        AppConfig::m_stPwmSpndlSettings.m_nCurFreq = 100;
        const bool started = CKIVGPIO::PwmStart();
        QCOMPARE(started, busyWaits >= 0);
        QCOMPARE(sys.waits, busyWaits < 0 ? 100 : busyWaits);
        QCOMPARE(killed, busyWaits < 0 || busyWaits > 50);
        if (started) {
            QCOMPARE(sys.Clock(Pi::CM_PWMDIV), 0x5A000000u | 187u << 12);
            QCOMPARE(sys.Clock(Pi::CM_PWMCTL), 0x5A000011u); // oscillator, MASH 0, enabled
            QCOMPARE(sys.Pwm(Pi::PWM_CTL), 0x81u);           // running again
            QVERIFY(CKIVGPIO::GetErrorMsg().isEmpty());
        } else {
            QCOMPARE(sys.Clock(Pi::CM_PWMDIV), 0x5A000000u | 100u << 12);
            QCOMPARE(sys.Clock(Pi::CM_PWMCTL) & (Pi::CM_SETUP_BITS | Pi::CM_ENAB), oldSetup);
            QCOMPARE(sys.Pwm(Pi::PWM_CTL), 0x80u); // channel 1 off
            QCOMPARE(Function(sys, 12), 1u);       // the spindle pin a low output
            QCOMPARE(CKIVGPIO::GetErrorMsg(),
                     QStringLiteral("Error: Spindle PWM off: the PWM clock did not stop, so 100 Hz could not be set"));
        }
    }

    // A divisor change, store by store: the PWM stopped; the generator
    // stopped with its old source (PLLD, 6) kept; the divisor; the
    // oscillator as source while still stopped; then the start on its own;
    // and the PWM's control word put back as it was (both channels ran).
    void clockChangeStoreOrder()
    {
#if !defined(__x86_64__)
        QSKIP("the stores are recorded with the x86-64 trap flag");
#else
        CFakePiSystem sys; // the waits
        CRegisterWriteOrder regs;
        QVERIFY(regs.IsValid());
        Pi pi(Pi::ESoc::Bcm2837, regs.Registers(), sys);
        stInstalled use(&pi);
        regs.Pwm()[Pi::PWM_CTL / 4] = 0x8181;
        regs.Clock()[Pi::CM_PWMCTL / 4] = 0x5A000016;          // PLLD, enabled
        regs.Clock()[Pi::CM_PWMDIV / 4] = 0x5A000000u | 100u << 12;
        regs.Start();
        const int result = CPins::PwmSetClock(187);
        regs.Stop();
        QCOMPARE(result, 0);
        const QStringList expected = {
            QStringLiteral("pwm 00 = 00000000"),
            QStringLiteral("clock a0 = 5a000006"),
            QStringLiteral("clock a4 = 5a0bb000"), // 187 = 0xBB in bits 12-23
            QStringLiteral("clock a0 = 5a000001"),
            QStringLiteral("clock a0 = 5a000011"),
            QStringLiteral("pwm 00 = 00008181"),
        };
        QCOMPARE(regs.Writes(), expected);
#endif
    }

    // The SPI board's traffic through the kernel's spidev files.
    void spiBoardThroughSpidev()
    {
        CFakePiSystem sys;
        Pi pi(Pi::ESoc::Bcm2711, sys.Registers(), sys);
        stInstalled use(&pi);
        QCOMPARE(cdiradictrl::InitDiradiCtrl(CTRL_SPI_V3), 1);
        QCOMPARE(sys.opened, (std::vector<std::string>{"/dev/spidev0.0", "/dev/spidev1.2"}));
        QCOMPARE(sys.ioctls.size(), size_t(6));
        for (int dev = 0; dev < 2; ++dev) {
            const CFakePiSystem::stIoctl* c = &sys.ioctls[size_t(3 * dev)];
            QCOMPARE(c[0].fd, 101 + dev);
            QCOMPARE(c[0].request, (unsigned long)SPI_IOC_WR_MODE);
            QCOMPARE(c[0].value, 0u);
            QCOMPARE(c[1].request, (unsigned long)SPI_IOC_WR_BITS_PER_WORD);
            QCOMPARE(c[1].value, 8u);
            QCOMPARE(c[2].request, (unsigned long)SPI_IOC_WR_MAX_SPEED_HZ);
            QCOMPARE(c[2].value, 2000000u);
        }

        // Inputs: three one-byte transfers on the main bus; input 9 is bit 1
        // of the second byte.
        sys.ioctls.clear();
        sys.rxBytes = QByteArray("\x00\x02\x00", 3);
        QCOMPARE(int(cdiradictrl::ReadInput(9)), 1);
        QCOMPARE(sys.ioctls.size(), size_t(3));
        for (const CFakePiSystem::stIoctl& c : sys.ioctls) {
            QCOMPARE(c.fd, 101);
            QCOMPARE(c.request, (unsigned long)SPI_IOC_MESSAGE(1));
            QCOMPARE(c.tx, QByteArray(1, '\0'));
            QVERIFY(c.hasRx);
            QCOMPARE(c.len, 1u);
            QCOMPARE(c.speed, 2000000u);
            QCOMPARE(c.bits, quint8(8));
            QVERIFY(c.restZero);
        }

        // Outputs: one command byte on the auxiliary bus, nothing received.
        sys.ioctls.clear();
        QCOMPARE(cdiradictrl::WriteOutput(13, 1), 1);
        QCOMPARE(sys.ioctls.size(), size_t(1));
        QCOMPARE(sys.ioctls[0].fd, 102);
        QCOMPARE(sys.ioctls[0].tx, QByteArray(1, char(0x9A)));
        QVERIFY(!sys.ioctls[0].hasRx);
        QCOMPARE(sys.ioctls[0].speed, 2000000u);
        QVERIFY(sys.ioctls[0].restZero);

        cdiradictrl::CloseDiradiCtrl();
        QCOMPARE(sys.closed, (std::vector<int>{101, 102}));
    }

    // A bus that does not open takes the board's error path; what did open
    // is closed again and the board is never used.
    void spiOpenFailures_data()
    {
        QTest::addColumn<QString>("missing");
        QTest::addColumn<unsigned long>("failingIoctl");
        QTest::addColumn<QString>("message");
        QTest::addColumn<std::vector<int>>("closed");
        QTest::newRow("auxiliary bus not enabled")
            << "/dev/spidev1.2" << 0ul
            << "Error: Unable to open the SPI I/O board (input channel: ok, output channel: error -2)"
            << std::vector<int>{101};
        QTest::newRow("main bus not enabled")
            << "/dev/spidev0.0" << 0ul
            << "Error: Unable to open the SPI I/O board (input channel: error -2, output channel: ok)"
            << std::vector<int>{101};
        QTest::newRow("mode refused")
            << QString() << (unsigned long)SPI_IOC_WR_MODE
            << "Error: Unable to open the SPI I/O board (input channel: error -22, output channel: error -22)"
            << std::vector<int>{101, 102};
    }
    void spiOpenFailures()
    {
        QFETCH(QString, missing);
        QFETCH(unsigned long, failingIoctl);
        QFETCH(QString, message);
        QFETCH(std::vector<int>, closed);
        CFakePiSystem sys;
        sys.openErrors[missing.toStdString()] = ENOENT;
        sys.ioctlFailsOn = failingIoctl;
        Pi pi(Pi::ESoc::Bcm2837, sys.Registers(), sys);
        stInstalled use(&pi);
        QCOMPARE(cdiradictrl::InitDiradiCtrl(CTRL_SPI_V2), 0);
        QCOMPARE(cdiradictrl::GetErrorMsg(), message);
        QCOMPARE(sys.closed, closed);
        sys.ioctls.clear();
        QCOMPARE(int(cdiradictrl::ReadInput(3)), 0);
        QVERIFY(cdiradictrl::WriteOutput(1, 1) < 0);
        QVERIFY(sys.ioctls.empty());
    }

    void detectionFromTheDeviceTree_data()
    {
        QTest::addColumn<QByteArray>("compatible");
        QTest::addColumn<QByteArray>("ranges");
        QTest::addColumn<QString>("failingDevice");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("why"); // empty: the Pi backend is used
        QTest::addColumn<Pi::ESoc>("soc");
        QTest::addColumn<quint64>("base");
        const QByteArray pi4("raspberrypi,4-model-b\0brcm,bcm2711\0", 35);
        const QByteArray pi4Ranges = Words({0x7E000000, 0x0, 0xFE000000, 0x01800000});
        const QByteArray pi3("raspberrypi,3-model-b\0brcm,bcm2837\0", 35);
        const QByteArray oldRanges = Words({0x7E000000, 0x3F000000, 0x01000000});
        QTest::newRow("Pi 4") << pi4 << pi4Ranges << QString() << 0 << QString() << Pi::ESoc::Bcm2711
                              << quint64(0xFE000000);
        QTest::newRow("Pi 4, device tree of 2019: BCM2838")
            << QByteArray("raspberrypi,4-model-b\0brcm,bcm2838\0", 35) << pi4Ranges << QString() << 0 << QString()
            << Pi::ESoc::Bcm2711 << quint64(0xFE000000);
        QTest::newRow("Pi 3") << pi3 << oldRanges << QString() << 0 << QString() << Pi::ESoc::Bcm2837
                              << quint64(0x3F000000);
        QTest::newRow("Pi 2, no ranges: the SoC's base")
            << QByteArray("raspberrypi,2-model-b\0brcm,bcm2836\0", 35) << QByteArray() << QString() << 0 << QString()
            << Pi::ESoc::Bcm2836 << quint64(0x3F000000);
        QTest::newRow("Pi 1") << QByteArray("raspberrypi,model-b\0brcm,bcm2835\0", 33)
                              << Words({0x7E000000, 0x20000000, 0x01000000}) << QString() << 0 << QString()
                              << Pi::ESoc::Bcm2835 << quint64(0x20000000);
        QTest::newRow("Pi 5") << QByteArray("raspberrypi,5-model-b\0brcm,bcm2712\0", 35) << QByteArray() << QString()
                              << 0 << "Raspberry Pi BCM2712 is not supported (Pi 1 to 4 only)" << Pi::ESoc::Bcm2835
                              << quint64(0);
        QTest::newRow("PC: no device tree") << QByteArray() << QByteArray() << QString() << 0
                                            << "no Raspberry Pi found" << Pi::ESoc::Bcm2835 << quint64(0);
        QTest::newRow("another board") << QByteArray("linux,dummy-virt\0", 17) << QByteArray() << QString() << 0
                                       << "no Raspberry Pi found (device tree: linux,dummy-virt)"
                                       << Pi::ESoc::Bcm2835 << quint64(0);
        QTest::newRow("no /dev/gpiomem") << pi3 << oldRanges << "/dev/gpiomem" << ENOENT
                                         << "Raspberry Pi BCM2837 found, but /dev/gpiomem is missing"
                                         << Pi::ESoc::Bcm2835 << quint64(0);
        QTest::newRow("/dev/gpiomem not allowed")
            << pi3 << oldRanges << "/dev/gpiomem" << EACCES
            << "Raspberry Pi BCM2837 found, but permission denied on /dev/gpiomem: run as root" << Pi::ESoc::Bcm2835
            << quint64(0);
        QTest::newRow("/dev/mem not allowed")
            << pi4 << pi4Ranges << "/dev/mem" << EPERM
            << "Raspberry Pi BCM2711 found, but permission denied on /dev/mem: run as root" << Pi::ESoc::Bcm2835
            << quint64(0);
        // The kernel refuses the clock manager alone: the GPIO and PWM
        // blocks already mapped are let go.
        QTest::newRow("clock block not allowed")
            << pi3 << oldRanges << "/dev/mem@101000" << EPERM
            << "Raspberry Pi BCM2837 found, but permission denied on /dev/mem: run as root" << Pi::ESoc::Bcm2835
            << quint64(0);
        // Pi 4 with high peripherals: 0x4 in the second word, 0x7E000000 in
        // the third: base 0x4_7E000000, the blocks mapped above 4 GiB.
        QTest::newRow("Pi 4, high peripherals")
            << pi4 << Words({0x7E000000, 0x4, 0x7E000000, 0x01800000}) << QString() << 0 << QString()
            << Pi::ESoc::Bcm2711 << quint64(0x47E000000);
    }
    void detectionFromTheDeviceTree()
    {
        QFETCH(QByteArray, compatible);
        QFETCH(QByteArray, ranges);
        QFETCH(QString, failingDevice);
        QFETCH(int, error);
        QFETCH(QString, why);
        QFETCH(Pi::ESoc, soc);
        QFETCH(quint64, base);
        CFakePiSystem sys;
        sys.SetDeviceTree(compatible, ranges);
        sys.mapErrors[failingDevice.toStdString()] = error;
        QString got = QStringLiteral("not set");
        {
            std::unique_ptr<Pi> pi = Pi::Open(sys, &got);
            QCOMPARE(got, why);
            QCOMPARE(bool(pi), why.isEmpty());
            if (pi) {
                QCOMPARE(pi->Soc(), soc);
                QCOMPARE(sys.maps.size(), size_t(3));
                QCOMPARE(sys.maps[0].device, std::string("/dev/gpiomem"));
                QCOMPARE(sys.maps[0].offset, quint64(0));
                QCOMPARE(sys.maps[1].device, std::string("/dev/mem"));
                QCOMPARE(sys.maps[1].offset, base + 0x20C000);
                QCOMPARE(sys.maps[2].offset, base + 0x101000);
            }
        }
        QCOMPARE(sys.unmaps, int(sys.maps.size())); // nothing stays mapped after it is gone
    }

    // The peripheral base: the ARM address in soc/ranges (the second word,
    // on the BCM2711 the third with the second as its high half) over the
    // SoC's documented one. The addresses given in these ranges are none of
    // the documented ones, so only the device tree can have given them.
    void peripheralBase_data()
    {
        QTest::addColumn<Pi::ESoc>("soc");
        QTest::addColumn<QByteArray>("ranges");
        QTest::addColumn<quint64>("base");
        QTest::newRow("2835, 12 bytes") << Pi::ESoc::Bcm2835 << Words({0x7E000000, 0x30000000, 0x01000000})
                                        << quint64(0x30000000);
        QTest::newRow("2837, 12 bytes") << Pi::ESoc::Bcm2837 << Words({0x7E000000, 0x3E000000, 0x01000000})
                                        << quint64(0x3E000000);
        QTest::newRow("2711, third word") << Pi::ESoc::Bcm2711 << Words({0x7E000000, 0x0, 0xFC000000, 0x01800000})
                                          << quint64(0xFC000000);
        QTest::newRow("2711, 64-bit") << Pi::ESoc::Bcm2711 << Words({0x7E000000, 0x4, 0x7E000000, 0x01800000})
                                      << quint64(0x47E000000);
        // No usable ranges: the SoC's own base.
        QTest::newRow("2835, none") << Pi::ESoc::Bcm2835 << QByteArray() << quint64(0x20000000);
        QTest::newRow("2836, none") << Pi::ESoc::Bcm2836 << QByteArray() << quint64(0x3F000000);
        QTest::newRow("2837, 8 bytes: cut short") << Pi::ESoc::Bcm2837 << Words({0x7E000000, 0x3E000000})
                                                  << quint64(0x3F000000);
        QTest::newRow("2711, none") << Pi::ESoc::Bcm2711 << QByteArray() << quint64(0xFE000000);
        QTest::newRow("2711, base 0") << Pi::ESoc::Bcm2711 << Words({0x7E000000, 0x0, 0x0, 0x01800000})
                                      << quint64(0xFE000000);
    }
    void peripheralBase()
    {
        QFETCH(Pi::ESoc, soc);
        QFETCH(QByteArray, ranges);
        QFETCH(quint64, base);
        QCOMPARE(Pi::PeripheralBase(soc, ranges), base);
    }

    // The pins' start-up on a Pi that refuses /dev/mem: the simulated bank
    // drives the pins and the note says why, once.
    void startupFallsBackAndSaysWhy()
    {
        CFakePiSystem sys;
        sys.SetDeviceTree(QByteArray("raspberrypi,4-model-b\0brcm,bcm2711\0", 35), QByteArray());
        sys.mapErrors["/dev/mem"] = EACCES;
        const QString note = QStringLiteral("Pins: simulated pin bank: Raspberry Pi BCM2711 found, but permission "
                                            "denied on /dev/mem: run as root");
        QCOMPARE(CPinStartup::Select(sys), note);
        QCOMPARE(CPinStartup::Note(), note);
        QVERIFY(!CPinStartup::UsesRealPins());
        QCOMPARE(CPins::Backend(), static_cast<CPinBackend*>(&CSimPinBank::Instance()));

        CFakePiSystem working;
        working.SetDeviceTree(QByteArray("brcm,bcm2837\0", 13), QByteArray());
        QCOMPARE(CPinStartup::Select(working), note); // chosen once
        QVERIFY(working.maps.empty());
    }

    // The real mapping reaches a block above 2 GiB (the BCM2711's PWM and
    // clock blocks sit at 0xFE000000 and up), shown on a sparse file; a
    // device that is not there gives ENOENT for the fallback note.
    void realMapReachesHighOffsets()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QByteArray path = dir.filePath(QStringLiteral("mem")).toLocal8Bit();
        const quint64 offset = 0xFE20C000u;
        {
            QFile f(QString::fromLocal8Bit(path));
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (!f.seek(qint64(offset)) || f.write("\x78\x56\x34\x12", 4) != 4 || !f.resize(qint64(offset + Pi::BLOCK_SIZE)))
                QSKIP("no sparse file of 4 GiB here");
        }
        int error = -1;
        volatile quint32* block = CPiSystem::Real().Map(path.constData(), offset, Pi::BLOCK_SIZE, &error);
        QVERIFY2(block, qPrintable(SystemErrorText(error)));
        QCOMPARE(error, 0);
        QCOMPARE(quint32(block[0]), 0x12345678u);
        CPiSystem::Real().Unmap(block, Pi::BLOCK_SIZE);

        QVERIFY(!CPiSystem::Real().Map(dir.filePath(QStringLiteral("none")).toLocal8Bit().constData(), 0,
                                       Pi::BLOCK_SIZE, &error));
        QCOMPARE(error, ENOENT);
    }

    // The callers' start-up of every pin, unchanged, on the Pi's registers.
    void initGpioOnThePiRegisters()
    {
        CFakePiSystem sys;
        Pi pi(Pi::ESoc::Bcm2711, sys.Registers(), sys);
        stInstalled use(&pi);
        AppConfig::m_eDiradiCtrl = CTRL_KIVQ10;
        AppConfig::InstallPinAssignment(CTRL_KIVQ10);
        AppConfig::m_iSpindlePwmOutput = 12;
        AppConfig::m_iPgmStatusOutput = 7;
        QVERIFY(CKIVGPIO::InitGpio());
        const std::vector<int> outputs = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18, 22, 26, 27};
        const std::vector<int> inputs = {16, 19, 20, 21, 23, 24, 25};
        for (int p : outputs)
            QVERIFY2(Function(sys, p) == 1, qPrintable(QString::number(p)));
        for (int p : inputs) {
            QVERIFY2(Function(sys, p) == 0, qPrintable(QString::number(p)));
            const quint32 pull = (sys.Gpio(Pi::GPIO_PUP_PDN_CNTRL0 + 4 * unsigned(p / 16)) >> (2 * (p % 16))) & 3;
            QVERIFY2(pull == 2, qPrintable(QString::number(p))); // pull-down
        }
        QCOMPARE(sys.Pwm(Pi::PWM_RNG1), 2880u);
        QCOMPARE(sys.Pwm(Pi::PWM_CTL) & Pi::PWM_MSEN, 0u); // balanced until the spindle starts
    }
};

QTEST_MAIN(TestPiPinBackend)
#include "tst_pipinbackend.moc"
