// Converts a DXF drawing into a G-code program from the command line:
//   dxf-convert DRAWING TOOL_DIA STEP_DOWN TOTAL_DEPTH FEED SAFE_Z
// The program is written next to the drawing (part.dxf gives part..ncc).
// Exit status: 0 when the program was written, 1 when the conversion failed
// (its message is on the standard error stream), 2 for wrong arguments.
#include "gcode/dxf2gcode.h"

#include <QString>

#include <cstdio>

namespace {

bool ParseNumber(const char* text, double& out)
{
    bool ok = false;
    out = QString::fromLocal8Bit(text).trimmed().toDouble(&ok); // always the C locale
    return ok;
}

int Usage(const char* prog)
{
    std::fprintf(stderr, "usage: %s DRAWING TOOL_DIA STEP_DOWN TOTAL_DEPTH FEED SAFE_Z\n", prog);
    return 2;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 7)
        return Usage(argv[0]);
    stDXF2GCode params;
    params.m_strDxfFile = QString::fromLocal8Bit(argv[1]);
    double* const fields[] = {&params.m_fToolDia, &params.m_fStepDown, &params.m_fTotalDepth, &params.m_fFeed,
                              &params.m_fSafeZ};
    for (int i = 0; i < 5; ++i) {
        if (!ParseNumber(argv[i + 2], *fields[i])) {
            std::fprintf(stderr, "%s: not a number: %s\n", argv[0], argv[i + 2]);
            return Usage(argv[0]);
        }
    }
    return CreateGcodeFromDxf(params) == 0 ? 0 : 1;
}
