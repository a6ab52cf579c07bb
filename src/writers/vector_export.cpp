// SVG and PDF output of the strokes.
//
// SVG: one <path> per stroke, "M x y L x y x y …" in millimetres on a
// viewBox the size of the page (width and height in mm), so that 1:1 is
// what a viewer or printer shows at 100%.
//
// PDF 1.4, one page, vectors only: catalog (1), page tree (2), page (3)
// with its MediaBox in points (1/72 in), the content stream (4) whose
// length is object 5, and the document information (6) with the file name
// (without its extension) as title. Content: line width, round caps and
// joins, then per stroke its colour when it changes ("r g b RG"), "x y m",
// "x y l" …, "S". PDF's y axis points up from the bottom of the page, so y
// is turned over. Numbers are fixed-point with three decimals: PDF has no
// exponent notation, and the layout keeps every coordinate on the page.
#include "writers/vector_export.h"

#include "model/print_job.h"
#include "writers/writer_frame.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <vector>

namespace writers {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;

bool Finite(const _tagREALPT& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// Calls f(piece, colour) for every run of at least two points between
// break markers, in the viewer's colours: a stroke whose colour changes
// part way is handed out in pieces that share the point where it changes.
template <class F> void ForEachStroke(const CPointList& list, const StrokeColours* colours, F&& f) {
    std::optional<StrokeColours::Cursor> cursor;
    if (colours) cursor.emplace(*colours);
    COLORREF colour = StrokeColours::kDefault;
    const _tagREALPT* start = list.begin();
    auto flush = [&](const _tagREALPT* end) {
        if (end - start >= 2) f(std::span<const _tagREALPT>(start, end), colour);
    };
    for (const _tagREALPT* p = list.begin(); p != list.end(); ++p) {
        if (IsBreak(*p) || !Finite(*p)) {
            flush(p);
            start = p + 1;
            continue;
        }
        if (!cursor) continue;
        const COLORREF at = cursor->At(static_cast<std::size_t>(p - list.begin()));
        if (at == colour) continue;
        if (p - start >= 1) {
            flush(p);
            start = p - 1;
        }
        colour = at;
    }
    flush(list.end());
}

// Counts what goes out, for the PDF's cross-reference table.
class Sink {
public:
    explicit Sink(Output& out) : m_out(out) {}
    Sink& Text(std::string_view s) {
        m_out.Text(s);
        m_count += s.size();
        return *this;
    }
    // Fixed-point, three decimals.
    Sink& Num(double v) {
        char buf[400];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
        return Text(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
    }
    // Shortest form that reads back as v (page sizes: "210", "215.9").
    Sink& Short(double v) {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
        return Text(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
    }
    Sink& Int(long long v) {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        return Text(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
    }
    std::size_t Count() const { return m_count; }

private:
    Output& m_out;
    std::size_t m_count = 0;
};

std::string XmlEscaped(const std::string& s) {
    std::string out;
    for (const char c : s) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            // Control characters are not allowed in XML 1.0 text.
            if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
        }
    }
    return out;
}

std::string HexColour(COLORREF c) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string s = "#";
    for (int v : {GetRValue(c), GetGValue(c), GetBValue(c)}) {
        s += kHex[v >> 4];
        s += kHex[v & 15];
    }
    return s;
}

void WriteSvg(Sink& out, const CLoomveilDoc& doc, const VectorLayout& layout, const std::string& title) {
    out.Text("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"")
        .Short(layout.pageWidthMm)
        .Text("mm\" height=\"")
        .Short(layout.pageHeightMm)
        .Text("mm\" viewBox=\"0 0 ")
        .Short(layout.pageWidthMm)
        .Text(" ")
        .Short(layout.pageHeightMm)
        .Text("\">\n");
    if (!title.empty()) out.Text("<title>").Text(XmlEscaped(title)).Text("</title>\n");
    out.Text("<g fill=\"none\" stroke-width=\"")
        .Short(kStrokeWidthMm)
        .Text("\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n");
    ForEachStroke(doc.m_PointList, &doc.m_StrokeColours,
                  [&](std::span<const _tagREALPT> stroke, COLORREF colour) {
                      out.Text("<path stroke=\"").Text(HexColour(colour)).Text("\" d=\"");
                      for (std::size_t i = 0; i < stroke.size(); ++i) {
                          const char* lead = i == 0 ? "M" : i == 1 ? "L" : " ";
                          out.Text(lead).Num(layout.X(stroke[i].x)).Text(" ").Num(layout.Y(stroke[i].y));
                      }
                      out.Text("\"/>\n");
                  });
    out.Text("</g>\n</svg>\n");
}

// A PDF text string in UTF-16BE with its byte-order mark, as hex.
std::string PdfTextString(const CString& s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "<FEFF";
    for (const char16_t u : s.Q().toStdU16String())
        for (int shift : {12, 8, 4, 0}) out += kHex[(u >> shift) & 15];
    return out + ">";
}

void WritePdf(Sink& out, const CLoomveilDoc& doc, const VectorLayout& layout, const CString& title) {
    std::vector<std::size_t> offsets; // of objects 1 … 6
    auto object = [&](int n) {
        offsets.push_back(out.Count());
        out.Int(n).Text(" 0 obj\n");
    };
    const double pageW = layout.pageWidthMm * kPointsPerMm, pageH = layout.pageHeightMm * kPointsPerMm;

    out.Text("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    object(1);
    out.Text("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
    object(2);
    out.Text("<< /Type /Pages /Kids [3 0 R] /Count 1 >>\nendobj\n");
    object(3);
    out.Text("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ")
        .Num(pageW)
        .Text(" ")
        .Num(pageH)
        .Text("] /Resources << >> /Contents 4 0 R >>\nendobj\n");
    object(4);
    out.Text("<< /Length 5 0 R >>\nstream\n");
    const std::size_t streamStart = out.Count();
    out.Num(kStrokeWidthMm * kPointsPerMm).Text(" w 1 J 1 j\n");
    bool haveColour = false;
    COLORREF current = 0;
    ForEachStroke(doc.m_PointList, &doc.m_StrokeColours,
                  [&](std::span<const _tagREALPT> stroke, COLORREF colour) {
                      if (!haveColour || colour != current) {
                          for (int v : {GetRValue(colour), GetGValue(colour), GetBValue(colour)})
                              out.Num(v / 255.0).Text(" ");
                          out.Text("RG\n");
                          haveColour = true;
                          current = colour;
                      }
                      bool first = true;
                      for (const _tagREALPT& p : stroke) {
                          out.Num(layout.X(p.x) * kPointsPerMm)
                              .Text(" ")
                              .Num(pageH - layout.Y(p.y) * kPointsPerMm)
                              .Text(first ? " m\n" : " l\n");
                          first = false;
                      }
                      out.Text("S\n");
                  });
    const std::size_t streamLength = out.Count() - streamStart;
    out.Text("endstream\nendobj\n");
    object(5);
    out.Int(static_cast<long long>(streamLength)).Text("\nendobj\n");
    object(6);
    out.Text("<< /Title ").Text(PdfTextString(title)).Text(" /Producer (Loomveil) >>\nendobj\n");

    const std::size_t xref = out.Count();
    out.Text("xref\n0 7\n0000000000 65535 f\r\n");
    for (const std::size_t offset : offsets) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", offset);
        out.Text(entry);
    }
    out.Text("trailer\n<< /Size 7 /Root 1 0 R /Info 6 0 R >>\nstartxref\n")
        .Int(static_cast<long long>(xref))
        .Text("\n%%EOF\n");
}

} // namespace

std::optional<VectorLayout> LayoutStrokes(const CPointList& list, const VectorOptions& options,
                                          std::string& why) {
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    bool any = false;
    ForEachStroke(list, nullptr, [&](std::span<const _tagREALPT> stroke, COLORREF) {
        any = true;
        for (const _tagREALPT& p : stroke) {
            minX = std::fmin(minX, p.x);
            maxX = std::fmax(maxX, p.x);
            minY = std::fmin(minY, p.y);
            maxY = std::fmax(maxY, p.y);
        }
    });
    if (!any) {
        why = "nothing to export: the pattern has no strokes";
        return std::nullopt;
    }
    const double w = maxX - minX, h = maxY - minY; // finite: float extents in double
    if (w == 0 && h == 0) {
        why = "nothing to export: every stroke lies on one point";
        return std::nullopt;
    }

    VectorLayout l;
    l.centreX = (minX + maxX) * 0.5;
    l.centreY = (minY + maxY) * 0.5;
    const double m2 = 2 * kPageMarginMm;
    const PageSize page = options.page;
    if (options.mmPerUnit > 0) {
        l.scale = options.mmPerUnit;
        const double wm = w * l.scale, hm = h * l.scale;
        if (!(wm + m2 <= kMaxPageSideMm && hm + m2 <= kMaxPageSideMm)) {
            why = "at true size the pattern is " +
                  std::to_string(static_cast<long long>(std::fmin(wm, 1e18))) + " x " +
                  std::to_string(static_cast<long long>(std::fmin(hm, 1e18))) +
                  " mm, larger than the largest page (5080 mm a side)";
            return std::nullopt;
        }
        if (wm + m2 <= page.widthMm && hm + m2 <= page.heightMm) {
            l.pageWidthMm = page.widthMm;
            l.pageHeightMm = page.heightMm;
        } else if (wm + m2 <= page.heightMm && hm + m2 <= page.widthMm) {
            l.pageWidthMm = page.heightMm;
            l.pageHeightMm = page.widthMm;
        } else {
            l.pageWidthMm = std::fmax(page.widthMm, wm + m2);
            l.pageHeightMm = std::fmax(page.heightMm, hm + m2);
        }
        return l;
    }
    l.pageWidthMm = page.widthMm;
    l.pageHeightMm = page.heightMm;
    const double sx = w > 0 ? (page.widthMm - m2) / w : INFINITY;
    const double sy = h > 0 ? (page.heightMm - m2) / h : INFINITY;
    l.scale = std::fmin(sx, sy);
    return l;
}

BOOL ExportVector(CLoomveilDoc& doc, const CString& path, const VectorOptions& options) {
    doc.m_strError.clear();
    std::string why;
    const std::optional<VectorLayout> layout = LayoutStrokes(doc.m_PointList, options, why);
    if (!layout) {
        doc.m_strError = why;
        return FALSE;
    }
    const CString opened = doc.m_strFilePath;
    // Titled as a printed page is: the file name without its extension.
    const CString title = PrintJobName(doc.m_strFileName);
    doc.m_strFilePath = path;
    const BOOL ok = RunWriter(doc, [&](Output& output) {
        Sink out(output);
        if (options.format == VectorFormat::svg)
            WriteSvg(out, doc, *layout, title.Utf8());
        else
            WritePdf(out, doc, *layout, title);
        return Written::file;
    });
    doc.m_strFilePath = opened;
    return ok;
}

} // namespace writers
