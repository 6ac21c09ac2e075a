/* Ports: opening, writing, reading, closing, and the port events. */
#ifndef VELMORA_VP_PORT_H
#define VELMORA_VP_PORT_H

#include "velmora/vp_common.h"

VP_EXTERN_C_BEGIN

/* Event callbacks. Each runs on the thread that raised the event, in registration order,
 * while the event list's lock is held. */
typedef void (*VP_OnPortOpenedEvent)(void *handle, const char *name, void *private_data);
typedef void (*VP_OnPortOpenFailedEvent)(void *handle, const char *name, void *private_data);
typedef void (*VP_OnPortClosedEvent)(void *handle, void *private_data);
typedef void (*VP_OnPortWrittenEvent)(void *handle, unsigned char *buffer, unsigned int count,
                                      void *private_data);
typedef void (*VP_OnPortReceivedEvent)(void *handle, unsigned char *buffer, unsigned int count,
                                       void *private_data);

/* A printer that answered a network discovery request. Every text is non-null and lives only
 * for the call. */
typedef void (*VP_OnNetPrinterDiscovered)(const char *local_ip, const char *discovered_mac,
                                          const char *discovered_ip, const char *discovered_name,
                                          void *private_data);

/* A Bluetooth LE printer that advertised itself: its name ("null" when it has none) and its
 * address, both non-null and living only for the call. */
typedef void (*VP_OnBluetoothDeviceDiscovered)(const char *device_name, const char *device_address,
                                               void *private_data);

VP_API const char *VP_Library_Version(void);

VP_API void *VP_Port_OpenTcp(const char *local_ip, const char *dest_ip, unsigned short dest_port,
                             unsigned int timeout, int autoreplymode);
VP_API void *VP_Port_OpenMemoryBuffer(unsigned int buffer_size);
VP_API unsigned char *VP_Port_GetMemoryBufferDataPointer(void *handle);
VP_API unsigned int VP_Port_GetMemoryBufferDataLength(void *handle);
VP_API int VP_Port_ClearMemoryBufferData(void *handle);

/* Writes `count` bytes within `timeout` ms: the count when every byte was written, -1 for an
 * unknown handle or a port that cannot be written.
 * On a Bluetooth LE port that speaks the basic layout (each packet acknowledged by the printer),
 * a write cut short by its timeout returns the bytes the printer acknowledged, in order, so a
 * caller may go on from there: the packet in flight at the timeout is never sent twice and its
 * acknowledgement is waited for, however slow the link; when none comes within the attribute
 * protocol's 30 s transaction timeout the link has failed, the write returns -1 and the port
 * closes. A timeout never keeps the first packet from going out. Protocol V2 and V3 ports return
 * the count, 0 when the printer did not confirm every byte in time, or -1 when the link is lost;
 * never a part of the count. */
VP_API int VP_Port_Write(void *handle, const unsigned char *buffer, unsigned int count,
                         unsigned int timeout);
/* Reads take received bytes in order. Bytes that may begin an automatic status packet reach a
 * reader once the bytes after them show what they are, at the latest 500 ms after the printer
 * went quiet; until then VP_Port_Available does not count them (docs/protocol.md). */
VP_API int VP_Port_Read(void *handle, unsigned char *buffer, unsigned int count,
                        unsigned int timeout);
VP_API int VP_Port_ReadUntilByte(void *handle, unsigned char *buffer, unsigned int count,
                                 unsigned int timeout, unsigned char breakByte);
VP_API int VP_Port_Available(void *handle);
VP_API int VP_Port_SkipAvailable(void *handle);
VP_API int VP_Port_IsConnectionValid(void *handle);
VP_API int VP_Port_IsOpened(void *handle);
/* Closes the port; the handle is invalid afterwards. A handle's value is never handed out
 * again within the process, so a closed handle can never reach a port opened later. */
VP_API int VP_Port_Close(void *handle);

/* Broadcasts the discovery requests on every local IPv4 interface for ceil(timeout / 1000)
 * seconds, or until *cancel becomes non-zero; calls on_discovered once per reply, on a receive
 * thread. Every receive thread has ended when it returns. When the system cannot start every
 * receive thread (a process limit), the search asks only where one started and reports what
 * those found. */
VP_API void VP_Port_EnumNetPrinter(unsigned int timeout, int *cancel,
                                   VP_OnNetPrinterDiscovered on_discovered, void *private_data);

/* Scans for Bluetooth LE printers for ceil(timeout / 1000) seconds, or until *cancel becomes
 * non-zero; calls on_discovered once per advertisement, duplicates included, on the Bluetooth LE
 * central's queue, and never after it returned. Returns the scan's number, or a value below 1
 * (at once) when no scan could start. */
VP_API int VP_Port_EnumBleDevice(unsigned int timeout, int *cancel,
                                 VP_OnBluetoothDeviceDiscovered on_discovered, void *private_data);

/* Bluetooth LE ports. `address` is a printer address as the Bluetooth LE enumeration reports it
 * (six upper-case hex pairs joined by ':'); the four opens differ in the printer protocol the port
 * speaks (basic, V2, V3, negotiated VA). Each returns the handle, or null when the open failed,
 * and raises the port-opened or port-open-failed event. */
VP_API void *VP_Port_OpenBtBle(const char *address, int autoreplymode);
VP_API void *VP_Port_OpenBtBleProtoV2(const char *address, int autoreplymode);
VP_API void *VP_Port_OpenBtBleProtoV3(const char *address, int autoreplymode);
VP_API void *VP_Port_OpenBtBleProtoVA(const char *address, int autoreplymode);
/* Per packet of a protocol V2 port's most recent group write, how often it was sent. Length: the
 * number of entries (0 for other ports); Value copies at most `count` of them and returns 0;
 * Clear empties the list and returns 1 for a protocol V2 port, else 0. */
VP_API int VP_Port_GetBtBleProtoV2PacketSendTimesListLength(void *handle);
VP_API int VP_Port_GetBtBleProtoV2PacketSendTimesListValue(void *handle, int *values, int count);
VP_API int VP_Port_ClearBtBleProtoV2PacketSendTimesList(void *handle);

VP_API int VP_Port_AddOnPortOpenedEvent(VP_OnPortOpenedEvent callback, void *private_data);
VP_API int VP_Port_RemoveOnPortOpenedEvent(VP_OnPortOpenedEvent callback);
VP_API int VP_Port_AddOnPortOpenFailedEvent(VP_OnPortOpenFailedEvent callback, void *private_data);
VP_API int VP_Port_RemoveOnPortOpenFailedEvent(VP_OnPortOpenFailedEvent callback);
VP_API int VP_Port_AddOnPortClosedEvent(VP_OnPortClosedEvent callback, void *private_data);
VP_API int VP_Port_RemoveOnPortClosedEvent(VP_OnPortClosedEvent callback);
VP_API int VP_Port_AddOnPortWrittenEvent(VP_OnPortWrittenEvent callback, void *private_data);
VP_API int VP_Port_RemoveOnPortWrittenEvent(VP_OnPortWrittenEvent callback);
VP_API int VP_Port_AddOnPortReceivedEvent(VP_OnPortReceivedEvent callback, void *private_data);
VP_API int VP_Port_RemoveOnPortReceivedEvent(VP_OnPortReceivedEvent callback);

VP_EXTERN_C_END

#endif
