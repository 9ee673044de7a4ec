// module-probe: loads the program's two modules as the program does and
// prints, for each, the file it was loaded from (as the process maps it) or
// why it could not be loaded. Run from an installed program's folder, it
// shows that the installed program finds its own modules.
#include "core/ModuleLibrary.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <cstdio>

namespace {
// The file of the loaded module named strFileName, from the process's maps.
QString MappedFrom(const QString& strFileName)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return QString();
    const QStringList lines = QString::fromLocal8Bit(maps.readAll()).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const int iSlash = line.indexOf(QLatin1Char('/'));
        if (iSlash >= 0 && line.endsWith(QLatin1Char('/') + strFileName))
            return line.mid(iSlash);
    }
    return QString();
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const struct
    {
        const char* m_pFile;
        const char* m_pEntry;
    } modules[] = {{"libdiradi_cvio.so", "diradi_cvio_api"}, {"libdiradi_vision.so", "diradi_vision_api"}};
    int iFailed = 0;
    for (const auto& module : modules) {
        QString strErr;
        const QString strFile = QString::fromLatin1(module.m_pFile);
        if (CModuleLibrary::Entry(strFile, module.m_pEntry, strErr)) {
            std::printf("%s: %s\n", module.m_pFile, qPrintable(MappedFrom(strFile)));
        } else {
            std::printf("%s: %s\n", module.m_pFile, qPrintable(strErr));
            ++iFailed;
        }
    }
    return iFailed == 0 ? 0 : 1;
}
