// The DXF loader on arbitrary bytes. The first byte chooses the source: bit
// 0 clear reads the rest from memory; set, through a file, and with bit 1
// also set behind comment pairs that end (byte >> 2) bytes before the end of
// the reader's first 64 KiB buffer, so that the input meets the buffer
// boundary. The extents are computed after the load.
#include "dxf/dxf_load.h"

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const void* p, std::size_t n) {
    const auto* b = static_cast<const char*>(p);
    while (n) {
        const ssize_t k = write(fd, b, n);
        if (k <= 0) return false;
        b += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

std::string Padding(std::size_t bytes) {
    std::string out;
    while (bytes - out.size() > 2005) out += "999\n" + std::string(1995, 'x') + "\n";
    out += "999\n" + std::string(bytes - out.size() - 5, 'x') + "\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    HDXFDRAWING h = DxfCreateDrawing();
    if (!h) return 0;
    if (!(mode & 1)) {
        DxfLoadFile(h, DxfSource::Memory(data, size));
    } else {
        const int fd = memfd_create("loomveil-fuzz-dxf", MFD_CLOEXEC);
        if (fd >= 0) {
            const std::string pad = (mode & 2) ? Padding(65536 - (mode >> 2)) : std::string();
            if (WriteAll(fd, pad.data(), pad.size()) && WriteAll(fd, data, size)) {
                CFile file;
                if (file.Open(CString("/proc/self/fd/" + std::to_string(fd)), CFile::modeRead))
                    DxfLoadFile(h, DxfSource::File(&file));
            }
            close(fd);
        }
    }
    DxfZoomExtents(h);
    DxfDestroyDrawing(h);
    return 0;
}
