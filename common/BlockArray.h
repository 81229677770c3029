// Growable storage of fixed-size blocks: records never move once stored.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// An array of records whose capacity grows in blocks of Step records. Growing
// never moves or copies the records already stored, so appending n records
// costs time linear in n. New records are value-initialised (zero for plain
// records). The length is a capacity; callers keep their own count.
//
// The memory behind the capacity is taken in pages of about 4 KiB as records
// are first reached: a table that holds a handful of records uses a page, not
// a whole block, and a large one is zeroed page by page just before its
// records are written. Pages given back are kept for the next array of the
// same record type, so that refilling a table touches no fresh memory; like
// the tables themselves, this is for one thread.
template <typename T, int32_t Step>
class BlockArray {
 public:
  static_assert(Step > 0);

  // Sets the capacity to at least n records, rounded up to whole blocks.
  // Growing keeps every record; shrinking releases the records past the end.
  void SetLength(int32_t n) {
    if (n < 0) n = 0;
    length_ = static_cast<int32_t>((static_cast<int64_t>(n) + Step - 1) / Step * Step);
    const size_t pages = (static_cast<size_t>(length_) + kPage - 1) / kPage;
    while (pages_.size() > pages) GiveBackLastPage();
  }

  // The capacity in records.
  int32_t Length() const { return length_; }

  // Gives records 0 .. n - 1 their memory now (n at most Length()), so that
  // reaching them later cannot fail.
  void Reserve(int32_t n) const {
    while (pages_.size() * kPage < static_cast<size_t>(n)) {
      std::vector<std::unique_ptr<T[]>>& spare = SparePages();
      if (spare.empty()) {
        pages_.push_back(std::make_unique<T[]>(kPage));
      } else {
        std::unique_ptr<T[]> page = std::move(spare.back());
        spare.pop_back();
        // One copy of a blank page: a single block move for plain records.
        std::copy_n(BlankPage(), kPage, page.get());
        pages_.push_back(std::move(page));
      }
    }
  }

  // Releases all records. Their pages are kept for reuse, as is the room of
  // the list that points to them.
  void Clear() {
    while (!pages_.empty()) GiveBackLastPage();
    length_ = 0;
  }

  // Record i; 0 <= i < Length().
  T& operator[](int32_t i) { return At(i); }
  const T& operator[](int32_t i) const { return At(i); }

 private:
  // Records per page: a power of two, so that finding a record takes a shift.
  static constexpr size_t kPage = std::bit_floor(sizeof(T) < 4096 ? 4096 / sizeof(T) : size_t{1});

  // The pages given back by every array of this record type.
  static std::vector<std::unique_ptr<T[]>>& SparePages() {
    static std::vector<std::unique_ptr<T[]>> spare;
    return spare;
  }

  // A page of value-initialised records, the pattern a reused page starts from.
  static const T* BlankPage() {
    static const std::unique_ptr<T[]> blank = std::make_unique<T[]>(kPage);
    return blank.get();
  }

  void GiveBackLastPage() {
    std::unique_ptr<T[]> page = std::move(pages_.back());
    pages_.pop_back();
    try {
      SparePages().push_back(std::move(page));
    } catch (...) {
      // No room to keep it: the page is freed.
    }
  }

  T& At(int32_t i) const {
    const size_t page = static_cast<size_t>(i) / kPage;
    if (page >= pages_.size()) Reserve(i + 1);
    return pages_[page][static_cast<size_t>(i) % kPage];
  }

  mutable std::vector<std::unique_ptr<T[]>> pages_;
  int32_t length_ = 0;
};

// The growth rule shared by every table of the system: when an append makes
// the count 1, Step + 1, 2 * Step + 1, ..., the capacity becomes count + Step - 1.
// The new record has its memory before the count is returned. Returns the new
// count.
template <typename T, int32_t Step>
int32_t GrowForAppend(BlockArray<T, Step>& array, int32_t& count) {
  ++count;
  if (count % Step == 1) array.SetLength(count + Step - 1);
  array.Reserve(count);
  return count;
}
