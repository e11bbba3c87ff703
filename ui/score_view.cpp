#include "ui/score_view.h"

#include <chrono>
#include <cstdio>

#include "draw/draw_list.h"

namespace {

// Font 0 is about 0.03 wide and 0.04 high a character in arena units; a row
// of 33 characters centred on the screen.
constexpr float kLeft = -0.5f;
constexpr float kNewBestY = -0.12f;
constexpr float kHeaderY = -0.19f;
constexpr float kRowStep = 0.05f;

// YYYY-MM-DD of a Unix time, UTC.
void formatDate(int64_t unixSeconds, char* out, size_t size) {
    using namespace std::chrono;
    int64_t days = unixSeconds < 0 ? 0 : unixSeconds / 86400;
    if (days > 2932896) days = 2932896; // 9999-12-31
    year_month_day date{sys_days{duration<int, std::chrono::days::period>{static_cast<int>(days)}}};
    std::snprintf(out, size, "%04d-%02u-%02u", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
}

constexpr Colour kGold{1.0f, 0.85f, 0.2f, 1.0f};
constexpr Colour kRow{1.0f, 1.0f, 1.0f, 0.75f};

} // namespace

void drawScoreTable(const ScoreTable& table, int highlight) {
    if (table.count <= 0) return;
    if (highlight == 0) draw::text(0, -0.135f, kNewBestY, kGold, "New best!");
    draw::text(0, kLeft, kHeaderY, Colour{1.0f, 1.0f, 1.0f, 0.5f}, "     %9s %7s  %s", "Score",
               "Time", "Date");
    for (int i = 0; i < table.count && i < kScoreTableSize; ++i) {
        const ScoreEntry& e = table.entries[i];
        char time[32];
        char date[32];
        formatMinutesSeconds(e.gameTime, time, sizeof time);
        formatDate(e.endTime, date, sizeof date);
        float y = kHeaderY - kRowStep * static_cast<float>(i + 1);
        draw::text(0, kLeft, y, i == highlight ? kGold : kRow, "%2d.  %9u %7s  %s", i + 1, e.score,
                   time, date);
    }
}

float scoreTableBottom(const ScoreTable& table) {
    if (table.count <= 0) return -0.05f;
    int rows = table.count < kScoreTableSize ? table.count : kScoreTableSize;
    return kHeaderY - kRowStep * static_cast<float>(rows);
}

void drawBestLine(const ScoreTable& table, int onlineRank) {
    if (table.count <= 0) return;
    char time[32];
    formatMinutesSeconds(table.entries[0].gameTime, time, sizeof time);
    // Left-aligned with the footer, one row above it.
    if (onlineRank > 0)
        draw::text(0, -0.3f, -0.89f, kRow, "Best: %u in %s  Online #%d", table.entries[0].score,
                   time, onlineRank);
    else
        draw::text(0, -0.3f, -0.89f, kRow, "Best: %u in %s", table.entries[0].score, time);
}
