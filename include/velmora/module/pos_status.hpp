// Receipt printer queries: the four real-time status bytes, and whether everything sent so far
// has been printed. Both block for up to `timeout` milliseconds.
#pragma once

#include "velmora/module/types.hpp"

namespace velmora {

// Answers to DLE EOT 1..4 packed with answer 1 lowest (VP_RTSTATUS_* read it); 0 when no
// status was obtained or handle is 0.
VP_API Int VP_Pos_QueryRTStatus(Int handle, Int timeout);
// True when the printer confirmed that every byte before the query has been printed. On a port
// opened in auto-reply mode, false at once while VP_Port_IsConnectionValid is false, as it is
// until the printer's first status packet has come: wait for that first (vp_pos_status.h).
VP_API bool VP_Pos_QueryPrintResult(Int handle, Int timeout);

}  // namespace velmora
