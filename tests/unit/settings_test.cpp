// The settings record, its packed word and the Windows 9x value layout.
#include <gtest/gtest.h>

#include <string>

#include "settings/settings.h"

namespace {

bool operator==(const TvRecord &a, const TvRecord &b)
{
    return a.OutputMode == b.OutputMode && a.TvOnlyPal == b.TvOnlyPal && a.ScaleOneToOne == b.ScaleOneToOne
        && a.TvVgaStandard == b.TvVgaStandard && a.FlickerLevel == b.FlickerLevel && a.PosX == b.PosX
        && a.PosY == b.PosY;
}

TEST(PackedWord, ZeroRecordIsZeroWordAndBack)
{
    EXPECT_EQ(PackTvSettings(TvRecord{}), 0u);
    EXPECT_TRUE(UnpackTvSettings(0) == TvRecord{});
}

TEST(PackedWord, EveryFieldLandsInItsBits)
{
    TvRecord s{2, 1, 1, 2, 3, 5, 7};
    PackedTvWord word = PackTvSettings(s);
    EXPECT_EQ(word, 0x00EE0705u);
    EXPECT_EQ(ModeByte(word), 0xEE);
    EXPECT_EQ(PositionWord(s), 7 * 256 + 5);
}

TEST(PackedWord, FieldsAreMaskedToTheirBitsWhenPacked)
{
    struct Case { TvRecord record; PackedTvWord word; };
    const Case cases[] = {
        {{7, 0, 0, 0, 0, 0, 0}, 0x00030000},     // OutputMode & 3
        {{0, 7, 0, 0, 0, 0, 0}, 0x00040000},     // a PAL of 7 is PAL
        {{0, 6, 0, 0, 0, 0, 0}, 0x00000000},     // ... and 6 is not: bit 0 only
        {{0, 0, 0xFFFFFFFF, 0, 0, 0, 0}, 0x00080000},
        {{0, 0, 0, 0xFF, 0, 0, 0}, 0x00300000},
        {{0, 0, 0, 0, 7, 0, 0}, 0x00C00000},     // Flicker 7 from a 9x load
        {{0, 0, 0, 0, 0xFFFF, 0xFF, 0xFF}, 0x00C0FFFF},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PackTvSettings(c.record), c.word) << std::hex << c.word;
}

TEST(PackedWord, HighByteIsIgnoredWhenUnpacked)
{
    EXPECT_TRUE(UnpackTvSettings(0xFF000000) == TvRecord{});
    EXPECT_TRUE(UnpackTvSettings(0xA5EE0705) == UnpackTvSettings(0x00EE0705));
}

TEST(PackedWord, EveryStorableWordSurvivesUnpackAndPack)
{
    for (PackedTvWord word = 0; word < 0x01000000; ++word) {
        if (PackTvSettings(UnpackTvSettings(word)) != word)
            FAIL() << std::hex << word;
    }
}

// The Windows 9x layout: names, orders and the width each value loads at.
TEST(Layout9x, ValuesLoadAndSaveInTheirOrders)
{
    std::string load, save;
    for (const StoredValue &v : kLoadOrder9x)
        load += std::string(v.name) + " ";
    for (const StoredValue &v : kSaveOrder9x)
        save += std::string(v.name) + " ";
    EXPECT_EQ(load, "TVOUT PAL PAL_VANTOR Scale1:1 x y Flicker ");
    EXPECT_EQ(save, "x y TVOUT PAL PAL_VANTOR Scale1:1 Flicker ");
}

TEST(Layout9x, EachValueKeepsTheBitsItsFieldHolds)
{
    struct Case { const char *name; std::uint32_t stored, loaded; };
    const Case cases[] = {
        {"TVOUT", 0x105, 5},
        {"PAL", 0xFFFFFFFF, 0xFFFFFFFF},
        {"PAL_VANTOR", 0x1FF, 0xFF},
        {"Scale1:1", 0x80000000, 0x80000000},
        {"x", 0x12345, 0x45},
        {"y", 40, 40},
        {"Flicker", 0x70007, 7},
    };
    for (const Case &c : cases) {
        const StoredValue *value = nullptr;
        for (const StoredValue &v : kLoadOrder9x)
            if (std::string(v.name) == c.name)
                value = &v;
        ASSERT_NE(value, nullptr) << c.name;
        TvRecord record{};
        SetField(record, value->field, c.stored);
        EXPECT_EQ(GetField(record, value->field), c.loaded) << c.name;
        for (const StoredValue &other : kLoadOrder9x) {
            if (other.field != value->field) {
                EXPECT_EQ(GetField(record, other.field), 0u) << c.name << " touched " << other.name;
            }
        }
    }
}

}
