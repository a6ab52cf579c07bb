// The statements of an HP-GL or HP-GL/2 plot, as a plotter reads them.
//
// Grammar:
//  - A mnemonic is two letters (either case). Its parameters follow: numbers
//    separated by commas or blanks, a sign also starting a new number
//    ("PD10-20" is 10, -20). A statement ends at ';', at a line feed (unless
//    the parameters so far end with a comma), or where the next mnemonic
//    begins ("PUPA0 0"). Empty statements (";;") are nothing.
//  - Text parameters: LB, WD and BL run to the label terminator (ETX by
//    default; DT sets it, "DT;" restores ETX); CO takes a quoted string or
//    runs to ';'; SM takes one symbol character; DT its terminator
//    character. A quoted string inside numeric parameters (BP's title) is
//    skipped.
//  - PE carries base-64 or base-32 encoded data up to ';' (decoded by
//    DecodePolylineEncoded); where ';' is missing it ends before the first
//    number that no terminating digit completes.
//  - Escape sequences are not data: ESC . x [params :] device control,
//    ESC % n A (PCL), ESC % n B (HP-GL/2), ESC % -12345 X (job start), ESC E
//    (reset) and the other PCL sequences, with the binary payload that some
//    of them (ESC * b n W …) announce. Between PCL mode and the next
//    ESC % n B everything is PCL and skipped; "@PJL ENTER LANGUAGE=HPGL…"
//    enters HP-GL as well.
//  - NUL bytes and any other byte outside a statement are skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class HpglTokenizer {
public:
    explicit HpglTokenizer(std::string_view text) : m_s(text) {}

    // The next statement's mnemonic (upper case, e.g. "PD" as 'P','D'); false
    // at the end of the text. Numeric parameters are read with NextNumber;
    // what a statement leaves unread is skipped.
    bool Next(char& c0, char& c1);
    // The current statement's next numeric parameter; false when it has no
    // more.
    bool NextNumber(double& v);
    // The text of LB, WD, BL, CO and PE, the symbol of SM, the terminator of
    // DT (empty for "DT;").
    std::string_view Text() const { return m_text; }

private:
    void SkipEscape();
    void SkipPcl();
    void SkipParameters();
    void ReadText(char c0, char c1);

    std::string_view m_s;
    std::size_t m_pos = 0;
    std::string_view m_text;
    bool m_inParams = false;
    bool m_afterComma = false;
    bool m_pcl = false; // between a PCL escape and the next ESC % n B
    char m_terminator = '\x03';
};

// True when the text opens with HP-GL: its first statements (after any
// escape sequences and PCL) are mnemonics plot files begin with.
bool LooksLikeHpgl(std::string_view head);

// One element of PE data: a flag or a decoded number.
struct EncodedItem {
    enum Kind : std::uint8_t { number, penUp, absolute, fraction, selectPen, sevenBit } kind;
    std::int64_t value = 0; // for number: the signed value
};

// Calls sink(EncodedItem) for every flag and number of PE data and returns
// the bytes used: up to and including ';', or up to the start of a number
// that no terminating digit completes. A flag's eighth bit is ignored; so
// are blanks, control characters, DEL and bytes 128-160 and 255 inside the
// data. Numbers: least significant digit first; base 64 uses 63-126 for
// digits that continue and 191-254 for the last digit, base 32 (after the
// '7' flag, eighth bits ignored) 63-94 and 95-126; the lowest bit of the
// value is the sign.
template <class Sink> std::size_t DecodePolylineEncoded(std::string_view data, Sink&& sink);

// Defined here so the tokenizer and the interpreter share one decoder.
// True when the eighth-bit bytes of PE data (up to its ';') all come in
// pairs C2/C3 80-BF, one at least below BF: data that went through a
// conversion to UTF-8, where each byte 128-255 became two. Encoders do not
// write bytes 128-190 in PE data (they mean nothing there, or a flag).
bool IsUtf8Encoded(std::string_view data);

template <class Sink> std::size_t DecodePolylineEncoded(std::string_view data, Sink&& sink) {
    const bool utf8 = IsUtf8Encoded(data);
    bool base32 = false;
    std::uint64_t acc = 0;
    int shift = 0;
    std::size_t numberStart = 0;
    bool inNumber = false;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::size_t at = i;
        unsigned c = static_cast<unsigned char>(data[i]);
        if (utf8 && (c == 0xC2 || c == 0xC3) && i + 1 < data.size())
            c = (static_cast<unsigned char>(data[++i]) & 0x3F) | (c == 0xC2 ? 0x80 : 0xC0);
        if (c == ';') return inNumber ? numberStart : i + 1;
        if (c <= 32 || c == 127 || (c >= 128 && c <= 160) || c == 255) continue;
        if (base32) c &= 0x7F;
        int digit = -1;
        bool last = false;
        if (base32) {
            if (c >= 63 && c <= 94)
                digit = static_cast<int>(c - 63);
            else if (c >= 95 && c <= 126)
                digit = static_cast<int>(c - 95), last = true;
        } else {
            if (c >= 63 && c <= 126)
                digit = static_cast<int>(c - 63);
            else if (c >= 191 && c <= 254)
                digit = static_cast<int>(c - 191), last = true;
        }
        if (digit >= 0) {
            if (!inNumber) {
                inNumber = true;
                numberStart = at;
                acc = 0;
                shift = 0;
            }
            // Digits past 62 bits cannot be told apart: they saturate.
            if (shift < 62) acc |= static_cast<std::uint64_t>(digit) << shift;
            shift += base32 ? 5 : 6;
            if (last) {
                inNumber = false;
                const std::int64_t magnitude = static_cast<std::int64_t>(acc >> 1);
                sink(EncodedItem{EncodedItem::number, (acc & 1) ? -magnitude : magnitude});
            }
            continue;
        }
        if (inNumber) return numberStart; // cut short: PE ended before it
        switch (c & 0x7F) {
        case '<':
            sink(EncodedItem{EncodedItem::penUp});
            break;
        case '=':
            sink(EncodedItem{EncodedItem::absolute});
            break;
        case '>':
            sink(EncodedItem{EncodedItem::fraction});
            break;
        case ':':
            sink(EncodedItem{EncodedItem::selectPen});
            break;
        case '7':
            base32 = true;
            sink(EncodedItem{EncodedItem::sevenBit});
            break;
        default:
            return at; // not PE data: the next statement starts here
        }
    }
    return inNumber ? numberStart : data.size();
}
