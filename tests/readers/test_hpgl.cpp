#include "model/scan.h"
#include "readers/hpgl_tokens.h"
#include "readers/pattern_parsers.h"
#include "readers/reader_test.h"

#include <cmath>
#include <random>

using namespace std::string_literals;

namespace test {
namespace {

// The model of a plot, each coordinate rounded to 0.01.
std::string Plot(std::string_view text) {
    CPointList list;
    EXPECT_TRUE(ParseHpgl(text, HpglDialect::plt, list).ok);
    std::vector<_tagREALPT> rounded(list.begin(), list.end());
    for (_tagREALPT& p : rounded)
        if (!IsBreak(p)) p = {std::round(p.x * 100) / 100, std::round(p.y * 100) / 100};
    return Text(rounded);
}

struct PlotCase {
    std::string text;
    std::string model;
};
void ExpectPlots(const std::vector<PlotCase>& cases) {
    for (const PlotCase& c : cases) EXPECT_EQ(Plot(c.text), c.model) << c.text.substr(0, 80);
}

} // namespace

TEST(HpglReader, StatementForms) {
    ExpectPlots({
        // The first statement adds a marker to the empty list, a PU right
        // after it none; other commands are skipped, leading blanks too.
        {"IN;SP1;PU0,0;PD100,0,100,100;PU;\n", "| 0,0 100,0 100,-100 |"},
        // Without ';': a line feed ends a statement, the next mnemonic does,
        // a sign starts a number; a comma before the line feed continues.
        {"PUPA0 0\nPDPA10 0\nPAPU6545,6440PRPD-95,90\n", "| 0,0 10,0 | 6545,-6440 6450,-6530"},
        {"PU0,0\nPD1,1\n2,2;PD3,3,\n4,4;PD5-5+6-6;", "| 0,0 1,-1 3,-3 4,-4 5,5 6,6"},
        // Empty statements, blank lines, NUL bytes and device-control escapes
        // are not data; mnemonics may be lower case.
        {"\x1B.I81;;17:\x1B.N;19:\x1B.(;;IN;;\n\npu5,5;\n\n\0pd6,6;"s, "| 5,-5 6,-6"},
        // CO comments and BP titles are skipped.
        {"CO \"PD9,9;\";CO PD8,8;BP1,\"PD7,7\";PU1,1;PD2,2;", "| 1,-1 2,-2"},
        // A pen-down move starts its stroke at the pen: after IN, PU, SP.
        {"PD1,1;PU;PD2,2;SP2;PD3,3;SP2;PD4,4;", "| 0,0 1,-1 | 1,-1 2,-2 | 2,-2 3,-3 4,-4"},
        // Relative moves last until PA, and start from the origin; each
        // pen-up move is a stroke start of its own.
        {"PR;PD3,4;PA0,0;PR10,0;PD5,5;PU;PD1,0;PA;PD3,3;", "| 0,0 3,-4 0,0 10,0 15,-5 | 15,-5 16,-5 3,-3"},
        {"PU1,1,2,2;PA3,3;PD4,4;", "| 1,-1 | 2,-2 | 3,-3 4,-4"},
        // Pairs: blanks as separators, a value left over, no number.
        {"PD10 20 30 40;PD1 ,2;PD1,2,3;PDx,y;PD1.5e1,-2.25,.5,1e-1;",
         "| 0,0 10,-20 30,-40 1,-2 1,-2 15,2.25 0.5,-0.1"},
    });
}

TEST(HpglReader, LabelsAreDrawnAndMoveThePen) {
    // Characters of 1 x 1 cm (400 units) in cells 600 wide, lines 800 apart.
    // Each case ends with a relative move from where the text left the pen.
    const struct {
        std::string text;
        float x, y; // the last point
    } cases[] = {
        {"PR;PU0,0;SI1,1;LBHH\x03PD0,100;", 1200, -100},
        // The text runs to ETX or the DT terminator, whatever it holds;
        // control characters draw nothing.
        {"PR;SI1,1;DT#,1;LB;\x03A#PD0,100;DT;LBa#\x03PD0,100;", 2400, -200},
        // CR returns to where the line began, LF goes down a line; CP moves
        // by cells, and without parameters to the next line.
        {"PR;SI1,1;PU0,0;LBAB\r\nC\x03PD0,0;", 600, 800},
        {"PR;SI1,1;PU0,0;CP2,1;CP;PD0,0;", 0, 800},
        // Sizes relative to P1-P2, and the direction, follow SR and DI.
        {"IP0,0,10000,10000;PR;SR4,4;DI0,1;PU0,0;LBA\x03PD0,0;", 0, -600},
    };
    for (const auto& c : cases) {
        CPointList list;
        ParseHpgl(c.text, HpglDialect::plt, list);
        ASSERT_FALSE(list.IsEmpty());
        EXPECT_NEAR(list.GetTail().x, c.x, 0.01) << c.text;
        EXPECT_NEAR(list.GetTail().y, c.y, 0.01) << c.text;
    }
    // An 'H' fills its character's box; SM puts its symbol on each point.
    EXPECT_EQ(Plot("SI1,1;PU0,0;LBH\x03"), "| 0,0 | 0,-400 0,0 | 400,-400 400,0 | 0,-209.52 400,-209.52 |");
    EXPECT_EQ(Plot("SI1,1;SM-;PU200,200;"), "| 200,-200 | -57.14,-171.43 457.14,-171.43 |");
}

TEST(HpglReader, CurvesAndFiguresMoveThePenAsAPlotterDoes) {
    ExpectPlots({
        // Arcs from the pen about a centre; the pen ends at the arc's end.
        {"PU300,0;PD;AA300,100,90,90;PR0,200;", "| 300,0 400,-100 400,-300"},
        {"PU0,0;PD;AR0,100,180,90;PR10,0;", "| 0,0 100,-100 0,-200 10,-200"},
        {"PU0,0;AR0,100,-90;PD5,0;", "| 0,0 | -100,-100 5,0"},
        // Circles, rectangles and wedges are closed strokes; the pen stays.
        {"PU10,10;CI5,90;PD20,10;", "| 10,-10 | 15,-10 10,-15 5,-10 10,-5 15,-10 | 10,-10 20,-10"},
        {"PU0,0;EA10,5;ER-3,4;RR1,1;",
         "| 0,0 | 0,0 10,0 10,-5 0,-5 0,0 | 0,0 -3,0 -3,-4 0,-4 0,0 | 0,0 1,0 1,-1 0,-1 0,0 |"},
        {"PU0,0;EW10,0,90,90;WG10,0,400,120;", "| 0,0 | 0,0 10,0 0,-10 0,0 | 10,0 -5,-8.66 -5,8.66 10,0 |"},
        // Polygon mode: moves fill the buffer, PM1 closes a subpolygon and
        // the next move starts one; EP edges the pen-down edges, FP adds the
        // others, and neither draws an edge twice.
        {"PA0,0;PM0;PD10,0,10,10;PM1;PU20,0;PD30,0;PU30,10;PM2;EP;FP;EP;",
         "| 0,0 | 0,0 10,0 10,-10 0,0 | 20,0 30,0 | 30,-10 20,0 | 30,0 30,-10 |"},
    });
    // Chords: five degrees unless given, bounded for absurd sweeps.
    const auto count = [](std::string_view text) {
        CPointList list;
        ParseHpgl(text, HpglDialect::plt, list);
        return list.size();
    };
    EXPECT_EQ(count("PU100,0;PD;AA0,0,90;"), 2u + 18u);
    EXPECT_EQ(count("PU100,0;PD;AA0,0,1e30,0.0001;"), 2u + 720u);
    EXPECT_EQ(count("PU100,0;CI50,-7;"), 2u + 53u + 2u);
}

TEST(HpglReader, PolylineEncodedData) {
    // 100 is encoded as 200: digit 8 ('G', continuing), then 3 (191 + 3,
    // last); -100 as 201; 0 as the single last digit 191. '<' lifts the pen
    // for the next pair, '=' makes it absolute; others are relative and
    // drawn. In base 32 ('7'), 200 is 8 ('G') then 6 (95 + 6 = 'e').
    ExpectPlots({
        {"PE<=G\xC2\xBFG\xC2\xBF\xBFH\xC2;PR;", "| 100,0 200,0 200,100"},
        {"PU0,0;PE7=Ge_;", "| 0,0 100,0"},
        // Fraction bits (one: halves) and a pen select ending the stroke.
        {"PE>\xC1<=G\xC2\xBF:\xC3G\xC2\xBF;", "| 50,0 | 50,0 100,0"},
        // Without ';' the data ends where a number is left unfinished.
        {"PE<=G\xC2\xBFG\xC2\xBFPUSP0PA7,7;", "| 100,0 200,0 | 7,-7"},
    });
    // Every flag and byte decodes without reading past the data.
    std::mt19937 rng(5);
    for (int i = 0; i < 2000; ++i) {
        std::string data(rng() % 40, '\0');
        for (char& c : data) c = static_cast<char>(rng());
        const std::size_t used = DecodePolylineEncoded(data, [](const EncodedItem&) {});
        EXPECT_LE(used, data.size());
    }
}

TEST(HpglReader, ScalingRotationAndSheet) {
    ExpectPlots({
        // A unit of SC0,10000 on 8128 plotter units is 0.8128 of them.
        {"IP0,0,8128,8128;SC0,10000,0,10000;PU0,0;PD10000,10000;", "| 0,0 8128,-8128"},
        {"IP0,0,4000,4000;SC0,10,0,10;PU0,0;PR8,0;", "| 0,0 | 3200,0"},
        // Isotropic: the smaller factor, spare room split by left/bottom.
        {"IP0,0,2000,1000;SC0,10,0,10,1;PU0,0;PD10,10;", "| 500,0 1500,-1000"},
        {"IP0,0,2000,1000;SC0,10,0,10,1,0,100;PU0,0;", "| 0,0"},
        // Point factor; IP with P1 alone keeps P1 to P2; scaling follows IP.
        {"IP100,100,200,200;SC0,3,0,3,2;PU1,1;", "| 103,-103"},
        {"SC0,1,0,1;IP100,200;PU1,1;SC;PU1,1;", "| 10100,-7400 | 1,-1"},
        // Arcs and circles are traced in user units.
        {"IP0,0;SC0,1,0,2,2;PU0,0;CI10,90;", "| 0,0 | 10,0 0,-20 -10,0 0,20 10,0 |"},
        // RO turns the axes about the sheet (PS sets it; IN turns back).
        {"PS1000,800;RO90;PU0,0;PD10,0;IN;PU0,0;", "| 1000,0 1000,-10 | 0,0"},
        {"PS1000,800;RO180;IR0,100;SC0,300,0,300;PU0,0;PD300,0,300,300;", "| 1000,0 0,0 0,800"},
        // IW cuts lines at its edges, in user units.
        {"SC0,1,0,1,2;IP0,0;IW0,0,10,10;PU0,5;PD20,5,20,8,5,8;IW;PD0,0;", "| 0,-5 10,-5 | 10,-8 5,-8 0,0"},
        // A window without width scales nothing.
        {"SC5,5,0,1;PU7,7;", "| 7,-7"},
        // The set-up this program's PLT writer writes does not scale.
        {"IN;\r\nIP;\r\nSP1;\r\nPU0,0;\r\nSC0,4,0,4;\r\nPU0,0;\r\nPD1000,0;\r\n", "| 0,0 | 0,0 1000,0"},
    });
}

TEST(HpglReader, PclJobsAndEscapes) {
    ExpectPlots({
        {"\x1B%-12345X@PJL JOB\r\n@PJL ENTER LANGUAGE=PCL\r\n\x1B"
         "E\x1B%0BIN;SP1;PU0,0;PD5,5;PU;"
         "\x1B%0APD7,7;\x1B*b4WPD9;\x1B&l1O\x1B%1BPD8,8;\x1B"
         "E\x1B%-12345X",
         "| 0,0 5,-5 | 5,-5 8,-8"},
        {"\x1B%-12345X@PJL ENTER LANGUAGE=HPGL2\nPU1,1;PD2,2;", "| 1,-1 2,-2"},
        {"\x1B%-1BBPINPS11176,8636PAIP508,508,10668,8128SC0,100,0,75SP1PU10,65PD20,65",
         "| 1524,-7112 2540,-7112"},
    });
}

TEST(HpglReader, PlotFileNamesOpenAsHpgl) {
    for (const char* ext : {"plt", "hpgl", "hpg", "hp"})
        EXPECT_EQ(Text(Read(ext, "IN;PU1,1;PD2,2;")), "| 1,-1 2,-2") << ext;
}

TEST(HpglReader, PensColourTheirStrokes) {
    // Red from its first point, black again after SP1; the red square's
    // pixels are red on the picture. A plot in pen 1 only records nothing.
    CPointList list;
    StrokeColours colours;
    ASSERT_TRUE(
        ParseHpgl("SP2;PA0,0;PD100,0,100,100;SP1;PD0,100;SP9;PD0,0;", HpglDialect::plt, list, &colours).ok);
    StrokeColours::Cursor at(colours);
    std::string seen;
    for (std::size_t i = 0; i < static_cast<std::size_t>(list.GetCount()); ++i)
        if (!IsBreak(list.begin()[i])) seen += at.At(i) == RGB(255, 0, 0) ? 'r' : at.At(i) == 0 ? 'k' : '?';
    EXPECT_EQ(seen, "rrrkkrr"); // pen 9 is pen 2 again
    colours.Clear();
    ASSERT_TRUE(ParseHpgl("IN;SP1;PD10,10;", HpglDialect::plt, list, &colours).ok);
    EXPECT_TRUE(colours.Empty());
    const Rendered r = RenderText("plt", "SP2;PA0,0;PD100,0,100,100;", 100, 100);
    int red = 0, other = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (!IsWhite(r.image, x, y)) ++((r.image.pixel(x, y) & 0xFFFFFF) == 0xFF0000u ? red : other);
    EXPECT_GT(red, 150);
    EXPECT_EQ(other, 0);
}

TEST(HpglReader, AFileThatDrawsNothingIsRefused) {
    for (const char* text : {"IN;SP1;PU;SP0;",
                             "\x1B"
                             "E\x1B&l1OPD10,10;\x1B"
                             "E",
                             "Hello"})
        EXPECT_EQ(Refusal("plt", text), "no HP-GL drawing found (no pen moves, curves or labels)");
}

TEST(HpglReader, ContentThatOpensWithHpgl) {
    for (const char* yes : {"IN;SP1;PU0,0;", "\x1B.(\x1B%-1BBPINPS1,1",
                            "\x1B%-12345X@PJL\r\n\x1B"
                            "E\x1B%0BINSP1",
                            "\r\n pu;pa10,10;pd"})
        EXPECT_TRUE(LooksLikeHpgl(yes)) << yes;
    for (const char* no : {"", "Hello, plotter", "  0\nSECTION\n", "VP 1,2\n",
                           "\x1B"
                           "E\x1B&l1Otext"})
        EXPECT_FALSE(LooksLikeHpgl(no)) << no;
}

TEST(HpglReader, CqpLines) {
    ExpectModels({
        // CQP: PU lifts the pen, PR and PA set the mode, any other tag is a
        // move; the next pair starts one tag character past the separator,
        // and never on the next line; ';' means nothing.
        {"cqp", "PU\nX1,2\nPR\nY3,4,Z5,6\nPA\nM;7,8\nPU0,0\nPD9,9\n", "| 1,-2 4,-6 9,-12 7,-8 |"},
        {"cqp", "X1,2,\n3,4\nX1,2;X3,4\n\nX5,5\n", "| 1,-2 1,-2"},
        {"cqp", std::string(100000, ',') + "\n", "|"},
    });
}

TEST(HpglReader, TheIntegerShortcutReadsNumbersAsTheGeneralParser) {
    // clang-format off
    std::vector<std::string> cases{"0", "-0", "+7", "007", "16777217", "-16777219,", "123456789012345678",
        "1234567890123456789", "99999999999999999999", "0x1A", "0X", "12x", "1.5", "1e5", "1e", "3E-2", "-", "+",
        "inf", "nan", ".5", "5.", "  4"};
    // clang-format on
    std::mt19937 rng(3);
    for (int i = 0; i < 20000; ++i) {
        std::string n = rng() % 2 ? "-" : "";
        for (int d = 0, digits = 1 + static_cast<int>(rng() % 20); d < digits; ++d)
            n += static_cast<char>('0' + rng() % 10);
        cases.push_back(n + ",");
    }
    for (const std::string& c : cases) {
        float quick = 42, general = 42;
        EXPECT_EQ(ParseFloatPrefixQuick(c, quick), ParseFloatPrefix(c, general)) << c;
        EXPECT_EQ(std::memcmp(&quick, &general, sizeof quick), 0) << c << ": " << quick << " vs " << general;
    }
}

} // namespace test
