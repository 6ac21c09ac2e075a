// The print result and resolution records.
#include <cmath>
#include <string>

#include "velmora/convenience/NumberText.h"
#include "velmora/convenience/print_result.hpp"
#include "velmora/convenience/printer_resolution.hpp"

namespace velmora {

std::string VLPrintResult::toString() const {
  using detail::RoundToTenths;
  using detail::ShortestDecimal;
  std::string text;
  text += printResult ? "Print Success\r\n" : "Print Failed\r\n";
  text += "Image Height: " + ShortestDecimal(std::round(sourceImageHeight)) + " mm\r\n";
  text +=
      "Data Size: " + ShortestDecimal(RoundToTenths(static_cast<double>(writeDataSize) / 1024)) +
      " kb\r\n";
  text += "Setted Print Speed: " + std::to_string(settedPrintSpeed) + " mm/s\r\n";
  text += "Data Transfer Time: " + ShortestDecimal(RoundToTenths(writeTimeUsed / 1000)) +
          " seconds\r\n";
  text += "Data Transfer Speed: " + ShortestDecimal(RoundToTenths(writeDataSpeed)) + " kb/s\r\n";
  return text;
}

VLPrinterResolution::VLPrinterResolution(Int width_mm, Int height_mm, Int dots_per_mm)
    : width_mm(width_mm), height_mm(height_mm), dots_per_mm(dots_per_mm) {}

Int VLPrinterResolution::getWidthMM() const {
  return width_mm;
}
Int VLPrinterResolution::getHeightMM() const {
  return height_mm;
}
Int VLPrinterResolution::getDotsPerMM() const {
  return dots_per_mm;
}

std::string VLPrinterResolution::toString() const {
  return "width_mm:" + std::to_string(width_mm) + " height_mm:" + std::to_string(height_mm) +
         " dots_per_mm:" + std::to_string(dots_per_mm);
}

}  // namespace velmora
