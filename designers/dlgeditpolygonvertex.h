#pragma once
// The small window in which the operator types the X and Y of one polygon
// vertex. It only holds the point: the caller writes m_Vertex before exec()
// and reads it and m_bOk afterwards.
#include "core/common.h"

#include <QDialog>

namespace Ui {
class CDlgEditPolygonVertex;
}
class QPushButton;

class CDlgEditPolygonVertex : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgEditPolygonVertex(QWidget* parent = nullptr);
    ~CDlgEditPolygonVertex() override;

    // The window's font and m_Vertex on the two value buttons.
    void ConfigSettings();

    stFloatPoint m_Vertex;
    bool m_bOk = false;

private slots:
    void on_Btn_PolygonVertexX_clicked();
    void on_Btn_PolygonVertexY_clicked();
    void on_Btn_Ok_clicked();
    void on_Btn_Cancel_clicked();

private:
    // Keypad on a value button: the coordinate typed, or the one shown when
    // the keypad is cancelled or the entry is not a number.
    double AskCoordinate(QPushButton* pBtn, const QString& strTitle);

    Ui::CDlgEditPolygonVertex* ui;
};
