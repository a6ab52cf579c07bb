#include "fuzz_reader.h"

// The first byte chooses the dialect; the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    return fuzz::RenderAs((data[0] & 1) ? "cqp" : "plt", data + 1, size - 1);
}
