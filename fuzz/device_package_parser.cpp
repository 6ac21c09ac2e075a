// Arbitrary chunking of one received stream must find the same device packages, and each
// package found must be a well-formed one.
#include <cstdlib>
#include <vector>

#include "FuzzChunking.h"
#include "core/printer/DevicePackage.h"

namespace {

using velmora::core::DevicePackageParser;
using velmora::core::NZReceivedProtoPackage;

std::vector<NZReceivedProtoPackage> Run(const uint8_t *stream, const std::vector<size_t> &chunks) {
  std::vector<NZReceivedProtoPackage> packages;
  DevicePackageParser parser;
  size_t at = 0;
  for (size_t n : chunks) {
    parser.Feed(stream + at, n, packages);
    at += n;
  }
  return packages;
}

bool Same(const std::vector<NZReceivedProtoPackage> &a,
          const std::vector<NZReceivedProtoPackage> &b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].command != b[i].command || a[i].parameter != b[i].parameter ||
        a[i].data != b[i].data) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  velmora::fuzz::FuzzInput in;
  if (!velmora::fuzz::FuzzInput::From(data, size, in)) return 0;
  const auto whole = Run(in.stream, {in.size});
  const auto chunked = Run(in.stream, velmora::fuzz::ChunkSizes(in.size, in.seed));
  const auto bytewise = Run(in.stream, std::vector<size_t>(in.size, 1));
  if (!Same(whole, chunked) || !Same(whole, bytewise)) std::abort();
  size_t total = 0;
  for (const auto &p : whole) total += 12 + p.data.size();
  if (total > in.size) std::abort();  // packages never hold more than the stream
  return 0;
}
