#include "engine/util/qnstring.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

TEST(QnString, ConstructionOwnsBorrowsOrAdopts)
{
    const char literal[] = "media\\meshes\\beam.gbm";
    QNSTRING copied(literal);
    EXPECT_NE(copied.Data(), literal);
    EXPECT_FALSE(copied.IsBorrowed());
    EXPECT_STREQ(copied.Text(), literal);

    QNSTRING borrowed(literal, true);
    EXPECT_EQ(borrowed.Data(), literal);
    EXPECT_TRUE(borrowed.IsBorrowed());

    char* heap = static_cast<char*>(std::malloc(4));
    std::memcpy(heap, "abc", 4);
    QNSTRING adopted(heap, false, true);
    EXPECT_EQ(adopted.Data(), heap);
    EXPECT_FALSE(adopted.IsBorrowed());

    QNSTRING empty(""), null(nullptr);
    EXPECT_EQ(empty.Data(), nullptr);
    EXPECT_TRUE(empty.IsBorrowed());
    EXPECT_TRUE(null.IsEmpty());
    EXPECT_STREQ(null.Text(), "");
}

TEST(QnString, CopiesAndSelfAssignmentAreSafe)
{
    QNSTRING a("alpha");
    a.SetNoCase(true);
    QNSTRING b("beta");
    b = a;
    EXPECT_STREQ(b.Text(), "alpha");
    EXPECT_NE(b.Data(), a.Data());   // owned text is copied, not shared
    EXPECT_TRUE(b.NoCase());

    QNSTRING& alias = a;
    a = alias;
    EXPECT_STREQ(a.Text(), "alpha");

    QNSTRING shared("lit", true);
    QNSTRING c(shared);
    EXPECT_EQ(c.Data(), shared.Data());   // borrowed text is shared

    QNSTRING moved(std::move(b));
    EXPECT_STREQ(moved.Text(), "alpha");
    EXPECT_TRUE(b.IsEmpty());
    moved = std::move(moved);
    EXPECT_STREQ(moved.Text(), "alpha");

    a = QNSTRING();
    EXPECT_TRUE(a.IsEmpty());
}

TEST(QnString, FormatAndPlus)
{
    QNSTRING f = QNSTRING::Format(true, "%s%d", "flame", 2);
    EXPECT_STREQ(f.Text(), "flame2");
    EXPECT_TRUE(f.NoCase());
    EXPECT_FALSE(f.IsBorrowed());

    std::string longText(2000, 'x');
    QNSTRING big = QNSTRING::Format(false, "%s!", longText.c_str());
    EXPECT_EQ(big.Length(), 2001u);

    QNSTRING emptyFormatted = QNSTRING::Format(false, "%s", "");
    EXPECT_TRUE(emptyFormatted.IsEmpty());

    QNSTRING left("media\\"), right("beam.gbm"), none;
    right.SetNoCase(true);
    QNSTRING joined = left + right;
    EXPECT_STREQ(joined.Text(), "media\\beam.gbm");
    EXPECT_TRUE(joined.NoCase());
    EXPECT_STREQ((none + left).Text(), "media\\");
    EXPECT_STREQ(left.Plus(none).Text(), "media\\");
    EXPECT_NE((left + none).Data(), left.Data());
    EXPECT_TRUE((none + none).IsEmpty());
}

TEST(QnString, EqualsAndContains)
{
    QNSTRING e1, e2("");
    EXPECT_FALSE(e1.Equals(e2));
    EXPECT_FALSE(e1.Equals(e1));

    QNSTRING a("Beam"), b("beam");
    EXPECT_FALSE(a.Equals(b));
    b.SetNoCase(true);
    EXPECT_TRUE(a.Equals(b));
    EXPECT_TRUE(b.Equals(a));
    EXPECT_TRUE(a.Equals(QNSTRING("Beam")));

    QNSTRING hay("media\\station\\beam.gbm");
    EXPECT_TRUE(hay.Contains(QNSTRING("station")));
    EXPECT_FALSE(hay.Contains(QNSTRING("Station")));
    EXPECT_TRUE(hay.Contains(QNSTRING()));       // empty needle is in any non-empty text
    EXPECT_FALSE(e1.Contains(QNSTRING()));
    EXPECT_FALSE(e1.Contains(QNSTRING("a")));
}

TEST(QnString, ShellPatternMatch)
{
    QNSTRING entry("media\\effects\\meshes\\flame.gbm");
    EXPECT_TRUE(entry.Matches(QNSTRING("MEDIA\\Effects\\meshes\\FLAME.GBM")));
    EXPECT_FALSE(entry.Matches(QNSTRING("media\\effects\\meshes\\flame.gb")));
    EXPECT_FALSE(entry.Matches(QNSTRING()));
    EXPECT_FALSE(QNSTRING().Matches(QNSTRING("x")));

    EXPECT_TRUE(QnMatchPattern("*.gbm", "a\\b.GBM"));
    EXPECT_TRUE(QnMatchPattern("*", "anything"));
    EXPECT_TRUE(QnMatchPattern("fl?me*", "flame.gbm"));
    EXPECT_TRUE(QnMatchPattern("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(QnMatchPattern("a*b*c", "aXbYbZ"));
    EXPECT_FALSE(QnMatchPattern("?", ""));
    EXPECT_TRUE(QnMatchPattern("**x", "x"));
    // A long pathological pattern finishes (no exponential backtracking).
    std::string name(4000, 'a');
    EXPECT_FALSE(QnMatchPattern("*a*a*a*a*a*a*a*a*b", name.c_str()));
}
