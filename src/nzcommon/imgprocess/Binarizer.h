#pragma once

#include <optional>

#include "nzcommon/imgprocess/ImageTypes.h"

namespace velmora::imgprocess {

// Turns grey into black and white dots with one of the binarisation methods:
//  0 ordered dither with an 8 x 8 Bayer matrix,
//  1 threshold at the image's mean grey,
//  2 Floyd-Steinberg error diffusion.
// Every method maps grey 0 to black and grey 255 to white exactly, so a pure black-and-white
// image comes out unchanged. nullopt for another method.
std::optional<MonoBitmap> Binarize(const GreyImage &grey, int method);

}  // namespace velmora::imgprocess
