#pragma once
// The shape designer's panel that turns a grey-scale picture into closed
// polygons: the dark parts are separated from the light ground by a
// threshold, their outlines traced, put in travel order, filtered by their
// number of points, scaled onto a length and width in millimetres, shifted
// by an offset and appended to the designer's shape list, named after the
// picture. Every change traces again and redraws the work area.
//
// The designer owns one panel for the program's whole life (the picture and
// the parameters stay from one opening to the next) and is its Qt parent.
#include "core/common.h"
#include "designers/newshapesfit.h"

#include <QDialog>

#include <QImage>

namespace Ui {
class CDlgShapeFromImg;
}
class CDlgShapes;
class CMainServices;
class QPushButton;

class CDlgShapeFromImg : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgShapeFromImg(QWidget* parent = nullptr);
    ~CDlgShapeFromImg() override;

    // Before every opening: offsets back to 0, no shapes found yet. Traces
    // nothing.
    void ConfigSettings();
    // Traces the picture and replaces the polygons of this opening.
    void FindContours();

    QImage m_Img;                   // the picture, 8-bit grey
    stFloatPoint m_ShapeOffset;     // x, y in mm
    quint16 m_nThreshold = 50;      // grey level 0..255: at or below is drawing
    quint32 m_nMinVertices = 100;   // an outline needs more points than this
    quint32 m_nMaxVertices = 10000; // and fewer than this
    QString m_strImgBaseName;       // picture file name without its last extension
    double m_fShapeWidth = 100.0;   // Y extent in mm of the picture's height
    double m_fShapeLength = 100.0;  // X extent in mm of the picture's width
    double m_fShapeDepth = -10.0;

private slots:
    void on_Btn_LoadImage_clicked();
    void on_Btn_ImgThreshold_clicked();
    void on_Btn_MinShapeSize_clicked();
    void on_Btn_MaxShapeSize_clicked();
    void on_Btn_ShapeLength_clicked();
    void on_Btn_ShapeWidth_clicked();
    void on_Btn_ShapeOffsetPosX_clicked();
    void on_Btn_ShapeOffsetPosY_clicked();
    void on_Btn_ShapeDepth_clicked();
    void on_Btn_Ok_clicked();
    void on_Btn_Cancel_clicked();

protected:
    // Escape keeps the shapes, as Ok does, under the same work-area rule.
    void reject() override;
    void showEvent(QShowEvent* pEvent) override;

private:
    CDlgShapes* Designer() const;
    void ShowCount(size_t nShapes);

    CNewShapesFit m_Fit; // the outlines against the work area
    Ui::CDlgShapeFromImg* ui;
};
