#include "platform/headless/script.h"

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "platform/input/input.h"

namespace platform::headless {
namespace {

bool parseInt(const std::string& word, int& out) {
    if (word.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || v < -1000000000L || v > 1000000000L) return false;
    out = static_cast<int>(v);
    return true;
}

bool parseButton(const std::string& word, int& bit) {
    if (word == "left") bit = 0;
    else if (word == "right") bit = 1;
    else return false;
    return true;
}

std::string trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

}  // namespace

bool scanCodeOfChar(char c, int& code, bool& shift) {
    static const char* unshifted = "1234567890-=";
    static const char* shifted = "!@#$%^&*()_+";
    static const char* row1 = "qwertyuiop[]";
    static const char* row1s = "QWERTYUIOP{}";
    static const char* row2 = "asdfghjkl;'`";
    static const char* row2s = "ASDFGHJKL:\"~";
    static const char* row3 = "zxcvbnm,./";
    static const char* row3s = "ZXCVBNM<>?";
    auto find = [&](const char* set, int first, bool sh) {
        const char* p = std::strchr(set, c);
        if (!p || c == '\0') return false;
        code = first + static_cast<int>(p - set);
        shift = sh;
        return true;
    };
    if (c == ' ') {
        code = 57;
        shift = false;
        return true;
    }
    if (c == '\\' || c == '|') {
        code = 43;
        shift = c == '|';
        return true;
    }
    return find(unshifted, 2, false) || find(shifted, 2, true) || find(row1, 16, false) ||
           find(row1s, 16, true) || find(row2, 30, false) || find(row2s, 30, true) ||
           find(row3, 44, false) || find(row3s, 44, true);
}

char charOfScanCode(int code, bool shift) {
    for (int c = 0x20; c < 0x7F; ++c) {
        int at = 0;
        bool shifted = false;
        if (scanCodeOfChar(static_cast<char>(c), at, shifted) && at == code && shifted == shift)
            return static_cast<char>(c);
    }
    return 0;
}

bool parseScript(const std::string& text, std::vector<Step>& steps, ScriptError& error) {
    std::istringstream in(text);
    std::string raw;
    int lineNo = 0;
    auto fail = [&](const std::string& message) {
        error.line = lineNo;
        error.message = message;
        return false;
    };
    while (std::getline(in, raw)) {
        ++lineNo;
        std::string line = raw;
        // `type` keeps its text verbatim, '#' included; elsewhere '#' starts a comment.
        std::string head = trim(line);
        std::string verb = head.substr(0, head.find_first_of(" \t"));
        if (verb != "type") {
            size_t hash = line.find('#');
            if (hash != std::string::npos) line.resize(hash);
        }
        line = trim(line);
        if (line.empty()) continue;
        std::istringstream words(line);
        std::string w;
        words >> w;
        std::vector<std::string> args;
        for (std::string a; words >> a;) args.push_back(a);
        int x = 0, y = 0;
        if (w == "wait") {
            if (args.size() != 1 || !parseInt(args[0], x) || x < 0) return fail("wait N");
            steps.push_back({Op::Wait, x});
        } else if (w == "move") {
            if (args.size() != 2 || !parseInt(args[0], x) || !parseInt(args[1], y))
                return fail("move X Y");
            steps.push_back({Op::Move, x, y});
        } else if (w == "press" || w == "release") {
            if (args.size() != 1 || !parseButton(args[0], x)) return fail(w + " left|right");
            steps.push_back({w == "press" ? Op::Press : Op::Release, x});
        } else if (w == "click") {
            if (args.size() != 2 || !parseInt(args[0], x) || !parseInt(args[1], y))
                return fail("click X Y");
            steps.push_back({Op::Move, x, y});
            steps.push_back({Op::Press, 0});
            steps.push_back({Op::Wait, 2});
            steps.push_back({Op::Release, 0});
            steps.push_back({Op::Wait, 2});
        } else if (w == "key") {
            if (args.size() != 1 || !parseInt(args[0], x) || x < 0 || x > 255)
                return fail("key CODE (0-255)");
            steps.push_back({Op::KeyDown, x, charOfScanCode(x, false)});
            steps.push_back({Op::Wait, 1});
            steps.push_back({Op::KeyUp, x});
        } else if (w == "pad") {
            const int button = args.size() == 1 ? platform::padButtonOfName(args[0].c_str()) : -1;
            if (button < 0 || button == platform::kPadGuide || button == platform::kPadLeftStick ||
                button == platform::kPadRightStick)
                return fail(
                    "pad a|b|x|y|back|start|leftshoulder|rightshoulder|dpup|dpdown|dpleft|dpright");
            steps.push_back({Op::PadDown, button});
            steps.push_back({Op::Wait, 1});
            steps.push_back({Op::PadUp, button});
        } else if (w == "type") {
            size_t start = raw.find("type") + 4;
            if (start < raw.size() && (raw[start] == ' ' || raw[start] == '\t')) ++start;
            std::string typed = raw.substr(std::min(start, raw.size()));
            while (!typed.empty() && (typed.back() == '\r')) typed.pop_back();
            for (char c : typed) {
                int code = 0;
                bool shift = false;
                if (!scanCodeOfChar(c, code, shift))
                    return fail(std::string("cannot type character '") + c + "'");
                if (shift) steps.push_back({Op::KeyDown, 42});
                steps.push_back({Op::KeyDown, code, static_cast<unsigned char>(c)});
                steps.push_back({Op::Wait, 1});
                steps.push_back({Op::KeyUp, code});
                if (shift) steps.push_back({Op::KeyUp, 42});
            }
        } else if (w == "capture") {
            if (args.size() != 1) return fail("capture FILE");
            steps.push_back({Op::Capture, 0, 0, args[0]});
        } else if (w == "activate") {
            if (args.size() != 1 || !parseInt(args[0], x) || (x != 0 && x != 1))
                return fail("activate 0|1");
            steps.push_back({Op::Activate, x});
        } else if (w == "close") {
            if (!args.empty()) return fail("close takes no argument");
            steps.push_back({Op::Close});
        } else {
            return fail("unknown command '" + w + "'");
        }
    }
    return true;
}

}  // namespace platform::headless
