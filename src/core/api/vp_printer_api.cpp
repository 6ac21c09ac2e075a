// Flat printer functions: what the printer reported, and the requests that clear or adjust it.
#include <cstring>
#include <string>

#include "core/api/ApiGuard.h"
#include "core/printer/NZIOHolder.h"
#include "core/printer/PrinterRequests.h"
#include "velmora/vp_printer.h"

using velmora::core::AutoReplyRecord;
using velmora::core::IOHandle;
using velmora::core::NZIOHolder;
using velmora::core::WithPort;
namespace req = velmora::core::printer_requests;

namespace {

template <typename T>
void Store(T *out, T value) {
  if (out != nullptr) *out = value;
}

// Runs `body` with the port's record locked, for one consistent snapshot.
template <typename Body>
int WithRecord(void *handle, Body &&body) {
  return WithPort(handle, 0, [&](IOHandle &port) {
    AutoReplyRecord &record = port.autoreply();
    std::lock_guard<std::mutex> lock(record.mutex);
    return body(record);
  });
}

int SendCommand(void *handle, const std::vector<uint8_t> &command) {
  return WithPort(handle, 0,
                  [&](IOHandle &port) { return NZIOHolder(port).WriteCommand(command) ? 1 : 0; });
}

}  // namespace

extern "C" {

int VP_Printer_GetPrinterResolutionInfo(void *handle, unsigned int *width_mm,
                                        unsigned int *height_mm, unsigned int *dots_per_mm) {
  return WithRecord(handle, [&](const AutoReplyRecord &r) {
    Store(width_mm, r.width_mm);
    Store(height_mm, r.height_mm);
    Store(dots_per_mm, r.dots_per_mm);
    return 1;
  });
}

int VP_Printer_GetPrinterFirmwareVersion(void *handle, char *buffer, unsigned int buffer_size,
                                         unsigned int *needed) {
  return WithPort(handle, 0, [&](IOHandle &port) {
    const std::string version = port.proto_packages().FirmwareVersion();
    Store(needed, static_cast<unsigned int>(version.size() + 1));
    if (buffer != nullptr && buffer_size > 0) {
      const size_t n = std::min<size_t>(version.size(), buffer_size - 1);
      std::memcpy(buffer, version.data(), n);
      buffer[n] = '\0';
    }
    return 1;
  });
}

int VP_Printer_GetPrinterStatusInfo(void *handle, int64_t *printer_error_status,
                                    int64_t *printer_info_status, int64_t *timestamp_ms) {
  return WithRecord(handle, [&](const AutoReplyRecord &r) {
    Store(printer_error_status, r.error_status);
    Store(printer_info_status, r.info_status);
    Store(timestamp_ms, r.status_ms);
    return 1;
  });
}

int VP_Printer_GetPrinterReceivedInfo(void *handle, unsigned int *printer_received_byte_count,
                                      int64_t *timestamp_ms) {
  return WithRecord(handle, [&](const AutoReplyRecord &r) {
    Store(printer_received_byte_count, static_cast<unsigned int>(r.received_byte_count));
    Store(timestamp_ms, r.received_ms);
    return 1;
  });
}

int VP_Printer_GetPrinterPrintedInfo(void *handle, unsigned int *printer_printed_page_id,
                                     int64_t *timestamp_ms) {
  return WithRecord(handle, [&](const AutoReplyRecord &r) {
    Store(printer_printed_page_id, static_cast<unsigned int>(r.printed_page_id));
    Store(timestamp_ms, r.printed_ms);
    return 1;
  });
}

int VP_Printer_GetPrinterLabelPositionAdjustmentInfo(void *handle,
                                                     double *label_print_position_adjustment,
                                                     double *label_tear_position_adjustment,
                                                     int64_t *timestamp_ms) {
  return WithRecord(handle, [&](const AutoReplyRecord &r) {
    if (r.dots_per_mm == 0) return 0;
    const double dots_per_mm = static_cast<double>(r.dots_per_mm);
    Store(label_print_position_adjustment, r.label_print_adjustment_dots / dots_per_mm);
    Store(label_tear_position_adjustment, r.label_tear_adjustment_dots / dots_per_mm);
    Store(timestamp_ms, r.label_adjustment_ms);
    return 1;
  });
}

int VP_Printer_SetPrinterLabelPositionAdjustmentInfo(void *handle,
                                                     double label_print_position_adjustment,
                                                     double label_tear_position_adjustment) {
  return WithPort(handle, 0, [&](IOHandle &port) {
    uint32_t dots_per_mm = 0;
    {
      std::lock_guard<std::mutex> lock(port.autoreply().mutex);
      dots_per_mm = port.autoreply().dots_per_mm;
    }
    const auto dots = req::LabelAdjustmentToDots(label_print_position_adjustment,
                                                 label_tear_position_adjustment, dots_per_mm);
    if (!dots) return 0;
    return NZIOHolder(port).WriteCommand(
               req::LabelPositionAdjustment(dots->print_dots, dots->tear_dots))
               ? 1
               : 0;
  });
}

int VP_Printer_ClearPrinterBuffer(void *handle) {
  return SendCommand(handle, req::ClearBuffer());
}

int VP_Printer_ClearPrinterError(void *handle) {
  return SendCommand(handle, req::ClearError());
}

}  // extern "C"
