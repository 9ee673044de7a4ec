#include "control/imgcarving.h"

#include "core/UnitConverter.h"

#include <algorithm>
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
    map.m_ppDepth.assign(size_t(img.height()), std::vector<double>(size_t(img.width()), 0.0));
    unsigned char min = 0;
    unsigned char max = 0;
    GetMinMaxValue(img, min, max);
    if (min == max) {
        const double uniform = max == 255 ? 0.0 : depth;
        for (auto& row : map.m_ppDepth)
            std::fill(row.begin(), row.end(), uniform);
        return;
    }
    const double scale = depth / double(max - min);
    for (int y = 0; y < img.height(); ++y) {
        const uchar* line = img.constScanLine(y);
        for (int x = 0; x < img.width(); ++x)
            map.m_ppDepth[size_t(y)][size_t(x)] = double(max - line[x]) * scale;
    }
}

bool CImgCarving::CreateCarvingZProfile(const stImgZProfileInfo& map, stImgCarvingInfo& info, double endMillDia,
                                        QString& err)
{
    const int cols = map.m_nCols;
    const int rows = map.m_nRows;
    if (cols <= 0 || rows <= 0 || int(map.m_ppDepth.size()) != rows) {
        err = QStringLiteral("No Image loaded");
        return false;
    }
    const double px = info.m_fLength / cols;
    const int nx = PixelCount(px, info.m_fXStep, cols);
    const int ny = PixelCount(px, info.m_fYStep, rows);
    bool toolFits = false;
    const int nt = PixelCount(px, endMillDia, cols, &toolFits);
    // The footprint must fit the picture, and the walk needs two grid columns.
    if (!toolFits || cols <= nt || rows < nt) {
        err = QStringLiteral("Image too small for the end-mill: the carving must be wider than the end-mill "
                             "and at least as wide as the end-mill along Y");
        return false;
    }

    std::vector<std::vector<double>> padded = map.m_ppDepth;
    const int colPad = (cols - nt) % nx == 0 ? 0 : nx - (cols - nt) % nx;
    for (auto& row : padded)
        row.insert(row.end(), size_t(colPad), row.back());
    const int rowPad = (rows - nt) % ny == 0 ? 0 : ny - (rows - nt) % ny;
    for (int i = 0; i < rowPad; ++i)
        padded.push_back(padded.back());
    const int paddedCols = cols + colPad;
    const int paddedRows = rows + rowPad;

    info.m_nGridCols = qint16((paddedCols - nt) / nx + 1);
    info.m_nGridRows = qint16((paddedRows - nt) / ny + 1);
    info.m_fXStep = D(nx * CUnitConverter::GetInt(px));
    info.m_fYStep = D(ny * CUnitConverter::GetInt(px));
    info.m_nToolPx = quint16(nt);
    info.m_nXStepPx = quint16(nx);
    info.m_nYStepPx = quint16(ny);

    info.m_ppZGrid.assign(size_t(info.m_nGridRows), std::vector<double>(size_t(info.m_nGridCols), 0.0));
    for (int i = 0; i < info.m_nGridRows; ++i) {
        for (int j = 0; j < info.m_nGridCols; ++j) {
            double shallowest = padded[size_t(i * ny)][size_t(j * nx)];
            for (int r = i * ny; r < i * ny + nt; ++r)
                for (int c = j * nx; c < j * nx + nt; ++c)
                    if (padded[size_t(r)][size_t(c)] < shallowest)
                        shallowest = padded[size_t(r)][size_t(c)];
            info.m_ppZGrid[size_t(i)][size_t(j)] = -shallowest;
        }
    }
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
    stImgZProfileInfo map;
    BuildDepthMap(*img, info.m_fDepth, map);
    return CreateCarvingZProfile(map, info, endMillDia, err);
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
