#include "readers/stitch_path.h"

#include "readers/pattern_parsers.h"

#include <iterator>

namespace {
// Black first, then colours that stay apart on white and from each other.
constexpr COLORREF kThreads[] = {RGB(0, 0, 0),     RGB(200, 0, 0),   RGB(0, 140, 0),   RGB(0, 0, 200),
                                 RGB(230, 120, 0), RGB(140, 0, 160), RGB(0, 150, 160), RGB(120, 80, 40)};
} // namespace

void StitchPath::Stitch(long dx, long dy) {
    if (!m_open) {
        if (m_anyStroke) {
            if (m_newThread && m_colours)
                m_colours->Set(m_out.size(),
                               kThreads[static_cast<std::size_t>(++m_thread) % std::size(kThreads)]);
            AddBreak(m_out);
        }
        AddFlipped(m_out, static_cast<float>(m_x), static_cast<float>(m_y));
        m_open = m_anyStroke = true;
        m_newThread = false;
    }
    m_x += dx;
    m_y += dy;
    ++m_stitches;
    AddFlipped(m_out, static_cast<float>(m_x), static_cast<float>(m_y));
}

void StitchPath::Jump(long dx, long dy) {
    m_x += dx;
    m_y += dy;
    m_open = false;
}

void StitchPath::ColourChange() {
    m_open = false;
    if (m_anyStroke) m_newThread = true;
}
