#include "readers/reader_test.h"
#include "zip/zip_builder.h"

#include <QBuffer>
#include <functional>
#include <optional>
#include <zlib.h>

namespace test {
namespace {

// ---- old previews ---------------------------------------------------------

struct Preview {
    int bits = 8;
    std::int32_t height = 20;
    std::uint32_t headerLength = 40;
    std::vector<COLORREF> palette{};
    std::optional<std::uint32_t> colourCount{}; // written instead of the palette's size
    std::optional<std::uint32_t> imageSize{};   // written instead of the pixels' size
    std::string pixels{};
};

// Bitmap header (its stored width, 7, is never used), palette and pixels.
std::string Dib(const Preview& p) {
    LeBytes b;
    b.U32(p.headerLength)
        .U32(7)
        .U32(static_cast<std::uint32_t>(p.height))
        .U8(1)
        .U8(0)
        .U8(p.bits)
        .U8(0)
        .U32(0);
    b.U32(p.imageSize.value_or(p.pixels.size())).Zeros(8).U32(p.colourCount.value_or(p.palette.size()));
    b.Zeros(p.headerLength >= 36 && p.headerLength <= 4096 ? p.headerLength - 36 : 4);
    for (COLORREF c : p.palette) b.U8(GetBValue(c)).U8(GetGValue(c)).U8(GetRValue(c)).U8(0);
    return b.Text(p.pixels).bytes;
}

// A RIFF file with the bitmap in its preview chunk and bytes after it.
std::string Riff(const std::string& dib, std::size_t after = 256, std::string before = "CDR9vrsn",
                 char fill = 0) {
    const std::string body = before + LeBytes{}.Text("DISP").U32(4 + dib.size()).U32(8).Text(dib).bytes;
    return LeBytes{}.Text("RIFF").U32(body.size() + after).Text(body).bytes + std::string(after, fill);
}

// Rows of w pixels, first stored row first, each byte filled from its high
// bits; index(x, r) for pixel x of stored row r.
using Index = std::function<int(int, int)>;
std::string Rows(int bits, int w, int h, const Index& index) {
    const int rowBytes = (w * bits + 7) / 8;
    std::string s(static_cast<std::size_t>(rowBytes) * h, '\0');
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            s[r * rowBytes + x * bits / 8] |=
                static_cast<char>(index(x, r) << (8 - bits * (x % (8 / bits) + 1)));
    return s;
}

std::vector<COLORREF> Palette(int n) {
    std::vector<COLORREF> p;
    for (int i = 0; i < n; ++i) p.push_back(RGB(i * 13 % 200, 200 - i * 7 % 200, i * 37 % 256));
    return p;
}

// Every pixel: the w × h preview (stored row 0 at the bottom) at twice its
// size in the middle, black where the palette has no entry, white elsewhere.
void ExpectPreview(const QImage& image, int w, int h, const std::vector<COLORREF>& palette,
                   const Index& index) {
    const int x0 = (image.width() - 2 * w) / 2, y0 = (image.height() - 2 * h) / 2;
    for (int y = 0, wrong = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const bool in = x >= x0 && x < x0 + 2 * w && y >= y0 && y < y0 + 2 * h;
            const std::size_t i = in ? index((x - x0) / 2, h - 1 - (y - y0) / 2) : 0;
            const COLORREF want = !in ? RGB(255, 255, 255) : i < palette.size() ? palette[i] : RGB(0, 0, 0);
            if (ColourFromPixel(image.pixel(x, y)) != want && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << image.pixel(x, y);
        }
}

TEST(CdrReader, OldPreviewsAreDrawnDoubledAndCentred) {
    // The image size decides the width (for 8 bits, 640 bytes over 20 rows
    // are 32 pixels a row). Indices past the palette, or without one, are
    // black; of more than 256 entries the first 256 count.
    const struct {
        bool cmx3;
        int bits, entries, indices, width, pictureW, pictureH;
    } cases[] = {{false, 1, 2, 2, 48, 200, 200},   {false, 4, 16, 16, 30, 201, 150},
                 {false, 8, 40, 40, 32, 200, 200}, {false, 8, 40, 40, 32, 50, 30},
                 {true, 8, 12, 12, 24, 200, 200},  {false, 8, 3, 8, 16, 200, 200},
                 {false, 8, 0, 8, 16, 200, 200},   {false, 8, 300, 8, 16, 200, 200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const Index index = [&](int x, int r) { return (x + 3 * r + x / 5) % c.indices; };
        const Preview p{
            .bits = c.bits, .palette = Palette(c.entries), .pixels = Rows(c.bits, c.width, 20, index)};
        const auto r = RenderText("cdr", c.cmx3 ? "CMX3" + std::string(442, '\0') + Dib(p) : Riff(Dib(p)),
                                  c.pictureW, c.pictureH);
        EXPECT_EQ(r.result, 1);
        EXPECT_TRUE(r.points.empty());
        ExpectPreview(r.image, c.width, 20, p.palette, index);
    }
    // 10 bytes over 3 rows at 1 bit: 26 pixels a row, 4 bytes a row drawn;
    // the last two drawn are not in the image and read as 0, though the
    // file's next bytes are not 0.
    const Preview odd{.bits = 1,
                      .height = 3,
                      .palette = {RGB(0, 0, 255), RGB(255, 0, 0)},
                      .pixels = std::string(10, '\xFF')};
    const auto r = RenderText("cdr", Riff(Dib(odd), 256, "CDR9vrsn", '\xFF'));
    EXPECT_EQ(r.result, 1);
    ExpectPreview(r.image, 26, 3, odd.palette, [](int x, int row) { return row == 2 && x >= 16 ? 0 : 1; });
}

TEST(CdrReader, OldPreviewsThatAreRefused) {
    const Preview good{.palette = Palette(4), .pixels = Rows(8, 32, 20, [](int x, int) { return x % 4; })};
    const std::string dib = Dib(good);
    auto with = [&](const std::function<void(Preview&)>& change) {
        Preview p = good;
        change(p);
        return Riff(Dib(p));
    };
    // A palette may fill the chunk (the pixels then lie in the bytes after
    // it), 256 bytes must follow the chunk's id, and the id search takes
    // three bytes after each 'D' ("DOC " is passed over, "xDDISP" hides it).
    const auto fullChunk = static_cast<std::uint32_t>((dib.size() - 40) / 4);
    auto palette = [&](std::uint32_t n) {
        return with([&](Preview& p) { p.colourCount = n, p.imageSize = 200; });
    };
    const std::string tiny = Dib({.height = 4, .pixels = std::string(16, '\0')});
    const std::size_t need = 256 - (8 + tiny.size());
    for (const std::string& bytes : {palette(fullChunk), Riff(tiny, need), Riff(dib, 256, "CDR9DOC ")})
        EXPECT_EQ(RenderText("cdr", bytes).result, 1);

    std::string longer = Riff(dib), shorter = Riff(dib), overlong = Riff(dib), noId = Riff(dib);
    Put32(longer, 4, static_cast<std::uint32_t>(longer.size() - 7)); // RIFF length must be size - 8
    Put32(shorter, 4, static_cast<std::uint32_t>(shorter.size() - 9));
    Put32(overlong, overlong.find("DISP") + 4, static_cast<std::uint32_t>(overlong.size()));
    noId[noId.find("DISP")] = 'd';
    // clang-format off
    std::vector<std::string> refused = {palette(0x40000000u), palette(fullChunk + 1), Riff(tiny, need - 1), longer,
        shorter, overlong, noId, Riff(dib, 256, "CDR9xD"), "RIFX" + Riff(dib).substr(4), "RIF",
        Riff(dib).substr(0, 300), "CMX3" + std::string(460, '\0')};
    // clang-format on
    for (int bits : {0, 2, 24}) refused.push_back(with([&](Preview& p) { p.bits = bits; }));
    for (int height : {0, -20}) refused.push_back(with([&](Preview& p) { p.height = height; }));
    for (std::uint32_t size : {0u, 0xFFFFFFFFu, 1640u})
        refused.push_back(with([&](Preview& p) { p.imageSize = size; }));
    for (std::uint32_t n : {32u, 0x7FFFFFFFu})
        refused.push_back(with([&](Preview& p) { p.headerLength = n; }));
    for (const std::string& bytes : refused)
        EXPECT_FALSE(Refusal("cdr", bytes).empty()) << &bytes - &refused[0];
}

// ---- zip previews ---------------------------------------------------------

TEST(CdrReader, ZipPreviewsAreStretchedIntoTheMiddleTwoThirds) {
    // Archives from another zip writer: the PNG (48 × 32, red, green / blue,
    // yellow) wins over the BMP; the BMP alone (40 × 24, cyan, magenta /
    // black, grey) under a name in other letter case.
    const std::tuple<const char*, int, int, QRgb> probes[] = {
        {"zip_png.cdr", 50, 25, qRgb(255, 0, 0)},      {"zip_png.cdr", 249, 124, qRgb(255, 255, 0)},
        {"zip_png.cdr", 49, 25, qRgb(255, 255, 255)},  {"zip_png.cdr", 250, 124, qRgb(255, 255, 255)},
        {"zip_bmp.cdr", 33, 50, qRgb(0, 255, 255)},    {"zip_bmp.cdr", 165, 165, qRgb(128, 128, 128)},
        {"zip_bmp.cdr", 32, 100, qRgb(255, 255, 255)}, {"zip_bmp.cdr", 166, 100, qRgb(255, 255, 255)}};
    for (const auto& [file, x, y, colour] : probes) {
        CLoomveilDoc doc;
        const auto r = RenderPath(doc, DataPath(std::string("cdr/") + file), file[4] == 'p' ? 300 : 200,
                                  file[4] == 'p' ? 150 : 200);
        EXPECT_EQ(r.result, 1) << file;
        EXPECT_EQ(r.image.pixel(x, y), colour) << file << " at " << x << "," << y;
    }
}

std::string Encoded(QRgb colour, const char* format) {
    QImage image(20, 10, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

TEST(CdrReader, ZipMembersThatAreMissingEmptyOrUndecodable) {
    const std::string png = Encoded(qRgb(9, 9, 9), "PNG"), bmp = Encoded(qRgb(1, 2, 3), "BMP");
    const std::string pngName = "previews/thumbnail.png", bmpName = "metadata/thumbnails/thumbnail.bmp";
    // A picture claiming 60000 × 60000 pixels, its header's CRC mended.
    std::string huge = png;
    Put32(huge, 16, 0x60EA0000u); // big-endian 60000
    Put32(huge, 20, 0x60EA0000u);
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17));
    Put32(huge, 29, (crc >> 24) | ((crc >> 8) & 0xFF00) | ((crc << 8) & 0xFF0000) | (crc << 24));
    const QRgb white = qRgb(255, 255, 255);
    // The result and the colour of the middle of a 90 × 90 picture. Found is
    // shown, even with nothing to draw: an empty member (which does not fall
    // back to the BMP), no picture, neither PNG nor BMP, a picture too large.
    const std::tuple<std::vector<ZipMember>, int, QRgb> cases[] = {
        {{{bmpName, bmp, 8}, {pngName, png, 8}}, 1, qRgb(9, 9, 9)},
        {{{bmpName, bmp, 8}}, 1, qRgb(1, 2, 3)},
        {{{"previews/other.png", png, 8}}, 0, white},
        {{{pngName, "", 0}, {bmpName, bmp, 0}}, 1, white},
        {{{pngName, "not a picture", 0}}, 1, white},
        {{{pngName, Encoded(qRgb(1, 2, 3), "PPM"), 0}}, 1, white},
        {{{pngName, huge, 0}}, 1, white}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [members, result, middle] = cases[i];
        const auto r = RenderText("cdr", BuildZip(members).bytes, 90, 90);
        SCOPED_TRACE(i);
        EXPECT_EQ(r.result, result);
        EXPECT_EQ(r.image.pixel(45, 45), middle);
        EXPECT_EQ(CountNonWhite(r.image), middle == white ? 0 : 60 * 60);
    }
    // A member declaring more than the archive could inflate to.
    BuiltZip bomb = BuildZip({{pngName, png, 8}});
    Put32(bomb.bytes, bomb.local[0] + 22, 0xFFFFFFF0u);
    Put32(bomb.bytes, bomb.central[0] + 24, 0xFFFFFFF0u);
    EXPECT_EQ(Refusal("cdr", bomb.bytes), "preview picture too large");
    EXPECT_FALSE(Refusal("cdr", "PK\x03\x04 and nothing else").empty());
}

TEST(CdrReader, AMemberOfUnknownSizeIsDecodedOnlyAsFarAsItsPictureReaches) {
    const std::string png = Encoded(qRgb(9, 9, 9), "PNG"), bmp = Encoded(qRgb(1, 2, 3), "BMP");
    const std::string pngName = "previews/thumbnail.png", bmpName = "metadata/thumbnails/thumbnail.bmp";
    const std::string zeros(16u << 20, '\0');
    // Pictures followed by more bytes than they take, then members that
    // are no picture: refused from their first bytes, the zeros never
    // decoded (a few hundred kilobytes of deflate would otherwise fill the
    // whole limit).
    const std::pair<ZipMember, QRgb> drawn[] = {
        {{pngName, png + zeros.substr(0, 5000), 8, 0, {}, true}, qRgb(9, 9, 9)},
        {{bmpName, bmp + "trailing", 8, 0, {}, true}, qRgb(1, 2, 3)}};
    for (const auto& [member, middle] : drawn) {
        const auto r = RenderText("cdr", BuildZip({member}).bytes, 90, 90);
        EXPECT_EQ(r.result, 1) << member.name;
        EXPECT_EQ(r.image.pixel(45, 45), middle) << member.name;
    }
    const std::pair<std::string, const char*> refused[] = {
        {zeros, "preview is neither a PNG nor a BMP picture"},
        {png.substr(0, 33) + zeros, "preview picture damaged"},
        {bmp.substr(0, 2) + zeros, "preview picture damaged"}};
    for (const auto& [data, why] : refused)
        EXPECT_EQ(Refusal("cdr", BuildZip({{pngName, data, 8, 0, {}, true}}).bytes), why);
}

} // namespace
} // namespace test
