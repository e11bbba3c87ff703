#include "draw/draw_batches.h"

#include <cstring>

namespace draw {
namespace {

// A coarse grid over the picture (-1 to 1 on both axes); what lies outside
// it counts as being in the border cells. A cell holds the highest run that
// anything added so far reaches into.
constexpr int kCells = 16;
uint16_t cellRun[kCells][kCells];
// 0, 1, 2 ... across a row, to pick a box's columns without a branch.
struct Columns {
    uint16_t at[kCells];
    constexpr Columns() : at() {
        for (int x = 0; x < kCells; ++x)
            at[x] = static_cast<uint16_t>(x);
    }
};
constexpr Columns kColumns;
constexpr const uint16_t* kColumn = kColumns.at;

// One record: a quad, a line, a point, or a whole outline.
struct Element {
    uint32_t run;
    uint32_t first;
    uint32_t count;
};
Element elements[DrawList::kMaxVertices];
uint32_t runStart[DrawList::kMaxCommands + 1];

// The last run of each state, found by hashing the state.
constexpr uint32_t kSlots = 1024;
struct Slot {
    uint64_t key;
    uint32_t run;
    bool used;
};
Slot slots[kSlots];
uint32_t slotsUsed = 0;

uint64_t keyOf(const DrawCommand& c) {
    uint32_t size = 0;
    std::memcpy(&size, &c.size, sizeof(size));
    return static_cast<uint64_t>(c.primitive) | static_cast<uint64_t>(c.blend & 1) << 3 |
           static_cast<uint64_t>(c.smooth & 1) << 4 |
           static_cast<uint64_t>(static_cast<uint16_t>(c.texture)) << 5 |
           static_cast<uint64_t>(size) << 21;
}

Slot& slotOf(uint64_t key) {
    uint32_t i = static_cast<uint32_t>((key * 0x9E3779B97F4A7C15ull) >> 54) & (kSlots - 1);
    while (slots[i].used && slots[i].key != key)
        i = (i + 1) & (kSlots - 1);
    return slots[i];
}

struct CellBox {
    int x0, y0, x1, y1;
};

int cellOf(float v) {
    float c = (v + 1.0f) * (kCells / 2.0f);
    if (!(c > 0.0f)) return 0;
    return c >= kCells - 1 ? kCells - 1 : static_cast<int>(c);
}

// The cells the element's pixels may reach: its vertices' box, widened by
// `padX`/`padY`; anything not finite reaches everywhere.
CellBox cellsOf(const DrawVertex* v, uint32_t count, float padX, float padY) {
    // Not a number, or beyond any picture: anywhere.
    constexpr float kFar = 1.0e6f;
    float x0 = kFar, x1 = -kFar, y0 = kFar, y1 = -kFar;
    bool lost = false;
    for (uint32_t i = 0; i < count; ++i) {
        lost |= !(v[i].x > -kFar && v[i].x < kFar && v[i].y > -kFar && v[i].y < kFar);
        x0 = v[i].x < x0 ? v[i].x : x0;
        x1 = v[i].x > x1 ? v[i].x : x1;
        y0 = v[i].y < y0 ? v[i].y : y0;
        y1 = v[i].y > y1 ? v[i].y : y1;
    }
    if (lost) return {0, 0, kCells - 1, kCells - 1};
    return {cellOf(x0 - padX), cellOf(y0 - padY), cellOf(x1 + padX), cellOf(y1 + padY)};
}

// Whether anything in a run after `run` reaches into the box. Whole rows
// are read and the box's columns picked out, which the compiler turns into a
// few vector operations a row.
bool coveredAfter(const CellBox& b, uint16_t run) {
    const uint16_t x0 = static_cast<uint16_t>(b.x0), x1 = static_cast<uint16_t>(b.x1);
    for (int y = b.y0; y <= b.y1; ++y) {
        uint16_t later = 0;
        for (int x = 0; x < kCells; ++x)
            later |= static_cast<uint16_t>((cellRun[y][x] > run) & (kColumn[x] >= x0) &
                                           (kColumn[x] <= x1));
        if (later) return true;
    }
    return false;
}

void mark(const CellBox& b, uint16_t run) {
    const uint16_t x0 = static_cast<uint16_t>(b.x0), x1 = static_cast<uint16_t>(b.x1);
    for (int y = b.y0; y <= b.y1; ++y)
        for (int x = 0; x < kCells; ++x)
            cellRun[y][x] = kColumn[x] >= x0 && kColumn[x] <= x1 ? run : cellRun[y][x];
}

// Quads, lines and points move one by one (a bullet's streak and head
// alternate in the list, so its streaks gather only this way); an outline is
// one piece.
uint32_t elementSize(const DrawCommand& c) {
    switch (c.primitive) {
    case Primitive::Quads:
        return 4;
    case Primitive::Lines:
        return 2;
    case Primitive::Points:
        return 1;
    default:
        return c.count;
    }
}

} // namespace

bool batch(const DrawList& in, float pixelW, float pixelH, DrawList& out) {
    std::memset(cellRun, 0, sizeof(cellRun));
    std::memset(slots, 0, sizeof(slots));
    slotsUsed = 0;
    out.commandCount = 0;
    uint32_t elementCount = 0;
    // No record moves back past a text: its pixels are not known here.
    uint32_t textRun = 0;

    for (uint32_t i = 0; i < in.commandCount; ++i) {
        const DrawCommand& c = in.commands[i];
        if (c.primitive == Primitive::Text) {
            if (out.commandCount >= DrawList::kMaxCommands) return false;
            textRun = out.commandCount;
            out.commands[out.commandCount++] = c;
            continue;
        }
        const uint32_t size = elementSize(c);
        if (size == 0 || c.count % size != 0) return false;
        // Wide lines and points reach past their vertices; a pixel more for
        // rounding.
        const float reach = c.primitive == Primitive::Quads ? 2.0f : c.size + 2.0f;
        const bool joins = c.primitive != Primitive::LineLoop;
        // A frame of more states than the table holds is drawn as it is.
        if (slotsUsed >= kSlots / 2) return false;
        const uint64_t key = keyOf(c);
        Slot& slot = slotOf(key);
        for (uint32_t first = c.first; first < c.first + c.count; first += size) {
            CellBox box = cellsOf(&in.vertices[first], size, reach * pixelW, reach * pixelH);
            uint32_t run;
            // The newest run has nothing after it.
            const bool free = slot.used && slot.run + 1 == out.commandCount;
            if (joins && slot.used && slot.run >= textRun &&
                (free || !coveredAfter(box, static_cast<uint16_t>(slot.run)))) {
                run = slot.run;
            } else {
                if (out.commandCount >= DrawList::kMaxCommands) return false;
                run = out.commandCount++;
                DrawCommand& opened = out.commands[run];
                opened = c;
                opened.count = 0;
                if (joins) {
                    if (!slot.used) ++slotsUsed;
                    slot.used = true;
                    slot.key = key;
                    slot.run = run;
                }
            }
            mark(box, static_cast<uint16_t>(run));
            out.commands[run].count += size;
            // Neighbours that stay together are copied as one piece.
            Element* last = elementCount > 0 ? &elements[elementCount - 1] : nullptr;
            if (last && last->run == run && last->first + last->count == first)
                last->count += size;
            else
                elements[elementCount++] = {run, first, size};
        }
    }

    // Lay the runs' vertices end to end, each run's in the order added.
    uint32_t next = 0;
    for (uint32_t r = 0; r < out.commandCount; ++r) {
        DrawCommand& run = out.commands[r];
        if (run.primitive == Primitive::Text) continue;
        run.first = next;
        runStart[r] = next;
        next += run.count;
    }
    for (uint32_t e = 0; e < elementCount; ++e) {
        const Element& el = elements[e];
        std::memcpy(&out.vertices[runStart[el.run]], &in.vertices[el.first],
                    el.count * sizeof(DrawVertex));
        runStart[el.run] += el.count;
    }
    out.vertexCount = next;
    std::memcpy(out.text, in.text, in.textBytes);
    out.textBytes = in.textBytes;
    out.dropped = in.dropped;
    return true;
}

} // namespace draw
