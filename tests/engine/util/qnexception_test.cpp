#include "engine/util/qnexception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// Which families catch each thrown type: devices, input, audio, graphics, disk, file.
template <class E>
unsigned Families()
{
    unsigned mask = 0;
    try { throw E(7, "x"); } catch (QNDEVICES::EXC&) { mask |= 1; } catch (...) {}
    try { throw E(7, "x"); } catch (QNINPUT::EXC&) { mask |= 2; } catch (...) {}
    try { throw E(7, "x"); } catch (QNAUDIO::EXC&) { mask |= 4; } catch (...) {}
    try { throw E(7, "x"); } catch (QNGRAPHICS::EXC&) { mask |= 8; } catch (...) {}
    try { throw E(7, "x"); } catch (QNDISK_EXC&) { mask |= 16; } catch (...) {}
    try { throw E(7, "x"); } catch (QNFILE_EXC&) { mask |= 32; } catch (...) {}
    try { throw E(7, "x"); } catch (QNEXCEPTION&) { mask |= 64; } catch (...) {}
    try { throw E(7, "x"); } catch (std::exception&) { mask |= 128; } catch (...) {}
    return mask;
}

} // namespace

TEST(QnException, CatchFamilies)
{
    const unsigned root = 64 | 128;
    EXPECT_EQ(Families<QNKEYBOARD_EXC>(), root | 1 | 2);
    EXPECT_EQ(Families<QNMOUSE_EXC>(), root | 1 | 2);
    EXPECT_EQ(Families<QNJOYSTICK_EXC>(), root | 1 | 2);
    EXPECT_EQ(Families<QNINPDEV_EXC>(), root | 1 | 2);
    EXPECT_EQ(Families<QNSOUND_EXC>(), root | 1 | 4);
    EXPECT_EQ(Families<QNAUDDEV_EXC>(), root | 1 | 4);
    EXPECT_EQ(Families<QNTEXTURE_EXC>(), root | 1 | 8);
    EXPECT_EQ(Families<QNDISPLAY_EXC>(), root | 1 | 8);
    EXPECT_EQ(Families<QNMESH_EXC>(), root | 1 | 8);
    EXPECT_EQ(Families<QNGRFDEV_EXC>(), root | 1 | 8);
    EXPECT_EQ(Families<QNFILE_EXC>(), root | 16 | 32);
    EXPECT_EQ(Families<QNPARSER_EXC>(), root | 16 | 32);
    EXPECT_EQ(Families<QNSTORAGE_EXC>(), root | 16);
    EXPECT_EQ(Families<QNFILEINFO_EXC>(), root | 16);
    EXPECT_EQ(Families<QNNODE_EXC>(), root);
}

TEST(QnException, SharedTextAndResultCode)
{
    QNEXCEPTION::ClearShared();
    EXPECT_STREQ(QNEXCEPTION::Message(), "");
    EXPECT_EQ(QNEXCEPTION::ResultCode(), 0u);
    try {
        throw QNNODE_EXC(0, "Node '%s' not found.", "hud");
    } catch (const QNEXCEPTION& e) {
        EXPECT_STREQ(QNEXCEPTION::Message(), "Node 'hud' not found.");
        EXPECT_STREQ(e.what(), "Node 'hud' not found.");
        EXPECT_EQ(QNEXCEPTION::ResultCode(), 0u);
    }
    try {
        throw QNDISPLAY_EXC(0x88760868u, "Unable to reopen display.");
    } catch (const QNDEVICES::EXC& e) {
        EXPECT_EQ(QNEXCEPTION::ResultCode(), 0x88760868u);
        // A later failure overwrites the shared text, never this exception's copy.
        QNFILE_EXC later(2, "other");
        EXPECT_STREQ(QNEXCEPTION::Message(), "other");
        EXPECT_STREQ(e.what(), "Unable to reopen display.");
    }

    QNEXCEPTION::SetLastDeviceResult(0x8007001Eu);
    EXPECT_EQ(QNEXCEPTION::LastDeviceResult(), 0x8007001Eu);
    QNEXCEPTION::SetLastDeviceResult(0);
}

TEST(QnException, LongMessagesAreCutNotOverflowed)
{
    std::string name(3000, 'n');
    QNTEXTURE_EXC e(1, "Unable to open texture '%s'.", name.c_str());
    EXPECT_EQ(std::strlen(QNEXCEPTION::Message()), 511u);
    EXPECT_EQ(std::strlen(e.what()), 511u);
    EXPECT_EQ(std::strncmp(e.what(), "Unable to open texture 'nnn", 27), 0);

    // The default constructor re-raises with the shared text as it stands.
    QNEXCEPTION again;
    EXPECT_STREQ(again.what(), QNEXCEPTION::Message());
}
