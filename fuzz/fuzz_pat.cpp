#include "fuzz_reader.h"

// The first byte chooses the dialect; the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* const kDialects[] = {"pat", "ssd", "hqf"};
    return fuzz::RenderAs(kDialects[data[0] % 3], data + 1, size - 1);
}
