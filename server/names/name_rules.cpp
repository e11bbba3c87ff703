#include "server/names/name_rules.h"

#include <memory>
#include <mutex>

#include <unicode/uchar.h>
#include <unicode/uspoof.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>
#include <unicode/uversion.h>

namespace {

struct SpoofCloser {
    void operator()(USpoofChecker* checker) const { uspoof_close(checker); }
};

// One checker, opened once; ICU allows concurrent checks on a checker that
// is no longer being configured.
const USpoofChecker* checker() {
    static std::unique_ptr<USpoofChecker, SpoofCloser> shared;
    static std::once_flag once;
    std::call_once(once, [] {
        UErrorCode status = U_ZERO_ERROR;
        USpoofChecker* c = uspoof_open(&status);
        if (U_FAILURE(status)) return;
        // Latin may go with Han and Japanese or Korean, or with one other
        // script that does not look like it; never with Cyrillic or Greek.
        uspoof_setRestrictionLevel(c, USPOOF_MODERATELY_RESTRICTIVE);
        uspoof_setChecks(c,
                         USPOOF_RESTRICTION_LEVEL | USPOOF_MIXED_NUMBERS | USPOOF_INVISIBLE |
                             USPOOF_HIDDEN_OVERLAY,
                         &status);
        if (U_FAILURE(status)) {
            uspoof_close(c);
            return;
        }
        shared.reset(c);
    });
    return shared.get();
}

bool toUtf16(const std::string& text, std::u16string& out) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    out.assign(text.size() + 1, u'\0');
    u_strFromUTF8(out.data(), static_cast<int32_t>(out.size()), &length, text.data(),
                  static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) return false;
    out.resize(static_cast<size_t>(length));
    return true;
}

bool foldCase(std::u16string& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::u16string out(text.size() * 3 + 1, u'\0');
    int32_t length = u_strFoldCase(out.data(), static_cast<int32_t>(out.size()), text.data(),
                                   static_cast<int32_t>(text.size()), U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) return false;
    out.resize(static_cast<size_t>(length));
    text = std::move(out);
    return true;
}

// Spaces and the punctuation names may hold say nothing of who a name is:
// "Li-ly", "Li ly", ".Lily" and "Lily." are all "Lily".
void dropPunctuation(std::u16string& text) {
    std::u16string out;
    for (char16_t c : text)
        if (c != u' ' && c != u'_' && c != u'-' && c != u'.') out += c;
    text = std::move(out);
}

bool skeletonOf(const USpoofChecker* c, std::u16string& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::u16string out(text.size() * 4 + 16, u'\0');
    int32_t length = uspoof_getSkeleton(c, 0, text.data(), static_cast<int32_t>(text.size()),
                                        out.data(), static_cast<int32_t>(out.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        out.assign(static_cast<size_t>(length) + 1, u'\0');
        length = uspoof_getSkeleton(c, 0, text.data(), static_cast<int32_t>(text.size()),
                                    out.data(), static_cast<int32_t>(out.size()), &status);
    }
    if (U_FAILURE(status)) return false;
    out.resize(static_cast<size_t>(length));
    text = std::move(out);
    return true;
}

} // namespace

NameVerdict judgeNewName(const std::string& name) {
    NameVerdict v;
    bool letterOrDigit = false;
    bool lastSpace = false;
    for (int32_t i = 0, n = static_cast<int32_t>(name.size()); i < n;) {
        UChar32 c;
        U8_NEXT(name.data(), i, n, c);
        if (c < 0) {
            v.why = "a name must be UTF-8 text";
            return v;
        }
        if (u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT)) {
            v.why = "a name cannot hold invisible characters";
            return v;
        }
        if (c == ' ' && lastSpace) {
            v.why = "a name cannot hold two spaces in a row";
            return v;
        }
        lastSpace = c == ' ';
        letterOrDigit = letterOrDigit || u_isalpha(c) || u_isdigit(c);
    }
    if (!letterOrDigit) {
        v.why = "a name needs a letter or a digit";
        return v;
    }
    const USpoofChecker* c = checker();
    if (!c) {
        v.why = "names cannot be checked now";
        return v;
    }
    UErrorCode status = U_ZERO_ERROR;
    int32_t found =
        uspoof_checkUTF8(c, name.data(), static_cast<int32_t>(name.size()), nullptr, &status);
    if (U_FAILURE(status)) {
        v.why = "names cannot be checked now";
        return v;
    }
    if (found & USPOOF_RESTRICTION_LEVEL) {
        v.why = "a name cannot mix these scripts (letters of one script can pass for "
                "another's)";
        return v;
    }
    if (found & USPOOF_MIXED_NUMBERS) {
        v.why = "a name cannot mix digits of different scripts";
        return v;
    }
    if (found != 0) {
        v.why = "a name cannot hold marks that hide or repeat over a letter";
        return v;
    }
    v.skeleton = nameSkeleton(name);
    if (v.skeleton.empty()) {
        v.why = "names cannot be checked now";
        return v;
    }
    v.allowed = true;
    return v;
}

std::string nameSkeleton(const std::string& name) {
    // Look-alikes as typed ("I" passes for "l"), then case aside, as name
    // keys are: "PaypaI", "Paypa1" and "paypal" are one name.
    const USpoofChecker* c = checker();
    std::u16string text;
    if (!c || !toUtf16(name, text)) return {};
    dropPunctuation(text);
    if (!skeletonOf(c, text) || !foldCase(text) || !skeletonOf(c, text)) return {};
    // What other marks pass for them (U+2024 for ".") goes the same way.
    dropPunctuation(text);
    if (text.empty()) return {};
    UErrorCode status = U_ZERO_ERROR;
    std::string out(text.size() * 3 + 1, '\0');
    int32_t bytes = 0;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &bytes, text.data(),
                static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) return {};
    out.resize(static_cast<size_t>(bytes));
    return out;
}

std::string skeletonVersion() {
    // The way skeletons are taken, then the confusables' version.
    return std::string("3/") + U_ICU_VERSION;
}
