#include "model/formats.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Bytes = std::span<const unsigned char>;

bool StartsWith(Bytes head, std::string_view tag) {
    return head.size() >= tag.size() && std::memcmp(head.data(), tag.data(), tag.size()) == 0;
}

// The next line of text at `at`, without its line end and surrounding
// blanks; at moves past the line end.
std::string_view NextLine(Bytes head, std::size_t& at) {
    const char* text = reinterpret_cast<const char*>(head.data());
    std::size_t begin = at;
    while (at < head.size() && text[at] != '\n' && text[at] != '\r') ++at;
    std::size_t end = at;
    if (at < head.size() && text[at] == '\r') ++at;
    if (at < head.size() && text[at] == '\n') ++at;
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    return {text + begin, end - begin};
}

// An ASCII DXF file opens with a comment (group 999) or the first
// section: group 0 "SECTION". Blank lines before it are tolerated.
bool SniffDxf(Bytes head) {
    std::size_t at = 0;
    std::string_view code;
    while (at < head.size() && (code = NextLine(head, at)).empty()) {
    }
    if (code == "999") return true;
    return code == "0" && NextLine(head, at) == "SECTION";
}

bool SniffIqp(Bytes head) {
    return StartsWith(head, "StitchV1") || StartsWith(head, "StitchV2");
}

bool Sniff4qb(Bytes head) {
    return StartsWith(head, "%4qb%");
}

// A DST header opens with its label field.
bool SniffDst(Bytes head) {
    return StartsWith(head, "LA:");
}

// RIFF files of the drawing program carry "CDR" and a version letter as
// their form type; bare CMX3 files their own tag; newer files are zip
// archives.
bool SniffCdr(Bytes head) {
    if (StartsWith(head, "RIFF")) return head.size() >= 11 && std::memcmp(head.data() + 8, "CDR", 3) == 0;
    return StartsWith(head, "CMX3") || StartsWith(head, "PK\x03\x04");
}

constexpr UnitBasis kFixed = UnitBasis::fixed, kUnknown = UnitBasis::unknown;
constexpr double kInch = 25.4;

// The rows in the order of the open dialog's list. The comment on each row
// says where its unit comes from, or why none can be assumed.
//
// The quilting formats state no unit; the evidence is one design (49.9 x
// 49.3 mm) that a widely used design program exported to twelve formats:
// with the units below every export measures the same, to 0.1%, as its EXP
// and DST, whose unit the embroidery formats fix. The two G-code files of
// the developers' corpus agree with their DST pairs the same way.
// clang-format off
constexpr FileFormat kFormats[] = {
    // CQP shares HPGL's commands, one to a line, but its coordinates are not
    // documented as plotter units. Design programs also save the CMD dialect
    // under this name; the content test sends such files to CMD (inches).
    {"CQP", {"cqp"}, &CLoomveilDoc::RenderPlt, nullptr, kUnknown, 0, SniffCqpCommands, true,
     "CQP (*.cqp)", {}, 0, "application/x-quilt-cqp", "CQP quilting pattern", {}},
    // 4QB: float pairs in blocks with skipped 44-byte headers; no unit is
    // read from the file.
    {"4QB", {"4qb"}, &CLoomveilDoc::Render4qb, nullptr, kUnknown, 0, Sniff4qb, false,
     "4QB (AutoBOT *.4qb)", {}, 0, "application/x-quilt-4qb", "4QB quilting pattern", {"%4qb%"}},
    // CMD: X/Y point lines in inches (the twelve-format export, its CMD and
    // its CQP in this dialect).
    {"CMD", {"cmd"}, &CLoomveilDoc::RenderCmd, nullptr, kFixed, kInch, SniffCmd, true,
     "CMD (*.cmd)", {}, 0, "application/x-quilt-cmd", "CMD quilting pattern", {}},
    // DXF: the drawing's $INSUNITS header variable, when present and not 0.
    {"DXF", {"dxf"}, &CLoomveilDoc::RenderDxf, &CLoomveilDoc::WriteDxf, UnitBasis::drawing, 0, SniffDxf, true,
     "DXF (AutoCad *.dxf)", "DXF (AutoCad *.dxf)", 1, "image/vnd.dxf", "DXF drawing", {}},
    // CDR: only the embedded preview picture is shown; there is no pattern.
    {"CDR preview", {"cdr"}, &CLoomveilDoc::RenderCdr, nullptr, UnitBasis::preview, 0, SniffCdr, false,
     "CDR (CorelDraw *.cdr)", {}, 0, "application/vnd.corel-draw", "CorelDraw drawing", {}},
    // HQF (segment lines): inches (the twelve-format export).
    {"HQF", {"hqf"}, &CLoomveilDoc::RenderPat, &CLoomveilDoc::WriteHqf, kFixed, kInch, nullptr, true,
     "HQF (HandiQuilter *.hqf)", "HQF (HandiQuilter *.hqf)", 2, "application/x-quilt-hqf", "HQF quilting pattern", {}},
    // HQV: inches (the twelve-format export; its jumps carry the strokes'
    // first points, without which it measures short).
    {"HQV", {"hqv"}, &CLoomveilDoc::RenderQli, nullptr, kFixed, kInch, nullptr, true,
     "HQV (HandiQuilter *.hqv)", {}, 0, "application/x-quilt-hqv", "HQV quilting pattern", {}},
    // HP-GL: plotter units of 0.025 mm, 40 to the millimetre (1016 to the
    // inch). User units that IP and SC set up are converted to plotter units
    // while the file is read, so the model is always in plotter units.
    {"HPGL", {"plt", "hpgl", "hpg", "hp"}, &CLoomveilDoc::RenderPlt, &CLoomveilDoc::WritePlt, kFixed, 0.025, SniffHpgl, true,
     "PLT (AutoCad *.plt)", "PLT (AutoCad *.plt)", 3, "application/vnd.hp-hpgl", {}, {}},
    // IQP: float pairs and no stated unit. The evidence conflicts: one
    // exporter's files hold centimetres, while another reader takes IQP
    // numbers as inches, and nothing in a file tells the two apart.
    {"IQP", {"iqp"}, &CLoomveilDoc::RenderIqp, nullptr, kUnknown, 0, SniffIqp, false,
     "IQP (Intelliquilter *.iqp)", {}, 0, "application/x-quilt-iqp", "IQP quilting pattern", {"StitchV1", "StitchV2"}},
    // QCC: inches from the design's lower-left corner (the twelve-format
    // export).
    {"QCC", {"qcc"}, &CLoomveilDoc::RenderQcc, &CLoomveilDoc::WriteQcc, kFixed, kInch, nullptr, true,
     "QCC (Quilt Magician *.qcc)", "QCC (Quilt Magician *.qcc)", 5, "application/x-quilt-qcc", "QCC quilting pattern", {}},
    // QLI: thousandths of an inch (the twelve-format export).
    {"QLI", {"qli"}, &CLoomveilDoc::RenderQli, &CLoomveilDoc::WriteQli, kFixed, kInch / 1000, nullptr, true,
     "QLI (Statler Stitcher *.qli)", "QLI (Statler Stitcher *.qli)", 4, "application/x-quilt-qli", "QLI quilting pattern", {}},
    // PAT (G-code moves) and SSD (point lines): inches (the twelve-format
    // export; the corpus's G-code files, which are read by their content).
    {"PAT", {"pat"}, &CLoomveilDoc::RenderPat, nullptr, kFixed, kInch, SniffTextPat, true,
     "PAT (ABM AutoPilot *.pat)", {}, 0, "application/x-quilt-pat", "PAT quilting pattern", {}},
    {"SSD", {"ssd"}, &CLoomveilDoc::RenderPat, nullptr, kFixed, kInch, nullptr, true,
     "SSD (Side Saddle *.ssd)", {}, 0, "application/x-quilt-ssd", "SSD quilting pattern", {}},
    // TXT: number pairs in inches (the twelve-format export). No file type
    // is claimed: a TXT pattern cannot be told from other text by its name
    // or first bytes.
    {"TXT", {"txt"}, &CLoomveilDoc::RenderTxt, nullptr, kFixed, kInch, nullptr, true,
     "TXT (PCQuilter *.txt)", {}, 0, {}, {}, {}},
    // Melco EXP: each record is a move of signed bytes in stitch units of
    // 0.1 mm.
    {"Melco EXP", {"exp"}, &CLoomveilDoc::RenderExp, &CLoomveilDoc::WriteExp, kFixed, 0.1, nullptr, false,
     "EXP (Melco *.exp)", "MELCO EMB (*.exp)", 6, "application/x-embroidery-exp", "Melco EXP embroidery design", {}},
    // Tajima DST: stitch moves of 0.1 mm, as the header's extents state.
    {"Tajima DST", {"dst"}, &CLoomveilDoc::RenderDst, nullptr, kFixed, 0.1, SniffDst, false,
     "DST (Tajima *.dst)", {}, 0, "application/x-embroidery-dst", "Tajima DST embroidery design", {"LA:"}},
    // Binary embroidery PAT, behind the G-code PAT's extension: moves of
    // 0.1 mm (the twelve-format export's extents equal its EXP's exactly).
    // Chosen by its first bytes; the PAT row names it to the dialogs.
    {"binary PAT", {"pat"}, &CLoomveilDoc::RenderPat, nullptr, kFixed, 0.1, SniffBinaryPat, false,
     {}, {}, 0, {}, {}, {}},
};
// clang-format on

// The open dialog's first entry as it has always read, for the formats of
// the first release (the patterns without a dot included); formats read
// since are added to its end.
constexpr std::string_view kAllFilesName = "All Cad and Quilt Files";
constexpr std::string_view kAllFilesShown =
    "*.4qb;*.cmd;*.cqp;*.cdr;*.dxf;*.hqf;*.hqv;*.iqp;*.qcc;*.qli;*.pat;*.plt;*.ssd;*.txt";
constexpr std::string_view kAllFilesPatterns =
    "*4qb;*.cmd;*cqp;*.cdr;*.dxf;*.hqf;*.hqv;*.iqp;*.qcc;*.qli;*pat;*.plt;*.ssd;*.txt";
constexpr std::string_view kFirstReleaseExts[] = {"4qb", "cmd", "cqp", "cdr", "dxf", "hqf", "hqv",
                                                  "iqp", "qcc", "qli", "pat", "plt", "ssd", "txt"};

std::string Patterns(const FileFormat& f) {
    std::string out;
    for (std::string_view ext : f.exts) {
        if (ext.empty()) continue;
        if (!out.empty()) out += ';';
        out.append("*.").append(ext);
    }
    return out;
}

} // namespace

bool FileFormat::HasExt(std::string_view ext) const {
    return !ext.empty() && std::find(exts.begin(), exts.end(), ext) != exts.end();
}

std::span<const FileFormat> FileFormats() {
    return kFormats;
}

const FileFormat* FindFormat(std::string_view ext) {
    for (const FileFormat& f : kFormats)
        if (f.HasExt(ext)) return &f;
    return nullptr;
}

bool LooksBinary(std::span<const unsigned char> head) {
    return std::find(head.begin(), head.end(), 0) != head.end();
}

const FileFormat* ChooseReader(std::string_view ext, std::span<const unsigned char> head) {
    const FileFormat* named = FindFormat(ext);
    if (named && !named->Reads()) named = nullptr;
    if (named && (!named->sniff || named->sniff(head))) return named;
    for (const FileFormat& f : kFormats)
        if (f.Reads() && f.sniff && &f != named && f.sniff(head)) return &f;
    return named;
}

std::string OpenFileFilter() {
    std::string shown(kAllFilesShown), patterns(kAllFilesPatterns), rows;
    for (const FileFormat& f : kFormats) {
        if (!f.Reads()) continue;
        for (std::string_view ext : f.exts) {
            if (ext.empty() || std::find(std::begin(kFirstReleaseExts), std::end(kFirstReleaseExts), ext) !=
                                   std::end(kFirstReleaseExts))
                continue;
            shown.append(";*.").append(ext);
            patterns.append(";*.").append(ext);
        }
        if (!f.openFilter.empty()) rows.append(f.openFilter).append("|").append(Patterns(f)).append("|");
    }
    return std::string(kAllFilesName) + " (" + shown + ")|" + patterns + "|" + rows + "|";
}

std::string ConvertFileFilter() {
    std::vector<const FileFormat*> written;
    for (const FileFormat& f : kFormats)
        if (f.Writes()) written.push_back(&f);
    std::sort(written.begin(), written.end(),
              [](const FileFormat* a, const FileFormat* b) { return a->saveIndex < b->saveIndex; });
    std::string out;
    for (const FileFormat* f : written) out.append(f->saveFilter).append("|*.").append(f->Ext()).append("|");
    return out + "|";
}
