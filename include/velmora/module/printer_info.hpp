// What a port has learnt about its printer (resolution, firmware version, status words,
// received and printed counts, label position adjustments) and three requests to it. The
// getters write their out-parameters only when they return true; handle 0 gives false (or an
// empty text) without reaching the port layer.
#pragma once

#include <cstdint>
#include <string>

#include "velmora/module/types.hpp"

namespace velmora {

VP_API bool VP_Printer_GetPrinterResolutionInfo(Int handle, Int &width_mm, Int &height_mm,
                                                Int &dots_per_mm);
// Empty until the printer has told its version, and for handle 0 or a dead handle.
VP_API std::string VP_Printer_GetPrinterFirmwareVersion(Int handle);
VP_API bool VP_Printer_GetPrinterStatusInfo(Int handle, std::int64_t &printer_error_status,
                                            std::int64_t &printer_info_status,
                                            std::int64_t &timestamp_ms);
VP_API bool VP_Printer_GetPrinterReceivedInfo(Int handle, Int &printer_received_byte_count,
                                              std::int64_t &timestamp_ms);
VP_API bool VP_Printer_GetPrinterPrintedInfo(Int handle, Int &printer_printed_page_id,
                                             std::int64_t &timestamp_ms);
// Millimetres; false while the printer has not reported its dots per mm.
VP_API bool VP_Printer_GetPrinterLabelPositionAdjustmentInfo(
    Int handle, double &label_print_position_adjustment, double &label_tear_position_adjustment,
    std::int64_t &timestamp_ms);
VP_API bool VP_Printer_SetPrinterLabelPositionAdjustmentInfo(Int handle,
                                                             double label_print_position_adjustment,
                                                             double label_tear_position_adjustment);
VP_API bool VP_Printer_ClearPrinterBuffer(Int handle);
VP_API bool VP_Printer_ClearPrinterError(Int handle);

}  // namespace velmora
