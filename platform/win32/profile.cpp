// Profile (INI) files with the Windows rules: section and key names match without
// regard to case, missing things give the default, results are cut to the buffer, and
// a write keeps every other line of the file.
#include <strings.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/storage/atomic_file.h"
#include "platform/storage/folder_lock.h"
#include "platform/storage/path.h"
#include "platform/storage/regular_file.h"
#include "platform/win32/win32.h"

namespace platform {
namespace {

// Larger profile files are not read (a write would then start them afresh).
constexpr size_t kMaxProfileBytes = 16u << 20;
constexpr unsigned kProfileMode = 0600;

std::string trim(const std::string& s) {
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos) return "";
    const size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool sameName(const std::string& a, const char* b) {
    return strcasecmp(a.c_str(), b) == 0;
}

// Where a profile file lives: a bare name goes to the platform's profile folder.
std::string profilePath(const char* fileName) {
    std::string name = fileName ? fileName : "";
    if (name.find('/') == std::string::npos && name.find('\\') == std::string::npos)
        return resolvePath((profileFolder() + "/" + name).c_str());
    return resolvePath(name.c_str());
}

std::string trimEnd(const std::string& s) {
    const size_t e = s.find_last_not_of(" \t\r\n");
    return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}

// The file's lines without their endings, which may be "\r\n", "\n" or "\r", and without
// a leading UTF-8 byte-order mark; `crlf` tells whether the first line ended in "\r\n" or
// a bare "\r", so that a rewrite keeps a Windows style (new files get it too).
std::vector<std::string> readLines(const std::string& path, bool* crlf = nullptr) {
    std::vector<std::string> lines;
    if (crlf) *crlf = true;
    std::vector<unsigned char> bytes;
    if (!readRegularFile(path, bytes, kMaxProfileBytes)) return lines;
    size_t at = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) at = 3;
    bool first = true;
    while (at < bytes.size()) {
        size_t end = at;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r') ++end;
        lines.emplace_back(reinterpret_cast<const char*>(bytes.data()) + at, end - at);
        if (end == bytes.size()) break;
        const bool lf = bytes[end] == '\n';
        if (first && crlf) *crlf = !lf;
        first = false;
        at = end + 1;
        if (!lf && at < bytes.size() && bytes[at] == '\n') ++at;
    }
    return lines;
}

// Copies a list of NUL-terminated names and its closing NUL, cut as Windows cuts it: a
// list that does not fit ends with two NULs and returns size - 2.
DWORD copyList(const std::string& list, LPSTR out, DWORD size) {
    if (list.size() + 1 <= size) {
        std::memcpy(out, list.data(), list.size());
        out[list.size()] = '\0';
        return static_cast<DWORD>(list.size());
    }
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    std::memcpy(out, list.data(), size - 2);
    out[size - 2] = out[size - 1] = '\0';
    return size - 2;
}

// A name or value that would span lines would write lines of its own into the file.
bool fitsOnOneLine(const char* text) {
    return !text || std::strpbrk(text, "\r\n") == nullptr;
}

// "[name]" gives name; anything else is not a section header.
bool sectionOf(const std::string& line, std::string& name) {
    const std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

bool keyOf(const std::string& line, std::string& key, std::string& value) {
    const std::string t = trim(line);
    if (t.empty() || t[0] == ';') return false;
    const size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

DWORD copyOut(const std::string& text, LPSTR out, DWORD size) {
    if (!out || size == 0) return 0;
    const DWORD n = std::min<DWORD>(static_cast<DWORD>(text.size()), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return n;
}

// Where [section] begins and ends in `lines`: start is the header's line (lines.size() when
// the file has no such section), end the next section's header or the end of the file.
void findSection(const std::vector<std::string>& lines, const char* section, size_t& start,
                 size_t& end) {
    start = end = lines.size();
    std::string name;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!sectionOf(lines[i], name)) continue;
        if (start == lines.size()) {
            if (sameName(name, section)) start = i;
        } else {
            end = i;
            break;
        }
    }
}

// Reads the profile file, lets `change` edit its lines and replaces the file when they
// changed. The whole of it runs under the lock of the folder the file is written to, so
// that two processes changing one file each keep the other's change.
template <typename Change>
BOOL rewriteProfile(const char* fileName, Change change) {
    const std::string path = profilePath(fileName);
    if (path.rfind(profileFolder() + "/", 0) == 0) {
        std::error_code ec;
        std::filesystem::create_directories(profileFolder(), ec);
    }
    FolderLock lock(path);
    bool crlf = true;
    std::vector<std::string> lines = readLines(path, &crlf);
    const std::vector<std::string> before = lines;
    change(lines);
    if (lines == before) return TRUE;  // nothing changed, nothing to save
    std::string text;
    for (const std::string& l : lines) text += l + (crlf ? "\r\n" : "\n");
    // Profiles hold players' addresses and e-mails: readable by their owner only.
    return writeFileAtomically(path, text.data(), text.size(), kProfileMode) ? TRUE : FALSE;
}

void appendSection(std::vector<std::string>& lines, const char* section) {
    if (!lines.empty() && !trim(lines.back()).empty()) lines.push_back("");
    lines.push_back(std::string("[") + section + "]");
}

}  // namespace
}  // namespace platform

using namespace platform;

DWORD GetPrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR returned,
                               DWORD size, LPCSTR fileName) {
    if (!returned || size == 0) return 0;
    const auto lines = readLines(profilePath(fileName));
    bool inSection = false;
    std::string keys;      // for a null key: every key of the section, each NUL-terminated
    std::string sections;  // for a null section: every section name
    for (const std::string& line : lines) {
        std::string name;
        if (sectionOf(line, name)) {
            if (!section) {
                sections += name;
                sections += '\0';
            }
            inSection = section && sameName(name, section);
            continue;
        }
        std::string k, v;
        if (!inSection || !keyOf(line, k, v)) continue;
        if (!key) {
            keys += k;
            keys += '\0';
            continue;
        }
        if (sameName(k, key)) {
            // A value in matching quotes is given without them, as Windows does.
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            return copyOut(v, returned, size);
        }
    }
    if (!section) return copyList(sections, returned, size);
    if (!key) return copyList(keys, returned, size);
    // Windows cuts trailing blanks off the default.
    return copyOut(trimEnd(defaultValue ? defaultValue : ""), returned, size);
}

UINT GetPrivateProfileIntA(LPCSTR section, LPCSTR key, int defaultValue, LPCSTR fileName) {
    char buffer[64];
    if (GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, fileName) == 0)
        return static_cast<UINT>(defaultValue);
    return static_cast<UINT>(std::strtol(buffer, nullptr, 10));
}

BOOL WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
    if (!section || !fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!fitsOnOneLine(section) || !fitsOnOneLine(key) || !fitsOnOneLine(value)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return rewriteProfile(fileName, [&](std::vector<std::string>& lines) {
        size_t start = 0, end = 0;
        findSection(lines, section, start, end);
        if (!key) {
            // A null key removes the whole section.
            if (start != lines.size()) lines.erase(lines.begin() + start, lines.begin() + end);
        } else if (start == lines.size()) {
            if (value) {
                appendSection(lines, section);
                lines.push_back(std::string(key) + "=" + value);
            }
        } else {
            size_t found = end, lastKey = start;
            for (size_t i = start + 1; i < end; ++i) {
                std::string k, v;
                if (!keyOf(lines[i], k, v)) continue;
                lastKey = i;
                if (sameName(k, key)) {
                    found = i;
                    break;
                }
            }
            if (found != end) {
                // The key keeps the spelling the file gave it.
                std::string k, v;
                keyOf(lines[found], k, v);
                if (value)
                    lines[found] = k + "=" + value;
                else
                    lines.erase(lines.begin() + found);  // a null value removes the key
            } else if (value) {
                lines.insert(lines.begin() + lastKey + 1, std::string(key) + "=" + value);
            }
        }
    });
}

BOOL WritePrivateProfileSectionA(LPCSTR section, LPCSTR keysAndValues, LPCSTR fileName) {
    if (!section || !fileName || !*fileName || !fitsOnOneLine(section)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // "key=value\0key=value\0\0": each entry becomes one line, as given.
    std::vector<std::string> entries;
    for (const char* at = keysAndValues; at && *at; at += std::strlen(at) + 1) {
        if (!fitsOnOneLine(at)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        entries.emplace_back(at);
    }
    return rewriteProfile(fileName, [&](std::vector<std::string>& lines) {
        size_t start = 0, end = 0;
        findSection(lines, section, start, end);
        if (!keysAndValues) {
            // A null list removes the whole section.
            if (start != lines.size()) lines.erase(lines.begin() + start, lines.begin() + end);
            return;
        }
        if (start == lines.size()) {
            appendSection(lines, section);
            lines.insert(lines.end(), entries.begin(), entries.end());
            return;
        }
        // Every key line of the section goes; the new ones take the first one's place (or
        // follow the section's last line), so comments and the blank line before the next
        // section stay.
        std::vector<std::string> body;
        size_t at = std::string::npos;
        for (size_t i = start + 1; i < end; ++i) {
            std::string k, v;
            if (!keyOf(lines[i], k, v))
                body.push_back(lines[i]);
            else if (at == std::string::npos)
                at = body.size();
        }
        if (at == std::string::npos) {
            at = body.size();
            while (at > 0 && trim(body[at - 1]).empty()) --at;
        }
        body.insert(body.begin() + static_cast<std::ptrdiff_t>(at), entries.begin(), entries.end());
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(start + 1),
                    lines.begin() + static_cast<std::ptrdiff_t>(end));
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(start + 1), body.begin(),
                     body.end());
    });
}
