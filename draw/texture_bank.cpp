#include "draw/texture_bank.h"

#include <cstring>

TextureBank textureBank;

int TextureBank::find(const char* name) const {
    for (int i = 0; i < count_; ++i)
        if (std::strcmp(entries_[i].name, name) == 0) return i;
    return -1;
}

int TextureBank::slotFor(const char* name) const {
    int index = find(name);
    return index < 0 ? 0 : entries_[index].slot;
}

int TextureBank::add(const char* name) {
    if (count_ >= kMaxEntries || slotCounter_ + 1 >= kMaxSlots) return 0;
    ++slotCounter_;
    Entry& entry = entries_[count_++];
    entry.slot = slotCounter_;
    std::strncpy(entry.name, name, sizeof(entry.name) - 1);
    entry.name[sizeof(entry.name) - 1] = '\0';
    return slotCounter_;
}

void TextureBank::clear() {
    slotCounter_ = 0;
    count_ = 0;
}
