#include "designers/dlgshapefromimg.h"
#include "ui_dlgshapefromimg.h"

#include "camera/cviomodule.h"
#include "core/AppConfig.h"
#include "core/Prompter.h"
#include "designers/dlgshapes.h"
#include "shapes/outlineshapes.h"
#include "shapes/picturefile.h"
#include "shapes/shapeeditrules.h"
#include "widgets/buttontext.h"
#include "widgets/mainservices.h"

#include <QGuiApplication>


CDlgShapeFromImg::CDlgShapeFromImg(QWidget* parent)
    : QDialog(parent), ui(new Ui::CDlgShapeFromImg)
{
    ui->setupUi(this);
}

CDlgShapeFromImg::~CDlgShapeFromImg()
{
    delete ui;
}

CDlgShapes* CDlgShapeFromImg::Designer() const
{
    return qobject_cast<CDlgShapes*>(parentWidget());
}

void CDlgShapeFromImg::ConfigSettings()
{
    m_ShapeOffset.x = 0.0;
    m_ShapeOffset.y = 0.0;
    CButtonText::Set(ui->Btn_ShapeOffsetPosX,
                     CShapeEditRules::ButtonText(m_ShapeOffset.x, 4, QStringLiteral("Offset X")));
    CButtonText::Set(ui->Btn_ShapeOffsetPosY,
                     CShapeEditRules::ButtonText(m_ShapeOffset.y, 4, QStringLiteral("Offset Y")));
    ShowCount(0);
    m_Fit.Reset();
}

void CDlgShapeFromImg::ShowCount(size_t nShapes)
{
    CButtonText::Set(ui->Btn_NoOfShapesFound, QString::number(nShapes) + QStringLiteral("\nShapes Found"));
}

void CDlgShapeFromImg::on_Btn_LoadImage_clicked()
{
    ui->Btn_LoadImage->setStyleSheet(BTN_BKGND_GREEN);
    const QString strPath = CPrompter::Instance().OpenFileName(
        this, QStringLiteral("Select a file to Open..."), AppConfig::m_strLastFolderPath,
        QStringLiteral("jpg files(*.jpg);;jpeg files(*.jpeg);;png files(*.png);;bitmap files(*.bmp)"));
    if (!strPath.isEmpty()) {
        AppConfig::m_strLastFolderPath = strPath.left(strPath.lastIndexOf(QLatin1Char('/')) + 1);
        // A damaged picture (its missing part would be traced as grey) or one
        // too large to trace is refused before it is decoded.
        const CPictureFile::stCheck check = CPictureFile::Check(strPath);
        QString strWhy;
        QImage img;
        if (check.m_eVerdict == CPictureFile::PICTURE_OK)
            img = CCvIoModule::ReadGreyPicture(strPath, strWhy);
        if (img.isNull()) {
            // The picture and the polygons traced from it stay.
            if (CMainServices* pMain = CMainServices::Of(this))
                pMain->AddLogMsg(check.m_eVerdict == CPictureFile::PICTURE_OK
                                     ? QStringLiteral("Cannot read the picture ") + strPath
                                           + (strWhy.isEmpty() ? QString() : QStringLiteral("\n") + strWhy)
                                     : check.Message(strPath),
                                 MSG_ERROR);
        } else {
            m_Img = img;
            const QString strFile = strPath.mid(strPath.lastIndexOf(QLatin1Char('/')) + 1);
            const int iDot = strFile.lastIndexOf(QLatin1Char('.'));
            m_strImgBaseName = iDot < 0 ? strFile : strFile.left(iDot);
            FindContours();
        }
    }
    ui->Btn_LoadImage->setStyleSheet(BTN_BKGND_GRAY);
}

void CDlgShapeFromImg::FindContours()
{
    CDlgShapes* pDesigner = Designer();
    if (!pDesigner || m_Img.isNull())
        return;
    stShapeCuttingInfo& info = pDesigner->m_stShapeCuttingInfo;
    COutlineShapes::RemoveFrom(info, pDesigner->m_nShapesBeforeSubDlg);

    std::vector<Outline> lstOutlines;
    size_t nFound = 0;
    // A large picture takes a while; the GUI waits for it.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString strError;
    const bool bTraced = COutlineShapes::TracePicture(m_Img, m_nThreshold, m_nMinVertices, m_nMaxVertices,
                                                      lstOutlines, &nFound, &strError);
    QGuiApplication::restoreOverrideCursor();
    if (!bTraced) {
        if (CMainServices* pMain = CMainServices::Of(this))
            pMain->AddLogMsg(strError, MSG_ERROR);
    }
    if (!COutlineShapes::RoomFor(info, lstOutlines.size(), &strError)) {
        // The list's indices are 16-bit: none is added rather than some.
        if (CMainServices* pMain = CMainServices::Of(this))
            pMain->AddLogMsg(strError, MSG_ERROR);
        lstOutlines.clear();
    }

    stPixelToMM map;
    map.m_fScaleX = m_fShapeLength / m_Img.width();
    map.m_fScaleY = m_fShapeWidth / m_Img.height();
    map.m_iHeight = m_Img.height();
    map.m_Offset = m_ShapeOffset;
    for (size_t k = 0; k < lstOutlines.size(); ++k)
        info.AddPolygon(COutlineShapes::MakePolygon(lstOutlines[k], map,
                                                    m_strImgBaseName + QStringLiteral("_") + QString::number(k),
                                                    m_fShapeDepth));
    ShowCount(lstOutlines.size());
    m_Fit.Note(this, info, pDesigner->m_nShapesBeforeSubDlg);
    pDesigner->DrawWorkArea();
}

void CDlgShapeFromImg::on_Btn_ImgThreshold_clicked()
{
    m_nThreshold =
        quint16(CDlgShapes::KeypadValue(this, ui->Btn_ImgThreshold, QStringLiteral("Threshold"),
                                        QStringLiteral("Threshold"), m_nThreshold, KeypadRange(0, 255), false, 0));
    FindContours();
}

void CDlgShapeFromImg::on_Btn_MinShapeSize_clicked()
{
    m_nMinVertices = quint32(CDlgShapes::KeypadValue(this, ui->Btn_MinShapeSize, QStringLiteral("Min Shape Size"),
                                                     QStringLiteral("Min Vertices"), m_nMinVertices,
                                                     KeypadRange(1, m_nMaxVertices), false, 0));
    FindContours();
}

void CDlgShapeFromImg::on_Btn_MaxShapeSize_clicked()
{
    m_nMaxVertices = quint32(CDlgShapes::KeypadValue(this, ui->Btn_MaxShapeSize, QStringLiteral("Max Shape Size"),
                                                     QStringLiteral("Max Vertices"), m_nMaxVertices,
                                                     KeypadRange(m_nMinVertices, 1000000000), false, 0));
    FindContours();
}

void CDlgShapeFromImg::on_Btn_ShapeLength_clicked()
{
    // The length is used as shown on the button, fraction and all.
    m_fShapeLength = CDlgShapes::KeypadValue(this, ui->Btn_ShapeLength, QStringLiteral("Shape Length"),
                                             QStringLiteral("Length"), m_fShapeLength,
                                             KeypadRange(AppConfig::m_fAxisMovPerPulse[X_AXIS], 100000000), false, 4);
    FindContours();
}

void CDlgShapeFromImg::on_Btn_ShapeWidth_clicked()
{
    m_fShapeWidth =
        CDlgShapes::KeypadValue(this, ui->Btn_ShapeWidth, QStringLiteral("Shape Width"), QStringLiteral("Width"),
                                m_fShapeWidth, KeypadRange(AppConfig::m_fAxisMovPerPulse[Y_AXIS], 100000000), false, 4);
    FindContours();
}

void CDlgShapeFromImg::on_Btn_ShapeOffsetPosX_clicked()
{
    m_ShapeOffset.x =
        CDlgShapes::KeypadValue(this, ui->Btn_ShapeOffsetPosX, QStringLiteral("Offset X"), QStringLiteral("Offset X"),
                                m_ShapeOffset.x, KeypadRange(0, 1000000000), false, 4);
    FindContours();
}

void CDlgShapeFromImg::on_Btn_ShapeOffsetPosY_clicked()
{
    m_ShapeOffset.y =
        CDlgShapes::KeypadValue(this, ui->Btn_ShapeOffsetPosY, QStringLiteral("Offset Y"), QStringLiteral("Offset Y"),
                                m_ShapeOffset.y, KeypadRange(0, 1000000000), false, 4);
    FindContours();
}

void CDlgShapeFromImg::on_Btn_ShapeDepth_clicked()
{
    const double fDeepest = AppConfig::m_bHomeSensorsUsed ? AppConfig::m_fAxisNegDirLimit[Z_AXIS] : -1000.0;
    m_fShapeDepth =
        CDlgShapes::KeypadValue(this, ui->Btn_ShapeDepth, QStringLiteral("Shape Depth"), QStringLiteral("Depth"),
                                m_fShapeDepth, KeypadRange(fDeepest, -AppConfig::m_fAxisMovPerPulse[Z_AXIS]), true, 4);
    if (CDlgShapes* pDesigner = Designer())
        COutlineShapes::SetDepthFrom(pDesigner->m_stShapeCuttingInfo, pDesigner->m_nShapesBeforeSubDlg,
                                     m_fShapeDepth);
}

void CDlgShapeFromImg::on_Btn_Ok_clicked()
{
    // Outlines past the work area's edges are fitted or refused; refused,
    // the panel stays open for another length, width or offset.
    if (CDlgShapes* pDesigner = Designer()) {
        stAreaFit fit;
        if (!m_Fit.Keep(this, pDesigner->m_stShapeCuttingInfo, pDesigner->m_nShapesBeforeSubDlg, &fit))
            return;
        if (fit.m_bCanFit) {
            // Later traces of the picture come out at the size kept.
            m_fShapeLength *= fit.m_fScale;
            m_fShapeWidth *= fit.m_fScale;
            CButtonText::Set(ui->Btn_ShapeLength, CShapeEditRules::ButtonText(m_fShapeLength, 4, QStringLiteral("Length")));
            CButtonText::Set(ui->Btn_ShapeWidth, CShapeEditRules::ButtonText(m_fShapeWidth, 4, QStringLiteral("Width")));
            pDesigner->DrawWorkArea();
        }
    }
    accept();
}

void CDlgShapeFromImg::reject()
{
    on_Btn_Ok_clicked();
}

void CDlgShapeFromImg::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    // Opened inside the designer, the panel gets no focus of its own: it
    // takes it, so that Escape reaches it and no key goes to a control
    // behind it.
    setFocus(Qt::OtherFocusReason);
}

void CDlgShapeFromImg::on_Btn_Cancel_clicked()
{
    if (CDlgShapes* pDesigner = Designer()) {
        COutlineShapes::RemoveFrom(pDesigner->m_stShapeCuttingInfo, pDesigner->m_nShapesBeforeSubDlg);
        pDesigner->DrawWorkArea();
    }
    QDialog::reject();
}
