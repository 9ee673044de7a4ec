#include "shapes/textoutlines.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QStringList>

#include <opencv2/imgproc.hpp>

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

    // The image's rows are padded to 32 bits: the row stride goes along.
    cv::Mat grey(img.height(), img.width(), CV_8UC1, img.bits(), size_t(img.bytesPerLine()));
    cv::Mat bw;
    cv::threshold(grey, bw, 60, 255, cv::THRESH_BINARY);
    std::vector<Outline> lstFound;
    cv::findContours(bw, lstFound, cv::RETR_LIST, cv::CHAIN_APPROX_SIMPLE, cv::Point(canvas.left(), canvas.top()));
    if (lstFound.size() > COutlineOrder::MAX_OUTLINES) {
        if (pstrError)
            *pstrError = QStringLiteral("Too many outlines in the text");
        return false;
    }
    lstOutlines = COutlineOrder::Ordered(lstFound);
    return true;
}
