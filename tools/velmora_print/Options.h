// The command line of velmora-print.
#pragma once

#include <cstdio>
#include <string>

#include "velmora/velmora.hpp"

namespace velmora_print {

enum class Target {
  VirtualTcp,  // a virtual printer the tool starts on loopback
  VirtualBle,  // a virtual printer the tool places in range of the simulated Bluetooth LE radio
  Tcp,         // a network printer
  Ble,         // a Bluetooth LE printer
};

struct Options {
  bool help = false;
  Target target = Target::VirtualTcp;
  std::string port_type;  // Tcp and Ble: the connector's port type
  std::string address;    // Tcp and Ble: the address on that port
  std::string image = VELMORA_SAMPLE_IMAGE;
  std::string out;
  velmora::Int speed = 0;
  velmora::Int density = -1;
  double feed_mm = 10;
  velmora::Int cut = 1;  // full cut
  velmora::Int wait_ms = 10000;
};

// Reads the arguments. False on a bad one, with `error` saying what was wrong.
bool ParseOptions(int argc, char **argv, Options &options, std::string &error);

void PrintUsage(FILE *to);

}  // namespace velmora_print
