// Times DXF to G-code conversion on generated drawings of 1,000 to 1,000,000
// pieces: rounded rectangles made of lines, arcs and polylines, stored in
// shuffled order with lines in random directions, so that chaining has to
// search for every next piece and turn some of them (and the arcs) round.
// Chaining is also given per piece, which stays flat as drawings grow.
// The whole conversion (two passes, written to a temporary folder) is run up
// to 100,000 pieces; the 1,000,000-piece drawing is read and chained only,
// to keep the run short and the disk use small.
#include "gcode/dxf2gcode.h"
#include "gcode/dxfreader.h"
#include "hal/clock.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string Num(double v)
{
    char buf[64];
    return std::string(buf, std::to_chars(buf, buf + sizeof(buf), v).ptr);
}

std::string Line(double x1, double y1, double x2, double y2)
{
    return "0\nLINE\n8\n0\n10\n" + Num(x1) + "\n20\n" + Num(y1) + "\n11\n" + Num(x2) + "\n21\n" + Num(y2) + "\n";
}

std::string Arc(double cx, double cy, double r, double a0, double a1)
{
    return "0\nARC\n8\n0\n10\n" + Num(cx) + "\n20\n" + Num(cy) + "\n40\n" + Num(r) + "\n50\n" + Num(a0) + "\n51\n"
           + Num(a1) + "\n";
}

std::string Polyline(const std::vector<std::pair<double, double>>& pts)
{
    std::string s = "0\nLWPOLYLINE\n8\n0\n90\n" + std::to_string(pts.size()) + "\n70\n0\n";
    for (const auto& p : pts)
        s += "10\n" + Num(p.first) + "\n20\n" + Num(p.second) + "\n";
    return s;
}

// A drawing of at least `pieces` pieces; returns the number of outlines.
int WriteDrawing(const QString& path, int pieces, std::mt19937& rng)
{
    const int perLoop = 9; // 4 arcs, 3 lines, a polyline of 2 pieces
    const int loops = (pieces + perLoop - 1) / perLoop;
    const int columns = 100;
    const double w = 8.0, h = 5.0, r = 1.0, pitch = 12.0;
    std::vector<std::string> entities;
    entities.reserve(size_t(loops) * 8);
    std::bernoulli_distribution flip(0.5);
    auto line = [&](double x1, double y1, double x2, double y2) {
        entities.push_back(flip(rng) ? Line(x2, y2, x1, y1) : Line(x1, y1, x2, y2));
    };
    for (int i = 0; i < loops; ++i) {
        const double x = (i % columns) * pitch - 500.0, y = (i / columns) * pitch - 300.0;
        line(x + r, y, x + w - r, y);
        entities.push_back(Arc(x + w - r, y + r, r, 270, 360));
        entities.push_back(Polyline({{x + w, y + r}, {x + w, y + h / 2}, {x + w, y + h - r}}));
        entities.push_back(Arc(x + w - r, y + h - r, r, 0, 90));
        line(x + w - r, y + h, x + r, y + h);
        entities.push_back(Arc(x + r, y + h - r, r, 90, 180));
        line(x, y + h - r, x, y + r);
        entities.push_back(Arc(x + r, y + r, r, 180, 270));
    }
    std::shuffle(entities.begin(), entities.end(), rng);
    std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary);
    out << "0\nSECTION\n2\nENTITIES\n";
    for (const std::string& e : entities)
        out << e;
    out << "0\nENDSEC\n0\nEOF\n";
    return loops;
}

double Ms(const CStopWatch& sw) { return sw.nsecsElapsed() / 1e6; }

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    std::mt19937 rng(12345);
    std::printf("%-9s %9s %8s %10s %10s %14s %10s %12s\n", "pieces", "outlines", "DXF MB", "parse ms", "chain ms",
                "chain us/piece", "total ms", "program MB");
    for (int pieces : {1000, 10000, 100000, 1000000}) {
        const QString file = dir.filePath(QString("drawing%1.dxf").arg(pieces));
        const int loops = WriteDrawing(file, pieces, rng);

        // Reading and chaining on their own, then the whole conversion with
        // two passes written to disk.
        CStopWatch sw;
        sw.start();
        std::ifstream in(QFile::encodeName(file).toStdString(), std::ios::binary);
        dxf::DXFReader reader(in);
        std::vector<dxf::RawSeg> segs = dxf::parse_entities(reader);
        const double parseMs = Ms(sw);
        const size_t read = segs.size();
        sw.start();
        const size_t paths = dxf::group_paths(std::move(segs), dxf::CHAIN_TOLERANCE).size();
        const double chainMs = Ms(sw);

        if (paths != size_t(loops)) {
            std::fprintf(stderr, "chaining gave %zu paths for %d outlines\n", paths, loops);
            return 1;
        }
        if (pieces > 100000) {
            std::printf("%-9zu %9zu %8.1f %10.1f %10.1f %14.2f %10s %12s\n", read, paths,
                        QFileInfo(file).size() / 1e6, parseMs, chainMs, chainMs * 1000 / double(read), "-", "-");
            QFile::remove(file);
            continue;
        }
        stDXF2GCode params;
        params.m_strDxfFile = file;
        params.m_fStepDown = 1.0;
        params.m_fTotalDepth = 2.0;
        std::ostringstream messages;
        sw.start();
        const int rc = CreateGcodeFromDxf(params, messages);
        const double totalMs = Ms(sw);
        if (rc != 0 || paths != size_t(loops)) {
            std::fprintf(stderr, "conversion failed (%zu paths for %d outlines): %s", paths, loops,
                         messages.str().c_str());
            return 1;
        }
        std::printf("%-9zu %9zu %8.1f %10.1f %10.1f %14.2f %10.1f %12.1f\n", read, paths,
                    QFileInfo(file).size() / 1e6, parseMs, chainMs, chainMs * 1000 / double(read), totalMs,
                    QFileInfo(DxfOutputPath(file)).size() / 1e6);
        QFile::remove(file);
        QFile::remove(DxfOutputPath(file));
    }
    return 0;
}
