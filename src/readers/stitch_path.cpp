#include "readers/stitch_path.h"

#include "readers/pattern_parsers.h"

void StitchPath::Stitch(long dx, long dy) {
    if (!m_open) {
        if (m_anyStroke) {
            if (m_newThread) m_threadStarts.push_back(m_out.size());
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
