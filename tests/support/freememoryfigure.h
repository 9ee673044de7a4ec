#pragma once
// Sets the free-memory figure that program loads are checked against for
// the life of the object, then goes back to the system's own figure.
#include "gcode/programmemory.h"

class CFreeMemoryFigure
{
public:
    explicit CFreeMemoryFigure(qint64 iBytes) { CProgramMemory::SetAvailableForTest(iBytes); }
    ~CFreeMemoryFigure() { CProgramMemory::SetAvailableForTest(-1); }
    CFreeMemoryFigure(const CFreeMemoryFigure&) = delete;
    CFreeMemoryFigure& operator=(const CFreeMemoryFigure&) = delete;

    // The figure with which at most iFileBytes of program load, nothing
    // being released first.
    static qint64 ForAtMost(qint64 iFileBytes)
    {
        return CProgramMemory::MIN_MARGIN + iFileBytes * CProgramMemory::BYTES_PER_FILE_BYTE;
    }
};
