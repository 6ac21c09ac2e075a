// Flat registration of the eight process-wide port and printer event lists.
#include "core/api/ApiGuard.h"
#include "core/port/PortEvents.h"

using velmora::core::Guarded;
using velmora::core::PortEvents;

extern "C" {

#define VP_EVENT_FUNCTIONS(Family, Kind, list)                                             \
  int VP_##Family##_AddOn##Kind##Event(VP_On##Kind##Event callback, void *private_data) {  \
    return Guarded(0, [&] { return PortEvents::Get().list.Add(callback, private_data); }); \
  }                                                                                        \
  int VP_##Family##_RemoveOn##Kind##Event(VP_On##Kind##Event callback) {                   \
    return Guarded(0, [&] { return PortEvents::Get().list.Remove(callback); });            \
  }

VP_EVENT_FUNCTIONS(Port, PortOpened, opened)
VP_EVENT_FUNCTIONS(Port, PortOpenFailed, open_failed)
VP_EVENT_FUNCTIONS(Port, PortClosed, closed)
VP_EVENT_FUNCTIONS(Port, PortWritten, written)
VP_EVENT_FUNCTIONS(Port, PortReceived, received)
VP_EVENT_FUNCTIONS(Printer, PrinterStatus, printer_status)
VP_EVENT_FUNCTIONS(Printer, PrinterReceived, printer_received)
VP_EVENT_FUNCTIONS(Printer, PrinterPrinted, printer_printed)

#undef VP_EVENT_FUNCTIONS

}  // extern "C"
