#pragma once

#include <mutex>

namespace velmora::core {

// What the library last set on the printer through this port, for laying out page-mode items.
// Each value is the one the printer received (the command's low byte or low 16 bits). The
// starting values are the printer's power-on defaults.
struct PrinterProperties {
  int text_width_scale = 0;
  int text_height_scale = 0;
  int line_height = 32;
  int ascii_right_spacing = 0;
  int kanji_left_spacing = 0;
  int kanji_right_spacing = 0;
  int barcode_unit_width = 3;
  int barcode_height = 162;
  int barcode_text_position = 0;
  int barcode_text_font = 0;
  int page_x = 0;
  int page_y = 0;
  int page_width = 0;
  int page_height = 0;
  int page_direction = 0;
};

// The port's printer properties, read and changed as a whole under one lock.
class PrinterPropertyCache {
 public:
  PrinterProperties Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return properties_;
  }

  template <typename Change>
  void Update(Change &&change) {
    std::lock_guard<std::mutex> lock(mutex_);
    change(properties_);
  }

 private:
  mutable std::mutex mutex_;
  PrinterProperties properties_;
};

}  // namespace velmora::core
