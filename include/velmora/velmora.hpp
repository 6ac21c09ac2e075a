// velmora: the C++ module interface. The one include that brings every public C++ name; each
// family of functions has its own header below.
//
// The module's functions (namespace velmora, handles as Int) bear the names of the flat C
// functions (global namespace, handles as void *), which this header brings as well. After
// `using namespace velmora;` an unqualified call picks by its argument types: string literals
// match the C functions' const char * exactly, so VP_Port_OpenTcp("", "192.168.1.20", 9100,
// 5000, 1) calls the C function and returns a void *, the literal 0 converts to Int and to void *
// alike, and any integer literal to Int and to unsigned int alike, so VP_Port_Close(0) and
// VP_Port_OpenMemoryBuffer(64) do not compile. Say which one you mean: velmora::VP_Port_OpenTcp(...) for the module function,
// ::VP_Port_OpenTcp(...) for the C one.
#pragma once

#include "velmora/convenience.hpp"
#include "velmora/image.hpp"
#include "velmora/log.hpp"
#include "velmora/module/blackmark.hpp"
#include "velmora/module/device_proto.hpp"
#include "velmora/module/enumeration.hpp"
#include "velmora/module/events.hpp"
#include "velmora/module/firmware.hpp"
#include "velmora/module/image.hpp"
#include "velmora/module/label.hpp"
#include "velmora/module/page.hpp"
#include "velmora/module/port.hpp"
#include "velmora/module/pos.hpp"
#include "velmora/module/pos_status.hpp"
#include "velmora/module/printer_info.hpp"
#include "velmora/module/status_bits.hpp"
#include "velmora/module/types.hpp"
#include "velmora/module/wide_text.hpp"
#include "velmora/velmora.h"
