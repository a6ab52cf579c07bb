// The inline codes of MTEXT, read into a list of characters, breaks and
// stacked fractions, each with the format in force.
//
//   \P new paragraph      \N new column (a paragraph here)   \X as \P
//   \~ no-break space     \\ \{ \} the characters themselves
//   { } a group: formats set inside end at its close
//   \fFamily|b1|i0|...;   an outline family (bold, italic)
//   \Ffile.shx|...;       a font file
//   \H2.5; \H0.7x;        height, absolute or relative
//   \W0.8; \W1.2x;        width factor
//   \Q15;                 oblique angle (degrees)
//   \T1.5; \T1.5x;        tracking (character spacing factor)
//   \C1;  \c16711680;     colour number, true colour
//   \L \l \O \o \K \k     underline, overline, strike-through on and off
//   \Sup^down; \Sup/down; \Sup#down;   stacked text: tolerance, fraction
//                         with a horizontal bar, with a diagonal one
//   \A1;                  alignment within the line (not used here)
//   \pxqc; \pi1,l2;       paragraph properties: qc/ql/qr/qj align it
//   ^I tab, ^J new paragraph, "^ " a caret; %%c %%d %%p as in TEXT
// A code this reader does not know is passed over with its letter.
#pragma once

#include "dxf/dxf_font.h"

#include <string>
#include <string_view>
#include <vector>

struct DxfMTextFormat {
    DxfFont* font = nullptr;
    double height = 1;   // drawing units
    double width = 1;    // width factor
    double oblique = 0;  // degrees
    double tracking = 1; // spacing factor
    int colour = -1;     // colour number, -1 for the entity's
    long rgb = -1;       // true colour 0xRRGGBB, -1 for none
    bool underline = false, overline = false, strike = false;
    int align = -1; // paragraph: 0 left, 1 centre, 2 right, -1 by the attachment
};

struct DxfMTextItem {
    enum Kind { Char, Space, Tab, Paragraph, Stack } kind;
    char32_t c = 0;          // Char; the stacking character (^ / #) for Stack
    std::u32string up, down; // Stack
    DxfMTextFormat format;
};

std::vector<DxfMTextItem> DxfParseMText(std::u32string_view text, const DxfMTextFormat& base);

// %%c, %%d, %%p and %%nnn at text[i] (a "%%" with its code): the character
// and the length of the code; 0 length when there is none there. The %%o,
// %%u and %%k switches give character 0 and their length.
std::size_t DxfPercentCode(std::u32string_view text, std::size_t i, char32_t& c);
