#include "control/gcodewritersink.h"

#include <QStringList>

#include <cmath>
#include <cstdint>
#include <cstring>

CGCodeWriterSink::CGCodeWriterSink(QTextStream& out)
    : m_Out(out)
{
}

QString CGCodeWriterSink::Num(double value)
{
    return QString::number(value, 'f', 4);
}

QString CGCodeWriterSink::Line(const stSinkMove& move)
{
    QStringList words;
    switch (move.m_eKind) {
    case eSinkMove::ArcCCW:
    case eSinkMove::ArcCW:
        return QStringLiteral("%1 X%2 Y%3 I%4 J%5")
            .arg(move.m_eKind == eSinkMove::ArcCCW ? QStringLiteral("G03") : QStringLiteral("G02"),
                 Num(move.m_Target.x), Num(move.m_Target.y), Num(move.m_Center.x - move.m_From.x),
                 Num(move.m_Center.y - move.m_From.y));
    case eSinkMove::Rapid:
        if (move.m_bWord)
            words << QStringLiteral("G00");
        break;
    default:
        if (move.m_bWord)
            words << QStringLiteral("G01");
        break;
    }
    if (move.m_nAxes & SINK_AXIS_X)
        words << QStringLiteral("X") + Num(move.m_Target.x);
    if (move.m_nAxes & SINK_AXIS_Y)
        words << QStringLiteral("Y") + Num(move.m_Target.y);
    if (move.m_nAxes & SINK_AXIS_Z)
        words << QStringLiteral("Z") + Num(move.m_Target.z);
    return words.join(QLatin1Char(' '));
}

int CGCodeWriterSink::NumChars(double value, char* buf)
{
    const double magnitude = std::fabs(value);
    if (!(magnitude < 1e9))
        return 0;
    // magnitude = m * 2^e exactly, m a whole number below 2^53. Then
    // magnitude * 10^4 = (m * 625) * 2^(e + 4), and m * 625 < 2^63.
    int exponent = 0;
    const double fraction = std::frexp(magnitude, &exponent);
    const uint64_t scaled = uint64_t(std::ldexp(fraction, 53)) * 625u;
    const int shift = 53 - exponent - 4; // at least 19, as magnitude < 2^30
    uint64_t units = 0;                  // magnitude in 1/10000, rounded half up
    if (shift < 64)
        units = (scaled + (uint64_t(1) << (shift - 1))) >> shift;
    char* p = buf;
    if (value < 0.0)
        *p++ = '-';
    uint64_t whole = units / 10000u;
    unsigned frac = unsigned(units % 10000u);
    char digits[12];
    int n = 0;
    do {
        digits[n++] = char('0' + whole % 10u);
        whole /= 10u;
    } while (whole != 0);
    while (n > 0)
        *p++ = digits[--n];
    *p++ = '.';
    for (int i = 3; i >= 0; --i) {
        p[i] = char('0' + frac % 10u);
        frac /= 10u;
    }
    p += 4;
    return int(p - buf);
}

namespace {

// One straight move's line into buf (with its line feed); 0 when a number
// needs Num's own text.
int FastLine(const stSinkMove& move, char* buf)
{
    char* p = buf;
    if (move.m_bWord) {
        std::memcpy(p, move.m_eKind == eSinkMove::Rapid ? "G00 " : "G01 ", 4);
        p += 4;
    }
    const struct
    {
        unsigned axis;
        char letter;
        double value;
    } words[] = {{SINK_AXIS_X, 'X', move.m_Target.x},
                 {SINK_AXIS_Y, 'Y', move.m_Target.y},
                 {SINK_AXIS_Z, 'Z', move.m_Target.z}};
    for (const auto& word : words) {
        if (!(move.m_nAxes & word.axis))
            continue;
        *p++ = word.letter;
        const int n = CGCodeWriterSink::NumChars(word.value, p);
        if (n == 0)
            return 0;
        p += n;
        *p++ = ' ';
    }
    if (p == buf) // a move that names nothing is an empty line
        *p++ = ' ';
    p[-1] = '\n';
    return int(p - buf);
}

} // namespace

bool CGCodeWriterSink::Move(const stSinkMove& move)
{
    // Straight moves are by far the most lines of a file: written without
    // building strings. Both ways write the same text.
    char buf[4 + 3 * (2 + NUM_CHARS) + 1];
    const int n = move.m_eKind == eSinkMove::ArcCCW || move.m_eKind == eSinkMove::ArcCW ? 0 : FastLine(move, buf);
    if (n > 0)
        m_Out << QLatin1StringView(buf, n);
    else
        m_Out << Line(move) << '\n';
    m_Pos = move.m_Target;
    return m_Out.status() == QTextStream::Ok;
}
