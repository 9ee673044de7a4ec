#pragma once
// Group-code/value pair reader for ASCII DXF drawings.
//
// A DXF file is a sequence of pairs, each two text lines: an integer group
// code, then its value. The reader hands them out one at a time and can take
// one pair back, so that an entity reader can return the pair that starts the
// next entity. Everything here is plain C++ on a std::istream: no locale, no
// widget, no Qt.
#include <istream>
#include <stdexcept>
#include <string>

namespace dxf {

// A drawing that cannot be read: the text says what is wrong and on which
// line of the file, ready to be shown to the operator.
class DXFError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class DXFReader
{
public:
    explicit DXFReader(std::istream& in);

    // Reads the next pair (or gives back the pushed-back one, which clears
    // it). False at the clean end of input. Throws DXFError when the code
    // line is not a whole number, when the file ends after a code line with
    // no value line, or when the file is a binary DXF.
    bool readPair(int& code, std::string& value);
    // Keeps one pair (the one just read) for the next readPair.
    void pushBack(int code, std::string value);

    // The value of the pair just read as a number, parsed in the C locale
    // whatever the desktop's language. Throws DXFError naming the line when
    // it is not a finite number (for example "0,1" or "1.5mm").
    double number(int code, const std::string& value) const;
    // The same for whole-number values (flags).
    int integer(int code, const std::string& value) const;

    // Line (1-based) of the value line of the pair just read.
    long long valueLine() const { return m_iValueLine; }

private:
    bool readLine(std::string& line);
    [[noreturn]] void notANumber(int code, const std::string& value) const;

    std::istream& m_In;
    long long m_iLineNo = 0;    // lines read from the stream so far
    long long m_iValueLine = 0; // value line of the pair last handed out
    bool m_bHasPushed = false;
    int m_iPushedCode = 0;
    std::string m_strPushedValue;
    long long m_iPushedLine = 0;
};

} // namespace dxf
