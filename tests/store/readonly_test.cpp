// The registry store for a user who may read but not write the settings keys: the
// store runs against Wine's real registry, with write access refused at the two open calls.
#include <cstdio>

#include "settings/settings.h"
#include "tools/wine/kit.h"

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

// Every case starts as a user with write access; the store's imports are the test's too.
void Reset(const char *key)
{
    refuseWrites = false;
    DeleteKey(key);
}

bool Stored(const char *key, const char *name, DWORD *value)
{
    DWORD type;
    std::string data;
    bool found = ReadValue(key, name, type, data) && type == REG_DWORD;
    *value = AsRead(data);
    return found;
}

void ReadOnlyUserOn9xSeesStoredSettingsAndStoresNothing()
{
    Reset(k9xKey);
    WriteDword(k9xKey, "TVOUT", 1);
    WriteDword(k9xKey, "PAL", 1);
    WriteDword(k9xKey, "x", 5);
    IsWin9x = 1;
    IsNT = 0;
    refuseWrites = true;
    TvSettings = {};
    LoadSettings();
    CHECK(TvSettings.OutputMode == 1 && TvSettings.TvOnlyPal == 1 && TvSettings.PosX == 5);

    TvSettings.PosX = 9;
    SaveSettings();
    DWORD x = 0, y;
    CHECK(Stored(k9xKey, "x", &x) && x == 5);
    CHECK(!Stored(k9xKey, "y", &y));

    Reset(k9xKey);
    refuseWrites = true;
    LoadSettings();
    CHECK(!KeyExists(k9xKey));
    CHECK(TvSettings.OutputMode == 0 && TvSettings.PosX == 0);
}

void ReadOnlyUserOnNtSeesTheStoredWordAndStoresNothing()
{
    Reset(kNtKey);
    WriteDword(kNtKey, kNtValue, 0x00EE0705);
    IsWin9x = 0;
    IsNT = 1;
    refuseWrites = true;
    LoadSettings();
    CHECK(PackTvSettings(TvSettings) == 0x00EE0705);

    TvSettings.PosY = 1;
    SaveSettings();
    DWORD word = 0;
    CHECK(Stored(kNtKey, kNtValue, &word) && word == 0x00EE0705);
}

void WritingUserStillCreatesTheSubkeyOnLoad()
{
    Reset(kNtKey);
    IsWin9x = 0;
    IsNT = 1;
    TvSettings.OutputMode = 2;
    LoadSettings();
    CHECK(KeyExists(kNtKey));
    CHECK(TvSettings.OutputMode == 0);
    SaveSettings();
    DWORD word = 1;
    CHECK(Stored(kNtKey, kNtValue, &word) && word == 0);
}

}

// The store's imports resolve to these, so only the two opens are intercepted. On x86 the import
// slots carry the __stdcall decoration.
#if defined(__i386__)
#define IMPORT_SLOT(name, bytes) asm("__imp__" #name "@" #bytes)
#else
#define IMPORT_SLOT(name, bytes) asm("__imp_" #name)
#endif
extern "C" {
decltype(&RegOpenKeyExA) openKeySlot IMPORT_SLOT(RegOpenKeyExA, 20) = OpenKey;
decltype(&RegCreateKeyExA) createKeySlot IMPORT_SLOT(RegCreateKeyExA, 36) = CreateKey;
}

int main()
{
    ReadOnlyUserOn9xSeesStoredSettingsAndStoresNothing();
    ReadOnlyUserOnNtSeesTheStoredWordAndStoresNothing();
    WritingUserStillCreatesTheSubkeyOnLoad();
    Reset(k9xKey);
    Reset(kNtKey);
    std::printf("%d failed\n", failures);
    return ReportStatus(failures != 0);
}
