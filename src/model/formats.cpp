#include "model/formats.h"

namespace {
constexpr InputFormat kFormats[] = {
    {"iqp", "IQP"},  {"cdr", "CDR preview"}, {"qcc", "QCC"}, {"qli", "QLI"}, {"hqv", "HQV"},
    {"dxf", "DXF"},  {"pat", "PAT"},         {"ssd", "SSD"}, {"hqf", "HQF"}, {"cmd", "CMD"},
    {"plt", "HPGL"}, {"cqp", "CQP"},         {"txt", "TXT"}, {"4qb", "4QB"}, {"hpgl", "HPGL"},
    {"hpg", "HPGL"}, {"hp", "HPGL"},
};
} // namespace

const InputFormat* FindInputFormat(std::string_view ext) {
    for (const InputFormat& f : kFormats)
        if (f.ext == ext) return &f;
    return nullptr;
}
