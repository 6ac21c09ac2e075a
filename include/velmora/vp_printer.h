/* Printer information: status words reported by the printer and the printer events. */
#ifndef VELMORA_VP_PRINTER_H
#define VELMORA_VP_PRINTER_H

#include "velmora/vp_common.h"

VP_EXTERN_C_BEGIN

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

VP_EXTERN_C_END

#endif
