// The program's string table and the command ids that go with it.
#pragma once

#include "platform/cstring.h"
#include "platform/wintypes.h"

constexpr UINT IDS_ABOUTBOX = 101;      // the system menu's about entry
constexpr UINT IDS_REGISTRY_KEY = 2000; // the settings' company key
constexpr UINT IDM_ABOUTBOX = 0x0010;   // its command id in the system menu

// The string resource id, or an empty string.
inline CString LoadResourceString(UINT id) {
    switch (id) {
    case IDS_ABOUTBOX:
        return "&About Loomveil...";
    case IDS_REGISTRY_KEY:
        return "Hollowmere";
    default:
        return {};
    }
}
