// e2edrv: runs vgatv.exe and checks it against scenario files.
//
//   e2edrv --width W --exe path/to/vgatv.exe scenario.txt...
//
// Runs the cases that apply at screen width W (the screen must be that wide: run it in a
// Wine virtual desktop), prints file:line, expected and seen for each failing case, then
// "N passed, M failed"; writes the exit status to the file VGATV_STATUS_FILE names, if set.
//
// A scenario file is one directive a line (kVerbs lists them; README.md says what each
// checks). '#' starts a comment line; "..." strings take \n \" \\; ids are numbers, -1 is
// 0xFFFF; KEY is a path under HKLM that may start with NT (the board driver's service key)
// or 9X (the product's settings key).
// `case NAME` starts a case: the program is not running, NT and 9X exist and are empty,
// and the family is nt. `widths W...` limits a case, `@W,W: DIRECTIVE` one directive.
// A case stops at its first failure; the program is then killed. Every wait ends after 10 s.
#include "e2e.h"
#include "tools/wine/status.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <tuple>

namespace {

const int kWidths[] = {640, 720, 800, 1024};
const unsigned kAllWidths = 0xF;
const char kNtKey[] = "SYSTEM\\CurrentControlSet\\Services\\tarnix\\Device0";
const char k9xKey[] = "SOFTWARE\\Corvane\\Lumivex\\8";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";

using Args = std::vector<std::string>;

struct Step {
    int line;
    unsigned widths;
    Args args;
};

struct Case {
    Case(const std::string &f, const std::string &n, int l) : file(f), name(n), line(l) {}
    std::string file, name;
    int line;
    std::string error; // the first syntax error, at errorLine
    int errorLine = 0;
    unsigned widths = kAllWidths;
    std::vector<Step> steps;
};

std::string quote(const std::string &s)
{
    std::string q = "\"";
    for (char c : s)
        q += c == '\n' ? "\\n" : c == '"' ? "\\\"" : c == '\\' ? "\\\\" : std::string(1, c);
    return q + "\"";
}

std::string hex(unsigned long long v)
{
    char buf[32];
    snprintf(buf, sizeof buf, "0x%llX", v);
    return buf;
}

std::string differs(const std::string &what, const std::string &expected, const std::string &seen)
{
    return what + ": expected " + expected + ", seen " + seen;
}

std::string join(const std::vector<std::string> &v, size_t from = 0)
{
    std::string s;
    for (size_t i = from; i < v.size(); ++i)
        s += (i > from ? " " : "") + v[i];
    return s;
}

bool number(const std::string &s, long long &v, int base = 0)
{
    char *end = nullptr;
    v = strtoll(s.c_str(), &end, base);
    return !s.empty() && *end == 0;
}

bool addWidth(const std::string &w, unsigned &mask)
{
    for (int i = 0; i < 4; ++i)
        if (w == std::to_string(kWidths[i]))
            return mask |= 1u << i, true;
    return false;
}

std::string keyPath(const std::string &key)
{
    std::string root = key.substr(0, key.find('\\'));
    std::string rest = key.substr(root.size());
    return root == "NT" ? kNtKey + rest : root == "9X" ? k9xKey + rest : key;
}

// A typed registry value from `dword N`, `qword N`, `sz "S"` or `binary XX...` at a[at].
std::string regData(const Args &a, size_t at, DWORD &type, std::string &data)
{
    const std::string &kind = a[at];
    long long v = 0;
    if ((kind == "dword" || kind == "qword") && a.size() == at + 2 && number(a[at + 1], v)) {
        type = kind == "dword" ? REG_DWORD : REG_QWORD;
        data.assign(reinterpret_cast<const char *>(&v), type == REG_DWORD ? 4 : 8);
    } else if (kind == "sz" && a.size() == at + 2) {
        type = REG_SZ;
        data = a[at + 1] + '\0';
    } else if (kind == "binary") {
        type = REG_BINARY;
        for (size_t i = at + 1; i < a.size(); ++i) {
            if (!number(a[i], v, 16) || v < 0 || v > 255)
                return "bad byte " + a[i];
            data += char(v);
        }
    } else {
        return "expected dword N, qword N, sz \"S\" or binary XX...";
    }
    return "";
}

std::string describeValue(DWORD type, const std::string &data)
{
    unsigned long long v = 0;
    if ((type == REG_DWORD && data.size() == 4) || (type == REG_QWORD && data.size() == 8)) {
        memcpy(&v, data.data(), data.size());
        return (type == REG_DWORD ? "dword " : "qword ") + hex(v);
    }
    if (type == REG_SZ)
        return "sz " + quote(data.substr(0, data.find('\0')));
    std::string s = type == REG_BINARY ? "binary" : "type " + std::to_string(type);
    for (unsigned char b : data) {
        char buf[4];
        snprintf(buf, sizeof buf, " %02X", b);
        s += buf;
    }
    return s;
}

// The value's type and data; false when it is not there.
bool readValue(const std::string &key, const std::string &name, DWORD &type, std::string &data)
{
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return false;
    BYTE buf[4096];
    DWORD size = sizeof buf;
    bool found = RegQueryValueExA(k, name.c_str(), nullptr, &type, buf, &size) == ERROR_SUCCESS;
    RegCloseKey(k);
    data.assign(reinterpret_cast<char *>(buf), found ? size : 0);
    return found;
}

// Every key and value under HKLM\path, each described.
void snapshot(const std::string &path, std::map<std::string, std::string> &out)
{
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return;
    out["HKLM\\" + path] = "present";
    char name[256];
    BYTE data[4096];
    for (DWORD i = 0, n = sizeof name, type, size = sizeof data;
         RegEnumValueA(k, i, name, &n, nullptr, &type, data, &size) == ERROR_SUCCESS; ++i, n = sizeof name, size = sizeof data)
        out["HKLM\\" + path + " " + quote(name)] = describeValue(type, std::string(reinterpret_cast<char *>(data), size));
    std::vector<std::string> subkeys;
    for (DWORD i = 0, n = sizeof name; RegEnumKeyExA(k, i, name, &n, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, n = sizeof name)
        subkeys.push_back(name);
    RegCloseKey(k);
    for (const std::string &sub : subkeys)
        snapshot(path + "\\" + sub, out);
}

// The settings record as the board calls, the controls and the store show it.
struct Record {
    DWORD mode = 0, pal = 0, scale = 0, std = 0, flicker = 0, x = 0, y = 0;
};

// The 9x layout's values and the bits of each that the panel keeps on loading.
struct Field {
    const char *name;
    DWORD Record::*member;
    DWORD mask;
};
const Field kFields[] = {
    {"TVOUT", &Record::mode, 0xFF}, {"PAL", &Record::pal, 0xFFFFFFFF}, {"PAL_VANTOR", &Record::std, 0xFF},
    {"Scale1:1", &Record::scale, 0xFFFFFFFF}, {"x", &Record::x, 0xFF}, {"y", &Record::y, 0xFF},
    {"Flicker", &Record::flicker, 0xFFFF},
};
const char k9xValues[] = "9X\\VGATV";
const char kNtValues[] = "NT\\Parameters";
const char kNtValue[] = "TVXYPos";

DWORD pack(const Record &r)
{
    return (r.x & 0xFF) | (r.y & 0xFF) << 8 | (r.mode & 3) << 16 | (r.pal & 1) << 18 | (r.scale & 1) << 19
        | (r.std & 3) << 20 | (r.flicker & 3) << 22;
}

Record unpack(DWORD w)
{
    Record r;
    r.x = w & 0xFF, r.y = w >> 8 & 0xFF, r.mode = w >> 16 & 3, r.pal = w >> 18 & 1, r.scale = w >> 19 & 1;
    r.std = w >> 20 & 3, r.flicker = w >> 22 & 3;
    return r;
}

// A stored value as the panel reads it, whatever its type: at most four bytes, little-endian;
// a longer one reads as missing, 0.
DWORD asRead(const std::string &data)
{
    DWORD v = 0;
    if (data.size() <= 4)
        memcpy(&v, data.data(), data.size());
    return v;
}

Record storedRecord(bool nt)
{
    auto value = [&](const char *name) {
        DWORD type;
        std::string data;
        return readValue(keyPath(nt ? kNtValues : k9xValues), name, type, data) ? asRead(data) : 0;
    };
    if (nt)
        return unpack(value(kNtValue));
    Record r;
    for (const Field &f : kFields)
        r.*f.member = value(f.name) & f.mask;
    return r;
}

// The board calls that open the panel at this width, and what the width makes of the record.
Args startupCalls(Record &r, int width)
{
    if (width > 800 && r.mode == 2)
        r.mode = 0;
    if (r.mode == 1)
        return {"calls", "31:0", r.pal ? "31:1" : "31:0", r.scale ? "31:10" : "31:11"};
    if (r.mode != 2)
        return {"calls", "30:0", "30:21"};
    if (width == 800 && r.std == 0)
        r.std = 1;
    return {"calls", "32:" + hex(r.std), "32:20"};
}

// OK, the board's closing call on NT, the exit, and the values written.
std::vector<Args> closing(const Record &r, bool nt)
{
    std::vector<Args> steps = {{"click", "114"}, {"calls"}, {"exited", "0"}};
    if (nt) {
        steps[1].push_back("28:" + hex(pack(r) >> 16 & 0xFF) + ":" + hex(r.y << 8 | r.x));
        steps.push_back({"regval", kNtValues, kNtValue, "dword", hex(pack(r))});
        return steps;
    }
    for (const Field &f : kFields)
        steps.push_back({"regval", k9xValues, f.name, "dword", hex(r.*f.member)});
    return steps;
}

std::string resetKey(const char *key)
{
    HKEY k;
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr))
        return std::string("cannot create HKLM\\") + key;
    RegCloseKey(k);
    return "";
}

std::string boxContent(HWND box)
{
    return quote(windowText(box)) + " " + quote(windowText(GetDlgItem(box, 0xFFFF)));
}

class Runner {
public:
    Runner(Program &p, int width) : prog_(p), width_(width) {}
    bool run(const Case &c, unsigned widthBit);
    std::string exec(const Args &a);

    std::string family(const Args &a);
    std::string registry(const Args &a);
    std::string start(const Args &);
    std::string calls(const Args &a);
    std::string input(const Args &a);
    std::string state(const Args &a);
    std::string repeat(const Args &a);
    std::string lifetime(const Args &a);
    std::string window(const Args &a);
    std::string children(const Args &a);
    std::string menubar(const Args &a);
    std::string msgbox(const Args &a);
    std::string resource(const Args &a);
    std::string paint(const Args &a);
    std::string random(const Args &a);
    std::string badValues(const Args &a);

private:
    std::string needDialog();
    std::string script(const std::vector<Args> &steps);
    std::string pressOk(HWND box);
    HWND control(const std::string &id, std::string &err);
    const DlgTemplate *dialogTemplate(std::string &err);

    Program &prog_;
    int width_;
    std::string family_;
    std::string storedWord_; // the NT word at start, as the stand-in describes it
    DlgTemplate tpl_;
    std::string tplError_;
    bool tplLoaded_ = false;
};

struct Verb {
    const char *name;
    size_t minArgs, maxArgs;
    std::string (Runner::*run)(const Args &);
};

const size_t kMany = 99;
const Verb kVerbs[] = {
    {"family", 1, 1, &Runner::family},          // 9x|nt|none
    {"set", 3, kMany, &Runner::registry},       // KEY NAME dword N | qword N | sz "S" | binary XX...
    {"delkey", 1, 1, &Runner::registry},        // KEY
    {"regval", 3, kMany, &Runner::registry},    // KEY NAME VALUE|absent
    {"regkey", 2, 2, &Runner::registry},        // KEY present|absent
    {"start", 0, 0, &Runner::start},
    {"calls", 0, kMany, &Runner::calls},        // OP:VALUE[:ARG]...
    {"click", 1, 1, &Runner::input},            // ID
    {"command", 1, 2, &Runner::input},          // ID [NOTIFY]
    {"key", 1, 1, &Runner::input},              // esc
    {"sysclose", 0, 0, &Runner::input},
    {"repeat", 2, kMany, &Runner::repeat},      // N DIRECTIVE
    {"enabled", 1, kMany, &Runner::state},      // ID...
    {"disabled", 1, kMany, &Runner::state},
    {"checked", 1, kMany, &Runner::state},
    {"unchecked", 1, kMany, &Runner::state},
    {"text", 2, 2, &Runner::state},             // ID "TEXT"
    {"running", 0, 0, &Runner::lifetime},
    {"exited", 1, 1, &Runner::lifetime},        // CODE
    {"caption", 1, 1, &Runner::window},         // "TEXT"
    {"mainwindow", 1, 2, &Runner::window},      // "CLASS" ["TITLE"]
    {"children", 1, 1, &Runner::children},      // N
    {"child", 3, 4, &Runner::children},         // INDEX ID CLASS ["TEXT"]
    {"menubar", 1, 1, &Runner::menubar},        // empty
    {"msgbox", 2, 3, &Runner::msgbox},          // "TITLE" "TEXT" [ICON]
    {"nomsgbox", 0, 0, &Runner::msgbox},
    {"template", 1, kMany, &Runner::resource},  // FIELD VALUE...
    {"item", 9, 9, &Runner::resource},          // INDEX ID CLASS STYLE X Y W H "TEXT"
    {"logo", 0, 0, &Runner::paint},
    {"repaint", 1, 1, &Runner::paint},          // N
    {"move", 2, 2, &Runner::paint},             // X Y
    {"random", 2, 2, &Runner::random},          // N SEED
    {"badvalues", 1, 1, &Runner::badValues},    // 9x|nt
};

const Verb *findVerb(const std::string &name)
{
    for (const Verb &v : kVerbs)
        if (name == v.name)
            return &v;
    return nullptr;
}

std::string checkArgs(const Args &a)
{
    const Verb *v = findVerb(a[0]);
    if (!v)
        return "unknown directive " + a[0];
    if (a.size() - 1 < v->minArgs || a.size() - 1 > v->maxArgs)
        return "wrong number of arguments to " + a[0];
    return a[0] == "repeat" ? checkArgs(Args(a.begin() + 2, a.end())) : "";
}

std::string tokenize(const std::string &line, Args &out)
{
    for (size_t i = 0; i < line.size();) {
        if (isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        } else if (line[i] == '"') {
            std::string s;
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                char c = line[i];
                if (c == '\\' && i + 1 < line.size())
                    c = line[++i] == 'n' ? '\n' : line[i];
                s += c;
            }
            if (i++ >= line.size())
                return "unterminated string";
            out.push_back(s);
        } else {
            size_t end = std::min(line.find_first_of(" \t\r", i), line.size());
            out.push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return "";
}

// `@640,800:` before a directive.
std::string widthPrefix(const std::string &token, unsigned &mask)
{
    if (token.size() < 3 || token.back() != ':')
        return "expected @W,W: before a directive";
    std::string list = token.substr(1, token.size() - 2) + ",";
    for (size_t at = 0, comma; (comma = list.find(',', at)) != std::string::npos; at = comma + 1)
        if (!addWidth(list.substr(at, comma - at), mask))
            return "unknown width in " + token;
    return "";
}

void parseFile(const std::string &path, std::vector<Case> &cases)
{
    std::string file = path.substr(path.find_last_of("/\\") + 1);
    std::ifstream in(path);
    if (!in) {
        cases.emplace_back(file, "(file)", 0);
        cases.back().error = "cannot read " + path;
        return;
    }
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#')
            continue;
        Args a;
        std::string err = tokenize(line, a);
        unsigned widths = 0;
        if (err.empty() && a[0][0] == '@') {
            err = widthPrefix(a[0], widths);
            a.erase(a.begin());
            if (err.empty() && (a.empty() || a[0] == "case" || a[0] == "widths"))
                err = "a width prefix needs a directive other than case or widths";
        }
        if (err.empty() && a[0] == "case") {
            cases.emplace_back(file, join(a, 1), n);
            continue;
        }
        if (cases.empty() || cases.back().file != file) {
            cases.emplace_back(file, "(before the first case)", n);
            err = err.empty() ? "directive before the first case" : err;
        }
        Case &c = cases.back();
        if (err.empty() && a[0] == "widths") {
            c.widths = 0;
            for (size_t i = 1; i < a.size() && err.empty(); ++i)
                if (!addWidth(a[i], c.widths))
                    err = "unknown width " + a[i];
            if (a.size() < 2)
                err = "widths needs at least one width";
        } else if (err.empty() && (err = checkArgs(a)).empty()) {
            c.steps.push_back({n, widths ? widths : kAllWidths, a});
        }
        if (!err.empty() && c.error.empty())
            c.error = err, c.errorLine = n;
    }
}

bool Runner::run(const Case &c, unsigned widthBit)
{
    auto fail = [&](int line, const std::string &err) {
        printf("%s:%d: %s: %s\n", c.file.c_str(), line, c.name.c_str(), err.c_str());
        prog_.kill();
        return false;
    };
    if (!c.error.empty())
        return fail(c.errorLine, c.error);
    prog_.kill();
    std::string err = resetKey(kNtKey) + resetKey(k9xKey) + family({"family", "nt"});
    if (!err.empty())
        return fail(c.line, err);
    for (const Step &s : c.steps)
        if (s.widths & widthBit)
            if (err = exec(s.args); !err.empty())
                return fail(s.line, err);
    prog_.kill();
    return true;
}

std::string Runner::exec(const Args &a)
{
    return (this->*findVerb(a[0])->run)(a);
}

std::string Runner::repeat(const Args &a)
{
    long long n = 0;
    if (!number(a[1], n) || n < 0)
        return "bad repeat count " + a[1];
    for (long long i = 1; i <= n; ++i)
        if (std::string err = exec(Args(a.begin() + 2, a.end())); !err.empty())
            return "repeat " + std::to_string(i) + " of " + a[1] + ": " + err;
    return "";
}

std::string Runner::family(const Args &a)
{
    const std::string &f = a[1];
    const char *version = f == "9x" ? "win98" : f == "nt" ? "winxp" : f == "none" ? "win31" : nullptr;
    if (!version)
        return "unknown family " + f + " (9x, nt or none)";
    family_ = f;
    std::string key = kAppDefaults + prog_.name;
    HKEY k;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr))
        return "cannot create HKCU\\" + key;
    RegSetValueExA(k, "Version", 0, REG_SZ, reinterpret_cast<const BYTE *>(version), DWORD(strlen(version) + 1));
    RegCloseKey(k);
    return "";
}

std::string Runner::registry(const Args &a)
{
    std::string key = keyPath(a[1]);
    HKEY k;
    if (a[0] == "delkey") {
        LONG r = RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
        return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? "" : "cannot delete HKLM\\" + key;
    }
    if (a[0] == "regkey") {
        if (a[2] != "present" && a[2] != "absent")
            return "expected present or absent";
        bool present = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS;
        if (present)
            RegCloseKey(k);
        return (a[2] == "present") == present ? "" : differs("HKLM\\" + key, a[2], present ? "present" : "absent");
    }
    DWORD type = REG_NONE;
    std::string data;
    bool absent = a[0] == "regval" && a.size() == 4 && a[3] == "absent";
    if (std::string err = absent ? "" : regData(a, 3, type, data); !err.empty())
        return err;
    if (a[0] == "set") {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr))
            return "cannot create HKLM\\" + key;
        LONG r = RegSetValueExA(k, a[2].c_str(), 0, type, reinterpret_cast<const BYTE *>(data.data()), DWORD(data.size()));
        RegCloseKey(k);
        return r == ERROR_SUCCESS ? "" : "cannot set " + a[2] + " in HKLM\\" + key;
    }
    DWORD seenType = 0;
    std::string seenData;
    std::string seen = readValue(key, a[2], seenType, seenData) ? describeValue(seenType, seenData) : "absent";
    std::string expected = absent ? "absent" : describeValue(type, data);
    return seen == expected ? "" : differs("HKLM\\" + key + " " + quote(a[2]), expected, seen);
}

// The panel never writes the NT word before its closing command: the stand-in's line for
// that command must find the word as it was when the program started.
std::string Runner::start(const Args &)
{
    DWORD type;
    std::string data;
    storedWord_ = "nothing";
    if (readValue(keyPath(kNtValues), kNtValue, type, data))
        storedWord_ = type == REG_DWORD && data.size() == 4 ? hex(asRead(data)) : "another value";
    return prog_.start();
}

std::string Runner::calls(const Args &a)
{
    auto token = [](unsigned op, unsigned value, unsigned arg) {
        char buf[40];
        snprintf(buf, sizeof buf, arg == op ? "%x:%x" : "%x:%x:%x", op, value, arg);
        return std::string(buf);
    };
    std::vector<std::string> expected, seen;
    for (size_t i = 1; i < a.size(); ++i) {
        unsigned op, value, arg;
        char extra;
        int n = sscanf(a[i].c_str(), "%x:%x:%x%c", &op, &value, &arg, &extra);
        if (n != 2 && n != 3)
            return "bad call " + a[i] + " (OP:VALUE or OP:VALUE:ARG, in hex)";
        expected.push_back(token(op, value, n == 3 ? arg : op));
    }
    // The log may lag behind the program a little; stop early once it can no longer match.
    std::string early;
    waitUntil([&] {
        for (const std::string &line : prog_.newLogLines()) {
            unsigned op, value, arg;
            bool ok = sscanf(line.c_str(), "Dravik(%x, %x, %x)", &op, &value, &arg) == 3;
            seen.push_back(ok ? token(op, value, arg) : quote(line));
            size_t held = line.find("TVXYPos held ");
            if (ok && op == 0x28 && early.empty() && (held == std::string::npos || line.substr(held + 13) != storedWord_))
                early = differs("TVXYPos when the board got the closing call", storedWord_,
                                held == std::string::npos ? "no word in " + quote(line) : line.substr(held + 13));
        }
        return seen.size() >= expected.size() || !std::equal(seen.begin(), seen.end(), expected.begin());
    }, 1000);
    if (seen != expected)
        return differs("calls", "[" + join(expected) + "]", "[" + join(seen) + "]");
    return early;
}

std::string Runner::needDialog()
{
    if (!prog_.started())
        return "the program was not started";
    if (prog_.dialog())
        return "";
    if (prog_.ended())
        return "no dialog: the program ended with exit code " + std::to_string(prog_.exitCode());
    if (HWND box = prog_.messageBox())
        return "no dialog: a message box is open: " + boxContent(box);
    return "no dialog";
}

HWND Runner::control(const std::string &id, std::string &err)
{
    long long n = 0;
    if (!(err = needDialog()).empty())
        return nullptr;
    if (!number(id, n))
        return err = "bad control id " + id, nullptr;
    HWND h = GetDlgItem(prog_.dialog(), int(WORD(n)));
    if (!h)
        err = "no control " + id;
    return h;
}

std::string Runner::input(const Args &a)
{
    std::string err = needDialog();
    if (!err.empty())
        return err;
    HWND dlg = prog_.dialog();
    if (a[0] == "click") {
        HWND h = control(a[1], err);
        if (h && (!IsWindowEnabled(h) || !IsWindowVisible(h)))
            err = "cannot click " + a[1] + ": it is " + (IsWindowEnabled(h) ? "hidden" : "disabled");
        return err.empty() ? prog_.send(h, BM_CLICK, 0, 0) : err;
    }
    if (a[0] == "command") {
        long long id = 0, notify = 0;
        if (!number(a[1], id) || (a.size() > 2 && !number(a[2], notify)))
            return "bad command";
        return prog_.send(dlg, WM_COMMAND, MAKEWPARAM(id, notify), 0);
    }
    if (a[0] == "sysclose")
        return prog_.send(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    if (a[1] != "esc")
        return "only `key esc` is known";
    // Posted, like a real key, so it passes through the program's IsDialogMessage.
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    HWND to = dlg;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dlg, nullptr), &gui) && gui.hwndFocus && IsChild(dlg, gui.hwndFocus))
        to = gui.hwndFocus;
    PostMessageW(to, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageW(to, WM_KEYUP, VK_ESCAPE, 0xC0010001);
    return "";
}

std::string Runner::state(const Args &a)
{
    std::string err;
    if (a[0] == "text") {
        HWND h = control(a[1], err);
        return h && windowText(h) != a[2] ? differs("text of " + a[1], quote(a[2]), quote(windowText(h))) : err;
    }
    bool enabling = a[0] == "enabled" || a[0] == "disabled";
    for (size_t i = 1; i < a.size(); ++i) {
        HWND h = control(a[i], err);
        if (!h)
            return err;
        DWORD_PTR check = 0;
        if (!enabling)
            SendMessageTimeoutW(h, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &check);
        bool on = enabling ? IsWindowEnabled(h) : check == BST_CHECKED;
        const char *seen = enabling ? (on ? "enabled" : "disabled") : (on ? "checked" : "unchecked");
        if (a[0] != seen)
            return differs("control " + a[i], a[0], seen);
    }
    return "";
}

std::string Runner::lifetime(const Args &a)
{
    if (!prog_.started())
        return "the program was not started";
    std::string code = std::to_string(prog_.ended(a[0] == "running" ? 200 : kTimeoutMs) ? prog_.exitCode() : STILL_ACTIVE);
    if (a[0] == "running")
        return prog_.ended() ? "the program ended with exit code " + code : "";
    long long want = 0;
    if (!number(a[1], want))
        return "bad exit code " + a[1];
    if (!prog_.ended())
        return "the program is still running after 10 s";
    return DWORD(want) == prog_.exitCode() ? "" : differs("exit code", a[1], code);
}

std::string Runner::window(const Args &a)
{
    if (std::string err = needDialog(); !err.empty())
        return err;
    HWND dlg = prog_.dialog();
    if (a[0] == "caption")
        return windowText(dlg) == a[1] ? "" : differs("caption", quote(a[1]), quote(windowText(dlg)));
    std::string title = a.size() > 2 ? a[2] : a[1];
    HWND main = prog_.mainWindow(a[1]);
    if (!main)
        return "no top-level window of class " + quote(a[1]);
    if (IsWindowVisible(main))
        return "the window of class " + quote(a[1]) + " is visible";
    if (windowText(main) != title)
        return differs("title of the main window", quote(title), quote(windowText(main)));
    HWND owner = GetWindow(dlg, GW_OWNER);
    return owner == main ? "" : differs("owner of the dialog", quote(a[1]), owner ? quote(windowClass(owner)) : "none");
}

std::string Runner::children(const Args &a)
{
    if (std::string err = needDialog(); !err.empty())
        return err;
    std::vector<HWND> kids;
    for (HWND h = GetWindow(prog_.dialog(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        kids.push_back(h);
    long long n = 0, id = 0;
    if (!number(a[1], n))
        return "bad number " + a[1];
    if (a[0] == "children")
        return size_t(n) == kids.size() ? "" : differs("children", a[1], std::to_string(kids.size()));
    if (!number(a[2], id))
        return "bad control id " + a[2];
    if (n < 1 || size_t(n) > kids.size())
        return "no child " + a[1] + ": the dialog has " + std::to_string(kids.size());
    HWND h = kids[n - 1];
    bool withText = a.size() > 4;
    std::string want = std::to_string(WORD(id)) + " " + a[3] + (withText ? " " + quote(a[4]) : "");
    std::string seen = std::to_string(WORD(GetDlgCtrlID(h))) + " " + windowClass(h) + (withText ? " " + quote(windowText(h)) : "");
    bool same = WORD(GetDlgCtrlID(h)) == WORD(id) && sameText(windowClass(h), a[3]) && (!withText || windowText(h) == a[4]);
    return same ? "" : differs("child " + a[1], want, seen);
}

std::string Runner::menubar(const Args &a)
{
    std::string err = needDialog();
    if (a[1] != "empty")
        return "only `menubar empty` is known";
    if (!err.empty())
        return err;
    if (!GetMenu(prog_.dialog()))
        return "the dialog has no menu bar";
    // Wine cannot read another process's menu, so the items come from the dialog's menu resource.
    const DlgTemplate *t = dialogTemplate(err);
    std::vector<std::string> items;
    if (!t || !(err = loadMenuTexts(prog_.exe, t->menu, items)).empty())
        return err;
    for (std::string &s : items)
        s = quote(s);
    return items.size() == 1 && items[0] == "\"\"" ? "" : differs("items of menu " + t->menu, "[\"\"]", "[" + join(items) + "]");
}

std::string Runner::msgbox(const Args &a)
{
    HWND box = nullptr;
    if (a[0] == "nomsgbox")
        return (box = prog_.messageBox()) ? "a message box is open: " + boxContent(box) : "";
    waitUntil([&] { return (box = prog_.messageBox()) || prog_.ended(); }, kTimeoutMs);
    if (!box)
        return prog_.ended() ? "no message box: the program ended with exit code " + std::to_string(prog_.exitCode())
                             : "no message box within 10 s";
    std::string want = quote(a[1]) + " " + quote(a[2]);
    if (boxContent(box) != want)
        return differs("message box", want, boxContent(box));
    std::string wantIcon = a.size() > 3 ? a[3] : "error", icon;
    waitUntil([&] { return (icon = messageBoxIcon(box)) == wantIcon; }, 1000); // it may not be painted yet
    if (icon != wantIcon)
        return differs("icon of the message box", wantIcon, icon);
    return pressOk(box);
}

std::string Runner::pressOk(HWND box)
{
    HWND ok = GetDlgItem(box, IDOK);
    PostMessageW(ok ? ok : GetWindow(box, GW_CHILD), BM_CLICK, 0, 0);
    if (!waitUntil([box] { return !IsWindow(box); }, kTimeoutMs))
        return "the message box did not close on OK";
    return prog_.settle();
}

const DlgTemplate *Runner::dialogTemplate(std::string &err)
{
    if (!tplLoaded_)
        tplError_ = loadDialog(prog_.exe, "APP", tpl_), tplLoaded_ = true;
    err = tplError_;
    return err.empty() ? &tpl_ : nullptr;
}

std::string Runner::resource(const Args &a)
{
    std::string err, problems;
    const DlgTemplate *t = dialogTemplate(err);
    if (!t)
        return err;
    auto check = [&](const std::string &what, const std::string &want, const std::string &seen) {
        if (want != seen)
            problems += (problems.empty() ? "" : "; ") + differs(what, want, seen);
    };
    auto num = [&](size_t i, bool asHex = false) {
        long long v = 0;
        if (i >= a.size() || !number(a[i], v))
            err = "a number is bad or missing";
        return asHex ? hex(DWORD(v)) : std::to_string(v);
    };
    auto str = [&](size_t i) { return i < a.size() ? quote(a[i]) : (err = "a text is missing", ""); };
    auto pair = [](int x, int y) { return std::to_string(x) + " " + std::to_string(y); };
    if (a[0] == "item") {
        long long n = 0, id = 0;
        if (!number(a[1], n) || n < 1 || size_t(n) > t->items.size())
            return "no item " + a[1] + ": the template has " + std::to_string(t->items.size());
        const DlgItem &it = t->items[n - 1];
        std::string what = "item " + a[1];
        if (!number(a[2], id))
            return "bad control id " + a[2];
        check(what + " id", std::to_string(WORD(id)), std::to_string(it.id));
        if (!sameText(a[3], it.cls))
            check(what + " class", a[3], it.cls);
        check(what + " style", num(4, true), hex(it.style));
        check(what + " pos", num(5) + " " + num(6), pair(it.x, it.y));
        check(what + " size", num(7) + " " + num(8), pair(it.cx, it.cy));
        check(what + " text", str(9), quote(it.text));
        check(what + " extended style", "0x0", hex(it.exStyle));
        return err.empty() ? problems : err;
    }
    check("dialog class", "none", t->cls.empty() ? "none" : quote(t->cls));
    check("dialog extended style", "0x0", hex(t->exStyle));
    for (size_t i = 1; i < a.size() && err.empty(); ++i) {
        const std::string &field = a[i];
        if (field == "style")
            check("style", num(i + 1, true), hex(t->style)), i += 1;
        else if (field == "pos")
            check("pos", num(i + 1) + " " + num(i + 2), pair(t->x, t->y)), i += 2;
        else if (field == "size")
            check("size", num(i + 1) + " " + num(i + 2), pair(t->cx, t->cy)), i += 2;
        else if (field == "menu")
            check("menu", str(i + 1), quote(t->menu)), i += 1;
        else if (field == "font")
            check("font", num(i + 1) + " " + str(i + 2), std::to_string(t->points) + " " + quote(t->face)), i += 2;
        else if (field == "caption")
            check("caption", str(i + 1), quote(t->caption)), i += 1;
        else if (field == "items")
            check("items", num(i + 1), std::to_string(t->items.size())), i += 1;
        else
            err = "unknown template field " + field;
    }
    return err.empty() ? problems : err;
}

std::string Runner::script(const std::vector<Args> &steps)
{
    for (const Args &a : steps)
        if (std::string err = exec(a); !err.empty())
            return join(a) + ": " + err;
    return "";
}

// Wine's GetGuiResources returns 0 (not implemented), so GDI objects cannot be counted: a
// leak shows only if it stops the logo from being painted.
std::string Runner::paint(const Args &a)
{
    if (std::string err = needDialog(); !err.empty())
        return err;
    HWND dlg = prog_.dialog();
    long long x = 0, y = 0;
    if (a[0] == "move") {
        if (!number(a[1], x) || !number(a[2], y))
            return "bad position";
        // Posted, so a hung program cannot hang the driver.
        SetWindowPos(dlg, nullptr, int(x), int(y), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
        RECT r{};
        return waitUntil([&] { return GetWindowRect(dlg, &r) && r.left == x && r.top == y; }, kTimeoutMs)
            ? "" : "the dialog did not move within 10 s";
    }
    if (a[0] == "repaint") {
        if (!number(a[1], x) || x < 0)
            return "bad repaint count " + a[1];
        for (long long i = 1; i <= x; ++i) {
            // Handled by the time the send returns; BeginPaint leaves nothing to paint.
            InvalidateRect(dlg, nullptr, TRUE);
            DWORD_PTR result;
            std::string at = "repaint " + std::to_string(i) + " of " + a[1] + ": ";
            if (!SendMessageTimeoutW(dlg, WM_PAINT, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &result))
                return at + "WM_PAINT was not handled within 10 s";
            if (GetUpdateRect(dlg, nullptr, FALSE))
                return at + "the dialog still needs painting after WM_PAINT";
        }
        return "";
    }
    int w = 0, h = 0;
    std::vector<DWORD> want, seen;
    if (std::string err = loadBitmapPixels(prog_.exe, 10, w, h, want); !err.empty())
        return err;
    POINT at{25, 45};
    ClientToScreen(dlg, &at);
    if (waitUntil([&] { return (seen = screenPixels(at, w, h)) == want; }, 1000))
        return "";
    size_t count = 0, first = 0;
    for (size_t i = want.size(); i-- > 0;)
        if (want[i] != seen[i])
            ++count, first = i;
    char where[120], wanted[8], got[8];
    snprintf(where, sizeof where, "logo at 25,45 in the client: %zu of %zu pixels differ, the first at %zu,%zu",
             count, want.size(), first % w, first / w);
    snprintf(wanted, sizeof wanted, "%06lX", want[first]);
    snprintf(got, sizeof got, "%06lX", seen[first]);
    return differs(where, std::string("RGB ") + wanted, got);
}

// N presses as a user makes them, clicks on enabled controls, mixed with commands no control
// sends and commands the screen refuses; then OK. Every 25 presses the controls must agree
// with the board calls since start, and at closing the stored values with both. The stored
// start values must be in range.
std::string Runner::random(const Args &a)
{
    long long n = 0, seed = 0;
    if (!number(a[1], n) || !number(a[2], seed))
        return "bad count or seed";
    if (family_ == "none")
        return "random needs family 9x or nt";
    if (std::string err = needDialog(); !err.empty())
        return err;
    bool nt = family_ == "nt";
    const Record start = storedRecord(nt);
    Record r = start;
    DWORD right = 0, down = 0, flicker = 0;
    HWND dlg = prog_.dialog();
    std::string seedAt = "seed " + a[2] + " at " + std::to_string(width_);
    // The record as the calls since start have it; pal, which the calls leave open, as the controls show it.
    auto agree = [&](bool last) {
        for (const std::string &line : prog_.newLogLines()) {
            unsigned op, v, arg;
            if (sscanf(line.c_str(), "Dravik(%x, %x, %x)", &op, &v, &arg) != 3 || op < 0x30 || op > 0x32 || arg != op)
                return "unexpected board call " + quote(line);
            r.mode = op == 0x31 ? 1 : op == 0x32 && v != 0x21 ? 2 : 0;
            if (op == 0x31 && (v == 0x10 || v == 0x11))
                r.scale = v == 0x10;
            if (op == 0x32 && v <= 2)
                r.std = v;
            right += op == 0x32 && v == 0x40, down += op == 0x32 && v == 0x41, flicker += op == 0x32 && v == 0x30;
        }
        r.x = right ? (start.x + right) & 31 : start.x;
        r.y = down ? (start.y + down) & 31 : start.y;
        r.flicker = flicker ? (start.flicker + flicker) & 3 : start.flicker;
        DWORD_PTR pal = 0;
        SendMessageTimeoutW(GetDlgItem(dlg, 105), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &pal);
        r.pal = pal == BST_CHECKED;
        const char *const kFlicker[] = {"HIGH", "MEDIUM", "No Filter", "Color Bars"};
        std::vector<Args> steps = {{"text", "103", r.scale ? " 1:1 scale" : "down scale"},
                                   {r.scale ? "checked" : "unchecked", "103"},
                                   {"text", "107", kFlicker[r.flicker & 3]}};
        for (auto [first, count, chosen] : {std::tuple(100, 3, r.mode), {104, 2, r.pal}, {108, 3, r.std}})
            for (int i = 0; i < count; ++i)
                steps.push_back({DWORD(i) == chosen ? "checked" : "unchecked", std::to_string(first + i)});
        if (last)
            for (const Args &step : closing(r, nt))
                steps.push_back(step);
        return script(steps);
    };
    std::vector<std::pair<int, HWND>> known;
    for (int id : {100, 101, 102, 103, 104, 105, 106, 108, 109, 110, 111, 112})
        known.push_back({id, GetDlgItem(dlg, id)});
    const int kUnlisted[] = {0, 1, 107, 113, 115, 120, 0xFFFF};
    bool tvVgaRefused = width_ == 720 || width_ == 1024, ntscRefused = width_ != 640;
    std::vector<int> refused;
    if (tvVgaRefused)
        refused.push_back(102);
    if (ntscRefused)
        refused.push_back(108);
    std::map<int, std::string> boxes; // the first refusal of each kind, which the others repeat
    std::seed_seq seeds{unsigned(seed), unsigned(width_)};
    std::mt19937 rng(seeds);
    for (long long i = 1; i <= n; ++i) {
        unsigned roll = rng() % 50;
        bool raw = roll < 13;
        int id = roll == 0 && !refused.empty() ? refused[rng() % refused.size()] : kUnlisted[rng() % 7];
        HWND to = dlg;
        // Drawn until enabled: VGA and TV only always are.
        for (int tries = 0; !raw && to == dlg && tries < 1000; ++tries)
            if (const auto &k = known[rng() % known.size()]; IsWindowEnabled(k.second))
                std::tie(id, to) = k;
        std::string press = seedAt + ", press " + std::to_string(i) + " (" + (raw ? "command " : "click ") +
                            std::to_string(id) + "): ";
        if (to == dlg && !raw)
            return press + "no control is enabled";
        bool refusal = (id == 102 && tvVgaRefused) || (id == 108 && raw && ntscRefused);
        std::string err = prog_.send(to, raw ? WM_COMMAND : BM_CLICK, raw ? WPARAM(id) : 0, 0);
        HWND box = err.empty() && !prog_.answered() ? prog_.messageBox() : nullptr;
        if (err.empty() && prog_.ended())
            err = "the program ended with exit code " + std::to_string(prog_.exitCode());
        else if (err.empty() && refusal != (box != nullptr))
            err = box ? "a message box opened: " + boxContent(box) : "no message box opened";
        if (err.empty() && box) {
            std::string seen = boxContent(box), &want = boxes[id];
            if (want.empty() && seen.rfind("\"Error\" ", 0) == 0)
                want = seen;
            err = seen == want ? pressOk(box) : differs("message box", want.empty() ? "\"Error\" \"...\"" : want, seen);
        }
        if (err.empty() && (i % 25 == 0 || i == n))
            err = agree(i == n);
        if (!err.empty())
            return press + err;
    }
    return "";
}

// Each stored value of the layout, alone, in every type and size: the panel opens as the
// value read implies, closes, writes back its own dwords and touches nothing else under
// HKLM\SOFTWARE\Corvane or the board driver's service key.
std::string Runner::badValues(const Args &a)
{
    bool nt = a[1] == "nt";
    if (!nt && a[1] != "9x")
        return "expected badvalues 9x or nt";
    std::vector<Args> kinds = {{"sz", "1"}, {"sz", "PAL800"}, {"qword", "0x500000002"}};
    for (const char *v : {"0", "0xFF", "0x100", "0xFFFF", "0xFFFFFFFF"})
        kinds.push_back({"dword", v});
    const char *const kBytes[] = {"02", "07", "6E", "9A", "11", "22", "33", "44"};
    for (int size = 0; size <= 8; ++size) {
        kinds.push_back({"binary"});
        kinds.back().insert(kinds.back().end(), kBytes, kBytes + size);
    }
    std::vector<std::string> written;
    for (const Field &f : kFields)
        written.push_back(nt ? kNtValue : f.name);
    written.resize(nt ? 1 : written.size());
    const char *const kRoots[] = {"SOFTWARE\\Corvane", "SYSTEM\\CurrentControlSet\\Services\\tarnix"};
    const char *values = nt ? kNtValues : k9xValues;
    std::string key = keyPath(values);
    auto in = [](const std::map<std::string, std::string> &m, const std::string &what) {
        auto it = m.find(what);
        return it == m.end() ? "absent" : it->second;
    };
    for (const std::string &name : written) {
        for (const Args &kind : kinds) {
            HKEY k;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
                for (const std::string &w : written)
                    RegDeleteValueA(k, w.c_str());
                RegCloseKey(k);
            }
            Args set = {"set", values, name};
            set.insert(set.end(), kind.begin(), kind.end());
            DWORD type;
            std::string data;
            regData(set, 3, type, data);
            Record r = nt ? unpack(asRead(data)) : Record{};
            for (const Field &f : kFields)
                if (!nt && f.name == name)
                    r.*f.member = asRead(data) & f.mask;
            std::map<std::string, std::string> before, after;
            std::string err = script({{"family", a[1]}, set});
            for (const char *root : kRoots)
                snapshot(root, before);
            std::vector<Args> steps = {{"start"}, startupCalls(r, width_)};
            for (const Args &step : closing(r, nt))
                steps.push_back(step);
            if (err.empty())
                err = script(steps);
            for (const char *root : kRoots)
                snapshot(root, after);
            for (const std::string &w : written)
                before.erase("HKLM\\" + key + " " + quote(w)), after.erase("HKLM\\" + key + " " + quote(w));
            for (const auto *m : {&before, &after})
                for (const auto &entry : *m)
                    if (err.empty() && in(before, entry.first) != in(after, entry.first))
                        err = differs(entry.first, in(before, entry.first), in(after, entry.first));
            if (!err.empty())
                return name + " " + describeValue(type, data) + ": " + err;
        }
    }
    return "";
}

}

int main(int argc, char **argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    long long width = 0;
    std::string exe;
    std::vector<Case> cases;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--width" && i + 1 < argc)
            number(argv[++i], width);
        else if (arg == "--exe" && i + 1 < argc)
            exe = argv[++i];
        else
            parseFile(arg, cases);
    }
    unsigned bit = 0;
    if (exe.empty() || cases.empty() || !addWidth(std::to_string(width), bit)) {
        fprintf(stderr, "usage: e2edrv --width 640|720|800|1024 --exe vgatv.exe scenario.txt...\n");
        return ReportStatus(2);
    }

    HDC screen = GetDC(nullptr);
    int screenWidth = GetDeviceCaps(screen, HORZRES);
    ReleaseDC(nullptr, screen);
    Program prog(exe);
    Runner runner(prog, int(width));
    int passed = 0, failed = 0;
    for (const Case &c : cases) {
        if (!(c.widths & bit) && c.error.empty())
            continue;
        if (screenWidth != width) {
            printf("%s:%d: %s: the screen is %d pixels wide, not %lld\n", c.file.c_str(), c.line, c.name.c_str(),
                   screenWidth, width);
            ++failed;
            continue;
        }
        runner.run(c, bit) ? ++passed : ++failed;
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, (kAppDefaults + prog.name).c_str());
    printf("%d passed, %d failed\n", passed, failed);
    return ReportStatus(failed ? 1 : 0);
}
