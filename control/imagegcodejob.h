#pragma once
// The relief-carving G-code file written away from the GUI thread. The job
// takes its own copy of the picture, the carving parameters and the
// settings when it is made (on the GUI thread), so Run may go on any thread
// while the operator works on. It reports the grid rows written (every
// layer's rows counted) and stops when asked: the file is written to a
// temporary file that replaces an older one only once every line is in, so
// a stopped or failed job leaves no file behind and an older file whole.
#include "control/gcodewriter.h"
#include "control/imgcarving.h"
#include "control/movesink.h"

#include <QImage>
#include <QString>
#include <atomic>
#include <functional>

class CImageGCodeJob
{
public:
    enum eOutcome
    {
        WRITTEN,
        STOPPED, // RequestStop, or the progress callback said so
        FAILED   // Error() says why
    };
    // Rows written and rows in all (0 until the first row is known); false stops the job.
    using Progress = CGCodeWriter::RowProgress;

    CImageGCodeJob(const QString& strPath, const QImage& img, const stImgCarvingInfo& info,
                   const stCutSettings& settings, const QString& strImageFolder);
    CImageGCodeJob(const CImageGCodeJob&) = delete;
    CImageGCodeJob& operator=(const CImageGCodeJob&) = delete;

    // Writes the file; any thread, once.
    eOutcome Run(const Progress& progress = Progress());
    // Any thread: the job stops at the next grid row.
    void RequestStop() { m_bStop = true; }

    const QString& Path() const { return m_strPath; }
    const QString& Error() const { return m_strErr; }
    // After the job: the parameters as the write left them (the carving
    // grid, the X and Y steps snapped to whole pixels, the pixel counts) and
    // the last pixel row written.
    stImgCarvingInfo& Info() { return m_Info; }
    quint16 CarvingRow() const { return m_nCarvingRow; }

private:
    QString m_strPath;
    QImage m_Img;
    stImgCarvingInfo m_Info;
    stCutSettings m_Settings;
    QString m_strImageFolder;
    QString m_strErr;
    quint16 m_nCarvingRow = 0;
    std::atomic<bool> m_bStop{false};
};
