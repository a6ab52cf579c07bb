#include "fuzz_reader.h"

// The whole input is the file: the zip path or the old preview path.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::RenderAs("cdr", data, size);
}
