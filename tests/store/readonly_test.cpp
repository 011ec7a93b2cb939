// The registry store for a user who may read but not write the settings keys: the
// store runs against Wine's real registry, with write access refused at the two open calls.
#include <windows.h>

#include <cstdio>

#include "settings/settings.h"

namespace {

bool refuseWrites;
int failures;

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

template <typename Fn>
Fn Real(const char *name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void *>(GetProcAddress(LoadLibraryA("advapi32.dll"), name)));
}

LSTATUS WINAPI OpenKey(HKEY parent, LPCSTR name, DWORD options, REGSAM access, PHKEY key)
{
    if (refuseWrites && (access & kWriteRights))
        return ERROR_ACCESS_DENIED;
    static auto real = Real<decltype(&RegOpenKeyExA)>("RegOpenKeyExA");
    return real(parent, name, options, access, key);
}

LSTATUS WINAPI CreateKey(HKEY parent, LPCSTR name, DWORD reserved, LPSTR cls, DWORD options, REGSAM access,
                         LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition)
{
    if (refuseWrites && (access & kWriteRights))
        return ERROR_ACCESS_DENIED;
    static auto real = Real<decltype(&RegCreateKeyExA)>("RegCreateKeyExA");
    return real(parent, name, reserved, cls, options, access, security, key,
                disposition);
}

void Check(bool ok, const char *what, int line)
{
    if (!ok) {
        std::printf("FAIL line %d: %s\n", line, what);
        ++failures;
    }
}
#define CHECK(expr) Check((expr), #expr, __LINE__)

constexpr char kKey9x[] = "SOFTWARE\\Corvane\\Lumivex\\8\\VGATV";
constexpr char kKeyNT[] = "SYSTEM\\CurrentControlSet\\Services\\tarnix\\Device0\\Parameters";

// Every case starts as a user with write access; the store's imports are the test's too.
void Reset(const char *key)
{
    refuseWrites = false;
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
}

void Store(const char *key, const char *name, DWORD value)
{
    HKEY hkey;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey, nullptr);
    RegSetValueExA(hkey, name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&value), sizeof value);
    RegCloseKey(hkey);
}

bool Stored(const char *key, const char *name, DWORD *value)
{
    DWORD size = sizeof *value;
    return RegGetValueA(HKEY_LOCAL_MACHINE, key, name, RRF_RT_REG_DWORD, nullptr, value, &size) == ERROR_SUCCESS;
}

bool KeyExists(const char *key)
{
    HKEY hkey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hkey);
    return true;
}

void ReadOnlyUserOn9xSeesStoredSettingsAndStoresNothing()
{
    Reset(kKey9x);
    Store(kKey9x, "TVOUT", 1);
    Store(kKey9x, "PAL", 1);
    Store(kKey9x, "x", 5);
    IsWin9x = 1;
    IsNT = 0;
    refuseWrites = true;
    TvSettings = {};
    LoadSettings();
    CHECK(TvSettings.OutputMode == 1 && TvSettings.TvOnlyPal == 1 && TvSettings.PosX == 5);

    TvSettings.PosX = 9;
    SaveSettings();
    DWORD x = 0, y;
    CHECK(Stored(kKey9x, "x", &x) && x == 5);
    CHECK(!Stored(kKey9x, "y", &y));

    Reset(kKey9x);
    refuseWrites = true;
    LoadSettings();
    CHECK(!KeyExists(kKey9x));
    CHECK(TvSettings.OutputMode == 0 && TvSettings.PosX == 0);
}

void ReadOnlyUserOnNtSeesTheStoredWordAndStoresNothing()
{
    Reset(kKeyNT);
    Store(kKeyNT, "TVXYPos", 0x00EE0705);
    IsWin9x = 0;
    IsNT = 1;
    refuseWrites = true;
    LoadSettings();
    CHECK(PackTvSettings(TvSettings) == 0x00EE0705);

    TvSettings.PosY = 1;
    SaveSettings();
    DWORD word = 0;
    CHECK(Stored(kKeyNT, "TVXYPos", &word) && word == 0x00EE0705);
}

void WritingUserStillCreatesTheSubkeyOnLoad()
{
    Reset(kKeyNT);
    IsWin9x = 0;
    IsNT = 1;
    TvSettings.OutputMode = 2;
    LoadSettings();
    CHECK(KeyExists(kKeyNT));
    CHECK(TvSettings.OutputMode == 0);
    SaveSettings();
    DWORD word = 1;
    CHECK(Stored(kKeyNT, "TVXYPos", &word) && word == 0);
}

}

// The store's imports resolve to these, so only the two opens are intercepted.
extern "C" {
decltype(&RegOpenKeyExA) __imp_RegOpenKeyExA = OpenKey;
decltype(&RegCreateKeyExA) __imp_RegCreateKeyExA = CreateKey;
}

int main()
{
    ReadOnlyUserOn9xSeesStoredSettingsAndStoresNothing();
    ReadOnlyUserOnNtSeesTheStoredWordAndStoresNothing();
    WritingUserStillCreatesTheSubkeyOnLoad();
    Reset(kKey9x);
    Reset(kKeyNT);
    std::printf("%d failed\n", failures);
    return failures != 0;
}
