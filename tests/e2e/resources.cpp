#include "e2e.h"

#include <cstdlib>
#include <cstring>

namespace {

// The exe is loaded as data only: none of its code runs in the driver.
struct DataModule {
    HMODULE h;
    explicit DataModule(const std::string &exe) : h(LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~DataModule() { if (h) FreeLibrary(h); }
};

struct Reader {
    const BYTE *base, *p;
    WORD word() { WORD w; memcpy(&w, p, 2); p += 2; return w; }
    DWORD dword() { DWORD d; memcpy(&d, p, 4); p += 4; return d; }
    void align() { p = base + ((p - base + 3) & ~3); }
    std::string string()
    {
        std::wstring w;
        for (WORD c; (c = word()) != 0;)
            w += wchar_t(c);
        char buf[1024] = "";
        WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, buf, sizeof buf, nullptr, nullptr);
        return buf;
    }
    // sz_Or_Ord: empty, 0xFFFF followed by an ordinal, or a string.
    std::string nameOrOrdinal(bool isClass = false)
    {
        if (WORD(p[0] | p[1] << 8) != 0xFFFF)
            return string();
        word();
        WORD ord = word();
        static const char *const kAtoms[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
        if (isClass && ord >= 0x80 && ord <= 0x85)
            return kAtoms[ord - 0x80];
        return "#" + std::to_string(ord);
    }
};

}

std::string loadDialog(const std::string &exe, const char *name, DlgTemplate &out)
{
    DataModule m(exe);
    if (!m.h)
        return "cannot load " + exe + " as data";
    HRSRC r = FindResourceA(m.h, name, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    const BYTE *data = r ? static_cast<const BYTE *>(LockResource(LoadResource(m.h, r))) : nullptr;
    if (!data)
        return std::string("no dialog resource ") + name;
    Reader in{data, data};
    if (WORD(data[2] | data[3] << 8) == 0xFFFF)
        return std::string("dialog ") + name + " is a DLGTEMPLATEEX, not a classic DLGTEMPLATE";
    out.style = in.dword();
    out.exStyle = in.dword();
    WORD count = in.word();
    out.x = short(in.word()), out.y = short(in.word()), out.cx = short(in.word()), out.cy = short(in.word());
    out.menu = in.nameOrOrdinal();
    out.cls = in.nameOrOrdinal(true);
    out.caption = in.string();
    if (out.style & DS_SETFONT) {
        out.points = in.word();
        out.face = in.string();
    }
    for (WORD i = 0; i < count; ++i) {
        in.align();
        DlgItem it;
        it.style = in.dword();
        it.exStyle = in.dword();
        it.x = short(in.word()), it.y = short(in.word()), it.cx = short(in.word()), it.cy = short(in.word());
        it.id = in.word();
        it.cls = in.nameOrOrdinal(true);
        it.text = in.nameOrOrdinal();
        in.p += in.word(); // creation data
        out.items.push_back(it);
    }
    return "";
}

std::string loadMenuTexts(const std::string &exe, const std::string &name, std::vector<std::string> &out)
{
    DataModule m(exe);
    HMENU menu = m.h ? LoadMenuA(m.h, name.c_str()) : nullptr;
    if (!menu)
        return "no menu resource " + name;
    for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
        wchar_t w[256] = L"";
        GetMenuStringW(menu, i, w, 256, MF_BYPOSITION);
        char buf[1024] = "";
        WideCharToMultiByte(CP_UTF8, 0, w, -1, buf, sizeof buf, nullptr, nullptr);
        out.push_back(buf);
    }
    DestroyMenu(menu);
    return "";
}

std::string loadBitmapPixels(const std::string &exe, int id, int &w, int &h, std::vector<DWORD> &out)
{
    DataModule m(exe);
    HRSRC r = m.h ? FindResourceA(m.h, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2) /* RT_BITMAP */) : nullptr;
    const BYTE *data = r ? static_cast<const BYTE *>(LockResource(LoadResource(m.h, r))) : nullptr;
    if (!data)
        return "no bitmap resource " + std::to_string(id);
    BITMAPINFOHEADER head;
    memcpy(&head, data, sizeof head);
    int bpp = head.biBitCount;
    if (head.biCompression != BI_RGB || (bpp != 1 && bpp != 4 && bpp != 8))
        return "bitmap " + std::to_string(id) + " is not an uncompressed palette bitmap";
    const BYTE *palette = data + head.biSize;
    const BYTE *bits = palette + 4 * (head.biClrUsed ? head.biClrUsed : 1u << bpp);
    w = head.biWidth, h = abs(head.biHeight);
    int stride = (w * bpp + 31) / 32 * 4;
    out.clear();
    for (int y = 0; y < h; ++y) {
        const BYTE *row = bits + stride * (head.biHeight > 0 ? h - 1 - y : y);
        for (int x = 0; x < w; ++x) {
            int index = row[x * bpp / 8] >> (8 - bpp - x * bpp % 8) & ((1 << bpp) - 1);
            const BYTE *rgb = palette + 4 * index;
            out.push_back(DWORD(rgb[2]) << 16 | rgb[1] << 8 | rgb[0]);
        }
    }
    return "";
}
