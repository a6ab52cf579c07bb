#include "model/scan.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

float F(std::string_view s, std::size_t* used = nullptr) {
    float v = -12345.0f;
    const std::size_t n = ParseFloatPrefix(s, v);
    if (used) *used = n;
    return n ? v : NAN;
}

TEST(ScanFloat, AcceptsWhatPercentFAccepts) {
    EXPECT_EQ(F("1.25"), 1.25f);
    EXPECT_EQ(F("-3"), -3.0f);
    EXPECT_EQ(F("+.5"), 0.5f);
    EXPECT_EQ(F("7."), 7.0f);
    EXPECT_EQ(F("2e3"), 2000.0f);
    EXPECT_EQ(F("-1.5E-2"), -0.015f);
    EXPECT_EQ(F("0x1.8p1"), 3.0f);
    EXPECT_TRUE(std::isinf(F("inf")));
    EXPECT_TRUE(std::isinf(F("-Infinity")));
    EXPECT_TRUE(std::isnan(F("nan")));
    EXPECT_EQ(F("1e50"), INFINITY); // beyond float: infinity, as strtof
    EXPECT_EQ(F("-1e500"), -INFINITY);
    EXPECT_EQ(F("1e-500"), 0.0f);
    EXPECT_EQ(F("0.0000000000000000000000000000000000000000000000000001"), 0.0f);
    std::size_t used = 0;
    EXPECT_EQ(F("1.5in", &used), 1.5f);
    EXPECT_EQ(used, 3u);
    EXPECT_EQ(F("3e", &used), 3.0f);
    EXPECT_EQ(used, 1u);
    EXPECT_TRUE(std::isnan(F(".")));
    EXPECT_TRUE(std::isnan(F("-")));
    EXPECT_TRUE(std::isnan(F("x1")));
    EXPECT_TRUE(std::isnan(F(" 1"))); // the prefix parser skips no blanks
}

TEST(ScanInt, SignsDigitsAndSaturation) {
    int v = 0;
    EXPECT_EQ(ParseIntPrefix("-42G", v), 3u);
    EXPECT_EQ(v, -42);
    EXPECT_EQ(ParseIntPrefix("99999999999", v), 11u);
    EXPECT_EQ(v, 2147483647);
    EXPECT_EQ(ParseIntPrefix("+", v), 0u);
    EXPECT_EQ(ParseIntPrefix("1.5", v), 1u);
}

TEST(Scanner, FormatsCountFieldsLikeScanf) {
    float x = 0, y = 0;
    // "%f,%f": blanks before numbers, none before the comma.
    Scanner a("  1.5,\t-2");
    EXPECT_TRUE(a.Float(x) && a.Literal(',') && a.Float(y));
    EXPECT_EQ(x, 1.5f);
    EXPECT_EQ(y, -2.0f);
    Scanner b("1.5 ,2");
    EXPECT_TRUE(b.Float(x));
    EXPECT_FALSE(b.Literal(','));
    // "%f%3s,%f": the word takes at most three characters, commas included.
    Scanner c("1.5mmm,2");
    EXPECT_TRUE(c.Float(x) && c.Word(3) && c.Literal(',') && c.Float(y));
    EXPECT_EQ(y, 2.0f);
    Scanner d("1.5in,2");
    std::string_view word;
    EXPECT_TRUE(d.Float(x) && d.Word(3, &word));
    EXPECT_EQ(word, "in,");
    EXPECT_FALSE(d.Literal(','));
    // "%c %c%f": %c takes a blank; format white space takes any amount.
    char r = 0, ax = 0;
    Scanner e(" X1");
    EXPECT_TRUE(e.Char(r));
    EXPECT_EQ(r, ' ');
    Scanner f("pX1");
    EXPECT_TRUE(f.Char(r));
    f.Space();
    EXPECT_TRUE(f.Char(ax) && f.Float(x));
    EXPECT_EQ(ax, 'X');
}

TEST(LineCursor, LinesEndWithLineFeedAndTheTextAtNul) {
    LineCursor lines(std::string_view("a\r\n\nlast", 8));
    std::string_view line;
    std::vector<std::string> got;
    while (lines.Next(line)) got.emplace_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"a\r", ""}));

    LineCursor withLast("x\ny");
    got.clear();
    while (withLast.NextOrLast(line)) got.emplace_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"x", "y"}));

    LineCursor nul(std::string_view("a\nb\0c\nd\n", 8));
    got.clear();
    while (nul.Next(line)) got.emplace_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"a"}));
}

} // namespace
