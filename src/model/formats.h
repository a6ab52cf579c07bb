// The input formats by extension, for messages and reports.
#pragma once

#include <string_view>

struct InputFormat {
    std::string_view ext;  // lower case, without the dot
    std::string_view name; // short name shown to the user
};

// The format of a lower-case extension, or null when no reader handles it.
const InputFormat* FindInputFormat(std::string_view ext);
