// The DXF loader and drawing on arbitrary bytes. The first byte chooses the
// source: bit 0 clear reads the rest from memory; set, through a file, and
// with bit 1 also set behind comment pairs that end (byte >> 2) bytes before
// the end of the reader's first 64 KiB buffer, so that the input meets the
// buffer boundary. From memory with bit 1 set, searches for pairs are also
// run skimming and pair by pair, and must agree. After the load the drawing
// is fitted into a small bitmap and painted with its outline collected; from
// memory with bit 2 set it is also painted onto a paint device (as a
// printer is), and with bit 3 set at a zoom 1000 times too large.
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
    DxfSetView(h, 0, 0, 64, 48, RGB(0xD0, 0xD0, 0xD0));
    DxfZoomExtents(h);
    if (zoomIn) {
        if (auto* d = static_cast<DXFDRAWING*>(GlobalLock(h))) {
            d->dZoom *= 1000.0;
            GlobalUnlock(h);
        }
    }
    DXFOUTLINE outline;
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(nullptr, 64, 48);
    {
        CDC dc;
        dc.CreateCompatibleDC(nullptr);
        dc.SelectObject(&bitmap);
        DxfPaint(h, &dc, &outline);
    }
    if (device) {
        QImage image(64, 48, QImage::Format_RGB32);
        CDC dc;
        dc.AttachDevice(&image, false);
        DxfPaint(h, &dc, nullptr);
    }
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
        if ((mode & 2) && Searches(data, size, true) != Searches(data, size, false)) __builtin_trap();
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
    EnsureApplication();
    Paint(h, !(mode & 1) && (mode & 4), !(mode & 1) && (mode & 8));
    DxfDestroyDrawing(h);
    return 0;
}
