#pragma once

#include <cwchar>
#include <string_view>

#include "core/printer/CommandBytes.h"
#include "core/printer/NZIOHolder.h"

namespace velmora::core {

// The label command object of a port. Every command is built whole and written in one call.
class NZLabelPrinter {
 public:
  explicit NZLabelPrinter(IOHandle &port) : io_(port) {}

  // One whole command in one write; true when every byte was written.
  bool Send(const Bytes &command) { return io_.WriteCommand(command); }

  // The wide text converted into `charset`; false with nothing written when it cannot be.
  bool LABEL_DrawTextIn(int x, int y, int font, int style, const wchar_t *text,
                        const char *charset);
  // GS H with the readable-text position (whatever its result), then the barcode; the
  // barcode write's result.
  bool LABEL_DrawBarcode(int x, int y, int type, int text_position, int height, int unit_width,
                         int rotation, std::string_view data);

 private:
  NZIOHolder io_;
};

}  // namespace velmora::core
