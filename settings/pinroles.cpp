#include "settings/pinroles.h"

#include "core/AppConfig.h"

#include <QStringList>

#include <iterator>

int CPinRoles::HeaderPin(int iGpio)
{
    // Header position of BCM 0 .. 27.
    static const int HEADER[] = {27, 28, 3,  5,  7,  29, 31, 26, 24, 21, 19, 23, 32, 33,
                                 8,  10, 36, 11, 12, 35, 38, 40, 15, 16, 18, 22, 37, 13};
    return iGpio >= 0 && iGpio < int(std::size(HEADER)) ? HEADER[iGpio] : 0;
}

QString CPinRoles::Roles(int iGpio)
{
    QStringList lstRoles;
    for (int i = 0; i < AppConfig::AxesInUse(); ++i) {
        const QString strAxis = AppConfig::m_strAxisNames[i].left(1); // "X-Axis": X
        if (AppConfig::m_iAxisPulseOutput[i] == iGpio)
            lstRoles << strAxis + QStringLiteral(" step output");
        if (AppConfig::m_iAxisDirOutput[i] == iGpio)
            lstRoles << strAxis + QStringLiteral(" direction output");
        if (AppConfig::m_iAxisMchHomeSensorInput[i] == iGpio)
            lstRoles << strAxis + QStringLiteral(" home input");
    }
    const struct
    {
        qint8 m_iPin;
        const char* m_pRole;
    } single[] = {
        {AppConfig::m_iSpindlePwmOutput, "spindle PWM output"},
        {AppConfig::m_iPgmStatusOutput, "program-status output"},
        {AppConfig::m_iPgmStartInput, "program-start input"},
        {AppConfig::m_iEStopInput, "emergency-stop input"},
        {AppConfig::m_iZProbeInput, "Z-probe input"},
    };
    for (const auto& s : single)
        if (s.m_iPin == iGpio)
            lstRoles << QLatin1String(s.m_pRole);
    for (auto it = AppConfig::m_lstMCodesPin.cbegin(); it != AppConfig::m_lstMCodesPin.cend(); ++it)
        if (it.value() == iGpio)
            lstRoles << QStringLiteral("M%1 output").arg(it.key(), 2, 10, QLatin1Char('0'));
    for (auto it = AppConfig::m_lstIPs.cbegin(); it != AppConfig::m_lstIPs.cend(); ++it)
        if (it.value() == iGpio)
            lstRoles << QStringLiteral("IP%1 input").arg(it.key());
    return lstRoles.isEmpty() ? QStringLiteral("not used") : lstRoles.join(QStringLiteral(", "));
}

QString CPinRoles::Describe(int iGpio)
{
    return QStringLiteral("GPIO %1 (header pin %2): %3").arg(iGpio).arg(HeaderPin(iGpio)).arg(Roles(iGpio));
}
