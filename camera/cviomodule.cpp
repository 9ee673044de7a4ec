#include "camera/cviomodule.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

namespace {
using NewFrameSourceFn = IFrameSource* (*)();
using NewVideoWriterFn = IVideoWriter* (*)();
using ReadGreyFn = void (*)(const char*, cv::Mat*);

struct stModule
{
    bool m_bTried = false;
    QString m_strErr;
    NewFrameSourceFn m_pNewFrameSource = nullptr;
    NewVideoWriterFn m_pNewVideoWriter = nullptr;
    ReadGreyFn m_pReadGrey = nullptr;
};

QMutex g_Mutex;
stModule g_Module;

// Beside the program first; then the build folder, where tests and
// benchmarks (in folders of their own) find it.
QStringList Candidates()
{
    QStringList lst;
    if (QCoreApplication::instance())
        lst << QCoreApplication::applicationDirPath() + QLatin1Char('/') + CCvIoModule::FileName();
#ifdef DIRADI_CVIO_DIR
    lst << QStringLiteral(DIRADI_CVIO_DIR) + QLatin1Char('/') + CCvIoModule::FileName();
#endif
    return lst;
}

const stModule& Module()
{
    QMutexLocker lock(&g_Mutex);
    stModule& m = g_Module;
    if (m.m_bTried)
        return m;
    m.m_bTried = true;
    QStringList lstWhy;
    for (const QString& strPath : Candidates()) {
        if (!QFileInfo::exists(strPath))
            continue;
        // Never unloaded: objects made by the module live until exit.
        QLibrary lib(strPath);
        if (!lib.load()) {
            lstWhy << lib.errorString();
            continue;
        }
        m.m_pNewFrameSource = reinterpret_cast<NewFrameSourceFn>(lib.resolve("diradi_cvio_new_frame_source"));
        m.m_pNewVideoWriter = reinterpret_cast<NewVideoWriterFn>(lib.resolve("diradi_cvio_new_video_writer"));
        m.m_pReadGrey = reinterpret_cast<ReadGreyFn>(lib.resolve("diradi_cvio_read_grey"));
        if (m.m_pNewFrameSource && m.m_pNewVideoWriter && m.m_pReadGrey)
            return m;
        m.m_pNewFrameSource = nullptr;
        m.m_pNewVideoWriter = nullptr;
        m.m_pReadGrey = nullptr;
        lstWhy << strPath + QStringLiteral(": not the program's OpenCV module");
    }
    m.m_strErr = QStringLiteral("OpenCV module ") + CCvIoModule::FileName() + QStringLiteral(" not found beside the program") +
                 (lstWhy.isEmpty() ? QString() : QStringLiteral(": ") + lstWhy.join(QStringLiteral("; ")));
    return m;
}
} // namespace

QString CCvIoModule::FileName()
{
    return QStringLiteral("libdiradi_cvio.so");
}

bool CCvIoModule::Load(QString& strErr)
{
    const stModule& m = Module();
    strErr = m.m_strErr;
    return m.m_pNewFrameSource != nullptr;
}

std::unique_ptr<IFrameSource> CCvIoModule::NewFrameSource(QString& strErr)
{
    if (!Load(strErr))
        return nullptr;
    return std::unique_ptr<IFrameSource>(Module().m_pNewFrameSource());
}

std::unique_ptr<IVideoWriter> CCvIoModule::NewVideoWriter(QString& strErr)
{
    if (!Load(strErr))
        return nullptr;
    return std::unique_ptr<IVideoWriter>(Module().m_pNewVideoWriter());
}

cv::Mat CCvIoModule::ReadGreyPicture(const QString& strPath, QString& strErr)
{
    cv::Mat img;
    if (Load(strErr))
        Module().m_pReadGrey(QFile::encodeName(strPath).constData(), &img);
    return img;
}
