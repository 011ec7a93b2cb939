// The registry store: the record outlives the program under HKEY_LOCAL_MACHINE, in the
// layout of the platform family. Nothing is cached; every operation opens and closes its keys.
#include <windows.h>

#include "settings.h"

std::uint32_t IsWin9x;
std::uint32_t IsNT;
TvRecord TvSettings;

namespace {

constexpr char kRoot9x[] = "SOFTWARE\\Corvane\\Lumivex\\8";
constexpr char kRootNT[] = "SYSTEM\\CurrentControlSet\\Services\\tarnix\\Device0";
constexpr char kKey9x[] = "VGATV";
constexpr char kKeyNT[] = "Parameters";
constexpr char kPackedValue[] = "TVXYPos";
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

// The trace sink stays silent in this build.
void TraceValue(const char *, DWORD) {}

HKEY OpenSettingsRoot(REGSAM access = kReadWrite)
{
    const char *path = IsWin9x ? kRoot9x : IsNT ? kRootNT : nullptr;
    HKEY root;
    if (!path || RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access, &root) != ERROR_SUCCESS)
        return nullptr;
    return root;
}

// Creates the subkey when it is missing, on reading as well as on writing.
HKEY OpenSettingsKey(const char *name)
{
    HKEY root = OpenSettingsRoot();
    if (!root)
        return nullptr;
    HKEY key;
    DWORD disposition;
    LONG status = RegCreateKeyExA(root, name, 0, nullptr, REG_OPTION_NON_VOLATILE, kReadWrite,
                                  nullptr, &key, &disposition);
    RegCloseKey(root);
    return status == ERROR_SUCCESS ? key : nullptr;
}

// A user who may not write under HKEY_LOCAL_MACHINE (every ordinary user on NT) still
// sees the stored settings, rather than zeros that would switch the board to VGA only.
HKEY OpenSettingsKeyToRead(const char *name)
{
    if (HKEY key = OpenSettingsKey(name))
        return key;
    HKEY root = OpenSettingsRoot(KEY_READ);
    if (!root)
        return nullptr;
    HKEY key;
    LONG status = RegOpenKeyExA(root, name, 0, KEY_READ, &key);
    RegCloseKey(root);
    return status == ERROR_SUCCESS ? key : nullptr;
}

DWORD ReadSettingDword(const char *keyName, const char *valueName, DWORD fallback)
{
    HKEY key = OpenSettingsKeyToRead(keyName);
    if (!key)
        return fallback;
    // Zeroed, so that a value shorter than four bytes reads as its bytes, zero-extended;
    // a longer one does not fit and reads as missing. The type is not examined.
    BYTE bytes[4] = {};
    DWORD size = sizeof bytes;
    LONG status = RegQueryValueExA(key, valueName, nullptr, nullptr, bytes, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return fallback;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | DWORD(bytes[3]) << 24;
}

bool WriteSettingDword(const char *keyName, const char *valueName, DWORD value)
{
    HKEY key = OpenSettingsKey(keyName);
    if (!key)
        return false;
    LONG status = RegSetValueExA(key, valueName, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value),
                                 sizeof value);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

}

void LoadSettings()
{
    if (IsWin9x) {
        for (const StoredValue &stored : kLoadOrder9x)
            SetField(TvSettings, stored.field, ReadSettingDword(kKey9x, stored.name, 0));
    } else if (IsNT) {
        PackedTvWord word = ReadSettingDword(kKeyNT, kPackedValue, 0);
        TraceValue("Enter Quorlink : TVXYPos = 0x%lx\n", word);
        TvSettings = UnpackTvSettings(word);
    }
}

void SaveSettings()
{
    if (IsWin9x) {
        for (const StoredValue &stored : kSaveOrder9x)
            WriteSettingDword(kKey9x, stored.name, GetField(TvSettings, stored.field));
    } else if (IsNT) {
        PackedTvWord word = PackTvSettings(TvSettings);
        WriteSettingDword(kKeyNT, kPackedValue, word);
        TraceValue("Exit Quorlink : TVXYPos = 0x%lx\n", word);
    }
}
