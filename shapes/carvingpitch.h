#pragma once
// How a picture is laid on the machine for relief carving: the length of one
// pixel (the pitch, the same along X and Y), kept to four decimals and to a
// whole number of motor steps, and the X/Y/Z steps snapped to whole pixels or
// motor steps. Pure logic for the image-carving window; lengths in mm,
// combined in 1/10000 mm.
#include <QSize>

class CCarvingPitch
{
public:
    CCarvingPitch() = delete;

    // x written with four decimals and read back.
    static double Round4(double x);

    // The value raised to the next whole multiple of quantum when it is not
    // one already (adjusted says so); a quantum below one unit leaves it.
    static double RaiseToMultiple(double value, double quantum, bool& adjusted);
    // The value lowered to the whole multiple of quantum below it, but never
    // below one quantum.
    static double LowerToMultiple(double value, double quantum, bool& adjusted);

    // The sizes of a carving after the operator typed one side.
    struct stLayout
    {
        double m_fPitch = 0;  // mm per pixel
        double m_fLength = 0; // X extent
        double m_fWidth = 0;  // Y extent
        bool m_bAdjusted = false; // the pitch had to be raised to whole motor steps
    };
    // From the length (X) over the picture's width in pixels, the pitch a
    // whole number of X motor steps; the width follows the picture's height.
    // A length whose pitch already is whole motor steps is kept as typed.
    static stLayout FromLength(double fLength, QSize picture, double fMotorStepX);
    // The same from the width (Y) over the picture's height.
    static stLayout FromWidth(double fWidth, QSize picture, double fMotorStepY);
};
