#include "gcode/gcodechecker.h"

#include "gcode/gcodewords.h"
#include "gcode/programmemory.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "core/LongJobs.h"

#include <QFile>
#include <QFileInfo>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

const std::string CGCodeChecker::MSG_FAILED = "Invalid:Compilation Failed";

namespace {
// ---- Message texts ----
const std::string MSG_INVALID = "Invalid";
const std::string MSG_INVALID_CODE = "Invalid Code";
const std::string MSG_AB_ON_3_AXIS = "3 Axis Machine, A/B G-Codes should not be present";
const std::string MSG_G19_I = "G19 Plane selected. I value should not be present";
const std::string MSG_G18_J = "G18 Plane selected. J value should not be present";
const std::string MSG_G17_K = "G17 Plane selected. K value should not be present";
const std::string MSG_INVALID_G = "Invalid G-Code";
const std::string MSG_INVALID_M = "Invalid M-Code";
const std::string MSG_INVALID_S = "Invalid S-Code";
const std::string MSG_N_NOT_FIRST = "Line Number, N-Code, must be at the start of G-Code Line";
const std::string MSG_O_NOT_FIRST = "Program Number, O-Code, must be at the start of G-Code Line";
const std::string MSG_O_AFTER_M30 = "Sub-Program must be preceeded by M30-Code";
const std::string MSG_REPEAT = "Repitition";
const std::string MSG_ARC_DATA = "Data Missing:X/Y/Z must be given";
const std::string MSG_ARC_CENTRE = "Atleast two-axis center offset must be provided";
const std::string MSG_G28_FIRST = "No other code must preceed G28";
const std::string MSG_G28_FIVE = "G28 Must be followed with G90 or G91 and X~ Y~ Z~)\n(Ex:G28 G91 X60 Y60 Z10";
const std::string MSG_G28_MODE = "G28 Must be followed with G90 or G91";
const std::string MSG_G28_AXES = "G28 Must be followed with G90 or G91 and X~ Y~ Z~)\n(Ex: G28 G91 X60 Y60 Z10";
const std::string MSG_M_CTRL = "M-Code not supported for the selected Controller";
const std::string MSG_M_SUCCESSIVE_1 = "No Successive Codes must be mentioned after ";
const std::string MSG_M_SUCCESSIVE_2 = "  Code";
const std::string MSG_M66 = "Invalid Format. Correct Format Example: M66 Q100 (OR) M66 P1 L3 (OR) M66 P1 L3 Q100";
const std::string MSG_AFTER_L = "No Successive Codes must be mentioned after L-Code";
const std::string MSG_TOOL_IN_ATC = "Tool Select, 'T', Command must not exist in ATC file,";
const std::string MSG_ATC_MISSING_1 = "No ATC commands found. Please check the file, ";
const std::string MSG_ATC_MISSING_2 = ", exists?";
const std::string MSG_ATC_UNREADABLE = "Unable to open ATC File,";
const std::string MSG_NOT_RUN = "Word after the move is never run: put it on a line of its own";
const std::string MSG_NO_ARC = "No arc in force: a line starting with I or J must follow a G2 or G3, with no G0 or G1 between";
const std::string MSG_AFTER_COMMENT = "Word after a comment is never run: put the comment at the end of the line";
const std::string ATC_LINE = ", line ";

// The texts of the two sub-program calls, M97 (by line number) and M98 (by
// program number).
struct stSubCallRule
{
    char cTarget; // N or O
    std::string strNotFirst;
    std::string strMissing;
    std::string strBadTarget;
    std::string strBadRepeat;
};
const stSubCallRule M97_RULE{'N', "Sub-Program call, M97, must be at the start of G-Code Line",
                             "Data Missing. N-Code, must succeed M97",
                             "Sub-Program Line Number, N-Code (Or) P-Code, Must succeed M97",
                             "Number Of repititions, L-Code, Must succeed N-Code"};
const stSubCallRule M98_RULE{'O', "Sub-Program call, M98, must be at the start of G-Code Line",
                             "Data Missing. O-Code, must succeed M98",
                             "Sub-Program Number, O-Code (Or) P-Code, Must succeed M98",
                             "Number Of repititions, L-Code, Must succeed O-Code"};

inline unsigned char FirstByte(const std::string& t) { return t.empty() ? 0 : static_cast<unsigned char>(t[0]); }
inline unsigned char Upper(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }
inline unsigned char Letter(const std::string& t) { return Upper(FirstByte(t)); }
inline bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
// A word whose first character no rule accepts anywhere (not a letter, or a
// letter the machine has no use for): it is refused as "Invalid" wherever it
// stands, so moving it to a line of its own would not help.
inline bool IsUnknownWord(unsigned char c)
{
    if (!IsLetter(c))
        return true;
    switch (Upper(c)) {
    case 'C': case 'D': case 'E': case 'H': case 'P': case 'Q': case 'U': case 'V': case 'W':
        return true;
    default:
        return false;
    }
}

bool DigitsOnly(const char* p, const char* e)
{
    for (; p < e; ++p)
        if (*p < '0' || *p > '9')
            return false;
    return true;
}
bool DigitsAndDots(const char* p, const char* e)
{
    if (p < e && *p == '-')
        ++p;
    for (; p < e; ++p)
        if ((*p < '0' || *p > '9') && *p != '.')
            return false;
    return true;
}
// The value of a word, read by the interpreter's own rules.
inline bool ValueIsInteger(const std::string& t) { return CGCodeWords::IsWholeNumber(t); }
inline bool ValueIsNumber(const std::string& t) { return CGCodeWords::IsNumber(t); }
inline bool ValueIsCount(const std::string& t) { return CGCodeWords::IsCount(t); }

// The number of a G or M word whose value is digits only (empty = 0). Large
// numbers stop at a bound above every number that has a rule.
unsigned WordNumber(const std::string& t)
{
    constexpr unsigned BOUND = 100000;
    unsigned v = 0;
    for (size_t k = 1; k < t.size() && v < BOUND; ++k)
        v = v * 10 + unsigned(t[k] - '0');
    return std::min(v, BOUND);
}

// The value of an M66 P or L word as a number, cut to a whole number and
// kept in 8 bits (256 becomes 0, -1 becomes 255).
unsigned char M66Byte(const std::string& t)
{
    double v = 0.0;
    if (t.size() > 1) {
        const auto res = std::from_chars(t.data() + 1, t.data() + t.size(), v);
        if (res.ec != std::errc())
            v = 0.0;
    }
    if (!std::isfinite(v))
        return 0;
    double m = std::fmod(std::trunc(v), 256.0);
    if (m < 0)
        m += 256.0;
    return static_cast<unsigned char>(m);
}

// Word classes that the G rules scan for.
enum eScanClass { SC_X, SC_Y, SC_Z, SC_A, SC_B, SC_I, SC_J, SC_K, SC_COMMENT, SC_COUNT };

int ScanClassOf(const std::string& t)
{
    switch (Letter(t)) {
    case 'X': return SC_X;
    case 'Y': return SC_Y;
    case 'Z': return SC_Z;
    case 'A': return SC_A;
    case 'B': return SC_B;
    case 'I': return SC_I;
    case 'J': return SC_J;
    case 'K': return SC_K;
    case '(':
    case ';':
    case '%': return SC_COMMENT;
    default: return -1;
    }
}

// Adds token + "(" + message + ")" to the text of line iLine ("\n" between
// the entries of a line). Lines come in order, so the end is the usual hint.
void AppendEntry(GCodeErrorMap& errors, unsigned iLine, const std::string& strToken, const std::string& strMsg)
{
    std::string entry;
    entry.reserve(strToken.size() + strMsg.size() + 2);
    entry.append(strToken).append(1, '(').append(strMsg).append(1, ')');
    auto it = errors.lower_bound(iLine);
    if (it == errors.end() || it->first != iLine)
        errors.emplace_hint(it, iLine, std::move(entry));
    else if (it->second.empty())
        it->second = std::move(entry);
    else
        it->second.append(1, '\n').append(entry);
}

// An error found in a tool-change file, before it is placed on the line of
// the T word that names the file.
struct stToolError
{
    unsigned iLine; // line of the tool file
    std::string strToken;
    std::string strMsg;
};

struct stToolFile
{
    enum { MISSING, UNREADABLE, TOO_LARGE, CHECKED } eState = MISSING;
    std::string strPath; // UTF-8
    std::string strRefusal; // TOO_LARGE: why (its size and the most that loads)
    std::vector<stToolError> lstErrors;
    quint8 iExitPlane = 17; // the plane after the file's last line
    bool bExitModalArc = false; // a G2 / G3 in force after the file's last line
};

// One pass over a list of token lists. The top-level pass writes the error
// table; a nested pass (a tool-change file) collects its errors for the
// outer pass to place.
class CPass
{
public:
    CPass(const GCodeCmdList& prog, const stGCodeCheckMachine& machine, quint8& plane, bool bModalArc = false)
        : m_Prog(prog), m_Machine(machine), m_Plane(plane), m_bModalArc(bModalArc)
    {
    }

    void RunTop(GCodeErrorMap& errors)
    {
        m_pErrors = &errors;
        Run();
    }
    void RunNested(std::vector<stToolError>& errors)
    {
        m_pToolErrors = &errors;
        Run();
    }
    bool ModalArc() const { return m_bModalArc; }

private:
    const GCodeCmdList& m_Prog;
    const stGCodeCheckMachine& m_Machine;
    quint8& m_Plane;
    // The modal motion is G2 or G3 (a run starts at G1); followed in the
    // order of the lines, as the plane is.
    bool m_bModalArc = false;
    GCodeErrorMap* m_pErrors = nullptr;            // top-level pass
    std::vector<stToolError>* m_pToolErrors = nullptr; // nested pass
    std::map<std::string, stToolFile> m_ToolFiles;  // by T word and entry plane, for this check

    // The line being examined.
    size_t m_iLine = 0;
    size_t m_iToken = 0;
    const GCodeTokens* m_pLine = nullptr;
    int m_iLineErrors = 0;
    size_t m_iUnrun = 0; // the line's first word its move leaves unrun (or its size)
    // Where the line's words start: 1 past a leading line number or label
    // ("N50 M98 P100" calls as "M98 P100" does), else 0. The rules that
    // count words from the start of the line count from here.
    size_t m_iFirst = 0;
    // Where the line's words end: its first comment (or its size). A
    // comment behind a word is not one of its arguments ("M98 P100 (pocket)").
    size_t m_iEnd = 0;
    // Next[from * SC_COUNT + class]: the first token at or after `from` of
    // that class (or the line's size); built on demand, so every scan of a
    // G rule takes constant time however long the line.
    std::vector<uint32_t> m_Next;
    bool m_bIndexed = false;
    std::vector<uint32_t> m_Repeats;

    bool Nested() const { return m_pToolErrors != nullptr; }
    size_t Size() const { return m_pLine->size(); }
    const std::string& Tok(size_t i) const { return (*m_pLine)[i]; }

    void Run()
    {
        try {
            for (m_iLine = 0; m_iLine < m_Prog.size(); ++m_iLine) {
                m_pLine = &m_Prog[m_iLine];
                m_bIndexed = false;
                m_iLineErrors = 0;
                m_iUnrun = CGCodeWords::FirstUnrunWord(*m_pLine, m_bModalArc);
                m_iFirst = !m_pLine->empty() && CGCodeWords::IsLabel((*m_pLine)[0]) ? 1 : 0;
                m_iEnd = CGCodeWords::WordsEnd(*m_pLine);
                CheckArcInForce();
                bool bUnrunSeen = false;
                for (size_t i = 0; i < Size();) {
                    m_iToken = i;
                    if (i == m_iUnrun) {
                        bUnrunSeen = true;
                        if (!IsUnknownWord(FirstByte(Tok(i))))
                            Report(i, MSG_NOT_RUN);
                    }
                    i = Word(i);
                }
                // Behind a comment: the walk above stopped at the comment.
                if (m_iUnrun < Size() && !bUnrunSeen
                    && m_iEnd < m_iUnrun)
                    Report(m_iUnrun, MSG_AFTER_COMMENT);
            }
        } catch (...) {
            Report(m_iToken, CGCodeChecker::MSG_FAILED);
        }
    }

    // A line that starts with I or J continues the arc of the last G2 or
    // G3; with none in force the machine refuses it.
    void CheckArcInForce()
    {
        if (m_bModalArc)
            return;
        const std::string* first = FirstRunWord(*m_pLine);
        const unsigned char c = first ? Letter(*first) : 0;
        if (c == 'I' || c == 'J')
            Report(size_t(first - m_pLine->data()), MSG_NO_ARC);
    }

    void ReportText(const std::string& strToken, const std::string& strMsg)
    {
        if (m_iLineErrors >= CGCodeChecker::MAX_ERRORS_PER_LINE)
            return;
        ++m_iLineErrors;
        if (Nested()) {
            m_pToolErrors->push_back({unsigned(m_iLine), strToken, strMsg});
            return;
        }
        AppendEntry(*m_pErrors, unsigned(m_iLine), strToken, strMsg);
    }
    void Report(size_t iToken, const std::string& strMsg)
    {
        static const std::string none;
        const GCodeTokens& line = m_Prog[m_iLine];
        ReportText(iToken < line.size() ? line[iToken] : none, strMsg);
    }

    void BuildIndex()
    {
        if (m_bIndexed)
            return;
        const size_t n = Size();
        m_Next.assign((n + 1) * SC_COUNT, uint32_t(n));
        for (size_t j = n; j-- > 0;) {
            std::copy_n(&m_Next[(j + 1) * SC_COUNT], SC_COUNT, &m_Next[j * SC_COUNT]);
            const int cls = ScanClassOf(Tok(j));
            if (cls >= 0)
                m_Next[j * SC_COUNT + cls] = uint32_t(j);
        }
        m_bIndexed = true;
    }
    size_t Next(int cls, size_t from) const { return m_Next[from * SC_COUNT + cls]; }

    // The message for a centre word of the axis outside the current plane
    // (I under G19, J under G18, K under G17), else null.
    const std::string* OffPlaneMsg(unsigned char letter) const
    {
        if (letter == 'I' && m_Plane == 19)
            return &MSG_G19_I;
        if (letter == 'J' && m_Plane == 18)
            return &MSG_G18_J;
        if (letter == 'K' && m_Plane == 17)
            return &MSG_G17_K;
        return nullptr;
    }

    // Examines token i; returns the index of the next token to examine.
    size_t Word(size_t i)
    {
        const std::string& t = Tok(i);
        const unsigned char c = FirstByte(t);
        if (c == 0)
            return i + 1;
        if (c == '%' || c == '(' || c == ';')
            return Size();
        if (!IsLetter(c)) {
            Report(i, MSG_INVALID);
            return i + 1;
        }
        switch (Upper(c)) {
        case 'A':
        case 'B':
            if (m_Machine.iMchType != 5)
                Report(i, MSG_AB_ON_3_AXIS);
            if (!ValueIsNumber(t))
                Report(i, MSG_INVALID_CODE);
            break;
        case 'I':
        case 'J':
        case 'K':
            if (const std::string* msg = OffPlaneMsg(Upper(c)))
                Report(i, *msg);
            if (!ValueIsNumber(t))
                Report(i, MSG_INVALID_CODE);
            break;
        case 'F':
        case 'L':
        case 'R':
        case 'X':
        case 'Y':
        case 'Z':
            if (!ValueIsNumber(t))
                Report(i, MSG_INVALID_CODE);
            break;
        case 'G':
            if (!ValueIsInteger(t)) {
                Report(i, MSG_INVALID_G);
                break;
            }
            return GWord(i, WordNumber(t));
        case 'M':
            if (!ValueIsInteger(t)) {
                Report(i, MSG_INVALID_M);
                break;
            }
            return MWord(i, WordNumber(t));
        case 'N':
            if (i != 0 && Tok(i - 1) != "M97")
                Report(i, MSG_N_NOT_FIRST);
            if (!ValueIsCount(t))
                Report(i, MSG_INVALID_CODE);
            break;
        case 'O':
            OWord(i);
            break;
        case 'S':
            if (!ValueIsCount(t))
                Report(i, MSG_INVALID_S);
            break;
        case 'T':
            TWord(i);
            break;
        default: // C D E H P Q U V W and the rest
            Report(i, MSG_INVALID);
            break;
        }
        return i + 1;
    }

    // Reports "Repitition" on every later occurrence, before the first
    // comment token ('(', ';' or '%') after word i, of a word of the classes in `classes`.
    // Returns how many of those classes occur at all in that stretch.
    int RepeatsAfter(size_t i, std::initializer_list<int> classes)
    {
        BuildIndex();
        const size_t end = Next(SC_COMMENT, i + 1);
        // Only as many as can still be kept on this line are looked for.
        const size_t room = size_t(std::max(0, CGCodeChecker::MAX_ERRORS_PER_LINE - m_iLineErrors));
        m_Repeats.clear();
        int iPresent = 0;
        for (int cls : classes) {
            const size_t first = Next(cls, i + 1);
            if (first >= end)
                continue;
            ++iPresent;
            size_t found = 0;
            for (size_t j = Next(cls, first + 1); j < end && found < room; j = Next(cls, j + 1), ++found)
                m_Repeats.push_back(uint32_t(j));
        }
        std::sort(m_Repeats.begin(), m_Repeats.end());
        for (uint32_t j : m_Repeats)
            Report(j, MSG_REPEAT);
        return iPresent;
    }

    // G15/G17, G18, G19: the plane changes; a word of the axis outside the
    // plane anywhere from here to the end of the line's words is reported on
    // the G word. A comment is not words: "G17 (pocket)" has no K word.
    void SetPlane(size_t i, quint8 plane, int forbidden, const std::string& msg)
    {
        m_Plane = plane;
        BuildIndex();
        if (Next(forbidden, i) < Next(SC_COMMENT, i))
            Report(i, msg);
    }

    size_t GWord(size_t i, unsigned n)
    {
        if (n <= 3)
            m_bModalArc = n >= 2;
        switch (n) {
        case 0:
        case 1:
            if (m_Machine.iMchType == 5)
                RepeatsAfter(i, {SC_X, SC_Y, SC_Z, SC_A, SC_B});
            else
                RepeatsAfter(i, {SC_X, SC_Y, SC_Z});
            break;
        case 2:
        case 3:
            if (Size() - i - 1 < 2)
                Report(i, MSG_ARC_DATA);
            else if (RepeatsAfter(i, {SC_I, SC_J, SC_K}) < 2)
                Report(i, MSG_ARC_CENTRE);
            break;
        case 15:
        case 17:
            SetPlane(i, 17, SC_K, MSG_G17_K);
            break;
        case 18:
            SetPlane(i, 18, SC_J, MSG_G18_J);
            break;
        case 19:
            SetPlane(i, 19, SC_I, MSG_G19_I);
            break;
        case 20:
        case 21:
        case 30:
        case 40:
        case 90:
        case 91:
        case 94:
            break;
        case 28:
            G28(i);
            break;
        default:
            Report(i, MSG_INVALID);
            break;
        }
        return i + 1;
    }

    void G28(size_t i)
    {
        if (i != m_iFirst) {
            Report(i, MSG_G28_FIRST);
            return;
        }
        const size_t b = m_iFirst;
        if (m_iEnd - b == 1)
            return;
        if (m_iEnd - b != 5) {
            Report(i, MSG_G28_FIVE);
            return;
        }
        const std::string& mode = Tok(b + 1);
        if (mode != "G90" && mode != "g90" && mode != "G91" && mode != "g91")
            Report(i, MSG_G28_MODE);
        if (Letter(Tok(b + 2)) != 'X' || Letter(Tok(b + 3)) != 'Y' || Letter(Tok(b + 4)) != 'Z')
            Report(i, MSG_G28_AXES);
    }

    size_t MWord(size_t i, unsigned n)
    {
        if (n <= 9 || n == 30 || n == 80 || n == 81 || n == 99)
            return i + 1;
        if (n >= 200 && n <= 231) {
            const eKivController ctrl = m_Machine.eCtrl;
            if (ctrl == CTRL_KIVQ20 || (ctrl == CTRL_KIVQ10 && n >= 212))
                Report(m_iFirst, MSG_M_CTRL);
            if (m_iEnd - m_iFirst > 1)
                Report(m_iFirst + 1, MSG_M_SUCCESSIVE_1 + Tok(m_iFirst) + MSG_M_SUCCESSIVE_2);
            return i + 1;
        }
        if (n == 66)
            return M66(i);
        if (n == 97)
            return SubCall(i, M97_RULE);
        if (n == 98)
            return SubCall(i, M98_RULE);
        Report(i, MSG_INVALID);
        return i + 1;
    }

    // M66 Q~, M66 P~ L~ or M66 P~ L~ Q~ (input 1 to 4, condition 1 to 4).
    // A failure ends the rule and the words after M66 are examined as usual;
    // a line that passes is consumed.
    size_t M66(size_t i)
    {
        // Its arguments are the words after it, counted from the line's start.
        const size_t b = m_iFirst;
        const size_t n = m_iEnd - b;
        auto arg = [&](size_t k) -> const std::string& { return Tok(b + k); };
        auto fail = [&](size_t at) {
            Report(at, MSG_M66);
            return i + 1;
        };
        if (n < 2 || n > 4)
            return fail(i);
        if (n == 2) {
            if (Letter(arg(1)) != 'Q')
                return fail(b + 1);
            if (!ValueIsNumber(arg(1)))
                Report(b + 1, MSG_INVALID_CODE);
            return Size();
        }
        if (Letter(arg(1)) != 'P')
            return fail(b + 1);
        if (Letter(arg(2)) != 'L')
            return fail(b + 2);
        const unsigned char p = M66Byte(arg(1));
        if (p < 1 || p > 4)
            return fail(b + 1);
        const unsigned char l = M66Byte(arg(2));
        if (l < 1 || l > 4)
            return fail(b + 2);
        if (n == 4 && Letter(arg(3)) != 'Q')
            return fail(b + 3);
        for (size_t k = 1; k < n; ++k) {
            if (!ValueIsNumber(arg(k)))
                Report(b + k, MSG_INVALID_CODE);
        }
        return Size();
    }

    // M97 N~ L~ / M98 O~ L~ (P in place of N or O). Consumes the line.
    size_t SubCall(size_t i, const stSubCallRule& rule)
    {
        const size_t b = m_iFirst;
        const size_t n = m_iEnd - b;
        if (i != b) {
            Report(i, rule.strNotFirst);
            return i + 1;
        }
        if (n == 1) {
            Report(i, rule.strMissing);
            return Size();
        }
        const unsigned char target = Letter(Tok(b + 1));
        if (target != rule.cTarget && target != 'P')
            Report(b + 1, rule.strBadTarget);
        else if (!ValueIsCount(Tok(b + 1)))
            Report(b + 1, MSG_INVALID_CODE);
        if (n >= 3) {
            if (Letter(Tok(b + 2)) != 'L')
                Report(b + 2, rule.strBadRepeat);
            else if (!ValueIsCount(Tok(b + 2)))
                Report(b + 2, MSG_INVALID_CODE);
        }
        if (n > 3)
            Report(b + 2, MSG_AFTER_L);
        return Size();
    }

    void OWord(size_t i)
    {
        if (i != 0 && Tok(i - 1) != "M98")
            Report(i, MSG_O_NOT_FIRST);
        // The line before with a word to run, skipping blank lines, lines of
        // comments alone (a "(sub-program: pocket)" title, a "%") and that
        // line's own number ("N140 M30" ends the program as M30 does); a
        // sub-program at the top of the file passes.
        size_t prev = m_iLine;
        while (prev > 0 && !FirstRunWord(m_Prog[prev - 1]))
            --prev;
        if (prev > 0) {
            const std::string* first = FirstRunWord(m_Prog[prev - 1]);
            if (Letter(*first) != 'M' || !ValueIsInteger(*first) || CGCodeWords::IntValue(*first) != 30)
                Report(i, MSG_O_AFTER_M30);
        }
        if (!ValueIsCount(Tok(i)))
            Report(i, MSG_INVALID_CODE);
    }

    // The first word of `line` that the run executes: past a leading label,
    // null when a comment or the end of the line comes first.
    static const std::string* FirstRunWord(const GCodeTokens& line)
    {
        size_t k = !line.empty() && CGCodeWords::IsLabel(line[0]) ? 1 : 0;
        for (; k < line.size() && line[k].empty(); ++k) {
        }
        if (k >= line.size() || CGCodeWords::IsComment(line[k]))
            return nullptr;
        return &line[k];
    }

    void TWord(size_t i)
    {
        if (Nested()) {
            Report(i, MSG_TOOL_IN_ATC);
            return;
        }
        const stToolFile& tool = ToolFile(Tok(i));
        switch (tool.eState) {
        case stToolFile::MISSING:
            Report(i, MSG_ATC_MISSING_1 + tool.strPath + MSG_ATC_MISSING_2);
            break;
        case stToolFile::UNREADABLE:
            Report(i, MSG_ATC_UNREADABLE + tool.strPath);
            break;
        case stToolFile::TOO_LARGE:
            Report(i, tool.strRefusal);
            break;
        case stToolFile::CHECKED:
            for (const stToolError& e : tool.lstErrors)
                ReportText(e.strToken, e.strMsg + tool.strPath + ATC_LINE + std::to_string(e.iLine));
            m_Plane = tool.iExitPlane;
            m_bModalArc = tool.bExitModalArc;
            break;
        }
    }

    // The tool-change file named by a T word, checked from the current plane
    // (read and checked once per word and plane in one check).
    const stToolFile& ToolFile(const std::string& strWord)
    {
        const std::string key = strWord + char(m_Plane) + char(m_bModalArc);
        auto it = m_ToolFiles.find(key);
        if (it != m_ToolFiles.end())
            return it->second;
        stToolFile& tool = m_ToolFiles[key];
        const QString path = CAppPaths::InWorkingFolder(QString::fromLatin1(strWord.data(), qsizetype(strWord.size())) +
                                                        QStringLiteral(".txt"));
        tool.strPath = path.toStdString();
        if (!QFileInfo::exists(path)) {
            tool.eState = stToolFile::MISSING;
            return tool;
        }
        QString strRefusal;
        if (!CProgramMemory::Fits(path, 0, &strRefusal)) {
            tool.eState = stToolFile::TOO_LARGE;
            tool.strRefusal = strRefusal.toStdString();
            return tool;
        }
        std::vector<QString> lines;
        GCodeCmdList cmds;
        if (!QFileInfo(path).isFile() || !CGCodeProgram::ReadProgramFile(path, lines, cmds)) {
            tool.eState = stToolFile::UNREADABLE;
            return tool;
        }
        tool.eState = stToolFile::CHECKED;
        quint8 plane = m_Plane;
        CGCodeProgram::m_bToolChgCompiling = true;
        CPass nested(cmds, m_Machine, plane, m_bModalArc);
        nested.RunNested(tool.lstErrors);
        CGCodeProgram::m_bToolChgCompiling = false;
        tool.iExitPlane = plane;
        tool.bExitModalArc = nested.ModalArc();
        return tool;
    }
};
}

void CGCodeChecker::Check(const GCodeCmdList& prog, GCodeErrorMap& errors, const stGCodeCheckMachine& machine)
{
    quint8 plane = 17;
    CPass pass(prog, machine, plane);
    pass.RunTop(errors);
}

stGCodeCheckMachine CGCodeChecker::MachineFromSettings()
{
    stGCodeCheckMachine machine;
    machine.iMchType = AppConfig::m_iMchType;
    machine.eCtrl = AppConfig::m_eDiradiCtrl;
    return machine;
}

void CGCodeChecker::CompileGCode(QObject* pObj)
{
    try {
        Check(CGCodeProgram::m_lstOfGCodeCmds, CGCodeProgram::m_CompilationErrors, MachineFromSettings());
    } catch (...) {
        // Check reports its own failures; nothing may stop the end below,
        // or Start would stay refused for good.
    }
    CGCodeProgram::m_bToolChgCompiling = false;
    CGCodeProgram::m_bGCodeCompiling = false;
    CGCodeProgram::Notify(pObj, "GCodeCompilationComplete");
}

QFuture<void> CGCodeChecker::StartCompileGCode(QObject* pObj, std::function<void()> before)
{
    CGCodeProgram::m_bGCodeCompiling = true;
    CGCodeProgram::m_CompilationErrors.clear();
    return QtConcurrent::run(CLongJobs::Pool(), [pObj, before = std::move(before)]() {
        if (before)
            before();
        CompileGCode(pObj);
    });
}

void CGCodeChecker::RegisterError(GCodeErrorMap& errors, const GCodeCmdList& prog, unsigned int iLine, size_t iToken,
                                  const std::string& strMsg)
{
    static const std::string none;
    const bool bHasToken = iLine < prog.size() && iToken < prog[iLine].size();
    AppendEntry(errors, iLine, bHasToken ? prog[iLine][iToken] : none, strMsg);
}

bool CGCodeChecker::isInteger(const std::string& str)
{
    return DigitsOnly(str.data(), str.data() + str.size());
}

bool CGCodeChecker::isDecimalNumber(const std::string& str)
{
    return DigitsAndDots(str.data(), str.data() + str.size());
}
