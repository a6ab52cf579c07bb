#include "test_support.h"
#include "zip/zip_builder.h"

#include <QBuffer>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <zlib.h>

namespace {

using test::RenderText;

std::string Le32(std::uint32_t v) {
    std::string s(4, '\0');
    test::Put32(s, 0, v);
    return s;
}

// ---- old previews ---------------------------------------------------------

struct Preview {
    int bits = 8;
    std::int32_t storedWidth = 30;
    std::int32_t height = 20;
    std::uint32_t headerLength = 40;
    std::vector<COLORREF> palette;
    std::optional<std::uint32_t> colourCount; // written instead of the palette's size
    std::optional<std::uint32_t> imageSize;   // written instead of the pixels' size
    std::string pixels;
};

// Bitmap header, palette and pixels.
std::string Dib(const Preview& p) {
    std::string s = Le32(p.headerLength) + Le32(static_cast<std::uint32_t>(p.storedWidth)) +
                    Le32(static_cast<std::uint32_t>(p.height));
    s += std::string("\x01\x00", 2);
    s += static_cast<char>(p.bits);
    s += '\0';
    s += Le32(0) + Le32(p.imageSize.value_or(static_cast<std::uint32_t>(p.pixels.size())));
    s += Le32(2835) + Le32(2835);
    s += Le32(p.colourCount.value_or(static_cast<std::uint32_t>(p.palette.size())));
    // An absurd header length gets the bytes of an ordinary one.
    s += std::string(p.headerLength >= 36 && p.headerLength <= 4096 ? p.headerLength - 36 : 4, '\0');
    for (COLORREF c : p.palette) {
        s += static_cast<char>(GetBValue(c));
        s += static_cast<char>(GetGValue(c));
        s += static_cast<char>(GetRValue(c));
        s += '\0';
    }
    return s + p.pixels;
}

// A RIFF file with the bitmap in its preview chunk, trailing bytes after it.
std::string Riff(const std::string& dib, std::size_t trailing = 256, std::string before = "CDR9vrsn",
                 char fill = '\0') {
    const std::string body = before + "DISP" + Le32(static_cast<std::uint32_t>(4 + dib.size())) + Le32(8) +
                             dib + std::string(trailing, fill);
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

std::string Cmx3(const std::string& dib) {
    return "CMX3" + std::string(442, '\0') + dib;
}

// Rows of w pixels, first stored row first, each byte filled from the left
// (high bits first); index(x, r) for pixel x of stored row r.
std::string Rows(int bits, int w, int h, const std::function<int(int, int)>& index) {
    const int perByte = 8 / bits;
    const int rowBytes = (w + perByte - 1) / perByte;
    std::string s(static_cast<std::size_t>(rowBytes) * h, '\0');
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x)
            s[r * rowBytes + x / perByte] |= static_cast<char>(index(x, r) << (8 - bits * (x % perByte + 1)));
    return s;
}

std::vector<COLORREF> Ramp(int n) {
    std::vector<COLORREF> p;
    for (int i = 0; i < n; ++i) p.push_back(RGB(i * 13 % 200, 200 - i * 7 % 200, (i * 37) % 256));
    return p;
}

// Every pixel of the picture: the preview (w × h pixels, index(x, r) with
// stored row r = 0 at the bottom) at twice its size in the middle, white
// elsewhere.
void ExpectPreview(const QImage& image, int w, int h, const std::vector<COLORREF>& palette,
                   const std::function<int(int, int)>& index) {
    const int x0 = (image.width() - 2 * w) / 2, y0 = (image.height() - 2 * h) / 2;
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            COLORREF want = RGB(255, 255, 255);
            if (x >= x0 && x < x0 + 2 * w && y >= y0 && y < y0 + 2 * h) {
                const int i = index((x - x0) / 2, h - 1 - (y - y0) / 2);
                want = i < static_cast<int>(palette.size()) ? palette[i] : RGB(0, 0, 0);
            }
            if (ColourFromPixel(image.pixel(x, y)) != want && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << std::hex << image.pixel(x, y);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(CdrReader, OldPreviewsOfEveryDepthAreDrawnDoubledAndCentred) {
    struct Case {
        int bits, colours, width, pictureW, pictureH;
    };
    for (const Case c : {Case{1, 2, 48, 200, 200}, Case{4, 16, 30, 201, 150}, Case{8, 40, 32, 200, 200},
                         Case{8, 40, 32, 50, 30}}) {
        SCOPED_TRACE(c.bits);
        const int h = 20;
        auto index = [&](int x, int r) { return (x + 3 * r + x / 5) % c.colours; };
        Preview p;
        p.bits = c.bits;
        p.height = h;
        // The stored width is not used: the image size decides (for 8 bits,
        // 640 bytes over 20 rows are 32 pixels a row, padding included).
        p.storedWidth = c.width - 3;
        p.palette = Ramp(c.colours);
        p.pixels = Rows(c.bits, c.width, h, index);
        const auto r = RenderText("cdr", Riff(Dib(p)), c.pictureW, c.pictureH);
        EXPECT_EQ(r.result, 1);
        EXPECT_TRUE(r.points.empty());
        ExpectPreview(r.image, c.width, h, p.palette, index);
    }
}

TEST(CdrReader, PixelsWithoutAPaletteEntryAreBlack) {
    auto index = [](int x, int) { return x % 8; };
    Preview p;
    p.palette = {RGB(0, 200, 0), RGB(0, 0, 200), RGB(200, 0, 0)};
    p.pixels = Rows(8, 16, 20, index);
    ExpectPreview(RenderText("cdr", Riff(Dib(p))).image, 16, 20, p.palette, index);

    Preview none = p;
    none.palette.clear();
    const auto r = RenderText("cdr", Riff(Dib(none)));
    EXPECT_EQ(r.result, 1);
    ExpectPreview(r.image, 16, 20, {}, index);

    // More entries than an 8-bit index reaches: the first 256 count.
    Preview many = p;
    many.palette = Ramp(300);
    ExpectPreview(RenderText("cdr", Riff(Dib(many))).image, 16, 20, many.palette, index);
}

TEST(CdrReader, ImageSizeThatIsNotWholeRowsReadsNothingPastIt) {
    // 10 bytes over 3 rows at 1 bit: 26 pixels a row, 4 bytes a row drawn; the
    // last two bytes the drawing takes are not in the file and read as 0.
    Preview p;
    p.bits = 1;
    p.height = 3;
    p.palette = {RGB(0, 0, 255), RGB(255, 0, 0)};
    p.pixels = std::string(10, '\xFF');
    // The bytes after the image are not zero: reading them would show.
    const auto r = RenderText("cdr", Riff(Dib(p), 256, "CDR9vrsn", '\xFF'));
    EXPECT_EQ(r.result, 1);
    ExpectPreview(r.image, 26, 3, p.palette, [](int x, int row) { return row == 2 && x >= 16 ? 0 : 1; });
}

TEST(CdrReader, BareCmx3PreviewMatchesTheRiffOne) {
    Preview p;
    p.palette = Ramp(12);
    auto index = [](int x, int r) { return (x * r) % 12; };
    p.pixels = Rows(8, 24, 20, index);
    const auto riff = RenderText("cdr", Riff(Dib(p)));
    const auto cmx = RenderText("cdr", Cmx3(Dib(p)));
    EXPECT_EQ(cmx.result, 1);
    ExpectPreview(cmx.image, 24, 20, p.palette, index);
    EXPECT_EQ(cmx.image, riff.image);

    EXPECT_EQ(RenderText("cdr", std::string("CMX3") + std::string(460, '\0')).result, 0);
}

TEST(CdrReader, OldPreviewsThatAreRejected) {
    Preview good;
    good.palette = Ramp(4);
    good.pixels = Rows(8, 32, 20, [](int x, int) { return x % 4; });
    ASSERT_EQ(RenderText("cdr", Riff(Dib(good))).result, 1);

    // Rejected: result 0 and nothing painted.
    auto rejected = [](const std::string& bytes) {
        const auto r = RenderText("cdr", bytes);
        if (r.result != 0) return false;
        EXPECT_EQ(test::CountNonWhite(r.image), 0);
        return true;
    };
    auto with = [&](const std::function<void(Preview&)>& change) {
        Preview p = good;
        change(p);
        return Riff(Dib(p));
    };

    for (int bits : {0, 2, 16, 24, 32})
        EXPECT_TRUE(rejected(with([&](Preview& p) { p.bits = bits; }))) << bits;
    EXPECT_TRUE(rejected(with([](Preview& p) { p.height = 0; })));
    EXPECT_TRUE(rejected(with([](Preview& p) { p.height = -20; })));
    EXPECT_TRUE(rejected(with([](Preview& p) { p.imageSize = 0; })));
    EXPECT_TRUE(rejected(with([](Preview& p) { p.imageSize = 0xFFFFFFFFu; })));   // absurd size
    EXPECT_TRUE(rejected(with([](Preview& p) { p.imageSize = 640 + 1000; })));    // pixels past the file
    EXPECT_TRUE(rejected(with([](Preview& p) { p.colourCount = 0x40000000u; }))); // palette past the chunk
    EXPECT_TRUE(rejected(with([](Preview& p) { p.headerLength = 32; })));         // no room for the count
    EXPECT_TRUE(rejected(with([](Preview& p) { p.headerLength = 0x7FFFFFFFu; })));
    // A palette that runs just past the chunk; the same one inside it is fine
    // (The pixels then lie after the palette, in the bytes after the chunk.)
    const std::string dib = Dib(good);
    const auto fullChunk = static_cast<std::uint32_t>((dib.size() - 40) / 4);
    EXPECT_TRUE(rejected(with([&](Preview& p) { p.colourCount = fullChunk + 1, p.imageSize = 200; })));
    EXPECT_FALSE(rejected(with([&](Preview& p) { p.colourCount = fullChunk, p.imageSize = 200; })));

    // The RIFF length must be the file size less 8.
    std::string longer = Riff(dib);
    test::Put32(longer, 4, static_cast<std::uint32_t>(longer.size() - 7));
    EXPECT_TRUE(rejected(longer));
    std::string shorter = Riff(dib);
    test::Put32(shorter, 4, static_cast<std::uint32_t>(shorter.size() - 9));
    EXPECT_TRUE(rejected(shorter));

    // At least 256 bytes must follow the preview chunk's id.
    Preview tiny;
    tiny.height = 4;
    tiny.palette = Ramp(2);
    tiny.pixels = Rows(8, 4, 4, [](int x, int) { return x % 2; });
    const std::string tinyDib = Dib(tiny);
    const std::size_t need = 256 - (8 + tinyDib.size());
    EXPECT_FALSE(rejected(Riff(tinyDib, need)));
    EXPECT_TRUE(rejected(Riff(tinyDib, need - 1)));
    // A chunk length past what follows.
    std::string overlong = Riff(dib);
    test::Put32(overlong, overlong.find("DISP") + 4, static_cast<std::uint32_t>(overlong.size()));
    EXPECT_TRUE(rejected(overlong));

    // The id search takes three bytes after each 'D', so "DDISP" hides the id.
    EXPECT_TRUE(rejected(Riff(dib, 256, "CDR9xD")));
    EXPECT_FALSE(rejected(Riff(dib, 256, "CDR9DOC ")));
    std::string noId = Riff(dib);
    noId[noId.find("DISP")] = 'd';
    EXPECT_TRUE(rejected(noId));

    EXPECT_TRUE(rejected("RIFX" + Riff(dib).substr(4)));
    EXPECT_TRUE(rejected("RIF"));
    EXPECT_TRUE(rejected(Riff(dib).substr(0, 300)));
}

TEST(CdrReader, FilesThatCannotBeReadFail) {
    CLoomveilDoc doc;
    test::TempDir dir;
    const auto missing = test::RenderPath(doc, dir.File("missing.cdr"));
    EXPECT_EQ(missing.result, 0);
    EXPECT_FALSE(doc.m_strError.empty());
    EXPECT_EQ(RenderText("cdr", "").result, 0);
}

// ---- zip previews ---------------------------------------------------------

std::string Encoded(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

QImage Quadrants(int w, int h, QRgb a, QRgb b, QRgb c, QRgb d) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, y < h / 2 ? (x < w / 2 ? a : b) : (x < w / 2 ? c : d));
    return image;
}

// The corners of the area a zip preview goes into (two thirds of the picture,
// centred) are painted; the pixels just outside them are white.
void ExpectStretchedInto(const QImage& image, int left, int top, int w, int h) {
    for (auto [x, y] :
         {std::pair{left, top}, {left + w - 1, top}, {left, top + h - 1}, {left + w - 1, top + h - 1}})
        EXPECT_FALSE(test::IsWhite(image, x, y)) << x << "," << y;
    for (auto [x, y] :
         {std::pair{left - 1, top}, {left, top - 1}, {left + w, top + h - 1}, {left + w - 1, top + h}})
        EXPECT_TRUE(test::IsWhite(image, x, y)) << x << "," << y;
    EXPECT_EQ(test::CountNonWhite(image), w * h);
}

TEST(CdrReader, ZipFixturesShowTheirPreviewStretchedIntoTheMiddle) {
    CLoomveilDoc doc;
    // Holds both members: the PNG wins.
    auto r = test::RenderPath(doc, test::DataPath("cdr/zip_png.cdr"), 300, 150);
    EXPECT_EQ(r.result, 1);
    EXPECT_TRUE(r.points.empty());
    ExpectStretchedInto(r.image, 50, 25, 200, 100);
    EXPECT_EQ(r.image.pixel(60, 35), qRgb(255, 0, 0));
    EXPECT_EQ(r.image.pixel(240, 35), qRgb(0, 160, 0));
    EXPECT_EQ(r.image.pixel(60, 115), qRgb(0, 0, 255));
    EXPECT_EQ(r.image.pixel(240, 115), qRgb(255, 255, 0));

    // Only the BMP, under a name in other letter case.
    r = test::RenderPath(doc, test::DataPath("cdr/zip_bmp.cdr"), 200, 200);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.image.pixel(50, 50), qRgb(0, 255, 255));
    EXPECT_EQ(r.image.pixel(130, 50), qRgb(255, 0, 255));
    EXPECT_EQ(r.image.pixel(50, 130), qRgb(0, 0, 0));
    EXPECT_EQ(r.image.pixel(130, 130), qRgb(128, 128, 128));
    // 133 × 133 at (33, 33).
    EXPECT_TRUE(test::IsWhite(r.image, 32, 100));
    EXPECT_FALSE(test::IsWhite(r.image, 33, 100));
    EXPECT_FALSE(test::IsWhite(r.image, 165, 100));
    EXPECT_TRUE(test::IsWhite(r.image, 166, 100));
}

TEST(CdrReader, OldPreviewFixtures) {
    CLoomveilDoc doc;
    for (const char* name : {"cdr/riff8.cdr", "cdr/riff4.cdr", "cdr/cmx3.cdr"}) {
        const auto r = test::RenderPath(doc, test::DataPath(name), 200, 200);
        EXPECT_EQ(r.result, 1) << name;
        // 32 × 20 drawn as 64 × 40 at (68, 80); the last two columns are padding (white).
        EXPECT_EQ(r.image.pixel(68, 80), qRgb(255, 0, 0)) << name;
        EXPECT_EQ(r.image.pixel(68 + 59, 80), qRgb(0, 160, 0)) << name;
        EXPECT_EQ(r.image.pixel(68, 119), qRgb(0, 0, 255)) << name;
        EXPECT_EQ(r.image.pixel(68 + 59, 119), qRgb(255, 255, 0)) << name;
        EXPECT_EQ(test::CountNonWhite(r.image), 60 * 40) << name;
    }
    const auto r = test::RenderPath(doc, test::DataPath("cdr/riff1.cdr"), 200, 200);
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.image.pixel(68, 80), qRgb(0, 0, 0));
    EXPECT_EQ(r.image.pixel(68 + 59, 80), qRgb(255, 255, 255));
    EXPECT_EQ(test::CountNonWhite(r.image), 2 * 30 * 20);
}

TEST(CdrReader, ZipMembersThatAreMissingEmptyOrUndecodable) {
    const std::string png =
        Encoded(Quadrants(20, 10, qRgb(9, 9, 9), qRgb(9, 9, 9), qRgb(9, 9, 9), qRgb(9, 9, 9)), "PNG");
    const std::string bmp =
        Encoded(Quadrants(20, 10, qRgb(1, 2, 3), qRgb(1, 2, 3), qRgb(1, 2, 3), qRgb(1, 2, 3)), "BMP");
    auto render = [](const std::vector<test::ZipMember>& members) {
        return RenderText("cdr", test::BuildZip(members).bytes, 90, 90);
    };

    // BMP first in the directory: the PNG still wins; a deflated BMP works too.
    auto r = render({{"metadata/thumbnails/thumbnail.bmp", bmp, 8}, {"previews/thumbnail.png", png, 8}});
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(r.image.pixel(30, 30), qRgb(9, 9, 9));
    ExpectStretchedInto(r.image, 15, 15, 60, 60);
    r = render({{"metadata/thumbnails/thumbnail.bmp", bmp, 8}});
    EXPECT_EQ(r.image.pixel(30, 30), qRgb(1, 2, 3));

    EXPECT_EQ(render({{"previews/other.png", png, 8}}).result, 0);
    // Found is shown, even when there is nothing to draw.
    r = render({{"previews/thumbnail.png", "", 0}});
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(test::CountNonWhite(r.image), 0);
    r = render({{"previews/thumbnail.png", "not a picture", 0}});
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(test::CountNonWhite(r.image), 0);
    // Only PNG and BMP are decoded, whatever the image library knows besides.
    r = render({{"previews/thumbnail.png", Encoded(Quadrants(20, 10, 1, 2, 3, 4), "PPM"), 0}});
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(test::CountNonWhite(r.image), 0);
    // An empty PNG member does not fall back to the BMP.
    EXPECT_EQ(
        render({{"previews/thumbnail.png", "", 0}, {"metadata/thumbnails/thumbnail.bmp", bmp, 0}}).result, 1);

    // A picture claiming 60000 × 60000 pixels is not decoded.
    std::string huge = png;
    test::Put32(huge, 16, 0x60EA0000u); // big-endian 60000
    test::Put32(huge, 20, 0x60EA0000u);
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(huge.data() + 12), 17));
    test::Put32(huge, 29, (crc >> 24) | ((crc >> 8) & 0xFF00) | ((crc << 8) & 0xFF0000) | (crc << 24));
    r = render({{"previews/thumbnail.png", huge, 0}});
    EXPECT_EQ(r.result, 1);
    EXPECT_EQ(test::CountNonWhite(r.image), 0);

    // A member declaring more than the archive could inflate to is refused.
    test::BuiltZip bomb = test::BuildZip({{"previews/thumbnail.png", png, 8}});
    test::Put32(bomb.bytes, bomb.local[0] + 22, 0xFFFFFFF0u);
    test::Put32(bomb.bytes, bomb.central[0] + 24, 0xFFFFFFF0u);
    EXPECT_EQ(RenderText("cdr", bomb.bytes).result, 0);

    // Zip signature but no archive.
    EXPECT_EQ(RenderText("cdr", "PK\x03\x04 and nothing else").result, 0);
}

} // namespace
