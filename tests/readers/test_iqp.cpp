#include "readers/reader_test.h"

namespace test {

TEST(IqpReader, BothVersionsJumpsCountsAndDamage) {
    const auto v1 = [](std::uint32_t count) {
        return LeBytes{}.Text("StitchV1").Zeros(88).U32(count).Zeros(4);
    };
    const auto v2 = [](std::uint32_t block, std::uint32_t d) {
        return LeBytes{}.Text("StitchV2").Zeros(20).U32(block).Zeros(block).Zeros(4).U32(d);
    };
    // Version 2 as design programs write it: a chain of tagged blocks, the
    // points in tag 7.
    const auto chain = [](std::uint32_t points) {
        return LeBytes{}
            .Text("StitchV2        ")
            .Zeros(8)
            .U32(4)
            .U32(12)
            .Text("Pattern name")
            .U32(5)
            .U32(3)
            .Text("abc")
            .U32(7)
            .U32(4 * points);
    };
    ASSERT_EQ(v2(0, 12).bytes.size(), 40u); // the records of version 2 start at 40 + B
    ExpectModels({
        // Records with x or y exactly 12000 are jumps.
        {"iqp", v1(5).Point(0, 0).Point(12000, 5).Point(5, 12000).Point(5, -12000).Point(3, -4).bytes,
         "0,0 | | 5,12000 3,4"},
        // D = 12 is three records.
        {"iqp", v2(0, 12).Point(1, 1).Point(2, 2).Point(3, 3).Point(9, 9).bytes, "1,-1 2,-2 3,-3"},
        {"iqp", v2(5, 9).Point(7, 8).Point(9, 9).bytes, "7,-8 9,-9"},
        {"iqp", v1(0).Point(1, 1).bytes, ""},
        // A count larger than the file reads the records that are there.
        {"iqp", v1(0xFFFFFFFF).Point(1, 1).Point(2, 2).F32(3).bytes, "1,-1 2,-2"},
        {"iqp", v2(0, 0xFFFFFFFF).Point(1, 1).bytes, "1,-1"},
        {"iqp", chain(2).Point(1, 1).Point(2, 2).U32(8).U32(5).Text("notes").U32(1).U32(0).bytes,
         "1,-1 2,-2"},
        // Tag 7 first; an untagged first block is the one-block layout.
        {"iqp", LeBytes{}.Text("StitchV2").Zeros(16).U32(7).U32(4).Point(3, 3).bytes, "3,-3"},
        {"iqp", v2(3, 4).Point(4, 4).U32(7).bytes, "4,-4"},
    });
    for (const std::string& bytes :
         {std::string("StitchV"), "stitchV1" + std::string(100, '\0'), "StitchV3" + std::string(100, '\0'),
          v1(1).bytes.substr(0, 99), v2(1000, 8).bytes.substr(0, 200)})
        EXPECT_NE(Refusal("iqp", bytes).find("IQP"), std::string::npos) << bytes.size();
}

} // namespace test
