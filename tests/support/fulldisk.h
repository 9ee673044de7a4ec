#pragma once
// A really full file system for tests of what a save does when the disk is
// full: a small tmpfs mounted in the test program's own mount namespace.
//
// The program moves into a private mount namespace at the very start of
// main, before any thread exists (every thread started later shares it), with
// mount propagation switched off, so nothing it mounts is ever seen outside
// it: the mounts end with the process, even when it crashes. Root (as here and
// in CI) gets the namespace directly; an ordinary user gets it inside a user
// namespace where the kernel allows one. Where neither works the tests that
// need it skip, saying why.
//
//   FULLDISK_TEST_MAIN(TestSomething)   // in place of QTEST_MAIN
//   ...
//   CFullDisk disk;                      // a fresh 64 KiB tmpfs
//   FULLDISK_REQUIRE(disk);              // QSKIP when it could not be mounted
//   WriteRaw(disk.Path() + "/old", ...); // what must survive
//   disk.Fill();                         // not one more byte fits
#include <QApplication>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

class CFullDisk
{
public:
    // Moves the process into its own mount namespace. Call once, first thing
    // in main. Empty on success, else why the full-disk tests cannot run.
    static QString EnterPrivateMounts();
    // The result of EnterPrivateMounts().
    static QString Unavailable();

    // Mounts a fresh 64 KiB tmpfs on a new temporary folder.
    CFullDisk();
    // Unmounts it (the namespace would drop it at exit anyway).
    ~CFullDisk();
    CFullDisk(const CFullDisk&) = delete;
    CFullDisk& operator=(const CFullDisk&) = delete;

    bool Mounted() const { return m_bMounted; }
    // Why it is not mounted (empty when it is).
    QString Why() const { return m_strWhy; }
    QString Path() const { return m_Dir.path(); }
    // Fills the rest of the file system with a filler file until the kernel
    // says ENOSPC, even for a single byte. True when it is full.
    bool Fill();
    // Removes the filler: the file system has room again.
    void Empty();
    // The name of the filler file (inside Path()).
    static QString FillerName() { return QStringLiteral(".filler"); }

private:
    QTemporaryDir m_Dir;
    bool m_bMounted = false;
    QString m_strWhy;
};

// Skips the test function, with the reason, when the disk could not be mounted.
#define FULLDISK_REQUIRE(disk)                                                                        \
    do {                                                                                              \
        if (!(disk).Mounted())                                                                        \
            QSKIP(qPrintable(QStringLiteral("no full file system for this test: ") + (disk).Why())); \
    } while (false)

// QTEST_MAIN for a program that mounts full file systems.
#define FULLDISK_TEST_MAIN(TestObject)                 \
    int main(int argc, char* argv[])                   \
    {                                                  \
        CFullDisk::EnterPrivateMounts();               \
        QApplication app(argc, argv);                  \
        app.setAttribute(Qt::AA_Use96Dpi, true);       \
        TestObject tc;                                 \
        QTEST_SET_MAIN_SOURCE_PATH                     \
        return QTest::qExec(&tc, argc, argv);          \
    }
