// The module's port functions over the flat port layer.
#include "velmora/module/port.hpp"

#include "velmora/module/WrapperSupport.h"
#include "velmora/vp_port.h"

namespace velmora {

using detail::BoolResult;
using detail::Call;
using detail::CallOnPort;
using detail::CountResult;
using detail::HandleResult;

std::string VP_Library_Version_SwiftFunction() {
  return Call<detail::TextResult>(::VP_Library_Version);
}

Int VP_Port_OpenTcp(const std::string &local_ip, const std::string &dest_ip, Int dest_port,
                    Int timeout, Int autoreplymode) {
  return Call<HandleResult>(::VP_Port_OpenTcp, local_ip, dest_ip, dest_port, timeout,
                            autoreplymode);
}

Int VP_Port_OpenBtBle(const std::string &address, Int autoreplymode) {
  return Call<HandleResult>(::VP_Port_OpenBtBle, address, autoreplymode);
}

Int VP_Port_OpenBtBleProtoV2(const std::string &address, Int autoreplymode) {
  return Call<HandleResult>(::VP_Port_OpenBtBleProtoV2, address, autoreplymode);
}

Int VP_Port_OpenBtBleProtoV3(const std::string &address, Int autoreplymode) {
  return Call<HandleResult>(::VP_Port_OpenBtBleProtoV3, address, autoreplymode);
}

Int VP_Port_OpenBtBleProtoVA(const std::string &address, Int autoreplymode) {
  return Call<HandleResult>(::VP_Port_OpenBtBleProtoVA, address, autoreplymode);
}

Int VP_Port_OpenMemoryBuffer(Int buffer_size) {
  return Call<HandleResult>(::VP_Port_OpenMemoryBuffer, buffer_size);
}

std::vector<std::int32_t> VP_Port_GetBtBleProtoV2PacketSendTimesList(Int handle) {
  const Int length =
      CallOnPort<CountResult>(handle, ::VP_Port_GetBtBleProtoV2PacketSendTimesListLength);
  if (length <= 0) return {};
  std::vector<std::int32_t> values(static_cast<std::size_t>(length));
  // Copies at most `length` entries; its result carries nothing.
  ::VP_Port_GetBtBleProtoV2PacketSendTimesListValue(detail::PortPointer(handle), values.data(),
                                                    static_cast<int>(length));
  return values;
}

bool VP_Port_ClearBtBleProtoV2PacketSendTimesList(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Port_ClearBtBleProtoV2PacketSendTimesList);
}

std::vector<std::uint8_t> VP_Port_GetMemoryBufferData(Int handle) {
  if (handle == 0) return {};
  void *port = detail::PortPointer(handle);
  const unsigned char *data = ::VP_Port_GetMemoryBufferDataPointer(port);
  const unsigned int length = ::VP_Port_GetMemoryBufferDataLength(port);
  if (data == nullptr || length == 0) return {};
  return std::vector<std::uint8_t>(data, data + length);
}

bool VP_Port_ClearMemoryBufferData(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Port_ClearMemoryBufferData);
}

Int VP_Port_Write(Int handle, const std::vector<std::uint8_t> &buffer, Int count, Int timeout) {
  return CallOnPort<CountResult>(handle, ::VP_Port_Write, detail::Bytes(buffer, count), count,
                                 timeout);
}

Int VP_Port_Write(Int handle, const std::vector<std::uint8_t> &buffer, Int offset, Int count,
                  Int timeout) {
  return CallOnPort<CountResult>(handle, ::VP_Port_Write, detail::Bytes(buffer, offset, count),
                                 count, timeout);
}

Int VP_Port_Read(Int handle, std::vector<std::uint8_t> &buffer, Int count, Int timeout) {
  return CallOnPort<CountResult>(handle, ::VP_Port_Read, detail::BytesInOut(buffer, count), count,
                                 timeout);
}

Int VP_Port_ReadUntilByte(Int handle, std::vector<std::uint8_t> &buffer, Int count, Int timeout,
                          std::uint8_t breakByte) {
  return CallOnPort<CountResult>(handle, ::VP_Port_ReadUntilByte, detail::BytesInOut(buffer, count),
                                 count, timeout, breakByte);
}

Int VP_Port_Available(Int handle) {
  return CallOnPort<CountResult>(handle, ::VP_Port_Available);
}

bool VP_Port_SkipAvailable(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Port_SkipAvailable);
}

bool VP_Port_IsConnectionValid(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Port_IsConnectionValid);
}

bool VP_Port_IsOpened(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Port_IsOpened);
}

bool VP_Port_Close(Int handle) {
  return CallOnPort<BoolResult>(handle, ::VP_Port_Close);
}

}  // namespace velmora
