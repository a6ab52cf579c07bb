// The common body of the reader fuzz targets: the input becomes the current
// file (an in-memory file, so the real file path is exercised) and is
// rendered into a small picture, as the viewer would.
#pragma once

#include "model/loomveil_doc.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace fuzz {

inline int RenderAs(const char* ext, const std::uint8_t* data, std::size_t size) {
    const int fd = memfd_create("loomveil-fuzz", MFD_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    CLoomveilDoc doc;
    // The reader picks its dialect from the extension, not from the name.
    doc.m_strFilePath = CString("/proc/self/fd/" + std::to_string(fd));
    doc.m_strFileName = CString(std::string("input.") + ext);
    doc.m_strFileExt = CString(ext);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, 64, 48);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&bitmap);
    doc.RenderBitmap(&dc, 64, 48);
    dc.SelectObject(static_cast<CBitmap*>(nullptr));
    close(fd);
    return 0;
}

} // namespace fuzz
