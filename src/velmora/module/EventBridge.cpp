// The eight port and printer event kinds as closures. Per kind: one process-wide closure list,
// created at first use and never freed, and one trampoline that the flat event list calls with
// that list as private data. The trampoline is entered in the flat list at the first
// registration of its kind and stays there; an empty closure list makes it call nothing.
#include <cstdint>
#include <string>
#include <vector>

#include "velmora/module/ClosureList.h"
#include "velmora/module/Utf8.h"
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/events.hpp"
#include "velmora/vp_port.h"
#include "velmora/vp_printer.h"

namespace velmora {
namespace {

using detail::ClosureList;
using detail::HandleBits;
using Bytes = std::vector<std::uint8_t>;

using NameList = ClosureList<Int, const std::string &>;
using HandleList = ClosureList<Int>;
using BytesList = ClosureList<Int, const Bytes &, Int>;
using StatusList = ClosureList<Int, std::int64_t, std::int64_t>;
using CountList = ClosureList<Int, Int>;

// Lists live as long as the process: ports' threads may raise events while it exits.
template <int kKind, typename List>
List &ListOfKind() {
  static List *list = new List();
  return *list;
}

enum Kind : int {
  kPortOpened,
  kPortOpenFailed,
  kPortClosed,
  kPortWritten,
  kPortReceived,
  kPrinterStatus,
  kPrinterReceived,
  kPrinterPrinted,
};

NameList &PortOpenedList() {
  return ListOfKind<kPortOpened, NameList>();
}
NameList &PortOpenFailedList() {
  return ListOfKind<kPortOpenFailed, NameList>();
}
HandleList &PortClosedList() {
  return ListOfKind<kPortClosed, HandleList>();
}
BytesList &PortWrittenList() {
  return ListOfKind<kPortWritten, BytesList>();
}
BytesList &PortReceivedList() {
  return ListOfKind<kPortReceived, BytesList>();
}
StatusList &PrinterStatusList() {
  return ListOfKind<kPrinterStatus, StatusList>();
}
CountList &PrinterReceivedList() {
  return ListOfKind<kPrinterReceived, CountList>();
}
CountList &PrinterPrintedList() {
  return ListOfKind<kPrinterPrinted, CountList>();
}

// The event's bytes, copied once and shared by every closure; no bytes without a buffer.
Bytes CopyBytes(const unsigned char *buffer, unsigned int count) {
  if (buffer == nullptr) return {};
  return Bytes(buffer, buffer + count);
}

// ---- Trampolines: flat arguments to the module's values ------------------------------------

void OnPortOpenedEventCCallbackFunction(void *handle, const char *name, void *private_data) {
  if (private_data == nullptr) return;
  static_cast<NameList *>(private_data)->Dispatch(HandleBits(handle), detail::DecodeUtf8(name));
}

void OnPortOpenFailedEventCCallbackFunction(void *handle, const char *name, void *private_data) {
  if (private_data == nullptr) return;
  static_cast<NameList *>(private_data)->Dispatch(HandleBits(handle), detail::DecodeUtf8(name));
}

void OnPortClosedEventCCallbackFunction(void *handle, void *private_data) {
  if (private_data == nullptr) return;
  static_cast<HandleList *>(private_data)->Dispatch(HandleBits(handle));
}

void DispatchBytes(void *handle, const unsigned char *buffer, unsigned int count,
                   void *private_data) {
  if (private_data == nullptr) return;
  const Bytes bytes = CopyBytes(buffer, count);
  static_cast<BytesList *>(private_data)
      ->Dispatch(HandleBits(handle), bytes, static_cast<Int>(bytes.size()));
}

void OnPortWrittenEventCCallbackFunction(void *handle, unsigned char *buffer, unsigned int count,
                                         void *private_data) {
  DispatchBytes(handle, buffer, count, private_data);
}

void OnPortReceivedEventCCallbackFunction(void *handle, unsigned char *buffer, unsigned int count,
                                          void *private_data) {
  DispatchBytes(handle, buffer, count, private_data);
}

void OnPrinterStatusEventCCallbackFunction(void *handle, int64_t printer_error_status,
                                           int64_t printer_info_status, void *private_data) {
  if (private_data == nullptr) return;
  static_cast<StatusList *>(private_data)
      ->Dispatch(HandleBits(handle), printer_error_status, printer_info_status);
}

// Counts and page ids are unsigned 32-bit: widened without sign.
void OnPrinterReceivedEventCCallbackFunction(void *handle, unsigned int printer_received_byte_count,
                                             void *private_data) {
  if (private_data == nullptr) return;
  static_cast<CountList *>(private_data)
      ->Dispatch(HandleBits(handle), static_cast<Int>(printer_received_byte_count));
}

void OnPrinterPrintedEventCCallbackFunction(void *handle, unsigned int printer_printed_page_id,
                                            void *private_data) {
  if (private_data == nullptr) return;
  static_cast<CountList *>(private_data)
      ->Dispatch(HandleBits(handle), static_cast<Int>(printer_printed_page_id));
}

// Enters the kind's trampoline in its flat list (once: the flat list keeps a callback only once
// anyway), then adds the closure under its tag.
template <typename List, typename FlatAdd, typename Trampoline>
bool Register(List &list, FlatAdd flat_add, Trampoline trampoline, typename List::Closure closure,
              Int tag) {
  list.EnterOnce([&] { flat_add(trampoline, &list); });
  return list.Add(std::move(closure), tag);
}

}  // namespace

bool VP_Port_AddOnPortOpenedEvent(PortOpenedEventClosure event, Int tag) {
  return Register(PortOpenedList(), ::VP_Port_AddOnPortOpenedEvent,
                  &OnPortOpenedEventCCallbackFunction, std::move(event), tag);
}
bool VP_Port_RemoveOnPortOpenedEvent(Int tag) {
  return PortOpenedList().Remove(tag);
}

bool VP_Port_AddOnPortOpenFailedEvent(PortOpenFailedEventClosure event, Int tag) {
  return Register(PortOpenFailedList(), ::VP_Port_AddOnPortOpenFailedEvent,
                  &OnPortOpenFailedEventCCallbackFunction, std::move(event), tag);
}
bool VP_Port_RemoveOnPortOpenFailededEvent(Int tag) {
  return PortOpenFailedList().Remove(tag);
}

bool VP_Port_AddOnPortClosedEvent(PortClosedEventClosure event, Int tag) {
  return Register(PortClosedList(), ::VP_Port_AddOnPortClosedEvent,
                  &OnPortClosedEventCCallbackFunction, std::move(event), tag);
}
bool VP_Port_RemoveOnPortClosedEvent(Int tag) {
  return PortClosedList().Remove(tag);
}

bool VP_Port_AddOnPortWrittenEvent(PortWrittenEventClosure event, Int tag) {
  return Register(PortWrittenList(), ::VP_Port_AddOnPortWrittenEvent,
                  &OnPortWrittenEventCCallbackFunction, std::move(event), tag);
}
bool VP_Port_RemoveOnPortWrittenEvent(Int tag) {
  return PortWrittenList().Remove(tag);
}

bool VP_Port_AddOnPortReceivedEvent(PortReceivedEventClosure event, Int tag) {
  return Register(PortReceivedList(), ::VP_Port_AddOnPortReceivedEvent,
                  &OnPortReceivedEventCCallbackFunction, std::move(event), tag);
}
bool VP_Port_RemoveOnPortReceivedEvent(Int tag) {
  return PortReceivedList().Remove(tag);
}

bool VP_Printer_AddOnPrinterStatusEvent(PrinterStatusEventClosure event, Int tag) {
  return Register(PrinterStatusList(), ::VP_Printer_AddOnPrinterStatusEvent,
                  &OnPrinterStatusEventCCallbackFunction, std::move(event), tag);
}
bool VP_Printer_RemoveOnPrinterStatusEvent(Int tag) {
  return PrinterStatusList().Remove(tag);
}

bool VP_Printer_AddOnPrinterReceivedEvent(PrinterReceivedEventClosure event, Int tag) {
  return Register(PrinterReceivedList(), ::VP_Printer_AddOnPrinterReceivedEvent,
                  &OnPrinterReceivedEventCCallbackFunction, std::move(event), tag);
}
bool VP_Printer_RemoveOnPrinterReceivedEvent(Int tag) {
  return PrinterReceivedList().Remove(tag);
}

bool VP_Printer_AddOnPrinterPrintedEvent(PrinterPrintedEventClosure event, Int tag) {
  return Register(PrinterPrintedList(), ::VP_Printer_AddOnPrinterPrintedEvent,
                  &OnPrinterPrintedEventCCallbackFunction, std::move(event), tag);
}
bool VP_Printer_RemoveOnPrinterPrintedEvent(Int tag) {
  return PrinterPrintedList().Remove(tag);
}

}  // namespace velmora
