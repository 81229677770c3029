// Growable storage of fixed-size blocks: records never move once stored.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// An array of records held in blocks of Step records each. Growing adds
// blocks and never moves or copies the records already stored, so appending
// n records costs time linear in n. New records are value-initialised (zero
// for plain records). The length is a capacity; callers keep their own count.
//
// A block's records are value-initialised in index order as they are first
// reached, not when the block is allocated: a table that holds a handful of
// records touches the memory of a handful, and the records appended to a
// large one are initialised while their memory is about to be written anyway.
template <typename T, int32_t Step>
class BlockArray {
 public:
  static_assert(Step > 0);

  BlockArray() = default;
  BlockArray(const BlockArray&) = delete;
  BlockArray& operator=(const BlockArray&) = delete;
  ~BlockArray() { Clear(); }

  // Sets the capacity to at least n records, rounded up to whole blocks.
  // Growing keeps every record; shrinking releases whole blocks at the end.
  void SetLength(int32_t n) {
    if (n < 0) n = 0;
    const size_t blocks = (static_cast<size_t>(n) + Step - 1) / Step;
    while (blocks_.size() > blocks) ReleaseLastBlock();
    // The block list grows geometrically by itself: reserving exactly the new
    // size would copy the whole list on every step.
    while (blocks_.size() < blocks) {
      T* block = std::allocator<T>().allocate(Step);
      try {
        blocks_.push_back(block);
      } catch (...) {
        std::allocator<T>().deallocate(block, Step);
        throw;
      }
    }
  }

  // The capacity in records.
  int32_t Length() const { return static_cast<int32_t>(blocks_.size()) * Step; }

  // Releases all storage.
  void Clear() {
    while (!blocks_.empty()) ReleaseLastBlock();
    blocks_.shrink_to_fit();
  }

  // Record i; 0 <= i < Length().
  T& operator[](int32_t i) {
    if (i >= ready_) Prepare(i);
    return blocks_[static_cast<size_t>(i) / Step][static_cast<size_t>(i) % Step];
  }
  const T& operator[](int32_t i) const {
    if (i >= ready_) Prepare(i);
    return blocks_[static_cast<size_t>(i) / Step][static_cast<size_t>(i) % Step];
  }

 private:
  // Records are initialised this many at a time, within one block.
  static constexpr int32_t kBatch = Step < 16 ? Step : 16;

  // Value-initialises every record up to record i and the rest of its batch.
  void Prepare(int32_t i) const {
    const int32_t length = Length();
    while (ready_ <= i) {
      const int32_t blockEnd = (ready_ / Step + 1) * Step;
      int32_t stop = ready_ + kBatch;
      if (stop > blockEnd) stop = blockEnd;
      if (stop > length) stop = length;
      if (stop <= ready_) return;
      T* block = blocks_[static_cast<size_t>(ready_) / Step];
      for (; ready_ < stop; ++ready_) std::construct_at(block + ready_ % Step);
    }
  }

  void ReleaseLastBlock() {
    const auto first = static_cast<int32_t>(blocks_.size() - 1) * Step;
    T* block = blocks_.back();
    for (int32_t k = first; k < ready_; ++k) std::destroy_at(block + (k - first));
    if (ready_ > first) ready_ = first;
    std::allocator<T>().deallocate(block, Step);
    blocks_.pop_back();
  }

  std::vector<T*> blocks_;
  // Records 0 .. ready_ - 1 are initialised.
  mutable int32_t ready_ = 0;
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
