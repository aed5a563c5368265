#include "engine/mesh/qnparser.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/engine/mesh/mesh_test_util.h"

namespace {

class ParserTest : public meshtest::Scratch {
protected:
    QNPARSER& Open(const std::string& text)
    {
        const std::string path = dir + "p.txt";
        meshtest::WriteFile(path, text);
        parser.Open(path.c_str());
        return parser;
    }
    std::string FailureOf(const std::string& text, std::uint32_t type = QNPARSER::F32)
    {
        Open(text);
        double sink = 0;
        try {
            parser.ReadNumber(&sink, type, true, true);
        } catch (const QNPARSER::EXC& e) {
            return e.what();
        }
        return "";
    }
    QNPARSER parser;
};

TEST_F(ParserTest, IntegersFollowBaseZeroRules)
{
    std::int32_t v = -1;
    Open("12 012 09 -7 0x1F");
    EXPECT_TRUE(parser.ReadNumber(&v, QNPARSER::S32, true, true));
    EXPECT_EQ(v, 12);
    EXPECT_TRUE(parser.ReadNumber(&v, QNPARSER::S32, true, true));
    EXPECT_EQ(v, 10);  // octal
    EXPECT_TRUE(parser.ReadNumber(&v, QNPARSER::S32, true, true));
    EXPECT_EQ(v, 0);  // conversion stops at the 9
    EXPECT_TRUE(parser.ReadNumber(&v, QNPARSER::S32, true, true));
    EXPECT_EQ(v, -7);
    // "0x1F": the grammar takes the 0 only; the x is not a number.
    EXPECT_TRUE(parser.ReadNumber(&v, QNPARSER::S32, true, true));
    EXPECT_EQ(v, 0);
    EXPECT_EQ(parser.Current(), 'x');
    EXPECT_FALSE(parser.ReadNumber(&v, QNPARSER::S32, false, true));
    EXPECT_EQ(parser.Current(), 'x');

    std::uint8_t b = 0;
    std::int16_t s = 0;
    Open("300 -2");
    parser.ReadNumber(&b, QNPARSER::U8, true, true);
    parser.ReadNumber(&s, QNPARSER::S16, true, true);
    EXPECT_EQ(b, 44);  // 300 wrapped to 8 bits
    EXPECT_EQ(s, -2);
    // A fraction or an exponent is never cut off a whole number.
    EXPECT_NE(FailureOf("1.9", QNPARSER::S32).find("Expecting a whole number."), std::string::npos);
    EXPECT_NE(FailureOf("2e+1", QNPARSER::U16).find("Expecting a whole number."), std::string::npos);
}

TEST_F(ParserTest, DecimalsIgnoreLeadingZerosAndSaturate)
{
    std::int64_t v = 0;
    Open("010 09 -99999999999999999999 +7x");
    const std::int64_t expected[] = {10, 9, INT64_MIN, 7};
    for (std::int64_t e : expected) {
        ASSERT_TRUE(parser.ReadDecimal(&v, true, true));
        EXPECT_EQ(v, e);
    }
    EXPECT_FALSE(parser.ReadDecimal(&v, false, true));
    EXPECT_EQ(parser.Current(), 'x');
    Open("2.5");
    EXPECT_THROW(parser.ReadDecimal(&v, true, true), QNPARSER::EXC);
}

TEST_F(ParserTest, FloatsNeedDigitsAndSignedExponents)
{
    float f = 0;
    double d = 0;
    Open("1.5e+3 .5 -.5 2.5E-1");
    ASSERT_TRUE(parser.ReadNumber(&f, QNPARSER::F32, true, true));
    EXPECT_FLOAT_EQ(f, 1500.0f);
    ASSERT_TRUE(parser.ReadNumber(&f, QNPARSER::F32, true, true));
    EXPECT_FLOAT_EQ(f, 0.5f);
    ASSERT_TRUE(parser.ReadNumber(&f, QNPARSER::F32, true, true));
    EXPECT_FLOAT_EQ(f, -0.5f);
    ASSERT_TRUE(parser.ReadNumber(&d, QNPARSER::F64, true, true));
    EXPECT_DOUBLE_EQ(d, 0.25);

    EXPECT_NE(FailureOf("1.5e3").find("Exponent missing '+' or '-'."), std::string::npos);
    EXPECT_NE(FailureOf("1.5e+").find("Exponent missing digits."), std::string::npos);
    EXPECT_NE(FailureOf("5.").find("Bad number format."), std::string::npos);
    EXPECT_NE(FailureOf(".").find("Bad number format."), std::string::npos);
    EXPECT_NE(FailureOf("-").find("Bad number format."), std::string::npos);
    EXPECT_NE(FailureOf("abc").find("Expecting number."), std::string::npos);
    EXPECT_NE(FailureOf(std::string(120, '7')).find("Bad number format."), std::string::npos);
    EXPECT_EQ(FailureOf(std::string(79, '7'), QNPARSER::F64), "");
    EXPECT_NE(FailureOf("1e+39").find("Number out of range."), std::string::npos);
    double big = 0;
    Open("1e+309");
    EXPECT_THROW(parser.ReadNumber(&big, QNPARSER::F64, true, true), QNPARSER::EXC);
}

TEST_F(ParserTest, ErrorsNameFileAndLine)
{
    Open("v 1\nv 2\nv x\n");
    float f;
    parser.NextLine();
    parser.NextLine();
    ASSERT_TRUE(parser.ReadSymbol('v', true, true));
    try {
        parser.ReadNumber(&f, QNPARSER::F32, true, true);
        FAIL() << "no failure";
    } catch (const QNFILE::EXC& e) {  // a file handler catches parser failures too
        const std::string text = e.what();
        EXPECT_NE(text.find("p.txt'"), std::string::npos) << text;
        EXPECT_NE(text.find("Line #3 Expecting number."), std::string::npos) << text;
    }
    Open("a");
    EXPECT_THROW(parser.ReadSymbol('b', true, true), QNPARSER::EXC);
    EXPECT_THROW(parser.SkipSpaces(true), QNPARSER::EXC);
}

TEST_F(ParserTest, LinesCountAlikeForLfAndCrLf)
{
    for (const char* text : {"one\ntwo\nthree", "one\r\ntwo\r\nthree"}) {
        Open(text);
        EXPECT_TRUE(parser.AtLineStart());
        EXPECT_TRUE(parser.NextLine());
        EXPECT_EQ(parser.Line(), 2u);
        EXPECT_EQ(parser.Current(), 't');
        EXPECT_TRUE(parser.AtLineStart());
        EXPECT_TRUE(parser.NextLine());
        EXPECT_EQ(parser.Line(), 3u);
        EXPECT_FALSE(parser.NextLine());  // last line, no final line feed
        EXPECT_EQ(parser.Current(), 0);
    }
    Open("x\n");
    EXPECT_TRUE(parser.ReadSymbol('x', true, false));
    EXPECT_FALSE(parser.AtLineStart());
    EXPECT_TRUE(parser.ReadSymbol('\n', true, false));
    EXPECT_TRUE(parser.AtLineStart());
    EXPECT_EQ(parser.Line(), 2u);
}

}  // namespace
