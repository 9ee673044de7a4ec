#include "gcode/programmemory.h"

#include "gcode/gcodeprogram.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>

namespace {
// The figure a test set, or -1 to read the system's.
std::atomic<qint64> g_iTestAvailable{-1};
} // namespace

qint64 CProgramMemory::NeededBytes(qint64 iFileBytes)
{
    return iFileBytes * BYTES_PER_FILE_BYTE;
}

qint64 CProgramMemory::Margin(qint64 iAvailable)
{
    return qMax(MIN_MARGIN, iAvailable / 4);
}

qint64 CProgramMemory::MaxFileBytes(qint64 iAvailable, qint64 iReleased)
{
    const qint64 iUsable = iAvailable - Margin(iAvailable) + qMax<qint64>(0, iReleased);
    return iUsable > 0 ? iUsable / BYTES_PER_FILE_BYTE : 0;
}

qint64 CProgramMemory::ParseMemAvailable(const QByteArray& meminfo)
{
    for (const QByteArray& line : meminfo.split('\n')) {
        if (!line.startsWith("MemAvailable:"))
            continue;
        const QList<QByteArray> parts = line.mid(13).simplified().split(' ');
        bool bOk = false;
        const qint64 iValue = parts.value(0).toLongLong(&bOk);
        if (!bOk || iValue < 0)
            return -1;
        // The kernel writes kB (1024 bytes); a bare number is bytes.
        return parts.value(1) == "kB" ? iValue * 1024 : iValue;
    }
    return -1;
}

qint64 CProgramMemory::AvailableBytes()
{
    const qint64 iTest = g_iTestAvailable;
    if (iTest >= 0)
        return iTest;
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    // /proc files report no size: read what there is.
    return ParseMemAvailable(file.readAll());
}

void CProgramMemory::SetAvailableForTest(qint64 iBytes)
{
    g_iTestAvailable = iBytes < 0 ? -1 : iBytes;
}

qint64 CProgramMemory::HeldByLoadedProgram()
{
    return qint64(CGCodeProgram::LineCount()) * MIN_BYTES_PER_LINE;
}

bool CProgramMemory::Fits(const QString& strPath, qint64 iReleased, QString* pErr)
{
    const QFileInfo info(strPath);
    if (!info.isFile())
        return true;
    const qint64 iAvailable = AvailableBytes();
    if (iAvailable < 0)
        return true;
    const qint64 iFileBytes = info.size();
    const qint64 iMax = MaxFileBytes(iAvailable, iReleased);
    if (iFileBytes <= iMax)
        return true;
    if (pErr)
        *pErr = QStringLiteral("G-Code file too large for the free memory: %1 is %2, this machine can load at most "
                               "%3 now")
                    .arg(strPath, SizeText(iFileBytes), SizeText(iMax));
    return false;
}

QString CProgramMemory::SizeText(qint64 iBytes)
{
    if (iBytes < 1000)
        return QStringLiteral("%1 bytes").arg(iBytes);
    const char* units[] = {"kB", "MB", "GB", "TB"};
    double fValue = double(iBytes) / 1000.0;
    int i = 0;
    while (fValue >= 999.95 && i < 3) {
        fValue /= 1000.0;
        ++i;
    }
    return QString::number(fValue, 'f', 1) + QLatin1Char(' ') + QLatin1String(units[i]);
}
