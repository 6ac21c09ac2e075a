// Ports in the module interface: open, write, read, state, close, the library version, and the
// data lists a port keeps. Every function with a handle returns its failure value for handle 0
// without reaching the port layer; integers that do not fit the port layer's types, and counts or
// offsets beyond the caller's array, are refused the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "velmora/module/types.hpp"

namespace velmora {

// "1.0.7.20211013"
VP_API std::string VP_Library_Version_SwiftFunction();

// Opening: the handle, or 0 when the open failed. Timeouts are in milliseconds. An empty
// local_ip binds to no local address; autoreplymode non-zero switches the printer to automatic
// status reports (vp_port.h tells what that changes).
VP_API Int VP_Port_OpenTcp(const std::string &local_ip, const std::string &dest_ip, Int dest_port,
                           Int timeout, Int autoreplymode);
VP_API Int VP_Port_OpenBtBle(const std::string &address, Int autoreplymode);
VP_API Int VP_Port_OpenBtBleProtoV2(const std::string &address, Int autoreplymode);
VP_API Int VP_Port_OpenBtBleProtoV3(const std::string &address, Int autoreplymode);
VP_API Int VP_Port_OpenBtBleProtoVA(const std::string &address, Int autoreplymode);
VP_API Int VP_Port_OpenMemoryBuffer(Int buffer_size);

// Per packet of the most recent Bluetooth LE protocol V2 write, how often it was sent; empty for
// other ports.
VP_API std::vector<std::int32_t> VP_Port_GetBtBleProtoV2PacketSendTimesList(Int handle);
VP_API bool VP_Port_ClearBtBleProtoV2PacketSendTimesList(Int handle);

// A copy of the bytes a memory port collected; empty for other ports.
VP_API std::vector<std::uint8_t> VP_Port_GetMemoryBufferData(Int handle);
VP_API bool VP_Port_ClearMemoryBufferData(Int handle);

// Writes buffer[0 ..< count] (or buffer[offset ..< offset + count]); bytes written, or -1. A
// short count on a TCP port means the printer stopped taking bytes or hung up (vp_port.h); a
// memory port takes a write whole or not at all.
VP_API Int VP_Port_Write(Int handle, const std::vector<std::uint8_t> &buffer, Int count,
                         Int timeout);
VP_API Int VP_Port_Write(Int handle, const std::vector<std::uint8_t> &buffer, Int offset, Int count,
                         Int timeout);

// Store received bytes at buffer[0], buffer[1], ... (the array keeps its size); bytes read, 0
// after a timeout, or -1.
VP_API Int VP_Port_Read(Int handle, std::vector<std::uint8_t> &buffer, Int count, Int timeout);
VP_API Int VP_Port_ReadUntilByte(Int handle, std::vector<std::uint8_t> &buffer, Int count,
                                 Int timeout, std::uint8_t breakByte);

// Received bytes waiting to be read, or -1.
VP_API Int VP_Port_Available(Int handle);
VP_API bool VP_Port_SkipAvailable(Int handle);
// After an auto-reply open, false until the printer's first status packet has come.
VP_API bool VP_Port_IsConnectionValid(Int handle);
VP_API bool VP_Port_IsOpened(Int handle);
// True when this call closed the port. A port whose printer hung up closes by itself and the
// library then closes its handle, so a later call is not needed and its result says only
// whether it came first (vp_port.h).
VP_API bool VP_Port_Close(Int handle);

}  // namespace velmora
