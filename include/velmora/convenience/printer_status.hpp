// The printer's last reported status as named flags: the error word and the info word of its
// automatic status reports.
#pragma once

#include <string>

#include "velmora/module/types.hpp"

namespace velmora {

class VP_API VLPrinterStatus {
 public:
  VLPrinterStatus(Int error_status, Int info_status);
  virtual ~VLPrinterStatus() = default;

  virtual Int errorStatus() const;
  virtual Int infoStatus() const;

  // True when any error bit is set, also one without a flag of its own.
  virtual bool ERROR_OCCURED() const;
  virtual bool ERROR_CUTTER() const;
  virtual bool ERROR_FLASH() const;
  virtual bool ERROR_NOPAPER() const;
  virtual bool ERROR_VOLTAGE() const;
  virtual bool ERROR_MARKER() const;
  virtual bool ERROR_ENGINE() const;
  virtual bool ERROR_OVERHEAT() const;
  virtual bool ERROR_COVERUP() const;
  virtual bool ERROR_MOTOR() const;
  virtual bool INFO_LABELPAPER() const;
  virtual bool INFO_LABELMODE() const;
  virtual bool INFO_HAVEDATA() const;
  virtual bool INFO_NOPAPERCANCELED() const;
  virtual bool INFO_PAPERNOFETCH() const;
  virtual bool INFO_PRINTIDLE() const;
  virtual bool INFO_RECVIDLE() const;

  // Two lines, each ended by "\r\n": "Printer Error Status: 0x21[ERROR_CUTTER][ERROR_MOVEMENT]"
  // and "Printer Info Status: 0x6[Label Mode][Label Paper]": each word in upper-case hex (a
  // negative one as "-" and its magnitude), then one tag per set bit, in this order. Error tags:
  // [ERROR_CUTTER], [ERROR_FLASH], [ERROR_NOPAPER], [ERROR_VOLTAGE], [ERROR_MARKER],
  // [ERROR_MOVEMENT] (the bit of ERROR_ENGINE()), [ERROR_OVERHEAT], [ERROR_COVERUP],
  // [ERROR_MOTOR], each other tag the bit of its namesake accessor. Info tags: [Label Mode]
  // INFO_LABELMODE(), [Label Paper] INFO_LABELPAPER(), [Paper Not Fetch] INFO_PAPERNOFETCH().
  // Other bits show only in the hex value.
  virtual std::string toString() const;

 private:
  Int error_status;
  Int info_status;
};

}  // namespace velmora
