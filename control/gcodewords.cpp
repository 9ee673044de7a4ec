#include "control/gcodewords.h"

#include "gcode/gcodeprogram.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

char CGCodeWords::Letter(const std::string& word)
{
    return word.empty() ? '\0' : char(std::toupper(static_cast<unsigned char>(word[0])));
}

int CGCodeWords::IntValue(const std::string& word)
{
    return word.size() < 2 ? 0 : std::atoi(word.c_str() + 1);
}

double CGCodeWords::DoubleValue(const std::string& word)
{
    // Read like atof, but always with '.' as the decimal point: the C
    // library's own parsing follows the desktop's language, and "X10.5" must
    // not become 10 on a machine set up in German.
    if (word.size() < 2)
        return 0.0;
    const char* first = word.c_str() + 1;
    const char* last = word.c_str() + word.size();
    while (first < last && std::isspace(static_cast<unsigned char>(*first)))
        ++first;
    if (first < last && *first == '+')
        ++first;
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(first, last, value);
    return result.ec == std::errc() ? value : 0.0;
}

unsigned int CGCodeWords::UIntValue(const std::string& word)
{
    if (word.size() < 2)
        return 0;
    bool bOk = false;
    const unsigned int value = QString::fromLatin1(word.c_str() + 1).toUInt(&bOk, 10);
    return bOk ? value : 0;
}

bool CGCodeWords::IsWholeNumber(const std::string& word)
{
    for (size_t i = 1; i < word.size(); ++i) {
        const char c = word[i];
        if (std::isdigit(static_cast<unsigned char>(c)))
            continue;
        if (i == 1 && (c == '-' || c == '+'))
            continue;
        return false;
    }
    return true;
}

namespace {
// A character outside 7-bit ASCII never becomes a letter or digit by losing
// its high byte (a stray accented letter must not turn into X or G); NUL is
// no character of a program either. Both become the byte nothing accepts.
char ToByte(QChar c)
{
    return CGCodeProgram::ByteOf(c.unicode());
}
}

std::vector<std::string> CGCodeWords::SplitLine(const QString& strLine)
{
    std::vector<std::string> words;
    const int n = strLine.size();
    int i = 0;
    while (i < n) {
        const QChar c = strLine.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        std::string word(1, ToByte(c));
        ++i;
        while (i < n) {
            const QChar d = strLine.at(i);
            if (!d.isDigit() && d != QLatin1Char('.') && d != QLatin1Char('-'))
                break;
            word.push_back(ToByte(d));
            ++i;
        }
        words.push_back(word);
    }
    return words;
}
