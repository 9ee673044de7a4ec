#include "widgets/myrndbtn.h"

#include <QFont>
#include <QMouseEvent>
#include <QPainter>

CMyRndBtn::CMyRndBtn(QPushButton* parent)
    : QPushButton(parent)
{
    Init();
}

CMyRndBtn::CMyRndBtn(QWidget* parent)
    : QPushButton(parent)
{
    Init();
}

void CMyRndBtn::Init()
{
    setFocusPolicy(Qt::NoFocus);
    setAutoDefault(false);
    setDefault(false);
}

void CMyRndBtn::SetPressed()
{
    m_bPressed = true;
    repaint();
}

void CMyRndBtn::SetReleased()
{
    m_bPressed = false;
    repaint();
}

void CMyRndBtn::SetBtnText(QString strText)
{
    m_strText = strText;
    repaint();
}

void CMyRndBtn::SetBtnColor(QColor clrPressed, QColor clrReleased)
{
    m_clrPressed = clrPressed;
    m_clrReleased = clrReleased;
}

void CMyRndBtn::mousePressEvent(QMouseEvent* e)
{
    // Latching: every press toggles; QPushButton's own press handling (and
    // with it clicked()) is bypassed on purpose.
    e->accept();
    m_bPressed = !m_bPressed;
    if (m_bPressed)
        emit pressed();
    else
        emit released();
    repaint();
}

void CMyRndBtn::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
}

void CMyRndBtn::mouseDoubleClickEvent(QMouseEvent* e)
{
    // A fast second click is a second press, not a double click.
    mousePressEvent(e);
}

void CMyRndBtn::keyPressEvent(QKeyEvent* e)
{
    // No keyboard presses: the button has no focus, and if a key reaches it
    // anyway it goes to the parent (the main window's pendant keys).
    QWidget::keyPressEvent(e);
}

void CMyRndBtn::keyReleaseEvent(QKeyEvent* e)
{
    QWidget::keyReleaseEvent(e);
}

void CMyRndBtn::paintEvent(QPaintEvent*)
{
    if (m_bPainting)
        return;
    m_bPainting = true;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    painter.fillRect(0, 0, width(), height(), m_clrBkGnd);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QBrush(QColor(50, 50, 50), Qt::SolidPattern));
    painter.drawEllipse(0, 0, width() - 2, height() - 2);
    QFont font = painter.font();
    if (m_bPressed) {
        // Smaller disc and text: the button looks pushed in.
        painter.setBrush(QBrush(m_clrPressed, Qt::SolidPattern));
        painter.drawEllipse(7, 7, width() - 15, height() - 15);
        font.setPixelSize(qMax(1, m_nFontSize - 3));
    } else {
        painter.setBrush(QBrush(m_clrReleased, Qt::SolidPattern));
        painter.drawEllipse(5, 5, width() - 7, height() - 7);
        font.setPixelSize(qMax(1, int(m_nFontSize)));
    }
    painter.setFont(font);
    painter.setPen(QPen(m_clrText, 10));
    painter.drawText(m_nTextX, height() / 2 + 12, m_strText);
    painter.restore();
    painter.end();
    m_bPainting = false;
}
