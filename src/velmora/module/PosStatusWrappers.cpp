// The module's receipt status and print-result queries over the flat layer.
#include "velmora/module/WrapperSupport.h"
#include "velmora/module/pos_status.hpp"
#include "velmora/vp_pos_status.h"

namespace velmora {

Int VP_Pos_QueryRTStatus(Int handle, Int timeout) {
  return detail::CallOnPort<detail::StatusWordResult>(handle, ::VP_Pos_QueryRTStatus, timeout);
}

bool VP_Pos_QueryPrintResult(Int handle, Int timeout) {
  return detail::CallOnPort<detail::BoolResult>(handle, ::VP_Pos_QueryPrintResult, timeout);
}

}  // namespace velmora
