// The outcome and the measurements of one image print job.
#pragma once

#include <string>

#include "velmora/module/types.hpp"

namespace velmora {

class VP_API VLPrintResult {
 public:
  // True when the whole job was written or, when a wait for the printed job was asked for, the
  // answer of that wait.
  bool printResult = false;
  // Millimetres: the picture's height over the printer's dots per millimetre; 0 when unknown.
  double sourceImageHeight = 0;
  // mm/s sent in front of the job; 0 when none was sent.
  Int settedPrintSpeed = 0;
  // Length of the job, the speed command included, whether the write got it all out or not
  // (printResult tells); 0 when the job could not be made (see printImage).
  Int writeDataSize = 0;
  // Milliseconds the write took.
  double writeTimeUsed = 0;
  // KiB per second; 0 when the size or the time is 0.
  double writeDataSpeed = 0;

  VLPrintResult() = default;
  virtual ~VLPrintResult() = default;

  // Six lines, each ended by "\r\n": "Print Success" or "Print Failed", "Image Height: 50.0 mm",
  // "Data Size: 1.5 kb", "Setted Print Speed: 80 mm/s", "Data Transfer Time: 1.3 seconds",
  // "Data Transfer Speed: 12.0 kb/s" (whole millimetres, other values to one decimal, halves
  // away from zero).
  virtual std::string toString() const;
};

}  // namespace velmora
