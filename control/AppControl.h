#pragma once
// The machine controller: one object for the program's life, owning the five
// axis step generators and running every machine operation (homing, move to
// work zero, G-code, shape cutting, image carving, Z probing, Z profiling) on
// its own thread, one operation per start of the thread.
//
// The class is laid out by topic. Each topic has its own block of members and
// methods here; the definitions live in one file per group of topics:
//   - operation frame and thread, message queues,
//     spindle, feed and velocity services           AppControl.cpp
//   - straight moves; homing, work zero and
//     manual moves                                   AppControlMoves.cpp
//   - arcs, Z probe and Z profile                    AppControlArcs.cpp
//   - G-code interpreter and run loop                AppControlGCode.cpp
//   - image carving and shapes (the jobs)            AppControlJobs.cpp
// Helpers the files share are in AppControlShared.h.
#include <QList>
#include <QMutex>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

#include "control/arcgeometry.h"
#include "control/imgcarving.h"
#include "core/common.h"
#include "gcode/gcodeprogram.h"
#include "machine/AxisCtrl.h"

class CImageGCodeJob;
class IControlWindows;
struct stShapeCuttingInfo;

class AppControl : public QThread
{
    Q_OBJECT

public:
    explicit AppControl(QObject* parent = nullptr);
    ~AppControl() override;

    // ===================================================================
    // Operation frame and thread
    // ===================================================================

    // Operation types held in m_iRunMode.
    enum eRunMode : int {
        RUN_IDLE = 0,
        RUN_WORK_ZERO = 1,   // move to work zero
        RUN_MCH_HOMING = 2,  // machine homing
        RUN_SHAPES = 3,      // shape cutting
        RUN_IMG_CARVING = 4, // image carving
        RUN_GCODE = 5,       // G-code run or one line
        RUN_Z_PROBE = 6,     // Z zero by probe
        RUN_Z_PROFILE = 7    // Z profile
    };

    // Configures every axis in use and gives it its work zero; starts machine
    // homing when the settings ask for it. Called once after the settings are
    // loaded and the pins are set up.
    bool InitMachine();

    // The windows seam (not owned); null until the main window installs it.
    void SetWindows(IControlWindows* pWindows) { m_pWindows = pWindows; }
    IControlWindows* Windows() const { return m_pWindows; }

    // Starters, called on the GUI thread. Each refuses with "Axis in use"
    // while an axis moves or an operation runs.
    void StartShapeCutting(stShapeCuttingInfo* pInfo);
    void StartImgCarving();
    void StartGCode(GCodeCmdList* pProgram);
    void StartExecGCodeLine(GCodeCmdList* pProgram, uint uiLine);

    // True when none of the axes in use reports motion.
    bool IsMachineIdle();
    // True while an operation is in progress: its thread runs, or it has not
    // been acknowledged yet (m_iRunMode is not back at 0).
    bool IsOperationRunning() const { return isRunning() || m_iRunMode != RUN_IDLE; }
    // True while the machine may not take a new command: an operation has
    // not been acknowledged yet, or an axis in use still moves.
    bool IsBusy() { return m_iRunMode != RUN_IDLE || !IsMachineIdle(); }
    // Waits until every flagged axis (one flag per eAxis) has stopped; false
    // on emergency stop or after the 300 s motion timeout (the axes still
    // moving are then stopped and reported).
    bool WaitForMotionFinish(const qint8* pAxisFlags);

    // True on the operation thread once the emergency stop is on or StopAll
    // has ended the operation: bodies stop starting motion and return false.
    bool MustStop() const;

    // Message queues, polled by the main window. Each returns the oldest text
    // of its queue and removes it, or "" when the queue is empty.
    QString GetErrMsg();
    QString GetInfoMsg();
    // The oldest text of both queues together, so that the log shows errors
    // and information in the order they happened; false when both are empty.
    bool GetNextMsg(QString& strMsg, eAppMsgType& eType);
    // Appends to a queue; safe from any thread.
    void AddErrMsg(const QString& strMsg);
    void AddInfoMsg(const QString& strMsg);

    double GetCurPos(eAxis axis);
    QString GetAxisErrMsg(eAxis axis);
    void ClearHome();
    void AutoHomingFinished();
    // Appends a line to today's log file in the home folder (not used).
    void WriteLog(const QString& strText);

    // ===================================================================
    // Spindle, feed and velocity services
    // ===================================================================
    void TurnOnOffSpindle(bool bOn, eDirection eDir);
    // Closing down (the window closed, a signal): the spindle and its PWM
    // off, and every M-code output (spindle, coolant, M80, M200 on) and the
    // program-status output at the low level they start with. Motion is
    // StopAll's.
    void OutputsToSafeLevels();
    void ResetAccVel();
    void SetAxisFeed(double fFeed);
    void SetSpindleSpeed(int iRpm);

    // ===================================================================
    // Straight moves
    // ===================================================================
    bool GetPosToMov(uint uiLine, stFloatPoint& pos);
    bool SetAccAndVel(stFloatPoint from, stFloatPoint to, eGMoveCmnd cmd);
    bool G00_Move(stFloatPoint to, bool bSetAccVel, bool bWait);
    bool G01_Move(stFloatPoint to, bool bSetAccVel, bool bWait);
    bool ExecuteMovCmnd(stFloatPoint from, stFloatPoint to, bool bSetAccVel, bool bWait, eGMoveCmnd cmd);
    void GetAllAxisCurPos(stFloatPoint& pos);

    // ===================================================================
    // Homing, work zero and manual moves
    // ===================================================================
    bool StartMchHomingSequence();
    bool StartWorkHomingSequence();
    bool MoveMchHomeAll();
    bool MoveWorkZeroAll();
    bool MoveWorkZero(eAxis axis, bool bWait);
    bool MoveAxisHome(eAxis axis, bool bWait);
    bool MoveZSafePos();
    bool MoveAbs(eAxis axis, double fPos);
    bool MoveRel(eAxis axis, double fDist);
    bool EngMoveAxisAbs(eAxis axis, double fPos, bool bWait);
    bool EngMoveAxisRel(eAxis axis, double fDist, bool bWait);
    bool JogPos(eAxis axis);
    bool JogNeg(eAxis axis);
    void DeccelerateAxis(eAxis axis);
    void Stop(eAxis axis);
    void StopAll();
    bool GetHomeDone();
    void SetMchHome();
    bool SetWorkZero(eAxis axis);
    bool SetWorkZero();
    // The Z safe height in work coordinates (machine coordinate with home
    // switches, a height above the work zero without them).
    static double ZSafeTarget();

    // ===================================================================
    // Arcs, Z probe and Z profile
    // ===================================================================
    // Cuts the arc of program line iLineNo (a G2/G3 line, or one starting
    // with I or J), whose direction the caller has set in arc.m_eDir: reads
    // the end, centre, radius, F and S words, checks the arc and drives it.
    // False after a queued error or a refused move.
    bool CutArc(unsigned int iLineNo, stGCodeEllipseInfo& arc);
    // Centre of an arc from its start, end and signed m_fRadius; false with
    // the arc error queued.
    bool FindArcCenter(stGCodeEllipseInfo& arc);
    // Drives a completed arc record from the current position: one G1
    // straight move per point (a Z-profile move while the profile is in
    // use), waiting while paused before each. True when all segments ran.
    // An arc that cannot be cut is refused before anything moves, its
    // message naming program line iLineNo (when given).
    bool G02_G03_Move(stGCodeEllipseInfo* pArc, int iLineNo = -1);
    // Operation 6 (Z zero by probe) and its body.
    bool StartZ0usingZProbeSeq();
    void SetZ0usingZProbe();
    // Operation 7 (Z profile): refuses with "Axis in use" while busy.
    bool RunZProfile();
    bool CreateZProfile();
    // A G1 move from `from` to `to` (programmed points) corrected by the
    // probed grid; `to` is not changed, so the programmed Z stays the last
    // position of the caller.
    bool ZProfileMove(stFloatPoint from, const stFloatPoint& to);

    // ===================================================================
    // G-code interpreter and run loop
    // ===================================================================
    // Runs the program from the start line to its end; true when it ended
    // normally (its last line, M02, M30, G28 or G30), false after an error,
    // the emergency stop or a failed move.
    bool RunGCode();
    // Executes one line of m_pGCodeLines; false when the run must stop.
    bool ExecGCodeLine(uint uiLine);
    // The word splitter for tool-change files.
    static std::vector<std::string> Parse_GCode_Line(QString strLine);
    // Writes the execution-status file `strStatusFile` (its path taken when
    // the save was queued) on a pool thread and clears
    // m_bWritingGCodeExecStatusFile.
    static void AutoSaveGCodeExecStatus(QString strPath, int iLine, QString strStatusFile);
    // Called on the controller's thread each time a straight segment starts
    // (its kind and end in work coordinates); for test drivers.
    std::function<void(eGMoveCmnd, const stFloatPoint&)> m_fnSegmentStarted;
    // Called on the controller's thread each time a background save of the
    // execution status starts, with the line index it records; for tests.
    std::function<void(int)> m_fnExecStatusSaveStarted;

    // ===================================================================
    // Image carving and shapes
    // ===================================================================
    // Operation 3: cuts every shape of m_pShapeCuttingInfo. Operation 4 (one
    // layer): carves the loaded picture at the current depth. Both walk the
    // job through CShapeCutting / CImgCarving on a CMachineMoveSink; a refused
    // job queues its reason and returns false.
    bool CutShapes();
    bool ImgCarving();
    // G-code files of the same jobs, written on the GUI thread (refused with
    // "Machine in use" during an operation). Each returns false with the
    // reason queued as an error when no complete file was written; an old
    // file at the path is then left as it was.
    bool CreateGCodeFromImage(QString strPath);
    // Appends one body (the picture at the current depth) to the file.
    bool WriteImageToGCodeFile(QString strPath);
    bool CreateGCodeFromShapes(QString strPath);
    // The picture's G-code file written on a worker thread: a job on its own
    // copy of the picture, the parameters and the settings. Null, with
    // "Machine in use" queued, during an operation. The carving grid is
    // released here: the job builds its own.
    std::unique_ptr<CImageGCodeJob> NewImageGCodeJob(const QString& strPath);
    // After a job that wrote its file (GUI thread): the parameters take what
    // the write left in them (grid, snapped X and Y steps, pixel counts), as
    // CreateGCodeFromImage leaves them.
    void TakeImageGCodeJob(CImageGCodeJob& job);

signals:
    void AddMsg(QString strMsg, eAppMsgType eType);
    void SelNxtGCodeLine(uint uiLine);

protected:
    void run() override;

public:
    // ---- Operation frame: state shared with the windows ----------------
    std::atomic<bool> m_bExecOneLine{false}; // the G-code operation runs one line
    uint m_uiExecLineNo = 0;                 // that line
    GCodeCmdList* m_pGCodeLines = nullptr;   // program being run (not owned)
    QString m_strToolName;                   // last T word
    std::atomic<int> m_iRunMode{RUN_IDLE};   // operation type; 0 idle
    std::atomic<bool> m_bHold{false};        // pause: moves wait while set
    std::atomic<bool> m_bProgramStopReq{false};
    std::atomic<bool> m_bToolChangeReq{false};
    AxisCtrl m_AxisCtrl[5];                      // X, Y, Z, A, B by eAxis
    std::atomic<quint16> m_nCarvingRow{0};       // picture row being carved
    std::atomic<bool> m_bOperationFinished{false}; // cleared by the main window
    // Set with m_bOperationFinished: the job (shapes, carving, a G-code
    // program or line) ran to its end. False after a failure, a stop or the
    // emergency stop, and for operations that are not jobs; the windows log
    // a job as finished only when it is set.
    std::atomic<bool> m_bJobCompleted{false};
    stShapeCuttingInfo* m_pShapeCuttingInfo = nullptr;
    stImgCarvingData m_ImgCarvingData;
    stFloatPoint m_LastPos; // last commanded G-code position, mm/degrees

    // ---- G-code interpreter state -----------------------------------------
    int m_iMaxSubPrgNesting = 6;
    QList<int> m_lstSubPrgStart;
    QList<int> m_lstSubPrgReturn;
    QList<uint> m_lstSubPrgRepeat;
    unsigned int m_uiCurLine = 0;
    double m_fUnitScale = 1.0; // 1.0 after G21, 25.4 after G20
    double m_fProgFeed = 0.0;  // last F value
    // The arc a G2 or G3 word left in force: a line of axis words that also
    // carries I, J, K or R, or a line that starts with I or J, cuts the next
    // arc in this direction. A G0 or G1 word ends it, as does the start of a
    // run. The straight mode (AppConfig's m_eMoveCmnd) stays G0 or G1.
    bool m_bArcModal = false;
    eDirection m_eArcDir = DIR_CW;
    int m_iToolChangeDepth = 0;  // tool-change files being run, one inside the other
    bool m_bProgramEnded = false; // the last line ended the program (M02, M30, G28, G30)

    // How long the end of a run waits for a status save still writing.
    static constexpr qint64 EXEC_STATUS_SAVE_WAIT_MS = 5000;
    // A background save of the execution-status file is running.
    static std::atomic<bool> m_bWritingGCodeExecStatusFile;
    // The last background save failed; the run loop reports it once.
    static std::atomic<bool> m_bExecStatusSaveFailed;
    // What failed and why: written by the save before it sets the flag above
    // and read only once no save is writing.
    static QString m_strExecStatusSaveError;

protected:
    // ---- Operation frame helpers --------------------------------------------
    // False (and "Axis in use" queued) while an axis moves or an operation runs.
    bool CanStartOperation();
    // Automatic spindle start of a job (clockwise wins over counter-clockwise).
    void AutoSpindleOn();
    // Sets the run mode, lets the windows react and starts the thread.
    void LaunchOperation(int iRunMode, bool bClearToolGraphics);
    // A job (bOneLine: one G-code line): run mode, automatic spindle,
    // windows, thread.
    void StartJob(int iRunMode, bool bOneLine);
    // Runs `call` on the windows seam, on the GUI thread.
    void CallWindows(void (IControlWindows::*call)());
    // The common end of every operation. bJobDone: a job (shapes, carving, a
    // whole G-code program) ran to its end, the only case that may shut the
    // computer down.
    void AfterOperationFinish(bool bJobDone = false);
    // Waits until the coordinated pulse loop has no segment in progress
    // (returns early under the emergency stop).
    void WaitForSegmentEnd();
    // Stops the coordinated pulse loop and waits until it has ended.
    void StopAutoModeAndWait();
    // While paused (m_bHold), waits; false once the operation must stop.
    bool WaitWhileHeld();
    // Image carving operation: one pass, or passes stepping down in Z.
    bool RunImgCarvingJob();
    // A G-code writer of a job: refused during an operation; a failure's
    // text goes to the error queue.
    bool WriteJobFile(const std::function<bool(QString&)>& write);

    // ---- Straight move helpers -----------------------------------------------
    // Waits for the previous segment, then moves from where the axes are.
    bool StraightMove(const stFloatPoint& to, bool bSetAccVel, bool bWait, eGMoveCmnd cmd);
    // False, with the first refusing axis's text queued, when a coordinate
    // of an axis in use is beyond the internal length range.
    bool TargetInRange(const stFloatPoint& to);

    // ---- Arc and probing helpers ---------------------------------------------
    CArcGeometry ArcGeometry() const; // with the run's plane, units and steps
    bool ZProfileInUse() const;
    // False (reported) when no probe input is fitted.
    bool ProbeInputFitted();
    // Z down towards fTarget (absolute; never below the lower travel limit
    // with home switches) with the probe watched: the axis stops on contact.
    // False when the move was refused; bTouched: the probe reads contact.
    bool ProbeDown(double fTarget, bool& bTouched);

    // ---- G-code interpreter helpers -------------------------------------------
    // What a word does to the rest of its line.
    enum eWordResult { WORD_NEXT, WORD_END_LINE, WORD_FAIL };
    bool ExecGCodeWords(uint uiLine);
    // Every word of the line from `iFirst` checked before any of them runs:
    // a value that is no number, or a word the line's move would leave
    // unrun, refuses the line (thrown as an unsupported word); a feed of
    // zero or below is refused with its message (false). bAxisWords: the
    // line holds an axis word.
    bool CheckLineWords(uint uiLine, const GCodeTokens& words, size_t iFirst, bool& bAxisWords);
    // bAxisWords: the line holds an axis word (looked for once per line).
    eWordResult ExecGWord(uint uiLine, const GCodeTokens& words, size_t i, bool bAxisWords);
    eWordResult ExecMWord(uint uiLine, const GCodeTokens& words, size_t i);
    // A line that starts with an axis word: a straight move at the last G0 /
    // G1 mode, or, with I, J, K or R words while an arc is in force, that arc.
    eWordResult ExecModalMove(uint uiLine, const GCodeTokens& words);
    eWordResult ExecModalArc(uint uiLine);
    // G0 / G1 with the line's axis words; a line without one only sets the mode.
    eWordResult StraightLineMove(uint uiLine, eGMoveCmnd cmd, bool bAxisWords);
    // A straight move of kind cmd (G0 or G1) from m_LastPos to target, its
    // velocities split as for velCmd; m_LastPos follows when it starts.
    eWordResult LineMoveTo(const stFloatPoint& target, eGMoveCmnd cmd, eGMoveCmnd velCmd);
    eWordResult ArcMove(uint uiLine, eDirection eDir);
    eWordResult EndProgramAtWorkZero(bool bMoved);
    void WriteMCodeOutput(int iMCode, bool bHigh);
    eWordResult ProgramStop();
    eWordResult CallSubProgram(uint uiLine, const GCodeTokens& words, size_t i);
    eWordResult ReturnFromSubProgram();
    eWordResult ToolChange();
    bool WaitForToolChangeOperator();
    bool RunToolChangeFile();
    eWordResult WaitForInput(const GCodeTokens& words, size_t i);
    void ReportExecStatusSaveFailure();
    // Waits until no status save is writing, then reports a failed one; logs
    // and gives up after EXEC_STATUS_SAVE_WAIT_MS (controller's clock).
    void WaitForExecStatusSave();

    // ---- Homing and work zero helpers ----------------------------------------
    int AxesInUse() const;
    // The axis refused: its own error text goes to the error queue.
    void AddAxisError(int iAxis);
    // Waits for one axis.
    bool WaitForAxis(int iAxis);
    // Stops the flagged axes that are still moving.
    void StopAxes(const qint8* pAxisFlags);
    // Gives every axis in use the feed of `pFeed` with its own acceleration.
    void SetAxesFeed(const double* pFeed);
    void SetHomingFlags(bool bOn);
    // Checks the new work zero of one axis; false with the range message.
    bool CheckWorkZeroRange(int iAxis, double& fNewZero);
    // Writes the settings file holding the work zeros; false (reported) when
    // it could not be written.
    bool SaveWorkZeros();
    // Single-axis moves asked for from outside the operation thread are
    // refused ("Axis in use") while an operation runs, except while a G-code
    // run is held between segments.
    bool ManualMoveAllowed();
    // A single-axis command: refused while an operation runs (from outside
    // it); the axis's own text is queued when the axis refuses.
    bool AxisCommand(eAxis axis, const std::function<bool(AxisCtrl&)>& command);

private:
    IControlWindows* m_pWindows = nullptr;
    // StopAll has ended the running operation (cleared at each start).
    std::atomic<bool> m_bAbort{false};

    // Both queues share one mutex, taken by every append and every removal;
    // each entry carries its sequence number so that the two queues can be
    // read back in the order the texts were added.
    struct stQueuedMsg
    {
        quint64 m_uiSeq;
        QString m_strText;
    };
    QMutex m_MsgMutex;
    QList<stQueuedMsg> m_lstErrMsgs;
    QList<stQueuedMsg> m_lstInfoMsgs;
    quint64 m_uiMsgSeq = 0;
};
