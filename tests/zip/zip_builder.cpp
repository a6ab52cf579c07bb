#include "zip/zip_builder.h"

#include <stdexcept>
#include <zlib.h>

namespace test {

void Put16(std::string& bytes, std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t v) {
    Put16(bytes, at, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(bytes, at + 2, static_cast<std::uint16_t>(v >> 16));
}

namespace {

// Appends little-endian fields: Le{s}(width, value)(width, value)...
struct Le {
    std::string& s;
    Le& operator()(int width, std::size_t v) {
        for (int i = 0; i < width; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return *this;
    }
};

// Raw deflate: no zlib header or trailer.
std::string Deflate(std::string_view data) {
    z_stream z{};
    std::string out;
    if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) == Z_OK) {
        out.resize(deflateBound(&z, data.size()));
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z.avail_in = static_cast<uInt>(data.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        const int ret = deflate(&z, Z_FINISH);
        out.resize(z.total_out);
        deflateEnd(&z);
        if (ret == Z_STREAM_END) return out;
    }
    throw std::runtime_error("deflate failed");
}

} // namespace

BuiltZip BuildZip(const std::vector<ZipMember>& members, std::string_view comment, std::string_view prefix) {
    constexpr std::uint32_t kTime = 0x50210000; // 2020-01-01 00:00
    BuiltZip z;
    std::string archive(prefix), directory;
    for (const ZipMember& m : members) {
        const std::string payload = m.method == 8 ? Deflate(m.data) : m.data;
        const auto crc =
            crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size()));
        const std::size_t size = m.unknownSize ? 0xFFFFFFFFu : m.data.size();
        z.local.push_back(archive.size());
        z.central.push_back(directory.size()); // within the directory for now
        Le{archive}(4, 0x04034B50);
        Le{directory}(4, 0x02014B50)(2, 20);
        for (std::string* s : {&archive, &directory}) // the fields both headers have
            Le{*s}(2, 20)(2, m.flags)(2, m.method)(4, kTime)(4, crc)(4, payload.size())(4, size)(
                2, m.name.size())(2, s == &archive ? m.localExtra.size() : 0);
        Le{directory}(2, 0)(2, 0)(2, 0)(4, 0)(4, z.local.back() - prefix.size());
        archive += m.name + m.localExtra + payload;
        directory += m.name;
    }
    const std::size_t dirOffset = archive.size() - prefix.size();
    for (std::size_t& c : z.central) c += archive.size();
    archive += directory;
    z.end = archive.size();
    Le{archive}(4, 0x06054B50)(2, 0)(2, 0)(2, members.size())(2, members.size())(4, directory.size())(
        4, dirOffset)(2, comment.size());
    z.bytes = archive + std::string(comment);
    return z;
}

} // namespace test
