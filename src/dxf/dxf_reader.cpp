#include "dxf/dxf_heap.h"
#include "dxf/dxf_reader_internal.h"
#include "model/scan.h"

#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <climits>
#include <cstdint>
#include <cstring>
#include <new>

namespace {

// Bytes that stop the scan of a line: its terminators, and NUL, where the
// value as a C string ends.
constexpr std::array<bool, 256> kLineStop = [] {
    std::array<bool, 256> t{};
    t['\r'] = t['\n'] = t[0] = true;
    return t;
}();

// The first CR or LF in [p, e), or e; the first NUL before it goes to nul.
// Eight bytes at a time are tested for one below 14, which every stop byte
// is; the few others there (tab, vertical tab, form feed) are stepped over.
inline const BYTE* ScanLine(const BYTE* p, const BYTE* e, const BYTE*& nul) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    for (;;) {
        bool hit = false;
        while (e - p >= 8) {
            std::uint64_t x;
            std::memcpy(&x, p, 8);
            const std::uint64_t below = (x - 14 * kOnes) & ~x & kHigh;
            if (below) {
                p += __builtin_ctzll(below) >> 3;
                hit = true;
                break;
            }
            p += 8;
        }
        if (!hit) {
            while (p < e && !kLineStop[*p]) ++p;
            if (p == e) return e;
        }
        if (*p == '\r' || *p == '\n') return p;
        if (*p == 0 && !nul) nul = p;
        ++p;
    }
}

// Loads the block of the file that starts at dwPos. A read that fails or
// finds nothing where the file's size promised data ends the data there.
bool Load(DXFREADER* r) {
    if (!r->hFile || r->dwPos >= r->dwFileSize) return false;
    const LONG want =
        r->dwFileSize - r->dwPos < DXF_READ_BUFFER_BYTES ? r->dwFileSize - r->dwPos : DXF_READ_BUFFER_BYTES;
    UINT got = 0;
    try {
        r->hFile->Seek(r->dwPos, CFile::begin);
        got = r->hFile->Read(const_cast<BYTE*>(r->pBuffer), static_cast<UINT>(want));
    } catch (const CFileException&) {
        got = 0;
    }
    r->dwBufferStart = r->dwPos;
    r->nBuffered = static_cast<LONG>(got);
    if (got == 0) {
        r->bReadError = 1;
        r->dwFileSize = r->dwPos;
        return false;
    }
    return true;
}

// Makes the byte at dwPos available; false at the end of the data.
inline bool Available(DXFREADER* r) {
    if (r->dwPos >= r->dwFileSize) return false;
    const LONG off = r->dwPos - r->dwBufferStart;
    if (off >= 0 && off < r->nBuffered) return true;
    return Load(r);
}

// Reads one line and returns up to limit bytes of it (to its first NUL),
// seen in the buffer when the whole line lies there, else copied into
// scratch.
std::string_view ReadLineView(DXFREADER* r, char* scratch, std::size_t limit) {
    ++r->nLine;
    if (!Available(r)) return {};
    {
        const BYTE* p = r->pBuffer + (r->dwPos - r->dwBufferStart);
        const BYTE* e = r->pBuffer + r->nBuffered;
        const BYTE* nul = nullptr;
        const BYTE* q = ScanLine(p, e, nul);
        const bool bufferEndsData = r->dwBufferStart + r->nBuffered >= r->dwFileSize;
        // The byte after a CR must be seen to know whether an LF belongs to it.
        if (q < e && (*q == '\n' || q + 1 < e || bufferEndsData)) {
            LONG step = static_cast<LONG>(q - p) + 1;
            if (*q == '\r' && q + 1 < e && q[1] == '\n') ++step;
            r->dwPos += step;
            std::size_t len = static_cast<std::size_t>((nul ? nul : q) - p);
            if (len > limit) len = limit;
            return {reinterpret_cast<const char*>(p), len};
        }
    }
    // The line runs over the end of the buffer.
    std::size_t stored = 0;
    bool ended = false; // a NUL ended the stored text
    while (Available(r)) {
        const BYTE* p = r->pBuffer + (r->dwPos - r->dwBufferStart);
        const BYTE* e = r->pBuffer + r->nBuffered;
        const BYTE* nul = nullptr;
        const BYTE* q = ScanLine(p, e, nul);
        if (!ended) {
            std::size_t n = static_cast<std::size_t>((nul ? nul : q) - p);
            if (n > limit - stored) n = limit - stored;
            std::memcpy(scratch + stored, p, n);
            stored += n;
            ended = nul != nullptr;
        }
        r->dwPos += static_cast<LONG>(q - p);
        if (q < e) {
            const BYTE c = *q;
            ++r->dwPos;
            if (c == '\r' && Available(r) && r->pBuffer[r->dwPos - r->dwBufferStart] == '\n') ++r->dwPos;
            break;
        }
    }
    return {scratch, stored};
}

bool IsValue(std::string_view v, const char* keyword) {
    return v == keyword;
}

DXFREADER::FailedSearch* FailedSearchFor(DXFREADER* r, int code, const char* value) {
    const std::size_t len = std::strlen(value);
    if (len >= sizeof r->failed[0].szValue) return nullptr;
    for (UINT i = 0; i < r->nFailed; ++i)
        if (r->failed[i].code == code && std::strcmp(r->failed[i].szValue, value) == 0) return &r->failed[i];
    if (r->nFailed == std::size(r->failed)) return nullptr;
    DXFREADER::FailedSearch& f = r->failed[r->nFailed++];
    f.code = code;
    std::memcpy(f.szValue, value, len + 1);
    f.fromLine[0] = f.fromLine[1] = -1;
    return &f;
}

// Reads pairs up to the next code 0 pair, marking before each, and leaves
// its value in pszValue. With rewind, the position goes back to before it.
void ReadToCodeZero(DXFREADER* r, char* pszValue, bool mark) {
    for (;;) {
        if (mark) DxfMark(r);
        const DxfPair p = DxfReadPairView(r);
        if (p.code == 0) {
            DxfCopyText(pszValue, DXF_VALUE_BYTES, p.value);
            return;
        }
    }
}

// After an ENDBLK: reads over its own pairs; an ENDSEC after them ends the
// section (the position stays after it), anything else is put back.
void AfterEndBlock(DXFREADER* r) {
    r->bInBlock = 0;
    char value[DXF_VALUE_BYTES];
    ReadToCodeZero(r, value, true);
    if (IsValue(value, "ENDSEC"))
        r->nSection = 0;
    else
        DxfRewind(r);
}

// Stores a table entry's pair; the entry record is chosen by nTable. Flags
// (70, and a style's 71) keep their low byte, sign-extended.
void StoreTableValue(UINT nTable, void* pEntry, int code, std::string_view v) {
    auto flags = [&] { return static_cast<int>(static_cast<signed char>(DxfAtoi(v) & 0xFF)); };
    switch (nTable) {
    case DXF_TABLE_LAYER: {
        auto* e = static_cast<DXFLAYERENTRY*>(pEntry);
        if (code == 70)
            e->nFlags = flags();
        else
            DxfStoreField(code, v, {{2, e->szName}, {62, &e->nColor}, {6, e->szLineType}});
        break;
    }
    case DXF_TABLE_LTYPE: {
        // The dashes (49) are counted by the caller.
        auto* e = static_cast<DXFLTYPEENTRY*>(pEntry);
        if (code == 70)
            e->nFlags = flags();
        else
            DxfStoreField(
                code, v,
                {{2, e->szName}, {3, e->szDescription}, {73, &e->nDashes}, {40, &e->dPatternLength}});
        break;
    }
    case DXF_TABLE_STYLE: {
        auto* e = static_cast<DXFSTYLEENTRY*>(pEntry);
        if (code == 70)
            e->nFlags = flags();
        else if (code == 71)
            e->nGenFlags = flags();
        else
            DxfStoreField(code, v,
                          {{2, e->szName},
                           {3, e->szFontFile},
                           {40, &e->dHeight},
                           {41, &e->dWidthFactor},
                           {42, &e->dLastHeight},
                           {50, &e->dOblique}});
        break;
    }
    case DXF_TABLE_DIMSTYLE: {
        auto* e = static_cast<DXFDIMSTYLEENTRY*>(pEntry);
        if (code == 70)
            e->nFlags = flags();
        else
            DxfStoreField(code, v,
                          {{2, e->szName},
                           {176, &e->nClrDimLine},
                           {46, &e->dDimLineExt},
                           {177, &e->nClrExtLine},
                           {44, &e->dExtLineExt},
                           {42, &e->dExtLineOffset},
                           {6, e->szBlk1},
                           {7, e->szBlk2},
                           {41, &e->dArrowSize},
                           {340, &e->nTextStyleHandle},
                           {178, &e->nClrText},
                           {140, &e->dTextHeight},
                           {77, &e->nTextAbove},
                           {147, &e->dTextGap},
                           {3, e->szPost},
                           {144, &e->dLinearFactor},
                           {45, &e->dRound},
                           {271, &e->nDecimals},
                           {78, &e->nZeros},
                           {278, &e->nDecimalSep}});
        break;
    }
    }
}

std::size_t EntrySize(UINT nTable) {
    switch (nTable) {
    case DXF_TABLE_LAYER:
        return sizeof(DXFLAYERENTRY);
    case DXF_TABLE_LTYPE:
        return sizeof(DXFLTYPEENTRY);
    case DXF_TABLE_STYLE:
        return sizeof(DXFSTYLEENTRY);
    case DXF_TABLE_DIMSTYLE:
        return sizeof(DXFDIMSTYLEENTRY);
    default:
        return 0;
    }
}

// Reads one entry's pairs up to the next code 0 pair, which is put back.
void ReadEntry(DXFREADER* r, UINT nTable, void* pEntry) {
    std::memset(pEntry, 0, EntrySize(nTable));
    if (nTable == DXF_TABLE_DIMSTYLE) static_cast<DXFDIMSTYLEENTRY*>(pEntry)->nDecimals = -1;
    int dashes = 0;
    for (;;) {
        DxfMark(r);
        const DxfPair p = DxfReadPairView(r);
        if (p.code == 0) break;
        if (nTable == DXF_TABLE_LTYPE && p.code == 49) {
            if (dashes < DXF_MAX_DASHES)
                static_cast<DXFLTYPEENTRY*>(pEntry)->dDashes[dashes++] = DxfAtof(p.value);
            continue;
        }
        StoreTableValue(nTable, pEntry, p.code, p.value);
    }
    DxfRewind(r);
}

const char* TableKeyword(UINT nTable) {
    switch (nTable) {
    case DXF_TABLE_DIMSTYLE:
        return "DIMSTYLE";
    case DXF_TABLE_LAYER:
        return "LAYER";
    case DXF_TABLE_LTYPE:
        return "LTYPE";
    case DXF_TABLE_STYLE:
        return "STYLE";
    default:
        return nullptr;
    }
}

UINT NextTable(DXFREADER* r) {
    if (r->nSection != DXF_SECTION_TABLES) return 0;
    if (!DxfFindPair(r, 0, "TABLE")) return 0;
    const DxfPair p = DxfReadPairView(r);
    UINT t = DXF_TABLE_OTHER;
    if (p.value == "LAYER")
        t = DXF_TABLE_LAYER;
    else if (p.value == "LTYPE")
        t = DXF_TABLE_LTYPE;
    else if (p.value == "STYLE")
        t = DXF_TABLE_STYLE;
    else if (p.value == "DIMSTYLE")
        t = DXF_TABLE_DIMSTYLE;
    r->nTable = t;
    return t;
}

// The locked reader for one public call.
using ReaderLock = GlobalLockGuard<DXFREADER>;

} // namespace

namespace {
// atoi of a group-code line, which is nearly always a few digits after
// blanks.
inline int CodeOf(const BYTE* p, const BYTE* end) {
    const BYTE* q = p;
    while (q < end && *q == ' ') ++q;
    int v = 0;
    const BYTE* d = q;
    while (q < end && *q >= '0' && *q <= '9' && q - d < 9) v = v * 10 + (*q++ - '0');
    if (q > d && (q == end || *q < '0' || *q > '9')) return v;
    return DxfAtoi({reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p)});
}
} // namespace

int DxfAtoi(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsScanSpace(s[i])) ++i;
    // Group codes have at most four digits: no overflow to care about.
    if (i < s.size() && s.size() - i <= 9) {
        std::size_t j = i;
        int v = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') v = v * 10 + (s[j++] - '0');
        if (j > i) return v;
    }
    int v = 0;
    ParseIntPrefix(s.substr(i), v);
    return v;
}

double DxfAtof(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsScanSpace(s[i])) ++i;
    // Plain decimals ("-12.5", "40000.0") of up to 15 digits with a whole
    // digit first: digits / 10^k, both exact, divide with one correct
    // rounding, which is what the full conversion gives. Everything else
    // (exponents, hexadecimal, inf, long numbers) takes the full conversion.
    {
        std::size_t j = i;
        const bool neg = j < s.size() && s[j] == '-';
        if (neg) ++j;
        std::uint64_t m = 0;
        int digits = 0, fraction = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9' && digits < 16)
            m = m * 10 + (s[j++] - '0'), ++digits;
        if (digits > 0 && j < s.size() && s[j] == '.') {
            ++j;
            while (j < s.size() && s[j] >= '0' && s[j] <= '9' && digits < 16)
                m = m * 10 + (s[j++] - '0'), ++digits, ++fraction;
        }
        const bool stops =
            j == s.size() || ((s[j] < '0' || s[j] > '9') && s[j] != 'e' && s[j] != 'E' && s[j] != '.');
        if (digits > 0 && digits <= 15 && stops) {
            static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
            const double v = static_cast<double>(m) / kPow10[fraction];
            return neg ? -v : v;
        }
    }
    double v = 0;
    if (ParseDoublePrefix(s.substr(i), v) == 0) return 0.0;
    return v;
}

void DxfCopyText(char* dest, std::size_t cb, std::string_view v) {
    if (cb == 0) return;
    const std::size_t n = v.size() < cb - 1 ? v.size() : cb - 1;
    if (n) std::memcpy(dest, v.data(), n);
    dest[n] = '\0';
}

bool DxfStoreField(int code, std::string_view v, std::initializer_list<DxfField> fields) {
    for (const DxfField& f : fields) {
        if (f.code != code) continue;
        if (f.number)
            *f.number = DxfAtof(v);
        else if (f.integer)
            *f.integer = DxfAtoi(v);
        else
            DxfCopyText(f.text, f.cb, v);
        return true;
    }
    return false;
}

BOOL DxfAdvance(DXFREADER* r) {
    if (r->dwPos >= r->dwFileSize) return TRUE;
    ++r->dwPos;
    return r->dwPos >= r->dwFileSize || Available(r) ? TRUE : FALSE;
}

void DxfMark(DXFREADER* r) {
    r->dwMark = r->dwPos;
    r->nMarkLine = r->nLine;
}

void DxfRewind(DXFREADER* r) {
    r->dwPos = r->dwMark;
    r->nLine = r->nMarkLine;
}

void DxfReadLine(DXFREADER* r, char* pDest, int n) {
    const std::string_view v = ReadLineView(r, r->szValueLine, n > 1 ? static_cast<std::size_t>(n - 1) : 0);
    if (n > 0) DxfCopyText(pDest, static_cast<std::size_t>(n), v);
}

DxfPair DxfReadPairView(DXFREADER* r, std::size_t limit) {
    if (limit > DXF_VALUE_BYTES - 1) limit = DXF_VALUE_BYTES - 1;
    // Most pairs lie whole in the buffer: both lines are found there, with
    // the position kept in locals, and written back once.
    const LONG off = r->dwPos - r->dwBufferStart;
    if (r->dwPos < r->dwFileSize && off >= 0 && off < r->nBuffered) {
        const BYTE* const base = r->pBuffer;
        const BYTE* const e = base + r->nBuffered;
        const bool bufferEndsData = r->dwBufferStart + r->nBuffered >= r->dwFileSize;
        const BYTE* p = base + off;
        const BYTE* nul = nullptr;
        const BYTE* q = ScanLine(p, e, nul);
        if (q < e && (*q == '\n' || q + 1 < e || bufferEndsData)) {
            const BYTE* codeEnd = nul ? nul : q;
            if (codeEnd - p > DXF_CODE_BYTES - 1) codeEnd = p + (DXF_CODE_BYTES - 1);
            const BYTE* v = q + 1;
            if (*q == '\r' && v < e && *v == '\n') ++v;
            DxfPair pair;
            if (v == e && bufferEndsData) {
                // The code line was the last line: the value is empty.
                pair.code = CodeOf(p, codeEnd);
                pair.value = {};
                r->dwPos = r->dwBufferStart + static_cast<LONG>(v - base);
                r->nLine += 2;
                return pair;
            }
            const BYTE* vnul = nullptr;
            const BYTE* vq = ScanLine(v, e, vnul);
            if (vq < e && (*vq == '\n' || vq + 1 < e || bufferEndsData)) {
                pair.code = CodeOf(p, codeEnd);
                std::size_t len = static_cast<std::size_t>((vnul ? vnul : vq) - v);
                if (len > limit) len = limit;
                pair.value = {reinterpret_cast<const char*>(v), len};
                const BYTE* next = vq + 1;
                if (*vq == '\r' && next < e && *next == '\n') ++next;
                r->dwPos = r->dwBufferStart + static_cast<LONG>(next - base);
                r->nLine += 2;
                return pair;
            }
        }
    }
    DxfPair p;
    p.code = DxfAtoi(ReadLineView(r, r->szCodeLine, DXF_CODE_BYTES - 1));
    p.value = ReadLineView(r, r->szValueLine, limit);
    return p;
}

int DxfReadPair(DXFREADER* r, char* pValue, int cbValue) {
    const int code = DxfAtoi(ReadLineView(r, r->szCodeLine, DXF_CODE_BYTES - 1));
    DxfReadLine(r, pValue, cbValue);
    return code;
}

namespace {

bool g_skim = true;

// Lines that end in [a, b), where a is a line start: every LF, and every
// CR that no LF follows (inside the range), ends one line.
long long CountLines(const BYTE* a, const BYTE* b) {
    long long n = 0;
#if defined(__SSE2__)
    // Sixteen bytes a step, counted in byte lanes that are summed before
    // they can overflow. A CR followed by an LF adds in its own lane and
    // takes away there again, leaving the LF to count.
    const __m128i crs = _mm_set1_epi8('\r'), lfs = _mm_set1_epi8('\n');
    while (b - a > 16) {
        __m128i lanes = _mm_setzero_si128();
        for (int round = 0; round < 255 && b - a > 16; ++round, a += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 1));
            const __m128i cr = _mm_cmpeq_epi8(x, crs);
            const __m128i ends = _mm_or_si128(cr, _mm_cmpeq_epi8(x, lfs));
            lanes = _mm_sub_epi8(lanes, ends);
            lanes = _mm_add_epi8(lanes, _mm_and_si128(cr, _mm_cmpeq_epi8(next, lfs)));
        }
        const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
        n += _mm_cvtsi128_si64(sums) + _mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums));
    }
#endif
    for (; a < b; ++a) {
        if (*a == '\n')
            ++n;
        else if (*a == '\r' && !(a + 1 < b && a[1] == '\n'))
            ++n;
    }
    return n;
}

// The start of the line that ends at the terminator at t (the first byte
// of a CR LF, a lone CR or a lone LF), no earlier than floor, which is a
// line start.
const BYTE* LineStartBefore(const BYTE* t, const BYTE* floor) {
    const BYTE* s = t;
    while (s > floor && s[-1] != '\r' && s[-1] != '\n') --s;
    return s;
}

// A keyword the skim can look for: no line ends in it, and short.
bool Skimmable(int code, const char* value) {
    if (code != 0) return false;
    const std::size_t n = std::strlen(value);
    return n >= 1 && n < DXF_CODE_BYTES && !std::strpbrk(value, "\r\n");
}

// Looks for the pair (0, want) from dwPos (a pair start) through what the
// buffer holds, without reading every pair: candidate lines are found with
// memmem, and the lines skipped are counted so that the pair alignment is
// kept. 1: found, the position is after the pair, as reading pair by pair
// would have left it. 0: the position moved on to a pair start before the
// end of the buffer, where pair-by-pair reading takes over. -1: no move.
int Skim(DXFREADER* r, std::string_view want) {
    if (!Available(r)) return -1;
    const BYTE* const base = r->pBuffer;
    const BYTE* const e = base + r->nBuffered;
    const BYTE* const p = base + (r->dwPos - r->dwBufferStart);
    if (e - p < 64) return -1;
    const bool bufferEndsData = r->dwBufferStart + r->nBuffered >= r->dwFileSize;
    const BYTE* counted = p; // lines before it are in `lines`
    long long lines = 0;
    const BYTE* limit = e; // nothing at or after it is known to be whole
    for (const BYTE* q = p;;) {
        const void* found = memmem(q, static_cast<std::size_t>(e - q), want.data(), want.size());
        if (!found) break;
        const BYTE* hit = static_cast<const BYTE*>(found);
        q = hit + 1;
        if (hit == p || (hit[-1] != '\r' && hit[-1] != '\n')) continue;
        const BYTE* after = hit + want.size();
        if (after == e && !bufferEndsData) {
            limit = hit; // the line may go on in the next block
            break;
        }
        if (after < e && *after != '\r' && *after != '\n' && *after != 0) continue;
        lines += CountLines(counted, hit);
        counted = hit;
        if ((lines & 1) == 0) continue; // a code line, not a value
        const BYTE* codeEnd = hit - 1;
        if (*codeEnd == '\n' && codeEnd > p && codeEnd[-1] == '\r') --codeEnd;
        const BYTE* codeStart = LineStartBefore(codeEnd, p);
        const BYTE* nul = static_cast<const BYTE*>(
            std::memchr(codeStart, 0, static_cast<std::size_t>(codeEnd - codeStart)));
        const BYTE* stop = nul ? nul : codeEnd;
        if (stop - codeStart > DXF_CODE_BYTES - 1) stop = codeStart + (DXF_CODE_BYTES - 1);
        if (DxfAtoi({reinterpret_cast<const char*>(codeStart), static_cast<std::size_t>(stop - codeStart)}) !=
            0)
            continue;
        // The pair: move past its value line, when the line's end is seen.
        const BYTE* ignored = nullptr;
        const BYTE* end = ScanLine(after, e, ignored);
        const BYTE* next = end;
        if (end < e) {
            next = end + 1;
            if (*end == '\r') {
                if (next < e && *next == '\n')
                    ++next;
                else if (next == e && !bufferEndsData)
                    next = nullptr;
            }
        } else if (!bufferEndsData) {
            next = nullptr;
        }
        if (!next) {
            // Left to pair-by-pair reading, from the code line on.
            r->dwPos = r->dwBufferStart + static_cast<LONG>(codeStart - base);
            r->nLine += lines - 1;
            return 0;
        }
        r->dwPos = r->dwBufferStart + static_cast<LONG>(next - base);
        r->nLine += lines + 1;
        return 1;
    }
    // No pair in the buffer: on to the last pair start before the limit,
    // keeping clear of a CR whose LF may be in the next block.
    const BYTE* t = limit - 1;
    if (limit == e && !bufferEndsData) --t;
    while (t >= counted && *t != '\r' && *t != '\n') --t;
    if (t < counted) return -1;
    const BYTE* s = t + 1;
    if (*t == '\r' && s < e && *s == '\n') ++s;
    lines += CountLines(counted, s);
    if (lines & 1) {
        // s starts a value line: back to the code line before it.
        const BYTE* codeEnd = t;
        if (*codeEnd == '\n' && codeEnd > p && codeEnd[-1] == '\r') --codeEnd;
        s = LineStartBefore(codeEnd, p);
        --lines;
    }
    if (s == p) return -1;
    r->dwPos = r->dwBufferStart + static_cast<LONG>(s - base);
    r->nLine += lines;
    return 0;
}

} // namespace

namespace dxf_reader_testing {
void UseSkimming(bool on) {
    g_skim = on;
}
} // namespace dxf_reader_testing

BOOL DxfFindPair(DXFREADER* r, int code, const char* pszValue) {
    DxfMark(r);
    DXFREADER::FailedSearch* failed = FailedSearchFor(r, code, pszValue);
    const int parity = static_cast<int>(r->nLine & 1);
    const long long knownFrom = failed ? failed->fromLine[parity] : -1;
    const std::string_view want(pszValue);
    const bool skim = g_skim && Skimmable(code, pszValue);
    while (r->dwPos < r->dwFileSize) {
        if (knownFrom >= 0 && r->nLine >= knownFrom) break;
        if (skim && Skim(r, want) == 1) return TRUE;
        if (r->dwPos >= r->dwFileSize) break;
        const DxfPair p = DxfReadPairView(r);
        if (p.code == code && p.value == want) return TRUE;
    }
    if (failed && (knownFrom < 0 || r->nMarkLine < knownFrom)) failed->fromLine[parity] = r->nMarkLine;
    DxfRewind(r);
    return FALSE;
}

HDXFREADER DxfOpenReader(const char* pszFileName, CFile* hFile, const BYTE* pImage, DWORD cbImage) {
    CFile* own = nullptr;
    if (!hFile && !pImage) {
        if (!pszFileName) return nullptr;
        own = new (std::nothrow) CFile;
        if (!own || !own->Open(CString(pszFileName), CFile::modeRead | CFile::shareDenyWrite)) {
            delete own;
            return nullptr;
        }
    }
    CFile* file = hFile ? hFile : own;
    LONG size = 0;
    if (file) {
        ULONGLONG len = 0;
        try {
            len = file->GetLength();
        } catch (const CFileException&) {
            delete own;
            return nullptr;
        }
        if (len > static_cast<ULONGLONG>(INT32_MAX)) {
            delete own;
            return nullptr;
        }
        size = static_cast<LONG>(len);
    } else {
        if (cbImage > static_cast<DWORD>(INT32_MAX)) return nullptr;
        size = static_cast<LONG>(cbImage);
    }

    HGLOBAL h = GlobalAlloc(GHND, sizeof(DXFREADER));
    DxfReaderScratch* scratch = h ? DxfNewReaderScratch() : nullptr;
    BYTE* buffer = file && scratch ? DxfHeapNew<BYTE>(DXF_READ_BUFFER_BYTES) : nullptr;
    if (!h || !scratch || (file && !buffer)) {
        DxfHeapFree(buffer);
        DxfDeleteReaderScratch(scratch);
        if (h) GlobalFree(h);
        delete own;
        return nullptr;
    }
    ReaderLock r(h);
    r->hFile = file;
    r->dwFileSize = size;
    r->bCallerHandle = hFile ? 1 : 0;
    r->pScratch = scratch;
    if (file) {
        r->pBuffer = buffer;
        Load(r.get());
    } else {
        r->pBuffer = pImage;
        r->nBuffered = size;
    }
    r->dwPos = r->dwBufferStart = r->dwMark = 0;
    return h;
}

BOOL DxfCloseReader(HDXFREADER h) {
    // Someone who still holds the record would be left with freed memory.
    if (GlobalFlags(h) != 0) return FALSE;
    BOOL ok = TRUE;
    {
        ReaderLock r(h);
        if (!r) return FALSE;
        if (r->hFile) DxfHeapFree(const_cast<BYTE*>(r->pBuffer));
        if (r->hFile && !r->bCallerHandle) {
            try {
                r->hFile->Close();
            } catch (const CFileException&) {
                ok = FALSE;
            }
            delete r->hFile;
        }
        DxfDeleteReaderScratch(r->pScratch);
        *r = DXFREADER{};
    }
    GlobalFree(h);
    return ok;
}

UINT DxfNextSection(HDXFREADER h) {
    ReaderLock r(h);
    if (!r) return 0;
    r->nSection = 0;
    if (!DxfFindPair(r.get(), 0, "SECTION")) return 0;
    if (r->dwPos >= r->dwFileSize) return 0;
    const DxfPair p = DxfReadPairView(r.get(), DXF_CODE_BYTES - 1);
    UINT s = DXF_SECTION_OTHER;
    if (p.value == "HEADER")
        s = DXF_SECTION_HEADER;
    else if (p.value == "TABLES")
        s = DXF_SECTION_TABLES;
    else if (p.value == "BLOCKS")
        s = DXF_SECTION_BLOCKS;
    else if (p.value == "ENTITIES")
        s = DXF_SECTION_ENTITIES;
    r->nSection = s;
    return s;
}

UINT DxfCurrentSection(HDXFREADER h) {
    ReaderLock r(h);
    return r ? r->nSection : 0;
}

UINT DxfNextTable(HDXFREADER h) {
    ReaderLock r(h);
    return r ? NextTable(r.get()) : 0;
}

UINT DxfCurrentTable(HDXFREADER h) {
    ReaderLock r(h);
    return r && r->nSection == DXF_SECTION_TABLES ? r->nTable : 0;
}

UINT DxfReadTableEntry(HDXFREADER h, void* pEntry) {
    ReaderLock lock(h);
    DXFREADER* r = lock.get();
    if (!r || !pEntry || r->nSection != DXF_SECTION_TABLES) return 0;
    if (r->nTable == 0 && NextTable(r) == 0) {
        r->nSection = 0;
        return 0;
    }
    UINT result = 0;
    if (const char* keyword = TableKeyword(r->nTable)) {
        if (DxfFindPair(r, 0, keyword)) {
            ReadEntry(r, r->nTable, pEntry);
            result = r->nTable;
        }
    }
    DxfMark(r);
    DxfPair p = DxfReadPairView(r);
    if (p.code != 0 || p.value != "ENDTAB") {
        DxfRewind(r);
        return result;
    }
    r->nTable = 0;
    DxfMark(r);
    p = DxfReadPairView(r);
    if (p.code == 0 && p.value == "ENDSEC")
        r->nSection = 0;
    else
        DxfRewind(r);
    return result;
}

BOOL DxfReadBlockHeader(HDXFREADER h, DXFBLOCKENTRY* pBlock) {
    ReaderLock lock(h);
    DXFREADER* r = lock.get();
    if (!r || !pBlock || r->nSection != DXF_SECTION_BLOCKS) return FALSE;
    DxfMark(r);
    if (!DxfFindPair(r, 0, "BLOCK")) {
        DxfRewind(r);
        return FALSE;
    }
    std::memset(pBlock, 0, sizeof *pBlock);
    std::string_view last;
    for (;;) {
        DxfMark(r);
        const DxfPair p = DxfReadPairView(r);
        if (p.code == 0) {
            last = p.value;
            break;
        }
        switch (p.code) {
        case 2:
        case 3:
            DxfCopyText(pBlock->szName, p.value);
            break;
        case 8:
            DxfCopyText(pBlock->szLayer, p.value);
            break;
        case 10:
            pBlock->ptBase.x = DxfAtof(p.value);
            break;
        case 20:
            pBlock->ptBase.y = DxfAtof(p.value);
            break;
        case 30:
            pBlock->ptBase.z = DxfAtof(p.value);
            break;
        case 70:
            pBlock->bFlags = static_cast<BYTE>(DxfAtoi(p.value));
            break;
        }
    }
    if (last != "ENDBLK") {
        DxfRewind(r);
        r->bInBlock = 1;
        return TRUE;
    }
    AfterEndBlock(r);
    return TRUE;
}

BOOL DxfReadEntity(DXFREADER* r, DXFENTITYCOMMON* pCommon, void* pData) {
    if (!r || !pCommon || !pData) return FALSE;
    const bool inBlock = r->nSection == DXF_SECTION_BLOCKS && r->bInBlock;
    if (r->nSection != DXF_SECTION_ENTITIES && !inBlock) return FALSE;

    DxfMark(r);
    const DxfPair first = DxfReadPairView(r);
    if (first.code != 0) {
        DxfRewind(r);
        return FALSE;
    }
    char value[DXF_VALUE_BYTES];
    DxfCopyText(value, first.value);

    pCommon->szHandle[0] = '\0';
    pCommon->wType = 0;
    pCommon->szLayer[0] = '\0';
    pCommon->szLineType[0] = '\0';
    pCommon->nColor = 256;
    pCommon->dThickness = 0.0;
    pCommon->dLineTypeScale = 1.0;
    pCommon->ptExtrusion = {0.0, 0.0, 1.0};
    pCommon->dwFlags = 0;

    BOOL result = FALSE;
    const char* endOfList = inBlock ? "ENDBLK" : "ENDSEC";
    if (std::strcmp(value, "ENDSEC") != 0 && std::strcmp(value, endOfList) != 0) {
        for (;;) {
            if (DxfReadKnownEntity(r, pCommon, pData, value)) {
                result = TRUE;
                break;
            }
            // Something this reader does not draw (SEQEND, MTEXT, ATTRIB, ...):
            // passed over up to the next entity, without marking, so that a
            // rewind returns to before it.
            ReadToCodeZero(r, value, false);
            if (std::strcmp(value, "ENDBLK") == 0 || std::strcmp(value, "ENDSEC") == 0 ||
                r->dwPos >= r->dwFileSize)
                break;
        }
    }

    // In a block only ENDBLK ends the list; elsewhere ENDSEC does.
    if (inBlock) {
        if (std::strcmp(value, "ENDBLK") == 0)
            AfterEndBlock(r);
        else
            DxfRewind(r);
    } else if (std::strcmp(value, "ENDSEC") == 0) {
        r->nSection = 0;
    } else {
        DxfRewind(r);
    }
    return result;
}

BOOL DxfReadHeaderVariable(HDXFREADER h, const char* pszName, char* pszValue, std::size_t cbValue) {
    ReaderLock lock(h);
    DXFREADER* r = lock.get();
    if (!r || !pszName || !pszValue || cbValue == 0 || r->nSection != DXF_SECTION_HEADER) return FALSE;
    pszValue[0] = '\0';
    // Variables are (9, name) pairs followed by their value pairs; the
    // section ends at (0, "ENDSEC"), which is put back.
    const LONG start = r->dwPos;
    const long long startLine = r->nLine;
    BOOL found = FALSE;
    while (r->dwPos < r->dwFileSize) {
        DxfPair p = DxfReadPairView(r);
        if (p.code == 0) break;
        if (p.code == 9 && p.value == pszName) {
            p = DxfReadPairView(r);
            DxfCopyText(pszValue, cbValue, p.value);
            found = TRUE;
            break;
        }
    }
    r->dwPos = start;
    r->nLine = startLine;
    return found;
}

BOOL DxfReaderFailed(HDXFREADER h) {
    ReaderLock r(h);
    return r && r->bReadError ? TRUE : FALSE;
}
