#include "gcode/dxf2gcode.h"

#include "core/FileSaver.h"
#include "core/UnitConverter.h"
#include "gcode/dxfreader.h"

#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <deque>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <limits>
#include <utility>

namespace dxf {

namespace {

constexpr double PI = 3.141592653589793;
// Half of the program's last printed digit: a depth difference below it
// does not show in the program.
constexpr double HALF_PRINTED_DIGIT = 0.5e-4;
// More passes than this is a mistyped step-down, not a job.
constexpr double MAX_PASSES = 1e6;

// --- Entities ---------------------------------------------------------------

// Reads the pairs of one entity up to the next code-0 pair (given back) or the
// end of input, handing each to `take`.
template <typename Take>
void ReadEntity(DXFReader& reader, Take take)
{
    int code = 0;
    std::string value;
    while (reader.readPair(code, value)) {
        if (code == 0) {
            reader.pushBack(code, std::move(value));
            return;
        }
        take(code, value);
    }
}

// False when the piece was left out.
bool AddPiece(std::vector<RawSeg>& out, const RawSeg& seg, double tol)
{
    // A line whose ends coincide or an arc without radius moves nowhere; the
    // interpreter refuses such a move, so it is left out of the program.
    if (seg.type == SEG_LINE && near(seg.start, seg.end, tol))
        return false;
    if (seg.type == SEG_ARC && !(seg.radius > tol))
        return false;
    out.push_back(seg);
    return true;
}

// Notes an entity left out because groups it needs are missing, by its kind
// and what it lacks: "LINE without its end point". `seen` has one bit per
// group of `groups`, set when the group was read.
void NoteIncomplete(LeftOut& leftOut, const char* kind, unsigned seen,
                    std::initializer_list<std::pair<unsigned, const char*>> groups)
{
    std::string missing;
    for (const auto& [bits, name] : groups)
        if ((seen & bits) != bits)
            missing += (missing.empty() ? "" : ", ") + std::string(name);
    ++leftOut.incomplete[std::string(kind) + " without its " + missing];
}

void ReadLine(DXFReader& reader, std::vector<RawSeg>& out, LeftOut& leftOut)
{
    RawSeg seg;
    unsigned seen = 0;
    ReadEntity(reader, [&](int code, const std::string& value) {
        switch (code) {
        case 10: seg.start.x = reader.number(code, value); seen |= 1; break;
        case 20: seg.start.y = reader.number(code, value); seen |= 2; break;
        case 11: seg.end.x = reader.number(code, value); seen |= 4; break;
        case 21: seg.end.y = reader.number(code, value); seen |= 8; break;
        default: break;
        }
    });
    if (seen == 15)
        AddPiece(out, seg, CHAIN_TOLERANCE);
    else
        NoteIncomplete(leftOut, "LINE", seen, {{1 | 2, "start point"}, {4 | 8, "end point"}});
}

void ReadArc(DXFReader& reader, std::vector<RawSeg>& out, LeftOut& leftOut)
{
    RawSeg seg;
    seg.type = SEG_ARC;
    seg.ccw = true;
    double a50 = 0.0, a51 = 0.0;
    unsigned seen = 0;
    ReadEntity(reader, [&](int code, const std::string& value) {
        switch (code) {
        case 10: seg.center.x = reader.number(code, value); seen |= 1; break;
        case 20: seg.center.y = reader.number(code, value); seen |= 2; break;
        case 40: seg.radius = reader.number(code, value); seen |= 4; break;
        case 50: a50 = reader.number(code, value); seen |= 8; break;
        case 51: a51 = reader.number(code, value); seen |= 16; break;
        default: break;
        }
    });
    if (seen != 31) {
        NoteIncomplete(leftOut, "ARC", seen,
                       {{1 | 2, "centre"}, {4, "radius"}, {8, "start angle"}, {16, "end angle"}});
        return;
    }
    const double s = a50 * PI / 180.0, e = a51 * PI / 180.0;
    seg.start = {seg.center.x + seg.radius * std::cos(s), seg.center.y + seg.radius * std::sin(s)};
    seg.end = {seg.center.x + seg.radius * std::cos(e), seg.center.y + seg.radius * std::sin(e)};
    AddPiece(out, seg, CHAIN_TOLERANCE);
}

// Returns the number of straight pieces cut where the drawing has a bulge
// (an arc drawn into the polyline).
size_t ReadLwPolyline(DXFReader& reader, std::vector<RawSeg>& out, LeftOut& leftOut)
{
    std::vector<Point> vertices;
    std::vector<char> bulged; // per vertex: the segment after it is an arc
    int flags = 0;
    Point pending;
    bool hasX = false, hasY = false;
    ReadEntity(reader, [&](int code, const std::string& value) {
        if (code == 70) {
            flags = reader.integer(code, value);
            return;
        }
        if (code == 42) {
            // The bulge follows the vertex it belongs to.
            if (!bulged.empty() && reader.number(code, value) != 0.0)
                bulged.back() = 1;
            return;
        }
        if (code == 10) {
            pending.x = reader.number(code, value);
            hasX = true;
        } else if (code == 20) {
            pending.y = reader.number(code, value);
            hasY = true;
        } else {
            return; // vertex count, bulges, widths: not used
        }
        if (hasX && hasY) {
            vertices.push_back(pending);
            bulged.push_back(0);
            hasX = hasY = false;
        }
    });
    if (vertices.size() < 2) {
        // A vertex is a 10 and a 20 group; a polyline needs two of them.
        ++leftOut.incomplete["LWPOLYLINE without its second vertex"];
        return 0;
    }
    size_t nBulged = 0;
    RawSeg seg;
    for (size_t i = 0; i + 1 < vertices.size(); ++i) {
        seg.start = vertices[i];
        seg.end = vertices[i + 1];
        if (AddPiece(out, seg, CHAIN_TOLERANCE) && bulged[i])
            ++nBulged;
    }
    if (flags & 1) {
        seg.start = vertices.back();
        seg.end = vertices.front();
        if (AddPiece(out, seg, CHAIN_TOLERANCE) && bulged.back())
            ++nBulged;
    }
    return nBulged;
}

// --- Chaining ---------------------------------------------------------------

// The end points of all pieces, filed by a square grid of cells twice the
// tolerance wide, so that every point within the tolerance of a query point
// lies in the 3 x 3 cells around it. Each cell lists its points in file
// order; the first one still unused that touches the query point is the
// cell's answer, and the smallest answer of the nine cells is the first
// touching piece of the whole drawing, just as a scan in file order finds it.
//
// The cells live in one flat open-addressing table and their lists in one
// array, filled in two passes over the pieces (count, then place), so that a
// drawing of a million pieces costs no allocation per cell and a look-up is
// a few neighbouring memory reads: the time per piece stays the same
// however large the drawing.
class CEndPointGrid
{
public:
    CEndPointGrid(const std::vector<RawSeg>& pieces, const std::vector<char>& used, double tol)
        : m_Pieces(pieces), m_Used(used), m_fTol(tol), m_fCell(tol > 0.0 ? 2.0 * tol : 1e-9)
    {
        // At most two cells a piece; the table is kept at most half full.
        size_t capacity = 16;
        while (capacity < 4 * pieces.size())
            capacity *= 2;
        m_Slots.assign(capacity, Slot{});
        m_iMask = capacity - 1;

        // Count the points of each cell; note each point's cell.
        std::vector<uint32_t> cellOf(2 * pieces.size());
        for (size_t i = 0; i < pieces.size(); ++i) {
            const uint32_t s = Insert(KeyOf(pieces[i].start));
            ++m_Slots[s].end;
            const uint32_t e = Insert(KeyOf(pieces[i].end));
            if (e != s)
                ++m_Slots[e].end; // a piece is listed once in a cell holding both its ends
            cellOf[2 * i] = s;
            cellOf[2 * i + 1] = e;
        }
        // Each cell's list gets its place in the one array...
        uint32_t next = 0;
        for (Slot& slot : m_Slots) {
            if (slot.end == 0)
                continue; // free, and stays so: end 0 marks a free slot
            const uint32_t count = slot.end;
            slot.live = slot.end = next;
            next += count;
        }
        // ...and is filled in file order.
        m_Entries.resize(next);
        for (size_t i = 0; i < pieces.size(); ++i) {
            const uint32_t s = cellOf[2 * i];
            const uint32_t e = cellOf[2 * i + 1];
            m_Entries[m_Slots[s].end++] = uint32_t(i);
            if (e != s)
                m_Entries[m_Slots[e].end++] = uint32_t(i);
        }
    }

    // The first unused piece (file order) with its start or its end within
    // the tolerance of p; SIZE_MAX when there is none.
    size_t FirstTouching(const Point& p)
    {
        const Key k = KeyOf(p);
        size_t best = SIZE_MAX;
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                Slot* slot = Find(Key{Step(k.x, dx), Step(k.y, dy)});
                if (slot)
                    best = std::min(best, FirstInCell(*slot, p, best));
            }
        }
        return best;
    }

private:
    struct Key
    {
        int64_t x;
        int64_t y;
        bool operator==(const Key& o) const { return x == o.x && y == o.y; }
    };
    // A cell: its key and its list, m_Entries[live, end); entries before
    // `live` are all used. While counting, `end` holds the count. A slot
    // whose end is 0 is free (a cell in use always ends past its first
    // entry).
    struct Slot
    {
        Key key{0, 0};
        uint32_t live = 0;
        uint32_t end = 0;
    };

    static constexpr int64_t KEY_LIMIT = int64_t(1) << 60;

    static size_t Hash(const Key& k)
    {
        const uint64_t h = uint64_t(k.x) * 0x9E3779B97F4A7C15ull ^ (uint64_t(k.y) + 0x632BE59BD9B4E019ull);
        return size_t(h ^ (h >> 29));
    }
    // The slot of a key, taking a free one for a key not seen yet (while
    // counting; the caller counts the point at once, so the slot is in use
    // before the next look-up).
    uint32_t Insert(const Key& k)
    {
        for (size_t i = Hash(k) & m_iMask;; i = (i + 1) & m_iMask) {
            Slot& slot = m_Slots[i];
            if (slot.end == 0)
                slot.key = k;
            if (slot.key == k)
                return uint32_t(i);
        }
    }
    Slot* Find(const Key& k)
    {
        for (size_t i = Hash(k) & m_iMask;; i = (i + 1) & m_iMask) {
            Slot& slot = m_Slots[i];
            if (slot.end == 0)
                return nullptr;
            if (slot.key == k)
                return &slot;
        }
    }

    int64_t Quantise(double v) const
    {
        const double q = std::floor(v / m_fCell);
        if (!(q > -double(KEY_LIMIT)))
            return -KEY_LIMIT;
        if (!(q < double(KEY_LIMIT)))
            return KEY_LIMIT;
        return int64_t(q);
    }
    static int64_t Step(int64_t v, int d) { return v + d; } // |v| <= 2^60: no overflow
    Key KeyOf(const Point& p) const { return Key{Quantise(p.x), Quantise(p.y)}; }

    size_t FirstInCell(Slot& cell, const Point& p, size_t bound)
    {
        while (cell.live < cell.end && m_Used[m_Entries[cell.live]])
            ++cell.live;
        for (uint32_t n = cell.live; n < cell.end; ++n) {
            const size_t i = m_Entries[n];
            if (i >= bound)
                break;
            if (!m_Used[i] && (near(m_Pieces[i].start, p, m_fTol) || near(m_Pieces[i].end, p, m_fTol)))
                return i;
        }
        return SIZE_MAX;
    }

    const std::vector<RawSeg>& m_Pieces;
    const std::vector<char>& m_Used;
    double m_fTol;
    double m_fCell;
    std::vector<Slot> m_Slots;
    size_t m_iMask = 0;
    std::vector<uint32_t> m_Entries; // every cell's pieces, cell after cell
};

Segment ToSegment(const RawSeg& r, bool reversed)
{
    Segment s;
    s.type = r.type;
    s.center = r.center;
    s.start = reversed ? r.end : r.start;
    s.end = reversed ? r.start : r.end;
    s.ccw = (r.type == SEG_ARC && reversed) ? !r.ccw : r.ccw;
    return s;
}

// --- Program text -----------------------------------------------------------

void WriteMove(std::ostream& out, const char* word, double x, double y)
{
    out << word << " X" << fmt4(x) << " Y" << fmt4(y);
}

// A std::ostream onto a save, so that the program is streamed into the file
// instead of being built in memory first.
class CSaverStreamBuf : public std::streambuf
{
public:
    explicit CSaverStreamBuf(CFileSaver& saver) : m_Saver(saver) { setp(m_Buf, m_Buf + sizeof(m_Buf)); }

protected:
    int_type overflow(int_type ch) override
    {
        if (!Flush())
            return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }
    int sync() override { return Flush() ? 0 : -1; }

private:
    bool Flush()
    {
        const qint64 n = pptr() - pbase();
        const bool ok = n == 0 || m_Saver.Write(pbase(), n);
        setp(m_Buf, m_Buf + sizeof(m_Buf));
        return ok;
    }

    CFileSaver& m_Saver;
    char m_Buf[1 << 16];
};

} // namespace

std::string fmt4(double v)
{
    char buf[400]; // the largest double has 309 digits before the point
    const auto res = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, 4);
    return std::string(buf, res.ptr);
}

std::vector<RawSeg> parse_entities(DXFReader& reader, LeftOut* pLeftOut)
{
    LeftOut unused;
    LeftOut& leftOut = pLeftOut ? *pLeftOut : unused;
    leftOut = LeftOut{};
    std::vector<RawSeg> pieces;
    bool inEntities = false;
    int code = 0;
    std::string value;
    while (reader.readPair(code, value)) {
        if (code == 0 && value == "SECTION") {
            if (!reader.readPair(code, value))
                break;
            inEntities = (code == 2 && value == "ENTITIES");
            continue;
        }
        if (code == 0 && value == "EOF")
            return pieces; // the end marker; whatever follows it is not drawing
        if (!inEntities || code != 0)
            continue;
        if (value == "ENDSEC")
            inEntities = false;
        else if (value == "LINE")
            ReadLine(reader, pieces, leftOut);
        else if (value == "ARC")
            ReadArc(reader, pieces, leftOut);
        else if (value == "LWPOLYLINE")
            leftOut.bulgedSegments += ReadLwPolyline(reader, pieces, leftOut);
        else {
            // The vertices and end marker of an old-style POLYLINE and the
            // attributes of an INSERT belong to the entity already counted.
            if (value != "VERTEX" && value != "SEQEND" && value != "ATTRIB")
                ++leftOut.kinds[value];
            ReadEntity(reader, [](int, const std::string&) {});
        }
    }
    // A drawing copied only in part (a pulled USB stick) ends in the middle
    // of its entities: cutting what was read would leave outlines out.
    if (inEntities)
        throw DXFError("Invalid DXF: the file ends inside the ENTITIES section without ENDSEC "
                       "(the file is cut short).");
    return pieces;
}

std::vector<Path> group_paths(std::vector<RawSeg> pieces, double tol)
{
    std::vector<Path> paths;
    std::vector<char> used(pieces.size(), 0);
    CEndPointGrid grid(pieces, used, tol);
    std::deque<Segment> chain;
    for (size_t first = 0; first < pieces.size(); ++first) {
        if (used[first])
            continue;
        used[first] = 1;
        chain.clear();
        chain.push_back(ToSegment(pieces[first], false));
        for (;;) {
            const Point tail = chain.back().end;
            size_t i = grid.FirstTouching(tail);
            if (i != SIZE_MAX) {
                used[i] = 1;
                chain.push_back(ToSegment(pieces[i], !near(pieces[i].start, tail, tol)));
                continue;
            }
            const Point head = chain.front().start;
            i = grid.FirstTouching(head);
            if (i == SIZE_MAX)
                break;
            used[i] = 1;
            chain.push_front(ToSegment(pieces[i], !near(pieces[i].end, head, tol)));
        }
        paths.emplace_back(chain.begin(), chain.end());
    }
    return paths;
}

int pass_count(double stepDown, double totalDepth)
{
    // Counted from the quotient, then taken back while the pass before the
    // last already reaches the total depth: 2.1 / 0.7 is 3.0000000000000004
    // in floating point and must not give a fourth pass at the same depth.
    int n = int(std::ceil(totalDepth / stepDown));
    while (n > 1 && totalDepth - (n - 1) * stepDown <= HALF_PRINTED_DIGIT)
        --n;
    return std::max(n, 1);
}

void emit_paths(std::ostream& out, const std::vector<Path>& paths, double stepDown, double totalDepth,
                double feed, double safeZ, double xOff, double yOff)
{
    const std::string retract = "G0 Z" + fmt4(safeZ) + "\n";
    out << " F" << fmt4(feed) << "\n";
    const int passes = pass_count(stepDown, totalDepth);
    for (int k = 1; k <= passes; ++k) {
        // The last pass lands exactly on the total depth.
        const double depth = -(k == passes ? totalDepth : std::min(k * stepDown, totalDepth));
        const std::string plunge = "G1 Z" + fmt4(depth) + "\n";
        for (const Path& path : paths) {
            if (path.empty())
                continue;
            Point cur{path.front().start.x - xOff, path.front().start.y - yOff};
            out << retract;
            WriteMove(out, "G0", cur.x, cur.y);
            out << "\n" << plunge;
            for (const Segment& seg : path) {
                const Point end{seg.end.x - xOff, seg.end.y - yOff};
                if (seg.type == SEG_ARC) {
                    WriteMove(out, seg.ccw ? "G3" : "G2", end.x, end.y);
                    out << " I" << fmt4(seg.center.x - xOff - cur.x) << " J" << fmt4(seg.center.y - yOff - cur.y);
                } else {
                    WriteMove(out, "G1", end.x, end.y);
                }
                out << "\n";
                cur = end;
            }
            out << retract;
        }
    }
}

} // namespace dxf

using namespace dxf;

QString DxfOutputPath(const QString& dxfPath)
{
    const int slash = dxfPath.lastIndexOf('/');
    const int dot = dxfPath.lastIndexOf('.');
    const QString stem = dot > slash ? dxfPath.left(dot + 1) : dxfPath;
    return stem + ".ncc";
}

namespace {

// The lower-left corner of the drawing: the smallest X and Y over every end
// point and, for arcs, over the whole circle.
Point LowerLeft(const std::vector<RawSeg>& pieces)
{
    Point off{1e300, 1e300};
    auto take = [&off](double x, double y) {
        off.x = std::min(off.x, x);
        off.y = std::min(off.y, y);
    };
    for (const RawSeg& s : pieces) {
        take(s.start.x, s.start.y);
        take(s.end.x, s.end.y);
        if (s.type == SEG_ARC)
            take(s.center.x - s.radius, s.center.y - s.radius);
    }
    if (off.x == 1e300 || off.y == 1e300)
        off = Point{};
    return off;
}

bool ValidParameters(const stDXF2GCode& p)
{
    const double values[] = {p.m_fToolDia, p.m_fStepDown, p.m_fTotalDepth, p.m_fFeed, p.m_fSafeZ};
    for (double v : values) {
        if (!std::isfinite(v))
            return false;
    }
    if (!(p.m_fToolDia > 0 && p.m_fStepDown > 0 && p.m_fTotalDepth > 0 && p.m_fFeed > 0))
        return false;
    // Rapid moves run at the safe Z: it lies above the work surface (Z0),
    // never below the cuts; it and the depth are heights the machine holds.
    if (!(p.m_fSafeZ > 0) || !CUnitConverter::InRange(p.m_fSafeZ) || !CUnitConverter::InRange(p.m_fTotalDepth))
        return false;
    return p.m_fTotalDepth / p.m_fStepDown <= MAX_PASSES;
}

bool InRange(const Point& p)
{
    return CUnitConverter::InRange(p.x) && CUnitConverter::InRange(p.y);
}

// Every coordinate and radius as drawn lies within the machine's length range.
bool DrawnInRange(const std::vector<RawSeg>& pieces)
{
    for (const RawSeg& s : pieces) {
        if (!InRange(s.start) || !InRange(s.end))
            return false;
        if (s.type == SEG_ARC && (!InRange(s.center) || !CUnitConverter::InRange(s.radius)))
            return false;
    }
    return true;
}

// Every point the program moves through, the drawing moved by `off`, lies
// within it too (an arc's whole circle counted, as for the corner).
bool ShiftedInRange(const std::vector<RawSeg>& pieces, const Point& off)
{
    auto fits = [&off](double x, double y) { return InRange(Point{x - off.x, y - off.y}); };
    for (const RawSeg& s : pieces) {
        if (!fits(s.start.x, s.start.y) || !fits(s.end.x, s.end.y))
            return false;
        if (s.type == SEG_ARC && !fits(s.center.x + s.radius, s.center.y + s.radius))
            return false;
    }
    return true;
}

// "2 CIRCLE, 1 SPLINE"
std::string KindList(const std::map<std::string, size_t>& kinds)
{
    std::string list;
    for (const auto& [kind, count] : kinds)
        list += (list.empty() ? "" : ", ") + std::to_string(count) + " " + kind;
    return list;
}

// What the program does not cut as drawn is said, never passed over.
void ReportLeftOut(std::ostream& err, const LeftOut& leftOut)
{
    if (!leftOut.kinds.empty())
        err << "Left out, not cut: " << KindList(leftOut.kinds) << ".\n";
    if (!leftOut.incomplete.empty())
        err << "Left out, incomplete: " << KindList(leftOut.incomplete) << ".\n";
    if (leftOut.bulgedSegments > 0)
        err << "Cut as straight lines: " << leftOut.bulgedSegments << " bulged polyline segment(s).\n";
}

int Convert(const stDXF2GCode& params, std::ostream& err)
{
    const QString outPath = DxfOutputPath(params.m_strDxfFile);
    if (!ValidParameters(params)) {
        err << "Invalid numeric parameters.\n";
        return DXF_REFUSED;
    }

    const QString inPath = params.m_strDxfFile;
    std::ifstream in;
    if (!QFileInfo(inPath).isDir())
        in.open(QFile::encodeName(inPath).toStdString(), std::ios::in | std::ios::binary);
    if (!in.is_open()) {
        err << "Cannot open input DXF: " << inPath.toStdString() << "\n";
        return DXF_REFUSED;
    }
    if (in.peek() == std::char_traits<char>::eof()) {
        err << "Input DXF is empty: " << inPath.toStdString() << "\n";
        return DXF_REFUSED;
    }

    std::vector<RawSeg> pieces;
    LeftOut leftOut;
    try {
        DXFReader reader(in);
        pieces = parse_entities(reader, &leftOut);
    } catch (const DXFError& e) {
        err << e.what() << "\n";
        return DXF_REFUSED;
    }
    if (in.bad()) {
        err << "Cannot read input DXF: " << inPath.toStdString() << "\n";
        return DXF_REFUSED;
    }
    if (pieces.empty()) {
        err << "No supported entities (LINE/LWPOLYLINE/ARC) found.\n";
        ReportLeftOut(err, leftOut);
        return DXF_REFUSED;
    }

    const std::string range = fmt4(CUnitConverter::MAX_LENGTH);
    if (!DrawnInRange(pieces)) {
        err << "Invalid DXF: a coordinate or radius lies beyond +-" << range << " mm, the machine's length range.\n";
        return DXF_REFUSED;
    }
    const Point off = LowerLeft(pieces);
    if (!ShiftedInRange(pieces, off)) {
        err << "Invalid DXF: the drawing, moved to X0 Y0, reaches beyond " << range
            << " mm, the machine's length range.\n";
        return DXF_REFUSED;
    }
    const std::vector<Path> paths = group_paths(std::move(pieces), CHAIN_TOLERANCE);

    // Written to a temporary file renamed into place at the end, so that a
    // failure (a full disk) never leaves half a program behind, nor takes
    // away an older program of that name.
    CFileSaver saver(outPath);
    if (!saver.Open()) {
        err << "Cannot open output file: " << outPath.toStdString() << ": " << saver.Error().toStdString() << "\n";
        return DXF_NOT_WRITTEN;
    }
    CSaverStreamBuf buf(saver);
    std::ostream out(&buf);
    out.imbue(std::locale::classic());
    out << "; dxf2gcode\n"
        << "; tool_dia=" << fmt4(params.m_fToolDia) << ", stepdown=" << fmt4(params.m_fStepDown)
        << ", totalDepth=" << fmt4(params.m_fTotalDepth) << ", feed=" << fmt4(params.m_fFeed)
        << ", zSafe=" << fmt4(params.m_fSafeZ) << "\n"
        << "G90 G94 G17 G21\n"
        << "G0 Z" << fmt4(params.m_fSafeZ) << "\n\n";
    emit_paths(out, paths, params.m_fStepDown, params.m_fTotalDepth, params.m_fFeed, params.m_fSafeZ, off.x,
               off.y);
    out << "M30\n";
    out.flush();
    if (!out)
        saver.Cancel(QStringLiteral("the program could not be written"));
    if (!saver.Commit()) {
        err << "Cannot write output file: " << outPath.toStdString() << ": " << saver.Error().toStdString() << "\n";
        return DXF_NOT_WRITTEN;
    }
    err << "Converted " << std::to_string(paths.size()) << " path(s). Output: " << outPath.toStdString() << "\n";
    ReportLeftOut(err, leftOut);
    return DXF_WRITTEN;
}

} // namespace

int CreateGcodeFromDxf(const stDXF2GCode& params, std::ostream& err)
{
    try {
        return Convert(params, err);
    } catch (const std::exception& e) {
        // Out of memory on a huge drawing, mostly: report it, write nothing.
        err << "DXF conversion failed: " << e.what() << "\n";
        return DXF_REFUSED;
    }
}

int CreateGcodeFromDxf(stDXF2GCode params)
{
    return CreateGcodeFromDxf(params, std::cerr);
}
