// velmora-raster-png: shows what a printer would put on paper for a capture of printer bytes
// (a memory port's contents, a file port's file).
//
//   velmora-raster-png CAPTURE OUT.png [PAPER_DOTS]
//
// PAPER_DOTS is the paper's width in dots; without it the paper is as wide as what is printed.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "PaperRenderer.h"

int main(int argc, char **argv) {
  int paper_width = 0;
  if (argc == 4) {
    char *end = nullptr;
    const long width = std::strtol(argv[3], &end, 10);
    paper_width = *end == '\0' && width >= 1 && width <= 65535 ? static_cast<int>(width) : -1;
  }
  if (argc < 3 || argc > 4 || paper_width < 0) {
    std::fprintf(stderr, "usage: %s CAPTURE OUT.png [PAPER_DOTS, 1 to 65535]\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  const auto decoded = velmora::vprinter::DecodeRasterCommands(bytes);
  if (!decoded.error.empty()) {
    std::fprintf(stderr, "malformed raster command: %s\n", decoded.error.c_str());
    return 1;
  }
  const auto paper = velmora::vprinter::LayOutPaper(decoded, paper_width);
  if (!velmora::vprinter::WritePng(paper, argv[2])) {
    std::fprintf(stderr, "nothing to draw, or cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%zu raster commands, paper %d x %d dots -> %s\n", decoded.pieces.size(),
              paper.dots.width, paper.dots.height, argv[2]);
  return 0;
}
