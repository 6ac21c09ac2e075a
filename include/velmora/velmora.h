/* velmora: the flat C interface. Valid C11; every function is extern "C". */
#ifndef VELMORA_VELMORA_H
#define VELMORA_VELMORA_H

#include "velmora/vp_common.h"
#include "velmora/vp_port.h"
#include "velmora/vp_printer.h"
#include "velmora/vp_pos_status.h"
#include "velmora/vp_proto.h"

#endif
