// Helpers shared by the text readers.
#pragma once

#include <cstddef>
#include <string_view>

// Deletes every occurrence of token from the n bytes at text, in place, and
// returns the new length. Pieces are joined in order, so deleting one token
// may form another: callers delete tokens in the order the format gives.
std::size_t DeleteToken(char* text, std::size_t n, std::string_view token);

// Which of the characters of set (at most 8) occur in the n bytes at text:
// bit i is set when set[i] occurs. One pass, however many characters.
unsigned CharsPresent(const char* text, std::size_t n, std::string_view set);

// True when line begins with prefix (exact bytes).
constexpr bool StartsWith(std::string_view line, std::string_view prefix) {
    return line.size() >= prefix.size() && line.substr(0, prefix.size()) == prefix;
}


class LineCursor;

// The next line of a text whose data ends at an empty line (a line feed
// right after a line feed; a line holding only a carriage return is not
// empty). False at that line or when no line feed follows; with lastCounts,
// a final line without a line feed is read too.
bool NextDataLine(LineCursor& lines, std::string_view& line, bool lastCounts = false);

// "%f %f": two numbers, white space (or none) between them.
bool ScanBlankPair(std::string_view s, float& x, float& y);
