/* Device package protocol: printer queries and settings. */
#ifndef VELMORA_VP_PROTO_H
#define VELMORA_VP_PROTO_H

#include "velmora/vp_common.h"

VP_EXTERN_C_BEGIN

/* The battery level the printer reports, or -1 when no answer came within timeout ms or the
 * handle is not valid. */
VP_API int VP_Proto_QueryBatteryLevel(void *handle, unsigned int timeout);
/* Copies at most length bytes of the printer's serial number into buffer (no terminating NUL is
 * added) and returns their count; -1 when no answer came or the handle is not valid. */
VP_API int VP_Proto_QuerySerialNumber(void *handle, char *buffer, unsigned int length,
                                      unsigned int timeout);
/* Send settings; 1 when every byte was written. The two strings with their terminating NULs
 * may take at most 256 bytes (0, nothing sent, otherwise). No answer is awaited. */
VP_API int VP_Proto_SetSystemNameAndSerialNumber(void *handle, const char *systemName,
                                                 const char *serialNumber);
VP_API int VP_Proto_SetBluetoothNameAndPassword(void *handle, const char *bluetoothName,
                                                const char *bluetoothPassword);
VP_API int VP_Proto_SetPTPBasicParameters(void *handle, int baudrate, int codepage, int density,
                                          int asciiFontType, int lineFeed, int idleTime,
                                          int powerOffTime, int maxFeedLength, int pageLength);
/* Sets the printer's own print-speed setting to nSpeed (all 32 bits) through the hardware
 * function-select package; no answer is awaited. VP_Pos_SetPrintSpeed (vp_pos.h) is the command
 * in the print stream instead. */
VP_API int VP_Settings_Hardware_SetPrintSpeed(void *handle, int nSpeed);

VP_EXTERN_C_END

#endif
