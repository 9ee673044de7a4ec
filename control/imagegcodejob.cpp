#include "control/imagegcodejob.h"

#include "control/gcodewriter.h"

CImageGCodeJob::CImageGCodeJob(const QString& strPath, const QImage& img, const stImgCarvingInfo& info,
                               const stCutSettings& settings, const QString& strImageFolder)
    : m_strPath(strPath), m_Img(img), m_Info(info), m_Settings(settings), m_strImageFolder(strImageFolder)
{
}

CImageGCodeJob::eOutcome CImageGCodeJob::Run(const Progress& progress)
{
    const CGCodeWriter::RowProgress rows = [&](int iDone, int iRows) {
        return !m_bStop && (!progress || progress(iDone, iRows));
    };
    m_strErr.clear();
    if (CGCodeWriter::WriteImage(m_strPath, m_Img.isNull() ? nullptr : &m_Img, m_Info, m_Settings, m_strImageFolder,
                                 m_strErr, &m_nCarvingRow, rows))
        return WRITTEN;
    // The writer says so when the rows' answer stopped it.
    return m_strErr == CGCodeWriter::STOPPED ? STOPPED : FAILED;
}
