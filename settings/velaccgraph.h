#pragma once
// The speed ramp of an axis as a picture: the velocity of every recorded ramp
// segment rising from standstill, a flat stretch at the top speed and the
// same ramp mirrored for the deceleration, over a grid of 10 mm/s by 10
// segments. Drawn from the profile the axis's own ramp builder recorded, so
// the picture is the ramp the axis runs.
#include <QImage>
#include <QVector>

class CVelAccGraph
{
public:
    static constexpr int WIDTH = 800;
    static constexpr int HEIGHT = 480;
    static constexpr int MARGIN = 30;
    static constexpr int GRID_PITCH = 10;

    // profile: pulses per second of each ramp segment, first first;
    // fMovPerPulse: travel per pulse, so one pixel upwards is 1 mm/s (or
    // degree/s) and one pixel to the right one segment.
    static QImage Draw(const QVector<double>& profile, double fMovPerPulse);
};
