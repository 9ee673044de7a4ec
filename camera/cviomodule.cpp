#include "camera/cviomodule.h"

#include "camera/cvio/cvioentry.h"
#include "core/ModuleLibrary.h"

namespace {
const stCvIoApi* Api(QString& strErr)
{
    return CModuleLibrary::Table<stCvIoApi>(CCvIoModule::FileName(), "diradi_cvio_api", strErr);
}
} // namespace

QString CCvIoModule::FileName()
{
    return QStringLiteral("libdiradi_cvio.so");
}

std::unique_ptr<IFrameSource> CCvIoModule::NewFrameSource(QString& strErr)
{
    const stCvIoApi* pApi = Api(strErr);
    return pApi ? std::unique_ptr<IFrameSource>(pApi->m_pNewFrameSource()) : nullptr;
}

std::unique_ptr<IVideoWriter> CCvIoModule::NewVideoWriter(QString& strErr)
{
    const stCvIoApi* pApi = Api(strErr);
    return pApi ? std::unique_ptr<IVideoWriter>(pApi->m_pNewVideoWriter()) : nullptr;
}

QImage CCvIoModule::ReadGreyPicture(const QString& strPath, QString& strErr)
{
    const stCvIoApi* pApi = Api(strErr);
    return pApi ? pApi->m_pReadGrey(strPath) : QImage();
}
