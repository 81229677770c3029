// Exchange files shaped like a host's selection, for the benchmarks.
#include "bench/DrawingGenerator.h"

#include <charconv>
#include <cstdio>
#include <functional>
#include <random>
#include <string_view>

namespace {

// Bytes collected before they are handed on.
constexpr size_t kFlushAt = size_t{1} << 20;

constexpr double kTwoPi = 6.283185307179586;

// Writes the lines of one drawing into out, handing out to flush whenever it
// has grown past kFlushAt and once at the end. Only std::mt19937 itself is
// used from <random>: its output is the same everywhere, unlike the
// distributions'.
class DrawingWriter {
 public:
  DrawingWriter(uint32_t seed, std::function<void(std::string&)> flush)
      : rng_(seed), flush_(std::move(flush)) {}

  void Write(int entities) {
    Header();
    int written = 0;
    while (written < entities) {
      if (Chance(60)) Attribute();
      const uint32_t r = rng_() % 1000;
      if (r < 20 && entities - written >= 3) {
        written += Polyline(entities - written);
      } else if (r < 700) {
        Segment();
        ++written;
      } else if (r < 875) {
        Arc();
        ++written;
      } else {
        Solid();
        ++written;
      }
    }
    flush_(out_);
  }

 private:
  double Unit() { return rng_() / 4294967296.0; }
  bool Chance(uint32_t perMille) { return rng_() % 1000 < perMille; }

  void EndLine() {
    out_ += "\r\n";
    if (out_.size() >= kFlushAt) flush_(out_);
  }

  // The shortest text that reads back as v, after a space unless it starts
  // the line.
  void Number(double v) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, v);
    if (!out_.empty() && out_.back() != '\n') out_ += ' ';
    out_.append(text, result.ptr);
  }

  void Int(long v) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, v);
    out_.append(text, result.ptr);
  }

  // A coordinate on a sheet of some metres: half of them snapped to a
  // thousandth, the others computed points with all their digits.
  double Coord() {
    const double v = (Unit() - 0.25) * 8000.0;
    return Chance(500) ? static_cast<double>(static_cast<long>(v * 1000.0)) / 1000.0 : v;
  }

  void Header() {
    out_ += "file=C:\\JWW\\plan 1F.jww\r\n";
    out_ += "hk 0\r\n";
    out_ += "hs 50 50 50 50 100 100 100 100 1 1 1 1 1 1 1 1\r\n";
    out_ += "hzs 420 297\r\n";
    out_ += "hcw 2 2.5 3 4 5 6 7 8 10 1.5\r\n";
    out_ += "hch 2 2.5 3 4 5 6 7 8 10 1.5\r\n";
    out_ += "hcd 0 0 0.5 0.5 0.5 1 1 1 1 0\r\n";
    out_ += "hcc 1 1 2 2 3 3 4 4 5 5\r\n";
    out_ += "lg0\r\nly0\r\nlc1\r\nlt1\r\nlw1\r\npn1\r\ncn1\r\n";
  }

  void Attribute() {
    static constexpr char kHex[] = "0123456789ABCDEF";
    switch (rng_() % 8) {
      case 0:
        out_ += "lg";
        out_ += kHex[rng_() % 16];
        break;
      case 1:
        out_ += "ly";
        out_ += kHex[rng_() % 16];
        break;
      case 2:
      case 3:
        out_ += "lc";
        Int(1 + rng_() % 9);
        break;
      case 4:
        out_ += "lt";
        Int(1 + rng_() % 9);
        break;
      case 5:
        out_ += "lw";
        Int(rng_() % 4);
        break;
      case 6:
        out_ += "z3";
        break;
      default:
        out_ += "lc10 ";
        Int(rng_() % 256);
        break;
    }
    EndLine();
  }

  // A segment that often goes on from where the last one ended.
  void Segment() {
    if (!Chance(450)) {
      x_ = Coord();
      y_ = Coord();
    }
    const double x2 = x_ + (Unit() - 0.5) * 600.0;
    const double y2 = Chance(300) ? y_ : y_ + (Unit() - 0.5) * 600.0;
    Number(x_);
    Number(y_);
    Number(x2);
    Number(y2);
    EndLine();
    x_ = x2;
    y_ = y2;
  }

  // "pl", three to ten connected segments, "#"; returns the segments written.
  int Polyline(int room) {
    const int segments = static_cast<int>(3 + rng_() % 8);
    const int n = segments < room ? segments : room;
    out_ += "pl";
    EndLine();
    x_ = Coord();
    y_ = Coord();
    for (int i = 0; i < n; ++i) {
      const double x2 = x_ + (Unit() - 0.5) * 400.0;
      const double y2 = y_ + (Unit() - 0.5) * 400.0;
      Number(x_);
      Number(y_);
      Number(x2);
      Number(y2);
      EndLine();
      x_ = x2;
      y_ = y2;
    }
    out_ += "#";
    EndLine();
    return n;
  }

  // "ci cx cy r start end flat tilt" in degrees; a fifth are elliptical.
  void Arc() {
    out_ += "ci";
    Number(Coord());
    Number(Coord());
    Number(1.0 + Unit() * 500.0);
    Number(static_cast<double>(static_cast<long>(Unit() * 36000.0)) / 100.0);
    Number(Unit() * 360.0);
    const bool elliptical = Chance(200);
    Number(elliptical ? 0.25 + Unit() * 0.7 : 1.0);
    Number(elliptical ? Unit() * 180.0 : 0.0);
    EndLine();
  }

  void Solid() {
    const uint32_t r = rng_() % 125;
    if (r < 25) {
      SolidPolygon(2);
    } else if (r < 50) {
      SolidPolygon(3);
    } else if (r < 90) {
      SolidPolygon(4);
    } else {
      static constexpr const char* kRound[] = {"sc", "se", "so", "sg"};
      const uint32_t k = (r - 90) * 4 / 35;
      out_ += kRound[k];
      Number(Coord());
      Number(Coord());
      Number(1.0 + Unit() * 300.0);
      Number(Chance(700) ? 1.0 : 0.3 + Unit() * 0.6);
      Number(Chance(800) ? 0.0 : Unit() * kTwoPi);
      Number(Unit() * kTwoPi);
      Number(Unit() * kTwoPi);
      if (k < 2) {
        static constexpr long kFill[] = {100, 0, -1};
        out_ += ' ';
        Int(kFill[rng_() % 3]);
      } else {
        Number(Unit() * 100.0);
      }
      EndLine();
    }
  }

  // "sl" with two, three or four corners; now and then two of them coincide.
  void SolidPolygon(int corners) {
    double x[4], y[4];
    x[0] = Coord();
    y[0] = Coord();
    for (int i = 1; i < corners; ++i) {
      x[i] = x[i - 1] + (Unit() - 0.5) * 300.0;
      y[i] = y[i - 1] + (Unit() - 0.5) * 300.0;
    }
    if (corners > 2 && Chance(100)) {
      const int i = static_cast<int>(rng_() % static_cast<uint32_t>(corners));
      const int j = (i + 1) % corners;
      x[j] = x[i];
      y[j] = y[i];
    }
    out_ += "sl";
    for (int i = 0; i < corners; ++i) {
      Number(x[i]);
      Number(y[i]);
    }
    EndLine();
  }

  std::mt19937 rng_;
  std::function<void(std::string&)> flush_;
  std::string out_;
  double x_ = 0.0;
  double y_ = 0.0;
};

}  // namespace

std::string GenerateDrawing(int entities, uint32_t seed) {
  std::string drawing;
  DrawingWriter(seed, [&drawing](std::string& piece) {
    drawing += piece;
    piece.clear();
  }).Write(entities);
  return drawing;
}

bool WriteDrawing(const std::string& path, int entities, uint32_t seed) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = true;
  DrawingWriter(seed, [file, &ok](std::string& piece) {
    if (std::fwrite(piece.data(), 1, piece.size(), file) != piece.size()) ok = false;
    piece.clear();
  }).Write(entities);
  if (std::fclose(file) != 0) ok = false;
  if (!ok) std::remove(path.c_str());
  return ok;
}
