#include "gcode/gcodewords.h"

#include "gcode/gcodeprogram.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

char CGCodeWords::Letter(const std::string& word)
{
    return word.empty() ? '\0' : char(std::toupper(static_cast<unsigned char>(word[0])));
}

int CGCodeWords::IntValue(const std::string& word)
{
    // atoi's reading, without its undefined result beyond the ends of int.
    size_t i = 1;
    while (i < word.size() && std::isspace(static_cast<unsigned char>(word[i])))
        ++i;
    bool bNegative = false;
    if (i < word.size() && (word[i] == '-' || word[i] == '+'))
        bNegative = word[i++] == '-';
    const long long limit = bNegative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                      : std::numeric_limits<int>::max();
    long long value = 0;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i)
        value = std::min(limit, value * 10 + (word[i] - '0'));
    return int(bNegative ? -value : value);
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

namespace {
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The words a move reads from its line.
bool ReadByMove(char c, bool bArc)
{
    if (CGCodeWords::IsAxisLetter(c) || c == 'F' || c == 'S')
        return true;
    return bArc && CGCodeWords::IsArcLetter(c);
}
}

bool CGCodeWords::IsAxisLetter(char c)
{
    return c == 'X' || c == 'Y' || c == 'Z' || c == 'A' || c == 'B';
}

bool CGCodeWords::IsArcLetter(char c)
{
    return c == 'I' || c == 'J' || c == 'K' || c == 'R';
}

bool CGCodeWords::HasArcWord(const std::vector<std::string>& words)
{
    const size_t end = WordsEnd(words);
    for (size_t k = 0; k < end; ++k)
        if (IsArcLetter(Letter(words[k])))
            return true;
    return false;
}

bool CGCodeWords::IsWholeNumber(const std::string& word)
{
    for (size_t i = 1; i < word.size(); ++i) {
        if (!IsDigit(word[i]))
            return false;
    }
    return true;
}

bool CGCodeWords::IsNumber(const std::string& word)
{
    if (word.size() < 2)
        return false;
    const char* first = word.data() + 1;
    const char* last = word.data() + word.size();
    const char* p = *first == '-' ? first + 1 : first;
    int nDigits = 0;
    int nDots = 0;
    bool bWholeZero = true; // every digit before the point is 0
    for (const char* q = p; q < last; ++q) {
        if (IsDigit(*q)) {
            ++nDigits;
            bWholeZero = bWholeZero && (nDots > 0 || *q == '0');
        } else if (*q == '.') {
            ++nDots;
        } else {
            return false;
        }
    }
    if (nDigits == 0 || nDots > 1)
        return false;
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(first, last, value);
    if (result.ptr != last)
        return false;
    // Out of range with no whole part: far below one unit, it reads as 0.
    // Anything else out of range lies beyond a double.
    if (result.ec == std::errc::result_out_of_range)
        return bWholeZero;
    return result.ec == std::errc() && std::isfinite(value);
}

bool CGCodeWords::IsCount(const std::string& word)
{
    if (word.size() < 2 || !IsWholeNumber(word))
        return false;
    bool bOk = false;
    QString::fromLatin1(word.c_str() + 1).toUInt(&bOk, 10);
    return bOk;
}

bool CGCodeWords::ValueIsValid(const std::string& word)
{
    switch (Letter(word)) {
    case 'G':
    case 'M':
        return IsWholeNumber(word);
    case 'X':
    case 'Y':
    case 'Z':
    case 'A':
    case 'B':
    case 'I':
    case 'J':
    case 'K':
    case 'R':
    case 'F':
    case 'P':
    case 'L':
    case 'Q':
        return IsNumber(word);
    case 'S':
    case 'N':
    case 'O':
        return IsCount(word);
    default:
        return true;
    }
}

bool CGCodeWords::IsComment(const std::string& word)
{
    return !word.empty() && (word[0] == '(' || word[0] == ';' || word[0] == '%');
}

size_t CGCodeWords::WordsEnd(const std::vector<std::string>& words)
{
    size_t end = 0;
    while (end < words.size() && !IsComment(words[end]))
        ++end;
    return end;
}

bool CGCodeWords::IsLabel(const std::string& word)
{
    const char c = Letter(word);
    return (c == 'N' || c == 'O') && IsCount(word);
}

namespace {
// The first word after a closed "( ... )" comment at `from`, which the line
// never reaches: a '(' comment ends the words of a line, so "(lift) G0 Z5"
// does not lift. words.size() when only comments follow.
size_t WordAfterComment(const std::vector<std::string>& words, size_t from)
{
    if (from >= words.size() || words[from][0] != '(')
        return words.size();
    int depth = 0;
    for (size_t k = from; k < words.size(); ++k) {
        const std::string& word = words[k];
        if (word.empty())
            continue;
        if (word[0] == '(') {
            ++depth;
        } else if (word[0] == ')') {
            depth = std::max(0, depth - 1);
        } else if (depth == 0) {
            // A ';' or '%' after the comment is a comment of its own.
            return word[0] == ';' || word[0] == '%' ? words.size() : k;
        }
    }
    return words.size();
}

// The first word in front of `end` (the line's first comment) that the
// line's move leaves unrun; words.size() when there is none.
size_t FirstUnrunMoveWord(const std::vector<std::string>& words, size_t end, bool bModalArc)
{
    using W = CGCodeWords;
    const size_t none = words.size();
    // A G0 or G1 moves only when the words hold an axis word; a line of
    // axis words continues an arc only when it names the arc again.
    bool bAxisWords = false;
    for (size_t k = 0; k < end; ++k)
        bAxisWords = bAxisWords || W::IsAxisLetter(W::Letter(words[k]));
    const bool bArcLine = bModalArc && W::HasArcWord(words);

    for (size_t i = !words.empty() && W::IsLabel(words[0]) ? 1 : 0; i < end; ++i) {
        const std::string& word = words[i];
        const char c = W::Letter(word);
        bool bMove = false;
        bool bArc = false;
        if (c == 'G' && W::IsWholeNumber(word)) {
            const int g = W::IntValue(word);
            if (g == 28 && i + 1 < words.size())
                return none; // the rest is G28's intermediate point
            bArc = g == 2 || g == 3;
            bMove = bArc || ((g == 0 || g == 1) && bAxisWords);
        } else if (c == 'M' && W::IsWholeNumber(word)) {
            const int m = W::IntValue(word);
            if (m == 66 || m == 97 || m == 98)
                return none; // the rest are its arguments
        } else if (W::IsAxisLetter(c)) {
            bMove = true;
            bArc = bArcLine;
        } else if (c == 'I' || c == 'J') {
            bMove = bArc = true;
        }
        if (!bMove)
            continue;
        for (size_t k = i + 1; k < end; ++k) {
            if (!ReadByMove(W::Letter(words[k]), bArc))
                return k;
        }
        return none;
    }
    return none;
}
}

size_t CGCodeWords::FirstUnrunWord(const std::vector<std::string>& words, bool bModalArc)
{
    const size_t none = words.size();
    const size_t end = WordsEnd(words);
    const size_t iWord = FirstUnrunMoveWord(words, end, bModalArc);
    return iWord < none ? iWord : WordAfterComment(words, end);
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
