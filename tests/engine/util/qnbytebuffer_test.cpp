#include "engine/util/qnbytebuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(QnByteBuffer, GrowsByWholeStepsAndKeepsBytes)
{
    QNBYTEBUFFER buffer(8);
    buffer.Append("abcde", 5);
    EXPECT_EQ(buffer.Capacity(), 8u);
    buffer.Append("fgh", 3);
    EXPECT_EQ(buffer.Capacity(), 8u);
    buffer.Append("i", 1);
    EXPECT_EQ(buffer.Capacity(), 16u);

    // An append several steps beyond the capacity grows by as many steps as it needs.
    std::vector<char> big(30, 'z');
    buffer.Append(big.data(), big.size());
    EXPECT_EQ(buffer.Size(), 39u);
    EXPECT_EQ(buffer.Capacity(), 40u);
    EXPECT_EQ(buffer.Count(), 4u);
    EXPECT_EQ(std::memcmp(buffer.Data(), "abcdefghi", 9), 0);
    EXPECT_EQ(buffer.Data()[38], 'z');

    buffer.Clear();
    EXPECT_EQ(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Size() + buffer.Capacity() + buffer.Count(), 0u);
}

TEST(QnByteBuffer, AppendStringKeepsTerminators)
{
    QNBYTEBUFFER list(512);
    list.AppendString("/tmp/a");
    list.AppendString("/tmp/b");
    list.AppendString("");
    ASSERT_EQ(list.Size(), 15u);
    const char* p = reinterpret_cast<const char*>(list.Data());
    EXPECT_STREQ(p, "/tmp/a");
    EXPECT_STREQ(p + 7, "/tmp/b");
    EXPECT_EQ(p[14], '\0');
}
