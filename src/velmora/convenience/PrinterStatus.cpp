#include "velmora/convenience/NumberText.h"
#include "velmora/convenience/printer_status.hpp"

namespace velmora {
namespace {

bool AnyBit(Int word, Int mask) {
  return (word & mask) != 0;
}

}  // namespace

VLPrinterStatus::VLPrinterStatus(Int error_status, Int info_status)
    : error_status(error_status), info_status(info_status) {}

Int VLPrinterStatus::errorStatus() const {
  return error_status;
}
Int VLPrinterStatus::infoStatus() const {
  return info_status;
}

bool VLPrinterStatus::ERROR_OCCURED() const {
  return error_status != 0;
}
bool VLPrinterStatus::ERROR_CUTTER() const {
  return AnyBit(error_status, 0x001);
}
bool VLPrinterStatus::ERROR_FLASH() const {
  return AnyBit(error_status, 0x002);
}
bool VLPrinterStatus::ERROR_NOPAPER() const {
  return AnyBit(error_status, 0x004);
}
bool VLPrinterStatus::ERROR_VOLTAGE() const {
  return AnyBit(error_status, 0x008);
}
bool VLPrinterStatus::ERROR_MARKER() const {
  return AnyBit(error_status, 0x010);
}
bool VLPrinterStatus::ERROR_ENGINE() const {
  return AnyBit(error_status, 0x020);
}
bool VLPrinterStatus::ERROR_OVERHEAT() const {
  return AnyBit(error_status, 0x040);
}
bool VLPrinterStatus::ERROR_COVERUP() const {
  return AnyBit(error_status, 0x080);
}
bool VLPrinterStatus::ERROR_MOTOR() const {
  return AnyBit(error_status, 0x100);
}
bool VLPrinterStatus::INFO_LABELPAPER() const {
  return AnyBit(info_status, 0x02);
}
bool VLPrinterStatus::INFO_LABELMODE() const {
  return AnyBit(info_status, 0x04);
}
bool VLPrinterStatus::INFO_HAVEDATA() const {
  return AnyBit(info_status, 0x08);
}
bool VLPrinterStatus::INFO_NOPAPERCANCELED() const {
  return AnyBit(info_status, 0x10);
}
bool VLPrinterStatus::INFO_PAPERNOFETCH() const {
  return AnyBit(info_status, 0x20);
}
bool VLPrinterStatus::INFO_PRINTIDLE() const {
  return AnyBit(info_status, 0x40);
}
bool VLPrinterStatus::INFO_RECVIDLE() const {
  return AnyBit(info_status, 0x80);
}

std::string VLPrinterStatus::toString() const {
  std::string error = "Printer Error Status: 0x" + detail::SignedHex(error_status);
  if (ERROR_OCCURED()) {
    if (ERROR_CUTTER()) error += "[ERROR_CUTTER]";
    if (ERROR_FLASH()) error += "[ERROR_FLASH]";
    if (ERROR_NOPAPER()) error += "[ERROR_NOPAPER]";
    if (ERROR_VOLTAGE()) error += "[ERROR_VOLTAGE]";
    if (ERROR_MARKER()) error += "[ERROR_MARKER]";
    if (ERROR_ENGINE()) error += "[ERROR_MOVEMENT]";
    if (ERROR_OVERHEAT()) error += "[ERROR_OVERHEAT]";
    if (ERROR_COVERUP()) error += "[ERROR_COVERUP]";
    if (ERROR_MOTOR()) error += "[ERROR_MOTOR]";
  }
  std::string info = "Printer Info Status: 0x" + detail::SignedHex(info_status);
  if (INFO_LABELMODE()) info += "[Label Mode]";
  if (INFO_LABELPAPER()) info += "[Label Paper]";
  if (INFO_PAPERNOFETCH()) info += "[Paper Not Fetch]";
  return error + "\r\n" + info + "\r\n";
}

}  // namespace velmora
