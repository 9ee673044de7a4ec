#pragma once
// Asked each time the operator starts a camera recording: the video file and
// the frame rate (16 to 25), written straight into the camera, and whether
// to record. OK without a file is refused with a message; Cancel, Escape and
// a close by the window frame all mean "do not record".
#include <QDialog>

namespace Ui {
class CDlgVideoRecSettings;
}
class CCncCamera;

class CDlgVideoRecSettings : public QDialog
{
    Q_OBJECT

public:
    explicit CDlgVideoRecSettings(QWidget* parent = nullptr);
    ~CDlgVideoRecSettings() override;

    // Shows the camera's file and frame rate (m_pCncCamera set first).
    void ConfigSettings();

    // The frame rate a keypad entry stands for, held within 16 to 25.
    static double ClampFps(double fFps);
    static constexpr double MIN_FPS = 16.0;
    static constexpr double MAX_FPS = 25.0;

    CCncCamera* m_pCncCamera = nullptr;
    // Recording should start: set by OK, cleared by Cancel and any other
    // close.
    bool m_bRecordOk = false;

public slots:
    void reject() override;

private slots:
    void on_Btn_BrowseVideoRecFile_clicked();
    void on_Btn_VideoRecFps_clicked();
    void on_Btn_Cancel_clicked();
    void on_Btn_Ok_clicked();

private:
    // The camera's file in Lbl_VideoRecFile; the whole path in its tool tip.
    void ShowFile();
    void ShowFps();

    Ui::CDlgVideoRecSettings* ui;
};
