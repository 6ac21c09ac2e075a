/* Printer information: status words reported by the printer and the printer events. */
#ifndef VELMORA_VP_PRINTER_H
#define VELMORA_VP_PRINTER_H

#include "velmora/vp_common.h"

VP_EXTERN_C_BEGIN

/* Printer events, raised on the port's read thread for each automatic status packet (as
 * auto-reply mode makes the printer send; also on other ports when the printer sends them) that reports the status words, the printer's count of received
 * bytes, or the id of a printed page. The lists work as those of the port events, and their add
 * and remove functions return the same (vp_port.h). */
typedef void (*VP_OnPrinterStatusEvent)(void *handle, int64_t printer_error_status,
                                        int64_t printer_info_status, void *private_data);
typedef void (*VP_OnPrinterReceivedEvent)(void *handle, unsigned int printer_received_byte_count,
                                          void *private_data);
typedef void (*VP_OnPrinterPrintedEvent)(void *handle, unsigned int printer_printed_page_id,
                                         void *private_data);

VP_API int VP_Printer_AddOnPrinterStatusEvent(VP_OnPrinterStatusEvent callback, void *private_data);
VP_API int VP_Printer_RemoveOnPrinterStatusEvent(VP_OnPrinterStatusEvent callback);
VP_API int VP_Printer_AddOnPrinterReceivedEvent(VP_OnPrinterReceivedEvent callback,
                                                void *private_data);
VP_API int VP_Printer_RemoveOnPrinterReceivedEvent(VP_OnPrinterReceivedEvent callback);
VP_API int VP_Printer_AddOnPrinterPrintedEvent(VP_OnPrinterPrintedEvent callback,
                                               void *private_data);
VP_API int VP_Printer_RemoveOnPrinterPrintedEvent(VP_OnPrinterPrintedEvent callback);

/* What the printer last reported in its automatic status packets (ports opened in auto-reply
 * mode). Each getter copies one consistent record into every non-null pointer and returns 1;
 * 0 for a null or unknown handle. Values are 0 until the printer has reported them;
 * timestamps are wall-clock milliseconds since the epoch. */
VP_API int VP_Printer_GetPrinterResolutionInfo(void *handle, unsigned int *width_mm,
                                               unsigned int *height_mm, unsigned int *dots_per_mm);
/* Copies the cached firmware version text (cut to buffer_size - 1 bytes, NUL-terminated) and
 * stores its full length + 1 in *needed. Empty until the printer has answered. */
VP_API int VP_Printer_GetPrinterFirmwareVersion(void *handle, char *buffer,
                                                unsigned int buffer_size, unsigned int *needed);
VP_API int VP_Printer_GetPrinterStatusInfo(void *handle, int64_t *printer_error_status,
                                           int64_t *printer_info_status, int64_t *timestamp_ms);
VP_API int VP_Printer_GetPrinterReceivedInfo(void *handle,
                                             unsigned int *printer_received_byte_count,
                                             int64_t *timestamp_ms);
VP_API int VP_Printer_GetPrinterPrintedInfo(void *handle, unsigned int *printer_printed_page_id,
                                            int64_t *timestamp_ms);
/* Adjustments in millimetres; 0 (nothing stored) while the printer's dots per mm are unknown. */
VP_API int VP_Printer_GetPrinterLabelPositionAdjustmentInfo(void *handle,
                                                            double *label_print_position_adjustment,
                                                            double *label_tear_position_adjustment,
                                                            int64_t *timestamp_ms);
/* Sends the label position adjustments (millimetres) in whole dots. 0 without sending while
 * the dots per mm are unknown or a value does not fit the command. */
VP_API int VP_Printer_SetPrinterLabelPositionAdjustmentInfo(void *handle,
                                                            double label_print_position_adjustment,
                                                            double label_tear_position_adjustment);
VP_API int VP_Printer_ClearPrinterBuffer(void *handle);
VP_API int VP_Printer_ClearPrinterError(void *handle);

/* Bits of the printer status words. */
#define VP_PRINTER_ERROR_CUTTER 0x1
#define VP_PRINTER_ERROR_FLASH 0x2
#define VP_PRINTER_ERROR_NOPAPER 0x4
#define VP_PRINTER_ERROR_VOLTAGE 0x8
#define VP_PRINTER_ERROR_MARKER 0x10
#define VP_PRINTER_ERROR_ENGINE 0x20
#define VP_PRINTER_ERROR_OVERHEAT 0x40
#define VP_PRINTER_ERROR_COVERUP 0x80
#define VP_PRINTER_ERROR_MOTOR 0x100
#define VP_PRINTER_INFO_LABELPAPER 0x2
#define VP_PRINTER_INFO_LABELMODE 0x4
#define VP_PRINTER_INFO_HAVEDATA 0x8
#define VP_PRINTER_INFO_NOPAPERCANCELED 0x10
#define VP_PRINTER_INFO_PAPERNOFETCH 0x20
#define VP_PRINTER_INFO_PRINTIDLE 0x40
#define VP_PRINTER_INFO_RECVIDLE 0x80

VP_EXTERN_C_END

#endif
