// The colours a pattern's strokes are drawn in.
//
// Most formats carry no colour and draw in black. Some name a colour per
// stroke or change it part way (4QB blocks take black, red, green and blue
// in turn; embroidery files change thread; HPGL selects pens). A reader
// records a change as "from list index i on, draw in colour c": a segment
// ending at point i takes the colour in force at i. Changes are recorded in
// ascending index order, so drawing walks them with one cursor.
#pragma once

#include "platform/wintypes.h"

#include <cstddef>
#include <utility>
#include <vector>

class StrokeColours {
public:
    static constexpr COLORREF kDefault = RGB(0, 0, 0);

    void Clear() { m_changes.clear(); }
    bool Empty() const { return m_changes.empty(); }
    std::size_t Count() const { return m_changes.size(); }

    // From list index `from` on, draw in colour. A later change at the same
    // index replaces the earlier one; an index before the last change is
    // ignored (changes only move forward).
    void Set(std::size_t from, COLORREF colour) {
        if (!m_changes.empty() && from <= m_changes.back().first) {
            if (from == m_changes.back().first) m_changes.back().second = colour;
            return;
        }
        m_changes.emplace_back(from, colour);
    }

    // The distinct colours in order of first use (black first when the
    // pattern starts before its first change).
    std::vector<COLORREF> Distinct() const;

    // Walks list indices in ascending order: At(i) gives the colour of the
    // segment ending at point i.
    class Cursor {
    public:
        explicit Cursor(const StrokeColours& c) : m_c(c) {}
        COLORREF At(std::size_t index) {
            while (m_next < m_c.m_changes.size() && m_c.m_changes[m_next].first <= index)
                m_colour = m_c.m_changes[m_next++].second;
            return m_colour;
        }

    private:
        const StrokeColours& m_c;
        std::size_t m_next = 0;
        COLORREF m_colour = kDefault;
    };

private:
    std::vector<std::pair<std::size_t, COLORREF>> m_changes;
};
