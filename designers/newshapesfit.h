#pragma once
// Keeps the shapes a panel makes from text or a picture on the work area.
// The panel's shapes are the designer's list entries from the opening's
// first index on. While the operator works, the log says when they leave
// the work area; when the panel is to close with them, shapes past an edge
// are either fitted (shrunk and moved, after the operator agrees) or
// refused with the amount in mm, and the panel stays open.
#include "shapes/workareafit.h"

class QWidget;

class CNewShapesFit
{
public:
    // After every trace or move: a warning in the log with the amounts by
    // which the shapes pass the edges, each time these change while they are
    // outside. The log's newest warning thus always gives the amounts the
    // question at closing gives.
    void Note(QWidget* pPanel, const stShapeCuttingInfo& info, size_t nFirst);

    // Before the panel closes with its shapes. True when they lie on the
    // work area, or the operator had them fitted: pApplied, when given, then
    // holds the fit made (m_bCanFit false when none was needed). False when
    // they stay outside: the amounts are logged as an error.
    bool Keep(QWidget* pPanel, stShapeCuttingInfo& info, size_t nFirst, stAreaFit* pApplied = nullptr);

    // A new opening: nothing noted yet.
    void Reset() { m_strNoted.clear(); }

private:
    QString m_strNoted; // the amounts last logged; empty while inside

};
