// Through fontconfig, as Linux desktops match fonts.
#include "platform/font_match.h"

#include <fontconfig/fontconfig.h>

namespace platform {

bool matchFontFace(const char* name, std::string& file, int& index) {
    if (FcInit() == FcFalse) return false;
    std::string query = std::string(name) + ":bold";
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(query.c_str()));
    if (pattern == nullptr) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("monospace"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return false;
    FcChar8* path = nullptr;
    bool found = FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch;
    if (found) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    }
    FcPatternDestroy(match);
    return found;
}

} // namespace platform
