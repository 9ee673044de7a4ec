#include "fakecamera.h"

#include <QMutexLocker>

#include <stdexcept>

bool CFakeFrameSource::Open()
{
    ++m_iOpens;
    if (m_bOpenFails)
        return false;
    m_bOpen = true;
    return true;
}

bool CFakeFrameSource::Read(QImage& frame)
{
    const int n = m_iReads;
    if (m_iLoseAfter >= 0 && n >= m_iLoseAfter) {
        if (m_bLossThrows)
            throw std::runtime_error("device gone");
        return false;
    }
    frame = QImage(WIDTH, HEIGHT, QImage::Format_RGB888);
    frame.fill(QColor(200, 0, n % 256));
    ++m_iReads;
    return true;
}

void CFakeFrameSource::Release()
{
    m_bOpen = false;
    ++m_iReleases;
}

double CFakeFrameSource::Property(eProperty eProp)
{
    switch (eProp) {
    case PROP_FRAME_WIDTH: return WIDTH;
    case PROP_FRAME_HEIGHT: return HEIGHT;
    case PROP_FOURCC: return FOURCC;
    }
    return 0.0;
}

bool CFakeVideoWriter::Open(const QString& strFile, int iFourcc, double fFps, QSize size, bool bColour)
{
    QMutexLocker lock(&m_Mutex);
    m_strFile = strFile;
    m_iFourcc = iFourcc;
    m_fFps = fFps;
    m_Size = size;
    m_bColour = bColour;
    m_lstFrames.clear();
    m_bOpen = !m_bOpenFails;
    return m_bOpen;
}

void CFakeVideoWriter::Write(const QImage& frame)
{
    QMutexLocker lock(&m_Mutex);
    if (m_bOpen)
        m_lstFrames << qBlue(frame.pixel(0, 0));
}

void CFakeVideoWriter::Release()
{
    m_bOpen = false;
    ++m_iReleases;
}

QList<int> CFakeVideoWriter::Frames() const
{
    QMutexLocker lock(&m_Mutex);
    return m_lstFrames;
}
