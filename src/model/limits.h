// Limits on what a file may make us do, checked before the work is done.
#pragma once

#include <cstddef>

namespace limits {
// Deepest nesting of blocks inside blocks (DXF inserts, dimensions).
constexpr int kMaxBlockDepth = 32;
// Largest picture a preview may claim (pixels), and largest preview member.
constexpr std::size_t kMaxPreviewPixels = 64u * 1024 * 1024;
constexpr std::size_t kMaxPreviewBytes = 256u * 1024 * 1024;
// Largest uncompressed size per compressed byte of a deflate stream.
constexpr std::size_t kMaxDeflateRatio = 1032;
} // namespace limits
