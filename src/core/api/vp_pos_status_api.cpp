// Flat receipt printer queries: real-time status and print result.
#include "core/api/ApiGuard.h"
#include "core/printer/PrinterQueries.h"
#include "velmora/vp_pos_status.h"

using velmora::core::IOHandle;
using velmora::core::WithPort;

extern "C" {

int VP_Pos_QueryRTStatus(void *handle, unsigned int timeout) {
  return WithPort(
      handle, 0, [&](IOHandle &port) { return velmora::core::QueryRealTimeStatus(port, timeout); });
}

int VP_Pos_QueryPrintResult(void *handle, unsigned int timeout) {
  return WithPort(handle, 0, [&](IOHandle &port) {
    return velmora::core::QueryPrintResult(port, timeout) ? 1 : 0;
  });
}

int VP_Pos_SetExitQueryCmd(void *handle, int exit) {
  return WithPort(handle, 0, [&](IOHandle &port) {
    port.queries().exit_query.store(exit);
    return 1;
  });
}

}  // extern "C"
