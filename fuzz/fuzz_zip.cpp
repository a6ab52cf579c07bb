// The zip reader on its own. The first byte chooses the member looked up and
// whether every entry is also walked and decoded in small pieces through the
// low-level calls; the rest is the archive.
#include "zip/zip_list_ctrl.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static const char* const kNames[] = {"previews/thumbnail.png", "metadata/thumbnails/thumbnail.bmp", "m", "A/B"};
    const std::uint8_t mode = data[0];
    const BYTE* archive = data + 1;
    const UINT n = static_cast<UINT>(size - 1);

    CMemFile out(1024);
    ExtractZipMember(CString(kNames[mode & 3]), &out, archive, n);
    if (!(mode & 4)) return 0;

    auto handle = ZipOpenMemory(archive, n);
    if (!handle) return 0;
    ZipEntryInfo entry;
    ZipGetEntry(*handle->archive, -1, &entry);
    const int count = entry.index < 64 ? entry.index : 64;
    for (int i = 0; i < count; ++i) {
        if (ZipGetEntry(*handle->archive, i, &entry) != kZipOk) continue;
        BYTE piece[3000];
        std::size_t total = 0;
        for (;;) {
            UINT len = sizeof piece;
            if (ZipExtractToBuffer(handle.get(), i, piece, &len) != kZipMoreData) break;
            total += len;
            if (total > (16u << 20)) break;
        }
    }
    int index = 0;
    ZipLocateEntry(handle.get(), CString(kNames[(mode >> 3) & 3]), (mode >> 5) & 1, &index, &entry, (mode >> 6) & 1);
    ZipClose(handle);
    return 0;
}
