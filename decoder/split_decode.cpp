#include "decoder/split_decode.h"

#include <algorithm>
#include <system_error>
#include <vector>

#include "platform/paths.h"

namespace {

// Below this many pixels a picture decodes in a few milliseconds: a thread and a second
// look at its file would cost more than they save.
constexpr long long kSplitPixels = 2'000'000;

// The second decoder's stream costs it two rows of MCUs more than the rows it keeps (the
// made-up row and the one libjpeg smooths with), and its start about as much again.
constexpr int kLowerExtraMcuRows = 4;

}  // namespace

LowerRows::~LowerRows() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
}

bool LowerRows::Worthwhile(const jpeg_decompress_struct& upper) {
  return static_cast<long long>(upper.image_width) * upper.image_height >= kSplitPixels &&
         std::thread::hardware_concurrency() >= 2;
}

bool LowerRows::Start(const std::string& path, const jpeg_decompress_struct& upper,
                      const ScanLayout& layout, long scans, int targetWidth, int targetHeight,
                      RowDestination* out) {
  path_ = path;
  layout_ = layout;
  scans_ = scans;
  output_ = {upper.scale_num, upper.scale_denom, upper.out_color_space, upper.dct_method,
             upper.do_fancy_upsampling, static_cast<int>(upper.output_width),
             static_cast<int>(upper.output_height)};
  rowsPerMcuRow_ = upper.max_v_samp_factor * upper.min_DCT_scaled_size;
  if (rowsPerMcuRow_ < 1 || upper.quantize_colors) return false;

  targetWidth_ = targetWidth;
  targetHeight_ = targetHeight;
  channels_ = upper.output_components;
  out_ = out;
  try {
    thread_ = std::thread(&LowerRows::Run, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

int LowerRows::RowsAllowed(int next, int wanted) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (state_ == State::Decoding || state_ == State::Done) wanted = std::min(wanted, splitRow_ - next);
  wanted = std::max(wanted, 0);
  upperNext_ = next + wanted;
  return wanted;
}

bool LowerRows::Finish() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return state_ == State::Done || state_ == State::Failed; });
  return state_ == State::Done;
}

// Called by the code reader at the start of each row of MCUs it reaches, while the first
// decoder goes on. The split is not fixed beforehand: how far the reader gets while the
// first decoder decodes depends on how the two threads share the machine. The second
// takes over the rows below this one once there are no more of them (with its stream's
// own cost) than the first decoder still has to go to reach them: both decoders then have
// as much left, and they go at about the same pace side by side.
bool LowerRows::SplitHere(int mcuRow) {
  if (TooLate(mcuRow)) return true;
  const int split = (mcuRow + 1) * rowsPerMcuRow_;
  std::lock_guard<std::mutex> lock(mutex_);
  return RowsBelow(mcuRow) <= split - upperNext_;
}

// The rows the second decoder would decode from this row of MCUs down, its stream's own
// cost included.
int LowerRows::RowsBelow(int mcuRow) const {
  return output_.height - (mcuRow + 1) * rowsPerMcuRow_ + kLowerExtraMcuRows * rowsPerMcuRow_;
}

// So near the end the first decoder is about as quick on its own.
bool LowerRows::TooLate(int mcuRow) const {
  return RowsBelow(mcuRow) <= 2 * kLowerExtraMcuRows * rowsPerMcuRow_;
}

void LowerRows::Run() {
  LowerPart part;
  std::vector<RowEntry> entries;
  std::FILE* file = std::fopen(NativePath(path_).c_str(), "rb");
  int row = 0;
  bool found = file && ScanRows(file, layout_, [&](int at) { return SplitHere(row = at); }, stop_, &entries) &&
               !TooLate(row);
  if (found) {
    resampler_.Start(output_.width, output_.height, channels_, targetWidth_, targetHeight_, out_,
                     (row + 1) * rowsPerMcuRow_);
    firstKept_ = resampler_.FirstRowNeeded();
    // The lower stream starts a row of MCUs above the first row it keeps: libjpeg smooths
    // the top rows of a stream's first real MCU row with what lies above them.
    firstMcuRow_ = firstKept_ / rowsPerMcuRow_ - 1;
    found = firstMcuRow_ >= 1 && firstMcuRow_ <= row &&
            MakeLowerPart(file, layout_, firstMcuRow_, entries[static_cast<std::size_t>(firstMcuRow_)], &part);
  }
  {
    // The rows are the second decoder's only while the first has not read into them.
    std::lock_guard<std::mutex> lock(mutex_);
    splitRow_ = (row + 1) * rowsPerMcuRow_;
    state_ = found && upperNext_ <= splitRow_ ? State::Decoding : State::Failed;
    found = state_ == State::Decoding;
  }
  const bool done = found && DecodeLower(file, part);
  if (file) std::fclose(file);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = done ? State::Done : State::Failed;
  }
  changed_.notify_all();
}

namespace {
// The lower decoder's libjpeg, released whichever way its decode ends.
struct LowerJob {
  jpeg_decompress_struct cinfo{};
  ErrorManager err{};
  Progress progress{};
  FileSource source;
  std::vector<JSAMPLE> rows;  // room for eight decoded rows
  bool created = false;
  ~LowerJob() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

// Every libjpeg error lands back here through the longjmp; nothing in this frame is
// changed after setjmp except through `job`.
bool RunLower(LowerJob* job, std::FILE* file, const LowerPart& part, long scans,
              const LowerOutput& output, int rowOffset, int firstKept,
              const std::atomic<bool>& stop, RowResampler& resampler) {
  jpeg_decompress_struct* cinfo = &job->cinfo;
  UseErrorManager(cinfo, &job->err);
  if (setjmp(job->err.jump)) return false;
  jpeg_create_decompress(cinfo);
  job->created = true;
  job->progress.scans = scans;
  job->progress.Attach(cinfo);
  if (std::fseek(file, static_cast<long>(part.tailOffset), SEEK_SET) != 0) return false;
  job->source.Attach(cinfo, file, &part.head);
  jpeg_read_header(cinfo, TRUE);
  cinfo->scale_num = output.scaleNum;
  cinfo->scale_denom = output.scaleDenom;
  cinfo->out_color_space = output.colorSpace;
  cinfo->dct_method = output.dct;
  cinfo->do_fancy_upsampling = output.fancyUpsampling;
  jpeg_start_decompress(cinfo);
  if (static_cast<int>(cinfo->output_width) != output.width ||
      static_cast<int>(cinfo->output_height) + rowOffset != output.height)
    return false;
  const std::size_t stride = static_cast<std::size_t>(output.width) * cinfo->output_components;
  job->rows.resize(stride * 8);
  while (cinfo->output_scanline < cinfo->output_height) {
    if (stop.load(std::memory_order_relaxed)) return false;
    JSAMPROW at[8];
    for (int i = 0; i < 8; ++i) at[i] = job->rows.data() + stride * static_cast<std::size_t>(i);
    const int first = static_cast<int>(cinfo->output_scanline) + rowOffset;
    const JDIMENSION got = jpeg_read_scanlines(cinfo, at, 8);
    for (JDIMENSION i = 0; i < got; ++i)
      if (first + static_cast<int>(i) >= firstKept) resampler.Push(at[i]);
  }
  jpeg_finish_decompress(cinfo);
  return true;
}
}  // namespace

bool LowerRows::DecodeLower(std::FILE* file, const LowerPart& part) {
  LowerJob job;
  return RunLower(&job, file, part, scans_, output_, (firstMcuRow_ - 1) * rowsPerMcuRow_, firstKept_,
                  stop_, resampler_);
}
