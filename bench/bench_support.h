// Helpers for the benchmarks: generated inputs in a temporary folder, a
// document rendering into a bitmap, peak memory.
#pragma once

#include "model/loomveil_doc.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace bench {

// A folder for generated inputs, removed at exit; generated files are kept
// for the run so that several benchmarks share them.
const std::filesystem::path& WorkDir();

// Path of a generated input: made by make(path) the first time it is asked for.
template <class Make>
std::string Generated(const std::string& name, Make&& make) {
    const std::string path = (WorkDir() / name).string();
    if (!std::filesystem::exists(path)) make(path);
    return path;
}

// main() for benchmarks that draw text: a GUI application without a screen
// (the font machinery needs one), then the registered benchmarks.
int MainWithFonts(int argc, char** argv);

// Runs the generator script ../shared/bench/<script> with the arguments.
void RunSharedGenerator(const std::string& script, const std::string& out, const std::string& args);

std::size_t FileSize(const std::string& path);

// Peak resident memory of this process so far, in MiB.
double PeakRssMiB();
// A field of /proc/self/status in MiB ("VmRSS:", "VmHWM:"), 0 when absent.
double StatusMiB(const char* field);
// Resets the kernel's resident high-water mark (VmHWM), so that it measures
// from here.
void ResetPeakRss();

// The bare loop the text readers are measured against: finds every line
// with memchr and parses every number on it with std::from_chars, doing
// nothing else. Returns a checksum so the work is not optimised away.
double BareScanParse(std::string_view text);

// A white bitmap and a DC drawing into it.
struct Canvas {
    CBitmap bitmap;
    CDC dc;
    Canvas(int width, int height);
    int width() const { return bitmap.Image().width(); }
    int height() const { return bitmap.Image().height(); }
};

// Renders path through the document, as the viewer does; returns the result.
int RenderInto(CLoomveilDoc& doc, const std::string& path, Canvas& canvas);

// Appends "<command>x,y\r\n" with both numbers fixed to four decimals, as
// the generated QLI records have them.
void AppendXY(std::string& out, std::string_view command, double x, double y);

} // namespace bench
