#pragma once
// The travel order of traced outlines, shared by the shapes made from a
// picture and from text: each outline gets a reference point, the chain
// starts at the outline furthest left and then always goes on to the nearest
// remaining outline, so the tool travels little between cuts.
#include <opencv2/core/types.hpp>

#include <vector>

using Outline = std::vector<cv::Point>;

class COutlineOrder
{
public:
    // The most outlines one trace may order (indices are 16-bit).
    static constexpr size_t MAX_OUTLINES = 65535;

    // An outline of at most 4 points: its leftmost point (the first of equal
    // x). A longer one: the centre of the ellipse fitted to its points,
    // rounded to whole pixels (halves to even); when the points admit no
    // ellipse (all on one line, say) the leftmost point again.
    static cv::Point ReferencePoint(const Outline& outline);

    // The index of the outline the chain starts with: among the outlines of
    // more than 4 points the one with the smallest reference x (the earliest
    // of equals), where outline 0 counts only when it is such an outline
    // itself; an outline 0 of at most 4 points stays the start unless a
    // longer outline lies left of x = 0.
    static size_t StartIndex(const std::vector<Outline>& outlines, const std::vector<cv::Point>& refs);

    // The outline indices in travel order: the start outline, then each time
    // the remaining outline whose reference point is nearest to the last
    // one's (the earliest in list order of equals). Fewer than two outlines
    // keep their order.
    static std::vector<size_t> Order(const std::vector<Outline>& outlines);

    // The outlines rearranged into travel order.
    static std::vector<Outline> Ordered(const std::vector<Outline>& outlines);
};
