#pragma once
// Reading the words of a G-code line as the line interpreter does: a word is
// one character (its letter) followed by the text of its value.
#include <QString>
#include <string>
#include <vector>

class CGCodeWords
{
public:
    CGCodeWords() = delete;

    // The word's letter in upper case ('\0' for an empty word).
    static char Letter(const std::string& word);
    // The value text after the letter, read like the C library's atoi / atof:
    // leading blanks skipped, as much of a number as stands there, 0 when
    // nothing does.
    static int IntValue(const std::string& word);
    static double DoubleValue(const std::string& word);
    // The value as an unsigned decimal (labels and repeat counts); 0 when the
    // whole text is not one.
    static unsigned int UIntValue(const std::string& word);
    // True when the value text is a whole number (digits, optionally signed,
    // or nothing at all): G91.1 is not G91.
    static bool IsWholeNumber(const std::string& word);

    // The word splitter for tool-change files: a non-blank character starts a
    // word, digits, '.' and '-' continue it, blanks separate. "G01X10.5 Y-3"
    // gives G01, X10.5 and Y-3; "G 01" gives G and 01.
    static std::vector<std::string> SplitLine(const QString& strLine);
};
