// The frame every pattern reader shares: read the current file whole, parse
// it into the model, draw the model. A reader's member wraps it in the
// document's ReadGuarded with the exception cause its format accepts:
//     const PatternFrame frame{*this, pDC, width, height};
//     return ReadGuarded({cause, -1}, frame.Reading(parse), frame.Ending());
#pragma once

#include "model/loomveil_doc.h"
#include "readers/pattern_parsers.h"

#include <utility>

struct PatternFrame {
    CLoomveilDoc& doc;
    CDC* pDC;
    int width;
    int height;

    // Draws what the model holds (1), or records why the file is refused (0).
    int Finish(ParseOutcome outcome) const {
        if (!outcome.ok) {
            doc.m_strError = std::move(outcome.reason);
            return 0;
        }
        doc.DrawPointList(pDC, width, height);
        return 1;
    }

    // The read: parse(const FileBuffer&, CPointList&) → ParseOutcome. A file
    // that cannot be read, or is empty, fails with ReadWholeFile's reason.
    template <class Parse> auto Reading(Parse parse) const {
        return [this, parse] {
            FileBuffer file;
            if (!doc.ReadWholeFile(file)) return 0;
            return Finish(parse(file, doc.m_PointList));
        };
    }

    // The accepted exception: the data ends with what the model holds.
    auto Ending() const {
        return [this] { return Finish({}); };
    }
};
