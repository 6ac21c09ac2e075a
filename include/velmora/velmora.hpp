// velmora: the C++ module interface. The one include that brings every public C++ name; each
// family of functions has its own header below.
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
