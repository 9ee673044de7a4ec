// Loads and checks generated G-code programs of typical CAM output (G0, G1,
// G2 and G3 lines with coordinates and feeds) and prints the time, lines per
// second and memory per line of each step.
//
//   bench_gcode_load [lines ...]      (default: 200000 1000000)
#include "core/AppPaths.h"
#include "gcode/gcodechecker.h"
#include "gcode/gcodeprogram.h"

#include <QCoreApplication>
#include "hal/clock.h"
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>
#include <unistd.h>

namespace {
long ResidentBytes()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLong() * sysconf(_SC_PAGESIZE) : 0;
}

bool WriteProgram(const QString& path, int nLines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream out(&file);
    out << "(generated program)\nG21 G90\nG17\nM3 S12000\n";
    double x = 0.0, y = 0.0;
    for (int i = 4; i < nLines - 1; ++i) {
        x += 0.0137;
        y -= 0.0071;
        switch (i % 8) {
        case 0: out << "G0 Z5.0000\n"; break;
        case 1: out << "G0 X" << QString::number(x, 'f', 4) << " Y" << QString::number(y, 'f', 4) << "\n"; break;
        case 2: out << "G1 Z-1.2500 F300\n"; break;
        case 3: out << "G2 X" << QString::number(x, 'f', 4) << " Y" << QString::number(y, 'f', 4)
                    << " I1.5000 J-0.2500 F1200\n"; break;
        case 4: out << "G3 X" << QString::number(x, 'f', 4) << " Y" << QString::number(y, 'f', 4)
                    << " I-0.7500 J0.1250\n"; break;
        default: out << "G1 X" << QString::number(x, 'f', 4) << " Y" << QString::number(y, 'f', 4)
                     << " Z-1.2500 F1200\n"; break;
        }
    }
    out << "M30\n";
    return out.status() == QTextStream::Ok;
}

void Run(const QString& folder, int nLines)
{
    const QString path = folder + QStringLiteral("/bench.ncc");
    if (!WriteProgram(path, nLines)) {
        std::printf("cannot write %s\n", qPrintable(path));
        return;
    }
    CGCodeProgram::ClearCurGCodeData();
    const long rssBefore = ResidentBytes();
    CStopWatch timer;
    timer.start();
    CGCodeProgram::LoadGCode(path, nullptr);
    const double loadS = timer.nsecsElapsed() / 1e9;
    const long rssAfter = ResidentBytes();
    const size_t n = CGCodeProgram::LineCount();

    CGCodeProgram::m_CompilationErrors.clear();
    timer.start();
    CGCodeChecker::CompileGCode(nullptr);
    const double checkS = timer.nsecsElapsed() / 1e9;

    std::printf("%zu lines (%lld bytes)\n", n, static_cast<long long>(QFile(path).size()));
    std::printf("  load+tokenize: %8.3f s  %10.0f lines/s  %6.0f bytes/line held\n", loadS, n / loadS,
                double(rssAfter - rssBefore) / double(n));
    std::printf("  check:         %8.3f s  %10.0f lines/s  %zu lines with errors\n", checkS, n / checkS,
                CGCodeProgram::m_CompilationErrors.size());
    CGCodeProgram::ClearCurGCodeData();
    QFile::remove(path);
}
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::printf("no temporary folder\n");
        return 1;
    }
    CAppPaths::SetRoot(dir.path()); // tool-change files would be looked for here
    QList<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes << QByteArray(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {200000, 1000000};
    for (int n : sizes)
        if (n > 1)
            Run(dir.path(), n);
    return 0;
}
