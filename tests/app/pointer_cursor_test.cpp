// The screens' pointer (cursor resource 109) comes from the archive's pointer image.

#include <gtest/gtest.h>

#include "engine/input/qninput.h"
#include "engine/resource/qndisk.h"
#include "engine/resource/qnstorage.h"
#include "platform/input_mouse.h"
#include "platform/window.h"

TEST(PointerCursor, ResourceIdsPickTheArchivesImageOrTheArrow)
{
    ASSERT_TRUE(PlatformVideoInit()) << SDL_GetError();
    QNSTORAGE::SetArchive(CORVANE_MEDIA_ARCHIVE);
    int w = -1, h = -1;

    QNMOUSE::SetCursor(109);
    const std::uint32_t* image = PlatformCursorImage(&w, &h);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(w, 32);
    ASSERT_EQ(h, 32);
    auto at = [&](int x, int y) { return image[y * w + x]; };
    // The tip sits on the hot spot, opaque and bright; right of the tip and past the arrow is clear.
    EXPECT_EQ(at(QNMOUSE::kCursorHotX, QNMOUSE::kCursorHotY) >> 24, 0xFFu);
    EXPECT_GT(at(QNMOUSE::kCursorHotX, QNMOUSE::kCursorHotY) & 0xFF, 0xC0u);
    EXPECT_EQ(at(28, 3) >> 24, 0u);
    EXPECT_EQ(at(30, 30) >> 24, 0u);
    EXPECT_EQ(at(4, 12) >> 24, 0xFFu);  // the arrow's body below the tip
    EXPECT_EQ(QNMOUSE::Cursor(), 109u);

    QNMOUSE::SetCursor(0);
    EXPECT_EQ(PlatformCursorImage(&w, &h), nullptr);
    EXPECT_EQ(w, 0);
    QNMOUSE::SetCursor(109);
    QNMOUSE::SetCursor(4242);  // no such image: the arrow, not the previous pointer
    EXPECT_EQ(PlatformCursorImage(&w, &h), nullptr);
    EXPECT_EQ(QNMOUSE::Cursor(), 4242u);

    QNMOUSE::SetCursor(0);
    QNSTORAGE::SetArchive(nullptr);
    QNDISK::RemoveTempFolder();
}
