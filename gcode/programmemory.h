#pragma once
// Whether a G-code program file fits the memory this machine has free now.
//
// A loaded program holds its text lines and their word lists, many times the
// bytes of its file (bench/bench_gcode_load). A file too large for the free
// memory would run the machine out of memory while it loads, and the kernel
// would end the control program with the spindle and the other outputs left
// as they were. So every load (the G-code window's Open, the pendant's USB
// load, a generated file, tool-change files) asks here first, and a program
// that would not leave a safe margin of the free memory is refused before
// anything of the program shown is touched.
//
// The free memory is MemAvailable of /proc/meminfo: what the kernel can
// give without swapping, page cache included. Where that figure cannot be
// read nothing is refused. Tests set the figure themselves
// (SetAvailableForTest).
#include <QByteArray>
#include <QString>
#include <QtGlobal>

class CProgramMemory
{
public:
    CProgramMemory() = delete;

    // Bytes a loaded program needs for each byte of its file, at the peak of
    // the load: measured 8.8 for CAM programs of 34-byte lines and 11.5 for
    // carving files of 16-byte lines (the shorter the lines, the more),
    // rounded up for files of still shorter lines.
    static constexpr qint64 BYTES_PER_FILE_BYTE = 20;
    // What the program being replaced holds at least for each of its lines;
    // a load that first empties the program counts this much as freed.
    static constexpr qint64 MIN_BYTES_PER_LINE = 100;
    // Free memory a load leaves alone: a quarter of what is free, and never
    // less than this (the windows, the camera and the run need their share).
    static constexpr qint64 MIN_MARGIN = 128LL * 1024 * 1024;

    static qint64 NeededBytes(qint64 iFileBytes);
    static qint64 Margin(qint64 iAvailable);
    // The largest file that leaves the margin free, with iAvailable bytes
    // free and iReleased bytes given back by the program the load replaces.
    static qint64 MaxFileBytes(qint64 iAvailable, qint64 iReleased = 0);

    // MemAvailable in bytes, or -1 when it is unknown.
    static qint64 AvailableBytes();
    // MemAvailable of a /proc/meminfo text ("MemAvailable:  123456 kB"), in
    // bytes; -1 when the text has no such line.
    static qint64 ParseMemAvailable(const QByteArray& meminfo);
    // Tests: the free memory AvailableBytes reports from now on; a negative
    // figure goes back to reading /proc/meminfo.
    static void SetAvailableForTest(qint64 iBytes);

    // True when the program file at strPath fits, iReleased bytes being
    // freed before it loads. Otherwise false with the refusal (the file's
    // size and the most this machine can load now) in *pErr. A file whose
    // size cannot be read passes: the load itself then says what is wrong.
    static bool Fits(const QString& strPath, qint64 iReleased, QString* pErr);
    // The memory the program loaded now gives back when it is emptied (at
    // least, counted low).
    static qint64 HeldByLoadedProgram();

    // A size as the refusal writes it: "512 bytes", "12.3 kB", "412.3 MB", "1.2 GB".
    static QString SizeText(qint64 iBytes);
};
