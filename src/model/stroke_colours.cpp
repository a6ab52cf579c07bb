#include "model/stroke_colours.h"

#include <algorithm>

std::vector<COLORREF> StrokeColours::Distinct() const {
    std::vector<COLORREF> out;
    if (m_changes.empty() || m_changes.front().first > 0) out.push_back(kDefault);
    for (const auto& change : m_changes)
        if (std::find(out.begin(), out.end(), change.second) == out.end()) out.push_back(change.second);
    return out;
}
