#include "widgets/MyView.h"

#include <QFont>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

CMyView::CMyView(QWidget* parent)
    : QWidget(parent)
    , m_HScrollBar(Qt::Horizontal, this)
    , m_VScrollBar(Qt::Vertical, this)
{
    setMouseTracking(true);
    // The bars' tracks are drawn as a pattern of the light colour on the
    // button colour: on the windows' dark grey the light default made a
    // white checker pattern.
    for (QScrollBar* pBar : {&m_HScrollBar, &m_VScrollBar}) {
        QPalette pal = pBar->palette();
        pal.setColor(QPalette::Light, QColor(100, 100, 100));
        pBar->setPalette(pal);
    }
    m_ViewRect = QRectF(rect());
    m_TargetRect = m_ViewRect;
    connect(&m_HScrollBar, SIGNAL(valueChanged(int)), this, SLOT(OnHScroll(int)));
    connect(&m_VScrollBar, SIGNAL(valueChanged(int)), this, SLOT(OnVScroll(int)));
    EnableZoom(false);
}

CMyView::~CMyView()
{
    ReleaseOwnCopy();
}

void CMyView::ReleaseOwnCopy()
{
    if (m_bOwnCopy)
        delete m_pImg;
    m_bOwnCopy = false;
    m_pImg = nullptr;
}

void CMyView::EnableZoom(bool bZoom)
{
    m_bZoomEnabled = bZoom;
    m_iScrollBarSize = bZoom ? SCROLL_BAR_SIZE : 0;
    const int w = width();
    const int h = height();
    m_HScrollBar.setGeometry(0, h - m_iScrollBarSize, w, m_iScrollBarSize);
    m_VScrollBar.setGeometry(w - m_iScrollBarSize, 0, m_iScrollBarSize, h - m_iScrollBarSize);
    m_HScrollBar.setVisible(bZoom);
    m_VScrollBar.setVisible(bZoom);
    AdjustZoom();
}

void CMyView::DisplayImage(QImage* pImg)
{
    SetImage(pImg, false);
}

void CMyView::DisplayImage(QImage* pImg, bool bCopy)
{
    SetImage(pImg, bCopy);
}

void CMyView::SetImage(QImage* pImg, bool bOwn)
{
    const bool bHadImage = m_pImg != nullptr;
    // Only the remembered size is compared: the caller may already have
    // freed the picture shown before.
    const bool bNewSize = !pImg || !bHadImage || pImg->size() != m_ImgSize;
    ReleaseOwnCopy();
    if (!pImg) {
        m_ImgSize = QSize();
        update();
        return;
    }
    if (bOwn) {
        m_pImg = new QImage(pImg->copy());
        m_bOwnCopy = true;
    } else {
        m_pImg = pImg;
    }
    m_ImgSize = m_pImg->size();
    if (bNewSize) {
        // A new picture (or one of another size) is fitted at once.
        m_bZoomToFit = true;
        m_SourceRect = QRectF(0, 0, m_ImgSize.width(), m_ImgSize.height());
        AdjustZoom();
    } else {
        update();
    }
}

void CMyView::SetDisplayID(QString strDispID)
{
    m_strDispID = strDispID;
    update();
}

void CMyView::AdjustAxis(double fView, double fImg, double& fTargetStart, double& fTargetLen, double& fSrcStart,
                         double& fSrcLen, QScrollBar& bar, int& iScrollPos)
{
    const int iZoomed = int(fImg * m_dZoom);
    const QSignalBlocker block(bar);
    if (iZoomed >= fView) {
        fTargetStart = 0;
        fTargetLen = fView;
        const double fCentre = fSrcStart + fSrcLen / 2.0;
        fSrcLen = fView / m_dZoom;
        // Keep the part shown inside the picture.
        fSrcStart = std::clamp(fCentre - fSrcLen / 2.0, 0.0, std::max(0.0, fImg - fSrcLen));
        bar.setRange(0, std::max(0, iZoomed - int(fView)));
        iScrollPos = int(fSrcStart * m_dZoom);
        bar.setValue(iScrollPos);
        bar.setEnabled(true);
    } else {
        fTargetStart = (fView - iZoomed) / 2.0;
        fTargetLen = iZoomed;
        fSrcStart = 0;
        fSrcLen = fImg;
        bar.setRange(0, 0);
        bar.setEnabled(false);
        iScrollPos = 0;
    }
}

void CMyView::AdjustZoom()
{
    // A hidden view gets its resize event only when shown: take the size as
    // it is now.
    m_ViewRect = QRectF(rect());
    if (!m_pImg || m_ImgSize.isEmpty())
        return;
    const double fWv = m_ViewRect.width() - m_iScrollBarSize;
    const double fHv = m_ViewRect.height() - m_iScrollBarSize;
    if (fWv <= 0 || fHv <= 0) {
        update();
        return;
    }
    const double fIw = m_ImgSize.width();
    const double fIh = m_ImgSize.height();
    if (m_bZoomToFit) {
        m_HScrollBar.setEnabled(false);
        m_VScrollBar.setEnabled(false);
        m_dZoom = std::min(fWv / fIw, fHv / fIh);
    }
    double tx = 0, tw = 0, sx = m_SourceRect.x(), sw = m_SourceRect.width();
    double ty = 0, th = 0, sy = m_SourceRect.y(), sh = m_SourceRect.height();
    AdjustAxis(fWv, fIw, tx, tw, sx, sw, m_HScrollBar, m_iHScrollPos);
    AdjustAxis(fHv, fIh, ty, th, sy, sh, m_VScrollBar, m_iVScrollPos);
    m_TargetRect = QRectF(tx, ty, tw, th);
    m_SourceRect = QRectF(sx, sy, sw, sh);
    update();
}

void CMyView::OnHScroll(int iValue)
{
    m_iHScrollPos = iValue;
    m_SourceRect.setLeft(iValue / m_dZoom);
    m_SourceRect.setWidth(m_TargetRect.width() / m_dZoom);
    update();
}

void CMyView::OnVScroll(int iValue)
{
    m_iVScrollPos = iValue;
    m_SourceRect.setTop(iValue / m_dZoom);
    m_SourceRect.setHeight(m_TargetRect.height() / m_dZoom);
    update();
}

void CMyView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(QRectF(0, 0, width() - m_iScrollBarSize, height() - m_iScrollBarSize), m_BkGndColor);
    QPen pen(QColor(0, 255, 150));
    pen.setWidth(3);
    // The pixel information and the display name, in green over the picture.
    auto drawCaption = [&](int iY, const QString& strText, bool bItalic) {
        QFont font = painter.font();
        font.setItalic(bItalic);
        font.setPixelSize(15);
        painter.setFont(font);
        painter.setPen(pen);
        painter.drawText(5, iY, strText);
    };
    if (m_pImg && !m_pImg->isNull()) {
        painter.drawImage(m_TargetRect, *m_pImg, m_SourceRect);
        if (m_bShowPixelInfo)
            drawCaption(32, m_strPixelInfo, true);
    }
    if (!m_strDispID.isEmpty())
        drawCaption(15, m_strDispID, false);
}

void CMyView::resizeEvent(QResizeEvent*)
{
    m_ViewRect = QRectF(0, 0, width(), height());
    m_TargetRect = m_ViewRect;
    EnableZoom(m_bZoomEnabled);
}

void CMyView::wheelEvent(QWheelEvent* e)
{
    if (!m_bZoomEnabled) {
        e->ignore();
        return;
    }
    e->accept();
    m_bZoomToFit = false;
    m_dZoom += e->angleDelta().y() > 0 ? ZOOM_STEP : -ZOOM_STEP;
    m_dZoom = std::clamp(m_dZoom, MIN_ZOOM, MAX_ZOOM);
    AdjustZoom();
}

void CMyView::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        m_bZoomToFit = true;
        AdjustZoom();
    }
}

void CMyView::mouseMoveEvent(QMouseEvent* e)
{
    if (!m_pImg || m_pImg->isNull())
        return;
    const QPointF pos = e->position();
    m_bLBtnDown = e->buttons() == Qt::LeftButton;
    m_MousePos = pos.toPoint();
    if (m_TargetRect.contains(pos) && m_SourceRect.width() > 0 && m_SourceRect.height() > 0) {
        double fx, fy;
        if (m_bZoomToFit) {
            fx = (pos.x() - m_TargetRect.x()) / (m_TargetRect.width() / m_SourceRect.width());
            fy = (pos.y() - m_TargetRect.y()) / (m_TargetRect.height() / m_SourceRect.height());
        } else {
            fx = (m_iHScrollPos + pos.x() - m_TargetRect.x()) / m_dZoom;
            fy = (m_iVScrollPos + pos.y() - m_TargetRect.y()) / m_dZoom;
        }
        m_ImgPos = QPoint(int(fx), int(fy));
        // The right and bottom edges map one pixel past the picture: the
        // readout looks up the nearest pixel inside it.
        const int px = std::clamp(m_ImgPos.x(), 0, m_pImg->width() - 1);
        const int py = std::clamp(m_ImgPos.y(), 0, m_pImg->height() - 1);
        const QColor c = m_pImg->pixelColor(px, py);
        m_strPixelInfo = QStringLiteral("X:%1 Y:%2(RGB:%3,%4,%5)")
                             .arg(m_ImgPos.x())
                             .arg(m_ImgPos.y())
                             .arg(c.red())
                             .arg(c.green())
                             .arg(c.blue());
    } else {
        m_strPixelInfo.clear();
    }
    update();
    emit MouseMoved();
}
