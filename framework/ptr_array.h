// A growable array of untyped pointers: the container behind every list of the framework.
// It never deletes what it holds; each owner deletes its items (deleteAll) when it must.
#pragma once

#include <cstdint>

class PtrArray {
public:
    // Starts with `capacity` null slots (at least one).
    explicit PtrArray(int capacity = 1);
    ~PtrArray();
    PtrArray(const PtrArray&) = delete;
    PtrArray& operator=(const PtrArray&) = delete;

    // Appends, doubling the slots when full; returns the new item's index.
    int add(void* item);
    // Removes the first occurrence of item, shifting later items down. False when absent.
    bool remove(void* item);
    // Index of the first occurrence, or -1.
    int indexOf(const void* item) const;
    // No bounds test: callers stay below getCount().
    void* get(int index) const { return items[index]; }
    void* operator[](int index) const { return items[index]; }
    template <class T>
    T* at(int index) const {
        return static_cast<T*>(items[index]);
    }
    int getCount() const { return count; }
    int size() const { return count; }
    int getCapacity() const { return capacity; }
    int getPosition() const { return position; }
    void setPosition(int p) { position = p; }
    // Empties the array without deleting the items.
    void clear();
    // Deletes every item as a T, then empties the array.
    template <class T>
    void deleteAll() {
        for (int i = 0; i < count; ++i) delete static_cast<T*>(items[i]);
        clear();
    }

    std::int32_t count;
    std::int32_t capacity;
    std::int32_t position;
    void** items;
};
