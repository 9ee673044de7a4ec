#include "widgets/toolpathdrawing.h"

#include "widgets/mainservices.h"

#include <QFont>
#include <QPainter>
#include <QPen>

#include <cmath>

namespace {
QPen PathPen(const QColor& colour)
{
    return QPen(QBrush(colour), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}
} // namespace

CToolPathDrawing::CToolPathDrawing()
{
    m_WorkPieceSize.x = 200.0;
    m_WorkPieceSize.y = 250.0;
    m_WorkPieceSize.z = 10.0;
    m_dZDrawScale = 225.0 / m_WorkPieceSize.z;
    NewPicture(START_MARGIN);
}

double CToolPathDrawing::RawSide(const stFloatPoint& size, int iMargin)
{
    return std::trunc(std::sqrt(size.x * size.x + size.y * size.y) + size.z + iMargin);
}

int CToolPathDrawing::PictureSide(const stFloatPoint& size, int iMargin)
{
    const double fSide = RawSide(size, iMargin);
    if (!(fSide < MAX_SIDE)) // also a NaN
        return MAX_SIDE;
    return std::max(1, int(fSide));
}

void CToolPathDrawing::NewPicture(int iMargin)
{
    m_nSide = PictureSide(m_WorkPieceSize, iMargin);
    const double fRaw = RawSide(m_WorkPieceSize, iMargin);
    m_dPixPerMm = fRaw > MAX_SIDE ? MAX_SIDE / fRaw : 1.0;
    // Assigned in place: a view showing Image() by pointer stays valid.
    m_Img = QImage(m_nSide, m_nSide, QImage::Format_RGB888);
    m_Img.fill(Qt::black);
    m_Origin = QPoint(m_nSide / 2, m_nSide / 2);
    m_ToolMarkPatch = QImage();
}

void CToolPathDrawing::SetLength(double fLength)
{
    if (!(fLength > 0))
        return;
    m_WorkPieceSize.x = fLength;
    NewPicture(CHANGE_MARGIN);
}

void CToolPathDrawing::SetWidth(double fWidth)
{
    if (!(fWidth > 0))
        return;
    m_WorkPieceSize.y = fWidth;
    NewPicture(CHANGE_MARGIN);
}

void CToolPathDrawing::SetHeight(double fHeight)
{
    if (!(fHeight > 0))
        return;
    m_WorkPieceSize.z = fHeight;
    m_dZDrawScale = 225.0 / fHeight;
    NewPicture(CHANGE_MARGIN);
}

void CToolPathDrawing::EditSize(CMainServices& services, QPushButton* pBtn, eSize eWhich)
{
    struct stSizeBtn
    {
        const char* m_pTitle;
        const char* m_pCaption;
        double stFloatPoint::*m_pField;
    };
    static const stSizeBtn s_Btns[] = {{"Workpiece Length", "Length(X)", &stFloatPoint::x},
                                       {"Workpiece Width", "Width(Y)", &stFloatPoint::y},
                                       {"Workpiece Height", "Height(Z)", &stFloatPoint::z}};
    const stSizeBtn& btn = s_Btns[eWhich];
    const double fValue =
        services.OpenKeypad(pBtn, QString::fromLatin1(btn.m_pTitle), QString::fromLatin1(btn.m_pCaption),
                            QString::number(m_WorkPieceSize.*btn.m_pField, 'g', 6), KeypadRange(1.0, 10000.0), false, 1);
    switch (eWhich) {
    case WP_LENGTH: SetLength(fValue); break;
    case WP_WIDTH: SetWidth(fValue); break;
    case WP_HEIGHT: SetHeight(fValue); break;
    }
}

QPoint CToolPathDrawing::CornerPoint(QPoint centre, int x, int y)
{
    const float a = VIEW_ANGLE;
    const double c = double(std::cos(a));
    const double s = double(std::sin(a));
    const int xr = int(x * c + y * s);
    const int yr = int(-x * s + y * c);
    return QPoint(centre.x() + xr, centre.y() - yr);
}

QPoint CToolPathDrawing::RefSigns(int iRunMode, int iHomeRef)
{
    if (iRunMode != 5)
        return QPoint(1, 1);
    switch (iHomeRef) {
    case 0: return QPoint(1, -1);
    case 2: return QPoint(-1, -1);
    case 4: return QPoint(-1, 1);
    case 8: return QPoint(0, 0);
    default: return QPoint(1, 1);
    }
}

int CToolPathDrawing::GreyLevel(double z, double fZDrawScale)
{
    if (z >= 0)
        return 255;
    const double g = std::trunc(255.0 + z * fZDrawScale);
    if (!(g >= 10.0))
        return 10;
    return g > 255.0 ? 255 : int(g);
}

QPoint CToolPathDrawing::ToolPoint(QPoint centre, double x, double y, double z, double fL, double fW, QPoint signs,
                                   double fScale)
{
    const float a = VIEW_ANGLE;
    const int px = int((x - signs.x() * fL / 2.0) * fScale);
    const int py = int((y - signs.y() * fW / 2.0) * fScale);
    const int qx = int((px + py) * double(std::cos(a)));
    const int qy = int((py - px) * double(std::sin(a)));
    return QPoint(centre.x() + qx, int(centre.y() - qy - 6.0 * z * fScale));
}

void CToolPathDrawing::Clear(int iRunMode, int iHomeRef)
{
    QPainter painter(&m_Img);
    painter.fillRect(0, 0, m_nSide, m_nSide, Qt::black);
    QFont font = painter.font();
    font.setPointSize(15);
    painter.setFont(font);

    const int hl = int(quint16(m_WorkPieceSize.x / 2.0 * m_dPixPerMm));
    const int hw = int(quint16(m_WorkPieceSize.y / 2.0 * m_dPixPerMm));
    const QPoint topLeft = CornerPoint(m_Origin, -hl, hw);
    const QPoint topRight = CornerPoint(m_Origin, hl, hw);
    const QPoint bottomRight = CornerPoint(m_Origin, hl, -hw);
    const QPoint bottomLeft = CornerPoint(m_Origin, -hl, -hw);

    // Axis marks where the work zero lies by default.
    struct stMark
    {
        QColor m_Colour;
        QPoint m_Offset;
        const char* m_pText;
    };
    const stMark marks[] = {{QColor(0, 255, 0), QPoint(25, 25), "X"},
                            {QColor(255, 0, 0), QPoint(0, -50), "Y"},
                            {QColor(0, 200, 255), QPoint(25, -25), "Z"}};
    for (const stMark& m : marks) {
        painter.setPen(PathPen(m.m_Colour));
        painter.drawLine(bottomLeft, bottomLeft + m.m_Offset);
        painter.drawText(bottomLeft + m.m_Offset, QString::fromLatin1(m.m_pText));
    }

    if (iRunMode == 5) {
        switch (iHomeRef) {
        case 0: m_LastToolPt = topLeft; break;
        case 2: m_LastToolPt = topRight; break;
        case 4: m_LastToolPt = bottomRight; break;
        case 6: m_LastToolPt = bottomLeft; break;
        case 8: m_LastToolPt = m_Origin; break;
        default: break; // odd values keep the last point
        }
    } else {
        m_LastToolPt = bottomLeft;
    }
    // The marker's saved background belonged to the old picture.
    m_ToolMarkPatch = QImage();
}

void CToolPathDrawing::Draw(int iRunMode, int iHomeRef, double x, double y, double z)
{
    const QPoint s = ToolPoint(m_Origin, x, y, z, m_WorkPieceSize.x, m_WorkPieceSize.y, RefSigns(iRunMode, iHomeRef),
                               m_dPixPerMm);
    const int g = GreyLevel(z, m_dZDrawScale);

    QPainter painter(&m_Img);
    // The last marker goes first (what it covered is put back): put back
    // after the new line, the patch would erase the line's first 16 pixels
    // wherever the tool moves up the picture.
    if (!m_ToolMarkPatch.isNull())
        painter.drawImage(m_LastToolPt.x() - 8, m_LastToolPt.y() - 16, m_ToolMarkPatch);

    painter.setPen(PathPen(QColor(g, g, g)));
    painter.drawPoint(m_LastToolPt);
    if (z > 0.00009)
        painter.setPen(PathPen(Qt::yellow));
    painter.drawLine(m_LastToolPt, s);

    // Tool marker: keep what it covers, then draw a small cone standing on
    // its tip.
    m_ToolMarkPatch = m_Img.copy(s.x() - 8, s.y() - 16, 16, 16);
    painter.setPen(PathPen(Qt::red));
    painter.drawPoint(s);
    painter.drawLine(s, s + QPoint(-6, -12));
    painter.drawLine(s, s + QPoint(6, -12));
    painter.drawEllipse(s.x() - 6, s.y() - 15, 12, 6);
    m_LastToolPt = s;
}
