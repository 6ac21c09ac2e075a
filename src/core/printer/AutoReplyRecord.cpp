#include "core/printer/AutoReplyRecord.h"

namespace velmora::core {

void AutoReplyRecord::Apply(const AutoReplyPacket &packet, int64_t wall_ms, int64_t steady_ms) {
  any_packet = true;
  last_packet_steady_ms = steady_ms;
  switch (packet.type) {
    case AutoReplyPacket::kStatus:
      error_status = packet.U16(0);
      info_status = packet.U16(2);
      status_ms = wall_ms;
      break;
    case AutoReplyPacket::kReceivedCount:
      received_byte_count = packet.U32(0);
      received_ms = wall_ms;
      break;
    case AutoReplyPacket::kPrintedPage:
      printed_page_id = packet.U32(0);
      printed_ms = wall_ms;
      break;
    case AutoReplyPacket::kResolution:
      width_mm = packet.data[0];
      height_mm = packet.data[1];
      dots_per_mm = packet.data[2];
      break;
    case AutoReplyPacket::kLabelAdjustment:
      label_print_adjustment_dots = static_cast<int16_t>(packet.U16(0));
      label_tear_adjustment_dots = static_cast<int16_t>(packet.U16(2));
      label_adjustment_ms = wall_ms;
      break;
    default:
      break;
  }
}

}  // namespace velmora::core
