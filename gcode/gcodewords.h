#pragma once
// Reading the words of a G-code line as the line interpreter does: a word is
// one character (its letter) followed by the text of its value. The checker
// reads numbers, labels and the words a move leaves unrun through the same
// rules, so that what it passes is what the run accepts.
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
    // nothing does. IntValue saturates at the ends of int.
    static int IntValue(const std::string& word);
    static double DoubleValue(const std::string& word);
    // The value as an unsigned decimal (labels and repeat counts); 0 when the
    // whole text is not one.
    static unsigned int UIntValue(const std::string& word);

    // ---- What a value must be ----
    // Digits only, or nothing at all (G and M numbers; a bare G is G0):
    // G91.1 is not G91, and G-1 is no G number.
    static bool IsWholeNumber(const std::string& word);
    // A number the machine can use: an optional '-', digits with at most one
    // '.', at least one digit, the whole text read and the value finite.
    // "X." "X-" "X--5" "X1.2.3" "Xinf" and a value beyond a double are not.
    static bool IsNumber(const std::string& word);
    // An unsigned decimal that fits 32 bits, one digit or more and nothing
    // else (labels, repeat counts, spindle speeds).
    static bool IsCount(const std::string& word);
    // The value of `word` is what its letter asks for: G, M whole numbers;
    // X Y Z A B I J K R F P L Q numbers; S N O counts. Words of other
    // letters have rules of their own and pass here.
    static bool ValueIsValid(const std::string& word);
    // X Y Z A B: the letters of the axes a line can move.
    static bool IsAxisLetter(char c);
    // I J K R: the letters that name an arc's centre or radius.
    static bool IsArcLetter(char c);
    // The line's words (up to its first comment) hold an I, J, K or R word.
    // After a G2 or G3, a line that starts with an axis word cuts another
    // arc only when they do; otherwise it is a straight move at the last G0
    // or G1.
    static bool HasArcWord(const std::vector<std::string>& words);

    // ---- The shape of a line ----
    // '(' ';' '%': the word and everything after it are no words to run.
    static bool IsComment(const std::string& word);
    // Where the line's words end: the index of its first comment, or its
    // size. "M98 P100 (pocket)" has two words; the comment is no argument.
    static size_t WordsEnd(const std::vector<std::string>& words);
    // The label that may open a line (and that M97 / M98 look for): N or O
    // with a count.
    static bool IsLabel(const std::string& word);
    // The first word after the line's move (a G0 / G1 with axis words, G2,
    // G3, or an axis, I or J word continuing the modal motion) that the move
    // does not read and that would therefore never run; words.size() when
    // there is none. A straight move reads X Y Z A B F S, an arc also I J K
    // R. bModalArc: a G2 or G3 is in force at the start of the line (no G0
    // or G1 since); a line of axis words is then an arc when HasArcWord.
    // The arguments of G28, M66, M97 and M98 and comments are not words of
    // their own. A word after a closed "( ... )" comment is never run
    // either ("(lift) G0 Z5"); it is found when the move leaves none.
    static size_t FirstUnrunWord(const std::vector<std::string>& words, bool bModalArc);

    // The word splitter for tool-change files: a non-blank character starts a
    // word, digits, '.' and '-' continue it, blanks separate. "G01X10.5 Y-3"
    // gives G01, X10.5 and Y-3; "G 01" gives G and 01.
    static std::vector<std::string> SplitLine(const QString& strLine);
};
