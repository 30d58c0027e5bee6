#pragma once

#include <string>
#include <string_view>
#include <vector>

// Plain forms of the rules the targets hold the program to, written apart
// from the program's own code: slow, obvious, and free to be so.

inline bool RefIsLineEnd(char c) {
    return c == '\r' || c == '\n' || c == '\0';
}

inline bool RefIsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\0';
}

// Lines split at CR, LF and NUL, empty ones left out.
inline std::vector<std::string_view> RefLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (std::size_t pos = 0, start = 0; pos <= text.size(); ++pos) {
        if (pos < text.size() && !RefIsLineEnd(text[pos])) continue;
        if (pos > start) lines.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
    return lines;
}

// The words before a line's remark; none for a remark line.
inline std::vector<std::string_view> RefEntryWords(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t pos = 0;
    while (pos < line.size() && RefIsBlank(line[pos])) ++pos;
    if (pos < line.size() && line[pos] == '#') return words;
    line = line.substr(0, line.find('#'));
    while (pos < line.size()) {
        if (RefIsBlank(line[pos])) {
            ++pos;
            continue;
        }
        const std::size_t start = pos;
        while (pos < line.size() && !RefIsBlank(line[pos])) ++pos;
        words.push_back(line.substr(start, pos - start));
    }
    return words;
}

// Case and one trailing dot make no difference; non-ASCII names keep
// their case, since lowering bytes would change double-byte characters.
inline std::string RefKey(std::string_view name) {
    std::string key(name);
    if (key.size() > 1 && key.back() == '.') key.pop_back();
    for (char c : key) {
        if (static_cast<unsigned char>(c) >= 0x80) return key;
    }
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return key;
}

// Equal but for the case of ASCII letters.
inline bool RefEqualWithoutCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

inline std::string_view RefWithoutMark(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    return text;
}

// The exception dialog's text: a name a line, "#" lines are remarks,
// "*.name" covers the names under name but not name itself.
class RefExceptions {
public:
    explicit RefExceptions(std::string_view text) {
        for (std::string_view line : RefLines(text)) {
            while (!line.empty() && RefIsBlank(line.front())) line.remove_prefix(1);
            while (!line.empty() && RefIsBlank(line.back())) line.remove_suffix(1);
            if (line.empty() || line.front() == '#') continue;
            if (line.substr(0, 2) != "*.") {
                exact_.push_back(RefKey(line));
            } else if (line.size() > 2) {
                parents_.push_back(RefKey(line.substr(2)));
            }
        }
    }

    bool Empty() const { return exact_.empty() && parents_.empty(); }
    const std::vector<std::string>& Exact() const { return exact_; }
    const std::vector<std::string>& Parents() const { return parents_; }

    bool Matches(std::string_view name) const {
        const std::string key = RefKey(name);
        for (const std::string& exact : exact_) {
            if (key == exact) return true;
        }
        for (const std::string& parent : parents_) {
            const std::string tail = "." + parent;
            if (key.size() >= tail.size() && key.compare(key.size() - tail.size(), tail.size(), tail) == 0) {
                return true;
            }
        }
        return false;
    }

private:
    std::vector<std::string> exact_;
    std::vector<std::string> parents_;
};
