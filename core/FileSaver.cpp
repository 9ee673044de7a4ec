#include "core/FileSaver.h"

#include <atomic>
#include <cerrno>

#include <unistd.h>

namespace {
qint64 SystemWrite(QSaveFile& file, const char* data, qint64 len)
{
    return file.write(data, len);
}

const CFileSaver::stFileOps g_SystemOps = {SystemWrite, ::fdatasync, ::close};
std::atomic<const CFileSaver::stFileOps*> g_pOps{&g_SystemOps};
} // namespace

const CFileSaver::stFileOps& CFileSaver::SystemFileOps()
{
    return g_SystemOps;
}

void CFileSaver::SetFileOps(const stFileOps* pOps)
{
    g_pOps = pOps ? pOps : &g_SystemOps;
}

CFileSaver::CFileSaver(const QString& path) : m_File(path) {}

CFileSaver::~CFileSaver()
{
    if (!m_bFinished)
        Cancel(QStringLiteral("the save was not finished"));
}

bool CFileSaver::Open()
{
    if (Failed() || m_bFinished)
        return false;
    if (!m_File.open(QIODevice::WriteOnly))
        return Fail(QStringLiteral("the file could not be created"));
    m_Device.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return true;
}

bool CFileSaver::Write(const char* data, qint64 len)
{
    if (Failed() || m_bFinished)
        return false;
    if (!m_File.isOpen())
        return Fail(QStringLiteral("the file is not open"));
    // A write may take only part of the bytes (the disk filled up during
    // it); the next one then fails with the reason.
    const stFileOps& ops = *g_pOps;
    for (qint64 iDone = 0; iDone < len;) {
        const qint64 n = ops.m_pWrite(m_File, data + iDone, len - iDone);
        if (n <= 0)
            return Fail(QStringLiteral("only %1 of %2 bytes were written").arg(iDone).arg(len));
        iDone += n;
        m_iHandedOver += n;
    }
    return true;
}

bool CFileSaver::Commit()
{
    if (Failed() || m_bFinished)
        return false;
    if (!m_File.isOpen())
        return Fail(QStringLiteral("the file is not open"));
    // The buffered bytes go out here: on a full disk this is where it shows.
    if (!m_File.flush())
        return Fail(QStringLiteral("the file could not be written"));
    // Whatever failed on the way without being passed on is remembered here.
    if (m_File.error() != QFileDevice::NoError)
        return Fail(QStringLiteral("the file could not be written"));
    // Bytes a write claimed but never took.
    const qint64 iInFile = m_File.size();
    if (iInFile != m_iHandedOver)
        return Fail(QStringLiteral("the file holds %1 of %2 bytes").arg(iInFile).arg(m_iHandedOver));
    if (!SyncAndCheckClose())
        return false;
    m_Device.close();
    if (!m_File.commit()) {
        // The temporary file is gone; the old file was not touched.
        m_bFinished = true;
        m_strError = m_File.errorString();
        if (m_strError.isEmpty() || m_File.error() == QFileDevice::NoError)
            m_strError = QStringLiteral("the file could not be put in place");
        return false;
    }
    m_bFinished = true;
    return true;
}

bool CFileSaver::SyncAndCheckClose()
{
    const stFileOps& ops = *g_pOps;
    const int fd = m_File.handle();
    // A card that cannot keep the data says so here, not at the write.
    if (ops.m_pDataSync(fd) != 0)
        return Fail(qt_error_string(errno));
    // Some file systems (network shares, FUSE) report lost writes only at
    // close, and they do at every close of the file: closing a duplicate
    // asks them while the save can still be called off.
    const int dupFd = ::dup(fd);
    if (dupFd < 0)
        return Fail(qt_error_string(errno));
    if (ops.m_pClose(dupFd) != 0)
        return Fail(qt_error_string(errno));
    return true;
}

void CFileSaver::Cancel(const QString& strWhy)
{
    if (m_strError.isEmpty())
        m_strError = strWhy.isEmpty() ? QStringLiteral("the save was cancelled") : strWhy;
    if (m_bFinished)
        return;
    m_bFinished = true;
    m_Device.close();
    if (m_File.isOpen()) {
        m_File.cancelWriting();
        // Closes and removes the temporary file now, not at destruction.
        m_File.commit();
    }
}

bool CFileSaver::Fail(const QString& strFallback)
{
    // Taken before the cancel, which replaces it.
    QString strWhy;
    if (m_File.error() != QFileDevice::NoError)
        strWhy = m_File.errorString();
    if (strWhy.isEmpty() || strWhy == QLatin1String("Unknown error"))
        strWhy = strFallback;
    Cancel(strWhy);
    return false;
}

bool CFileSaver::Save(const QString& path, const QByteArray& bytes, QString* pErr)
{
    CFileSaver saver(path);
    if (saver.Open() && saver.Write(bytes) && saver.Commit())
        return true;
    if (pErr)
        *pErr = saver.Error();
    return false;
}
