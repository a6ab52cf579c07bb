#include "readers/text_util.h"

#include "model/scan.h"

#include <cstring>

std::size_t DeleteToken(char* text, std::size_t n, std::string_view token) {
    if (token.empty() || n < token.size()) return n;
    char* end = text + n;
    char* read = text;
    char* write = text;
    while (true) {
        const std::size_t left = static_cast<std::size_t>(end - read);
        void* hit = memmem(read, left, token.data(), token.size());
        if (!hit) break;
        const std::size_t piece = static_cast<std::size_t>(static_cast<char*>(hit) - read);
        if (write != read) std::memmove(write, read, piece);
        write += piece;
        read = static_cast<char*>(hit) + token.size();
    }
    if (write == read) return n;
    const std::size_t tail = static_cast<std::size_t>(end - read);
    std::memmove(write, read, tail);
    write += tail;
    *write = 0;
    return static_cast<std::size_t>(write - text);
}

unsigned CharsPresent(const char* text, std::size_t n, std::string_view set) {
    unsigned found = 0;
    const std::size_t k = set.size() < 8 ? set.size() : 8;
    // Branch-free over blocks so the compiler can vectorise the compares.
    constexpr std::size_t kBlock = 4096;
    for (std::size_t start = 0; start < n; start += kBlock) {
        const std::size_t end = start + kBlock < n ? start + kBlock : n;
        for (std::size_t j = 0; j < k; ++j) {
            if (found & (1u << j)) continue;
            const unsigned char c = static_cast<unsigned char>(set[j]);
            unsigned char hit = 0;
            for (std::size_t i = start; i < end; ++i) hit |= static_cast<unsigned char>(text[i]) == c;
            if (hit) found |= 1u << j;
        }
        if (found == (1u << k) - 1) break;
    }
    return found;
}

bool NextDataLine(LineCursor& lines, std::string_view& line, bool lastCounts) {
    const bool got = lastCounts ? lines.NextOrLast(line) : lines.Next(line);
    return got && !line.empty();
}

bool ScanBlankPair(std::string_view s, float& x, float& y) {
    Scanner sc(s);
    return sc.Float(x) && sc.Float(y);
}
