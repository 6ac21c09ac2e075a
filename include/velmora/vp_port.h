/* Ports: opening, writing, reading, closing, and the port events. */
#ifndef VELMORA_VP_PORT_H
#define VELMORA_VP_PORT_H

#include "velmora/vp_common.h"

VP_EXTERN_C_BEGIN

/* Event callbacks. Each kind of event has one process-wide list: a callback on it gets that
 * kind's events for every port, memory ports included (the image print job of the convenience
 * classes opens, writes to and closes memory ports of its own; their opened event names ""). The
 * callbacks run in registration order on the thread that raised the event, while the list's lock
 * is held, so one that blocks holds up every later event of its kind: keep them short, and never
 * wait in one for another thread that raises the same kind of event. A callback may call any
 * function of the library, adding and removing callbacks included (on its own list too: one
 * removed gets no further call, one added gets the next event). Adding to or removing from
 * another kind's list waits until that list's callbacks running on other threads return, so
 * two callbacks that change each other's lists from two threads can block each other for good:
 * register callbacks up front, before the ports whose events they take.
 *
 * Opened: on a thread of its own after an open succeeded, with the new handle and the name given
 * to the open (the destination address for TCP). The open does not wait for it, so it may come
 * after the open returned and after the first commands were written. It always comes before the
 * port's closed event.
 * Open failed: the same, with a null handle, after an open failed.
 * Closed: on a thread of its own once the port closed, by VP_Port_Close or by itself (the printer
 * hung up, the link was lost); then the library closes the handle (see VP_Port_Close).
 * Written: on the writing thread after a write that wrote at least one byte, with the caller's
 * bytes and the count written.
 * Received: on the port's read thread with each chunk as read, automatic status packets
 * included, once its bytes can be read. The received and printer events (vp_printer.h) run on
 * the port's read thread: while such a callback runs, its port receives nothing more, so a read
 * or a query on that port from there sees only what had already arrived. */
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

/* Connects to dest_ip:dest_port within `timeout` milliseconds. Both addresses are numeric (IPv4
 * or IPv6); names are not looked up. local_ip null or "" lets the system choose the local
 * address; any other is bound first, and the open fails when it cannot be.
 * autoreplymode non-zero: before the open returns, the port switches the printer to automatic
 * status reports (and asks its firmware version). The printer's status then arrives on its own
 * (vp_printer.h), and VP_Port_IsConnectionValid and VP_Pos_QueryPrintResult go by it. 0: no
 * automatic reports; the print-result query asks for the real-time status instead.
 * Returns the handle, or null when the connection or that set-up failed, or 100 ports are open
 * already; the opened or open-failed event follows. */
VP_API void *VP_Port_OpenTcp(const char *local_ip, const char *dest_ip, unsigned short dest_port,
                             unsigned int timeout, int autoreplymode);
/* A port that collects what is written to it in memory, up to buffer_size bytes; null when the
 * memory cannot be had or 100 ports are open already. Every write to it is all or nothing: when
 * its bytes fit after those collected so far, it appends them all and returns its count;
 * otherwise it collects none of them and fails (-1; a command function 0), and later writes that
 * fit are still appended. A command function that sends several commands (VP_Pos_FeedDot,
 * VP_Pos_SetTextUnderline, the page functions) may leave its first ones collected when a later
 * one does not fit. The write timeout plays no part. */
VP_API void *VP_Port_OpenMemoryBuffer(unsigned int buffer_size);
/* The bytes collected so far, valid until the port is closed; null for other ports and for a
 * null or unknown handle. */
VP_API unsigned char *VP_Port_GetMemoryBufferDataPointer(void *handle);
/* Their count; 0 for other ports and for a null or unknown handle. */
VP_API unsigned int VP_Port_GetMemoryBufferDataLength(void *handle);
/* Drops the collected bytes and returns 1; 0 for other ports and for a null or unknown handle. */
VP_API int VP_Port_ClearMemoryBufferData(void *handle);

/* Writes `count` bytes within `timeout` ms: the count when every byte was written, -1 for a
 * null or unknown handle, a closed port, or a failure before any byte was written.
 * On a TCP port the timeout counts in whole seconds, rounded up, and a byte counts as written
 * once the system's network stack took it: the printer may not have it yet (VP_Pos_QueryPrintResult
 * tells when it has printed). A printer that stops taking bytes makes the write return at its
 * timeout with the bytes taken so far (0 when none were); the port stays open. A printer that
 * hangs up during the write makes it return at once with the bytes taken before (-1 when none
 * were), and the port closes itself (see VP_Port_Close).
 * On a memory port a write is all or nothing (VP_Port_OpenMemoryBuffer).
 * On a Bluetooth LE port that speaks the basic layout (each packet acknowledged by the printer),
 * a write cut short by its timeout returns the bytes the printer acknowledged, in order, so a
 * caller may go on from there: the packet in flight at the timeout is never sent twice and its
 * acknowledgement is waited for, however slow the link; when none comes within the attribute
 * protocol's 30 s transaction timeout the link has failed, the write returns -1 and the port
 * closes. A timeout never keeps the first packet from going out.
 * On every Bluetooth LE port, while another write on the port is under way, a write waits for it
 * within its timeout and returns 0, sending nothing, when its turn did not come.
 * A protocol V2 port returns the count, -1 when the link is lost, else 0: the printer did not
 * confirm every byte in time, or sent no flow-control frame for 10 s; when it may hold bytes it
 * did not confirm, the port then closes.
 * A protocol V3 port returns the count, or, when its time ran out, the bytes of the chunks the
 * printer credited (all it holds); 0 when chunks went out that the printer never credited (the
 * port then closes: what the printer holds can no longer be known), -1 when the link is lost. */
VP_API int VP_Port_Write(void *handle, const unsigned char *buffer, unsigned int count,
                         unsigned int timeout);
/* Stores up to `count` received bytes at buffer[0], buffer[1], ..., in order, waiting up to
 * `timeout` ms for them. Returns the number stored: fewer than `count` when the timeout passed or
 * the port closed (bytes received before the close are still returned), 0 when none came; -1
 * for a null or unknown handle. ReadUntilByte also stops right after storing breakByte.
 * Bytes that may begin an automatic status packet reach a reader once the bytes after them show
 * what they are, at the latest 500 ms after the printer went quiet; until then
 * VP_Port_Available does not count them (docs/protocol.md). */
VP_API int VP_Port_Read(void *handle, unsigned char *buffer, unsigned int count,
                        unsigned int timeout);
VP_API int VP_Port_ReadUntilByte(void *handle, unsigned char *buffer, unsigned int count,
                                 unsigned int timeout, unsigned char breakByte);
/* The number of received bytes waiting to be read (the port keeps at most 16384; bytes that
 * arrive while it is full are dropped); -1 for a null or unknown handle. */
VP_API int VP_Port_Available(void *handle);
/* Drops every received byte not read yet and returns 1; 0 for a null or unknown handle. */
VP_API int VP_Port_SkipAvailable(void *handle);
/* 1 while the port is open and, when it was opened in auto-reply mode, the printer's last
 * automatic status packet came less than 8000 ms ago (TCP) or 6000 ms ago (Bluetooth LE). So
 * after an auto-reply open it is 0 until the printer's first packet has arrived, normally within
 * a second. 0 also for a null or unknown handle. */
VP_API int VP_Port_IsConnectionValid(void *handle);
/* 1 while the port is open; 0 once it closed, also by itself, and for a null or unknown handle. */
VP_API int VP_Port_IsOpened(void *handle);
/* Closes the port and returns 1; the handle is invalid afterwards. 0 for a null handle or one
 * that is no longer live. A port also closes by itself when its printer hangs up or the link is
 * lost: its closed event follows, after which the library closes the handle itself. Calling
 * VP_Port_Close then is not needed but harmless, and its result only tells whether it came
 * before the library's own close: it says nothing about the printer. Bytes received before the
 * hang-up can be read until the handle is closed, from the closed event at the latest. A
 * handle's value is never handed out again within the process, so a closed handle can never
 * reach a port opened later. */
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

/* Add: 1 when the callback was appended to its list; 0 for a null callback or one on the list
 * already. Callbacks are told apart by function alone: adding one again with other private data
 * returns 0 and keeps the private data it was added with. Remove: 1 when the callback was on the
 * list and is removed, else 0. */
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
