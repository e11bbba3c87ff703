// Every picture the game draws, named once at start-up and found by name.
// Records name a texture by its slot, the bank's own small number, which is
// the same whether or not a back end loads the pictures behind it.
#pragma once

#include <cstdint>

class TextureBank {
  public:
    static constexpr int kMaxEntries = 32;
    static constexpr int kMaxSlots = 64;

    // Index of the first entry named exactly `name`, or -1.
    int find(const char* name) const;
    // Slot of the named entry, or 0 (which shows no picture) when absent.
    int slotFor(const char* name) const;
    // A new entry with the next slot; 0 when the bank is full.
    int add(const char* name);
    int entryCount() const { return count_; }
    const char* entryName(int index) const { return entries_[index].name; }
    int entrySlot(int index) const { return entries_[index].slot; }
    // Forgets everything (tests that start the game more than once).
    void clear();

  private:
    struct Entry {
        int32_t slot = 0;
        char name[256] = {};
    };
    int slotCounter_ = 0;
    Entry entries_[kMaxEntries];
    int count_ = 0;
};

extern TextureBank textureBank;

// The ground's entry: a generated picture, not a file.
inline constexpr const char* kGroundTexture = "GreenGrass";
