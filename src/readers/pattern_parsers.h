// The parsing half of the pattern readers: each turns a file's bytes into
// points and break markers appended to a model, and says whether the file is
// taken. The RenderXxx members read the file, call these and draw
// (pattern_frame.h); the benchmarks call them directly to time reading and
// modelling without the drawing.
#pragma once

#include "model/point.h"
#include "model/stroke_colours.h"

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
// Pens other than pen 1 give their strokes colours in colours (when given).
ParseOutcome ParseHpgl(std::string_view text, HpglDialect dialect, CPointList& out,
                       StrokeColours* colours = nullptr);

// Refused when the header line lacks "c " and is no name record "n ...".
ParseOutcome ParseQcc(std::string_view text, CPointList& out);

enum class PatDialect { pat, ssd, hqf };
ParseOutcome ParsePat(std::string_view text, PatDialect dialect, CPointList& out);

ParseOutcome ParseCmd(std::string_view text, CPointList& out);
// True for a text in the CMD dialect (X/Y point lines, no PA or PR).
bool IsCmdText(std::string_view text);

// Refused unless more than three quarters of the lines are points; the
// points read stay in the model either way.
ParseOutcome ParseTxt(std::string_view text, CPointList& out);

// Refused for a wrong signature or a header cut short; a point count larger
// than the records present reads the records that are there.
ParseOutcome ParseIqp(std::span<const unsigned char> bytes, CPointList& out);

// Refused for a wrong signature, or when the file ends before the first
// block; blocks that end early keep the strokes read so far. Each block
// (stroke) takes the next of black, red, green and blue in colours.
ParseOutcome Parse4qb(std::span<const unsigned char> bytes, CPointList& out,
                      StrokeColours* colours = nullptr);

// Embroidery stitch files (y up, 0.1 mm): refused when they hold no
// stitch; each thread after a colour change takes the next colour in
// colours.
ParseOutcome ParseExp(std::span<const unsigned char> bytes, CPointList& out,
                      StrokeColours* colours = nullptr);
// Refused when the 512-byte header is cut short.
ParseOutcome ParseDst(std::span<const unsigned char> bytes, CPointList& out,
                      StrokeColours* colours = nullptr);
// The binary PAT begins FF FF 00, which no G-code text PAT does.
bool IsBinaryPat(std::span<const unsigned char> bytes);
ParseOutcome ParseBinaryPat(std::span<const unsigned char> bytes, CPointList& out,
                            StrokeColours* colours = nullptr);
