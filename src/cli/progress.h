// The progress line on stderr while a batch is worked through: a bar, the
// count, an estimate of the time left and the name of the file last done,
// shortened in the middle. Shown only when stderr is a terminal.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

namespace cli {

class Progress {
public:
    Progress(std::size_t total, bool enabled);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // One more input done.
    void Step(std::string_view name);
    // Clears the line before other output goes to the terminal.
    void Clear();

private:
    std::size_t m_total;
    std::size_t m_done = 0;
    bool m_enabled;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_start;
};

// name in at most width bytes: its start and its end with "..." between,
// never cutting a UTF-8 character in two.
std::string ShortenMiddle(std::string_view name, std::size_t width);

// "0:07" or "1:02:03".
std::string FormatDuration(double seconds);

} // namespace cli
