/* Receipt printer queries: real-time status and print result. */
#ifndef VELMORA_VP_POS_STATUS_H
#define VELMORA_VP_POS_STATUS_H

#include "velmora/vp_common.h"

VP_EXTERN_C_BEGIN

/* Discards the bytes already received, asks DLE EOT 1..4 (again every 300 ms) and returns the
 * first four answers packed as b1 | b2 << 8 | b3 << 16 | b4 << 24, passing over bytes that
 * cannot be answers and whole device packages (such as the answer to the firmware request of an
 * auto-reply open); 0 on timeout (at once for timeout 0), a closed port, a failed send or a null
 * or unknown handle. A printer slower than 300 ms answers the resent requests after the query
 * returned; the next status or polling print-result query on the port first lets those late
 * answers come (for a limited time, docs/protocol.md), then asks, so it returns the answers to
 * its own requests. Status and print-result queries from several threads on one port take
 * turns. */
VP_API int VP_Pos_QueryRTStatus(void *handle, unsigned int timeout);
/* 1 when the printer reports that every byte sent before the query has been printed; 0 on
 * timeout, a closed port, an off-line or failing printer, or a set exit flag.
 * On a port opened in auto-reply mode it waits only while VP_Port_IsConnectionValid is 1 and the
 * printer reports no error. So until the printer's first status packet has arrived after the
 * open, it returns 0 at once without asking, which looks just like "not printed". Before the
 * first query, wait for that packet: poll VP_Port_IsConnectionValid until it is 1 (under a
 * deadline of your own), or wait for the printer-status event. On other ports it asks the
 * real-time status instead and returns 0 for a printer that is off-line. */
VP_API int VP_Pos_QueryPrintResult(void *handle, unsigned int timeout);
/* Non-zero ends a running print-result query and makes later ones end at once, until it is
 * set back to 0. */
VP_API int VP_Pos_SetExitQueryCmd(void *handle, int exit);

VP_EXTERN_C_END

#endif
