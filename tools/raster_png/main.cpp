// velmora-raster-png: shows what a printer would put on paper for a capture of printer bytes
// (a memory port's contents, a file port's file).
//
//   velmora-raster-png CAPTURE OUT.png
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "PaperRenderer.h"

int main(int argc, char **argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s CAPTURE OUT.png\n", argv[0]);
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
  const auto paper = velmora::vprinter::LayOutPaper(decoded);
  if (!velmora::vprinter::WritePng(paper, argv[2])) {
    std::fprintf(stderr, "nothing to draw, or cannot write %s\n", argv[2]);
    return 1;
  }
  std::printf("%zu raster commands, paper %d x %d dots -> %s\n", decoded.pieces.size(), paper.width,
              paper.height, argv[2]);
  return 0;
}
