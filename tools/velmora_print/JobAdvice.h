// What to tell the user when the image print job could not be made.
#pragma once

#include <string>

namespace velmora_print {

// What one image print job may hold: VLPrintCommon::printImage sends no larger job.
inline constexpr long long kJobLimitBytes = 1 << 20;

// Why a picture of `width` x `height` pixels, printed one pixel per dot without compression on
// paper `paper_dots` wide (0: not known), made no job, and what picture would print.
std::string JobNotMadeAdvice(long long width, long long height, long long paper_dots);

}  // namespace velmora_print
