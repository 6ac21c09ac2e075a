// The module's printer information functions over the flat printer layer.
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/printer_info.hpp"
#include "velmora/vp_printer.h"

namespace velmora {

using detail::BoolResult;
using detail::CallOnPort;
using detail::Out;

bool VP_Printer_GetPrinterResolutionInfo(Int handle, Int &width_mm, Int &height_mm,
                                         Int &dots_per_mm) {
  return CallOnPort<BoolResult>(handle, ::VP_Printer_GetPrinterResolutionInfo, Out(width_mm),
                                Out(height_mm), Out(dots_per_mm));
}

std::string VP_Printer_GetPrinterFirmwareVersion(Int handle) {
  std::string version;
  CallOnPort<BoolResult>(handle, ::VP_Printer_GetPrinterFirmwareVersion, detail::TextOut(version),
                         detail::kTextBufferSize, nullptr);
  return version;
}

bool VP_Printer_GetPrinterStatusInfo(Int handle, std::int64_t &printer_error_status,
                                     std::int64_t &printer_info_status,
                                     std::int64_t &timestamp_ms) {
  return CallOnPort<BoolResult>(handle, ::VP_Printer_GetPrinterStatusInfo,
                                Out(printer_error_status), Out(printer_info_status),
                                Out(timestamp_ms));
}

bool VP_Printer_GetPrinterReceivedInfo(Int handle, Int &printer_received_byte_count,
                                       std::int64_t &timestamp_ms) {
  return CallOnPort<BoolResult>(handle, ::VP_Printer_GetPrinterReceivedInfo,
                                Out(printer_received_byte_count), Out(timestamp_ms));
}

bool VP_Printer_GetPrinterPrintedInfo(Int handle, Int &printer_printed_page_id,
                                      std::int64_t &timestamp_ms) {
  return CallOnPort<BoolResult>(handle, ::VP_Printer_GetPrinterPrintedInfo,
                                Out(printer_printed_page_id), Out(timestamp_ms));
}

bool VP_Printer_GetPrinterLabelPositionAdjustmentInfo(Int handle,
                                                      double &label_print_position_adjustment,
                                                      double &label_tear_position_adjustment,
                                                      std::int64_t &timestamp_ms) {
  return CallOnPort<BoolResult>(handle, ::VP_Printer_GetPrinterLabelPositionAdjustmentInfo,
                                Out(label_print_position_adjustment),
                                Out(label_tear_position_adjustment), Out(timestamp_ms));
}

bool VP_Printer_SetPrinterLabelPositionAdjustmentInfo(Int handle,
                                                      double label_print_position_adjustment,
                                                      double label_tear_position_adjustment) {
  return CallOnPort<BoolResult>(handle, ::VP_Printer_SetPrinterLabelPositionAdjustmentInfo,
                                label_print_position_adjustment, label_tear_position_adjustment);
}

bool VP_Printer_ClearPrinterBuffer(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Printer_ClearPrinterBuffer);
}

bool VP_Printer_ClearPrinterError(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Printer_ClearPrinterError);
}

}  // namespace velmora
