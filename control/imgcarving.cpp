#include "control/imgcarving.h"

#include "core/UnitConverter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {

int32_t L(double mm)
{
    return CUnitConverter::GetLong(mm);
}

double D(int32_t units)
{
    return CUnitConverter::GetDouble(long(units));
}

// Smallest whole number of pixels (at most limit) whose summed size reaches
// target; pReached, when given, tells whether that many pixels do reach it.
int PixelCount(double px, double target, int limit, bool* pReached = nullptr)
{
    int count = 0;
    double sum = 0.0;
    for (int i = 0; i < limit; ++i) {
        ++count;
        sum += px;
        if (sum >= target)
            break;
    }
    if (pReached)
        *pReached = sum >= target;
    return count;
}

stSinkMove MakeMove(eSinkMove kind, const stFloatPoint& from, const stFloatPoint& target, unsigned axes,
                    bool word = false)
{
    return stSinkMove::Make(kind, from, target, axes, word);
}

stFloatPoint Xyz(double x, double y, double z)
{
    return stSinkMove::At(x, y, z);
}

// The depth of every grey level of a picture whose darkest level is min and
// brightest max, scaled to depth: the darkest is depth deep, the brightest
// at the surface; a uniform picture is all at the surface when white, else
// all at depth. The depth map and the grid both take their depths from here,
// so a grid value is exactly the depth of its pixel.
using GreyDepths = std::array<double, 256>;

GreyDepths DepthsOfGreys(double depth, unsigned char min, unsigned char max)
{
    GreyDepths depths;
    if (min == max) {
        depths.fill(max == 255 ? 0.0 : depth);
        return depths;
    }
    const double scale = depth / double(max - min);
    for (int g = 0; g < 256; ++g)
        depths[size_t(g)] = double(int(max) - g) * scale;
    return depths;
}

// How a picture lies on the carving grid.
struct stGridLayout
{
    int nx = 1; // pixels per grid column
    int ny = 1; // pixels per grid row
    int nt = 1; // side of the end mill's footprint
    int paddedCols = 0;
    int paddedRows = 0;
    int gridCols = 0;
    int gridRows = 0;
};

// The pixel counts of the steps and the end mill, and the padding that makes
// the footprint's travel whole steps: the rows get copies of their last pixel
// appended, the picture copies of its last row. False (err) when the end
// mill does not fit the picture.
bool Layout(int cols, int rows, const stImgCarvingInfo& info, double endMillDia, stGridLayout& g, QString& err)
{
    const double px = info.m_fLength / cols;
    g.nx = PixelCount(px, info.m_fXStep, cols);
    g.ny = PixelCount(px, info.m_fYStep, rows);
    bool toolFits = false;
    g.nt = PixelCount(px, endMillDia, cols, &toolFits);
    // The footprint must fit the picture, and the walk needs two grid columns.
    if (!toolFits || cols <= g.nt || rows < g.nt) {
        err = QStringLiteral("Image too small for the end-mill: the carving must be wider than the end-mill "
                             "and at least as wide as the end-mill along Y");
        return false;
    }
    const int colPad = (cols - g.nt) % g.nx == 0 ? 0 : g.nx - (cols - g.nt) % g.nx;
    const int rowPad = (rows - g.nt) % g.ny == 0 ? 0 : g.ny - (rows - g.nt) % g.ny;
    g.paddedCols = cols + colPad;
    g.paddedRows = rows + rowPad;
    g.gridCols = (g.paddedCols - g.nt) / g.nx + 1;
    g.gridRows = (g.paddedRows - g.nt) / g.ny + 1;
    return true;
}

// The grid size, the steps snapped to whole pixels (the pixel size cut to
// 1/10000 mm) and the pixel counts, into info.
void ApplyLayout(const stGridLayout& g, double px, stImgCarvingInfo& info)
{
    info.m_nGridCols = qint16(g.gridCols);
    info.m_nGridRows = qint16(g.gridRows);
    info.m_fXStep = D(g.nx * CUnitConverter::GetInt(px));
    info.m_fYStep = D(g.ny * CUnitConverter::GetInt(px));
    info.m_nToolPx = quint16(g.nt);
    info.m_nXStepPx = quint16(g.nx);
    info.m_nYStepPx = quint16(g.ny);
}

// The grid of info from the value of each cell (grid row by grid row).
template <typename Value>
void FillGrid(stImgCarvingInfo& info, const stGridLayout& g, Value value)
{
    info.m_ppZGrid.assign(size_t(g.gridRows), std::vector<double>(size_t(g.gridCols), 0.0));
    size_t k = 0;
    for (auto& row : info.m_ppZGrid)
        for (double& z : row)
            z = value(k++);
}

// Running best of a line cut into blocks of nt values: fwd[i] is the best
// from the start of i's block up to i, bwd[i] the best from i to the end of
// its block. A window of nt values starting at s covers the tail of one
// block and the head of the next (or exactly one block), so its best is
// best(bwd[s], fwd[s + nt - 1]): three comparisons a value, whatever nt is.
template <typename T, typename Best>
void RunningBest(const T* line, int n, int nt, T* fwd, T* bwd, Best best)
{
    for (int s = 0; s < n; s += nt) {
        const int e = std::min(s + nt, n);
        fwd[s] = line[s];
        for (int i = s + 1; i < e; ++i)
            fwd[i] = best(fwd[i - 1], line[i]);
        bwd[e - 1] = line[e - 1];
        for (int i = e - 2; i >= s; --i)
            bwd[i] = best(line[i], bwd[i + 1]);
    }
}

// The best value (better(a, b): a is strictly better than b) under every
// end-mill footprint of a picture laid out by g: grid row i, column j covers
// pixel rows i*ny to i*ny + nt - 1 and columns j*nx to j*nx + nt - 1 of the
// padded picture. pixels holds rows of cols values, stride values apart.
// The square footprint is separable: along each row first (to the grid's
// columns), then down the columns of that (to the grid's rows), each with
// the block running best above. Result: gridRows x gridCols, row by row.
template <typename T, typename Better>
std::vector<T> FootprintBest(const T* pixels, size_t stride, int cols, int rows, const stGridLayout& g,
                             Better better)
{
    const auto best = [&](T a, T b) { return better(b, a) ? b : a; };
    const int nt = g.nt;
    const size_t w = size_t(g.gridCols);

    std::vector<T> across(size_t(rows) * w);
    {
        std::vector<T> line(size_t(g.paddedCols)), fwd(line.size()), bwd(line.size());
        for (int r = 0; r < rows; ++r) {
            const T* src = pixels + size_t(r) * stride;
            std::copy(src, src + cols, line.begin());
            std::fill(line.begin() + cols, line.end(), src[cols - 1]);
            RunningBest(line.data(), g.paddedCols, nt, fwd.data(), bwd.data(), best);
            T* out = &across[size_t(r) * w];
            for (size_t j = 0; j < w; ++j) {
                const size_t s = j * size_t(g.nx);
                out[j] = best(bwd[s], fwd[s + size_t(nt) - 1]);
            }
        }
    }

    // Down the columns, a whole row of the grid's columns at a time; the
    // padding rows repeat the picture's last row.
    const auto rowOf = [&](int r) { return &across[size_t(std::min(r, rows - 1)) * w]; };
    std::vector<T> fwd(size_t(g.paddedRows) * w), bwd(fwd.size());
    for (int r = 0; r < g.paddedRows; ++r) {
        const T* src = rowOf(r);
        T* f = &fwd[size_t(r) * w];
        if (r % nt == 0) {
            std::copy(src, src + w, f);
        } else {
            const T* prev = f - w;
            for (size_t j = 0; j < w; ++j)
                f[j] = best(prev[j], src[j]);
        }
    }
    for (int r = g.paddedRows - 1; r >= 0; --r) {
        const T* src = rowOf(r);
        T* b = &bwd[size_t(r) * w];
        if (r % nt == nt - 1 || r == g.paddedRows - 1) {
            std::copy(src, src + w, b);
        } else {
            const T* next = b + w;
            for (size_t j = 0; j < w; ++j)
                b[j] = best(src[j], next[j]);
        }
    }
    std::vector<T> grid(size_t(g.gridRows) * w);
    for (int i = 0; i < g.gridRows; ++i) {
        const size_t s = size_t(i) * size_t(g.ny);
        const T* b = &bwd[s * w];
        const T* f = &fwd[(s + size_t(nt) - 1) * w];
        T* out = &grid[size_t(i) * w];
        for (size_t j = 0; j < w; ++j)
            out[j] = best(b[j], f[j]);
    }
    return grid;
}

// Whether footprints were built from this picture with this layout.
bool Fits(const stCarvingFootprints& fp, const QImage& img, const stGridLayout& g)
{
    return fp.m_iImageKey == img.cacheKey() && fp.m_nCols == img.width() && fp.m_nRows == img.height()
           && fp.m_nToolPx == g.nt && fp.m_nXStepPx == g.nx && fp.m_nYStepPx == g.ny;
}

std::shared_ptr<const stCarvingFootprints> BuildFootprints(const QImage& picture, const stGridLayout& g)
{
    auto fp = std::make_shared<stCarvingFootprints>();
    fp->m_iImageKey = picture.cacheKey();
    fp->m_nCols = picture.width();
    fp->m_nRows = picture.height();
    fp->m_nToolPx = g.nt;
    fp->m_nXStepPx = g.nx;
    fp->m_nYStepPx = g.ny;
    const QImage img = picture.format() == QImage::Format_Grayscale8
                           ? picture
                           : picture.convertToFormat(QImage::Format_Grayscale8);
    CImgCarving::GetMinMaxValue(img, fp->m_uDarkest, fp->m_uBrightest);
    // Brighter is shallower at every depth.
    fp->m_lstBrightest = FootprintBest(img.constBits(), size_t(img.bytesPerLine()), img.width(), img.height(), g,
                                       [](uchar a, uchar b) { return a > b; });
    return fp;
}

// One pass over a grid row: the merged runs of level columns and the steps
// between columns, in the pass's direction.
class CRowPass
{
public:
    CRowPass(const stImgCarvingInfo& info, const std::vector<double>& passZ, double xStart, double xEnd,
             int32_t zMotorStep, CMoveSink& sink)
        : m_Info(info), m_PassZ(passZ), m_fXStart(xStart), m_fXEnd(xEnd), m_iZMotorStep(zMotorStep),
          m_Sink(sink)
    {
    }

    // Walks from the pass's start column to the end of the direction; the
    // direction is reversed for the next pass. False when the sink ended the job.
    bool Walk(bool& forward)
    {
        const int cols = m_Info.m_nGridCols;
        const int dir = forward ? 1 : -1;
        const int endCol = forward ? cols - 1 : 0;
        const int32_t xStep = L(m_Info.m_fXStep);
        int c = forward ? 0 : cols - 1;
        m_Prev = m_Sink.Position();
        for (;;) {
            int32_t run = 0;
            while (c != endCol && std::abs(L(m_PassZ[size_t(c + dir)]) - L(m_PassZ[size_t(c)])) < m_iZMotorStep) {
                run += xStep;
                c += dir;
            }
            if (c == endCol) {
                if (!m_Sink.HoldPoint())
                    return false;
                if (!To(Xyz(forward ? m_fXEnd : m_fXStart, m_Prev.y, m_Prev.z), SINK_AXIS_X))
                    return false;
                forward = !forward;
                return true;
            }
            if (run > 0) {
                if (!m_Sink.HoldPoint())
                    return false;
                if (!To(Xyz(D(L(m_Prev.x) + dir * run), m_Prev.y, m_Prev.z), SINK_AXIS_X))
                    return false;
            }
            const int n = c + dir;
            double xn = D(L(m_Prev.x) + dir * xStep);
            if (n == 0)
                xn = m_fXStart;
            else if (n == cols - 1)
                xn = m_fXEnd;
            if (!Step(xn, m_PassZ[size_t(c)], m_PassZ[size_t(n)]))
                return false;
            c = n;
            if (c == 0 || c == cols - 1) {
                forward = !forward;
                return true;
            }
        }
    }

private:
    // From the current column to the next one at X xn and depth zNext.
    bool Step(double xn, double zHere, double zNext)
    {
        if (m_Info.m_iCarvingType == 0)
            return To(Xyz(xn, m_Prev.y, zNext), SINK_AXIS_X | SINK_AXIS_Z);
        if (zNext <= zHere) // deeper or level: across first, then down
            return To(Xyz(xn, m_Prev.y, m_Prev.z), SINK_AXIS_X) && To(Xyz(xn, m_Prev.y, zNext), SINK_AXIS_Z);
        return To(Xyz(m_Prev.x, m_Prev.y, zNext), SINK_AXIS_Z) && To(Xyz(xn, m_Prev.y, zNext), SINK_AXIS_X);
    }

    bool To(const stFloatPoint& target, unsigned axes)
    {
        if (!m_Sink.Move(MakeMove(eSinkMove::Walk, m_Prev, target, axes)))
            return false;
        m_Prev = target;
        return true;
    }

    const stImgCarvingInfo& m_Info;
    const std::vector<double>& m_PassZ;
    double m_fXStart;
    double m_fXEnd;
    int32_t m_iZMotorStep;
    CMoveSink& m_Sink;
    stFloatPoint m_Prev;
};

// Carves one grid row in passes of one Z step until every column has reached
// its final depth.
bool CarveRow(const stImgCarvingInfo& info, const std::vector<double>& zFinal, double xStart, double xEnd,
              int32_t zMotorStep, CMoveSink& sink, bool& forward)
{
    const size_t cols = size_t(info.m_nGridCols);
    std::vector<double> zPrev(cols, 0.0);
    std::vector<double> passZ(cols, 0.0);
    std::vector<bool> done(cols, false);
    const int32_t zStep = L(info.m_fZStep);
    for (;;) {
        if (!sink.WaitMotionStopped())
            return false;
        if (std::all_of(done.begin(), done.end(), [](bool b) { return b; }))
            return true;
        for (size_t c = 0; c < cols; ++c) {
            passZ[c] = D(L(zPrev[c]) - zStep);
            if (passZ[c] <= zFinal[c]) {
                passZ[c] = zFinal[c];
                done[c] = true;
            }
        }
        const size_t start = forward ? 0 : cols - 1;
        stFloatPoint pos = sink.Position();
        const stFloatPoint from = pos;
        pos.z = passZ[start];
        if (!sink.Move(MakeMove(eSinkMove::Plunge, from, pos, SINK_AXIS_Z)))
            return false;
        CRowPass pass(info, passZ, xStart, xEnd, zMotorStep, sink);
        if (!pass.Walk(forward))
            return false;
        zPrev = passZ;
    }
}

// A move of the named axes to target from the current position.
bool MoveAxes(CMoveSink& sink, eSinkMove kind, const stFloatPoint& target, unsigned axes, bool word = false)
{
    const stFloatPoint from = sink.Position();
    stFloatPoint to = Xyz(from.x, from.y, from.z);
    if (axes & SINK_AXIS_X)
        to.x = target.x;
    if (axes & SINK_AXIS_Y)
        to.y = target.y;
    if (axes & SINK_AXIS_Z)
        to.z = target.z;
    return sink.Move(MakeMove(kind, from, to, axes, word));
}

} // namespace

stImgCarvingData::stImgCarvingData()
    : m_pInfo(std::make_unique<stImgCarvingInfo>())
{
}

void stImgCarvingData::SetImage(const QImage& img)
{
    m_pImg = std::make_unique<QImage>(img.convertToFormat(QImage::Format_Grayscale8));
}

void CImgCarving::GetMinMaxValue(const QImage& img, unsigned char& min, unsigned char& max)
{
    min = 255;
    max = 0;
    for (int y = 0; y < img.height(); ++y) {
        const uchar* line = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x) {
            min = std::min(min, line[x]);
            max = std::max(max, line[x]);
        }
    }
}

void CImgCarving::BuildDepthMap(const QImage& picture, double depth, stImgZProfileInfo& map)
{
    const QImage img = picture.format() == QImage::Format_Grayscale8
                           ? picture
                           : picture.convertToFormat(QImage::Format_Grayscale8);
    map.m_nRows = qint16(img.height());
    map.m_nCols = qint16(img.width());
    map.m_fDepth = depth;
    unsigned char min = 0;
    unsigned char max = 0;
    GetMinMaxValue(img, min, max);
    const GreyDepths depths = DepthsOfGreys(depth, min, max);
    map.m_lstDepth.resize(size_t(img.height()) * size_t(img.width()));
    double* out = map.m_lstDepth.data();
    for (int y = 0; y < img.height(); ++y) {
        const uchar* line = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x)
            *out++ = depths[line[x]];
    }
}

bool CImgCarving::CreateCarvingZProfile(const stImgZProfileInfo& map, stImgCarvingInfo& info, double endMillDia,
                                        QString& err)
{
    const int cols = map.m_nCols;
    const int rows = map.m_nRows;
    if (cols <= 0 || rows <= 0 || map.m_lstDepth.size() != size_t(rows) * size_t(cols)) {
        err = QStringLiteral("No Image loaded");
        return false;
    }
    stGridLayout layout;
    if (!Layout(cols, rows, info, endMillDia, layout, err))
        return false;
    const std::vector<double> shallowest = FootprintBest(
        map.m_lstDepth.data(), size_t(cols), cols, rows, layout, [](double a, double b) { return a < b; });
    ApplyLayout(layout, info.m_fLength / cols, info);
    FillGrid(info, layout, [&](size_t k) { return -shallowest[k]; });
    return true;
}
QString CImgCarving::CheckJob(const QImage* img, const stImgCarvingInfo& info)
{
    if (!img || img->isNull())
        return QStringLiteral("No Image loaded");
    if (img->width() > MAX_IMAGE_SIDE || img->height() > MAX_IMAGE_SIDE)
        return QStringLiteral("Image too large: at most %1 x %1 pixels can be carved").arg(MAX_IMAGE_SIDE);
    if (!(info.m_fLength > 0.0))
        return QStringLiteral("Carving Length is not defined");
    if (!(info.m_fWidth > 0.0))
        return QStringLiteral("Carving Width is not defined");
    if (!(info.m_fDepth > 0.0))
        return QStringLiteral("Carving Depth is not defined");
    if (L(info.m_fZStep) <= 0)
        return QStringLiteral("Carving Z Step must be greater than zero");
    return QString();
}

bool CImgCarving::CreateImgZProfile(const QImage* img, stImgCarvingInfo& info, double endMillDia, QString& err)
{
    err = CheckJob(img, info);
    if (!err.isEmpty())
        return false;
    const int cols = img->width();
    const int rows = img->height();
    stGridLayout layout;
    if (!Layout(cols, rows, info, endMillDia, layout, err))
        return false;
    std::shared_ptr<const stCarvingFootprints> footprints = info.m_pFootprints;
    if (!footprints || !Fits(*footprints, *img, layout)) {
        footprints = BuildFootprints(*img, layout);
        info.m_pFootprints = footprints;
    }
    ApplyLayout(layout, info.m_fLength / cols, info);
    const GreyDepths depths = DepthsOfGreys(info.m_fDepth, footprints->m_uDarkest, footprints->m_uBrightest);
    const uchar* brightest = footprints->m_lstBrightest.data();
    FillGrid(info, layout, [&](size_t k) { return -depths[brightest[k]]; });
    return true;
}

bool CImgCarving::RunLayers(stImgCarvingInfo& info, bool multipass, const std::function<bool()>& body)
{
    if (!multipass)
        return body();
    const double fullDepth = info.m_fDepth;
    const double step = info.m_fZStep;
    // A layer that grows by nothing would never reach the full depth.
    if (!(fullDepth > 0.0) || L(step) <= 0)
        return body();
    info.m_fDepth = 0.0;
    info.m_fZStep = 0.0;
    bool ok = true;
    while (std::fabs(info.m_fDepth - fullDepth) > 0.00001) {
        info.m_fDepth += step;
        if (fullDepth < info.m_fDepth)
            info.m_fDepth = fullDepth;
        info.m_fZStep += step;
        if (!body()) {
            ok = false;
            break;
        }
    }
    info.m_fDepth = fullDepth;
    info.m_fZStep = step;
    return ok;
}

double CImgCarving::Radius(double endMillDia)
{
    return D(L(endMillDia / 2.0));
}

double CImgCarving::RowY(const stImgCarvingInfo& info, int row, double radius)
{
    if (row == info.m_nGridRows - 1)
        return radius;
    return D(L(info.m_fWidth) - L(radius) - row * L(info.m_fYStep));
}

bool CImgCarving::Carve(const QImage* img, stImgCarvingInfo& info, const stCutSettings& settings, CMoveSink& sink,
                        QString& err)
{
    if (!CreateImgZProfile(img, info, settings.m_fEndMillDia, err))
        return false;
    if (info.m_nStartRow >= img->height()) {
        err = QStringLiteral("Start row is beyond the picture");
        return false;
    }
    sink.ResetAccVel();
    return WalkGrid(info, settings, sink);
}

bool CImgCarving::WalkGrid(const stImgCarvingInfo& info, const stCutSettings& settings, CMoveSink& sink)
{
    const double r = Radius(settings.m_fEndMillDia);
    const int rows = info.m_nGridRows;
    const int startRow = std::min(int(info.m_nStartRow / info.m_nYStepPx), rows - 1);
    if (!MoveAxes(sink, eSinkMove::Rapid, Xyz(0, 0, settings.m_fSafeHeight), SINK_AXIS_Z, true)
        || !MoveAxes(sink, eSinkMove::Rapid, Xyz(r, 0, 0), SINK_AXIS_X)
        || !MoveAxes(sink, eSinkMove::Rapid, Xyz(0, RowY(info, startRow, r), 0), SINK_AXIS_Y)
        || !MoveAxes(sink, eSinkMove::Descent, Xyz(0, 0, 0.0), SINK_AXIS_Z, true))
        return false;

    const double xStart = r;
    const double xEnd = D(L(info.m_fLength) - L(r));
    const int32_t zMotorStep = L(settings.m_fZMotorStep);
    bool forward = true;
    for (int row = startRow; row < rows; ++row) {
        sink.SetCarvingRow(quint16(row * info.m_nYStepPx));
        const std::vector<double>& zFinal = info.m_ppZGrid[size_t(row)];
        int32_t deepest = 0;
        for (double z : zFinal)
            deepest = std::min(deepest, L(z));
        if (std::abs(deepest) > zMotorStep
            && !CarveRow(info, zFinal, xStart, xEnd, zMotorStep, sink, forward))
            return false;
        if (!MoveAxes(sink, eSinkMove::Feed, Xyz(0, 0, 0.0), SINK_AXIS_Z))
            return false;
        if (row < rows - 1) {
            const double nextY = row == rows - 2 ? r : D(L(sink.Position().y) - L(info.m_fYStep));
            if (!MoveAxes(sink, eSinkMove::Feed, Xyz(0, nextY, 0), SINK_AXIS_Y))
                return false;
        }
    }
    return sink.WaitMotionStopped();
}
