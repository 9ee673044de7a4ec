#pragma once
// The shape records: the data model of shape cutting.
//
// The shape designer owns one stShapeCuttingInfo; its editors, the work-area
// file and the controller all read and write the same records. All lengths are
// millimetres in work coordinates (origin at the work zero), angles degrees.
// Only x and y of the points are used; z, a and b stay 0.
//
// Ownership: every stEngShape entry points at exactly one record, created with
// new by whoever appends the entry. The list in stShapeCuttingInfo owns them:
// its remove/clear functions and its destructor are the one place records are
// destroyed. Entries themselves are plain values, so swapping two entries
// changes the order (and with it the cutting order) without copying records.
#include "core/common.h"

#include <QString>
#include <vector>

// The part common to every shape record.
struct stShapesCommonInfo
{
    QString m_strName;          // shown in the shape list and written to the file
    double m_fDepth = -10.0;    // final cutting depth: a Z below the work zero
};

// A polygon outline running from the first vertex to the last, in list order.
struct stPolygon : stShapesCommonInfo
{
    std::vector<stFloatPoint> m_lstVertices;
    bool m_bHole = false;       // inner outline of a pocket (saved in the file)
};

// An ellipse or elliptical arc.
struct stEllipse : stShapesCommonInfo
{
    stEllipse();

    stFloatPoint m_Center;
    double m_fMajorAxisDia = 25.0;
    double m_fMinorAxisDia = 25.0;
    double m_fOrientation = 0.0;    // rotation of the ellipse, degrees
    double m_fXStep = 0.2;          // spacing of the computed points along X
    double m_fArcStartAngle = 0.0;
    double m_fArcEndAngle = 360.0;  // 0 to 360 is the full ellipse
    bool m_bHole = false;           // pocket ring flag (not saved in the file)
    // The tool path computed from the fields above; never stored in a file,
    // recomputed after every change and after loading.
    std::vector<stFloatPoint> m_lstPoints;
};

enum eShapeType
{
    SHAPE_ELLIPSE = 0,
    SHAPE_POLYGON = 1
};

// One entry of the shape list. The record named by m_iType is set, the other
// pointer is null; an entry of any other type is skipped by every consumer.
struct stEngShape
{
    int m_iType = SHAPE_ELLIPSE;
    stPolygon* m_pPolygon = nullptr;
    stEllipse* m_pEllipse = nullptr;

    // The record's common part (name, depth), or null for an unknown type or
    // a missing record.
    const stShapesCommonInfo* Common() const;
    // The points the tool follows: an ellipse's computed points or a
    // polygon's vertices; null for an unknown type or a missing record.
    const std::vector<stFloatPoint>* Points() const;
};

// The shape-cutting job handed to the controller.
struct stShapeCuttingInfo
{
    stShapeCuttingInfo();
    ~stShapeCuttingInfo();
    // The list owns its records, so the job is not copied.
    stShapeCuttingInfo(const stShapeCuttingInfo&) = delete;
    stShapeCuttingInfo& operator=(const stShapeCuttingInfo&) = delete;

    // Appends an entry owning a new record (taken over by the list).
    void AddEllipse(stEllipse* pEllipse);
    void AddPolygon(stPolygon* pPolygon);
    // Removes the entry at index and destroys its record; false when the
    // index is not in the list.
    bool RemoveShape(int index);
    // Destroys every record and empties the list.
    void ClearShapes();
    // Swaps two entries (cutting order); false when an index is not valid.
    bool SwapShapes(int first, int second);

    // Destroys the record of one entry by its type and clears its pointers;
    // an entry of another type is left as it is.
    static void DestroyRecord(stEngShape& shape);

    std::vector<stEngShape> m_lstShapes;  // list order = drawing and cutting order
    stFloatPoint m_WorkArea;              // x: length along X, y: width along Y
    double m_fZStep = 1.0;                // depth cut per pass
};
