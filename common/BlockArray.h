// Growable storage of fixed-size blocks: records never move once stored.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// An array of records held in blocks of Step records each. Growing adds
// blocks and never moves or copies the records already stored, so appending
// n records costs time linear in n. New records are value-initialised (zero
// for plain records). The length is a capacity; callers keep their own count.
template <typename T, int32_t Step>
class BlockArray {
 public:
  static_assert(Step > 0);

  // Sets the capacity to at least n records, rounded up to whole blocks.
  // Growing keeps every record; shrinking releases whole blocks at the end.
  void SetLength(int32_t n) {
    if (n < 0) n = 0;
    const size_t blocks = (static_cast<size_t>(n) + Step - 1) / Step;
    while (blocks_.size() > blocks) blocks_.pop_back();
    // The block list grows geometrically by itself: reserving exactly the new
    // size would copy the whole list on every step.
    while (blocks_.size() < blocks) blocks_.push_back(std::make_unique<T[]>(Step));
  }

  // The capacity in records.
  int32_t Length() const { return static_cast<int32_t>(blocks_.size()) * Step; }

  // Releases all storage.
  void Clear() {
    blocks_.clear();
    blocks_.shrink_to_fit();
  }

  // Record i; 0 <= i < Length().
  T& operator[](int32_t i) { return blocks_[static_cast<size_t>(i) / Step][static_cast<size_t>(i) % Step]; }
  const T& operator[](int32_t i) const {
    return blocks_[static_cast<size_t>(i) / Step][static_cast<size_t>(i) % Step];
  }

 private:
  std::vector<std::unique_ptr<T[]>> blocks_;
};

// The growth rule shared by every table of the system: when an append makes
// the count 1, Step + 1, 2 * Step + 1, ..., the capacity becomes count + Step - 1.
// Returns the new count.
template <typename T, int32_t Step>
int32_t GrowForAppend(BlockArray<T, Step>& array, int32_t& count) {
  ++count;
  if (count % Step == 1) array.SetLength(count + Step - 1);
  return count;
}
