// The convenience classes: a printer's device record, the discoverer that finds printers, the
// connector that keeps one connection, the records the helpers return, and the one-call printing
// helpers.
#pragma once

#include "velmora/convenience/print_common.hpp"
#include "velmora/convenience/print_result.hpp"
#include "velmora/convenience/printer_connector.hpp"
#include "velmora/convenience/printer_device.hpp"
#include "velmora/convenience/printer_discover.hpp"
#include "velmora/convenience/printer_resolution.hpp"
#include "velmora/convenience/printer_status.hpp"
