#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora::imgprocess {

// The stb_image version we build on trusts a JPEG's tables and structure: it writes past a
// table, indexes with garbage or reads memory it never filled when they are wrong. These checks
// run before it sees a JPEG; data that is no JPEG passes them untouched.

// False when any JPEG Huffman table (DHT) declares more than 256 codes; every FF C4 pair is
// checked, wherever it stands, so the decoder cannot reach one that was not.
bool JpegHuffmanTablesFit(const uint8_t *data, size_t size);

// Walks the JPEG's segments the way the decoder does and is false unless the decoder, on data
// that it accepts, reads only what the data defined: every scan's Huffman tables and every
// quantisation table in use were defined before their use, every component is coded by a scan
// (progressive: by a first DC scan before any other of its scans), and a scan with a restart
// interval has a restart marker for each interval boundary, so that no scan stops early and
// leaves blocks undecoded. Also refuses what the decoder would refuse, and any JPEG whose
// segments run past the data's end.
bool JpegIsSafeToDecode(const uint8_t *data, size_t size);

}  // namespace velmora::imgprocess
