#include "hal/pisystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>

CPiSystem& CPiSystem::Real()
{
    static CPiSystem system;
    return system;
}

QString CPiSystem::DeviceTreeFolder() const
{
    return QStringLiteral("/proc/device-tree");
}

volatile quint32* CPiSystem::Map(const char* device, quint64 offset, std::size_t length, int* pError)
{
    const int fd = ::open(device, O_RDWR | O_SYNC | O_CLOEXEC);
    if (fd < 0) {
        *pError = errno;
        return nullptr;
    }
    // The BCM2711's peripherals sit at 0xFE000000 and up: on a 32-bit system
    // that offset does not fit a plain off_t (it would turn negative and the
    // map fail), so the 64-bit offset call is used where the C library has it.
#if defined(__GLIBC__)
    void* p = ::mmap64(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, off64_t(offset));
#else
    static_assert(sizeof(off_t) >= 8, "device offsets above 2 GiB need a 64-bit off_t");
    void* p = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, off_t(offset));
#endif
    const int mapError = errno;
    ::close(fd); // the mapping stays valid without the descriptor
    if (p == MAP_FAILED) {
        *pError = mapError;
        return nullptr;
    }
    *pError = 0;
    return static_cast<volatile quint32*>(p);
}

void CPiSystem::Unmap(volatile quint32* block, std::size_t length)
{
    if (block)
        ::munmap(const_cast<quint32*>(block), length);
}

int CPiSystem::Open(const char* path)
{
    return ::open(path, O_RDWR | O_CLOEXEC);
}

int CPiSystem::Ioctl(int fd, unsigned long request, void* arg)
{
    return ::ioctl(fd, request, arg);
}

void CPiSystem::Close(int fd)
{
    ::close(fd);
}

void CPiSystem::WaitUs(int us)
{
    timespec ts{0, long(us) * 1000};
    while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

QString SystemErrorText(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case ENOENT:
        return QStringLiteral("no such device");
    default:
        return QString::fromLocal8Bit(std::strerror(error)).toLower();
    }
}
