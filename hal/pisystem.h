#pragma once
#include <QString>
#include <QtGlobal>
#include <cstddef>

// What the Raspberry Pi pin backend asks of the Linux kernel: the device
// tree that names the board, register blocks mapped from /dev/gpiomem and
// /dev/mem, the spidev device files with their ioctls, and short waits
// between register steps.
//
// This class is the real thing; tests derive from it to hand the backend an
// ordinary memory block, a temporary device-tree folder and a recorder for
// the SPI traffic. None of it is used per pulse: the backend keeps the
// mapped blocks and stores into them directly.
class CPiSystem
{
public:
    virtual ~CPiSystem() = default;

    // The one real system.
    static CPiSystem& Real();

    // Folder holding the device tree ("compatible", "soc/ranges").
    virtual QString DeviceTreeFolder() const;

    // Maps `length` bytes of a device file from `offset` for reading and
    // writing. nullptr on failure with the errno value in *pError (ENOENT:
    // no such device, EACCES/EPERM: not allowed).
    virtual volatile quint32* Map(const char* device, quint64 offset, std::size_t length, int* pError);
    virtual void Unmap(volatile quint32* block, std::size_t length);

    // The spidev device files: open(2) / ioctl(2) / close(2), giving -1 with
    // errno set on failure like the system calls do.
    virtual int Open(const char* path);
    virtual int Ioctl(int fd, unsigned long request, void* arg);
    virtual void Close(int fd);

    // Waits at least `us` microseconds (register set-up sequences only).
    virtual void WaitUs(int us);
};

// errno as "permission denied" and the like, for the log.
QString SystemErrorText(int error);
