// Every picture the game draws, loaded once at start-up and found by name.
#pragma once

#include <cstdint>

class TextureBank {
  public:
    static constexpr int kMaxEntries = 32;
    static constexpr int kMaxSlots = 64;

    // Index of the first entry named exactly `name`, or -1.
    int find(const char* name) const;
    // Slot of the named entry, or 0 (which binds no texture) when absent.
    int slotFor(const char* name) const;
    void bindSlot(int slot) const;
    // Binds the named texture; an unknown name leaves the bound one alone.
    void bindByName(const char* name) const;
    // Loads a BMP, black transparent. A file that fails to load still gets
    // its entry, bound to no texture, so later lookups stay harmless.
    void loadBitmap(const char* path);
    // The random ground: one of three speckled schemes, 512 x 512.
    void createGrass(const char* name);

    int entryCount() const { return count_; }
    const char* entryName(int index) const { return entries_[index].name; }
    int entrySlot(int index) const { return entries_[index].slot; }
    uint32_t glName(int slot) const { return names_[slot]; }
    // Forgets everything (tests that start the game more than once).
    void clear();

  private:
    struct Entry {
        int32_t slot = 0;
        char name[256] = {};
    };
    int addEntry(const char* name); // returns the new slot, or 0 when full

    uint32_t names_[kMaxSlots] = {};
    int slotCounter_ = 0;
    Entry entries_[kMaxEntries];
    int count_ = 0;
};

extern TextureBank textureBank;

// The full-window ground quad, the first thing drawn every frame.
void drawGround();

// One upright quad from (x0, y0) to (x1, y1) showing the bound texture whole:
// (0, 0) at the bottom-left corner, corners in the order bottom-left,
// top-left, top-right, bottom-right.
void drawTexturedRect(float x0, float y0, float x1, float y1);
