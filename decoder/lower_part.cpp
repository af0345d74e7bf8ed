#include "decoder/lower_part.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The header is copied into the new stream; a picture whose header is this large
// (thumbnails and metadata) is decoded in one piece instead.
constexpr long long kMaxHeaderBytes = 1 << 20;

// What the next 12 bits of a block's AC codes hold, worked out once per table: as many
// whole codes (with their value bits) as fit, and how far they move on. Reading codes one
// at a time costs as much as libjpeg's whole decode; most codes with their values are 3
// to 6 bits, so one look-up takes two or three.
constexpr int kLookBits = 12;
struct CodeRun {
  static constexpr std::uint32_t kValid = 1U << 31;
  static std::uint32_t Pack(int bits, int prefix, int lastAdvance, bool lastEnds, int firstBits,
                            int firstAdvance, bool firstEnds) {
    return static_cast<std::uint32_t>(bits) | static_cast<std::uint32_t>(prefix) << 5 |
           static_cast<std::uint32_t>(lastAdvance) << 13 | static_cast<std::uint32_t>(lastEnds) << 18 |
           static_cast<std::uint32_t>(firstBits) << 19 | static_cast<std::uint32_t>(firstAdvance) << 24 |
           static_cast<std::uint32_t>(firstEnds) << 29 | kValid;
  }
  static int Bits(std::uint32_t e) { return e & 31; }
  // Coefficients moved on by every code but the last.
  static int Prefix(std::uint32_t e) { return (e >> 5) & 255; }
  static int LastAdvance(std::uint32_t e) { return (e >> 13) & 31; }
  static bool LastEnds(std::uint32_t e) { return (e >> 18) & 1; }
  static int FirstBits(std::uint32_t e) { return (e >> 19) & 31; }
  static int FirstAdvance(std::uint32_t e) { return (e >> 24) & 31; }
  static bool FirstEnds(std::uint32_t e) { return (e >> 29) & 1; }
};

// Huffman decoding as libjpeg does it: canonical codes, a 9-bit look-up for the short ones
// and the longest code of each length for the rest.
struct DecodeTable {
  std::uint16_t look[512];  // length << 8 | symbol; 0 when the code is longer
  std::int32_t maxCode[18];
  std::int32_t valueOffset[17];
  std::uint8_t values[256];
  std::uint32_t runs[1 << kLookBits];  // AC tables only

  bool Make(const JHUFF_TBL& table) {
    std::memset(look, 0, sizeof look);
    int code = 0, k = 0;
    for (int length = 1; length <= 16; ++length) {
      valueOffset[length] = k - code;
      const int count = table.bits[length];
      for (int i = 0; i < count; ++i, ++k, ++code) {
        if (k >= 256) return false;
        values[k] = table.huffval[k];
        if (length <= 9)
          for (int fill = 0; fill < (1 << (9 - length)); ++fill)
            look[(code << (9 - length)) | fill] = static_cast<std::uint16_t>((length << 8) | table.huffval[k]);
      }
      maxCode[length] = count ? code - 1 : -1;
      if (code > (1 << length)) return false;
      code <<= 1;
    }
    maxCode[17] = 0x7fffffff;
    return true;
  }

  void MakeRuns() {
    constexpr unsigned kMask = (1U << kLookBits) - 1;
    for (unsigned i = 0; i <= kMask; ++i) {
      int used = 0, count = 0, prefix = 0, lastAdvance = 0, firstBits = 0, firstAdvance = 0;
      bool lastEnds = false, firstEnds = false;
      while (!lastEnds) {
        // The code's bits must all lie inside the look-up; the padding is not data.
        const unsigned entry = look[((i << used) & kMask) >> (kLookBits - 9)];
        if (!entry) break;
        const int length = static_cast<int>(entry >> 8), run = (entry >> 4) & 15, size = entry & 15;
        if (used + length + size > kLookBits) break;
        const int advance = size ? run + 1 : (run == 15 ? 16 : 0);
        const bool ends = !size && run != 15;
        if (count == 0) {
          firstBits = length + size;
          firstAdvance = advance;
          firstEnds = ends;
        } else {
          prefix += lastAdvance;
        }
        lastAdvance = advance;
        lastEnds = ends;
        used += length + size;
        ++count;
      }
      runs[i] = count ? CodeRun::Pack(used, prefix, lastAdvance, lastEnds, firstBits, firstAdvance, firstEnds) : 0;
    }
  }
};

// The file read in large pieces, keeping the last few bytes of the piece before so that
// the reader can step back over what its bit buffer holds.
class ChunkReader {
 public:
  static constexpr std::size_t kKeep = 32, kChunk = 65536;
  ChunkReader(std::FILE* file, long long offset)
      : next(nullptr), end(nullptr), file_(file), buffer_(kKeep + kChunk, 0), base_(offset) {
    next = end = buffer_.data() + kKeep;
  }
  bool Start() { return std::fseek(file_, static_cast<long>(base_), SEEK_SET) == 0; }
  // The next piece, once the current one is used up; false at the end of the file.
  bool Refill() {
    std::uint8_t* data = buffer_.data() + kKeep;
    const std::size_t used = static_cast<std::size_t>(end - data);
    if (used >= kKeep) std::memmove(buffer_.data(), end - kKeep, kKeep);
    base_ += static_cast<long long>(used);
    const std::size_t got = std::fread(data, 1, kChunk, file_);
    next = data;
    end = data + got;
    return got > 0;
  }
  long long Offset(const std::uint8_t* at) const { return base_ + (at - (buffer_.data() + kKeep)); }

  const std::uint8_t* next;
  const std::uint8_t* end;

 private:
  std::FILE* file_;
  std::vector<std::uint8_t> buffer_;
  long long base_;
};

// Entropy-coded bits with the stuffed zero after each 0xFF taken out. A marker inside the
// upper rows means the picture is damaged or cut short there: the read fails.
class BitReader {
 public:
  explicit BitReader(ChunkReader& in) : in_(in) {}
  bool failed = false;

  // At least 56 bits in hand.
  void Fill() {
    if (in_.end - in_.next >= 8) {
      std::uint64_t x;
      std::memcpy(&x, in_.next, 8);
      const std::uint64_t y = ~x;
      if (!((y - 0x0101010101010101ULL) & ~y & 0x8080808080808080ULL)) {  // no 0xFF
        const int take = (63 - count_) >> 3;
        x = __builtin_bswap64(x);
        bits_ = (bits_ << (8 * take)) | (x >> (64 - 8 * take));
        count_ += 8 * take;
        in_.next += take;
        return;
      }
    }
    while (count_ <= 55) {
      int byte = Next();
      if (byte == 0xFF && Next() != 0) failed = true;
      if (byte < 0) failed = true;
      if (failed) byte = 0;
      bits_ = (bits_ << 8) | static_cast<unsigned>(byte);
      count_ += 8;
    }
  }
  unsigned Peek(int n) const { return static_cast<unsigned>(bits_ >> (count_ - n)) & ((1U << n) - 1); }
  void Drop(int n) { count_ -= n; }
  int Count() const { return count_; }

  // Where the next bit not yet used lies: the file offset of its byte (a stuffed 0xFF
  // counts as the first of its two bytes) and the bit in it, counted from the top.
  void Position(long long* offset, int* bit) const {
    const std::uint8_t* at = in_.next;
    for (int back = (count_ + 7) / 8; back > 0; --back) at -= (at[-1] == 0 && at[-2] == 0xFF) ? 2 : 1;
    *offset = in_.Offset(at);
    *bit = (8 - count_ % 8) % 8;
  }

 private:
  int Next() {
    if (in_.next == in_.end && !in_.Refill()) return -1;
    return *in_.next++;
  }
  ChunkReader& in_;
  std::uint64_t bits_ = 0;
  int count_ = 0;
};

int DecodeSymbol(BitReader& in, const DecodeTable& table) {
  const unsigned entry = table.look[in.Peek(9)];
  if (entry) {
    in.Drop(static_cast<int>(entry >> 8));
    return entry & 0xFF;
  }
  const unsigned code = in.Peek(16);
  for (int length = 10; length <= 16; ++length) {
    const int c = static_cast<int>(code >> (16 - length));
    if (c <= table.maxCode[length]) {
      in.Drop(length);
      return table.values[c + table.valueOffset[length]];
    }
  }
  return -1;  // libjpeg warns of a bad code, which refuses the picture
}

// Reads the codes of one block as libjpeg does (a code moves on by its run of zeros and
// one, a run of sixteen zeros by sixteen, and the block ends at the 64th coefficient or at
// the end-of-block code), keeping only the DC difference.
bool ReadBlock(BitReader& in, const DecodeTable& dc, const DecodeTable& ac, int* dcValue) {
  if (in.Count() < 32) in.Fill();
  const int size = DecodeSymbol(in, dc);
  if (size < 0 || size > 15) return false;
  if (size) {
    int value = static_cast<int>(in.Peek(size));
    in.Drop(size);
    if (value < (1 << (size - 1))) value -= (1 << size) - 1;
    // As libjpeg does: a damaged picture can run the sum past the range of an int.
    *dcValue = static_cast<int>(static_cast<unsigned>(*dcValue) + static_cast<unsigned>(value));
  }
  for (int k = 1; k < 64;) {
    if (in.Count() < 32) in.Fill();
    const std::uint32_t run = ac.runs[in.Peek(kLookBits)];
    if (run) {
      // All the codes when every one before the last starts inside the block.
      if (k + CodeRun::Prefix(run) < 64) {
        in.Drop(CodeRun::Bits(run));
        if (CodeRun::LastEnds(run)) break;
        k += CodeRun::Prefix(run) + CodeRun::LastAdvance(run);
      } else {
        in.Drop(CodeRun::FirstBits(run));
        if (CodeRun::FirstEnds(run)) break;
        k += CodeRun::FirstAdvance(run);
      }
      continue;
    }
    const int symbol = DecodeSymbol(in, ac);
    if (symbol < 0) return false;
    const int zeros = symbol >> 4, bits = symbol & 15;
    if (bits) {
      in.Drop(bits);
      k += zeros + 1;
    } else if (zeros == 15) {
      k += 16;
    } else {
      break;
    }
  }
  return !in.failed;
}

struct Code {
  unsigned bits = 0;
  int length = 0;  // 0: the table has no such symbol
};

void MakeCodes(const JHUFF_TBL& table, Code (&codes)[256]) {
  unsigned code = 0;
  int k = 0;
  for (int length = 1; length <= 16; ++length) {
    for (int i = 0; i < table.bits[length] && k < 256; ++i, ++k, ++code)
      codes[table.huffval[k]] = {code, length};
    code <<= 1;
  }
}

// Bits written as JPEG wants them: 0xFF followed by a stuffed zero.
class BitWriter {
 public:
  explicit BitWriter(std::vector<JOCTET>* out) : out_(out) {}
  void Put(unsigned value, int length) {
    total_ += length;
    for (int i = length - 1; i >= 0; --i) {
      pending_ = (pending_ << 1) | ((value >> i) & 1);
      if (++count_ == 8) {
        Byte(pending_);
        pending_ = 0;
        count_ = 0;
      }
    }
  }
  void Byte(unsigned byte) {
    out_->push_back(static_cast<JOCTET>(byte));
    if (byte == 0xFF) out_->push_back(0);
  }
  long long Total() const { return total_; }
  unsigned Pending() const { return pending_; }  // the last `Total() % 8` bits

 private:
  std::vector<JOCTET>* out_;
  unsigned pending_ = 0;
  int count_ = 0;
  long long total_ = 0;
};

int Category(int value) {
  unsigned magnitude = static_cast<unsigned>(value < 0 ? -value : value);
  int size = 0;
  for (; magnitude; magnitude >>= 1) ++size;
  return size;
}

struct Codes {
  Code dc[NUM_HUFF_TBLS][256];
  Code ac[NUM_HUFF_TBLS][256];
};

// Coefficients of one kind put into a block of the made-up row, to bring its length to
// the bit where the file's data take up.
struct Padding {
  int block = -1;  // within the first MCU
  int symbol = 0;
  int count = 0;
};

// The made-up row: every block flat, except that the first block of each component moves
// the component's DC value to where the file's data take up, and the padding.
bool WriteRow(const ScanLayout& layout, const Codes& codes, const int* predictor,
              const Padding& padding, BitWriter& out) {
  bool moved[4] = {};
  for (int mcu = 0; mcu < layout.mcusPerRow; ++mcu) {
    for (int b = 0; b < layout.blocks; ++b) {
      const int component = layout.blockComponent[b];
      const int value = moved[component] ? 0 : predictor[component];
      moved[component] = true;
      const int size = Category(value);
      if (size > 11) return false;
      const Code& dc = codes.dc[layout.blockDc[b]][size];
      if (!dc.length) return false;
      out.Put(dc.bits, dc.length);
      if (size) out.Put(static_cast<unsigned>(value < 0 ? value - 1 : value) & ((1U << size) - 1), size);
      const Code(&ac)[256] = codes.ac[layout.blockAc[b]];
      if (mcu == 0 && b == padding.block) {
        const Code& pad = ac[padding.symbol];
        const int bits = padding.symbol & 15;
        for (int i = 0; i < padding.count; ++i) {
          out.Put(pad.bits, pad.length);
          out.Put(1U << (bits - 1), bits);
        }
      }
      if (!ac[0].length) return false;  // no end-of-block code
      out.Put(ac[0].bits, ac[0].length);
    }
  }
  return true;
}

// The copy of the header, its height made the new stream's.
bool PatchHeight(std::vector<JOCTET>& head, int height) {
  std::size_t at = 2;
  while (at + 4 <= head.size()) {
    if (head[at] != 0xFF) return false;
    std::size_t marker = at + 1;
    while (marker < head.size() && head[marker] == 0xFF) ++marker;
    if (marker + 2 >= head.size()) return false;
    const int code = head[marker];
    const std::size_t length = (static_cast<std::size_t>(head[marker + 1]) << 8) | head[marker + 2];
    if (code == 0xC0 || code == 0xC1) {
      if (length < 8 || marker + 5 >= head.size()) return false;
      head[marker + 4] = static_cast<JOCTET>(height >> 8);
      head[marker + 5] = static_cast<JOCTET>(height);
      return true;
    }
    if (code == 0xDA || length < 2) return false;
    at = marker + 1 + length;
  }
  return false;
}

}  // namespace

bool MakeScanLayout(const jpeg_decompress_struct& cinfo, long long dataOffset, ScanLayout* layout) {
  if (cinfo.progressive_mode || cinfo.arith_code || cinfo.restart_interval != 0 ||
      cinfo.data_precision != 8 || cinfo.comps_in_scan != cinfo.num_components ||
      (cinfo.num_components != 1 && cinfo.num_components != 3) || dataOffset < 4 ||
      dataOffset > kMaxHeaderBytes)
    return false;
  int maxH = 1, maxV = 1;
  for (int c = 0; c < cinfo.num_components; ++c) {
    maxH = std::max(maxH, cinfo.comp_info[c].h_samp_factor);
    maxV = std::max(maxV, cinfo.comp_info[c].v_samp_factor);
  }
  // A single component is coded a block at a time, whatever its sampling says.
  if (cinfo.num_components == 1 && (maxH != 1 || maxV != 1)) return false;
  ScanLayout l;
  for (int i = 0; i < cinfo.comps_in_scan; ++i) {
    const jpeg_component_info* comp = cinfo.cur_comp_info[i];
    if (comp->dc_tbl_no < 0 || comp->dc_tbl_no >= NUM_HUFF_TBLS || comp->ac_tbl_no < 0 ||
        comp->ac_tbl_no >= NUM_HUFF_TBLS)
      return false;
    const JHUFF_TBL* dc = cinfo.dc_huff_tbl_ptrs[comp->dc_tbl_no];
    const JHUFF_TBL* ac = cinfo.ac_huff_tbl_ptrs[comp->ac_tbl_no];
    if (!dc || !ac) return false;
    l.dc[comp->dc_tbl_no] = *dc;
    l.ac[comp->ac_tbl_no] = *ac;
    for (int n = comp->h_samp_factor * comp->v_samp_factor; n > 0; --n, ++l.blocks) {
      if (l.blocks >= 10) return false;
      l.blockComponent[l.blocks] = i;
      l.blockDc[l.blocks] = comp->dc_tbl_no;
      l.blockAc[l.blocks] = comp->ac_tbl_no;
    }
  }
  l.mcuHeight = 8 * maxV;
  l.height = static_cast<int>(cinfo.image_height);
  l.mcusPerRow = static_cast<int>((cinfo.image_width + 8 * maxH - 1) / (8 * maxH));
  l.mcuRows = (l.height + l.mcuHeight - 1) / l.mcuHeight;
  l.dataOffset = dataOffset;
  *layout = l;
  return true;
}

bool ScanRows(std::FILE* file, const ScanLayout& layout, const std::function<bool(int row)>& enough,
              const std::atomic<bool>& stop, std::vector<RowEntry>* entries) {
  auto dc = std::make_unique<DecodeTable[]>(NUM_HUFF_TBLS);
  auto ac = std::make_unique<DecodeTable[]>(NUM_HUFF_TBLS);
  bool made[2][NUM_HUFF_TBLS] = {};
  for (int b = 0; b < layout.blocks; ++b) {
    const int d = layout.blockDc[b], a = layout.blockAc[b];
    if (!made[0][d] && !dc[d].Make(layout.dc[d])) return false;
    if (!made[1][a] && !ac[a].Make(layout.ac[a])) return false;
    if (!made[1][a]) ac[a].MakeRuns();
    made[0][d] = made[1][a] = true;
  }

  ChunkReader chunks(file, layout.dataOffset);
  if (!chunks.Start()) return false;
  BitReader in(chunks);
  RowEntry entry;
  entries->clear();
  for (int row = 0; row < layout.mcuRows; ++row) {
    if (stop.load(std::memory_order_relaxed)) return false;
    in.Position(&entry.offset, &entry.bit);
    entries->push_back(entry);
    if (row > 0 && enough(row)) return true;
    for (int mcu = 0; mcu < layout.mcusPerRow; ++mcu)
      for (int b = 0; b < layout.blocks; ++b)
        if (!ReadBlock(in, dc[layout.blockDc[b]], ac[layout.blockAc[b]],
                       &entry.predictor[layout.blockComponent[b]]))
          return false;
  }
  return false;
}

bool MakeLowerPart(std::FILE* file, const ScanLayout& layout, int firstRow, const RowEntry& entry,
                   LowerPart* part) {
  if (firstRow < 1 || firstRow >= layout.mcuRows) return false;
  const long long offset = entry.offset;
  const int bit = entry.bit;
  const int* predictor = entry.predictor;
  std::vector<JOCTET>& head = part->head;
  head.resize(static_cast<std::size_t>(layout.dataOffset));
  if (std::fseek(file, 0, SEEK_SET) != 0 ||
      std::fread(head.data(), 1, head.size(), file) != head.size())
    return false;
  if (!PatchHeight(head, layout.height - (firstRow - 1) * layout.mcuHeight)) return false;
  // The byte where the file's data take up, and where the rest of them start.
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) return false;
  const int joining = std::fgetc(file);
  if (joining < 0 || (joining == 0xFF && std::fgetc(file) != 0)) return false;
  part->tailOffset = bit == 0 ? offset : offset + (joining == 0xFF ? 2 : 1);

  auto codes = std::make_unique<Codes>();
  for (int t = 0; t < NUM_HUFF_TBLS; ++t) {
    MakeCodes(layout.dc[t], codes->dc[t]);
    MakeCodes(layout.ac[t], codes->ac[t]);
  }
  // The row's length as it stands, then the first padding that brings it to `bit`: at
  // most seven codes of a kind, each moving on by at most eight coefficients, so that
  // the block stays open for its end-of-block code.
  std::vector<JOCTET> scratch;
  BitWriter dry(&scratch);
  if (!WriteRow(layout, *codes, predictor, Padding{}, dry)) return false;
  Padding padding;
  for (int b = 0; b < layout.blocks && padding.block < 0; ++b) {
    const Code(&ac)[256] = codes->ac[layout.blockAc[b]];
    for (int symbol = 1; symbol < 0x80 && padding.block < 0; ++symbol) {
      if (!(symbol & 15) || !ac[symbol].length) continue;
      const int cost = ac[symbol].length + (symbol & 15);
      for (int count = 0; count < 8; ++count)
        if ((dry.Total() + static_cast<long long>(count) * cost) % 8 == bit) {
          padding = {b, symbol, count};
          break;
        }
    }
  }
  if (padding.block < 0) return false;
  BitWriter out(&head);
  if (!WriteRow(layout, *codes, predictor, padding, out)) return false;
  if (bit != 0) {
    const unsigned low = (1U << (8 - bit)) - 1;
    out.Byte((out.Pending() << (8 - bit)) | (static_cast<unsigned>(joining) & low));
  }
  return true;
}

bool FindLowerPart(std::FILE* file, const ScanLayout& layout, int firstRow,
                   const std::atomic<bool>& stop, LowerPart* part) {
  if (firstRow < 1 || firstRow >= layout.mcuRows) return false;
  std::vector<RowEntry> entries;
  return ScanRows(file, layout, [firstRow](int row) { return row == firstRow; }, stop, &entries) &&
         MakeLowerPart(file, layout, firstRow, entries.back(), part) &&
         !stop.load(std::memory_order_relaxed);
}
