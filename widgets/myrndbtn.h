#pragma once
// A round, latching push button painted by hand (the main window's Start,
// Pause, Reset and Stop). Each mouse press toggles it: pressed() when it
// latches, released() when it lets go; a mouse release does nothing and
// clicked() is never emitted. It never takes keyboard focus, so Space or
// Enter cannot press and release it in one go (for Stop that would set and
// clear the emergency stop at once).
#include <QColor>
#include <QPushButton>
#include <QString>

class CMyRndBtn : public QPushButton
{
    Q_OBJECT

public:
    explicit CMyRndBtn(QPushButton* parent = nullptr);
    // Also usable under any widget (a form's container).
    explicit CMyRndBtn(QWidget* parent);

    // Latch or unlatch without emitting anything; both repaint.
    void SetPressed();
    void SetReleased();
    bool IsPressed() const { return m_bPressed; }
    void SetBtnText(QString strText);
    // Inner disc colours; takes effect at the next repaint.
    void SetBtnColor(QColor clrPressed, QColor clrReleased);

    QColor m_clrBkGnd{60, 60, 60};
    QColor m_clrPressed{255, 0, 0};
    QColor m_clrReleased{128, 0, 0};
    bool m_bPressed = false;
    QColor m_clrText{255, 255, 255};
    QString m_strText = QStringLiteral("Stop");
    // Font pixel size when released (3 less when pressed) and the x of the
    // text's base point; the main window sets them per button.
    qint16 m_nFontSize = 25;
    qint16 m_nTextX = 20;

signals:
    // Declared for callers that connect to it; never emitted.
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void paintEvent(QPaintEvent* e) override;

private:
    void Init();
    bool m_bPainting = false;
};
