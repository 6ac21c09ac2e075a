#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora::imgprocess {

// The stb_image version we build on writes past a table when a JPEG Huffman table (DHT)
// declares more than 256 codes. False when any DHT segment in the data does; every FF C4 pair
// is checked, wherever it stands, so the decoder cannot reach one that was not.
bool JpegHuffmanTablesFit(const uint8_t *data, size_t size);

}  // namespace velmora::imgprocess
