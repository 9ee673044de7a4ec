// Times the relief-carving G-code of photo-sized pictures at 0.05 mm a pixel
// with a 3.175 mm end mill, in one layer and in 12 layers, beside a bare
// writer (snprintf and fwrite) of the same number of lines in the same run,
// and the carving grid alone for end mills of 1 to 6 mm.
//
//   bench_carving [--rounds N] [--small]     (--small: the 2000 x 1500 picture only)
//
// The picture is a generated "photo": smooth shading with fine detail and a
// little noise, so that most neighbouring grid columns differ and the file
// has about one line per grid cell and pass, as a real photo gives.
#include "control/gcodewriter.h"
#include "control/imgcarving.h"
#include "hal/clock.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

const double PIXEL_MM = 0.05;
const double END_MILL_MM = 3.175;

QImage Photo(int width, int height)
{
    QImage img(width, height, QImage::Format_Grayscale8);
    unsigned seed = 2024u;
    for (int y = 0; y < height; ++y) {
        uchar* line = img.scanLine(y);
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const double u = double(x) / width, v = double(y) / height;
            const double shade = 0.5 + 0.25 * std::sin(6.0 * u + 2.0 * v) * std::cos(5.0 * v - u)
                                 + 0.15 * std::sin(40.0 * u * v + 9.0 * u) + 0.05 * std::sin(150.0 * u);
            const int noise = int((seed >> 24) & 15) - 8;
            line[x] = uchar(std::clamp(int(shade * 255.0) + noise, 0, 255));
        }
    }
    return img;
}

stImgCarvingInfo Job(const QImage& img, bool layered)
{
    stImgCarvingInfo info;
    info.m_fLength = img.width() * PIXEL_MM;
    info.m_fWidth = img.height() * PIXEL_MM;
    info.m_fXStep = 0.2;
    info.m_fYStep = 0.2;
    // One layer: 6 mm in passes of 1 mm. Layers: 12 mm in 12 layers of 1 mm.
    info.m_fDepth = layered ? 12.0 : 6.0;
    info.m_fZStep = 1.0;
    return info;
}

double Seconds(const CStopWatch& timer)
{
    return double(timer.nsecsElapsed()) / 1e9;
}

long long LineCount(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    long long n = 0;
    while (!file.atEnd()) {
        const QByteArray block = file.read(1 << 20);
        n += std::count(block.begin(), block.end(), '\n');
    }
    return n;
}

// The floor: one snprintf and one fwrite a line, the lines a 3D step writes.
double BareWriter(const QString& path, long long lines)
{
    CStopWatch timer;
    timer.start();
    FILE* file = std::fopen(qPrintable(path), "w");
    if (!file)
        return 0.0;
    char buf[64];
    double x = 1.5875, z = 0.0;
    for (long long i = 0; i < lines; ++i) {
        x += 0.2;
        if (x > 98.0)
            x = 1.5875;
        z = -double((i * 7919) % 60000) / 10000.0;
        const int n = std::snprintf(buf, sizeof(buf), "X%.4f Z%.4f\n", x, z);
        std::fwrite(buf, 1, size_t(n), file);
    }
    std::fclose(file);
    return Seconds(timer);
}

void Carving(const QString& folder, const QImage& img, bool layered, int rounds)
{
    const QString path = folder + QStringLiteral("/carving.txt");
    const QString barePath = folder + QStringLiteral("/bare.txt");
    stCutSettings settings;
    settings.m_fEndMillDia = END_MILL_MM;
    settings.m_bMultipass = layered;
    std::vector<double> ours, bare;
    long long lines = 0;
    qint64 bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        stImgCarvingInfo info = Job(img, layered);
        QString err;
        CStopWatch timer;
        timer.start();
        if (!CGCodeWriter::WriteImage(path, &img, info, settings, QStringLiteral("/pictures/"), err)) {
            std::printf("  refused: %s\n", qPrintable(err));
            return;
        }
        ours.push_back(Seconds(timer));
        lines = LineCount(path);
        bytes = QFile(path).size();
        bare.push_back(BareWriter(barePath, lines));
        QFile::remove(path);
        QFile::remove(barePath);
    }
    std::sort(ours.begin(), ours.end());
    std::sort(bare.begin(), bare.end());
    const double o = ours[ours.size() / 2], b = bare[bare.size() / 2];
    std::printf("  %-9s %11lld lines %7.1f MB  carving %7.2f s  bare writer %6.2f s  ratio %5.2f\n",
                layered ? "12 layers" : "1 layer", lines, double(bytes) / 1e6, o, b, b > 0 ? o / b : 0.0);
}

// The grid alone (depth map and footprint minimum), from a fresh job each time.
void Grid(const QImage& img)
{
    std::printf("  grid only:");
    for (double dia : {1.0, 2.0, 3.175, 6.0}) {
        stImgCarvingInfo info = Job(img, false);
        QString err;
        CStopWatch timer;
        timer.start();
        if (!CImgCarving::CreateImgZProfile(&img, info, dia, err)) {
            std::printf(" %.3g mm refused", dia);
            continue;
        }
        std::printf("  %.3g mm %.3f s", dia, Seconds(timer));
    }
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int rounds = 1;
    bool small = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, QByteArray(argv[++i]).toInt());
        else if (arg == "--small")
            small = true;
    }
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::printf("no temporary folder\n");
        return 1;
    }
    std::vector<QSize> sizes = {QSize(2000, 1500)};
    if (!small)
        sizes.push_back(QSize(4000, 3000));
    for (const QSize& size : sizes) {
        const QImage img = Photo(size.width(), size.height());
        std::printf("%d x %d picture, %.2f mm a pixel, %.3f mm end mill, median of %d:\n", size.width(),
                    size.height(), PIXEL_MM, END_MILL_MM, rounds);
        Grid(img);
        Carving(dir.path(), img, false, rounds);
        Carving(dir.path(), img, true, rounds);
    }
    return 0;
}
