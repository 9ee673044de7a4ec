#pragma once
// The shape-cutting designer, embedded in the main window for the program's
// whole life. It shows the work area with every shape, keeps the shape list
// in step with its list widget, opens the editors that create or change
// shapes, edits the cutting parameters, saves and loads work areas, and hands
// the shape list to the controller for cutting or for a G-code file.
//
// Editors run modally as panels over the right-hand side of the window. An
// editor appends or edits records directly in m_stShapeCuttingInfo; entries
// from m_nShapesBeforeSubDlg on belong to the open editor.
#include "core/common.h"
#include "shapes/shaperecords.h"
#include "shapes/workareamap.h"

#include <QDialog>
#include <QRect>

#include <functional>

namespace Ui {
class CDlgShapes;
}
class CDlgEllipse;
class CDlgEditPolygon;
class CDlgShapeFromImg;
class CMainServices;
class CMyView;
class QImage;
class QPainter;
class QPushButton;

class CDlgShapes : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgShapes(QWidget* parent = nullptr);
    ~CDlgShapes() override;

    // Once at start-up, after the settings file has been loaded.
    void ConfigSettings();
    // Plunge feed and end-mill diameter on their buttons.
    void UpdatePlungeFeed();
    // Enables or disables every command that changes the list or the job.
    void ResetUI(bool bEnable);
    // Start on the main window: true when a cut was started (or a running
    // shape cut was paused or resumed).
    bool StartShapeCutting();

    // Work-area size, scale and rectangle from the settings and the buttons,
    // then a redraw. Must run on the GUI thread.
    void UpdateWorkArea();
    // Repaints the work-area picture and shows it; while the designer is
    // hidden the picture is only marked stale and painted when it shows.
    void DrawWorkArea();
    // The ellipse tool path of the entry at index (an ellipse), from its
    // parameters and the end-mill diameter; does not redraw.
    void CreateEllipsePoints(unsigned short index);

    // ---- What the editors use ----
    bool m_bShapeEditing = false;         // an editor is open: Start is refused
    unsigned short m_nShapesBeforeSubDlg = 0;
    short m_nMargin = 25;
    double m_dScale = 1.0;
    QRect m_WorkAreaRect;
    unsigned short m_nSelShape = 0;
    bool m_bPolygonEditing = false;
    bool m_bFreeDrawing = false;
    QRect m_ViewRect;
    bool m_bDispGraphics = false;
    stFloatPoint m_MousePosMM;
    unsigned int m_uiSelVertex = 0;
    stShapeCuttingInfo m_stShapeCuttingInfo;
    QImage* m_pRefGuideImg = nullptr;     // owned; drawn under the shapes while drawing

    QImage* WorkAreaImage() const { return m_pWorkAreaImg; }
    CMyView* View() const { return m_pView; }
    CDlgEllipse* EllipseEditor() const { return m_pDlgEllipse; }
    CDlgEditPolygon* PolygonEditor() const { return m_pDlgEditPolygon; }
    CDlgShapeFromImg* ShapeFromImgEditor() const { return m_pDlgShapeFromImg; }
    // Work-area drawing geometry (scale, rectangle, pixel mapping).
    const CWorkAreaMap& Map() const { return m_Map; }
    // The entry at index as an ellipse or a polygon record, or null.
    stEllipse* EllipseAt(int index) const;
    stPolygon* PolygonAt(int index) const;
    // Removes entries from the end until the list is nCount long.
    void TruncateShapes(size_t nCount);

    // Runs an editor panel modally with the common frame: the list length is
    // recorded and fnConfig called (the panel's ConfigSettings), the editing
    // flag set and the list controls disabled while it runs, then every
    // entry it added is listed, the last one selected and its depth shown,
    // and the work area redrawn. The ellipse and image-contour editors hook
    // in here; the text editor through RunKeyboardEditor, which also hands
    // the keyboard to the panel while it runs.
    // False (with the reason in the log) when the list cannot take one more
    // shape.
    bool RoomForNewShape();
    void RunEditor(QDialog* pPanel, const std::function<void()>& fnConfig);
    void RunKeyboardEditor(QDialog* pPanel, const std::function<void()>& fnConfig);
    // A value button's keypad, for this window and its editors: the button
    // shows the value being asked, the keypad checks the range (x minimum,
    // y maximum) and the button then shows the value with its unit.
    double AskValue(QPushButton* pBtn, const QString& strTitle, const QString& strUnit, double fCurrent,
                    stFloatPoint range, bool bMinus, unsigned short nDecimals);
    // The main window's keypad on a value button of pFrom (the button's look
    // left alone); fCurrent when no main window is found.
    static double KeypadValue(const QWidget* pFrom, QPushButton* pBtn, const QString& strTitle,
                              const QString& strUnit, double fCurrent, stFloatPoint range, bool bMinus,
                              unsigned short nDecimals = 4);
    // The reference picture of the drawing editors: dropped (true when there
    // was one), or chosen by the operator and loaded (true when a file was
    // chosen; a file that does not decode gives an empty, invisible picture).
    bool DropRefGuideImg();
    bool LoadRefGuideImg();
    // Puts the last entries (from m_nShapesBeforeSubDlg on) into the list
    // widget, selects the last one and shows its depth.
    void ListNewShapes();

public slots:
    void OnMouseMove();

protected:
    void mousePressEvent(QMouseEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;
    // The window lives in the main window for the program's whole life:
    // Escape does not close it.
    void reject() override;

private slots:
    void on_Btn_AddEllipse_clicked();
    void on_Btn_DrawContour_clicked();
    void on_Btn_ShapeFromImg_clicked();
    void on_Btn_ShapeFromTxt_clicked();
    void on_Btn_DispGraphics_clicked();
    void on_Lw_Shapes_clicked(const QModelIndex& index);
    void on_Lw_Shapes_doubleClicked(const QModelIndex& index);
    void on_Btn_MoveShapeUp_clicked();
    void on_Btn_MoveShapeDown_clicked();
    void on_Btn_DelShape_clicked();
    void on_Btn_DelAllShapes_clicked();
    void on_Btn_ShapeDepth_clicked();
    void on_Btn_AxisStep_Z_clicked();
    void on_Btn_ZAxisPlungeFeed_clicked();
    void on_Btn_EndMillDia_clicked();
    void on_Btn_WorkAreaLength_clicked();
    void on_Btn_WorkAreaWidth_clicked();
    void on_Btn_SaveWorkArea_clicked();
    void on_Btn_LoadWorkArea_clicked();

public slots:
    void on_Btn_GenerateGCode_clicked();

private:
    CMainServices* Services() const;
    // Enables or disables the commands that change the list (while an
    // editor or a cut holds indices into it).
    void EnableListCommands(bool bEnable);
    void ShowDepth(int row);
    // Blue now, grey again 150 ms later.
    void Flash(QPushButton* pBtn);
    // Marks an editor open or closed: the editing flag and the list commands.
    void BeginEditing();
    void EndEditing();
    // Double click on an ellipse or a polygon row.
    void EditEllipse(int row);
    void EditPolygon(int row);
    // One side of the work-area size from its keypad button.
    void AskWorkAreaSize(bool bLength);
    void DrawShapes(QPainter& painter);
    // Recomputes every ellipse's tool path when the end mill changed since
    // they were made (here or in another window); true when it did.
    bool RefreshToolPaths();

    Ui::CDlgShapes* ui;
    CMyView* m_pView = nullptr;           // child of this window
    QImage* m_pWorkAreaImg = nullptr;
    bool m_bWorkAreaStale = false;        // to be painted when the designer shows
    CWorkAreaMap m_Map;
    CDlgEllipse* m_pDlgEllipse = nullptr;         // hidden panels, children of this window
    CDlgEditPolygon* m_pDlgEditPolygon = nullptr;
    // Keeps its picture and parameters from one opening to the next.
    CDlgShapeFromImg* m_pDlgShapeFromImg = nullptr;
    bool m_bListLocked = false;           // list commands off while an editor runs or a cut runs
    bool m_bEnabled = true;               // ResetUI state
    double m_fPathsEndMillDia = 0.0;      // end mill the ellipse paths were made for
};
