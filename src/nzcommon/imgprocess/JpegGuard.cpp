#include "nzcommon/imgprocess/JpegGuard.h"

#include <algorithm>
#include <array>

namespace velmora::imgprocess {

namespace {

constexpr int kMaxHuffmanCodes = 256;
constexpr int kMaxComponents = 4;

constexpr int kDht = 0xC4;
constexpr int kSof0 = 0xC0;
constexpr int kSof1 = 0xC1;
constexpr int kSof2 = 0xC2;  // progressive
constexpr int kEoi = 0xD9;
constexpr int kSos = 0xDA;
constexpr int kDqt = 0xDB;
constexpr int kDnl = 0xDC;
constexpr int kDri = 0xDD;
constexpr int kCom = 0xFE;

bool IsRestart(int marker) {
  return marker >= 0xD0 && marker <= 0xD7;
}
bool IsApplication(int marker) {
  return marker >= 0xE0 && marker <= 0xEF;
}

// The offset after the start-of-image marker, or 0 when the data is no JPEG. The decoder skips
// any number of fill bytes FF before the D8.
size_t JpegBody(const uint8_t *data, size_t size) {
  size_t start = 0;
  while (start < size && data[start] == 0xFF) ++start;
  if (start == 0 || start == size || data[start] != 0xD8) return 0;
  return start + 1;
}

// One DHT segment, read as the decoder reads it: tables of a class/id byte, 16 code counts and
// the code values, for as long as the segment length has bytes left; a table may run past the
// segment, and bytes past the data read as 0.
bool SegmentFits(const uint8_t *data, size_t size, size_t body, int64_t length) {
  size_t pos = body;
  while (length > 0) {
    int codes = 0;
    for (size_t i = pos + 1; i <= pos + 16; ++i) codes += i < size ? data[i] : 0;
    if (codes > kMaxHuffmanCodes) return false;
    pos += 17 + static_cast<size_t>(codes);
    length -= 17 + codes;
  }
  return true;
}

int64_t CeilDiv(int64_t a, int64_t b) {
  return (a + b - 1) / b;
}

struct Component {
  int id = 0;
  int h = 1;
  int v = 1;
  int quant = 0;
  bool coded = false;  // baseline: by a whole scan; progressive: by a whole first DC scan
};

// The segments in the decoder's order. Running out of data anywhere refuses the JPEG: the
// decoder would read zeros there.
class JpegWalk {
 public:
  JpegWalk(const uint8_t *data, size_t size, size_t pos) : data_(data), size_(size), pos_(pos) {}

  bool Run() {
    int marker = 0;
    if (!Marker(marker)) return false;
    // Before the frame the decoder skips stray bytes between segments.
    while (marker != kSof0 && marker != kSof1 && marker != kSof2) {
      if (!TableSegment(marker) || !MarkerAfterStrayBytes(marker)) return false;
    }
    if (!Frame(marker) || !Marker(marker)) return false;
    while (marker != kEoi) {
      if (marker == kSos) {
        if (!Scan(marker)) return false;
        continue;
      }
      if (marker == kDnl) {
        int length = 0;
        int lines = 0;
        if (!Word(length) || !Word(lines) || length != 4 || lines != height_) return false;
      } else if (!TableSegment(marker)) {
        return false;
      }
      if (!Marker(marker)) return false;
    }
    // Progressive data is dequantised at the end, with the tables as they are then.
    for (int i = 0; i < count_; ++i) {
      const Component &c = components_[i];
      if (!c.coded || (progressive_ && !quant_[c.quant])) return false;
    }
    return true;
  }

 private:
  bool Byte(int &value) {
    if (pos_ >= size_) return false;
    value = data_[pos_++];
    return true;
  }
  bool Word(int &value) {
    int high = 0;
    int low = 0;
    if (!Byte(high) || !Byte(low)) return false;
    value = high << 8 | low;
    return true;
  }
  bool Skip(int64_t count) {
    if (count < 0 || static_cast<uint64_t>(count) > size_ - pos_) return false;
    pos_ += static_cast<size_t>(count);
    return true;
  }

  // FF, any fill bytes FF, then the marker.
  bool Marker(int &marker) {
    int byte = 0;
    if (!Byte(byte) || byte != 0xFF) return false;
    do {
      if (!Byte(byte)) return false;
    } while (byte == 0xFF);
    marker = byte;
    return true;
  }
  bool MarkerAfterStrayBytes(int &marker) {
    int byte = 0;
    do {
      if (!Byte(byte)) return false;
    } while (byte != 0xFF);
    --pos_;
    return Marker(marker);
  }

  // DQT, DHT, DRI, APPn and COM: what the decoder takes outside the frame and the scans.
  bool TableSegment(int marker) {
    int length = 0;
    if (!Word(length)) return false;
    if (marker == kDqt || marker == kDht) {
      int left = length - 2;
      while (left > 0) {
        int kind = 0;
        if (!Byte(kind)) return false;
        const int high = kind >> 4;
        const int id = kind & 15;
        if (id > 3) return false;
        if (marker == kDqt) {
          if (high > 1 || !Skip(high != 0 ? 128 : 64)) return false;
          left -= high != 0 ? 129 : 65;
          quant_[id] = true;
          continue;
        }
        int codes = 0;
        for (int i = 0; i < 16; ++i) {
          int count = 0;
          if (!Byte(count)) return false;
          codes += count;
        }
        if (high > 1 || codes > kMaxHuffmanCodes || !Skip(codes)) return false;
        left -= 17 + codes;
        (high != 0 ? ac_ : dc_)[id] = true;
      }
      return left == 0;
    }
    if (marker == kDri) return length == 4 && Word(restart_interval_);
    if (IsApplication(marker) || marker == kCom) return length >= 2 && Skip(length - 2);
    return false;
  }

  bool Frame(int marker) {
    progressive_ = marker == kSof2;
    int length = 0;
    int precision = 0;
    if (!Word(length) || !Byte(precision) || !Word(height_) || !Word(width_) || !Byte(count_)) {
      return false;
    }
    if (precision != 8 || height_ == 0 || width_ == 0 ||
        (count_ != 1 && count_ != 3 && count_ != 4) || length != 8 + 3 * count_) {
      return false;
    }
    for (int i = 0; i < count_; ++i) {
      Component &c = components_[i];
      int sampling = 0;
      if (!Byte(c.id) || !Byte(sampling) || !Byte(c.quant)) return false;
      c.h = sampling >> 4;
      c.v = sampling & 15;
      if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || c.quant > 3) return false;
      h_max_ = std::max(h_max_, c.h);
      v_max_ = std::max(v_max_, c.v);
    }
    for (int i = 0; i < count_; ++i) {
      if (h_max_ % components_[i].h != 0 || v_max_ % components_[i].v != 0) return false;
    }
    return true;
  }

  // One scan: its header, what it reads, its entropy-coded data up to the marker after it.
  bool Scan(int &next) {
    int length = 0;
    int members = 0;
    if (!Word(length) || !Byte(members)) return false;
    if (members < 1 || members > count_ || length != 6 + 2 * members) return false;
    std::array<int, kMaxComponents> member{};
    std::array<int, kMaxComponents> dc_table{};
    std::array<int, kMaxComponents> ac_table{};
    for (int i = 0; i < members; ++i) {
      int id = 0;
      int tables = 0;
      if (!Byte(id) || !Byte(tables)) return false;
      // The decoder takes the first component with the id.
      int which = 0;
      while (which < count_ && components_[which].id != id) ++which;
      if (which == count_) return false;
      member[i] = which;
      dc_table[i] = tables >> 4;
      ac_table[i] = tables & 15;
      if (dc_table[i] > 3 || ac_table[i] > 3) return false;
    }
    int first = 0;
    int last = 0;
    int approximation = 0;
    if (!Byte(first) || !Byte(last) || !Byte(approximation)) return false;
    const int high = approximation >> 4;
    const int low = approximation & 15;
    if (progressive_) {
      if (first > 63 || last > 63 || first > last || high > 13 || low > 13) return false;
      // The decoder codes DC alone, and AC one component at a time.
      if ((first == 0 && last != 0) || (first != 0 && members != 1)) return false;
    } else if (first != 0 || high != 0 || low != 0) {
      return false;
    }
    for (int i = 0; i < members; ++i) {
      const Component &c = components_[member[i]];
      if (!progressive_) {
        if (!dc_[dc_table[i]] || !ac_[ac_table[i]] || !quant_[c.quant]) return false;
      } else if (first == 0 && high == 0) {
        if (!dc_[dc_table[i]]) return false;
      } else if (!c.coded || (first != 0 && !ac_[ac_table[i]])) {
        // Refinements and AC bands build on the first DC scan, which clears the blocks.
        return false;
      }
    }
    int64_t restarts = 0;
    if (!EntropyCodedData(restarts, next)) return false;
    // Without a restart marker where an interval ends, the decoder stops the scan there and
    // leaves the remaining blocks as it found them.
    if (restart_interval_ > 0) {
      const int64_t units = members == 1 ? BlocksOf(components_[member[0]]) : Mcus();
      if (restarts < CeilDiv(units, restart_interval_) - 1) return false;
    }
    if (!progressive_ || (first == 0 && high == 0)) {
      for (int i = 0; i < members; ++i) components_[member[i]].coded = true;
    }
    return true;
  }

  // Skips the coded bytes (stuffed FF 00, fill bytes, restart markers) and counts the restart
  // markers; `next` is the marker that ends the data.
  bool EntropyCodedData(int64_t &restarts, int &next) {
    for (;;) {
      int byte = 0;
      if (!Byte(byte)) return false;
      if (byte != 0xFF) continue;
      do {
        if (!Byte(byte)) return false;
      } while (byte == 0xFF);
      if (byte == 0x00) continue;
      if (IsRestart(byte)) {
        ++restarts;
        continue;
      }
      next = byte;
      return true;
    }
  }

  // The blocks a scan of this component alone codes, and the MCUs of an interleaved scan.
  int64_t BlocksOf(const Component &c) const {
    const int64_t x = CeilDiv(int64_t{width_} * c.h, h_max_);
    const int64_t y = CeilDiv(int64_t{height_} * c.v, v_max_);
    return CeilDiv(x, 8) * CeilDiv(y, 8);
  }
  int64_t Mcus() const { return CeilDiv(width_, 8 * h_max_) * CeilDiv(height_, 8 * v_max_); }

  const uint8_t *data_;
  size_t size_;
  size_t pos_;
  std::array<bool, 4> quant_{};
  std::array<bool, 4> dc_{};
  std::array<bool, 4> ac_{};
  int restart_interval_ = 0;
  bool progressive_ = false;
  int width_ = 0;
  int height_ = 0;
  int h_max_ = 1;
  int v_max_ = 1;
  int count_ = 0;
  std::array<Component, kMaxComponents> components_{};
};

}  // namespace

bool JpegHuffmanTablesFit(const uint8_t *data, size_t size) {
  const size_t body = JpegBody(data, size);
  if (body == 0) return true;  // not a JPEG
  for (size_t i = body; i + 4 <= size; ++i) {
    if (data[i] != 0xFF || data[i + 1] != kDht) continue;
    const int64_t length = (int64_t{data[i + 2]} << 8) | data[i + 3];
    if (!SegmentFits(data, size, i + 4, length - 2)) return false;
  }
  return true;
}

bool JpegIsSafeToDecode(const uint8_t *data, size_t size) {
  const size_t body = JpegBody(data, size);
  if (body == 0) return true;  // not a JPEG
  return JpegHuffmanTablesFit(data, size) && JpegWalk(data, size, body).Run();
}

}  // namespace velmora::imgprocess
