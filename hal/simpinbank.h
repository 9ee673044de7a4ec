#pragma once
#include "hal/pinbackend.h"
#include "hal/pins.h"

#include <QByteArray>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// One logged pin write: when (CClock::NowNs()), which pin, which level.
struct stPinWrite
{
    qint64 tNs = 0;
    int pin = 0;
    int level = 0;
};

// How an input rule compares a watched axis's step count with its threshold.
enum class ECompare : quint8 { AtLeast, AtMost };

// The simulated pin bank: the backend used on a PC and in every test.
//
// It keeps each pin's mode, pull and output level, logs every write with its
// time stamp in a preallocated ring, counts edges, and answers reads from
// what a test scripted:
//   - a fixed level (SetInput), e.g. the emergency-stop input pressed;
//   - input rules on a watched axis: the bank counts the step pulses of an
//     axis it was told about (WatchAxis: step pin, direction pin, direction
//     level meaning positive), and a rule says "pin P reads L while the
//     axis's count is >= N" (or <= N). That is a home switch, the Z probe
//     touching the surface, a limit that trips at a position.
// A read of an output pin gives its driven level. An input reads the first
// matching rule, else the fixed level, else its pull (pull-up 1, else 0).
//
// PWM settings and SPI traffic are recorded too; the SPI board's inputs are
// a 24-bit register whose bytes (inputs 0-7, 8-15, 16-23) come back one per
// byte transferred.
//
// Writes and reads cost no allocation and no lock: each pin is driven by one
// thread at a time (as on the machine), the log slot is claimed with one
// atomic add. Configuring (Reset, WatchAxis, AddInputRule, ClearLog) is done
// while no pulses run; SetInput may be called at any time.
class CSimPinBank : public CPinBackend
{
public:
    static constexpr int MAX_AXES = 8;
    static constexpr int MAX_RULES = 64;
    static constexpr int MAX_SPI_HANDLES = 4;
    static constexpr quint64 LOG_CAPACITY = quint64(1) << 18;

    // The bank behind CPins by default.
    static CSimPinBank& Instance();

    CSimPinBank();
    ~CSimPinBank() override;
    CSimPinBank(const CSimPinBank&) = delete;
    CSimPinBank& operator=(const CSimPinBank&) = delete;

    // --- backend ---
    int Setup() override;
    void SetMode(int pin, EPinMode mode) override;
    void SetPull(int pin, EPull pull) override;
    void Write(int pin, int level) override;
    // Logs each pin of the write with one and the same time stamp, in pin
    // order.
    void WriteMask(quint32 setMask, quint32 clearMask) override;
    int Read(int pin) override;
    void PwmSetMode(EPwmMode mode) override;
    void PwmSetRange(unsigned range) override;
    int PwmSetClock(int divisor) override;
    void PwmWrite(int pin, int value) override;
    int SpiOpen(unsigned channel, unsigned baud, unsigned flags) override;
    int SpiTransfer(int handle, const char* tx, char* rx, unsigned count) override;
    int SpiWrite(int handle, const char* tx, unsigned count) override;
    int SpiClose(int handle) override;

    // --- for tests ---
    // Everything back to power-on: pins unset and low, log, counters, inputs,
    // axes, rules, PWM and SPI cleared. Also clears CPins' refusal count.
    void Reset();
    // Empties the write log and the per-pin write and edge counters.
    void ClearLog();

    bool IsSetUp() const { return m_bSetUp.load(); }
    EPinMode Mode(int pin) const;
    EPull Pull(int pin) const;
    int Level(int pin) const; // the driven (output) level
    quint64 WriteCount(int pin) const;
    quint64 RisingEdges(int pin) const;
    quint64 FallingEdges(int pin) const;

    // Writes since the last clear, and the part of them the ring has lost.
    quint64 TotalWrites() const { return m_iLogNext.load(); }
    quint64 LostLogEntries() const;
    // The logged writes, oldest first (all pins, or one pin).
    std::vector<stPinWrite> WriteLog() const;
    std::vector<stPinWrite> WriteLog(int pin) const;

    void SetInput(int pin, int level);
    void ClearInput(int pin);

    // Starts counting the step pulses of an axis: +1 on each rising edge of
    // stepPin while dirPin is at positiveDirLevel, -1 otherwise. Returns the
    // axis handle for AxisCount and AddInputRule, or -1 (bad pin, full).
    int WatchAxis(int stepPin, int dirPin, int positiveDirLevel, qint64 startCount = 0);
    qint64 AxisCount(int axis) const;
    void SetAxisCount(int axis, qint64 count);
    // pin reads level while the axis count compares true with count.
    // Rules are tried in the order they were added. false when refused.
    bool AddInputRule(int pin, int level, int axis, ECompare cmp, qint64 count);
    void ClearInputRules();

    EPwmMode PwmMode() const { return EPwmMode(m_ePwmMode.load()); }
    unsigned PwmRange() const { return m_iPwmRange.load(); }
    int PwmClock() const { return m_iPwmClock.load(); }
    int PwmValue(int pin) const;

    // The 24 inputs of the SPI board, input n in bit n.
    void SetSpiInputs(quint32 inputs);
    quint32 SpiInputs() const;
    // Makes the next SpiOpen calls fail (as a missing SPI bus does).
    void SetSpiOpenFails(bool fail);
    // Handles open now.
    int SpiHandleCount() const;
    // What was opened on a handle and every byte sent on it (writes and
    // transfers), oldest first; open is false for a handle not open.
    struct stSpiRecord
    {
        bool open = false;
        unsigned channel = 0;
        unsigned baud = 0;
        unsigned flags = 0;
        QByteArray sent;
    };
    stSpiRecord Spi(int handle) const;
    QByteArray SpiSent(int handle) const { return Spi(handle).sent; }

private:
    struct stPin
    {
        std::atomic<quint8> mode{quint8(EPinMode::Unset)};
        std::atomic<quint8> pull{quint8(EPull::Off)};
        std::atomic<quint8> level{0};
        std::atomic<qint8> input{-1};
        std::atomic<qint8> stepAxis{-1};
        std::atomic<bool> hasRules{false};
        std::atomic<quint64> writes{0};
        std::atomic<quint64> rising{0};
        std::atomic<quint64> falling{0};
        std::atomic<int> pwmValue{0};
    };
    struct stAxis
    {
        int stepPin = -1;
        int dirPin = -1;
        int posLevel = 0;
        std::atomic<qint64> count{0};
    };
    struct stRule
    {
        int pin = -1;
        int level = 0;
        int axis = 0;
        ECompare cmp = ECompare::AtLeast;
        qint64 count = 0;
    };
    struct stLogSlot
    {
        std::atomic<qint64> tNs{0};
        std::atomic<quint32> pinLevel{0};
    };
    struct stSpiHandle : stSpiRecord
    {
        unsigned readCursor = 0; // which byte of the input register comes next
    };

    // One writer per pin: a load and a store, no locked add.
    static void Bump(std::atomic<quint64>& counter)
    {
        counter.store(counter.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    void WriteAt(int pin, int level, qint64 now);
    bool ValidAxis(int axis) const { return axis >= 0 && axis < m_iAxisCount.load(); }
    const stSpiHandle* Handle(int handle) const;

    std::array<stPin, CPins::PIN_COUNT> m_aPins;
    std::array<stAxis, MAX_AXES> m_aAxes;
    std::atomic<int> m_iAxisCount{0};
    std::array<stRule, MAX_RULES> m_aRules;
    std::atomic<int> m_iRuleCount{0};
    struct stFreeLog
    {
        void operator()(stLogSlot* p) const;
    };
    std::unique_ptr<stLogSlot[], stFreeLog> m_pLog;
    std::atomic<quint64> m_iLogNext{0};
    std::atomic<bool> m_bSetUp{false};

    std::atomic<quint8> m_ePwmMode{quint8(EPwmMode::Balanced)};
    std::atomic<unsigned> m_iPwmRange{0};
    std::atomic<int> m_iPwmClock{0};

    mutable std::mutex m_SpiLock;
    std::array<stSpiHandle, MAX_SPI_HANDLES> m_aSpi;
    quint32 m_iSpiInputs = 0;
    bool m_bSpiOpenFails = false;
};
