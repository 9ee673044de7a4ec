#include "designers/dlgimagecarving.h"
#include "ui_dlgimagecarving.h"

#include "control/AppControl.h"
#include "control/imagegcodejob.h"
#include "control/imgcarving.h"
#include "core/AppConfig.h"
#include "core/LongJobs.h"
#include "core/Prompter.h"
#include "shapes/picturefile.h"
#include "shapes/shapeeditrules.h"
#include "widgets/buttontext.h"
#include "widgets/filenamerule.h"
#include "widgets/mainservices.h"
#include "widgets/embeddedwindow.h"

#include <QImageReader>
#include <QPainter>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

namespace {
const QString LOAD_AN_IMAGE = QStringLiteral("Please load an image");
const QString IMAGE_FILTER =
    QStringLiteral("jpg files(*.jpg);;jpeg files(*.jpeg);;png files(*.png);;bitmap files(*.bmp)");

QString Text(double fValue, int iDecimals, const char* pCaption)
{
    return CShapeEditRules::ButtonText(fValue, iDecimals, QLatin1String(pCaption));
}

// A three-pixel band across the picture at a row.
QRect Band(const QImage& img, int iRow)
{
    return QRect(0, iRow, img.width(), 3);
}
} // namespace

CDlgImageCarving::CDlgImageCarving(QWidget* parent)
    : QDialog(parent), m_View(this), ui(new Ui::CDlgImageCarving)
{
    EmbedInMainWindow(this);
    ui->setupUi(this);
    m_View.setGeometry(10, 12, 500, 363);
    m_View.m_BkGndColor = QColor(50, 50, 50);
    m_View.EnableZoom(true);
    m_View.show();
    CButtonText::Set(ui->Btn_EndMillDia, Text(AppConfig::m_fEndMillDia, 1, "End-Mill"));
    ui->PB_GCodeProgress->hide();
    ui->Btn_CancelGCode->hide();
    // The worker's rows (at most 25 updates a second) and its end arrive
    // queued, on the GUI thread.
    connect(&m_GCodeWatcher, &QFutureWatcher<int>::progressRangeChanged, ui->PB_GCodeProgress,
            &QProgressBar::setRange);
    connect(&m_GCodeWatcher, &QFutureWatcher<int>::progressValueChanged, ui->PB_GCodeProgress,
            &QProgressBar::setValue);
    connect(&m_GCodeWatcher, &QFutureWatcher<int>::finished, this, &CDlgImageCarving::OnGCodeJobFinished);
}

CDlgImageCarving::~CDlgImageCarving()
{
    AbandonGCodeJob();
    m_View.DisplayImage(nullptr);
    delete m_pDisplayImg;
    delete ui;
}

CMainServices* CDlgImageCarving::Services() const
{
    return CMainServices::Of(this);
}

AppControl* CDlgImageCarving::Controller() const
{
    CMainServices* pServices = Services();
    return pServices ? &pServices->GetAppCtrl() : nullptr;
}

stImgCarvingInfo* CDlgImageCarving::Info() const
{
    AppControl* pCtrl = Controller();
    return pCtrl ? pCtrl->m_ImgCarvingData.m_pInfo.get() : nullptr;
}

QImage* CDlgImageCarving::Image() const
{
    AppControl* pCtrl = Controller();
    return pCtrl ? pCtrl->m_ImgCarvingData.m_pImg.get() : nullptr;
}

void CDlgImageCarving::LogMsg(const QString& strMsg, int iType) const
{
    if (CMainServices* pServices = Services())
        pServices->AddLogMsg(strMsg, static_cast<eAppMsgType>(iType));
}

bool CDlgImageCarving::NeedImage(QPushButton* pBtn, const QString& strMsg)
{
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    if (Image() && Info())
        return true;
    LogMsg(strMsg, MSG_ERROR);
    CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
    return false;
}

void CDlgImageCarving::ConfigSettings()
{
    UpdatePlungeFeed();
}

void CDlgImageCarving::UpdatePlungeFeed()
{
    CButtonText::Set(ui->Btn_ZAxisPlungeFeed, Text(AppConfig::m_fPlungeFeed, 4, "Plunge Feed"));
    CButtonText::Set(ui->Btn_EndMillDia, Text(AppConfig::m_fEndMillDia, 1, "End-Mill"));
}

void CDlgImageCarving::ResetUI(bool bEnable)
{
    m_bEnabled = bEnable;
    bEnable = bEnable && !IsWritingGCode();
    for (QPushButton* pBtn : {ui->Btn_LoadImage, ui->Btn_ImgCarvingLength, ui->Btn_ImgCarvingWidth,
                              ui->Btn_ImgCarvingDepth, ui->Btn_ImgCarvingStep_X, ui->Btn_ImgCarvingStep_Y,
                              ui->Btn_ImgCarvingStep_Z, ui->Btn_CarvingTypeSel, ui->Btn_CarvingStrartRow,
                              ui->Btn_GenerateGCode, ui->Btn_MultipassCarving, ui->Btn_EndMillDia})
        pBtn->setEnabled(bEnable);
}

void CDlgImageCarving::ShowLayout(const CCarvingPitch::stLayout& layout)
{
    const double fPitch = layout.m_fPitch;
    stImgCarvingInfo* pInfo = Info();
    pInfo->m_fLength = layout.m_fLength;
    pInfo->m_fWidth = layout.m_fWidth;
    CButtonText::Set(ui->Btn_ImgCarvingUnitsPerPixel, QString::number(fPitch, 'g', 6) + QStringLiteral("\nmm/Pixel"));
    pInfo->m_fXStep = fPitch;
    pInfo->m_fYStep = fPitch;
    CButtonText::Set(ui->Btn_ImgCarvingLength, Text(pInfo->m_fLength, 4, "Length"));
    CButtonText::Set(ui->Btn_ImgCarvingWidth, Text(pInfo->m_fWidth, 4, "Width"));
    CButtonText::Set(ui->Btn_ImgCarvingStep_X, Text(fPitch, 4, "x Step"));
    CButtonText::Set(ui->Btn_ImgCarvingStep_Y, Text(fPitch, 4, "y Step"));
}

QString CDlgImageCarving::UndefinedSize() const
{
    const stImgCarvingInfo* pInfo = Info();
    if (!(pInfo->m_fLength > 0))
        return QStringLiteral("Carving Length is not defined");
    if (!(pInfo->m_fWidth > 0))
        return QStringLiteral("Carving Width is not defined");
    if (!(pInfo->m_fDepth > 0))
        return QStringLiteral("Carving Depth is not defined");
    return QString();
}

// ---- Picture ----------------------------------------------------------------

void CDlgImageCarving::on_Btn_LoadImage_clicked()
{
    QPushButton* pBtn = ui->Btn_LoadImage;
    pBtn->setStyleSheet(BTN_BKGND_GREEN);
    AppControl* pCtrl = Controller();
    if (!pCtrl)
        return;
    if (AppConfig::m_fAxisMovPerPulse[X_AXIS] != AppConfig::m_fAxisMovPerPulse[Y_AXIS]) {
        LogMsg(QStringLiteral("X & Y axis Move/Pulse must be same\nPlease check Machine Settings->Motor"), MSG_ERROR);
        CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
        return;
    }
    const QString strPath = CPrompter::Instance().OpenFileName(this, QStringLiteral("Select a file to Open..."),
                                                               AppConfig::m_strLastFolderPath, IMAGE_FILTER);
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
    if (strPath.isEmpty())
        return;
    AppConfig::m_strLastFolderPath = strPath.left(strPath.lastIndexOf(QLatin1Char('/')) + 1);

    // A file that does not decode, is damaged (its missing part would be
    // carved as grey) or holds a picture too large for the carving grid is
    // refused; the picture loaded before stays.
    const CPictureFile::stCheck check = CPictureFile::Check(strPath);
    if (check.m_eVerdict != CPictureFile::PICTURE_OK) {
        LogMsg(check.Message(strPath), MSG_ERROR);
        return;
    }
    QImageReader reader(strPath);
    const QImage img = reader.read();
    if (img.isNull() || img.width() < 1 || img.height() < 1) {
        LogMsg(QStringLiteral("Unable to read the picture\n") + strPath + QStringLiteral("\n") + reader.errorString(),
               MSG_ERROR);
        return;
    }
    if (img.width() > CImgCarving::MAX_IMAGE_SIDE || img.height() > CImgCarving::MAX_IMAGE_SIDE) {
        LogMsg(QStringLiteral("Picture too large: at most %1 pixels a side\n").arg(CImgCarving::MAX_IMAGE_SIDE) +
                   strPath,
               MSG_ERROR);
        return;
    }
    // Always an 8-bit grey copy: a 16-bit grey picture is grey too, but not
    // one byte a pixel.
    pCtrl->m_ImgCarvingData.SetImage(img);
    QImage* pImg = Image();
    stImgCarvingInfo* pInfo = Info();
    if (pInfo->m_nStartRow >= pImg->height())
        pInfo->m_nStartRow = 0;
    CButtonText::Set(ui->Btn_CarvingStrartRow, QString::number(pInfo->m_nStartRow) + QStringLiteral("\nStart Row"));
    DisplayImage(pImg, false);

    const CCarvingPitch::stLayout layout =
        CCarvingPitch::FromLength(pInfo->m_fLength, pImg->size(), AppConfig::m_fAxisMovPerPulse[X_AXIS]);
    ShowLayout(layout);
}

void CDlgImageCarving::DisplayImage(QImage* pImg, bool bMarkCurRow)
{
    if (!pImg)
        return;
    const quint16 nStartRow = Info() ? Info()->m_nStartRow : 0;
    if (!bMarkCurRow) {
        m_View.DisplayImage(nullptr);
        delete m_pDisplayImg;
        m_pDisplayImg = new QImage(pImg->convertToFormat(QImage::Format_RGB888));
        {
            QPainter painter(m_pDisplayImg);
            painter.fillRect(Band(*m_pDisplayImg, nStartRow), Qt::cyan);
        }
        m_View.DisplayImage(m_pDisplayImg);
        m_RowStrip = m_pDisplayImg->copy(Band(*m_pDisplayImg, nStartRow));
        m_nMarkedRow = nStartRow;
        m_nCurRow = nStartRow;
        return;
    }
    if (!m_pDisplayImg)
        return;
    {
        QPainter painter(m_pDisplayImg);
        painter.drawImage(Band(*m_pDisplayImg, m_nMarkedRow).topLeft(), m_RowStrip);
        m_RowStrip = m_pDisplayImg->copy(Band(*m_pDisplayImg, m_nCurRow));
        painter.fillRect(Band(*m_pDisplayImg, m_nCurRow), Qt::green);
    }
    m_View.DisplayImage(m_pDisplayImg);
    m_nMarkedRow = m_nCurRow;
}

// ---- Parameters ---------------------------------------------------------------

void CDlgImageCarving::AskCarvingSize(bool bLength)
{
    QPushButton* pBtn = bLength ? ui->Btn_ImgCarvingLength : ui->Btn_ImgCarvingWidth;
    if (!NeedImage(pBtn, QStringLiteral("Please load an image!")))
        return;
    const stImgCarvingInfo* pInfo = Info();
    const double fSize =
        bLength ? Services()->OpenKeypad(pBtn, QStringLiteral("Image Carving Length(mm)"), QStringLiteral("Length"),
                                         QString::number(pInfo->m_fLength, 'f', 4), KeypadRange(10, 10000), false, 4)
                : Services()->OpenKeypad(pBtn, QStringLiteral("Image Carving Width(mm)"), QStringLiteral("Width"),
                                         QString::number(pInfo->m_fWidth, 'f', 4), KeypadRange(10, 5000), false, 4);
    const CCarvingPitch::stLayout layout =
        bLength ? CCarvingPitch::FromLength(fSize, Image()->size(), AppConfig::m_fAxisMovPerPulse[X_AXIS])
                : CCarvingPitch::FromWidth(fSize, Image()->size(), AppConfig::m_fAxisMovPerPulse[Y_AXIS]);
    if (layout.m_bAdjusted)
        LogMsg(QStringLiteral("Length and Width adjusted to match\nX & Y Axis Mov/Pulse respectively"), MSG_INFO);
    ShowLayout(layout);
}

void CDlgImageCarving::on_Btn_ImgCarvingLength_clicked()
{
    AskCarvingSize(true);
}

void CDlgImageCarving::on_Btn_ImgCarvingWidth_clicked()
{
    AskCarvingSize(false);
}

void CDlgImageCarving::on_Btn_ImgCarvingDepth_clicked()
{
    QPushButton* pBtn = ui->Btn_ImgCarvingDepth;
    if (!NeedImage(pBtn, QStringLiteral("Please load an image!")))
        return;
    stImgCarvingInfo* pInfo = Info();
    // The keypad shows the depth as the Z value it reaches (negative), in
    // the same range as a shape's depth.
    const double fValue = Services()->OpenKeypad(pBtn, QStringLiteral("Image Carving Depth"), QStringLiteral("Depth"),
                                                 QString::number(-pInfo->m_fDepth, 'f', 4),
                                                 CShapeEditRules::DepthRange(), true, 4);
    pInfo->m_fDepth = -fValue;
}

void CDlgImageCarving::on_Btn_CarvingTypeSel_clicked()
{
    QPushButton* pBtn = ui->Btn_CarvingTypeSel;
    if (!NeedImage(pBtn, LOAD_AN_IMAGE))
        return;
    stImgCarvingInfo* pInfo = Info();
    pInfo->m_iCarvingType = 1 - pInfo->m_iCarvingType;
    // Green marks the 2.5D choice.
    if (pInfo->m_iCarvingType == 1) {
        pBtn->setText(QStringLiteral("2.5D\nCarving"));
        pBtn->setStyleSheet(BTN_BKGND_GREEN);
    } else {
        pBtn->setText(QStringLiteral("3D\nCarving"));
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
    }
}

void CDlgImageCarving::on_Btn_CarvingStrartRow_clicked()
{
    QPushButton* pBtn = ui->Btn_CarvingStrartRow;
    if (!NeedImage(pBtn, LOAD_AN_IMAGE))
        return;
    stImgCarvingInfo* pInfo = Info();
    QImage* pImg = Image();
    // The last row of the picture is the last row a carving can start at.
    const double fRow = Services()->OpenKeypad(pBtn, QStringLiteral("Strat Row"), QStringLiteral("Start Row"),
                                               QString::number(pInfo->m_nStartRow), KeypadRange(0, pImg->height() - 1),
                                               false, 0);
    pInfo->m_nStartRow = static_cast<quint16>(fRow);
    DisplayImage(pImg, false);
}

void CDlgImageCarving::AskPlaneStep(QPushButton* pBtn, double stImgCarvingInfo::*pStep, const QString& strTitle,
                                    const char* pCaption, const QString& strAdjusted, int iAdjustedType)
{
    if (!NeedImage(pBtn, LOAD_AN_IMAGE))
        return;
    stImgCarvingInfo* pInfo = Info();
    double& fStepField = pInfo->*pStep;
    const double fMinPitch = CCarvingPitch::Round4(pInfo->m_fLength / Image()->width());
    const double fStep =
        Services()->OpenKeypad(pBtn, strTitle, QLatin1String(pCaption), QString::number(fStepField, 'f', 4),
                               KeypadRange(fMinPitch, AppConfig::m_fEndMillDia), false, 4);
    bool bAdjusted = false;
    fStepField = CCarvingPitch::LowerToMultiple(fStep, fMinPitch, bAdjusted);
    if (bAdjusted)
        LogMsg(strAdjusted, iAdjustedType);
    CButtonText::Set(pBtn, Text(fStepField, 4, pCaption));
}

void CDlgImageCarving::on_Btn_ImgCarvingStep_X_clicked()
{
    AskPlaneStep(ui->Btn_ImgCarvingStep_X, &stImgCarvingInfo::m_fXStep, QStringLiteral("X Step(mm)"), "x Step",
                 QStringLiteral("X Axis step must be a multiple of Min Step and lesser than End-Mill Dia"), MSG_INFO);
}

void CDlgImageCarving::on_Btn_ImgCarvingStep_Y_clicked()
{
    AskPlaneStep(ui->Btn_ImgCarvingStep_Y, &stImgCarvingInfo::m_fYStep, QStringLiteral("Y Step(mm)"), "y Step",
                 QStringLiteral("Y Axis step must be a multiple of Min Step and lesser than End-Mill Dia"), MSG_ERROR);
}

void CDlgImageCarving::on_Btn_ImgCarvingStep_Z_clicked()
{
    QPushButton* pBtn = ui->Btn_ImgCarvingStep_Z;
    if (!NeedImage(pBtn, LOAD_AN_IMAGE))
        return;
    stImgCarvingInfo* pInfo = Info();
    const double fMotorStep = AppConfig::m_fAxisMovPerPulse[Z_AXIS];
    const double fStep = Services()->OpenKeypad(pBtn, QStringLiteral("Z Step(mm)"), QStringLiteral("z Step"),
                                                QString::number(pInfo->m_fZStep, 'f', 4), KeypadRange(fMotorStep, 1000),
                                                false, 4);
    bool bAdjusted = false;
    pInfo->m_fZStep = CCarvingPitch::RaiseToMultiple(fStep, fMotorStep, bAdjusted);
    if (bAdjusted)
        LogMsg(QStringLiteral("Z Axis step must be \na multiple of Z Axis Mov/Pulse"), MSG_ERROR);
    CButtonText::Set(pBtn, Text(pInfo->m_fZStep, 4, "z Step"));
}

void CDlgImageCarving::on_Btn_ZAxisPlungeFeed_clicked()
{
    if (CMainServices* pServices = Services())
        AppConfig::m_fPlungeFeed = pServices->OpenKeypad(
            ui->Btn_ZAxisPlungeFeed, QStringLiteral("Plunge Feed(mm/sec)"), QStringLiteral("Plunge Feed"),
            QString::number(AppConfig::m_fPlungeFeed, 'f', 4),
            KeypadRange(AppConfig::m_fAxisMovPerPulse[Z_AXIS], AppConfig::m_fUserAxisFeed[Z_AXIS]), false, 4);
}

void CDlgImageCarving::on_Btn_EndMillDia_clicked()
{
    if (CMainServices* pServices = Services())
        AppConfig::m_fEndMillDia =
            pServices->OpenKeypad(ui->Btn_EndMillDia, QStringLiteral("End-Mill"), QStringLiteral("End-Mill"),
                                  QString::number(AppConfig::m_fEndMillDia, 'f', 1), KeypadRange(0.1, 100), false, 1);
}

void CDlgImageCarving::on_Btn_MultipassCarving_clicked()
{
    QPushButton* pBtn = ui->Btn_MultipassCarving;
    AppConfig::m_bMultipassImgCarving = !AppConfig::m_bMultipassImgCarving;
    if (AppConfig::m_bMultipassImgCarving) {
        pBtn->setText(QStringLiteral("Multi-pass\nCarving"));
        pBtn->setStyleSheet(BTN_BKGND_GRAY);
    } else {
        pBtn->setText(QStringLiteral("Single-pass\nCarving"));
        pBtn->setStyleSheet(BTN_BKGND_GREEN);
    }
}

// ---- Jobs ------------------------------------------------------------------

void CDlgImageCarving::on_Btn_GenerateGCode_clicked()
{
    QPushButton* pBtn = ui->Btn_GenerateGCode;
    if (!NeedImage(pBtn, LOAD_AN_IMAGE))
        return;
    const QString strUndefined = UndefinedSize();
    if (!strUndefined.isEmpty()) {
        LogMsg(strUndefined, MSG_ERROR);
        CMainServices::ResetBtnBkGnd(pBtn, BTN_BKGND_GRAY);
        return;
    }
    pBtn->setStyleSheet(BTN_BKGND_BLUE);
    const QString& strFolder = AppConfig::m_strLastFolderPath;
    QString strPath = CPrompter::Instance().SaveFileName(this, QStringLiteral("Select a file to Save..."),
                                                         strFolder.left(strFolder.lastIndexOf(QLatin1Char('/'))),
                                                         QStringLiteral("text files(*.txt);;G-Code files(*.ncc)"));
    const QString strTyped = strPath;
    strPath = CFileNameRule::WithGeneratedGCodeExtension(strPath);
    if (!strTyped.isEmpty() && CFileNameRule::MayReplaceAddedName(this, strTyped, strPath)) {
        // Refused during an operation: the controller says why.
        if (std::unique_ptr<CImageGCodeJob> pJob = Controller()->NewImageGCodeJob(strPath)) {
            StartGCodeJob(std::move(pJob));
            return; // the button stays blue until the file is written
        }
    }
    pBtn->setStyleSheet(BTN_BKGND_GRAY);
}

void CDlgImageCarving::StartGCodeJob(std::unique_ptr<CImageGCodeJob> pJob)
{
    m_pGCodeJob = std::move(pJob);
    // The parameters stay as the job took them until it has ended.
    ResetUI(m_bEnabled);
    ui->PB_GCodeProgress->setRange(0, 0); // busy until the rows are known
    ui->PB_GCodeProgress->show();
    ui->Btn_CancelGCode->setEnabled(true);
    ui->Btn_CancelGCode->show();
    std::shared_ptr<CImageGCodeJob> pShared = m_pGCodeJob;
    m_GCodeWatcher.setFuture(QtConcurrent::run(CLongJobs::Pool(), [pShared](QPromise<int>& promise) {
        int iRange = -1;
        const CImageGCodeJob::eOutcome eOutcome = pShared->Run([&](int iDone, int iRows) {
            if (iRows != iRange) {
                iRange = iRows;
                promise.setProgressRange(0, iRows);
            }
            promise.setProgressValue(iDone);
            return true;
        });
        promise.addResult(int(eOutcome));
    }));
}

void CDlgImageCarving::on_Btn_CancelGCode_clicked()
{
    if (!m_pGCodeJob)
        return;
    m_pGCodeJob->RequestStop();
    ui->Btn_CancelGCode->setEnabled(false);
}

void CDlgImageCarving::AbandonGCodeJob()
{
    if (!m_pGCodeJob)
        return;
    m_pGCodeJob->RequestStop();
    m_GCodeWatcher.waitForFinished();
    // Its end is not reported: the watcher's queued signal finds no job.
    m_pGCodeJob.reset();
}

void CDlgImageCarving::OnGCodeJobFinished()
{
    std::shared_ptr<CImageGCodeJob> pJob = std::move(m_pGCodeJob); // leaves it empty
    if (!pJob)
        return;
    const QFuture<int> future = m_GCodeWatcher.future();
    const int iOutcome = future.resultCount() > 0 ? future.result() : int(CImageGCodeJob::FAILED);
    switch (iOutcome) {
    case CImageGCodeJob::WRITTEN:
        if (AppControl* pCtrl = Controller())
            pCtrl->TakeImageGCodeJob(*pJob);
        LogMsg(QStringLiteral("G-Code File Generated"), MSG_INFO);
        break;
    case CImageGCodeJob::STOPPED:
        LogMsg(pJob->Error(), MSG_INFO);
        break;
    default:
        LogMsg(pJob->Error().isEmpty() ? QStringLiteral("Could not write the G-Code file") : pJob->Error(),
               MSG_ERROR);
        break;
    }
    ui->PB_GCodeProgress->hide();
    ui->Btn_CancelGCode->hide();
    ui->Btn_GenerateGCode->setStyleSheet(BTN_BKGND_GRAY);
    ResetUI(m_bEnabled);
}

bool CDlgImageCarving::StartImgCarving()
{
    CMainServices* pServices = Services();
    AppControl* pCtrl = Controller();
    if (!pServices || pServices->IsEmergencyStopOn())
        return false;
    if (pCtrl->IsBusy()) {
        LogMsg(QStringLiteral("Machine in use"), MSG_ERROR);
        return false;
    }
    // The G-code file being written holds the parameters as they were.
    if (IsWritingGCode()) {
        LogMsg(QStringLiteral("G-Code file still being written. Please wait!"), MSG_ERROR);
        return false;
    }
    if (!pCtrl->GetHomeDone()) {
        LogMsg(QStringLiteral("Homing not done!\nUse \"Move Home\" in user Settings"), MSG_ERROR);
        return false;
    }
    QImage* pImg = Image();
    const QString strRefusal = pImg ? UndefinedSize() : QStringLiteral("No Image loaded");
    if (!strRefusal.isEmpty()) {
        LogMsg(strRefusal, MSG_ERROR);
        return false;
    }
    ResetUI(false);
    // The controller rebuilds its carving grid from the picture for every run.
    if (pImg->height() > 2000)
        LogMsg(QStringLiteral("Large Image, Please Wait!\nCreating tool Paths will take time "), MSG_INFO);
    pServices->ClearToolGraphics();
    DisplayImage(pImg, false);
    pCtrl->StartImgCarving();
    if (pCtrl->m_iRunMode != AppControl::RUN_IMG_CARVING) {
        // Refused by the controller (its reason is in the log): usable again.
        ResetUI(true);
        return false;
    }
    return true;
}
