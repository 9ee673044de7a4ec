#pragma once
// A camera and a video file for tests, installed into a CCncCamera:
//
//   CCncCamera cam;
//   auto* pSource = new CFakeFrameSource;   // owned by the camera
//   auto* pWriter = new CFakeVideoWriter;
//   cam.SetFrameSource(std::unique_ptr<IFrameSource>(pSource));
//   cam.SetVideoWriter(std::unique_ptr<IVideoWriter>(pWriter));
//
// The source delivers 64 x 48 RGB frames numbered from 0: frame n has the
// blue value n % 256 and the red value 200 everywhere.
// It can refuse to open, or be lost after a number of frames (Read returns
// false, or throws).
#include "camera/iframesource.h"
#include "camera/ivideowriter.h"

#include <QList>
#include <QMutex>

#include <atomic>

class CFakeFrameSource : public IFrameSource
{
public:
    bool Open() override;
    bool Read(QImage& frame) override;
    void Release() override;
    double Property(eProperty eProp) override;

    static constexpr int WIDTH = 64;
    static constexpr int HEIGHT = 48;
    static constexpr int FOURCC = 0x47504A4D; // "MJPG"

    std::atomic<bool> m_bOpenFails{false};
    // Lost once this many frames were read (-1: never); by an exception when
    // m_bLossThrows, else by a failed read.
    std::atomic<int> m_iLoseAfter{-1};
    std::atomic<bool> m_bLossThrows{false};
    std::atomic<int> m_iReads{0};
    std::atomic<int> m_iOpens{0};
    std::atomic<bool> m_bOpen{false};
    std::atomic<int> m_iReleases{0};
};

class CFakeVideoWriter : public IVideoWriter
{
public:
    bool Open(const QString& strFile, int iFourcc, double fFps, QSize size, bool bColour) override;
    void Write(const QImage& frame) override;
    void Release() override;

    std::atomic<bool> m_bOpenFails{false};
    std::atomic<bool> m_bOpen{false};
    std::atomic<int> m_iReleases{0};

    // What the last Open asked for and the frames written since (the blue
    // value of each), read under m_Mutex.
    mutable QMutex m_Mutex;
    QString m_strFile;
    int m_iFourcc = 0;
    double m_fFps = 0.0;
    QSize m_Size;
    bool m_bColour = false;
    QList<int> m_lstFrames;

    QList<int> Frames() const;
};
