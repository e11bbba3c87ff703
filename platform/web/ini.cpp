#include <ini.h>

#include <cstring>
#include <string>

namespace {

std::string trimmed(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

// inih's inline comments: a ';' after whitespace ends the value.
std::string withoutInlineComment(const std::string& s) {
    for (size_t i = 1; i < s.size(); ++i)
        if (s[i] == ';' && (s[i - 1] == ' ' || s[i - 1] == '\t')) return s.substr(0, i);
    return s;
}

} // namespace

extern "C" int ini_parse_string(const char* string, ini_handler handler, void* user) {
    if (string == nullptr) return -1;
    std::string section;
    int error = 0;
    int lineNo = 0;
    const char* at = string;
    while (*at != '\0') {
        const char* end = std::strchr(at, '\n');
        size_t len = end ? static_cast<size_t>(end - at) : std::strlen(at);
        std::string line(at, len);
        at += len + (end ? 1 : 0);
        ++lineNo;
        if (lineNo == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        line = trimmed(line);
        if (line.empty() || line[0] == ';' || line[0] == '#') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            if (close == std::string::npos) {
                if (error == 0) error = lineNo;
                continue;
            }
            section = line.substr(1, close - 1);
            continue;
        }
        size_t eq = line.find_first_of("=:");
        if (eq == std::string::npos) {
            if (error == 0) error = lineNo;
            continue;
        }
        std::string name = trimmed(line.substr(0, eq));
        std::string value = trimmed(withoutInlineComment(line.substr(eq + 1)));
        if (handler(user, section.c_str(), name.c_str(), value.c_str()) == 0 && error == 0)
            error = lineNo;
    }
    return error;
}
