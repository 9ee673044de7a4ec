#pragma once
// The zoomable picture view of the main window, the shape designer, the
// image-carving window and the machine settings. It shows a picture by
// pointer (the caller keeps it alive and may redraw into it and call
// DisplayImage again, which only repaints while the size stays), or a copy it
// owns. With zoom enabled the wheel zooms in steps of 0.05 (0.05 to 7.0),
// 25-pixel scroll bars pan, and a double click fits the picture again.
//
// After MouseMoved(): m_MousePos is the mouse in view pixels, m_ImgPos in
// picture pixels (kept from the last move over the picture when the mouse is
// outside it), m_bLBtnDown whether the left button alone was held.
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRectF>
#include <QScrollBar>
#include <QSize>
#include <QString>
#include <QWidget>

class CMyView : public QWidget
{
    Q_OBJECT

public:
    explicit CMyView(QWidget* parent = nullptr);
    ~CMyView() override;

    double GetCurZoomFactor() const { return m_dZoom; }
    // Empty; kept for the windows that call it.
    void DrawEngGraphics() {}

    // The picture's part drawn and where it lands in the view (for tests and
    // owners that map positions themselves).
    QRectF SourceRect() const { return m_SourceRect; }
    QRectF TargetRect() const { return m_TargetRect; }
    const QImage* Image() const { return m_pImg; }

    QColor m_BkGndColor{0, 0, 0};
    bool m_bLBtnDown = false;
    QPoint m_MousePos;
    QPoint m_ImgPos;
    QString m_strPixelInfo; // "X:x Y:y(RGB:r,g,b)" of the pixel under the mouse
    bool m_bShowPixelInfo = false;

    static constexpr double MIN_ZOOM = 0.05;
    static constexpr double MAX_ZOOM = 7.0;
    static constexpr double ZOOM_STEP = 0.05;
    static constexpr int SCROLL_BAR_SIZE = 25;

signals:
    void MouseMoved();

public slots:
    void EnableZoom(bool bZoom);
    // Shows a caller-owned picture (null clears the view).
    void DisplayImage(QImage* pImg);
    // With bCopy the view shows and owns a copy of pImg.
    void DisplayImage(QImage* pImg, bool bCopy);
    void SetDisplayID(QString strDispID);
    void OnHScroll(int iValue);
    void OnVScroll(int iValue);

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void SetImage(QImage* pImg, bool bOwn);
    void ReleaseOwnCopy();
    // Lays the picture out in the usable area (fit or current zoom) and sets
    // the scroll bars.
    void AdjustZoom();
    // One direction of AdjustZoom: the target and source spans and the bar.
    void AdjustAxis(double fView, double fImg, double& fTargetStart, double& fTargetLen, double& fSrcStart,
                    double& fSrcLen, QScrollBar& bar, int& iScrollPos);

    bool m_bOwnCopy = false;
    int m_iScrollBarSize = 0;
    QScrollBar m_HScrollBar;
    QScrollBar m_VScrollBar;
    bool m_bZoomToFit = true;
    int m_iHScrollPos = 0;
    int m_iVScrollPos = 0;
    QImage* m_pImg = nullptr;
    QSize m_ImgSize;
    QRectF m_TargetRect;
    QRectF m_SourceRect;
    QRectF m_ViewRect;
    double m_dZoom = 1.0;
    bool m_bZoomEnabled = false;
    QString m_strDispID;
};
