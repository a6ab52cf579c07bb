// The parsing half of the pattern readers: each turns a file's bytes into
// points and break markers appended to a model, and says whether the file is
// taken. The RenderXxx members read the file, call these and draw
// (pattern_frame.h); the benchmarks call them directly to time reading and
// modelling without the drawing.
#pragma once

#include "model/point.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

// Whether a file was taken, and if not, why (a few words for the user).
struct ParseOutcome {
    bool ok = true;
    std::string reason;
};

// How the readers append: files whose y axis points up store (x, -y).
inline void AddFlipped(CPointList& list, float x, float y) {
    list.AddTail(_tagREALPT{x, -y});
}
inline void AddBreak(CPointList& list) {
    list.AddTail(kBreakMarker);
}

enum class HpglDialect { plt, cqp };
ParseOutcome ParseHpgl(std::string_view text, HpglDialect dialect, CPointList& out);

// Refused when the header line lacks "c ".
ParseOutcome ParseQcc(std::string_view text, CPointList& out);

enum class PatDialect { pat, ssd, hqf };
ParseOutcome ParsePat(std::string_view text, PatDialect dialect, CPointList& out);

ParseOutcome ParseCmd(std::string_view text, CPointList& out);

// Refused unless more than three quarters of the lines are points; the
// points read stay in the model either way.
ParseOutcome ParseTxt(std::string_view text, CPointList& out);

// Refused for a wrong signature or a header cut short; a point count larger
// than the records present reads the records that are there.
ParseOutcome ParseIqp(std::span<const unsigned char> bytes, CPointList& out);

// Refused for a wrong signature, or when the file ends before the first
// block; blocks that end early keep the strokes read so far.
ParseOutcome Parse4qb(std::span<const unsigned char> bytes, CPointList& out);
