// The event rules the desktop's SDL events and the page's browser events
// share: the full-screen keys, focus changes told once, typed UTF-8.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/event_rules.h"

namespace {

using platform::FullScreenKey;

TEST(PlatformEventRules, F11AndAltEnterSwitchOnceAndTheGameNeverSeesThem) {
    const struct {
        bool f11, enter, alt, down, repeat;
        FullScreenKey does;
    } cases[] = {
        {true, false, false, true, false, FullScreenKey::Toggle},
        {true, false, false, true, true, FullScreenKey::Swallow},
        {true, false, false, false, false, FullScreenKey::Swallow},
        {false, true, true, true, false, FullScreenKey::Toggle},
        {false, true, true, false, false, FullScreenKey::Swallow},
        {false, true, false, true, false, FullScreenKey::Pass}, // Enter alone: the menu's
        {false, false, true, true, false, FullScreenKey::Pass}, // Alt alone
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::fullScreenKey(c.f11, c.enter, c.alt, c.down, c.repeat), c.does)
            << c.f11 << c.enter << c.alt << c.down << c.repeat;
}

TEST(PlatformEventRules, AFocusLossIsToldOnceAndAGainOnlyAfterALoss) {
    // (gained, window) in order, and whether the game hears of it.
    const struct {
        bool gained;
        uint32_t window;
        bool news;
    } steps[] = {
        {true, 7, false},                    // focused from the start: nothing to tell
        {false, 7, true}, {false, 7, false}, // minimised, then focus lost: one loss
        {true, 7, true},  {true, 7, false},  // restored, then focused: one gain
        {false, 7, true}, {true, 8, false},  // another window's gain is not this one's
    };
    uint32_t lostFor = 0;
    int i = 0;
    for (const auto& s : steps)
        EXPECT_EQ(platform::focusNews(lostFor, s.gained, s.window), s.news) << "step " << i++;
}

TEST(PlatformEventRules, TypedTextIsDecodedAndBrokenSequencesDropped) {
    const struct {
        std::string text;
        std::vector<uint32_t> cps;
    } cases[] = {
        {"Ann", {'A', 'n', 'n'}},
        {"Zo\xC3\xAB", {'Z', 'o', 0xEB}},
        {"\xE6\x9D\x8E", {0x674E}},
        {"\xF0\x9F\x98\x80", {0x1F600}},
        {"a\xC3", {'a'}}, // cut short
        {"\x80"
         "b",
         {'b'}}, // a stray continuation byte
        {"\xC3"
         "b",
         {'b'}}, // a lead byte with none after it
        {"\xFF\xFE"
         "c",
         {'c'}}, // never UTF-8
    };
    for (const auto& c : cases) {
        uint32_t out[8] = {};
        int n = platform::decodeUtf8Text(c.text.c_str(), out, 8);
        EXPECT_EQ(std::vector<uint32_t>(out, out + n), c.cps) << c.text;
    }
    uint32_t out[2];
    EXPECT_EQ(platform::decodeUtf8Text("abcdef", out, 2), 2);
    // The page's keys: one character is text, a key's name is not.
    uint32_t cp = 0;
    EXPECT_EQ(platform::decodeUtf8At("\xC3\xAB", cp), 2);
    EXPECT_EQ(cp, 0xEBu);
    EXPECT_EQ(platform::decodeUtf8At("Enter", cp), 1);
    EXPECT_EQ(platform::decodeUtf8At("", cp), 0);
}

} // namespace
