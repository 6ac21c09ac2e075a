// Image printing end to end: a 576 x 4000 photographic PNG decoded, scaled to 576 wide, turned
// grey, error-diffused and framed as GS v 0 into a memory port; next to it, in the same run,
// ImageMagick and netpbm doing the same work on the same file. Also: peak memory of one print
// against the decoded RGB image, and the JBIG compression ratio of a receipt-like picture.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include "nzcommon/imgprocess/RasterFraming.h"
#include "velmora/velmora.h"

namespace {

using namespace velmora::imgprocess;

constexpr int kWidth = 576;
constexpr int kHeight = 4000;

// The photographic test picture, made once per run with ImageMagick's plasma fractal.
const std::string &PhotoPath() {
  static const std::string path = [] {
    const std::string file = "/tmp/velmora_bench_photo_" + std::to_string(getpid()) + ".png";
    const std::string command = "/usr/bin/convert -seed 7 -size " + std::to_string(kWidth) + "x" +
                                std::to_string(kHeight) + " plasma:fractal -depth 8 " + file;
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot make %s\n", file.c_str());
    std::atexit([] { std::remove(PhotoPath().c_str()); });
    return file;
  }();
  return path;
}

// One print: the file through the flat receipt image function into a memory port.
bool PrintPhoto(void *port) {
  VP_Port_ClearMemoryBufferData(port);
  return VP_Pos_PrintRasterImageFromFile(port, kWidth, 0, PhotoPath().c_str(),
                                         VP_ImageBinarizationMethod_ErrorDiffusion,
                                         VP_ImageCompressionMethod_None) == 1;
}

void BM_VelmoraPhotoToGsV0(benchmark::State &state) {
  void *port = VP_Port_OpenMemoryBuffer(1 << 20);
  for (auto _ : state) {
    if (!PrintPhoto(port)) state.SkipWithError("print failed");
  }
  VP_Port_Close(port);
}
BENCHMARK(BM_VelmoraPhotoToGsV0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void RunShell(benchmark::State &state, const std::string &command) {
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError(command.c_str());
  }
}

void BM_ImageMagickPhotoToPbm(benchmark::State &state) {
  RunShell(state, "/usr/bin/convert " + PhotoPath() +
                      " -resize 576x -colorspace Gray -dither FloydSteinberg -monochrome pbm:- "
                      ">/dev/null");
}
BENCHMARK(BM_ImageMagickPhotoToPbm)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

void BM_NetpbmPhotoToPbm(benchmark::State &state) {
  RunShell(state, "pngtopnm " + PhotoPath() +
                      " | pamscale -width 576 | ppmtopgm | pgmtopbm -floyd >/dev/null");
}
BENCHMARK(BM_NetpbmPhotoToPbm)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

long StatusKb(const char *field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0)
      return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
  }
  return -1;
}

// Peak resident memory one print adds, measured in a fresh child process (the kernel's
// high-water mark is reset first), against the decoded RGB picture (576 x 4000 x 3 bytes).
void BM_PeakMemoryOfOnePrint(benchmark::State &state) {
  for (auto _ : state) {
    int pipe_fd[2];
    if (pipe(pipe_fd) != 0) return state.SkipWithError("pipe");
    const pid_t child = fork();
    if (child == 0) {
      void *port = VP_Port_OpenMemoryBuffer(1 << 20);
      const auto warm = PhotoPath();  // made before the reset
      std::ofstream("/proc/self/clear_refs") << "5";
      const long before = StatusKb("VmRSS:");
      const bool ok = PrintPhoto(port);
      long result[2] = {ok ? StatusKb("VmHWM:") - before : -1, 0};
      if (write(pipe_fd[1], result, sizeof result) != sizeof result) _exit(1);
      _exit(0);
    }
    long result[2] = {-1, 0};
    if (read(pipe_fd[0], result, sizeof result) != sizeof result) result[0] = -1;
    waitpid(child, nullptr, 0);
    close(pipe_fd[0]);
    close(pipe_fd[1]);
    if (result[0] < 0) return state.SkipWithError("child failed");
    const double rgb_kb = kWidth * kHeight * 3 / 1024.0;
    state.counters["peak_MiB"] = result[0] / 1024.0;
    state.counters["peak_vs_rgb"] = result[0] / rgb_kb;
  }
}
BENCHMARK(BM_PeakMemoryOfOnePrint)->Iterations(1)->Unit(benchmark::kMillisecond);

// A receipt-like picture: a dithered logo, lines of bitmap-font text, rules and a barcode.
MonoBitmap ReceiptPicture() {
  MonoBitmap receipt(kWidth, 1400);
  auto dot = [&](int x, int y) { receipt.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7)); };
  std::mt19937 random(11);
  // Logo: a shaded disc, ordered-dithered.
  for (int y = 0; y < 160; ++y) {
    for (int x = 208; x < 368; ++x) {
      const int dx = x - 288, dy = y - 80;
      if (dx * dx + dy * dy > 75 * 75) continue;
      const int shade = (dx + dy + 150) * 255 / 300;
      if (((x * 7 + y * 13) % 16) * 16 >= shade) dot(x, y);
    }
  }
  // Text: glyphs of a 5 x 7 font doubled into 10 x 14 dots in 12 x 24 cells.
  int y0 = 190;
  for (int line = 0; line < 40; ++line, y0 += 24) {
    const int chars = 12 + static_cast<int>(random() % 36);
    for (int c = 0; c < chars; ++c) {
      if (random() % 6 == 0) continue;  // space
      const uint32_t glyph = random();
      for (int gy = 0; gy < 7; ++gy) {
        for (int gx = 0; gx < 5; ++gx) {
          if (!((glyph >> ((gy * 5 + gx) % 31)) & 1)) continue;
          for (int sy = 0; sy < 2; ++sy) {
            for (int sx = 0; sx < 2; ++sx) dot(c * 12 + gx * 2 + sx, y0 + gy * 2 + sy);
          }
        }
      }
    }
    if (line % 10 == 9) {
      for (int x = 0; x < kWidth; ++x) dot(x, y0 + 20);  // a rule
    }
  }
  // Barcode: bars of 2 to 8 dots.
  for (int x = 48; x < 528;) {
    const int bar = 2 + static_cast<int>(random() % 4) * 2;
    for (int b = 0; b < bar && x + b < 528; ++b) {
      for (int y = 1180; y < 1300; ++y) dot(x + b, y);
    }
    x += bar + 2 + static_cast<int>(random() % 3) * 2;
  }
  return receipt;
}

void BM_ReceiptCompression(benchmark::State &state) {
  const MonoBitmap receipt = ReceiptPicture();
  const int compression = static_cast<int>(state.range(0));
  size_t framed = 0;
  for (auto _ : state) {
    const auto bytes = FrameReceiptRaster(receipt, compression);
    framed = bytes->size();
    benchmark::DoNotOptimize(bytes->data());
  }
  const auto plain = FrameReceiptRaster(receipt, 0);
  state.counters["bytes"] = static_cast<double>(framed);
  state.counters["ratio_vs_gsv0"] = static_cast<double>(plain->size()) / framed;
}
BENCHMARK(BM_ReceiptCompression)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
