#include "cli/progress.h"

#include <cstdio>

namespace cli {

namespace {
constexpr int kBarWidth = 24;
constexpr std::size_t kNameWidth = 40;

bool IsContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}
} // namespace

std::string ShortenMiddle(std::string_view name, std::size_t width) {
    constexpr std::string_view kDots = "...";
    if (name.size() <= width) return std::string(name);
    if (width <= kDots.size()) return std::string(kDots.substr(0, width));
    const std::size_t keep = width - kDots.size();
    // More of the end: it holds the file's own name.
    std::size_t head = keep / 3, tail = keep - head;
    while (head > 0 && IsContinuation(name[head])) --head;
    std::size_t tailStart = name.size() - tail;
    while (tailStart < name.size() && IsContinuation(name[tailStart])) ++tailStart;
    return std::string(name.substr(0, head)) + std::string(kDots) + std::string(name.substr(tailStart));
}

std::string FormatDuration(double seconds) {
    const long long s = seconds < 0 ? 0 : static_cast<long long>(seconds + 0.5);
    char buf[32];
    if (s >= 3600)
        std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(buf, sizeof buf, "%lld:%02lld", s / 60, s % 60);
    return buf;
}

Progress::Progress(std::size_t total, bool enabled)
    : m_total(total), m_enabled(enabled && total > 1), m_start(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    Clear();
}

void Progress::Step(std::string_view name) {
    ++m_done;
    if (!m_enabled) return;
    const int filled = static_cast<int>(m_done * kBarWidth / m_total);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kBarWidth, ' ');
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    const double left = elapsed / static_cast<double>(m_done) * static_cast<double>(m_total - m_done);
    const std::string shown = ShortenMiddle(name, kNameWidth);
    std::fprintf(stderr, "\r\033[K[%s] %zu/%zu %s left  %s", bar.c_str(), m_done, m_total,
                 FormatDuration(left).c_str(), shown.c_str());
    std::fflush(stderr);
    m_shown = true;
}

void Progress::Clear() {
    if (!m_shown) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    m_shown = false;
}

} // namespace cli
