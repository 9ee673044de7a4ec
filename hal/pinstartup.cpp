#include "hal/pinstartup.h"

#include "hal/pins.h"
#include "hal/pipinbackend.h"
#include "hal/pisystem.h"

#include <mutex>

namespace {
std::mutex g_Lock;
QString g_strNote;
bool g_bReal = false;
}

QString CPinStartup::Select()
{
    return Select(CPiSystem::Real());
}

QString CPinStartup::Select(CPiSystem& system)
{
    std::lock_guard<std::mutex> lock(g_Lock);
    if (!g_strNote.isEmpty())
        return g_strNote;
    QString why;
    std::unique_ptr<CPiPinBackend> pi = CPiPinBackend::Open(system, &why);
    if (pi) {
        g_strNote = QStringLiteral("Pins: Raspberry Pi %1 (GPIO through /dev/gpiomem, PWM through /dev/mem, "
                                   "SPI through spidev)")
                        .arg(CPiPinBackend::SocName(pi->Soc()));
        g_bReal = true;
        // The backend drives the pins until the process ends; pulse threads
        // may still be writing while static objects are torn down, so it is
        // never destroyed.
        CPins::SetBackend(pi.release());
    } else {
        g_strNote = QStringLiteral("Pins: simulated pin bank: %1").arg(why);
        CPins::SetBackend(nullptr);
    }
    return g_strNote;
}

QString CPinStartup::Note()
{
    std::lock_guard<std::mutex> lock(g_Lock);
    return g_strNote;
}

bool CPinStartup::UsesRealPins()
{
    std::lock_guard<std::mutex> lock(g_Lock);
    return g_bReal;
}
