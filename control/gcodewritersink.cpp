#include "control/gcodewritersink.h"

#include <QStringList>

CGCodeWriterSink::CGCodeWriterSink(QTextStream& out)
    : m_Out(out)
{
}

QString CGCodeWriterSink::Num(double value)
{
    return QString::number(value, 'f', 4);
}

QString CGCodeWriterSink::Line(const stSinkMove& move)
{
    QStringList words;
    switch (move.m_eKind) {
    case eSinkMove::ArcCCW:
    case eSinkMove::ArcCW:
        return QStringLiteral("%1 X%2 Y%3 I%4 J%5")
            .arg(move.m_eKind == eSinkMove::ArcCCW ? QStringLiteral("G03") : QStringLiteral("G02"),
                 Num(move.m_Target.x), Num(move.m_Target.y), Num(move.m_Center.x - move.m_From.x),
                 Num(move.m_Center.y - move.m_From.y));
    case eSinkMove::Rapid:
        if (move.m_bWord)
            words << QStringLiteral("G00");
        break;
    default:
        if (move.m_bWord)
            words << QStringLiteral("G01");
        break;
    }
    if (move.m_nAxes & SINK_AXIS_X)
        words << QStringLiteral("X") + Num(move.m_Target.x);
    if (move.m_nAxes & SINK_AXIS_Y)
        words << QStringLiteral("Y") + Num(move.m_Target.y);
    if (move.m_nAxes & SINK_AXIS_Z)
        words << QStringLiteral("Z") + Num(move.m_Target.z);
    return words.join(QLatin1Char(' '));
}

bool CGCodeWriterSink::Move(const stSinkMove& move)
{
    m_Out << Line(move) << '\n';
    m_Pos = move.m_Target;
    return m_Out.status() == QTextStream::Ok;
}
