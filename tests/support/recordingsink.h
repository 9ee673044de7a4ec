#pragma once
// A move sink for tests: records every move and event of a job walk, keeps
// the tool position like a machine that reaches every target exactly, and
// can end the job at a chosen move (an emergency stop).
#include "control/gcodewritersink.h"
#include "control/movesink.h"

#include <QStringList>
#include <vector>

class CRecordingSink : public CMoveSink
{
public:
    bool Move(const stSinkMove& move) override
    {
        if (m_iStopAtMove >= 0 && int(m_lstMoves.size()) >= m_iStopAtMove)
            return false;
        m_lstMoves.push_back(move);
        m_lstEvents << CGCodeWriterSink::Line(move);
        m_Pos = move.m_Target;
        return true;
    }
    stFloatPoint Position() const override { return m_Pos; }
    bool HoldPoint() override
    {
        ++m_nHoldPoints;
        m_lstEvents << QStringLiteral("hold");
        return !m_bStopAtHold;
    }
    bool WaitMotionStopped() override
    {
        m_lstEvents << QStringLiteral("wait");
        return true;
    }
    void ResetAccVel() override { m_lstEvents << QStringLiteral("reset"); }
    void SetCarvingRow(quint16 row) override
    {
        m_lstRows.push_back(row);
        m_lstEvents << QStringLiteral("row %1").arg(row);
    }

    // The file lines the recorded moves stand for.
    QStringList Lines() const
    {
        QStringList lines;
        for (const stSinkMove& move : m_lstMoves)
            lines << CGCodeWriterSink::Line(move);
        return lines;
    }

    std::vector<stSinkMove> m_lstMoves;
    std::vector<quint16> m_lstRows;
    QStringList m_lstEvents;
    int m_nHoldPoints = 0;
    int m_iStopAtMove = -1;     // refuse this move and every later one
    bool m_bStopAtHold = false; // the first pause point ends the job
    stFloatPoint m_Pos;
};
