#include "settings/velaccgraph.h"

#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPointF>

#include <cmath>

namespace {
QPen GraphPen(const QColor& color, int iWidth)
{
    return QPen(color, iWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

// The deceleration half: a point of the rising curve mirrored about the
// middle of the picture, in whole pixels.
QPoint Mirrored(const QPointF& pt)
{
    return QPoint(int(std::trunc(CVelAccGraph::WIDTH - pt.x())), int(std::trunc(pt.y())));
}
} // namespace

QImage CVelAccGraph::Draw(const QVector<double>& profile, double fMovPerPulse)
{
    constexpr int W = WIDTH;
    constexpr int H = HEIGHT;
    constexpr int M = MARGIN;

    QImage img(W, H, QImage::Format_RGB888);
    QPainter painter(&img);
    painter.save();
    QFont font = painter.font();
    font.setPointSize(20);
    painter.setFont(font);

    painter.fillRect(0, 0, W, H, QColor(50, 50, 50));

    // Axes and their letters: F(eed) up, t(ime) to the right.
    painter.setPen(GraphPen(QColor(150, 150, 150), 2));
    painter.drawLine(M, H - M, W - M, H - M);
    painter.drawLine(M, M, M, H - M);
    painter.drawText(2, H / 4, QStringLiteral("F"));
    painter.drawText(W / 2, H - 5, QStringLiteral("t"));

    painter.setPen(GraphPen(QColor(70, 70, 70), 1));
    for (int k = GRID_PITCH; k <= W - 2 * M; k += GRID_PITCH)
        painter.drawLine(M + k, M, M + k, H - M);
    for (int k = 0; k <= H - 2 * M; k += GRID_PITCH)
        painter.drawLine(M, M + k, W - M, M + k);

    // Acceleration: one pixel per segment, one pixel per mm/s.
    painter.setPen(GraphPen(QColor(255, 255, 0), 2));
    QPointF ptLast(M, H - M);
    QVector<QPointF> points{ptLast};
    points.reserve(profile.size() + 1);
    for (int i = 0; i < profile.size(); ++i) {
        const QPointF pt(M + i, (H - M) - fMovPerPulse * 1.0 * profile.at(i));
        painter.drawLine(ptLast, pt);
        ptLast = pt;
        points.append(pt);
    }
    // Cruise at the top speed, then the deceleration mirrored.
    painter.drawLine(ptLast, QPointF(Mirrored(ptLast)));
    for (int j = 0; j + 1 < points.size(); ++j)
        painter.drawLine(Mirrored(points.at(j)), Mirrored(points.at(j + 1)));

    painter.restore();
    painter.end();
    return img;
}
