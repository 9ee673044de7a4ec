// AppControl: the jobs (shape cutting and image carving) and the G-code
// files written for them.
#include "control/AppControl.h"

#include "control/gcodewriter.h"
#include "control/imagegcodejob.h"
#include "control/machinesink.h"
#include "control/shapecutting.h"
#include "core/AppConfig.h"
#include "core/UnitConverter.h"

// ===========================================================================
// Image carving and shapes
// ===========================================================================

bool AppControl::RunImgCarvingJob()
{
    stImgCarvingInfo& info = *m_ImgCarvingData.m_pInfo;
    const bool bMultipass = AppConfig::m_bMultipassImgCarving;
    // Passes that step down by nothing would never reach the depth.
    if (bMultipass && CUnitConverter::GetLong(info.m_fZStep) <= 0) {
        AddErrMsg(QStringLiteral("Carving Z Step must be greater than zero"));
        return false;
    }
    return CImgCarving::RunLayers(info, bMultipass, [this]() { return ImgCarving(); });
}


bool AppControl::CutShapes()
{
    if (!m_pShapeCuttingInfo) {
        AddErrMsg(QStringLiteral("No shapes are added"));
        return false;
    }
    CMachineMoveSink sink(*this);
    QString strErr;
    const bool bDone = CShapeCutting::Cut(*m_pShapeCuttingInfo, stCutSettings::FromConfig(), sink, false, strErr);
    if (!strErr.isEmpty())
        AddErrMsg(strErr);
    return bDone;
}

bool AppControl::ImgCarving()
{
    CMachineMoveSink sink(*this);
    QString strErr;
    const bool bDone = CImgCarving::Carve(m_ImgCarvingData.m_pImg.get(), *m_ImgCarvingData.m_pInfo,
                                          stCutSettings::FromConfig(), sink, strErr);
    if (!strErr.isEmpty())
        AddErrMsg(strErr);
    return bDone;
}

bool AppControl::WriteJobFile(const std::function<bool(QString&)>& write)
{
    // The writers rebuild the shared carving grid and read the shape list:
    // never while an operation uses them.
    if (IsOperationRunning()) {
        AddErrMsg(QStringLiteral("Machine in use"));
        return false;
    }
    QString strErr;
    if (write(strErr))
        return true;
    AddErrMsg(strErr);
    return false;
}

bool AppControl::CreateGCodeFromImage(QString strPath)
{
    return WriteJobFile([&](QString& strErr) {
        quint16 nRow = m_nCarvingRow;
        const bool bOk = CGCodeWriter::WriteImage(strPath, m_ImgCarvingData.m_pImg.get(), *m_ImgCarvingData.m_pInfo,
                                                  stCutSettings::FromConfig(), AppConfig::m_strLastFolderPath, strErr,
                                                  &nRow);
        m_nCarvingRow = nRow;
        return bOk;
    });
}

std::unique_ptr<CImageGCodeJob> AppControl::NewImageGCodeJob(const QString& strPath)
{
    if (IsOperationRunning()) {
        AddErrMsg(QStringLiteral("Machine in use"));
        return nullptr;
    }
    stImgCarvingInfo& info = *m_ImgCarvingData.m_pInfo;
    // Every write builds the grid anew; the job's copy need not carry it.
    std::vector<std::vector<double>>().swap(info.m_ppZGrid);
    const QImage img = m_ImgCarvingData.m_pImg ? *m_ImgCarvingData.m_pImg : QImage();
    return std::make_unique<CImageGCodeJob>(strPath, img, info, stCutSettings::FromConfig(),
                                            AppConfig::m_strLastFolderPath);
}

void AppControl::TakeImageGCodeJob(CImageGCodeJob& job)
{
    if (IsOperationRunning())
        return;
    *m_ImgCarvingData.m_pInfo = std::move(job.Info());
    m_nCarvingRow = job.CarvingRow();
}

bool AppControl::WriteImageToGCodeFile(QString strPath)
{
    return WriteJobFile([&](QString& strErr) {
        quint16 nRow = m_nCarvingRow;
        const bool bOk = CGCodeWriter::AppendImageBody(strPath, m_ImgCarvingData.m_pImg.get(),
                                                       *m_ImgCarvingData.m_pInfo, stCutSettings::FromConfig(), strErr,
                                                       &nRow);
        m_nCarvingRow = nRow;
        return bOk;
    });
}

bool AppControl::CreateGCodeFromShapes(QString strPath)
{
    return WriteJobFile([&](QString& strErr) {
        if (!m_pShapeCuttingInfo || m_pShapeCuttingInfo->m_lstShapes.empty()) {
            strErr = QStringLiteral("No Shapes Added");
            return false;
        }
        return CGCodeWriter::WriteShapes(strPath, *m_pShapeCuttingInfo, stCutSettings::FromConfig(), strErr);
    });
}
