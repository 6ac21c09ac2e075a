// Port and printer events as closures. Each of the eight kinds keeps a process-wide list of
// closures, each under a tag the caller chooses (any Int; unique within the kind). Every closure
// of a kind receives every event of that kind, for every port (memory ports too, those the image
// print job opens for itself among them), in registration order, on the thread that raised the
// event, one event at a time. Closures run without any lock of this interface held: a closure
// may remove tags (its own included) while it runs, and the removal shows from the next event
// on. Registering from inside a closure is safe for a kind that has been registered before; the
// first registration of a kind enters it in the port layer's event list, which waits for that
// list's events in flight. Events come when and on the threads the flat callbacks get them
// (vp_port.h): the opened event may come after the open returned.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "velmora/module/types.hpp"

namespace velmora {

// (handle, port name); the name is the destination address for TCP ports.
using PortOpenedEventClosure = std::function<void(Int, const std::string &)>;
// (handle, always 0; port name)
using PortOpenFailedEventClosure = std::function<void(Int, const std::string &)>;
// (handle)
using PortClosedEventClosure = std::function<void(Int)>;
// (handle, bytes written, their count)
using PortWrittenEventClosure = std::function<void(Int, const std::vector<std::uint8_t> &, Int)>;
// (handle, bytes received as read from the transport, their count)
using PortReceivedEventClosure = std::function<void(Int, const std::vector<std::uint8_t> &, Int)>;
// (handle, printer error status word, printer info status word)
using PrinterStatusEventClosure = std::function<void(Int, std::int64_t, std::int64_t)>;
// (handle, printer's count of received bytes)
using PrinterReceivedEventClosure = std::function<void(Int, Int)>;
// (handle, id of the printed page)
using PrinterPrintedEventClosure = std::function<void(Int, Int)>;

// Registration: true when the closure was added under `tag`, false when the kind already has
// that tag (the earlier closure stays). Removal: true when a closure with `tag` was removed.
VP_API bool VP_Port_AddOnPortOpenedEvent(PortOpenedEventClosure event, Int tag);
VP_API bool VP_Port_RemoveOnPortOpenedEvent(Int tag);
VP_API bool VP_Port_AddOnPortOpenFailedEvent(PortOpenFailedEventClosure event, Int tag);
VP_API bool VP_Port_RemoveOnPortOpenFailededEvent(Int tag);
VP_API bool VP_Port_AddOnPortClosedEvent(PortClosedEventClosure event, Int tag);
VP_API bool VP_Port_RemoveOnPortClosedEvent(Int tag);
VP_API bool VP_Port_AddOnPortWrittenEvent(PortWrittenEventClosure event, Int tag);
VP_API bool VP_Port_RemoveOnPortWrittenEvent(Int tag);
VP_API bool VP_Port_AddOnPortReceivedEvent(PortReceivedEventClosure event, Int tag);
VP_API bool VP_Port_RemoveOnPortReceivedEvent(Int tag);
VP_API bool VP_Printer_AddOnPrinterStatusEvent(PrinterStatusEventClosure event, Int tag);
VP_API bool VP_Printer_RemoveOnPrinterStatusEvent(Int tag);
VP_API bool VP_Printer_AddOnPrinterReceivedEvent(PrinterReceivedEventClosure event, Int tag);
VP_API bool VP_Printer_RemoveOnPrinterReceivedEvent(Int tag);
VP_API bool VP_Printer_AddOnPrinterPrintedEvent(PrinterPrintedEventClosure event, Int tag);
VP_API bool VP_Printer_RemoveOnPrinterPrintedEvent(Int tag);

}  // namespace velmora
