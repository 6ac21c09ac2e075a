// The printer's conditions as yes/no questions on the numbers it reports: the two 64-bit
// auto-reply status words (error and info) and the packed real-time status, whose byte n
// (n = 1..4, lowest first) is the answer to the real-time status query DLE EOT n.
#pragma once

#include <cstdint>

#include "velmora/module/types.hpp"

namespace velmora {

namespace detail {
constexpr bool AnyBit(std::int64_t word, std::int64_t mask) {
  return (word & mask) != 0;
}
// The shift is arithmetic; only the masked low bits of the shifted value count, so the sign of
// `status` never changes an answer.
constexpr bool RtBitSet(Int status, int shift, Int mask) {
  return ((status >> shift) & mask) == mask;
}
}  // namespace detail

constexpr bool VP_PRINTERSTATUS_ERROR_CUTTER(std::int64_t error_status) {
  return detail::AnyBit(error_status, 0x1);
}
constexpr bool VP_PRINTERSTATUS_ERROR_FLASH(std::int64_t error_status) {
  return detail::AnyBit(error_status, 0x2);
}
constexpr bool VP_PRINTERSTATUS_ERROR_NOPAPER(std::int64_t error_status) {
  return detail::AnyBit(error_status, 0x4);
}
constexpr bool VP_PRINTERSTATUS_ERROR_VOLTAGE(std::int64_t error_status) {
  return detail::AnyBit(error_status, 0x8);
}
constexpr bool VP_PRINTERSTATUS_ERROR_MARKER(std::int64_t error_status) {
  return detail::AnyBit(error_status, 0x10);
}
constexpr bool VP_PRINTERSTATUS_ERROR_ENGINE(std::int64_t error_status) {
  return detail::AnyBit(error_status, 0x20);
}
constexpr bool VP_PRINTERSTATUS_ERROR_OVERHEAT(std::int64_t error_status) {
  return detail::AnyBit(error_status, 0x40);
}
constexpr bool VP_PRINTERSTATUS_ERROR_COVERUP(std::int64_t error_status) {
  return detail::AnyBit(error_status, 0x80);
}
constexpr bool VP_PRINTERSTATUS_ERROR_MOTOR(std::int64_t error_status) {
  return detail::AnyBit(error_status, 0x100);
}

// Bit 0x1 of the info word means nothing.
constexpr bool VP_PRINTERSTATUS_INFO_LABELPAPER(std::int64_t info_status) {
  return detail::AnyBit(info_status, 0x2);
}
constexpr bool VP_PRINTERSTATUS_INFO_LABELMODE(std::int64_t info_status) {
  return detail::AnyBit(info_status, 0x4);
}
constexpr bool VP_PRINTERSTATUS_INFO_HAVEDATA(std::int64_t info_status) {
  return detail::AnyBit(info_status, 0x8);
}
constexpr bool VP_PRINTERSTATUS_INFO_NOPAPERCANCELED(std::int64_t info_status) {
  return detail::AnyBit(info_status, 0x10);
}
constexpr bool VP_PRINTERSTATUS_INFO_PAPERNOFETCH(std::int64_t info_status) {
  return detail::AnyBit(info_status, 0x20);
}
constexpr bool VP_PRINTERSTATUS_INFO_PRINTIDLE(std::int64_t info_status) {
  return detail::AnyBit(info_status, 0x40);
}
constexpr bool VP_PRINTERSTATUS_INFO_RECVIDLE(std::int64_t info_status) {
  return detail::AnyBit(info_status, 0x80);
}

// Byte 1 (printer status). The drawer reads as opened while its bit is clear, so a status of 0
// (also what a failed query gives) reads as an opened drawer.
constexpr bool VP_RTSTATUS_DRAWER_OPENED(Int status) {
  return !detail::RtBitSet(status, 0, 0x04);
}
constexpr bool VP_RTSTATUS_OFFLINE(Int status) {
  return detail::RtBitSet(status, 0, 0x08);
}
// Byte 2 (offline cause).
constexpr bool VP_RTSTATUS_COVERUP(Int status) {
  return detail::RtBitSet(status, 8, 0x04);
}
constexpr bool VP_RTSTATUS_FEED_PRESSED(Int status) {
  return detail::RtBitSet(status, 8, 0x08);
}
constexpr bool VP_RTSTATUS_NOPAPER(Int status) {
  return detail::RtBitSet(status, 8, 0x20);
}
constexpr bool VP_RTSTATUS_ERROR_OCCURED(Int status) {
  return detail::RtBitSet(status, 8, 0x40);
}
// Byte 3 (error cause).
constexpr bool VP_RTSTATUS_CUTTER_ERROR(Int status) {
  return detail::RtBitSet(status, 16, 0x08);
}
constexpr bool VP_RTSTATUS_UNRECOVERABLE_ERROR(Int status) {
  return detail::RtBitSet(status, 16, 0x20);
}
constexpr bool VP_RTSTATUS_DEGREE_OR_VOLTAGE_OVERRANGE(Int status) {
  return detail::RtBitSet(status, 16, 0x40);
}
// Byte 4 (paper sensor).
constexpr bool VP_RTSTATUS_PAPER_NEAREND(Int status) {
  return detail::RtBitSet(status, 24, 0x08);
}
constexpr bool VP_RTSTATUS_PAPER_TAKEOUT(Int status) {
  return detail::RtBitSet(status, 24, 0x04);
}

}  // namespace velmora
