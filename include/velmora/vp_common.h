/* Common definitions of the flat C interface. */
#ifndef VELMORA_VP_COMMON_H
#define VELMORA_VP_COMMON_H

#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

#if defined(__GNUC__)
#define VP_API __attribute__((visibility("default")))
#else
#define VP_API
#endif

#ifdef __cplusplus
#define VP_EXTERN_C_BEGIN extern "C" {
#define VP_EXTERN_C_END }
#else
#define VP_EXTERN_C_BEGIN
#define VP_EXTERN_C_END
#endif

/* Every enumeration of the interface holds any 32-bit value: the named values are those the
 * printer knows, any other is passed on unchanged (its low byte where a command carries one
 * byte). A C enumeration takes any value of its integer type anyway; C++ is told its type. */
#ifdef __cplusplus
#define VP_ENUM_TYPE : unsigned int
#else
#define VP_ENUM_TYPE
#endif

/* Kind of an open port, one bit each. */
#define VP_PORT_TYPE_COM 1
#define VP_PORT_TYPE_TCP 2
#define VP_PORT_TYPE_USB 4
#define VP_PORT_TYPE_LPT 8
#define VP_PORT_TYPE_UDP 16
#define VP_PORT_TYPE_FILE 128
#define VP_PORT_TYPE_MEMORY 256
#define VP_PORT_TYPE_BT_SPP 512
#define VP_PORT_TYPE_BT_BLE 2048
#define VP_PORT_TYPE_BT_BLE_PROTO_V2 16384
#define VP_PORT_TYPE_BT_BLE_PROTO_V3 32768
#define VP_PORT_TYPE_BT_BLE_PROTO_VA 65536
#define VP_PORT_TYPE_HEX_CMD_GENERATOR 131072
#define VP_PORT_TYPE_BT_BLE_PROTO_V4 262144

#endif
