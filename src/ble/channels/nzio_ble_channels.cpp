// The exported facades: each owns one channel and forwards every call to it. A facade's end also
// ends its discovery callbacks: the channel may outlive it for a moment, the caller's data not.
// An open on an open facade first ends its current link as Close would: one printer at a time,
// and nothing of the first reaches the reader of the second.
#include "velmora/nzio_ble_channels.hpp"

#include "ble/channels/BLEPrinting.h"
#include "ble/channels/BLERWProtoV2.h"
#include "ble/channels/BLERWProtoV3.h"

using velmora::ble::BLEPrinting;
using velmora::ble::BLERWProtoV2;
using velmora::ble::BLERWProtoV3;
using velmora::ble::MakeChannel;

// ---- Protocol V2 ---------------------------------------------------------------------------

nzio_ios_ble_rwprotov2::nzio_ios_ble_rwprotov2() : channel_(MakeChannel<BLERWProtoV2>()) {}
nzio_ios_ble_rwprotov2::~nzio_ios_ble_rwprotov2() {
  channel_->EndDiscoveryCallbacks();
}

bool nzio_ios_ble_rwprotov2::OpenAddress(const char *address) {
  channel_->Close();
  return address && channel_->OpenAddress(address);
}
bool nzio_ios_ble_rwprotov2::Open(void *peripheral) {
  channel_->Close();
  return channel_->OpenReported(peripheral);
}
void nzio_ios_ble_rwprotov2::Close() {
  channel_->Close();
}
bool nzio_ios_ble_rwprotov2::IsOpened() {
  return channel_->IsOpened();
}
int nzio_ios_ble_rwprotov2::Write(unsigned char *buffer, int count, int timeout) {
  return channel_->Write(buffer, 0, count, timeout);
}
int nzio_ios_ble_rwprotov2::Read(unsigned char *buffer, int count, int timeout) {
  return channel_->Read(buffer, 0, count, timeout);
}
void nzio_ios_ble_rwprotov2::SkipAvailable() {
  channel_->SkipAvailable();
}
bool nzio_ios_ble_rwprotov2::scan(
    nzio_ios_ble_peripheral_discovered_event peripheral_discovered_event,
    nzio_ios_ble_simple_discovered_event simple_discovered_event, void *private_data) {
  return channel_->scanPeripheral(peripheral_discovered_event, simple_discovered_event,
                                  private_data);
}
void nzio_ios_ble_rwprotov2::stopScan() {
  channel_->stopScan();
}
void nzio_ios_ble_rwprotov2::ClearPacketSendTimesList() {
  channel_->ClearPacketSendTimesList();
}
int nzio_ios_ble_rwprotov2::GetPacketSendTimesListLength() {
  return channel_->GetPacketSendTimesListLength();
}
int nzio_ios_ble_rwprotov2::GetPacketSendTimesListValue(int *values, int count) {
  return channel_->GetPacketSendTimesListValue(values, count);
}

// ---- Protocol V3 ---------------------------------------------------------------------------

nzio_ios_ble_rwprotov3::nzio_ios_ble_rwprotov3() : channel_(MakeChannel<BLERWProtoV3>()) {}
nzio_ios_ble_rwprotov3::~nzio_ios_ble_rwprotov3() {
  channel_->EndDiscoveryCallbacks();
}

bool nzio_ios_ble_rwprotov3::OpenAddress(const char *address) {
  channel_->Close();
  return address && channel_->OpenAddress(address);
}
bool nzio_ios_ble_rwprotov3::Open(void *peripheral) {
  channel_->Close();
  return channel_->OpenReported(peripheral);
}
void nzio_ios_ble_rwprotov3::Close() {
  channel_->Close();
}
bool nzio_ios_ble_rwprotov3::IsOpened() {
  return channel_->IsOpened();
}
int nzio_ios_ble_rwprotov3::Write(unsigned char *buffer, int count, int timeout) {
  return channel_->Write(buffer, 0, count, timeout);
}
int nzio_ios_ble_rwprotov3::Read(unsigned char *buffer, int count, int timeout) {
  return channel_->Read(buffer, 0, count, timeout);
}
void nzio_ios_ble_rwprotov3::SkipAvailable() {
  channel_->SkipAvailable();
}
bool nzio_ios_ble_rwprotov3::scan(
    nzio_ios_ble_peripheral_discovered_event peripheral_discovered_event,
    nzio_ios_ble_simple_discovered_event simple_discovered_event, void *private_data) {
  return channel_->scanPeripheral(peripheral_discovered_event, simple_discovered_event,
                                  private_data);
}
void nzio_ios_ble_rwprotov3::stopScan() {
  channel_->stopScan();
}

// ---- Basic ---------------------------------------------------------------------------------

nzio_ios_ble_basic::nzio_ios_ble_basic() : channel_(MakeChannel<BLEPrinting>()) {}
nzio_ios_ble_basic::~nzio_ios_ble_basic() {
  channel_->EndDiscoveryCallbacks();
}

bool nzio_ios_ble_basic::OpenAddress(const char *address) {
  channel_->Close();
  return address && channel_->OpenAddress(address);
}
bool nzio_ios_ble_basic::Open(void *peripheral) {
  channel_->Close();
  return channel_->OpenReported(peripheral);
}
void nzio_ios_ble_basic::Close() {
  channel_->Close();
}
bool nzio_ios_ble_basic::IsOpened() {
  return channel_->IsOpened();
}
int nzio_ios_ble_basic::Write(unsigned char *buffer, int count, int) {
  return channel_->Write(buffer, 0, count);
}
int nzio_ios_ble_basic::Read(unsigned char *buffer, int count, int timeout) {
  return channel_->Read(buffer, 0, count, timeout);
}
void nzio_ios_ble_basic::SkipAvailable() {
  channel_->SkipAvailable();
}
void nzio_ios_ble_basic::SetWriteMode(int mode, int size, int timeout, int maxRetry) {
  channel_->SetWriteMode(mode, size, timeout, maxRetry);
}
bool nzio_ios_ble_basic::scan(nzio_ios_ble_peripheral_discovered_event peripheral_discovered_event,
                              nzio_ios_ble_simple_discovered_event simple_discovered_event,
                              void *private_data) {
  return channel_->scanPeripheral(peripheral_discovered_event, simple_discovered_event,
                                  private_data);
}
void nzio_ios_ble_basic::stopScan() {
  channel_->stopScan();
}
