// Standalone Bluetooth LE printing channels. Each object owns its own central manager, queue and
// list of discovered printers, and talks to one printer at a time:
//   nzio_ios_ble_rwprotov2  printers speaking protocol V2 (numbered packet groups)
//   nzio_ios_ble_rwprotov3  printers speaking protocol V3 (credits)
//   nzio_ios_ble_basic      printers with the basic layout (with, without response, or indexed)
// Printer addresses are six upper-case hexadecimal pairs joined by colons ("00:11:22:AA:BB:CC")
// and are compared exactly. Failures come back as results (false, -1, 0), never as exceptions.
// One caller at a time per object. An open (OpenAddress, Open) on an object that has a printer
// first ends that link as Close would: one printer at a time, and nothing of the first printer
// (its bytes, its answers, its link going down) reaches the next.
// The discovery callbacks of `scan` run on the object's own threads while a scan runs: from
// `scan` until stopScan or an open that gets as far as connecting (it stops the scan first); no
// callback runs once stopScan has returned. They stay stored: OpenAddress of a printer not
// listed yet scans by itself and reports through them again until its open stops that scan.
// None runs any more once the object's destructor has returned, so their private data must live
// until then (or until the last OpenAddress). A callback must not wait for a thread that is
// stopping the scan; one that stops the scan itself only keeps further callbacks from starting.
#pragma once

#include <memory>

#include "velmora/vp_common.h"

namespace velmora::ble {
class BLERWProtoV2;
class BLERWProtoV3;
class BLEPrinting;
}  // namespace velmora::ble

// Called for every advertisement seen. `peripheral` may be passed to Open of the same object;
// `name` and `address` are valid only during the call and either may be null.
typedef void (*nzio_ios_ble_peripheral_discovered_event)(const void *peripheral, const char *name,
                                                         const char *address, int rssi,
                                                         const void *private_data);
// Called for every advertisement that carries a printer address (never null here).
typedef void (*nzio_ios_ble_simple_discovered_event)(const char *name, const char *address,
                                                     const void *private_data);

class VP_API nzio_ios_ble_rwprotov2 {
 public:
  nzio_ios_ble_rwprotov2();
  ~nzio_ios_ble_rwprotov2();
  nzio_ios_ble_rwprotov2(const nzio_ios_ble_rwprotov2 &) = delete;
  nzio_ios_ble_rwprotov2 &operator=(const nzio_ios_ble_rwprotov2 &) = delete;

  // Finds the printer (scanning up to 20 s when it is not listed yet) and opens it.
  bool OpenAddress(const char *address);
  bool Open(void *peripheral);
  void Close();
  bool IsOpened();
  // count when the printer took every byte, -1 when not connected or the link was lost, else 0:
  // the timeout (at least count + 3000 ms) passed, or the printer sent no flow-control frame for
  // 10 s. When the printer may then hold bytes it did not confirm (its received count or the space
  // of a packet never came), the link is also ended (IsOpened false) and the next write starts
  // only after the printer is opened again.
  int Write(unsigned char *buffer, int count, int timeout);
  // Bytes received, up to count, waiting at most timeout ms; -1 when not connected.
  int Read(unsigned char *buffer, int count, int timeout);
  void SkipAvailable();
  bool scan(nzio_ios_ble_peripheral_discovered_event peripheral_discovered_event,
            nzio_ios_ble_simple_discovered_event simple_discovered_event, void *private_data);
  void stopScan();
  // How many times each packet of the last write was sent.
  void ClearPacketSendTimesList();
  int GetPacketSendTimesListLength();
  int GetPacketSendTimesListValue(int *values, int count);

 private:
  std::shared_ptr<velmora::ble::BLERWProtoV2> channel_;
};

class VP_API nzio_ios_ble_rwprotov3 {
 public:
  nzio_ios_ble_rwprotov3();
  ~nzio_ios_ble_rwprotov3();
  nzio_ios_ble_rwprotov3(const nzio_ios_ble_rwprotov3 &) = delete;
  nzio_ios_ble_rwprotov3 &operator=(const nzio_ios_ble_rwprotov3 &) = delete;

  bool OpenAddress(const char *address);
  bool Open(void *peripheral);
  void Close();
  bool IsOpened();
  // count when the printer took every byte; -1 when not connected, the link was lost or the
  // printer granted no credit. When the timeout (at least count + 3000 ms) passed first, or the
  // printer granted no credit for 10 s while chunks waited for theirs, the bytes of the chunks it
  // credited (all it holds), once their credits came; but 0 when chunks went out that it never
  // credited (no credit for 10 s after the timeout): what it holds and the credits it has left can
  // no longer be known, so the link is ended (IsOpened false) and the next write starts only
  // after the printer is opened again, with its fresh credits.
  int Write(unsigned char *buffer, int count, int timeout);
  int Read(unsigned char *buffer, int count, int timeout);
  void SkipAvailable();
  bool scan(nzio_ios_ble_peripheral_discovered_event peripheral_discovered_event,
            nzio_ios_ble_simple_discovered_event simple_discovered_event, void *private_data);
  void stopScan();

 private:
  std::shared_ptr<velmora::ble::BLERWProtoV3> channel_;
};

class VP_API nzio_ios_ble_basic {
 public:
  nzio_ios_ble_basic();
  ~nzio_ios_ble_basic();
  nzio_ios_ble_basic(const nzio_ios_ble_basic &) = delete;
  nzio_ios_ble_basic &operator=(const nzio_ios_ble_basic &) = delete;

  bool OpenAddress(const char *address);
  bool Open(void *peripheral);
  void Close();
  bool IsOpened();
  // Writes in the current mode until done or failed (the timeout has no effect): count, a smaller
  // count when the printer stopped taking packets, or -1. In mode 0 a smaller count is what the
  // printer acknowledged, in order, so a caller can go on from there: a packet is never written
  // again while its acknowledgement may still come, and the one in flight when the write gives
  // up is waited for until it comes (however slow the link) or the link fails: the attribute
  // protocol's 30 s transaction timeout, after which the link is ended and the write returns -1.
  // In mode 1 it is what went out before the packet that could not be sent. Mode 2 returns
  // count or -1, never a smaller count. After -1 the printer holds a prefix of the bytes.
  int Write(unsigned char *buffer, int count, int timeout);
  int Read(unsigned char *buffer, int count, int timeout);
  void SkipAvailable();
  // mode 0: with response; 1: without response, paced; 2: indexed protocol for jobs longer than
  // five packets. size: bytes per packet (bounded by the printer; with a size below 1 every write
  // fails with -1); timeout: ms per packet; maxRetry: further attempts per packet.
  void SetWriteMode(int mode, int size, int timeout, int maxRetry);
  bool scan(nzio_ios_ble_peripheral_discovered_event peripheral_discovered_event,
            nzio_ios_ble_simple_discovered_event simple_discovered_event, void *private_data);
  void stopScan();

 private:
  std::shared_ptr<velmora::ble::BLEPrinting> channel_;
};
