#include "framework/ptr_array.h"

#include <cstring>

PtrArray::PtrArray(int initialCapacity)
    : count(0), capacity(initialCapacity < 1 ? 1 : initialCapacity), position(0) {
    items = new void*[static_cast<std::size_t>(capacity)]();
}

PtrArray::~PtrArray() {
    delete[] items;
}

int PtrArray::add(void* item) {
    if (count == capacity) {
        const int grown = capacity * 2;
        void** block = new void*[static_cast<std::size_t>(grown)]();
        std::memcpy(block, items, sizeof(void*) * static_cast<std::size_t>(count));
        delete[] items;
        items = block;
        capacity = grown;
    }
    items[count] = item;
    return count++;
}

int PtrArray::indexOf(const void* item) const {
    for (int i = 0; i < count; ++i)
        if (items[i] == item) return i;
    return -1;
}

bool PtrArray::remove(void* item) {
    const int index = indexOf(item);
    if (index < 0) return false;
    for (int i = index; i + 1 < count; ++i) items[i] = items[i + 1];
    --count;
    items[count] = nullptr;
    if (index <= position) --position;
    return true;
}

void PtrArray::clear() {
    for (int i = 0; i < count; ++i) items[i] = nullptr;
    count = 0;
    position = 0;
}
