// The command buffer of the answer and the writer that turns it into the
// exchange file.
#include <algorithm>
#include <cstdint>
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

constexpr char kLineEnd[] = "\r\n";
constexpr size_t kLineEndBytes = 2;

// The bytes of the stored lines, each followed by its line end, in chunks
// that never move once allocated, so the slots can point into them. Lines
// are stored in the order they are added, so the writer can hand whole runs
// of them to the file as they lie. Chunks start small, for a short answer,
// and double up to a size that holds thousands of lines.
class LineArena {
 public:
  struct Chunk {
    std::unique_ptr<char[]> Bytes;
    size_t Size;
    size_t Used;
  };

  // Room for n (at most kMaxLineBytes + kLineEndBytes) bytes that stays valid
  // until Clear.
  char* Allocate(size_t n) {
    if (chunks_.empty() || chunks_.back().Size - chunks_.back().Used < n) {
      const size_t size = chunks_.empty() ? kFirstChunkBytes
                                          : std::min(chunks_.back().Size * 2, kLastChunkBytes);
      chunks_.push_back(Chunk{std::make_unique_for_overwrite<char[]>(size), size, 0});
    }
    Chunk& chunk = chunks_.back();
    char* room = chunk.Bytes.get() + chunk.Used;
    chunk.Used += n;
    return room;
  }

  const std::vector<Chunk>& Chunks() const { return chunks_; }

  // Releases every chunk but the first, which stays, emptied, for the next
  // answer: most answers fit in it.
  void Clear() {
    if (chunks_.empty()) return;
    chunks_.resize(1);
    chunks_.shrink_to_fit();
    chunks_.front().Used = 0;
  }

 private:
  static constexpr size_t kFirstChunkBytes = 4 * 1024;
  static constexpr size_t kLastChunkBytes = 1024 * 1024;
  std::vector<Chunk> chunks_;
};

LineArena LineBytes;

// The no-change answer, written when no command was produced.
constexpr char kNoChange[] = "hq";

// Follows the slots through the line storage: tells whether a slot's text is
// the next stored line, with its line end behind it, so that it can be
// written from where it lies.
class StoredLines {
 public:
  explicit StoredLines(const std::vector<LineArena::Chunk>& chunks) : chunks_(chunks) {
    if (!chunks_.empty()) Enter(0);
  }

  // True when text is the next stored line; moves past it and its line end.
  bool Next(std::string_view text) {
    while (chunk_ < chunks_.size()) {
      if (text.data() == at_ && static_cast<size_t>(end_ - at_) >= text.size() + kLineEndBytes &&
          at_[text.size()] == '\r' && at_[text.size() + 1] == '\n') {
        at_ += text.size() + kLineEndBytes;
        return true;
      }
      if (at_ != end_ || chunk_ + 1 == chunks_.size()) return false;
      Enter(chunk_ + 1);
    }
    return false;
  }

 private:
  void Enter(size_t chunk) {
    chunk_ = chunk;
    at_ = chunks_[chunk].Bytes.get();
    end_ = at_ + chunks_[chunk].Used;
  }

  const std::vector<LineArena::Chunk>& chunks_;
  size_t chunk_ = 0;
  const char* at_ = nullptr;
  const char* end_ = nullptr;
};

// Hands the file its bytes: runs of stored lines straight from the storage,
// anything else collected in a small buffer first. Remembers whether any
// write failed.
class FileWriter {
 public:
  explicit FileWriter(std::FILE* file) : file_(file) {}

  // Appends n bytes, n at most kMaxLineBytes + kLineEndBytes.
  void Put(const char* bytes, size_t n) {
    FlushRun();
    if (sizeof(buffer_) - used_ < n) FlushBuffer();
    std::memcpy(buffer_ + used_, bytes, n);
    used_ += n;
  }
  void Put(std::string_view text) { Put(text.data(), text.size()); }

  // Appends n bytes that lie in the line storage, a line end included.
  void PutStored(const char* bytes, size_t n) {
    if (run_ + runBytes_ == bytes) {
      runBytes_ += n;
      return;
    }
    FlushRun();
    run_ = bytes;
    runBytes_ = n;
  }

  // True once a write has failed.
  bool Failed() const { return !ok_; }

  // Bytes handed to the file so far.
  std::uintmax_t Written() const { return written_; }

  // Writes what is pending; false once any write has failed.
  bool Flush() {
    FlushRun();
    FlushBuffer();
    return ok_;
  }

 private:
  void Write(const char* bytes, size_t n) {
    if (n > 0 && ok_) ok_ = std::fwrite(bytes, 1, n, file_) == n;
    written_ += n;
  }
  void FlushBuffer() {
    Write(buffer_, used_);
    used_ = 0;
  }
  // The buffer holds what came before the run.
  void FlushRun() {
    if (runBytes_ == 0) return;
    FlushBuffer();
    Write(run_, runBytes_);
    run_ = nullptr;
    runBytes_ = 0;
  }

  std::FILE* file_;
  char buffer_[16 * 1024];
  size_t used_ = 0;
  const char* run_ = nullptr;
  size_t runBytes_ = 0;
  std::uintmax_t written_ = 0;
  bool ok_ = true;
};

// Writes slot text and a line end, from the storage when it lies there.
void PutLine(FileWriter& out, StoredLines& stored, std::string_view text) {
  if (stored.Next(text)) {
    out.PutStored(text.data(), text.size() + kLineEndBytes);
  } else {
    out.Put(text);
    out.Put(kLineEnd, kLineEndBytes);
  }
}

// Writes every slot; a slot ending in a double quote and the slot after it
// form one line of the file.
bool WriteSlots(FileWriter& out) {
  if (JwwOutCount == 0) {
    out.Put(kNoChange);
    out.Put(kLineEnd, kLineEndBytes);
    return out.Flush();
  }
  StoredLines stored(LineBytes.Chunks());
  int32_t i = 0;
  while (i < JwwOutCount) {
    const std::string_view text = JwwOutText(i);
    if (!text.empty() && text.back() == '"') {
      stored.Next(text);
      out.Put(text);
      ++i;
      // The completing slot always ends its line, so joining never chains.
      if (i < JwwOutCount) PutLine(out, stored, JwwOutText(i));
      ++i;
    } else {
      PutLine(out, stored, text);
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
  // The count changes only once the table and the storage have room, so a
  // failed growth leaves the buffer as it was.
  int32_t count = JwwOutCount;
  GrowForAppend(JwwOut, count);
  char* bytes = LineBytes.Allocate(n + kLineEndBytes);
  std::memcpy(bytes, text.data(), n);
  std::memcpy(bytes + n, kLineEnd, kLineEndBytes);
  JwwOut[count - 1] = TJwwOutSlot{bytes, static_cast<uint8_t>(n)};
  JwwOutCount = count;
}

bool WriteCommandFile(const std::filesystem::path& path, TWriteFault* fault) {
  if (fault != nullptr) *fault = TWriteFault::Other;
  // A path with a zero character would name a different, shorter path.
  if (path.native().find(std::filesystem::path::value_type{}) != path.native().npos) return false;
  ClearWriteFault();
  bool ok = false;
  try {
    std::uintmax_t oldSize = 0;
    if (std::FILE* file = OpenForRewrite(path, oldSize)) {
      std::uintmax_t written = 0;
      try {
        FileWriter out(file);
        ok = WriteSlots(out);
        written = out.Written();
      } catch (...) {
        ok = false;
      }
      if (ok) {
        ok = FinishRewrite(file, oldSize, written);
      } else {
        std::fclose(file);  // the file is removed below
      }
    }
  } catch (...) {
    ok = false;
  }
  // The cause is read before the removal can overwrite it.
  if (fault != nullptr) *fault = ok ? TWriteFault::None : LastWriteFault();
  if (!ok) RemoveFailedFile(path);
  return ok;
}

void JwwClearOut() {
  JwwOut.Clear();
  JwwOutCount = 0;
  LineBytes.Clear();
}
