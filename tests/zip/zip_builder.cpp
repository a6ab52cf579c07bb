#include "zip/zip_builder.h"

#include <stdexcept>
#include <zlib.h>

namespace test {

namespace {
void Add16(std::string& s, std::uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Add32(std::string& s, std::uint32_t v) {
    Add16(s, v & 0xFFFF);
    Add16(s, v >> 16);
}
} // namespace

void Put16(std::string& bytes, std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t v) {
    Put16(bytes, at, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(bytes, at + 2, static_cast<std::uint16_t>(v >> 16));
}

std::string Deflate(std::string_view data) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

BuiltZip BuildZip(const std::vector<ZipMember>& members, std::string_view comment, std::string_view prefix) {
    BuiltZip z;
    std::string archive;
    std::string directory;
    std::vector<std::size_t> centralInDir;
    for (const ZipMember& m : members) {
        const std::string payload = m.method == 8 ? Deflate(m.data) : m.data;
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(m.data.data()), static_cast<uInt>(m.data.size())));
        const std::uint32_t usize = m.unknownSize ? 0xFFFFFFFFu : static_cast<std::uint32_t>(m.data.size());
        const auto csize = static_cast<std::uint32_t>(payload.size());
        const auto offset = static_cast<std::uint32_t>(archive.size());
        z.local.push_back(prefix.size() + archive.size());
        Add32(archive, 0x04034B50);
        Add16(archive, 20);
        Add16(archive, m.flags);
        Add16(archive, static_cast<std::uint32_t>(m.method));
        Add32(archive, 0x50210000); // 2020-01-01 00:00
        Add32(archive, crc);
        Add32(archive, csize);
        Add32(archive, usize);
        Add16(archive, static_cast<std::uint32_t>(m.name.size()));
        Add16(archive, static_cast<std::uint32_t>(m.localExtra.size()));
        archive += m.name;
        archive += m.localExtra;
        archive += payload;

        centralInDir.push_back(directory.size());
        Add32(directory, 0x02014B50);
        Add16(directory, 20);
        Add16(directory, 20);
        Add16(directory, m.flags);
        Add16(directory, static_cast<std::uint32_t>(m.method));
        Add32(directory, 0x50210000);
        Add32(directory, crc);
        Add32(directory, csize);
        Add32(directory, usize);
        Add16(directory, static_cast<std::uint32_t>(m.name.size()));
        Add16(directory, 0);
        Add16(directory, 0);
        Add16(directory, 0);
        Add16(directory, 0);
        Add32(directory, 0);
        Add32(directory, offset);
        directory += m.name;
    }
    const auto dirOffset = static_cast<std::uint32_t>(archive.size());
    for (std::size_t c : centralInDir) z.central.push_back(prefix.size() + archive.size() + c);
    archive += directory;
    z.end = prefix.size() + archive.size();
    Add32(archive, 0x06054B50);
    Add16(archive, 0);
    Add16(archive, 0);
    Add16(archive, static_cast<std::uint32_t>(members.size()));
    Add16(archive, static_cast<std::uint32_t>(members.size()));
    Add32(archive, static_cast<std::uint32_t>(directory.size()));
    Add32(archive, dirOffset);
    Add16(archive, static_cast<std::uint32_t>(comment.size()));
    archive += comment;
    z.bytes = std::string(prefix) + archive;
    return z;
}

} // namespace test
