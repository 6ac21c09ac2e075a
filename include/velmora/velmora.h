/* velmora: the flat C interface. Valid C11; every function is extern "C". */
#ifndef VELMORA_VELMORA_H
#define VELMORA_VELMORA_H

#include "velmora/orvantis_imgutils.h"
#include "velmora/vp_blackmark.h"
#include "velmora/vp_common.h"
#include "velmora/vp_image.h"
#include "velmora/vp_image_types.h"
#include "velmora/vp_label.h"
#include "velmora/vp_page.h"
#include "velmora/vp_port.h"
#include "velmora/vp_pos.h"
#include "velmora/vp_pos_status.h"
#include "velmora/vp_printer.h"
#include "velmora/vp_proto.h"

#endif
