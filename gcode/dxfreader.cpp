#include "gcode/dxfreader.h"

#include <charconv>
#include <cmath>

namespace dxf {

namespace {

const char* const BINARY_DXF_SENTINEL = "AutoCAD Binary DXF";
const char* const UTF8_BOM = "\xEF\xBB\xBF";

// The text without leading and trailing blanks (spaces, tabs).
std::string_view Trimmed(const std::string& text)
{
    std::string_view v(text);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove_prefix(1);
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t'))
        v.remove_suffix(1);
    return v;
}

// from_chars takes no leading '+'; DXF writers sometimes put one.
std::string_view WithoutPlus(std::string_view v)
{
    if (v.size() > 1 && v.front() == '+' && v[1] != '-')
        v.remove_prefix(1);
    return v;
}

template <typename T>
bool ParseWhole(const std::string& text, T& out)
{
    const std::string_view v = WithoutPlus(Trimmed(text));
    if (v.empty())
        return false;
    const auto res = std::from_chars(v.data(), v.data() + v.size(), out);
    return res.ec == std::errc() && res.ptr == v.data() + v.size();
}

// A line of the file as a message quotes it: never more than that one line
// (a file whose lines end in something the reader does not split at is one
// long line), and cut short when it is long.
std::string Quoted(const std::string& text)
{
    constexpr size_t MAX_QUOTE = 60;
    std::string q = text.substr(0, text.find_first_of("\r\n"));
    const bool bCut = q.size() < text.size() || q.size() > MAX_QUOTE;
    if (q.size() > MAX_QUOTE)
        q.resize(MAX_QUOTE);
    return "\"" + q + (bCut ? "...\"" : "\"");
}

} // namespace

DXFReader::DXFReader(std::istream& in) : m_In(in) {}

bool DXFReader::readLine(std::string& line)
{
    if (!std::getline(m_In, line))
        return false;
    ++m_iLineNo;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (m_iLineNo == 1) {
        if (line.compare(0, 18, BINARY_DXF_SENTINEL) == 0)
            throw DXFError("Binary DXF files are not supported; save the drawing as ASCII DXF.");
        if (line.compare(0, 3, UTF8_BOM) == 0)
            line.erase(0, 3);
    }
    return true;
}

bool DXFReader::readPair(int& code, std::string& value)
{
    if (m_bHasPushed) {
        m_bHasPushed = false;
        code = m_iPushedCode;
        value = std::move(m_strPushedValue);
        m_iValueLine = m_iPushedLine;
        return true;
    }
    std::string codeLine;
    if (!readLine(codeLine))
        return false;
    if (Trimmed(codeLine).empty()) {
        // Blank lines after the last pair are harmless; anywhere else they
        // break the pairing of code and value lines.
        const long long blankLine = m_iLineNo;
        std::string more;
        while (readLine(more)) {
            if (!Trimmed(more).empty())
                throw DXFError("Invalid DXF at line " + std::to_string(blankLine)
                               + ": empty line where a group code was expected.");
        }
        return false;
    }
    if (!ParseWhole(codeLine, code)) {
        // Lines ended by a carriage return alone (old Macintosh files) arrive
        // as one long line.
        if (codeLine.find('\r') != std::string::npos)
            throw DXFError("Invalid DXF at line " + std::to_string(m_iLineNo) + ": group code " + Quoted(codeLine)
                           + " is not a number; the lines end in a carriage return alone (CR), save the drawing"
                             " with LF or CR LF line ends.");
        throw DXFError("Invalid DXF at line " + std::to_string(m_iLineNo) + ": group code " + Quoted(codeLine)
                       + " is not a number.");
    }
    if (!readLine(value))
        throw DXFError("Invalid DXF at line " + std::to_string(m_iLineNo)
                       + ": the file ends after group code " + std::to_string(code)
                       + " without its value (the file is cut short).");
    m_iValueLine = m_iLineNo;
    return true;
}

void DXFReader::pushBack(int code, std::string value)
{
    m_bHasPushed = true;
    m_iPushedCode = code;
    m_strPushedValue = std::move(value);
    m_iPushedLine = m_iValueLine;
}

void DXFReader::notANumber(int code, const std::string& value) const
{
    throw DXFError("Invalid DXF at line " + std::to_string(m_iValueLine) + ": value " + Quoted(value)
                   + " of group code " + std::to_string(code) + " is not a number.");
}

double DXFReader::number(int code, const std::string& value) const
{
    double v = 0.0;
    if (!ParseWhole(value, v) || !std::isfinite(v))
        notANumber(code, value);
    return v;
}

int DXFReader::integer(int code, const std::string& value) const
{
    int v = 0;
    if (!ParseWhole(value, v))
        notANumber(code, value);
    return v;
}

} // namespace dxf
