#pragma once
// A move sink that writes G-code lines instead of moving the machine: one
// line per move, the words of the axes the move names, numbers with four
// decimals. It keeps its own tool position in place of the axes.
#include "control/movesink.h"

#include <QTextStream>

class CGCodeWriterSink : public CMoveSink
{
public:
    // Lines go to out; the tool starts at X 0, Y 0, Z 0.
    explicit CGCodeWriterSink(QTextStream& out);

    bool Move(const stSinkMove& move) override;
    stFloatPoint Position() const override { return m_Pos; }
    void SetCarvingRow(quint16 row) override { m_nCarvingRow = row; }

    quint16 CarvingRow() const { return m_nCarvingRow; }

    // A number as every generated G-code file writes it: fixed point, four decimals.
    static QString Num(double value);
    // The text of one move's line.
    static QString Line(const stSinkMove& move);

    // The characters NumChars may write.
    static constexpr int NUM_CHARS = 16;
    // Num's text of value written into buf, without building a string: the
    // exact binary value rounded to four decimals, halves away from zero, a
    // leading "-" for any value below zero (-0.0 has none). Returns the
    // number of characters, or 0 when |value| is 1e9 or more, infinite or
    // not a number, which only Num writes.
    static int NumChars(double value, char* buf);

private:
    QTextStream& m_Out;
    stFloatPoint m_Pos;
    quint16 m_nCarvingRow = 0;
};
