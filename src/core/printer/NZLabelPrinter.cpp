#include "core/printer/NZLabelPrinter.h"

#include "core/printer/LabelCommandBytes.h"
#include "nzcommon/textconv/WideTextConversion.h"

namespace velmora::core {

bool NZLabelPrinter::LABEL_DrawTextIn(int x, int y, int font, int style, const wchar_t *text,
                                      const char *charset) {
  const auto converted = nzcommon::ConvertWideText(text, charset);
  return converted.has_value() && Send(labelcmd::Text(x, y, font, style, *converted));
}

bool NZLabelPrinter::LABEL_DrawBarcode(int x, int y, int type, int text_position, int height,
                                       int unit_width, int rotation, std::string_view data) {
  Send(labelcmd::BarcodeReadableTextPosition(text_position));
  return Send(labelcmd::Barcode(x, y, type, height, unit_width, rotation, data));
}

}  // namespace velmora::core
