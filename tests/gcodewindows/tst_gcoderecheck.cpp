// The check after an edit follows the edits on its own copy of the program:
// whatever the edits (inserts, erases, changes, swaps, while a check runs or
// not, before the first check or after the copy was let go), its answer is
// the answer of a whole check of the program as it is.
#include "gcodewindows/gcoderecheck.h"

#include "gcode/gcodechecker.h"
#include "gcode/gcodeprogram.h"
#include "poolgate.h"

#include <QtTest>

namespace {

void SetProgram(const QStringList& lines)
{
    CGCodeProgram::ClearCurGCodeData();
    for (const QString& line : lines)
        CGCodeProgram::InsertLine(CGCodeProgram::LineCount(), line, CGCodeProgram::SplitEditedLine(line));
}

// The errors of the program as it is, by line.
QString Verdicts(const GCodeErrorMap& errors)
{
    QStringList out;
    for (const auto& entry : errors)
        out << QString::number(entry.first);
    return out.join(' ');
}

QString WholeCheck()
{
    GCodeErrorMap errors;
    CGCodeChecker::Check(CGCodeProgram::m_lstOfGCodeCmds, errors, CGCodeChecker::MachineFromSettings());
    return Verdicts(errors);
}

// Runs the edits written as words on the program and the recheck:
//   i3:G1Q1  insert the line "G1 Q1" at 3     e2  erase line 2
//   u1:G1X5  line 1 becomes "G1 X5"            s1,2  swap lines 1 and 2
//   r  request a check                         w  wait for its answer
//   d  drop (the copy is let go)          W  the whole check, waited for
// Spaces in a line are written as '_'.
QString Run(CGCodeRecheck& recheck, const QString& strEdits, QString& strLast)
{
    for (const QString& word : strEdits.split(' ', Qt::SkipEmptyParts)) {
        const QChar kind = word[0];
        const QString arg = word.mid(1);
        const int iColon = arg.indexOf(':');
        const size_t iLine = size_t((iColon < 0 ? arg.section(',', 0, 0) : arg.left(iColon)).toUInt());
        const QString text = arg.mid(iColon + 1).replace('_', ' ');
        if (kind == 'i') {
            CGCodeProgram::InsertLine(iLine, text, CGCodeProgram::SplitEditedLine(text));
            recheck.Inserted(iLine);
        } else if (kind == 'e') {
            CGCodeProgram::EraseLine(iLine);
            recheck.Erased(iLine);
        } else if (kind == 'u') {
            CGCodeProgram::UpdateLine(iLine, text);
            recheck.Changed(iLine);
        } else if (kind == 's') {
            const size_t iOther = arg.section(',', 1, 1).toUInt();
            CGCodeProgram::SwapLines(iLine, iOther);
            recheck.Changed(iLine);
            recheck.Changed(iOther);
        } else if (kind == 'r') {
            recheck.Request();
        } else if (kind == 'd') {
            recheck.Drop();
        } else if (kind == 'W') {
            recheck.StartWholeCheck(nullptr).waitForFinished();
        } else if (kind == 'w') {
            if (!QTest::qWaitFor([&recheck]() { return !recheck.Pending(); }, 10000))
                return QStringLiteral("no answer");
        }
    }
    if (!QTest::qWaitFor([&recheck]() { return !recheck.Pending(); }, 10000))
        return QStringLiteral("no answer");
    return strLast;
}

} // namespace

class TestGCodeRecheck : public QObject
{
    Q_OBJECT
private slots:
    void answersAsAWholeCheck_data()
    {
        QTest::addColumn<QString>("edits");
        QTest::newRow("first check") << "r";
        QTest::newRow("insert a bad line") << "r w i2:G1_Q1 r";
        QTest::newRow("erase the bad line") << "r w i2:G1_Q1 r w e2 r";
        QTest::newRow("change a line to bad and back") << "r w u3:G1_Q2 r w u3:G1_X9 r";
        QTest::newRow("swap") << "r w i0:G1_Q1 r w s0,4 r";
        QTest::newRow("swaps without a check between") << "r w i1:G1_Q1 s1,2 s2,3 s3,4 r";
        QTest::newRow("edits while a check runs") << "r i0:G1_Q1 r i0:G1_Q3 r e5 r u2:G1_Q4 r";
        QTest::newRow("insert at the end and erase the first") << "r w i6:G1_Q1 e0 r";
        QTest::newRow("edits after a drop") << "r w d i0:G1_Q1 u3:G1_Q2 r";
        QTest::newRow("edits after the whole check") << "W i0:G1_Q1 r w u3:G1_Q2 s0,5 r";
        QTest::newRow("whole check between edits") << "r w i0:G1_Q1 W e0 i2:G1_Q7 r";
        QTest::newRow("many edits, one check") << "r w i0:G1_Q1 i0:G1_Q2 i0:G1_Q3 e1 e1 u0:G1_X1 i5:G1_Q5 r";
    }
    void answersAsAWholeCheck()
    {
        QFETCH(QString, edits);
        SetProgram({"G21 G90", "G1 X1 F100", "G1 X2", "G1 X3", "G1 X4", "G1 X5"});
        // The checks are long jobs: they never need the global pool, which
        // on a one-core Pi a long job would take from the status saves.
        CGlobalPoolGate gate;
        CGCodeRecheck recheck;
        QString strLast = QStringLiteral("none");
        int nAnswers = 0;
        connect(&recheck, &CGCodeRecheck::Checked, this, [&](GCodeErrorMap errors) {
            strLast = Verdicts(errors);
            ++nAnswers;
        });
        const QString strAnswer = Run(recheck, edits, strLast);
        QCOMPARE(strAnswer, WholeCheck());
        QVERIFY(nAnswers >= 1);
        CGCodeProgram::ClearCurGCodeData();
    }
};

QTEST_MAIN(TestGCodeRecheck)
#include "tst_gcoderecheck.moc"
