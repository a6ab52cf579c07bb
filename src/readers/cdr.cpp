// CDR drawings: only the preview picture stored in the file is shown; the
// drawing itself is not read and the model stays empty.
//
// Newer files are zip archives (they start with the local header bytes
// 'P' 'K' 3 4). The preview is the member "previews/thumbnail.png" or,
// failing that, "metadata/thumbnails/thumbnail.bmp" (names compared with
// a to z folded), drawn stretched into the middle two thirds of the picture
// in each direction.
//
// Older files are RIFF files, or bare CMX3 files, carrying a palette bitmap
// (little-endian throughout):
//   RIFF: 0 "RIFF" | 4 length, the file size - 8 | 8 ... chunks, scanned for
//         "DISP"; after the id: chunk length (at most what follows the id,
//         of which there must be 256 bytes at least), 4 bytes skipped, then
//         the bitmap header.
//   CMX3: 0 "CMX3" | 4 skipped | 446 the bitmap header.
// Bitmap header: 0 header length H | 4 width (unused) | 8 height, rows
// bottom-up | 12 planes | 14 bits per pixel (1, 4 or 8) | 16 compression
// (unused) | 20 image size S | 24 resolution | 32 colour count K | H - 36
// more bytes. Then K palette entries (blue, green, red, reserved) and S bytes
// of rows with no row padding skipped: the width drawn is S * 8 / (bits * height),
// the row length the image size implies, padding included. The bitmap is
// drawn at twice its size in the middle of the picture.
#include "model/byte_cursor.h"
#include "model/limits.h"
#include "model/loomveil_doc.h"
#include "platform/memfile.h"
#include "zip/zip_list_ctrl.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

bool HasTag(std::span<const unsigned char> bytes, const char (&tag)[5]) {
    return bytes.size() >= 4 && std::memcmp(bytes.data(), tag, 4) == 0;
}

// Offset of the bitmap header in a CMX3 file.
constexpr std::size_t kCmxHeaderAt = 446;
// Bytes that must follow the RIFF preview chunk's id.
constexpr std::size_t kMinPreviewChunk = 256;
// Pixels whose index has no palette entry (a short palette, or none).
constexpr COLORREF kNoPaletteColour = RGB(0, 0, 0);

// Decodes a PNG or BMP preview (told apart by their bytes, not by the
// member's name), refusing other formats and pictures larger than the
// preview limit before any pixel memory is taken.
QImage DecodePreview(const BYTE* data, std::size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (reader.format() != "png" && reader.format() != "bmp") return {};
    const QSize dim = reader.size();
    if (!dim.isValid() || static_cast<std::size_t>(dim.width()) * static_cast<std::size_t>(dim.height()) >
                              limits::kMaxPreviewPixels)
        return {};
    return reader.read();
}

std::uint32_t Be32(const BYTE* p) {
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
constexpr BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Room for a PNG's chunks besides its pixel data (text, profiles, ...).
constexpr std::size_t kPngAncillaryRoom = 1u << 20;

// PNG: the 8-byte signature, then chunks of: 4 length (big-endian, below
// 2^31) | 4 type (letters) | data | 4 CRC; IHDR first (13 bytes: 4 width,
// 4 height, 1 bit depth, 1 colour type, ...), IEND last. The picture ends
// with IEND, and its pixel data cannot take much more than its raw size.
MemberLength PngLength(std::span<const BYTE> head) {
    std::size_t at = sizeof kPngSignature, bound = 0;
    for (;;) {
        if (head.size() < at + 8) return {MemberLength::needMore, at + 8};
        const std::uint32_t length = Be32(&head[at]);
        const BYTE* type = &head[at + 4];
        if (length > 0x7FFFFFFFu ||
            !std::all_of(type, type + 4, [](BYTE c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }))
            return {MemberLength::refuse, 0, "preview picture damaged"};
        const std::size_t end = at + 12 + length;
        if (at == sizeof kPngSignature) {
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13)
                return {MemberLength::refuse, 0, "preview picture damaged"};
            if (head.size() < at + 8 + 13) return {MemberLength::needMore, at + 8 + 13};
            const std::uint64_t w = Be32(&head[at + 8]), h = Be32(&head[at + 12]);
            if (w == 0 || h == 0 || w * h > limits::kMaxPreviewPixels)
                return {MemberLength::refuse, 0, "preview picture too large"};
            // At most 16 bits for each of 4 channels, a filter byte a row,
            // and one more row for each interlace pass.
            const std::uint64_t raw = (h + 7) * (1 + w * 8);
            bound =
                static_cast<std::size_t>(std::min<std::uint64_t>(raw + raw / 100, limits::kMaxPreviewBytes)) +
                kPngAncillaryRoom;
        }
        if (end > bound) return {MemberLength::refuse, 0, "preview picture longer than its pixels need"};
        if (std::memcmp(type, "IEND", 4) == 0) return {MemberLength::complete, end};
        at = end;
    }
}

// BMP: 0 "BM" | 2 file size | 10 offset of the pixels | 14 header size:
// 12 (2 width, 2 height, 2 planes, 2 bits) or 40 and more (4 width, 4 height
// whose sign gives the row order, 2 planes, 2 bits, 4 compression, 4 image
// size). The picture ends after its pixels: rows padded to 4 bytes, or
// the image size for compressed rows.
MemberLength BmpLength(std::span<const BYTE> head) {
    if (head.size() < 30) return {MemberLength::needMore, 30};
    ByteCursor in(head);
    std::uint32_t offset = 0, headerSize = 0, compression = 0, imageSize = 0;
    std::uint64_t w = 0, h = 0;
    std::uint16_t bits = 0;
    in.Seek(10);
    in.Get32le(offset);
    in.Get32le(headerSize);
    if (headerSize == 12) {
        std::uint16_t w16 = 0, h16 = 0;
        in.Get16le(w16);
        in.Get16le(h16);
        in.Skip(2);
        in.Get16le(bits);
        w = w16;
        h = h16;
    } else if (headerSize >= 40) {
        if (head.size() < 54) return {MemberLength::needMore, 54};
        std::uint32_t w32 = 0, h32 = 0;
        in.Get32le(w32);
        in.Get32le(h32);
        in.Skip(2);
        in.Get16le(bits);
        in.Get32le(compression);
        in.Get32le(imageSize);
        const auto signedHeight = static_cast<std::int32_t>(h32);
        w = w32;
        h = signedHeight < 0 ? std::uint64_t(-std::int64_t(signedHeight)) : std::uint64_t(signedHeight);
    } else {
        return {MemberLength::refuse, 0, "preview picture damaged"};
    }
    if (w == 0 || h == 0 || bits == 0 || bits > 32 || w * h > limits::kMaxPreviewPixels)
        return {MemberLength::refuse, 0, "preview picture too large"};
    const std::uint64_t pixels =
        (compression == 0 || compression == 3) ? (w * bits + 31) / 32 * 4 * h : std::uint64_t(imageSize);
    const std::uint64_t end = std::uint64_t(offset) + pixels;
    if (offset < 14 + std::uint64_t(headerSize) || end > limits::kMaxPreviewBytes)
        return {MemberLength::refuse, 0, "preview picture damaged"};
    return {MemberLength::complete, static_cast<std::size_t>(end)};
}

// Where a preview member whose size the archive does not give ends, from
// its own header, so that no more than the picture is ever decoded.
MemberLength PreviewLength(std::span<const BYTE> head) {
    if (head.size() < sizeof kPngSignature) return {MemberLength::needMore, sizeof kPngSignature};
    if (std::memcmp(head.data(), kPngSignature, sizeof kPngSignature) == 0) return PngLength(head);
    if (head[0] == 'B' && head[1] == 'M') return BmpLength(head);
    return {MemberLength::refuse, 0, "preview is neither a PNG nor a BMP picture"};
}

} // namespace

int CLoomveilDoc::RenderCdr(CDC* pDC, int width, int height) {
    FileBuffer file;
    auto body = [&]() -> int {
        const int nRead = ReadWholeFile(file);
        if (!nRead) return 0;
        const auto bytes = file.bytes();
        if (!HasTag(bytes, "PK\x03\x04"))
            return RenderCdrRiff(pDC, width, height, static_cast<int>(bytes.size()), bytes.data());

        // The archive is searched with the terminator ReadWholeFile adds; it
        // lies after the end record and changes nothing.
        CMemFile member(1024);
        const auto* data = reinterpret_cast<const BYTE*>(file.data());
        const UINT nData = static_cast<UINT>(nRead);
        // A member that does not give its size is judged by its own header.
        const char* refused = nullptr;
        const MemberSizer sizer = [&refused](std::span<const BYTE> head) {
            const MemberLength verdict = PreviewLength(head);
            if (verdict.verdict == MemberLength::refuse) refused = verdict.why;
            return verdict;
        };
        const bool found =
            ExtractZipMember(CString("previews/thumbnail.png"), &member, data, nData, sizer) ||
            ExtractZipMember(CString("metadata/thumbnails/thumbnail.bmp"), &member, data, nData, sizer);
        const ULONGLONG length = member.GetLength();
        const MallocBuffer picture = member.Detach();
        if (!found) return Fail("no preview picture in the file");
        if (!picture) return Fail(refused ? refused : "preview picture too large");
        // Found is shown: a picture that does not decode leaves the area white.
        const QImage image = DecodePreview(picture.get(), static_cast<std::size_t>(length));
        if (!image.isNull()) {
            const long long w2 = 2LL * width / 3, h2 = 2LL * height / 3;
            const long long left = w2 / 4, top = h2 / 4;
            pDC->DrawImage(image, CRect(static_cast<LONG>(left), static_cast<LONG>(top),
                                        static_cast<LONG>(left + w2), static_cast<LONG>(top + h2)));
        }
        return 1;
    };
    return ReadGuarded(EndCause{}, body, [] { return 0; });
}

int CLoomveilDoc::RenderCdrRiff(CDC* pDC, int width, int height, int nBytes, const BYTE* pBytes) {
    if (!pBytes || nBytes < 4) return Fail("not a CDR file");
    const auto size = static_cast<std::size_t>(nBytes);
    const std::span<const unsigned char> bytes(pBytes, size);
    ByteCursor in(bytes);
    in.Skip(4);

    // Bytes the layout leaves for palette and pixels, before the header
    // length is taken off.
    long long space = 0;
    if (HasTag(bytes, "RIFF")) {
        std::uint32_t riffLength = 0;
        if (!in.Get32le(riffLength) || riffLength != size - 8)
            return Fail("RIFF length does not match the file");
        // Byte by byte: at each 'D' the next three bytes are taken and
        // compared, so the scan resumes after them on a mismatch.
        bool found = false;
        std::uint8_t c = 0;
        while (!found && in.Get8(c)) {
            std::span<const unsigned char> id;
            if (c == 'D' && in.Bytes(3, id)) found = std::memcmp(id.data(), "ISP", 3) == 0;
        }
        if (!found) return Fail("no preview in the file");
        const std::size_t rest = in.Remaining();
        std::uint32_t chunkLength = 0;
        if (rest < kMinPreviewChunk || !in.Get32le(chunkLength) || chunkLength > rest)
            return Fail("preview chunk cut short");
        in.Skip(4);
        space = static_cast<long long>(chunkLength) - 4;
    } else if (HasTag(bytes, "CMX3")) {
        if (!in.Seek(kCmxHeaderAt)) return Fail("preview cut short");
        space = static_cast<long long>(size) - static_cast<long long>(kCmxHeaderAt) - 4;
    } else {
        return Fail("not a CDR file");
    }

    std::uint32_t headerLength = 0, storedWidth = 0, heightField = 0, compression = 0, imageSize = 0,
                  colours = 0;
    std::uint16_t planes = 0, bits = 0;
    in.Get32le(headerLength);
    in.Get32le(storedWidth);
    in.Get32le(heightField);
    in.Get16le(planes);
    in.Get16le(bits);
    in.Get32le(compression);
    in.Get32le(imageSize);
    // The colour count sits at 32: a header too short to hold it has no
    // defined layout.
    if (in.Failed() || headerLength < 36) return Fail("preview header cut short");
    in.Skip(8);
    in.Get32le(colours);
    in.Skip(headerLength - 36);
    if (in.Failed()) return Fail("preview header cut short");
    if (bits != 1 && bits != 4 && bits != 8) return Fail("preview is not 1, 4 or 8 bits per pixel");
    space -= headerLength;
    if (4LL * colours > space) return Fail("preview palette does not fit");

    // Rows are bottom-up; a negative height (top-down rows) and 0 are not
    // provided for.
    const auto h = static_cast<std::int32_t>(heightField);
    if (h <= 0) return Fail("preview height is not positive");
    const long long w = static_cast<long long>(imageSize) * 8 / (static_cast<long long>(bits) * h);
    if (w <= 0 ||
        static_cast<unsigned long long>(w) * static_cast<unsigned long long>(h) > limits::kMaxPreviewPixels)
        return Fail("preview size out of range");

    std::array<COLORREF, 256> palette;
    palette.fill(kNoPaletteColour);
    std::span<const unsigned char> entries;
    if (!in.Bytes(4ull * colours, entries)) return Fail("preview palette cut short");
    for (std::size_t i = 0; i < std::min<std::size_t>(colours, palette.size()); ++i)
        palette[i] = RGB(entries[4 * i + 2], entries[4 * i + 1], entries[4 * i]);
    std::span<const unsigned char> stored;
    if (!in.Bytes(imageSize, stored)) return Fail("preview pixels cut short");

    // The drawing consumes ceil(w / pixels per byte) bytes a row, which can
    // pass S by a few bytes when S is not a whole number of rows: those read
    // as zero.
    const long long perByte = 8 / bits;
    const auto need = static_cast<std::size_t>((w + perByte - 1) / perByte * h);
    std::vector<BYTE> pixels(need, 0);
    std::memcpy(pixels.data(), stored.data(), std::min(need, stored.size()));

    const int bw = static_cast<int>(w);
    CDC memDC;
    memDC.CreateCompatibleDC(pDC);
    CBitmap bitmap;
    if (!bitmap.CreateCompatibleBitmap(pDC, bw, h)) return Fail("preview too large for memory");
    memDC.SelectObject(&bitmap);
    DrawDibRows(&memDC, pixels.data(), palette.data(), bw, h, bits);
    pDC->StretchBlt((width - 2 * bw) / 2, (height - 2 * h) / 2, 2 * bw, 2 * h, &memDC, 0, 0, bw, h, SRCCOPY);
    memDC.SelectObject(static_cast<CBitmap*>(nullptr));
    return 1;
}
