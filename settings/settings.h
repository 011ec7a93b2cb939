// The settings record, its packed 32-bit word, and the registry store that keeps it.
// The record and the word are pure: this header builds natively without <windows.h>.
#ifndef VGATV_SETTINGS_H
#define VGATV_SETTINGS_H

#include <cstdint>

enum : std::uint8_t { kModeVga = 0, kModeTvOnly = 1, kModeTvVga = 2 };
enum : std::uint8_t { kStdNtsc60 = 0, kStdPal640 = 1, kStdPal800 = 2 };

// Fields keep the widths the registry layouts rely on; loaded values may lie
// outside the ranges the commands produce.
struct TvRecord {
    std::uint8_t OutputMode;
    std::uint32_t TvOnlyPal;
    std::uint32_t ScaleOneToOne;
    std::uint8_t TvVgaStandard;
    std::uint16_t FlickerLevel;
    std::uint8_t PosX;
    std::uint8_t PosY;
};

using PackedTvWord = std::uint32_t;

constexpr PackedTvWord PackTvSettings(const TvRecord &s)
{
    return PackedTvWord{s.PosX}
        | PackedTvWord{s.PosY} << 8
        | PackedTvWord(s.OutputMode & 3u) << 16
        | PackedTvWord(s.TvOnlyPal & 1u) << 18
        | PackedTvWord(s.ScaleOneToOne & 1u) << 19
        | PackedTvWord(s.TvVgaStandard & 3u) << 20
        | PackedTvWord(s.FlickerLevel & 3u) << 22;
}

// Bits 24-31 are ignored.
constexpr TvRecord UnpackTvSettings(PackedTvWord word)
{
    TvRecord s{};
    s.PosX = word & 0xFF;
    s.PosY = word >> 8 & 0xFF;
    s.OutputMode = word >> 16 & 3;
    s.TvOnlyPal = word >> 18 & 1;
    s.ScaleOneToOne = word >> 19 & 1;
    s.TvVgaStandard = word >> 20 & 3;
    s.FlickerLevel = word >> 22 & 3;
    return s;
}

constexpr std::uint8_t ModeByte(PackedTvWord word) { return word >> 16 & 0xFF; }

// The third argument of the board's closing command.
constexpr std::uint16_t PositionWord(const TvRecord &s) { return std::uint16_t(s.PosY * 256 + s.PosX); }

// The Windows 9x layout keeps one value per field, each stored and loaded at the
// field's own width; the loads and the saves go in different orders.
enum class Field : std::uint8_t { OutputMode, TvOnlyPal, TvVgaStandard, ScaleOneToOne, PosX, PosY, FlickerLevel };

struct StoredValue {
    const char *name;
    Field field;
};

inline constexpr StoredValue kTvOut{"TVOUT", Field::OutputMode};
inline constexpr StoredValue kPal{"PAL", Field::TvOnlyPal};
inline constexpr StoredValue kPalVantor{"PAL_VANTOR", Field::TvVgaStandard};
inline constexpr StoredValue kScale{"Scale1:1", Field::ScaleOneToOne};
inline constexpr StoredValue kPosX{"x", Field::PosX};
inline constexpr StoredValue kPosY{"y", Field::PosY};
inline constexpr StoredValue kFlicker{"Flicker", Field::FlickerLevel};

inline constexpr StoredValue kLoadOrder9x[] = {kTvOut, kPal, kPalVantor, kScale, kPosX, kPosY, kFlicker};
inline constexpr StoredValue kSaveOrder9x[] = {kPosX, kPosY, kTvOut, kPal, kPalVantor, kScale, kFlicker};

constexpr std::uint32_t GetField(const TvRecord &s, Field field)
{
    switch (field) {
    case Field::OutputMode: return s.OutputMode;
    case Field::TvOnlyPal: return s.TvOnlyPal;
    case Field::TvVgaStandard: return s.TvVgaStandard;
    case Field::ScaleOneToOne: return s.ScaleOneToOne;
    case Field::PosX: return s.PosX;
    case Field::PosY: return s.PosY;
    case Field::FlickerLevel: return s.FlickerLevel;
    }
    return 0;
}

// Keeps the low bits that fit the field: a stored "TVOUT" of 0x105 loads as 5.
constexpr void SetField(TvRecord &s, Field field, std::uint32_t value)
{
    switch (field) {
    case Field::OutputMode: s.OutputMode = std::uint8_t(value); break;
    case Field::TvOnlyPal: s.TvOnlyPal = value; break;
    case Field::TvVgaStandard: s.TvVgaStandard = std::uint8_t(value); break;
    case Field::ScaleOneToOne: s.ScaleOneToOne = value; break;
    case Field::PosX: s.PosX = std::uint8_t(value); break;
    case Field::PosY: s.PosY = std::uint8_t(value); break;
    case Field::FlickerLevel: s.FlickerLevel = std::uint16_t(value); break;
    }
}

// The platform family, set once at start-up: at most one is set, and it picks the registry
// layout; neither means no settings are kept.
extern std::uint32_t IsWin9x;
extern std::uint32_t IsNT;

// The process-wide record; zero until LoadSettings.
extern TvRecord TvSettings;

void LoadSettings();
void SaveSettings();

#endif
