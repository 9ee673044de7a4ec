#pragma once
// Relief carving of a grey-scale picture: the depth map, the carving grid, the
// layer loop and the zig-zag walk over the grid. Dark pixels are cut deep,
// white ones stay at the work surface. The walk emits its moves into a
// CMoveSink, so the machine and the G-code writer cut the same path.
//
// Positions are work coordinates: Z = 0 is the work surface, the carving lies
// in X 0..length and Y 0..width with the picture's top row at the high Y end.
// Positions and steps are combined in 1/10000 mm (CUnitConverter).
#include "control/movesink.h"
#include "shapes/picturefile.h"

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

// The pixel depth map: depth below the surface (0 or positive) of every
// pixel, row 0 being the picture's top row, held row after row in one buffer.
struct stImgZProfileInfo
{
    qint16 m_nRows = 0;
    qint16 m_nCols = 0;
    double m_fDepth = 0.0;
    std::vector<double> m_lstDepth; // m_nRows x m_nCols, row by row

    double At(int row, int col) const { return m_lstDepth[size_t(row) * size_t(m_nCols) + size_t(col)]; }
};

// What the carving grid of a picture takes from the picture that its depth
// does not change: the darkest and brightest grey level and, under every
// end-mill footprint, the brightest grey level. The depth scale maps grey
// levels to depths in reverse order, so the brightest level under a
// footprint is its shallowest pixel at every depth: the layers of a job all
// share one of these and only scale it.
struct stCarvingFootprints
{
    qint64 m_iImageKey = 0;  // QImage::cacheKey() of the picture it was built from
    int m_nCols = 0;         // picture size
    int m_nRows = 0;
    int m_nToolPx = 0;       // pixel counts it was built for
    int m_nXStepPx = 0;
    int m_nYStepPx = 0;
    uchar m_uDarkest = 0;
    uchar m_uBrightest = 0;
    std::vector<uchar> m_lstBrightest; // grid rows x grid columns, grid row by grid row
};

// The carving parameters and the carving grid.
struct stImgCarvingInfo
{
    double m_fLength = 200.0;   // along X; the picture's width is spread over it
    double m_fWidth = 200.0;    // along Y
    double m_fDepth = 10.0;     // full carving depth, positive
    int m_iCarvingType = 0;     // 0 "3D Carving", 1 "2.5D Carving"
    // A tapered tool (tip diameter, taper angle, flute length); kept with the
    // job but not used by the square-footprint carving.
    double m_fToolTipDia = 0.2;
    double m_fToolTaperAngle = 2.5;
    double m_fToolFluteLength = 12.0;
    quint16 m_nStartRow = 0;    // picture pixel row at which carving starts
    // m_nGridRows rows of m_nGridCols Z values (0 or negative), rebuilt from
    // the picture before every carving.
    std::vector<std::vector<double>> m_ppZGrid;
    qint16 m_nGridRows = 100;
    qint16 m_nGridCols = 100;
    double m_fXStep = 0.2;      // X between grid columns (snapped to whole pixels)
    double m_fYStep = 0.2;      // Y between grid rows (snapped to whole pixels)
    double m_fZStep = 1.0;      // depth added per pass
    quint16 m_nToolPx = 15;     // side of the end mill's square footprint, pixels
    quint16 m_nXStepPx = 10;    // pixels per grid column
    quint16 m_nYStepPx = 10;    // pixels per grid row
    // The footprints of the picture last carved (or written), kept so that
    // the next layer of the job, or the next job on the same picture with
    // the same pixel counts, does not visit the picture again.
    std::shared_ptr<const stCarvingFootprints> m_pFootprints;
};

// The controller's holder of the carving picture and its parameters.
struct stImgCarvingData
{
    stImgCarvingData();
    stImgCarvingData(const stImgCarvingData&) = delete;
    stImgCarvingData& operator=(const stImgCarvingData&) = delete;

    // Replaces the picture with an 8-bit grey-scale copy of img.
    void SetImage(const QImage& img);

    std::unique_ptr<QImage> m_pImg;                // 8-bit grey scale
    std::unique_ptr<stImgCarvingInfo> m_pInfo;     // always present
};

class CImgCarving
{
public:
    CImgCarving() = delete;

    // Pictures with more pixels a side do not fit the 16-bit grid counts.
    static constexpr int MAX_IMAGE_SIDE = CPictureFile::MAX_SIDE;

    // Darkest and brightest byte of an 8-bit picture.
    static void GetMinMaxValue(const QImage& img, unsigned char& min, unsigned char& max);
    // BuildDepthMap and CreateCarvingZProfile are the grid's plain rule; the
    // program builds its grid with CreateImgZProfile, which must give the same
    // values (the tests compare the two).
    // The depth map of the picture scaled to depth: the darkest pixel is
    // depth deep, the brightest at the surface; a uniform picture is all 0
    // when white, else all depth.
    static void BuildDepthMap(const QImage& img, double depth, stImgZProfileInfo& map);
    // Builds the carving grid of info from a depth map: each grid value is
    // the deepest cut the end mill may make there without cutting any pixel
    // under its footprint too deep. Also snaps the X and Y steps to whole
    // pixels and stores the pixel counts. False (with a message) when the
    // picture does not fit the end mill; info is then left as it was.
    // The shallowest pixel under each footprint is a running minimum along
    // the rows, then along the columns, so the cost does not grow with the
    // end mill.
    static bool CreateCarvingZProfile(const stImgZProfileInfo& map, stImgCarvingInfo& info,
                                      double endMillDia, QString& err);
    // The grid of the picture at info's current depth: the same values as
    // CreateCarvingZProfile of the picture's depth map, built from the
    // footprints of the picture (info.m_pFootprints, rebuilt only when the
    // picture or a pixel count changed) and the depth scale.
    static bool CreateImgZProfile(const QImage* img, stImgCarvingInfo& info, double endMillDia,
                                  QString& err);

    // Message for parameters that cannot be carved, or an empty text.
    static QString CheckJob(const QImage* img, const stImgCarvingInfo& info);

    // Runs body once, or (multipass) once per layer: the layer's depth grows
    // by the Z step up to the full depth and its per-pass step is the
    // layer's accumulated step. Depth and Z step are restored afterwards.
    // Stops at the first body that returns false.
    static bool RunLayers(stImgCarvingInfo& info, bool multipass, const std::function<bool()>& body);

    // One carving of the whole picture at info's current depth: rebuilds the
    // grid, then walks it row by row into the sink. False when the job was
    // refused (err says why) or the sink ended it (err left empty).
    static bool Carve(const QImage* img, stImgCarvingInfo& info, const stCutSettings& settings,
                      CMoveSink& sink, QString& err);

    // Y of a grid row: the last row lies at the end-mill radius, the others
    // count down from the far edge.
    static double RowY(const stImgCarvingInfo& info, int row, double radius);
    // The end-mill radius cut to 1/10000 mm.
    static double Radius(double endMillDia);

private:
    static bool WalkGrid(const stImgCarvingInfo& info, const stCutSettings& settings, CMoveSink& sink);
};
