#pragma once
// DXF drawing to G-code program.
//
// Reads the straight lines, arcs and light-weight polylines of an ASCII DXF
// drawing's ENTITIES section, chains touching pieces into continuous paths,
// moves the drawing so that its lower-left corner lies at X0 Y0, and writes a
// program that cuts every path in depth passes. The program is written next
// to the drawing with the extension ".ncc" (see DxfOutputPath). Problems are
// reported as text on an error stream (the standard error stream by default).
#include <QString>

#include <map>
#include <ostream>
#include <string>
#include <vector>

// Cutting parameters of one conversion, filled by the DXF dialog and copied
// into the converter.
struct stDXF2GCode
{
    QString m_strDxfFile;       // path of the drawing
    double m_fToolDia = 1.0;    // end-mill diameter, mm (only noted in the program's header)
    double m_fStepDown = 1.0;   // depth per pass, mm
    double m_fTotalDepth = 1.0; // total cutting depth, mm, positive
    double m_fUnused = 0.0;     // kept for the layout; not read by the converter
    double m_fFeed = 600.0;     // feed, mm/min
    double m_fSafeZ = 5.0;      // safe Z height, mm
};

// What CreateGcodeFromDxf returns.
enum eDxfResult : int
{
    DXF_WRITTEN = 0,    // the program was written
    DXF_REFUSED = 1,    // the drawing or the parameters were refused
    DXF_NOT_WRITTEN = 2 // the drawing was read but its program could not be
                        // written (a full disk); an older file is kept whole
};

// Converts params.m_strDxfFile; DXF_WRITTEN when the program was written,
// else why not (nothing is written then). Messages go to `err`, the
// standard error stream in the one-argument form; after a conversion they
// also name what was not cut as drawn (entities left out, bulges cut
// straight). Every coordinate and radius, and the drawing moved to X0 Y0,
// must lie within the machine's length range; the safe Z must lie above the
// work surface.
int CreateGcodeFromDxf(stDXF2GCode params);
int CreateGcodeFromDxf(const stDXF2GCode& params, std::ostream& err);

// The program file written for a drawing: the drawing's file name cut after
// its last '.', followed by ".ncc", in the drawing's folder: part.dxf gives
// part..ncc. A name without a '.' gets ".ncc" appended (part gives part.ncc);
// a '.' in a folder name never counts.
QString DxfOutputPath(const QString& dxfPath);

namespace dxf {

class DXFReader;

struct Point
{
    double x = 0.0;
    double y = 0.0;
};

enum : int { SEG_LINE = 0, SEG_ARC = 1 };

// One piece as read from the drawing.
struct RawSeg
{
    int type = SEG_LINE;
    Point start;
    Point end;
    Point center;
    bool ccw = false;   // the arc runs counter-clockwise from start to end
    double radius = 0.0;
};

// One piece of a path, in cutting direction.
struct Segment
{
    int type = SEG_LINE;
    Point start;
    Point end;
    Point center;
    bool ccw = false;
};

// Pieces in cutting order; each starts where the one before it ends (within
// the chaining tolerance).
using Path = std::vector<Segment>;

// Pieces whose end points lie this close (drawing units) are joined.
inline constexpr double CHAIN_TOLERANCE = 1e-5;

inline double sqr(double v) { return v * v; }
inline double dist2(const Point& a, const Point& b) { return sqr(a.x - b.x) + sqr(a.y - b.y); }
// A distance equal to the tolerance counts as touching.
inline bool near(const Point& a, const Point& b, double tol) { return dist2(a, b) <= tol * tol; }

// What a drawing holds that the program does not cut as drawn.
struct LeftOut
{
    std::map<std::string, size_t> kinds; // entities not read (CIRCLE, SPLINE, ...) and their counts
    // LINE, ARC and LWPOLYLINE entities that lack a group they need, by kind
    // and what is missing ("LINE without its end point"), and their counts
    std::map<std::string, size_t> incomplete;
    size_t bulgedSegments = 0;           // LWPOLYLINE segments with a bulge, cut as straight chords
};

// Reads the whole stream and returns the pieces in file order. Lines whose
// ends coincide and arcs of zero radius are left out, and so are entities
// missing a group they need (counted in `incomplete`). Throws DXFError on a
// drawing that cannot be read. What is not cut as drawn is counted in
// `pLeftOut` when given.
std::vector<RawSeg> parse_entities(DXFReader& reader, LeftOut* pLeftOut = nullptr);

// Chains the pieces into paths. Each unused piece (file order) starts a
// chain; the chain grows at its tail with the first unused piece (file order)
// whose start, else end, touches it; only when none does, at its head with
// the first whose end, else start, touches it. A piece taken the other way
// round is reversed (an arc then turns the other way). Chains never branch.
std::vector<Path> group_paths(std::vector<RawSeg> pieces, double tol);

// The number of depth passes: enough to reach the total depth once. A last
// pass that would go less than half the program's last printed digit deeper
// than the pass before it is merged into that pass.
int pass_count(double stepDown, double totalDepth);

// Writes the feed line and every pass (each path cut completely at one depth
// before the next path, every path at one depth before the next depth).
// X and Y are written minus the offsets.
void emit_paths(std::ostream& out, const std::vector<Path>& paths, double stepDown, double totalDepth,
                double feed, double safeZ, double xOff, double yOff);

// A number as the program writes it: fixed notation, four decimals, C locale.
std::string fmt4(double v);

} // namespace dxf
