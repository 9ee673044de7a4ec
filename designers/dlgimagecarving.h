#pragma once
// The relief-carving window: loads a picture as grey levels, lays it on the
// machine (length, width, depth, X/Y/Z steps, carving type, start row, plunge
// feed, end mill, passes), writes the carving as G-code and hands the job to
// the controller. During a carving it shows the picture with a cyan band on
// the start row and a green band on the row being carved.
//
// The picture and the parameters are the controller's (m_ImgCarvingData);
// the window edits them in place.
#include "shapes/carvingpitch.h"
#include "widgets/MyView.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>
#include <memory>

namespace Ui {
class CDlgImageCarving;
}
class AppControl;
class CImageGCodeJob;
class CMainServices;
class QPushButton;
struct stImgCarvingInfo;

class CDlgImageCarving : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgImageCarving(QWidget* parent = nullptr);
    ~CDlgImageCarving() override;

    void ConfigSettings();
    void UpdatePlungeFeed();
    // bMarkCurRow false: a fresh display copy of pImg with the start row
    // marked; true: the green band moved to m_nCurRow.
    void DisplayImage(QImage* pImg, bool bMarkCurRow);
    // Checks and hands the carving to the controller; true when it started.
    bool StartImgCarving();
    // Enables or disables the parameter buttons (they stay disabled while
    // a G-code file is being written).
    void ResetUI(bool bEnable);
    // A G-code file is being written on a worker thread.
    bool IsWritingGCode() const { return m_pGCodeJob != nullptr; }
    // Shutdown: a file still being written is abandoned (no file is left,
    // an older one stays whole) and its worker waited for; it stops at its
    // next grid row. Nothing is logged.
    void AbandonGCodeJob();

    QImage* m_pDisplayImg = nullptr; // colour copy shown, with the row bands
    QImage m_RowStrip;               // what lies under the moving band
    CMyView m_View;
    quint16 m_nMarkedRow = 0;        // row of the moving band
    quint16 m_nCurRow = 0;           // row being carved (set by the main window)

private slots:
    void on_Btn_LoadImage_clicked();
    void on_Btn_ImgCarvingLength_clicked();
    void on_Btn_ImgCarvingWidth_clicked();
    void on_Btn_ImgCarvingDepth_clicked();
    void on_Btn_CarvingTypeSel_clicked();
    void on_Btn_CarvingStrartRow_clicked();
    void on_Btn_ImgCarvingStep_X_clicked();
    void on_Btn_ImgCarvingStep_Y_clicked();
    void on_Btn_ImgCarvingStep_Z_clicked();
    void on_Btn_ZAxisPlungeFeed_clicked();
    void on_Btn_EndMillDia_clicked();
    void on_Btn_MultipassCarving_clicked();
    void on_Btn_GenerateGCode_clicked();
    void on_Btn_CancelGCode_clicked();

private:
    // The G-code file is written on a worker: the window shows its rows in
    // the progress bar and takes the outcome back here, on the GUI thread.
    void StartGCodeJob(std::unique_ptr<CImageGCodeJob> pJob);
    void OnGCodeJobFinished();

    CMainServices* Services() const;
    AppControl* Controller() const;
    stImgCarvingInfo* Info() const;
    QImage* Image() const;
    // Flashes the button; without a picture logs strMsg and gives false.
    bool NeedImage(QPushButton* pBtn, const QString& strMsg);
    void LogMsg(const QString& strMsg, int iType) const;
    // Takes the length, width and pitch of a new layout into the job and
    // shows them with both steps.
    void ShowLayout(const CCarvingPitch::stLayout& layout);
    // The length (bLength) or width keypad: the pitch becomes a whole number
    // of motor steps and the other size follows the picture.
    void AskCarvingSize(bool bLength);
    // The X or Y step keypad: from one pixel's pitch up to the end mill,
    // lowered to a whole number of pixels (strAdjusted logged when it was).
    void AskPlaneStep(QPushButton* pBtn, double stImgCarvingInfo::*pStep, const QString& strTitle, const char* pCaption,
                      const QString& strAdjusted, int iAdjustedType);
    // The first undefined size as its message, or "".
    QString UndefinedSize() const;

    Ui::CDlgImageCarving* ui;
    std::shared_ptr<CImageGCodeJob> m_pGCodeJob; // the file being written, shared with the worker
    QFutureWatcher<int> m_GCodeWatcher;
    bool m_bEnabled = true; // what the last ResetUI asked for
};
