// The command buffer of the answer and the writer that turns it into the
// exchange file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "common/FileOpen.h"
#include "exchange/JwwGaibu.h"

BlockArray<TJwwOutSlot, 1000> JwwOut;
int32_t JwwOutCount = 0;

namespace {

// The longest command line the host accepts, in bytes.
constexpr size_t kMaxLineBytes = 255;

// The bytes of the stored lines, in chunks that never move once allocated, so
// the slots can point into them; a chunk holds thousands of lines.
class LineArena {
 public:
  // Room for n (at most kMaxLineBytes) bytes that stays valid until Clear.
  char* Allocate(size_t n) {
    if (kChunkBytes - used_ < n || chunks_.empty()) {
      chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkBytes));
      used_ = 0;
    }
    char* room = chunks_.back().get() + used_;
    used_ += n;
    return room;
  }

  // Releases every chunk.
  void Clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    used_ = 0;
  }

 private:
  static constexpr size_t kChunkBytes = 256 * 1024;
  std::vector<std::unique_ptr<char[]>> chunks_;
  size_t used_ = 0;
};

LineArena LineBytes;

// What an empty slot points at, so that no slot text is ever null.
constexpr char kNoBytes[] = "";

// The no-change answer, written when no command was produced.
constexpr char kNoChange[] = "hq";
constexpr char kLineEnd[] = "\r\n";

// Collects the file's bytes and hands them to the stream in large blocks,
// remembering whether any write failed.
class BlockWriter {
 public:
  explicit BlockWriter(std::FILE* file)
      : file_(file), buffer_(std::make_unique_for_overwrite<char[]>(kBufferBytes)) {}

  // Appends n bytes, n at most kMaxLineBytes + 2.
  void Put(const char* bytes, size_t n) {
    if (kBufferBytes - used_ < n) Flush();
    std::memcpy(buffer_.get() + used_, bytes, n);
    used_ += n;
  }
  void Put(std::string_view text) { Put(text.data(), text.size()); }

  // True once a write has failed.
  bool Failed() const { return !ok_; }

  // Writes what is collected; false once any write has failed.
  bool Flush() {
    if (used_ > 0 && ok_) ok_ = std::fwrite(buffer_.get(), 1, used_, file_) == used_;
    used_ = 0;
    return ok_;
  }

 private:
  static constexpr size_t kBufferBytes = 1024 * 1024;
  std::FILE* file_;
  std::unique_ptr<char[]> buffer_;
  size_t used_ = 0;
  bool ok_ = true;
};

// Writes every slot; a slot ending in a double quote and the slot after it
// form one line of the file.
bool WriteSlots(std::FILE* file) {
  BlockWriter out(file);
  if (JwwOutCount == 0) {
    out.Put(kNoChange);
    out.Put(kLineEnd);
    return out.Flush();
  }
  int32_t i = 0;
  while (i < JwwOutCount) {
    const std::string_view text = JwwOutText(i);
    if (!text.empty() && text.back() == '"') {
      out.Put(text);
      ++i;
      // The completing slot always ends its line, so joining never chains.
      if (i < JwwOutCount) {
        out.Put(JwwOutText(i));
        out.Put(kLineEnd);
      }
      ++i;
    } else {
      out.Put(text);
      out.Put(kLineEnd);
      ++i;
    }
    // After a failed write the rest would be collected for nothing.
    if (out.Failed()) return false;
  }
  return out.Flush();
}

// Removes what a failed write left at path. Only a regular file (or a link in
// its place) is removed: a folder or a device at the path is never touched.
void RemoveFailedFile(const std::filesystem::path& target) noexcept {
  try {
    std::error_code ec;
    const auto type = std::filesystem::symlink_status(target, ec).type();
    if (ec) return;
    if (type == std::filesystem::file_type::regular || type == std::filesystem::file_type::symlink)
      std::filesystem::remove(target, ec);
  } catch (...) {
    // A file that cannot be removed stays in place.
  }
}

}  // namespace

std::string_view JwwOutText(int32_t i) {
  const TJwwOutSlot& slot = JwwOut[i];
  return std::string_view(slot.Text, slot.Length);
}

void AddCommandLine(std::string_view text) {
  const size_t n = std::min(text.size(), kMaxLineBytes);
  char* bytes = n > 0 ? LineBytes.Allocate(n) : nullptr;
  if (n > 0) std::memcpy(bytes, text.data(), n);
  // The count changes only once the table has room, so a failed growth
  // leaves the buffer as it was.
  int32_t count = JwwOutCount;
  GrowForAppend(JwwOut, count);
  JwwOut[count - 1] = TJwwOutSlot{n > 0 ? bytes : kNoBytes, static_cast<uint8_t>(n)};
  JwwOutCount = count;
}

bool WriteCommandFile(const std::filesystem::path& path) {
  // A path with a zero character would name a different, shorter path.
  if (path.native().find(std::filesystem::path::value_type{}) != path.native().npos) return false;
  std::FILE* file = OpenFile(path, "wb");
  bool ok = file != nullptr;
  if (ok) {
    // The writer hands over blocks of its own; the stream adds no second buffer.
    std::setvbuf(file, nullptr, _IONBF, 0);
    try {
      ok = WriteSlots(file);
    } catch (...) {
      ok = false;
    }
    if (std::fclose(file) != 0) ok = false;
  }
  if (!ok) RemoveFailedFile(path);
  return ok;
}

void JwwClearOut() {
  JwwOut.Clear();
  JwwOutCount = 0;
  LineBytes.Clear();
}
