#include "settingswindows/dlgvideorecsettings.h"

#include "core/Prompter.h"
#include "core/common.h"
#include "camera/cnccamera.h"
#include "widgets/buttontext.h"
#include "widgets/filenamerule.h"
#include "ui_dlgvideorecsettings.h"

#include <QLabel>

#include <algorithm>
#include <cmath>

CDlgVideoRecSettings::CDlgVideoRecSettings(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::CDlgVideoRecSettings)
{
    ui->setupUi(this);
}

CDlgVideoRecSettings::~CDlgVideoRecSettings()
{
    delete ui;
}

double CDlgVideoRecSettings::ClampFps(double fFps)
{
    if (!std::isfinite(fFps))
        return MIN_FPS;
    return std::clamp(fFps, MIN_FPS, MAX_FPS);
}

void CDlgVideoRecSettings::ShowFps()
{
    CButtonText::Set(ui->Btn_VideoRecFps,
                     QString::number(m_pCncCamera->m_fRecordFps, 'g', 6) + QStringLiteral("\nFrames/Sec"));
}

void CDlgVideoRecSettings::ShowFile()
{
    QLabel* pLabel = ui->Lbl_VideoRecFile;
    const QString& strFile = m_pCncCamera->m_strVideoFile;
    pLabel->setText(strFile);
    pLabel->setToolTip(strFile);
    // A path wider than the box keeps its end, the file name, in view.
    const bool bFits = pLabel->fontMetrics().horizontalAdvance(strFile) <= pLabel->contentsRect().width();
    pLabel->setAlignment(Qt::AlignVCenter | (bFits ? Qt::AlignLeft : Qt::AlignRight));
}

void CDlgVideoRecSettings::ConfigSettings()
{
    if (!m_pCncCamera)
        return;
    ShowFile();
    ShowFps();
}

void CDlgVideoRecSettings::on_Btn_BrowseVideoRecFile_clicked()
{
    if (!m_pCncCamera)
        return;
    const QString strPath = CPrompter::Instance().SaveFileName(this, QStringLiteral("Select file name"),
                                                               m_pCncCamera->m_strVideoFile,
                                                               QStringLiteral("Avi Files(*.avi)"));
    if (strPath.isEmpty())
        return;
    // The recording replaces the file without asking again; the file dialog
    // asked only about the name as typed.
    const QString strFile = CFileNameRule::WithDefaultExtension(strPath, QStringLiteral(".avi"));
    if (!CFileNameRule::MayReplaceAddedName(this, strPath, strFile))
        return;
    m_pCncCamera->m_strVideoFile = strFile;
    ShowFile();
}

void CDlgVideoRecSettings::on_Btn_VideoRecFps_clicked()
{
    if (!m_pCncCamera)
        return;
    ui->Btn_VideoRecFps->setStyleSheet(BTN_BKGND_BLUE);
    QString strEntry = QString::number(m_pCncCamera->m_fRecordFps, 'g', 6);
    if (CPrompter::Instance().Keypad(nullptr, QStringLiteral("Video Frames/sec"), strEntry, false, false)) {
        bool bOk = false;
        const double fFps = strEntry.trimmed().toDouble(&bOk);
        // A text that is not a number keeps the rate as it was.
        if (bOk)
            m_pCncCamera->m_fRecordFps = ClampFps(fFps);
    }
    ShowFps();
    ui->Btn_VideoRecFps->setStyleSheet(BTN_BKGND_GRAY);
}

void CDlgVideoRecSettings::on_Btn_Cancel_clicked()
{
    reject();
}

void CDlgVideoRecSettings::reject()
{
    m_bRecordOk = false;
    QDialog::reject();
}

void CDlgVideoRecSettings::on_Btn_Ok_clicked()
{
    if (!m_pCncCamera || m_pCncCamera->m_strVideoFile.trimmed().isEmpty()) {
        CPrompter::Instance().Warning(this, QStringLiteral("Video Record Settings"),
                                      QStringLiteral("Please choose the video file first (Browse)."));
        return;
    }
    m_bRecordOk = true;
    accept();
}
