// The printer's paper width and height and its resolution, as the printer reported them.
#pragma once

#include <string>

#include "velmora/module/types.hpp"

namespace velmora {

class VP_API VLPrinterResolution {
 public:
  VLPrinterResolution(Int width_mm, Int height_mm, Int dots_per_mm);
  virtual ~VLPrinterResolution() = default;

  virtual Int getWidthMM() const;
  virtual Int getHeightMM() const;
  virtual Int getDotsPerMM() const;
  // "width_mm:72 height_mm:0 dots_per_mm:8"
  virtual std::string toString() const;

 private:
  Int width_mm;
  Int height_mm;
  Int dots_per_mm;
};

}  // namespace velmora
