// Character sets of DXF text.
//
// Files before R2007 ($ACADVER below AC1021) hold 8-bit text in the code
// page their HEADER names in $DWGCODEPAGE ("ANSI_1252", "ANSI_1251",
// "ANSI_932", ...); files without one are taken as Windows 1252. From R2007
// on, text is UTF-8. In any version, "\U+XXXX" stands for the Unicode
// character XXXX (hex) and "\M+nXXXX" for the double-byte character XXXX of
// the Asian code page n (1: 932 Japanese, 2: 950 Traditional Chinese,
// 3: 949 Korean, 4: 1361 Johab, 5: 936 Simplified Chinese).
#pragma once

#include <string>
#include <string_view>

// Code page number of the UTF-8 files.
constexpr unsigned kDxfUtf8 = 65001;

// The Windows code page a $DWGCODEPAGE value names (1252 for names not
// known); kDxfUtf8 when $ACADVER says R2007 or later.
unsigned DxfCodePage(std::string_view dwgCodePage, std::string_view acadVer);

// The text as Unicode, with the \U+ and \M+ escapes decoded. A "\\" pair is
// kept as it is, so that an escaped backslash never starts an escape.
std::u32string DxfDecodeText(std::string_view raw, unsigned codePage);
