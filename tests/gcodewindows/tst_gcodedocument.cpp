#include "core/AppConfig.h"
#include "core/AppPaths.h"
#include "fakeprompter.h"
#include "freememoryfigure.h"
#include "gcodewindows/gcodedocument.h"
#include "gcode/gcodeexecstatus.h"
#include "gcode/gcodeprogram.h"
#include "gcodestandin.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>

// Also keeps the buttons of each critical box.
class CButtonPrompter : public CFakePrompter
{
public:
    QList<QMessageBox::StandardButtons> m_lstCriticalButtons;
    void Critical(QWidget* parent, const QString& title, const QString& text) override
    {
        m_lstCriticalButtons << QMessageBox::Ok;
        CFakePrompter::Critical(parent, title, text);
    }
    void Critical(QWidget* parent, const QString& title, const QString& text,
                  QMessageBox::StandardButtons buttons) override
    {
        m_lstCriticalButtons << buttons;
        CFakePrompter::Critical(parent, title, text, buttons);
    }
};

class TestGCodeDocument : public QObject
{
    Q_OBJECT

    QStringList m_lstLog;
    CGCodeDocument::LogSink Sink()
    {
        return [this](const QString& msg, eAppMsgType type) {
            m_lstLog << (type == MSG_ERROR ? "E:" : "I:") + msg;
        };
    }
    // "<missing>" tells a file that is gone from one left empty.
    static QByteArray ReadAll(const QString& path) { return ::ReadAll(path, "<missing>"); }
    static void SetProgram(const QStringList& lines)
    {
        CGCodeProgram::ClearCurGCodeData();
        for (const QString& l : lines) {
            CGCodeProgram::m_lstOfGCodeLines.push_back(l);
            CGCodeProgram::m_lstOfGCodeCmds.push_back(CGCodeProgram::Parse_GCode_Line(l));
        }
    }

private slots:
    void init()
    {
        m_lstLog.clear();
        CGCodeProgram::ClearCurGCodeData();
        AppConfig::m_GCodeRunSettings.m_uiStartLine = 0;
    }

    // The save question that guards New, Open and the DXF import.
    void mayDiscardEdits_data()
    {
        QTest::addColumn<bool>("modified");
        QTest::addColumn<bool>("hasFile");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveAs");   // name given to the save dialog ("" = cancel)
        QTest::addColumn<bool>("result");
        QTest::addColumn<bool>("stillModified");
        QTest::addColumn<QByteArray>("written"); // content of the program's file afterwards
        QTest::newRow("unmodified") << false << true << int(QMessageBox::Yes) << "" << true << false << QByteArray("OLD\n");
        QTest::newRow("no lets the edits go, still unsaved") << true << true << int(QMessageBox::No) << "" << true << true << QByteArray("OLD\n");
        QTest::newRow("yes overwrites") << true << true << int(QMessageBox::Yes) << "" << true << false << QByteArray("G0 X1\nM30\n");
        QTest::newRow("yes overwrite fails") << true << true << int(QMessageBox::Yes) << "" << false << true << QByteArray("<dir>");
        QTest::newRow("yes save cancelled") << true << false << int(QMessageBox::Yes) << "" << false << true << QByteArray();
        QTest::newRow("yes saved as") << true << false << int(QMessageBox::Yes) << "new" << true << false << QByteArray("G0 X1\nM30\n");
    }
    void mayDiscardEdits()
    {
        QFETCH(bool, modified);
        QFETCH(bool, hasFile);
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, result);
        QFETCH(bool, stillModified);
        QFETCH(QByteArray, written);
        CTempWorkingFolder tmp;
        CFakePrompter prompter;
        prompter.m_lstAnswers << QMessageBox::StandardButton(answer);
        if (!saveAs.isEmpty())
            prompter.m_lstFileNames << tmp.Root() + "/" + saveAs;
        SetProgram({"G0 X1", "M30"});
        CGCodeDocument doc(nullptr, Sink());
        doc.m_bGCodeModified = modified;
        QString file = tmp.Root() + "/prog.ncc";
        if (written == "<dir>")
            QVERIFY(QDir().mkpath(file)); // a folder cannot be overwritten
        else
            WriteRaw(file, "OLD\n");
        if (hasFile)
            doc.m_strCurGCodeFile = file;
        QCOMPARE(doc.MayDiscardEdits(), result);
        QCOMPARE(doc.m_bGCodeModified, stillModified);
        QCOMPARE(prompter.Texts("Question"), modified ? QStringList{"Save current G-Code?"} : QStringList{});
        if (!saveAs.isEmpty()) {
            file = tmp.Root() + "/" + saveAs + ".ncc";
            QCOMPARE(doc.m_strCurGCodeFile, file);
        }
        if (written == "<dir>") {
            QVERIFY(QFileInfo(file).isDir());
            QCOMPARE(m_lstLog.size(), 1);
            QVERIFY(m_lstLog.at(0).startsWith("E:Unable to save G-Code file " + file));
        } else if (!written.isEmpty()) {
            QCOMPARE(ReadAll(file), written);
        }
        QCOMPARE(CGCodeProgram::LineCount(), size_t(2)); // the question never touches the program
    }

    void newProgram()
    {
        CTempWorkingFolder tmp;
        CFakePrompter prompter;
        CGCodeDocument doc(nullptr, Sink());
        QVERIFY(!doc.NewGCode()); // nothing to do on an empty program
        QVERIFY(prompter.m_lstPrompts.isEmpty());

        // A save that is cancelled keeps the program.
        SetProgram({"G0 X1"});
        doc.m_bGCodeModified = true;
        AppConfig::m_GCodeRunSettings.m_uiStartLine = 5;
        prompter.m_lstAnswers << QMessageBox::Yes;
        QVERIFY(!doc.NewGCode());
        QCOMPARE(CGCodeProgram::LineCount(), size_t(1));
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 5);

        prompter.m_lstAnswers << QMessageBox::No;
        doc.m_strCurGCodeFile = tmp.Root() + "/x.ncc";
        CGCodeProgram::m_CompilationErrors[0] = "X(Invalid)";
        QVERIFY(doc.NewGCode());
        QVERIFY(CGCodeProgram::IsEmpty());
        QVERIFY(CGCodeProgram::m_CompilationErrors.empty());
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 0);
        QVERIFY(doc.m_strCurGCodeFile.isEmpty());
        QVERIFY(!doc.m_bGCodeModified);
    }

    // No program loaded and a status file: the recorded program opens at its
    // line and the status file is written back with the same two values.
    void openPreviousProgram()
    {
        CTempWorkingFolder tmp;
        CFakePrompter prompter;
        const QString prog = tmp.Root() + "/sub/part.ncc";
        QVERIFY(QDir().mkpath(tmp.Root() + "/sub"));
        WriteRaw(prog, "G0 X1\r\nG1 Y2\r\n");
        QVERIFY(CGCodeExecStatus::Write(prog, 17));
        const QByteArray statusBefore = ReadAll(CAppPaths::GCodeExecStatusFile());
        prompter.m_lstAnswers << QMessageBox::Yes;
        CGCodeDocument doc(nullptr, Sink());
        CGCodeSignals rx;
        QVERIFY(doc.OpenGCode(&rx));
        QTRY_COMPARE_WITH_TIMEOUT(rx.m_iLoadComplete, 1, 5000);
        QCOMPARE(prompter.Texts("Question"), QStringList{"Open Previous G-Code File?"});
        QCOMPARE(prompter.Texts("OpenFileName"), QStringList{});
        QCOMPARE(doc.m_strCurGCodeFile, prog);
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 17);
        QCOMPARE(AppConfig::m_strLastFolderPath, tmp.Root() + "/sub/");
        QCOMPARE(ReadAll(CAppPaths::GCodeExecStatusFile()), statusBefore);
        QCOMPARE(CGCodeProgram::m_lstOfGCodeLines, (std::vector<QString>{"G0 X1", "G1 Y2"}));
        QCOMPARE(m_lstLog, QStringList{"I:Loading G-Code.This may take few seconds based on the G-Code File size"});

        // With a program loaded the question is not asked: the dialog is.
        prompter.m_lstPrompts.clear();
        prompter.m_lstFileNames << prog;
        QVERIFY(doc.OpenGCode(&rx));
        QTRY_COMPARE_WITH_TIMEOUT(rx.m_iLoadComplete, 2, 5000);
        QCOMPARE(prompter.Texts("Question"), QStringList{});
        QCOMPARE(prompter.Texts("OpenFileName"), QStringList{QString()});
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 0);
        QString path;
        int line = -1;
        QCOMPARE(CGCodeExecStatus::Read(path, line), CGCodeExecStatus::STATUS_OK);
        QCOMPARE(line, 0);
    }

    // A file that cannot be read: said in the log; the status file, the
    // start line and the program stay as they were.
    void openUnreadableFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing.ncc";
        QTest::newRow("folder") << "folder.ncc";
    }
    void openUnreadableFile()
    {
        QFETCH(QString, name);
        CTempWorkingFolder tmp;
        CFakePrompter prompter;
        QVERIFY(QDir().mkpath(tmp.Root() + "/folder.ncc"));
        QVERIFY(CGCodeExecStatus::Write("/old/prog.ncc", 40));
        const QByteArray statusBefore = ReadAll(CAppPaths::GCodeExecStatusFile());
        SetProgram({"G0 X1"});
        AppConfig::m_GCodeRunSettings.m_uiStartLine = 40;
        prompter.m_lstFileNames << tmp.Root() + "/" + name;
        CGCodeDocument doc(nullptr, Sink());
        doc.m_strCurGCodeFile = "/old/prog.ncc";
        QVERIFY(!doc.OpenGCode(nullptr));
        QCOMPARE(m_lstLog.size(), 1);
        QVERIFY(m_lstLog.at(0).startsWith("E:Unable to open G-Code file " + tmp.Root() + "/" + name + ": "));
        QCOMPARE(ReadAll(CAppPaths::GCodeExecStatusFile()), statusBefore);
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 40);
        QCOMPARE(doc.m_strCurGCodeFile, QString("/old/prog.ncc"));
        QCOMPARE(CGCodeProgram::LineCount(), size_t(1));
    }

    void openWithBadOrUnreadableStatusFile()
    {
        CTempWorkingFolder tmp;
        CButtonPrompter prompter;
        CGCodeDocument doc(nullptr, Sink());
        // Nonsense in the status file: as if there were none, no question.
        WriteRaw(CAppPaths::GCodeExecStatusFile(), "garbage");
        QVERIFY(!doc.OpenGCode(nullptr)); // dialog cancelled
        QCOMPARE(prompter.Texts("Question"), QStringList{});
        QCOMPARE(prompter.Texts("OpenFileName").size(), 1);
        QCOMPARE(ReadAll(CAppPaths::GCodeExecStatusFile()), QByteArray("garbage"));

        // A status file that cannot be opened: the critical box, nothing opened.
        QVERIFY(QFile::remove(CAppPaths::GCodeExecStatusFile()));
        QVERIFY(QDir().mkpath(CAppPaths::GCodeExecStatusFile()));
        prompter.m_lstPrompts.clear();
        prompter.m_lstAnswers << QMessageBox::Yes;
        QVERIFY(!doc.OpenGCode(nullptr));
        QCOMPARE(prompter.Texts("Critical"), QStringList{"Unable to open Config File"});
        QCOMPARE(prompter.m_lstPrompts.last().m_strTitle, QString("Critical error"));
        QCOMPARE(prompter.m_lstCriticalButtons, QList<QMessageBox::StandardButtons>{QMessageBox::Abort});
        QCOMPARE(prompter.Texts("OpenFileName"), QStringList{});
    }

    void openRefusedWhileBusy()
    {
        CTempWorkingFolder tmp;
        CFakePrompter prompter;
        CGCodeDocument doc(nullptr, Sink());
        CGCodeProgram::m_bGCodeLoading = true;
        QVERIFY(!doc.OpenGCode(nullptr));
        CGCodeProgram::m_bGCodeLoading = false;
        CGCodeProgram::m_bGCodeCompiling = true;
        QVERIFY(!doc.OpenGCode(nullptr));
        QVERIFY(!doc.LoadGeneratedFile(tmp.Root() + "/x.ncc", nullptr));
        CGCodeProgram::m_bGCodeCompiling = false;
        QCOMPARE(m_lstLog, (QStringList{"E:Preveious G-Code Still Loading", "E:Preveious G-Code Still Compiling",
                                        "E:Preveious G-Code Still Compiling"}));
        QVERIFY(prompter.m_lstPrompts.isEmpty());
    }

    void saveButtons()
    {
        CTempWorkingFolder tmp;
        CFakePrompter prompter;
        CGCodeDocument doc(nullptr, Sink());
        // Save with an empty program writes nothing and asks nothing.
        QVERIFY(doc.SaveButton());
        QVERIFY(prompter.m_lstPrompts.isEmpty());
        // Save as with an empty program writes an empty file.
        prompter.m_lstFileNames << tmp.Root() + "/empty";
        QVERIFY(doc.SaveAsGCode());
        QCOMPARE(ReadAll(tmp.Root() + "/empty.ncc"), QByteArray());
        QCOMPARE(prompter.m_lstPrompts.last().m_strTitle, QString("Select file tosave..."));

        SetProgram({"G0 X1", ""});
        doc.m_bGCodeModified = true;
        QVERIFY(doc.SaveButton()); // overwrites the current file
        QCOMPARE(ReadAll(tmp.Root() + "/empty.ncc"), QByteArray("G0 X1\n\n"));
        QVERIFY(!doc.m_bGCodeModified);

        // A name that cannot be written: "File Not Readable" with the name
        // and the system's reason; nothing changes.
        doc.m_bGCodeModified = true;
        prompter.m_lstFileNames << tmp.Root() + "/no/such/folder/p.tap";
        QVERIFY(!doc.SaveAsGCode());
        QCOMPARE(m_lstLog, QStringList{"E:File Not Readable\n" + tmp.Root()
                                       + "/no/such/folder/p.tap: No such file or directory"});
        QCOMPARE(doc.m_strCurGCodeFile, tmp.Root() + "/empty.ncc");
        QVERIFY(doc.m_bGCodeModified);
    }

    // A program too large for the free memory is refused before anything of
    // the program shown changes; what that program holds counts as free.
    void tooLargeForTheFreeMemory()
    {
        CTempWorkingFolder tmp;
        CFakePrompter prompter;
        const QString big = tmp.Root() + "/big.ncc";
        WriteRaw(big, QByteArray(3000, '\n'));
        QVERIFY(CGCodeExecStatus::Write("/old/prog.ncc", 40));
        const QByteArray statusBefore = ReadAll(CAppPaths::GCodeExecStatusFile());
        SetProgram({"G0 X1", "G1 Y2"});
        AppConfig::m_GCodeRunSettings.m_uiStartLine = 40;
        CGCodeDocument doc(nullptr, Sink());
        doc.m_strCurGCodeFile = "/old/prog.ncc";
        const QString refusal = "E:G-Code file too large for the free memory: " + big +
                                " is 3.0 kB, this machine can load at most 2.0 kB now";
        {
            // 2 lines shown release 200 bytes: 10 more bytes of file.
            const CFreeMemoryFigure free(CFreeMemoryFigure::ForAtMost(1990));
            prompter.m_lstFileNames << big;
            QVERIFY(!doc.OpenGCode(nullptr));
            QVERIFY(!doc.LoadGeneratedFile(big, nullptr));
        }
        QCOMPARE(m_lstLog, (QStringList{refusal, refusal}));
        QCOMPARE(CGCodeProgram::m_lstOfGCodeLines, (std::vector<QString>{"G0 X1", "G1 Y2"}));
        QCOMPARE(CGCodeProgram::m_lstOfGCodeCmds.size(), size_t(2));
        QCOMPARE(doc.m_strCurGCodeFile, QString("/old/prog.ncc"));
        QCOMPARE(AppConfig::m_GCodeRunSettings.m_uiStartLine, 40);
        QCOMPARE(ReadAll(CAppPaths::GCodeExecStatusFile()), statusBefore);

        // With room for it, the same file loads in place of the program.
        const CFreeMemoryFigure free(CFreeMemoryFigure::ForAtMost(2990));
        CGCodeSignals rx;
        prompter.m_lstFileNames << big;
        QVERIFY(doc.OpenGCode(&rx));
        QTRY_COMPARE_WITH_TIMEOUT(rx.m_iLoadComplete, 1, 5000);
        QCOMPARE(CGCodeProgram::LineCount(), size_t(3000));
    }

    void generatedFileLoads()
    {
        CTempWorkingFolder tmp;
        const QString path = tmp.Root() + "/part..ncc";
        WriteRaw(path, "G0 X1\n");
        CGCodeDocument doc(nullptr, Sink());
        CGCodeSignals rx;
        QVERIFY(doc.LoadGeneratedFile(path, &rx));
        QTRY_COMPARE_WITH_TIMEOUT(rx.m_iLoadComplete, 1, 5000);
        QCOMPARE(doc.m_strCurGCodeFile, path);
        QCOMPARE(CGCodeProgram::LineCount(), size_t(1));
        QVERIFY(!CGCodeExecStatus::Exists());
    }
};

QTEST_MAIN(TestGCodeDocument)
#include "tst_gcodedocument.moc"
#include "moc_gcodestandin.cpp"
