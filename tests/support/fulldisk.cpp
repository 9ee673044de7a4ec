#include "fulldisk.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

QString g_strUnavailable = QStringLiteral("the test program did not set up its own mount namespace");

QString SysError(int iErr)
{
    return QString::fromLocal8Bit(std::strerror(iErr));
}

bool WriteProcFile(const char* path, const QByteArray& text)
{
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, text.constData(), size_t(text.size())) == text.size();
    ::close(fd);
    return ok;
}

// A user namespace in which this user is root, with a mount namespace of its
// own: tmpfs may be mounted there without being root outside.
QString EnterUserNamespace()
{
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
        return QStringLiteral("no user namespace either (") + SysError(errno) + QStringLiteral(")");
    if (!WriteProcFile("/proc/self/setgroups", "deny")
        || !WriteProcFile("/proc/self/uid_map", QByteArray("0 ") + QByteArray::number(uid) + " 1")
        || !WriteProcFile("/proc/self/gid_map", QByteArray("0 ") + QByteArray::number(gid) + " 1"))
        return QStringLiteral("the user namespace's id maps could not be written (") + SysError(errno)
               + QStringLiteral(")");
    return QString();
}

} // namespace

QString CFullDisk::EnterPrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const int iErr = errno;
        const QString strUser = EnterUserNamespace();
        if (!strUser.isEmpty()) {
            g_strUnavailable = QStringLiteral("cannot make a private mount namespace (") + SysError(iErr)
                               + QStringLiteral("; mounting a small file system needs root) and ") + strUser;
            return g_strUnavailable;
        }
    }
    // Nothing mounted from here on may reach the machine's own mount table.
    if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        g_strUnavailable = QStringLiteral("cannot make the mounts private (") + SysError(errno) + QStringLiteral(")");
        return g_strUnavailable;
    }
    g_strUnavailable.clear();
    return g_strUnavailable;
}

QString CFullDisk::Unavailable()
{
    return g_strUnavailable;
}

CFullDisk::CFullDisk()
{
    m_strWhy = g_strUnavailable;
    if (!m_strWhy.isEmpty())
        return;
    if (!m_Dir.isValid()) {
        m_strWhy = QStringLiteral("no temporary folder: ") + m_Dir.errorString();
        return;
    }
    const QByteArray path = QFile::encodeName(m_Dir.path());
    if (::mount("diradi-fulldisk", path.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0700") != 0) {
        m_strWhy = QStringLiteral("cannot mount a tmpfs on ") + m_Dir.path() + QStringLiteral(" (")
                   + SysError(errno) + QStringLiteral(")");
        return;
    }
    m_bMounted = true;
}

CFullDisk::~CFullDisk()
{
    if (m_bMounted)
        ::umount2(QFile::encodeName(m_Dir.path()).constData(), MNT_DETACH);
}

bool CFullDisk::Fill()
{
    if (!m_bMounted)
        return false;
    const QByteArray path = QFile::encodeName(m_Dir.path() + QLatin1Char('/') + FillerName());
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (fd < 0)
        return false;
    static const char zeros[4096] = {};
    while (::write(fd, zeros, sizeof(zeros)) > 0) {
    }
    // The last page may still take a few bytes.
    while (::write(fd, zeros, 1) == 1) {
    }
    const bool bFull = errno == ENOSPC;
    ::close(fd);
    return bFull;
}

void CFullDisk::Empty()
{
    QFile::remove(m_Dir.path() + QLatin1Char('/') + FillerName());
}
