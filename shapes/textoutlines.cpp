#include "shapes/textoutlines.h"

#include "shapes/visionmodule.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QStringList>

int CTextOutlines::Baseline(const stTextLayout& layout, int k)
{
    const float fBase = float(layout.m_iHeight - layout.m_iMargin) - layout.m_fLinePitch * float(k) -
                        layout.m_fLineSpacing * float(k);
    return int(fBase);
}

bool CTextOutlines::Trace(const QString& strText, const QFont& font, const stTextLayout& layout,
                          std::vector<Outline>& lstOutlines, QString* pstrError)
{
    lstOutlines.clear();
    const QStringList lstLines = strText.split(QLatin1Char('\n'));
    const int nLines = int(lstLines.size());

    // Metrics at the canvas's own resolution.
    QImage probe(1, 1, QImage::Format_Grayscale8);
    probe.setDotsPerMeterX(DOTS_PER_METRE);
    probe.setDotsPerMeterY(DOTS_PER_METRE);
    const QFontMetrics fm(font, &probe);
    const int iPad = 4 + fm.height() / 4; // slanted and overhanging glyphs

    // The drawing, grown to hold every line whole.
    QRect canvas(0, 0, layout.m_iWidth, layout.m_iHeight);
    for (int i = 0; i < nLines; ++i) {
        const QString& strLine = lstLines[i];
        if (strLine.isEmpty())
            continue;
        const int k = nLines - 1 - i;
        const QRect box = fm.boundingRect(strLine).translated(layout.m_iMargin, Baseline(layout, k));
        canvas |= box.adjusted(-iPad, -iPad, iPad, iPad);
    }
    if (qint64(canvas.width()) * canvas.height() > MAX_CANVAS_PIXELS) {
        if (pstrError)
            *pstrError = QStringLiteral("Text too large to trace: use a smaller size or fewer lines");
        return false;
    }

    QImage img(canvas.size(), QImage::Format_Grayscale8);
    img.setDotsPerMeterX(DOTS_PER_METRE);
    img.setDotsPerMeterY(DOTS_PER_METRE);
    img.fill(QColor(0, 0, 0, 255));
    {
        QPainter painter(&img);
        painter.translate(-canvas.left(), -canvas.top());
        painter.setFont(font);
        painter.setPen(QPen(Qt::white, 10.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        for (int i = nLines - 1; i >= 0; --i)
            painter.drawText(layout.m_iMargin, Baseline(layout, nLines - 1 - i), lstLines[i]);
    }

    QString strError;
    if (CVisionModule::Trace(img, 60, CContourTrace::BRIGHT_ABOVE, canvas.topLeft(), lstOutlines, nullptr, strError))
        return true;
    if (pstrError)
        *pstrError = strError.isEmpty() ? QStringLiteral("Too many outlines in the text") : strError;
    return false;
}
