// Writes the desktop's file types from the format table, so that the types
// a desktop knows always match what the program reads:
//   OUTDIR/loomveil.xml          the shared MIME-info package
//   OUTDIR/loomveil.desktop      the menu entry (from TEMPLATEDIR)
//   OUTDIR/loomveil.thumbnailer  the thumbnailer entry (from TEMPLATEDIR)
// In the two entries "@MIME_TYPES@" becomes the types, each followed by ';'.
//
//   loomveil-desktop-files TEMPLATEDIR OUTDIR
#include "model/formats.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Types of our own are given their comment and, for text formats, text/plain
// as parent, so that a text editor still offers to open them. Types the
// desktop already has (HPGL, DXF, CDR) only gain the extensions; a comment is
// restated where a system's database may lack the type.
std::string MimeXml() {
    std::string x = R"(<?xml version="1.0" encoding="UTF-8"?>
<!--
  The file types of every pattern format the viewer reads, written at build
  time from the program's format table. Formats of their own get an
  application/x-quilt-* type; the text ones are text/plain underneath, so
  that a text editor still offers to open them. Formats that start with a
  signature are recognised by it under another name too.

  Extensions that already have a type are given to that type only. .txt
  stays text/plain and is not claimed: a TXT pattern cannot be told from
  other text by its name or its first bytes.
-->
<mime-info xmlns="http://www.freedesktop.org/standards/shared-mime-info">
)";
    for (const FileFormat& f : FileFormats()) {
        if (!f.Reads() || f.mimeType.empty()) continue;
        x.append("  <mime-type type=\"").append(f.mimeType).append("\">\n");
        if (!f.mimeComment.empty()) x.append("    <comment>").append(f.mimeComment).append("</comment>\n");
        if (f.text && f.mimeType.starts_with("application/x-"))
            x += "    <sub-class-of type=\"text/plain\"/>\n";
        if (!f.magic[0].empty()) {
            x += "    <magic priority=\"60\">\n";
            for (std::string_view m : f.magic)
                if (!m.empty())
                    x.append("      <match type=\"string\" value=\"").append(m).append("\" offset=\"0\"/>\n");
            x += "    </magic>\n";
        }
        for (std::string_view ext : f.exts)
            if (!ext.empty()) x.append("    <glob pattern=\"*.").append(ext).append("\"/>\n");
        x += "  </mime-type>\n";
    }
    return x + "</mime-info>\n";
}

std::string MimeTypes() {
    std::string out;
    for (const FileFormat& f : FileFormats())
        if (f.Reads() && !f.mimeType.empty() && out.find(std::string(f.mimeType) + ";") == std::string::npos)
            out.append(f.mimeType).append(";");
    return out;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) std::fprintf(stderr, "loomveil-desktop-files: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

bool FromTemplate(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "loomveil-desktop-files: cannot read %s\n", from.c_str());
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    const std::string key = "@MIME_TYPES@";
    for (std::size_t at; (at = s.find(key)) != std::string::npos;) s.replace(at, key.size(), MimeTypes());
    return WriteText(to, s);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TEMPLATEDIR OUTDIR\n", argv[0]);
        return 2;
    }
    const std::string in = argv[1], out = argv[2];
    const bool ok = WriteText(out + "/loomveil.xml", MimeXml()) &&
                    FromTemplate(in + "/loomveil.desktop.in", out + "/loomveil.desktop") &&
                    FromTemplate(in + "/loomveil.thumbnailer.in", out + "/loomveil.thumbnailer");
    return ok ? 0 : 1;
}
