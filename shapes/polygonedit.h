#pragma once
// Whole-shape changes of a polygon's vertices (move, turn, scale, close) and
// picking a vertex near a point. Lengths in mm, Y up; a positive angle turns
// clockwise on the work area, as an ellipse's orientation does.
#include "core/common.h"

#include <QString>
#include <vector>

class CPolygonEdit
{
public:
    CPolygonEdit() = delete;

    using Vertices = std::vector<stFloatPoint>;

    // Moves every vertex by (fDx, fDy).
    static void Offset(Vertices& v, double fDx, double fDy);
    // The centre of the vertices' bounding box (0, 0 without vertices).
    static stFloatPoint BoxCentre(const Vertices& v);
    // Turns every vertex by fAngle radians about centre.
    static void Turn(Vertices& v, const stFloatPoint& centre, double fAngle);
    // Scales by fFactor about the mean of the vertices, which stays put (a
    // vertex listed twice counts twice).
    static void Scale(Vertices& v, double fFactor);
    // Appends a copy of the first vertex when the last differs from it;
    // true when one was added.
    static bool Close(Vertices& v);
    // The first vertex inside the 6 x 6 mm box centred on pt (edges count),
    // or -1; nothing is picked when the box reaches below 0 in X or Y.
    static int Pick(const Vertices& v, const stFloatPoint& pt);
    // A vertex as shown in the vertex list: "12.5000,3.0000".
    static QString Text(const stFloatPoint& pt);
};
