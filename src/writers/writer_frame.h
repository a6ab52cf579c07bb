// What the six writers share: the marker test, the bounding pass, the scale,
// the formatted output and the one way a write begins and ends.
//
// A writer keeps the pattern's size when the document says what one list
// unit measures (m_dWriteMmPerUnit): s = that size / the size of one unit
// of the format. Otherwise it maps the pattern onto a fixed span K of its
// format's units: s = min(K / width, K / height). All in single precision,
// with values widened to double only to be printed. Text is written with
// printf-style formats reproduced byte for byte ("%d", "%f" = six decimals,
// "%.3f", "%#4.3f"), lines end with CR LF on every platform.
#pragma once

#include "model/loomveil_doc.h"
#include "platform/archive.h"

#include <cfloat>
#include <functional>
#include <optional>
#include <string_view>

namespace writers {

// The writers' marker test: a break marker, or an entry whose x is exactly
// 32771.0 (a marker for the writers only; the drawing shows it as a point).
constexpr float kWriterMarkerX = 32771.0f;
inline bool IsMarker(const _tagREALPT& p) {
    return p.x == FLT_MAX || p.x == kWriterMarkerX;
}

// Extent of the real points and the first of them. With no real point the
// box stays inverted (min FLT_MAX, max -FLT_MAX) and firstX is FLT_MAX.
struct Bounds {
    float minX = FLT_MAX, minY = FLT_MAX;
    float maxX = -FLT_MAX, maxY = -FLT_MAX;
    float firstX = FLT_MAX, firstY = FLT_MAX;
};
// The comparisons are "not greater", so a NaN coordinate takes part as it
// does in the drawing.
Bounds BoundingPass(const CPointList& list);

// min(k / width, k / height); a zero side gives an infinite quotient, so the
// other side decides.
inline float ScaleFor(float k, float width, float height) {
    const float sx = k / width;
    const float sy = k / height;
    return sy < sx ? sy : sx;
}

// Millimetres per unit of the written formats.
constexpr double kMmPerInch = 25.4;
constexpr double kMmPerThou = 0.0254;
constexpr double kMmPerPlotterUnit = 0.025;
constexpr double kMmPerStitchUnit = 0.1;

// The scale that keeps the pattern's size in a format whose unit measures
// targetMmPerUnit, or nothing when the pattern's unit is not known (the
// writer then fits it to its fixed span).
std::optional<float> SizeKeepingScale(const CLoomveilDoc& doc, double targetMmPerUnit);

// Formatted output through the storing archive. Pieces collect in a small
// record buffer that goes to the archive when full and at the end; the bytes
// are exactly those of the formats.
class Output {
public:
    explicit Output(CArchive& ar) : m_ar(ar) {}
    ~Output() = default;
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    Output& Text(std::string_view s);
    // "%d" (also for values past int's range).
    Output& Int(long long v);
    // "%.Nf" of v widened to double; "%f" is decimals 6.
    Output& Fixed(float v, int decimals);
    // "%#W.Nf": at least width characters, padded with spaces on the left.
    Output& Fixed(float v, int decimals, int width);
    // Two raw bytes (binary formats).
    Output& Bytes(unsigned char b0, unsigned char b1);
    // Hands what is collected to the archive.
    void Flush();

private:
    // Room for any one piece: "%f" of a double has at most 317 digits + sign,
    // point and 6 decimals.
    static constexpr std::size_t kPieceMax = 330;
    static constexpr std::size_t kCapacity = 4096;
    char* Room(std::size_t n) {
        if (m_len + n > kCapacity) Flush();
        return m_buf + m_len;
    }

    CArchive& m_ar;
    std::size_t m_len = 0;
    char m_buf[kCapacity];
};

// Writes "%.Nf" of v widened to double at p, as printf does in the C locale
// ("-0.000", "inf", "-nan" included); returns the end. end - p must be at
// least 330.
char* FormatFixed(char* p, char* end, float v, int decimals);

// What a writer's body reports.
enum class Written { file, nothing };

// The writer frame: opens a new temporary file beside doc.m_strFilePath with
// a storing archive (4096-byte buffer), runs body, and puts the file in the
// target's place once every byte is out. When the target cannot be created,
// when a file or archive error interrupts the output (a full disk), or when
// body finds nothing to write, no file is written, an earlier file of that
// name is untouched, the reason goes to doc.m_strError and the result is
// FALSE.
BOOL RunWriter(CLoomveilDoc& doc, const std::function<Written(Output&)>& body);

} // namespace writers
