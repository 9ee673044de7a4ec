// AppControl: the G-code line interpreter, the run loop and the execution
// status file.
#include "control/AppControl.h"

#include <QFile>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <limits>

#include "gcode/gcodewords.h"
#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "gcode/gcodeexecstatus.h"
#include "gcode/gcodeprogram.h"
#include "gcode/programmemory.h"
#include "hal/clock.h"
#include "machine/kivgpio.h"

std::atomic<bool> AppControl::m_bWritingGCodeExecStatusFile{false};

// ===========================================================================
// G-code interpreter and run loop
// ===========================================================================
namespace {
// Thrown for a word the dialect does not support; the line's catch-all turns
// it into the line's error.
struct CUnsupportedWord
{
};

constexpr int MAX_TOOL_CHANGE_NESTING = 6;

// Milliseconds of an M66 word in nanoseconds; a time beyond the clock's
// counter waits as long as it can (until the stop), never not at all.
qint64 MsToNs(double fMs)
{
    const double fNs = fMs * 1000000.0;
    if (!(fNs > 0.0))
        return 0;
    return fNs >= 9.2e18 ? std::numeric_limits<qint64>::max() : qint64(fNs);
}
}

std::atomic<bool> AppControl::m_bExecStatusSaveFailed{false};
QString AppControl::m_strExecStatusSaveError;

std::vector<std::string> AppControl::Parse_GCode_Line(QString strLine)
{
    return CGCodeWords::SplitLine(strLine);
}

bool AppControl::ExecGCodeLine(uint uiLine)
{
    // Coordinates follow the same unit as the feed conversion: the stored
    // unit, which G20/G21 change, so a program without either reads both
    // in the unit a previous program left.
    m_fUnitScale = AppConfig::m_eSelUnits == UNITS_INCH ? 25.4 : 1.0;
    try {
        return ExecGCodeWords(uiLine);
    } catch (...) {
        AddErrMsg("Error:" + QString::number(uiLine) + " - Command/Format No Supported");
        return false;
    }
}

bool AppControl::ExecGCodeWords(uint uiLine)
{
    if (!m_pGCodeLines || uiLine >= m_pGCodeLines->size())
        throw CUnsupportedWord();
    // A copy: a tool change points m_pGCodeLines elsewhere while it runs.
    const GCodeTokens words = (*m_pGCodeLines)[uiLine];
    size_t i = 0;
    if (!words.empty() && (CGCodeWords::Letter(words[0]) == 'N' || CGCodeWords::Letter(words[0]) == 'O')) {
        if (!CGCodeWords::IsLabel(words[0]))
            throw CUnsupportedWord();
        i = 1;
    }
    // An empty line or a lone label is done at once; nothing to show.
    if (i >= words.size())
        return true;
    bool bAxisWords = false;
    if (!CheckLineWords(uiLine, words, i, bAxisWords))
        return false;

    for (; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.empty())
            continue;
        eWordResult result = WORD_NEXT;
        switch (CGCodeWords::Letter(word)) {
        case '%':
        case '(':
        case ';':
            result = WORD_END_LINE;
            break;
        case 'G':
            result = ExecGWord(uiLine, words, i, bAxisWords);
            break;
        case 'X':
        case 'Y':
        case 'Z':
        case 'A':
        case 'B':
            result = ExecModalMove(uiLine, words);
            break;
        case 'I':
        case 'J':
            result = ExecModalArc(uiLine);
            break;
        case 'M':
            result = ExecMWord(uiLine, words, i);
            break;
        case 'F':
            WaitForSegmentEnd();
            if (!AppConfig::m_bSimulationMode && AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed) {
                m_fProgFeed = CGCodeWords::DoubleValue(word);
                SetAxisFeed(m_fProgFeed);
            }
            break;
        case 'S':
            WaitForSegmentEnd();
            if (!AppConfig::m_bSimulationMode)
                SetSpindleSpeed(CGCodeWords::IntValue(word));
            break;
        case 'T':
            WaitForSegmentEnd();
            if (!AppConfig::m_bSimulationMode)
                m_strToolName = QString::fromLatin1(word.c_str());
            break;
        default:
            throw CUnsupportedWord();
        }
        if (result == WORD_FAIL)
            return false;
        if (result == WORD_END_LINE)
            break;
    }
    // The window shows the line before the one announced (during a run, the
    // line just finished): the line after this one makes it show this one.
    if (m_bExecOneLine)
        emit SelNxtGCodeLine(uiLine + 1);
    return true;
}

bool AppControl::CheckLineWords(uint uiLine, const GCodeTokens& words, size_t iFirst, bool& bAxisWords)
{
    const bool bProgFeed = AppConfig::m_GCodeRunSettings.m_bUsePrgmFeed;
    bAxisWords = false;
    for (size_t k = iFirst; k < words.size() && !CGCodeWords::IsComment(words[k]); ++k) {
        const std::string& word = words[k];
        if (!CGCodeWords::ValueIsValid(word))
            throw CUnsupportedWord();
        const char c = CGCodeWords::Letter(word);
        bAxisWords = bAxisWords || CGCodeWords::IsAxisLetter(c);
        // A feed of nothing would leave the move at the feed before it.
        if (c == 'F' && bProgFeed && !(CGCodeWords::DoubleValue(word) > 0.0)) {
            AddErrMsg("Error:" + QString::number(uiLine) + " - Feed value must be greater than zero");
            return false;
        }
    }
    if (CGCodeWords::FirstUnrunWord(words, m_bArcModal) < words.size())
        throw CUnsupportedWord();
    return true;
}

AppControl::eWordResult AppControl::StraightLineMove(uint uiLine, eGMoveCmnd cmd, bool bAxisWords)
{
    AppConfig::m_GCodeRunSettings.m_eMoveCmnd = cmd;
    m_bArcModal = false;
    // Without an axis word only the modal motion changes; the line is not
    // read again for each such word (a line of many thousands stays quick).
    if (!bAxisWords)
        return WORD_NEXT;
    stFloatPoint target;
    GetPosToMov(uiLine, target);
    return LineMoveTo(target, cmd, cmd);
}

AppControl::eWordResult AppControl::LineMoveTo(const stFloatPoint& target, eGMoveCmnd cmd, eGMoveCmnd velCmd)
{
    // Refused before the feed split and the Z profile see it: a target the
    // internal unit cannot hold would be clamped, or split without end.
    if (!TargetInRange(target))
        return WORD_FAIL;
    // A feed move follows the Z profile while it is in use.
    bool bOk;
    if (cmd == CMND_G01 && ZProfileInUse()) {
        bOk = ZProfileMove(m_LastPos, target);
    } else {
        SetAccAndVel(m_LastPos, target, velCmd);
        bOk = cmd == CMND_G00 ? G00_Move(target, false, false) : G01_Move(target, false, false);
    }
    if (!bOk)
        return WORD_FAIL;
    m_LastPos = target;
    return WORD_END_LINE;
}

AppControl::eWordResult AppControl::ArcMove(uint uiLine, eDirection eDir)
{
    WaitForSegmentEnd();
    stGCodeEllipseInfo arc;
    arc.m_eDir = eDir;
    if (!CutArc(uiLine, arc))
        return WORD_FAIL;
    GetAllAxisCurPos(m_LastPos);
    if (ZProfileInUse())
        m_LastPos.z = arc.m_EndPt.z; // programmed, as after a straight move
    return WORD_END_LINE;
}

AppControl::eWordResult AppControl::ExecModalMove(uint uiLine, const GCodeTokens& words)
{
    // After a G2 or G3 a line of axis words alone is a straight move at the
    // last G0 / G1: the shape files step down to the next depth with a bare
    // "Z-2.0000" after each circle. Only a line that names the arc's centre
    // or radius again cuts another arc.
    if (m_bArcModal && CGCodeWords::HasArcWord(words))
        return ArcMove(uiLine, m_eArcDir);
    // The velocities of a modal line are always split as for G01. A feed
    // move follows the Z profile whether or not its line repeats the G1.
    const eGMoveCmnd eModal = AppConfig::m_GCodeRunSettings.m_eMoveCmnd;
    stFloatPoint target;
    GetPosToMov(uiLine, target);
    return LineMoveTo(target, eModal, CMND_G01);
}

AppControl::eWordResult AppControl::ExecModalArc(uint uiLine)
{
    // An I or J line needs an arc left in force by an earlier G2 or G3.
    if (!m_bArcModal)
        throw CUnsupportedWord();
    return ArcMove(uiLine, m_eArcDir);
}

AppControl::eWordResult AppControl::ExecGWord(uint uiLine, const GCodeTokens& words, size_t i, bool bAxisWords)
{
    const std::string& word = words[i];
    // G91.1 is not G91: a G number with a decimal part is never run as another one.
    if (!CGCodeWords::IsWholeNumber(word))
        throw CUnsupportedWord();
    stGCodeRunSettings& run = AppConfig::m_GCodeRunSettings;
    switch (CGCodeWords::IntValue(word)) {
    case 0:
        return StraightLineMove(uiLine, CMND_G00, bAxisWords);
    case 1:
        return StraightLineMove(uiLine, CMND_G01, bAxisWords);
    case 2:
    case 3:
        // The straight mode stays as it was for the lines after the arc.
        m_bArcModal = true;
        m_eArcDir = CGCodeWords::IntValue(word) == 2 ? DIR_CW : DIR_CCW;
        return ArcMove(uiLine, m_eArcDir);
    case 17:
    case 18:
    case 19:
        AppConfig::m_PlaneSel = quint8(CGCodeWords::IntValue(word));
        WaitForSegmentEnd();
        return WORD_NEXT;
    case 20:
        WaitForSegmentEnd();
        m_fUnitScale = 25.4;
        AppConfig::m_eSelUnits = UNITS_INCH;
        return WORD_NEXT;
    case 21:
        WaitForSegmentEnd();
        m_fUnitScale = 1.0;
        AppConfig::m_eSelUnits = UNITS_MM;
        return WORD_NEXT;
    case 28: {
        WaitForSegmentEnd();
        const bool bIntermediate = i + 1 < CGCodeWords::WordsEnd(words);
        if (bIntermediate) {
            // G28 G91 X0 Y0 names its intermediate point incrementally and
            // leaves incremental mode set; a bare axis word changes nothing.
            const std::string& next = words[i + 1];
            if (CGCodeWords::Letter(next) == 'G' && CGCodeWords::IsWholeNumber(next)) {
                const int iNext = CGCodeWords::IntValue(next);
                if (iNext == 90 || iNext == 91)
                    run.m_iDistMode = iNext == 90 ? 0 : 1;
            }
            stFloatPoint target;
            GetPosToMov(uiLine, target);
            if (!G01_Move(target, true, true))
                return WORD_FAIL;
        }
        const eWordResult result = EndProgramAtWorkZero(MoveWorkZeroAll());
        return result == WORD_NEXT && bIntermediate ? WORD_END_LINE : result;
    }
    case 30:
        WaitForSegmentEnd();
        return EndProgramAtWorkZero(MoveWorkZeroAll());
    case 90:
        WaitForSegmentEnd();
        run.m_iDistMode = 0;
        return WORD_NEXT;
    case 91:
        WaitForSegmentEnd();
        run.m_iDistMode = 1;
        return WORD_NEXT;
    default:
        return WORD_NEXT;
    }
}

AppControl::eWordResult AppControl::EndProgramAtWorkZero(bool bMoved)
{
    // Reaching the work zero ends the program; when the move fails the line goes on.
    if (!bMoved)
        return WORD_NEXT;
    GetAllAxisCurPos(m_LastPos);
    m_bProgramEnded = true;
    return WORD_FAIL;
}

void AppControl::WriteMCodeOutput(int iMCode, bool bHigh)
{
    // Only M codes with an entry in the pin map drive anything: a missing
    // entry never falls back on some other pin.
    const int iPin = CKIVGPIO::MCodePin(iMCode);
    if (iPin >= 0)
        CKIVGPIO::WriteOutput(quint16(iPin), bHigh ? 1 : 0);
}

AppControl::eWordResult AppControl::ExecMWord(uint uiLine, const GCodeTokens& words, size_t i)
{
    WaitForSegmentEnd();
    if (MustStop())
        return WORD_FAIL;
    const int iCode = CGCodeWords::IntValue(words[i]);
    // The words behind M66, M97 and M98 are their arguments, never words of their own.
    const bool bTakesArguments = iCode == 66 || iCode == 97 || iCode == 98;
    // Simulation leaves out what drives pins, never what decides the path:
    // program ends and sub-program jumps run as on the machine.
    const bool bSteersProgram = iCode == 2 || iCode == 30 || iCode == 97 || iCode == 98 || iCode == 99;
    if (AppConfig::m_bSimulationMode && !bSteersProgram)
        return bTakesArguments ? WORD_END_LINE : WORD_NEXT;

    switch (iCode) {
    case 0:
    case 1:
        return ProgramStop();
    case 2:
    case 30:
        m_bProgramEnded = true;
        return WORD_FAIL;
    case 3:
    case 4:
        WriteMCodeOutput(iCode == 3 ? 4 : 3, false);
        CClock::SleepMs(2000);
        WriteMCodeOutput(iCode, true);
        AppConfig::m_bSpindleOn = true;
        AppConfig::m_bSpindleDirInGcode = iCode == 4;
        AppConfig::m_bSpindleOnOffStatusChangeInGCode = true;
        return WORD_NEXT;
    case 5:
        TurnOnOffSpindle(false, DIR_CW);
        AppConfig::m_bSpindleOnOffStatusChangeInGCode = true;
        return WORD_NEXT;
    case 6:
        return m_bExecOneLine ? WORD_NEXT : ToolChange();
    case 7:
    case 8:
        WriteMCodeOutput(iCode, true);
        CClock::SleepMs(2000);
        return WORD_NEXT;
    case 9:
        WriteMCodeOutput(7, false);
        WriteMCodeOutput(8, false);
        return WORD_NEXT;
    case 66:
        return WaitForInput(words, i);
    case 80:
        WriteMCodeOutput(80, false);
        return WORD_NEXT;
    case 81:
        WriteMCodeOutput(80, true);
        CClock::SleepMs(2000);
        return WORD_NEXT;
    case 97:
    case 98:
    case 99:
        if (m_bExecOneLine)
            return iCode == 99 ? WORD_NEXT : WORD_END_LINE;
        // A tool-change file is not the running program: a jump there would
        // move the program's own line cursor.
        if (m_iToolChangeDepth > 0) {
            AddErrMsg(QStringLiteral("Subprogram calls are not allowed in a tool change file"));
            return WORD_FAIL;
        }
        return iCode == 99 ? ReturnFromSubProgram() : CallSubProgram(uiLine, words, i);
    default:
        if (iCode >= 200 && iCode <= 223)
            WriteMCodeOutput(iCode, iCode % 2 == 0);
        return WORD_NEXT;
    }
}

AppControl::eWordResult AppControl::ProgramStop()
{
    // M0 / M1 hold the run before its next line until the operator presses
    // Start, as after a tool change. The hold comes first: once the main
    // window has offered Start, nothing here may set it again behind the
    // operator's press.
    if (!m_bExecOneLine)
        m_bHold = true;
    m_bProgramStopReq = true;
    CClock::SleepMs(100);
    return WORD_NEXT;
}

AppControl::eWordResult AppControl::CallSubProgram(uint uiLine, const GCodeTokens& words, size_t i)
{
    if (m_lstSubPrgStart.size() >= m_iMaxSubPrgNesting) {
        AddErrMsg("Maximum " + QString::number(m_iMaxSubPrgNesting) + " Subprogram nesting is allowed");
        return WORD_FAIL;
    }
    // The label and the repeat count are whole numbers of 32 bits: any
    // other text (or a count beyond 32 bits) refuses the line.
    // A comment behind the call is none of its arguments.
    const size_t end = CGCodeWords::WordsEnd(words);
    const std::string strLabel = i + 1 < end ? words[i + 1] : std::string();
    if (!CGCodeWords::IsCount(strLabel) || (i + 2 < end && !CGCodeWords::IsCount(words[i + 2])))
        throw CUnsupportedWord();
    const unsigned int uiLabel = CGCodeWords::UIntValue(strLabel);
    const GCodeCmdList& lines = *m_pGCodeLines;
    size_t k = uiLine;
    for (; k < lines.size(); ++k) {
        const GCodeTokens& line = lines[k];
        if (!line.empty() && CGCodeWords::IsLabel(line[0]) && CGCodeWords::UIntValue(line[0]) == uiLabel)
            break;
    }
    if (k >= lines.size()) {
        AddErrMsg("No line starting with " + QString::fromLatin1(strLabel.c_str()) + " is found");
        return WORD_FAIL;
    }
    // A repeat count of 0 runs the body once, like a call without a count.
    unsigned int uiRepeat = i + 2 < end ? CGCodeWords::UIntValue(words[i + 2]) : 1;
    if (uiRepeat == 0)
        uiRepeat = 1;
    m_uiCurLine = unsigned(k) - 1u; // the run loop's increment lands on line k
    m_lstSubPrgStart.append(int(k) - 1);
    m_lstSubPrgReturn.append(int(uiLine));
    m_lstSubPrgRepeat.append(uiRepeat);
    return WORD_END_LINE;
}

AppControl::eWordResult AppControl::ReturnFromSubProgram()
{
    if (m_lstSubPrgStart.isEmpty()) {
        AddErrMsg("No line Number defined (M97) to return");
        return WORD_FAIL;
    }
    if (--m_lstSubPrgRepeat.last() != 0) {
        m_uiCurLine = unsigned(m_lstSubPrgStart.last());
        return WORD_NEXT;
    }
    m_uiCurLine = unsigned(m_lstSubPrgReturn.last());
    m_lstSubPrgStart.removeLast();
    m_lstSubPrgReturn.removeLast();
    m_lstSubPrgRepeat.removeLast();
    return WORD_NEXT;
}

AppControl::eWordResult AppControl::ToolChange()
{
    if (AppConfig::m_bEnlManualToolChange) {
        AddInfoMsg("Tool Change Sequence Started");
        TurnOnOffSpindle(false, DIR_CW);
        const double* pos = AppConfig::m_fAxisManualToolChngPos;
        m_AxisCtrl[Z_AXIS].SetVelocityAcc(AppConfig::m_fAxisFeed[Z_AXIS], AppConfig::m_fAxisAcc[Z_AXIS]);
        // A refused move has already queued the axis's own text.
        if (!EngMoveAxisAbs(Z_AXIS, pos[Z_AXIS], true))
            return WORD_FAIL;
        for (eAxis axis : {X_AXIS, Y_AXIS}) {
            m_AxisCtrl[axis].SetVelocityAcc(AppConfig::m_fAxisFeed[axis], AppConfig::m_fAxisAcc[axis]);
            if (!EngMoveAxisAbs(axis, pos[axis], false))
                return WORD_FAIL;
        }
        const qint8 flags[AXIS_COUNT] = {1, 1, 0, 0, 0};
        if (!WaitForMotionFinish(flags))
            return WORD_FAIL;
        if (!WaitForToolChangeOperator())
            return WORD_FAIL;
        m_LastPos.x = pos[X_AXIS];
        m_LastPos.y = pos[Y_AXIS];
        m_LastPos.z = pos[Z_AXIS];
        return WORD_NEXT;
    }
    if (AppConfig::m_bEnlAutoToolChange)
        return RunToolChangeFile() ? WORD_NEXT : WORD_FAIL;
    return WaitForToolChangeOperator() ? WORD_NEXT : WORD_FAIL;
}

bool AppControl::WaitForToolChangeOperator()
{
    m_bToolChangeReq = true;
    AddInfoMsg("Change tool and click start");
    // The main window answers by pausing (the hold is set before the request
    // is cleared); the operator's Start may clear the hold again before this
    // loop looks, so a request that has been taken ends the wait as well.
    while (!m_bHold && m_bToolChangeReq) {
        CClock::SleepMs(1000);
        if (MustStop())
            return false;
    }
    return true;
}

bool AppControl::RunToolChangeFile()
{
    // A tool change that cannot be made ends the run: cutting on with the
    // wrong tool breaks it or the part.
    if (m_strToolName.isEmpty()) {
        AddErrMsg("No Tool Selected. Please use 'T' command before M06");
        return false;
    }
    if (m_iToolChangeDepth >= MAX_TOOL_CHANGE_NESTING) {
        AddErrMsg("Maximum " + QString::number(MAX_TOOL_CHANGE_NESTING) + " Tool change nesting is allowed");
        return false;
    }
    const QString strPath = CAppPaths::InWorkingFolder(m_strToolName + ".txt");
    if (!QFile::exists(strPath)) {
        AddErrMsg("No ATC commands found. Please check the file, " + strPath + ", exists?");
        return false;
    }
    // The tool file loads beside the program: it must fit what is free.
    QString strTooLarge;
    if (!CProgramMemory::Fits(strPath, 0, &strTooLarge)) {
        AddErrMsg(strTooLarge);
        return false;
    }
    // Its lines end as a program's do: LF, CR LF or a lone CR.
    std::vector<QString> textLines;
    QString strWhy;
    if (!CGCodeProgram::ReadTextLines(strPath, textLines, &strWhy)) {
        AddErrMsg("Unable to open ATC File " + strPath + ": " + strWhy);
        return false;
    }
    GCodeCmdList toolLines;
    toolLines.reserve(textLines.size());
    for (const QString& strLine : textLines)
        toolLines.push_back(Parse_GCode_Line(strLine));

    GCodeCmdList* pProgram = m_pGCodeLines;
    m_pGCodeLines = &toolLines;
    ++m_iToolChangeDepth;
    bool bOk = true;
    for (uint k = 0; k < toolLines.size(); ++k) {
        if (!ExecGCodeLine(k)) {
            // M02/M30 (or a return to work zero) ends the tool file, not the
            // program; anything else is a failed tool change.
            bOk = m_bProgramEnded;
            m_bProgramEnded = false;
            break;
        }
    }
    --m_iToolChangeDepth;
    m_pGCodeLines = pProgram;
    return bOk;
}

AppControl::eWordResult AppControl::WaitForInput(const GCodeTokens& words, size_t i)
{
    // The arguments are the words after M66 up to a comment, whatever their letters.
    const size_t nArgs = std::max(CGCodeWords::WordsEnd(words), i + 1) - i - 1;
    if (nArgs == 0)
        return WORD_END_LINE;
    CStopWatch timer;
    timer.start();
    if (nArgs == 1) {
        const qint64 iDwellNs = MsToNs(CGCodeWords::DoubleValue(words[i + 1]));
        while (timer.nsecsElapsed() < iDwellNs && !MustStop())
            CClock::SleepUs(100);
        return WORD_END_LINE;
    }
    const quint8 uiInput = quint8(CGCodeWords::IntValue(words[i + 1]));
    const quint8 uiMode = quint8(CGCodeWords::IntValue(words[i + 2]));
    const bool bTimeout = nArgs == 3;
    const qint64 iTimeoutNs = bTimeout ? MsToNs(CGCodeWords::DoubleValue(words[i + 3])) : 0;
    const int iPin = CKIVGPIO::InputPin(uiInput);
    if (iPin < 0) {
        // An input with no pin could never change: refuse instead of waiting forever.
        AddErrMsg("M66: input " + QString::number(uiInput) + " has no pin assigned");
        return WORD_FAIL;
    }
    const quint16 uiPin = quint16(iPin);
    bool bArmed = false;
    for (;;) {
        if (MustStop())
            break;
        if (bTimeout && timer.nsecsElapsed() > iTimeoutNs)
            break;
        const unsigned char level = CKIVGPIO::ReadInput(uiPin);
        bool bMet = false;
        switch (uiMode) {
        case 1: // rising edge
            bMet = bArmed && level != 0;
            bArmed = bArmed || level == 0;
            break;
        case 2: // falling edge
            bMet = bArmed && level != 1;
            bArmed = bArmed || level == 1;
            break;
        case 3:
            bMet = level != 0;
            break;
        case 4:
            bMet = level == 0;
            break;
        default:
            break;
        }
        if (bMet)
            break;
        // A busy poll: one microsecond between reads, so an edge is seen at once.
        CClock::WaitUntilNs(CClock::NowNs() + 1000);
    }
    return WORD_END_LINE;
}

bool AppControl::RunGCode()
{
    m_fProgFeed = 0;
    ResetAccVel();
    stGCodeRunSettings& run = AppConfig::m_GCodeRunSettings;
    double fFeed = AppConfig::m_fAxisFeed[0];
    for (int i = 1; i < AxesInUse(); ++i)
        fFeed = qMin(fFeed, AppConfig::m_fAxisFeed[i]);
    run.m_fFeed = fFeed;
    GetAllAxisCurPos(m_LastPos);
    m_lstSubPrgStart.clear();
    m_lstSubPrgReturn.clear();
    m_lstSubPrgRepeat.clear();
    run.m_eMoveCmnd = CMND_G01;
    m_bArcModal = false;
    m_bProgramEnded = false;

    // Every end of the run, its last line as much as a failure or the
    // emergency stop during a pause, waits for a status save still writing,
    // so that none lands after the run unless it was held up for seconds.
    const auto finish = [this](bool bResult) {
        WaitForExecStatusSave();
        return bResult;
    };
    unsigned int uiSaved = unsigned(run.m_uiStartLine);
    m_uiCurLine = unsigned(run.m_uiStartLine);
    while (m_pGCodeLines && m_uiCurLine < m_pGCodeLines->size()) {
        if (!WaitWhileHeld())
            return finish(false);
        if (run.m_bSaveExecStatus && !m_bWritingGCodeExecStatusFile && m_uiCurLine - uiSaved > 10u) {
            ReportExecStatusSaveFailure();
            m_bWritingGCodeExecStatusFile = true;
            const QString strPath = run.m_strGCodeFile;
            const QString strStatusFile = CAppPaths::GCodeExecStatusFile();
            const int iLine = int(m_uiCurLine - 1u);
            if (m_fnExecStatusSaveStarted)
                m_fnExecStatusSaveStarted(iLine);
            (void)QtConcurrent::run(&AppControl::AutoSaveGCodeExecStatus, strPath, iLine, strStatusFile);
            uiSaved = m_uiCurLine - 1u;
        }
        emit SelNxtGCodeLine(m_uiCurLine);
        if (!ExecGCodeLine(m_uiCurLine))
            return finish(m_bProgramEnded);
        ++m_uiCurLine;
    }
    m_bHold = false;
    return finish(true);
}

void AppControl::AutoSaveGCodeExecStatus(QString strPath, int iLine, QString strStatusFile)
{
    // Written whole to a temporary file and renamed over the old one, so an
    // interruption never leaves a cut-off status file.
    QString strWhy;
    if (!CGCodeExecStatus::WriteTo(strStatusFile, strPath, iLine, &strWhy)) {
        m_strExecStatusSaveError = strStatusFile + QStringLiteral(": ") + strWhy;
        m_bExecStatusSaveFailed = true;
    }
    m_bWritingGCodeExecStatusFile = false;
}

void AppControl::WaitForExecStatusSave()
{
    // Bounded: a save may be queued behind other work on the pool (on a
    // one-core Pi the pool has one thread), or stuck on a dying SD card. It
    // still lands when it gets its turn, and no other save starts before.
    const qint64 iDeadlineNs = CClock::NowNs() + EXEC_STATUS_SAVE_WAIT_MS * 1000000;
    while (m_bWritingGCodeExecStatusFile) {
        if (CClock::NowNs() >= iDeadlineNs) {
            AddInfoMsg(QStringLiteral("The G-code execution status is still being saved after %1 s: "
                                      "the run ends without waiting for it")
                           .arg(EXEC_STATUS_SAVE_WAIT_MS / 1000));
            return;
        }
        // Polled every 0.1 ms, far less than any save takes.
        CClock::SleepUs(100);
    }
    ReportExecStatusSaveFailure();
}

void AppControl::ReportExecStatusSaveFailure()
{
    if (m_bExecStatusSaveFailed.exchange(false))
        AddErrMsg(QStringLiteral("Unable to save the G-code execution status file ") + m_strExecStatusSaveError);
}
