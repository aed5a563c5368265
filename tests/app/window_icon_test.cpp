// The program's window takes its icon from the media archive.

#include <gtest/gtest.h>

#include "engine/app/qnwindow.h"
#include "engine/resource/qndisk.h"
#include "engine/resource/qnstorage.h"
#include "platform/window.h"

TEST(WindowIcon, ComesFromTheArchivesIconImage)
{
    ASSERT_TRUE(PlatformVideoInit()) << SDL_GetError();
    QNWINDOW::Create("icon test", 160, 120);
    QNSTORAGE::SetArchive(CORVANE_MEDIA_ARCHIVE);
    EXPECT_FALSE(QNWINDOW::SetIcon("media\\program\\noicon.dds"));
    EXPECT_EQ(PlatformWindowIconWidth(), 0);
    EXPECT_TRUE(QNWINDOW::SetIcon(QNWINDOW::kIcon));
    EXPECT_EQ(PlatformWindowIconWidth(), 32);
    QNSTORAGE::SetArchive(nullptr);
    QNWINDOW::Destroy();
    EXPECT_FALSE(QNWINDOW::SetIcon(QNWINDOW::kIcon));  // no window
    QNDISK::RemoveTempFolder();
}
