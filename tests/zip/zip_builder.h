// Builds zip archives for the tests, with zlib for the deflated members, and
// reports where each record went so that a test can damage one field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace test {

struct ZipMember {
    ZipMember(std::string n, std::string d, int m = 8, std::uint16_t f = 0, std::string extra = {},
              bool unknown = false)
        : name(std::move(n)), data(std::move(d)), method(m), flags(f), localExtra(std::move(extra)),
          unknownSize(unknown) {}
    std::string name;
    std::string data;
    int method; // 0 stored, 8 deflated
    std::uint16_t flags;
    std::string localExtra;
    bool unknownSize; // 0xFFFFFFFF written as the uncompressed size
};

struct BuiltZip {
    std::string bytes;
    std::vector<std::size_t> local, central; // where each member's headers went
    std::size_t end = 0;                     // where the end record went
};

// The archive of members after prefix (which the archive's own offsets do
// not count), followed by comment.
BuiltZip BuildZip(const std::vector<ZipMember>& members, std::string_view comment = {},
                  std::string_view prefix = {});

void Put16(std::string& bytes, std::size_t at, std::uint16_t v);
void Put32(std::string& bytes, std::size_t at, std::uint32_t v);

} // namespace test
