// The DXF loader and drawing on arbitrary bytes, cheaply: the first byte
// chooses how. Its low two bits pick the source and the backend: 0 from
// memory into a small bitmap with the outline collected; 1 from memory
// onto a paint device (as a printer is drawn); 2 through a file, behind
// comment pairs that end (byte >> 3) bytes before the end of the reader's
// first 64 KiB buffer, so that the input meets the buffer boundary, into
// the bitmap; 3 from memory into the bitmap, after the searches for pairs
// have been run skimming and pair by pair and found to agree. Bit 2 draws
// at a zoom 1000 times too large.
#include "dxf/dxf_load.h"
#include "dxf/dxf_paint.h"
#include "dxf/dxf_reader_internal.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr int kWidth = 48, kHeight = 36;

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

// Results, positions and line counts of a run of searches.
std::string Searches(const std::uint8_t* data, std::size_t size, bool skim) {
    dxf_reader_testing::UseSkimming(skim);
    std::string out;
    HDXFREADER h = DxfOpenReader(nullptr, nullptr, data ? data : reinterpret_cast<const std::uint8_t*>(""),
                                 static_cast<DWORD>(size));
    if (h) {
        GlobalLockGuard<DXFREADER> r(h);
        const char* keys[] = {"SECTION", "TABLE", "LAYER", "BLOCK", "ENDSEC"};
        for (int i = 0; i < 64 && r->dwPos < r->dwFileSize; ++i) {
            const BOOL found = DxfFindPair(r.get(), 0, keys[i % 5]);
            out +=
                std::to_string(found) + ":" + std::to_string(r->dwPos) + ":" + std::to_string(r->nLine) + ";";
            char line[8];
            if (!found || i % 3 == 0) DxfReadLine(r.get(), line, sizeof line);
        }
        r.Release();
        DxfCloseReader(h);
    }
    dxf_reader_testing::UseSkimming(true);
    return out;
}

std::string Padding(std::size_t bytes) {
    std::string out;
    while (bytes - out.size() > 2005) out += "999\n" + std::string(1995, 'x') + "\n";
    out += "999\n" + std::string(bytes - out.size() - 5, 'x') + "\n";
    return out;
}

// Text needs the font machinery of a GUI application, without a screen.
void EnsureApplication() {
    static QGuiApplication* app = [] {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "fuzz_dxf";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

void Paint(HDXFDRAWING h, bool device, bool zoomIn) {
    DxfSetView(h, 0, 0, kWidth, kHeight, RGB(0xD0, 0xD0, 0xD0));
    DxfZoomExtents(h);
    if (zoomIn) {
        if (auto* d = static_cast<DXFDRAWING*>(GlobalLock(h))) {
            d->dZoom *= 1000.0;
            GlobalUnlock(h);
        }
    }
    if (device) {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        CDC dc;
        dc.AttachDevice(&image, false);
        DxfPaint(h, &dc, nullptr);
        return;
    }
    DXFOUTLINE outline;
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, kWidth, kHeight);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    dc.SelectObject(&bitmap);
    DxfPaint(h, &dc, &outline);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    ++data;
    --size;
    HDXFDRAWING h = DxfCreateDrawing();
    if (!h) return 0;
    const int way = mode & 3;
    if (way == 2) {
        const int fd = memfd_create("loomveil-fuzz-dxf", MFD_CLOEXEC);
        if (fd >= 0) {
            const std::string pad = Padding(65536 - (mode >> 3));
            if (WriteAll(fd, pad.data(), pad.size()) && WriteAll(fd, data, size)) {
                CFile file;
                if (file.Open(CString("/proc/self/fd/" + std::to_string(fd)), CFile::modeRead))
                    DxfLoadFile(h, DxfSource::File(&file));
            }
            close(fd);
        }
    } else {
        if (way == 3 && Searches(data, size, true) != Searches(data, size, false)) __builtin_trap();
        DxfLoadFile(h, DxfSource::Memory(data, size));
    }
    EnsureApplication();
    Paint(h, way == 1, (mode & 4) != 0);
    DxfDestroyDrawing(h);
    return 0;
}
