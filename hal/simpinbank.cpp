#include "hal/simpinbank.h"

#include "hal/clock.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <type_traits>

namespace {
constexpr auto kRelaxed = std::memory_order_relaxed;
// Negative results of the SPI calls, as a missing bus or bad handle gives.
constexpr int kSpiOpenFailed = -1;
constexpr int kSpiBadHandle = -2;
constexpr int kSpiBadCount = -3;
constexpr int kSpiAllHandlesUsed = -4;
}

CSimPinBank& CSimPinBank::Instance()
{
    static CSimPinBank bank;
    return bank;
}

// The 4 MB write log comes as zeroed pages from the system, each touched
// only when the log reaches it: filling it slot by slot here cost the
// program a good part of its start-up. A zeroed slot is a valid empty one
// (its two atomics hold 0), and only slots written are ever read.
CSimPinBank::CSimPinBank()
    : m_pLog(static_cast<stLogSlot*>(std::calloc(LOG_CAPACITY, sizeof(stLogSlot))))
{
    static_assert(std::is_trivially_destructible_v<stLogSlot>, "the log is released without destructors");
    if (!m_pLog)
        throw std::bad_alloc();
}

void CSimPinBank::stFreeLog::operator()(stLogSlot* p) const
{
    std::free(p);
}

CSimPinBank::~CSimPinBank() = default;

int CSimPinBank::Setup()
{
    m_bSetUp.store(true);
    return 0;
}

void CSimPinBank::SetMode(int pin, EPinMode mode)
{
    m_aPins[pin].mode.store(quint8(mode));
    // Switching a pin to mark-space output puts the PWM channel in that mode.
    if (mode == EPinMode::PwmMarkSpace)
        m_ePwmMode.store(quint8(EPwmMode::MarkSpace));
}

void CSimPinBank::SetPull(int pin, EPull pull)
{
    m_aPins[pin].pull.store(quint8(pull));
}

void CSimPinBank::Write(int pin, int level)
{
    WriteAt(pin, level, CClock::NowNs());
}

void CSimPinBank::WriteMask(quint32 setMask, quint32 clearMask)
{
    // One write: every pin in it carries the same time stamp.
    const qint64 now = CClock::NowNs();
    ForEachMaskPin(setMask, clearMask, [this, now](int pin, int level) { WriteAt(pin, level, now); });
}

void CSimPinBank::WriteAt(int pin, int level, qint64 now)
{
    stPin& p = m_aPins[pin];
    const quint8 lv = level ? 1 : 0;
    const quint8 old = p.level.load(kRelaxed);
    p.level.store(lv, kRelaxed);
    Bump(p.writes);
    if (lv != old) {
        if (lv) {
            Bump(p.rising);
            const int axis = p.stepAxis.load(std::memory_order_acquire);
            if (axis >= 0) {
                stAxis& a = m_aAxes[axis];
                const bool positive = m_aPins[a.dirPin].level.load(kRelaxed) == a.posLevel;
                a.count.store(a.count.load(kRelaxed) + (positive ? 1 : -1), kRelaxed);
            }
        } else {
            Bump(p.falling);
        }
    }
    const quint64 slot = m_iLogNext.fetch_add(1, kRelaxed) & (LOG_CAPACITY - 1);
    m_pLog[slot].tNs.store(now, kRelaxed);
    m_pLog[slot].pinLevel.store(quint32(pin) << 1 | lv, kRelaxed);
}

int CSimPinBank::Read(int pin)
{
    const stPin& p = m_aPins[pin];
    const EPinMode mode = EPinMode(p.mode.load(kRelaxed));
    if (mode == EPinMode::Output || mode == EPinMode::PwmMarkSpace)
        return p.level.load(kRelaxed);
    if (p.hasRules.load(std::memory_order_acquire)) {
        const int n = m_iRuleCount.load(std::memory_order_acquire);
        for (int i = 0; i < n; ++i) {
            const stRule& r = m_aRules[i];
            if (r.pin != pin)
                continue;
            const qint64 c = m_aAxes[r.axis].count.load(kRelaxed);
            if (r.cmp == ECompare::AtLeast ? c >= r.count : c <= r.count)
                return r.level;
        }
    }
    const qint8 in = p.input.load(kRelaxed);
    if (in >= 0)
        return in;
    return EPull(p.pull.load(kRelaxed)) == EPull::Up ? 1 : 0;
}

void CSimPinBank::PwmSetMode(EPwmMode mode)
{
    m_ePwmMode.store(quint8(mode));
}

void CSimPinBank::PwmSetRange(unsigned range)
{
    m_iPwmRange.store(range);
}

int CSimPinBank::PwmSetClock(int divisor)
{
    m_iPwmClock.store(divisor);
    return 0;
}

void CSimPinBank::PwmWrite(int pin, int value)
{
    m_aPins[pin].pwmValue.store(value);
}

int CSimPinBank::SpiOpen(unsigned channel, unsigned baud, unsigned flags)
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    if (m_bSpiOpenFails)
        return kSpiOpenFailed;
    for (int i = 0; i < MAX_SPI_HANDLES; ++i) {
        stSpiHandle& h = m_aSpi[i];
        if (h.open)
            continue;
        h = stSpiHandle();
        h.open = true;
        h.channel = channel;
        h.baud = baud;
        h.flags = flags;
        return i;
    }
    return kSpiAllHandlesUsed;
}

int CSimPinBank::SpiClose(int handle)
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    if (!Handle(handle))
        return kSpiBadHandle;
    m_aSpi[handle].open = false;
    return 0;
}

int CSimPinBank::SpiTransfer(int handle, const char* tx, char* rx, unsigned count)
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    if (!Handle(handle))
        return kSpiBadHandle;
    if (count == 0 || !tx || !rx)
        return kSpiBadCount;
    stSpiHandle& h = m_aSpi[handle];
    h.sent.append(tx, int(count));
    for (unsigned i = 0; i < count; ++i) {
        rx[i] = char((m_iSpiInputs >> (8 * h.readCursor)) & 0xFF);
        h.readCursor = (h.readCursor + 1) % 3;
    }
    return int(count);
}

int CSimPinBank::SpiWrite(int handle, const char* tx, unsigned count)
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    if (!Handle(handle))
        return kSpiBadHandle;
    if (count == 0 || !tx)
        return kSpiBadCount;
    m_aSpi[handle].sent.append(tx, int(count));
    return int(count);
}

const CSimPinBank::stSpiHandle* CSimPinBank::Handle(int handle) const
{
    if (handle < 0 || handle >= MAX_SPI_HANDLES || !m_aSpi[handle].open)
        return nullptr;
    return &m_aSpi[handle];
}

void CSimPinBank::Reset()
{
    for (stPin& p : m_aPins) {
        p.mode.store(quint8(EPinMode::Unset));
        p.pull.store(quint8(EPull::Off));
        p.level.store(0);
        p.input.store(-1);
        p.stepAxis.store(-1);
        p.hasRules.store(false);
        p.pwmValue.store(0);
    }
    m_iAxisCount.store(0);
    m_iRuleCount.store(0);
    ClearLog();
    m_bSetUp.store(false);
    m_ePwmMode.store(quint8(EPwmMode::Balanced));
    m_iPwmRange.store(0);
    m_iPwmClock.store(0);
    {
        std::lock_guard<std::mutex> lock(m_SpiLock);
        m_aSpi.fill(stSpiHandle());
        m_iSpiInputs = 0;
        m_bSpiOpenFails = false;
    }
    CPins::ResetRefusedCount();
}

void CSimPinBank::ClearLog()
{
    for (stPin& p : m_aPins) {
        p.writes.store(0);
        p.rising.store(0);
        p.falling.store(0);
    }
    m_iLogNext.store(0);
}

EPinMode CSimPinBank::Mode(int pin) const
{
    return CPins::IsValidPin(pin) ? EPinMode(m_aPins[pin].mode.load()) : EPinMode::Unset;
}

EPull CSimPinBank::Pull(int pin) const
{
    return CPins::IsValidPin(pin) ? EPull(m_aPins[pin].pull.load()) : EPull::Off;
}

int CSimPinBank::Level(int pin) const
{
    return CPins::IsValidPin(pin) ? m_aPins[pin].level.load() : 0;
}

quint64 CSimPinBank::WriteCount(int pin) const
{
    return CPins::IsValidPin(pin) ? m_aPins[pin].writes.load() : 0;
}

quint64 CSimPinBank::RisingEdges(int pin) const
{
    return CPins::IsValidPin(pin) ? m_aPins[pin].rising.load() : 0;
}

quint64 CSimPinBank::FallingEdges(int pin) const
{
    return CPins::IsValidPin(pin) ? m_aPins[pin].falling.load() : 0;
}

quint64 CSimPinBank::LostLogEntries() const
{
    const quint64 total = TotalWrites();
    return total > LOG_CAPACITY ? total - LOG_CAPACITY : 0;
}

std::vector<stPinWrite> CSimPinBank::WriteLog() const
{
    return WriteLog(-1);
}

std::vector<stPinWrite> CSimPinBank::WriteLog(int pin) const
{
    std::vector<stPinWrite> out;
    const quint64 total = TotalWrites();
    const quint64 first = LostLogEntries();
    out.reserve(size_t(total - first));
    for (quint64 i = first; i < total; ++i) {
        const stLogSlot& s = m_pLog[i & (LOG_CAPACITY - 1)];
        const quint32 pl = s.pinLevel.load();
        stPinWrite w;
        w.tNs = s.tNs.load();
        w.pin = int(pl >> 1);
        w.level = int(pl & 1);
        if (pin < 0 || w.pin == pin)
            out.push_back(w);
    }
    return out;
}

void CSimPinBank::SetInput(int pin, int level)
{
    if (CPins::IsValidPin(pin))
        m_aPins[pin].input.store(level ? 1 : 0);
}

void CSimPinBank::ClearInput(int pin)
{
    if (CPins::IsValidPin(pin))
        m_aPins[pin].input.store(-1);
}

int CSimPinBank::WatchAxis(int stepPin, int dirPin, int positiveDirLevel, qint64 startCount)
{
    const int n = m_iAxisCount.load();
    if (n >= MAX_AXES || !CPins::IsValidPin(stepPin) || !CPins::IsValidPin(dirPin) || stepPin == dirPin
        || m_aPins[stepPin].stepAxis.load() >= 0)
        return -1;
    stAxis& a = m_aAxes[n];
    a.stepPin = stepPin;
    a.dirPin = dirPin;
    a.posLevel = positiveDirLevel ? 1 : 0;
    a.count.store(startCount);
    m_iAxisCount.store(n + 1);
    m_aPins[stepPin].stepAxis.store(qint8(n), std::memory_order_release);
    return n;
}

qint64 CSimPinBank::AxisCount(int axis) const
{
    return ValidAxis(axis) ? m_aAxes[axis].count.load() : 0;
}

void CSimPinBank::SetAxisCount(int axis, qint64 count)
{
    if (ValidAxis(axis))
        m_aAxes[axis].count.store(count);
}

bool CSimPinBank::AddInputRule(int pin, int level, int axis, ECompare cmp, qint64 count)
{
    const int n = m_iRuleCount.load();
    if (n >= MAX_RULES || !CPins::IsValidPin(pin) || !ValidAxis(axis))
        return false;
    stRule& r = m_aRules[n];
    r.pin = pin;
    r.level = level ? 1 : 0;
    r.axis = axis;
    r.cmp = cmp;
    r.count = count;
    m_iRuleCount.store(n + 1, std::memory_order_release);
    m_aPins[pin].hasRules.store(true, std::memory_order_release);
    return true;
}

void CSimPinBank::ClearInputRules()
{
    for (stPin& p : m_aPins)
        p.hasRules.store(false);
    m_iRuleCount.store(0);
}

int CSimPinBank::PwmValue(int pin) const
{
    return CPins::IsValidPin(pin) ? m_aPins[pin].pwmValue.load() : 0;
}

void CSimPinBank::SetSpiInputs(quint32 inputs)
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    m_iSpiInputs = inputs & 0xFFFFFF;
}

quint32 CSimPinBank::SpiInputs() const
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    return m_iSpiInputs;
}

void CSimPinBank::SetSpiOpenFails(bool fail)
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    m_bSpiOpenFails = fail;
}

int CSimPinBank::SpiHandleCount() const
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    return int(std::count_if(m_aSpi.begin(), m_aSpi.end(), [](const stSpiHandle& h) { return h.open; }));
}

CSimPinBank::stSpiRecord CSimPinBank::Spi(int handle) const
{
    std::lock_guard<std::mutex> lock(m_SpiLock);
    const stSpiHandle* h = Handle(handle);
    return h ? stSpiRecord(*h) : stSpiRecord();
}
