#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::imgprocess {

// A PNG or BMP palette may hold fewer colours than its pixels' bits can index. The decoder
// takes the colour of an index past the palette from memory it never set, so such a picture
// would print different dots from call to call. Before decoding, the palette is filled up with
// one colour that none of its entries has; a decoded picture that shows that colour uses an
// index past its palette and is refused.
struct FilledPalette {
  std::vector<uint8_t> data;  // the encoded picture with its palette filled up
  uint8_t fill[3] = {};       // red, green, blue of the added entries
};

// The filled-up copy of `data`; nullopt when `data` has no palette or a full one, or is no
// picture the decoder would read with a palette.
std::optional<FilledPalette> FillShortPalette(const uint8_t *data, size_t size);

// True when any of `count` pixels of `channels` (3 RGB or 4 RGBA) bytes has the fill colour.
bool ShowsFill(const FilledPalette &palette, const uint8_t *pixels, size_t count, int channels);

}  // namespace velmora::imgprocess
