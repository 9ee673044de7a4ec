#include "gcode/gcodeexecstatus.h"

#include "core/AppPaths.h"
#include "core/FileSaver.h"

#include <QDataStream>
#include <QFile>

namespace {
// The version the window reads with; for a QString and a 32-bit int every
// version gives the same bytes.
constexpr QDataStream::Version STATUS_STREAM_VERSION = QDataStream::Qt_4_0; // version 7
// No program path is anywhere near this long; a longer length field is nonsense.
constexpr qint64 MAX_STATUS_FILE_SIZE = 1 << 20;
}

QByteArray CGCodeExecStatus::Encode(const QString& strPath, int iLine)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(STATUS_STREAM_VERSION);
    out << strPath << qint32(iLine);
    return bytes;
}

bool CGCodeExecStatus::Decode(const QByteArray& bytes, QString& strPath, int& iLine)
{
    QDataStream in(bytes);
    in.setVersion(STATUS_STREAM_VERSION);
    QString path;
    qint32 line = 0;
    in >> path >> line;
    if (in.status() != QDataStream::Ok || !in.atEnd() || path.isEmpty() || line < 0)
        return false;
    strPath = path;
    iLine = line;
    return true;
}

bool CGCodeExecStatus::Write(const QString& strPath, int iLine, QString* pErr)
{
    return WriteTo(CAppPaths::GCodeExecStatusFile(), strPath, iLine, pErr);
}

bool CGCodeExecStatus::WriteTo(const QString& strFile, const QString& strPath, int iLine, QString* pErr)
{
    return CFileSaver::Save(strFile, Encode(strPath, iLine), pErr);
}

CGCodeExecStatus::eReadResult CGCodeExecStatus::Read(QString& strPath, int& iLine)
{
    QFile file(CAppPaths::GCodeExecStatusFile());
    if (!file.exists())
        return STATUS_NONE;
    if (!file.open(QIODevice::ReadOnly))
        return STATUS_UNREADABLE;
    if (file.size() > MAX_STATUS_FILE_SIZE)
        return STATUS_NONE;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return STATUS_UNREADABLE;
    return Decode(bytes, strPath, iLine) ? STATUS_OK : STATUS_NONE;
}

bool CGCodeExecStatus::Exists()
{
    return QFile::exists(CAppPaths::GCodeExecStatusFile());
}
