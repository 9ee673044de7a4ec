// The zoomable picture view: fit, wheel zoom limits, scroll bars, double
// click back to fit, the mouse position in picture pixels, and showing a
// picture by pointer or as its own copy.
#include "widgets/MyView.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

class TestMyView : public QObject
{
    Q_OBJECT
private slots:
    void fitsAPictureCentred();
    void wheelZoomLimitsAndDoubleClick();
    void zoomDisabledHasNoBarsAndIgnoresWheel();
    void mousePositionInPicturePixels();
    void sameSizeKeepsZoomNewSizeRefits();
    void ownCopyOrCallersPicture();
};

namespace {
void Wheel(CMyView& view, int iDelta, int iTimes = 1)
{
    for (int i = 0; i < iTimes; ++i) {
        QWheelEvent e(QPointF(10, 10), view.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, iDelta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &e);
    }
}

void MoveMouse(CMyView& view, QPoint pos, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), view.mapToGlobal(QPointF(pos)), Qt::NoButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(&view, &e);
}
} // namespace

void TestMyView::fitsAPictureCentred()
{
    CMyView view;
    view.resize(520, 270);
    QImage img(390, 390, QImage::Format_RGB888);
    img.fill(Qt::white);
    view.DisplayImage(&img);
    // 270 / 390 is the smaller ratio; the picture is centred across.
    QCOMPARE(view.GetCurZoomFactor(), 270.0 / 390.0);
    QCOMPARE(view.TargetRect(), QRectF((520 - 270) / 2.0, 0, 270, 270));
    QCOMPARE(view.SourceRect(), QRectF(0, 0, 390, 390));
    const QImage shot = view.grab().toImage();
    QCOMPARE(shot.pixelColor(5, 100), QColor(Qt::black)); // background
    QCOMPARE(shot.pixelColor(260, 135), QColor(Qt::white));
}

void TestMyView::wheelZoomLimitsAndDoubleClick()
{
    CMyView view;
    view.resize(400, 300);
    view.EnableZoom(true);
    QImage img(200, 100, QImage::Format_RGB888);
    img.fill(Qt::white);
    view.DisplayImage(&img);
    const double fFit = view.GetCurZoomFactor();
    QCOMPARE(fFit, 375.0 / 200.0); // the usable width less the 25-pixel bar

    Wheel(view, 120);
    QCOMPARE(view.GetCurZoomFactor(), fFit + 0.05);
    Wheel(view, 120, 200);
    QCOMPARE(view.GetCurZoomFactor(), CMyView::MAX_ZOOM);
    // Zoomed in: the bars scroll and the part shown stays in the picture.
    auto bars = view.findChildren<QScrollBar*>();
    QCOMPARE(bars.size(), 2);
    for (QScrollBar* pBar : bars)
        QVERIFY(pBar->isEnabled() && pBar->maximum() > 0);
    QCOMPARE(bars[0]->orientation(), Qt::Horizontal);
    bars[0]->setValue(bars[0]->maximum()); // scrolled to the right end
    QVERIFY2(qAbs(view.SourceRect().right() - 200.0) < 1.0, qPrintable(QString::number(view.SourceRect().right())));
    QCOMPARE(view.SourceRect().width() * view.GetCurZoomFactor(), view.TargetRect().width());

    Wheel(view, -120, 300);
    QCOMPARE(view.GetCurZoomFactor(), CMyView::MIN_ZOOM);
    Wheel(view, -1); // any non-positive delta is a step out
    QCOMPARE(view.GetCurZoomFactor(), CMyView::MIN_ZOOM);

    QTest::mouseDClick(&view, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QCOMPARE(view.GetCurZoomFactor(), fFit);
}

void TestMyView::zoomDisabledHasNoBarsAndIgnoresWheel()
{
    CMyView view;
    view.resize(400, 300);
    QImage img(100, 100, QImage::Format_RGB888);
    view.DisplayImage(&img);
    QCOMPARE(view.GetCurZoomFactor(), 3.0);
    Wheel(view, 120);
    QCOMPARE(view.GetCurZoomFactor(), 3.0);
    for (QScrollBar* pBar : view.findChildren<QScrollBar*>())
        QVERIFY(pBar->isHidden() || pBar->width() == 0 || pBar->height() == 0);
}

void TestMyView::mousePositionInPicturePixels()
{
    CMyView view;
    view.resize(400, 200);
    QImage img(200, 100, QImage::Format_RGB888);
    img.fill(Qt::black);
    img.setPixelColor(50, 25, QColor(10, 20, 30));
    QSignalSpy moved(&view, &CMyView::MouseMoved);

    MoveMouse(view, QPoint(10, 10)); // no picture: nothing
    QCOMPARE(moved.count(), 0);

    view.DisplayImage(&img); // zoom 2, fills the view
    MoveMouse(view, QPoint(101, 51), Qt::LeftButton);
    QCOMPARE(moved.count(), 1);
    QCOMPARE(view.m_MousePos, QPoint(101, 51));
    QCOMPARE(view.m_ImgPos, QPoint(50, 25));
    QVERIFY(view.m_bLBtnDown);
    QCOMPARE(view.m_strPixelInfo, QStringLiteral("X:50 Y:25(RGB:10,20,30)"));

    // The right edge maps one pixel past the picture: read safely.
    MoveMouse(view, QPoint(400, 200));
    QCOMPARE(view.m_ImgPos, QPoint(200, 100));
    QVERIFY(view.m_strPixelInfo.startsWith(QStringLiteral("X:200 Y:100(RGB:")));
    QVERIFY(!view.m_bLBtnDown);

    // Zoomed in and scrolled: the scroll offset counts.
    view.EnableZoom(true);
    Wheel(view, 120, 20);
    auto* pHBar = view.findChildren<QScrollBar*>().at(0);
    pHBar->setValue(100);
    MoveMouse(view, QPoint(10, 10));
    const double z = view.GetCurZoomFactor();
    QCOMPARE(view.m_ImgPos.x(), int((pHBar->value() + 10 - view.TargetRect().x()) / z));

    // Outside the picture (the bar area) the readout is cleared.
    view.EnableZoom(false);
    QImage tall(10, 100, QImage::Format_RGB888);
    view.DisplayImage(&tall);
    MoveMouse(view, QPoint(2, 2));
    QVERIFY(view.m_strPixelInfo.isEmpty());
}

void TestMyView::sameSizeKeepsZoomNewSizeRefits()
{
    CMyView view;
    view.resize(400, 300);
    view.EnableZoom(true);
    QImage a(200, 100, QImage::Format_RGB888);
    view.DisplayImage(&a);
    Wheel(view, 120, 4);
    const double fZoom = view.GetCurZoomFactor();
    QImage b(200, 100, QImage::Format_RGB888); // same size: kept as zoomed
    view.DisplayImage(&b);
    QCOMPARE(view.GetCurZoomFactor(), fZoom);
    QCOMPARE(view.Image(), &b);
    {
        // Another size refits, without looking at the old (freed) picture.
        auto* pOld = new QImage(50, 50, QImage::Format_RGB888);
        view.DisplayImage(pOld);
        delete pOld;
    }
    QImage c(100, 100, QImage::Format_RGB888);
    view.DisplayImage(&c);
    QCOMPARE(view.GetCurZoomFactor(), 275.0 / 100.0);
}

void TestMyView::ownCopyOrCallersPicture()
{
    CMyView view;
    view.resize(100, 100);
    QImage img(10, 10, QImage::Format_RGB888);
    img.fill(Qt::red);
    view.DisplayImage(&img, true);
    QVERIFY(view.Image() != &img);
    img.fill(Qt::blue); // the copy is not affected
    QCOMPARE(view.Image()->pixelColor(0, 0), QColor(Qt::red));
    view.DisplayImage(&img, false);
    QCOMPARE(view.Image(), &img);
    view.DisplayImage(&img, true); // replaced copies are freed (ASan build)
    view.DisplayImage(&img, true);
}

QTEST_MAIN(TestMyView)
#include "tst_myview.moc"
