#include "Options.h"

#include <arpa/inet.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace velmora_print {
namespace {

using velmora::Int;
using velmora::VLPrinterDevice;

bool IsHelp(const char *arg) {
  return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

// `--out --wait 0` lacks the file name: an option's value is never another option. A value
// that starts with a digit or a point after its '-' is a (negative) number.
bool IsOption(const std::string &arg) {
  return arg.size() > 1 && arg[0] == '-' && !std::isdigit(static_cast<unsigned char>(arg[1])) &&
         arg[1] != '.';
}

bool ParseInt(const std::string &text, Int low, Int high, Int &value) {
  char *end = nullptr;
  const long long parsed = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str() || *end != '\0' || parsed < low || parsed > high) return false;
  value = static_cast<Int>(parsed);
  return true;
}

bool ParseMillimetres(const std::string &text, double &value) {
  char *end = nullptr;
  const double parsed = std::strtod(text.c_str(), &end);
  if (end == text.c_str() || *end != '\0' || !(parsed >= 0 && parsed <= 1000)) return false;
  value = parsed;
  return true;
}

bool IsIpAddress(const std::string &text) {
  unsigned char buffer[sizeof(in6_addr)];
  return inet_pton(AF_INET, text.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

bool IsBleAddress(const std::string &text) {
  if (text.size() != 17) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (i % 3 == 2 ? c != ':' : !std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string Quoted(const std::string &text) {
  return "'" + text + "'";
}

// Reads PRINTER into the target, port type and address.
bool ParsePrinter(const std::string &text, Options &options, std::string &error) {
  if (text == "virtual" || text == "virtual-ble") {
    options.target = text == "virtual" ? Target::VirtualTcp : Target::VirtualBle;
    return true;
  }
  std::string type = "btbleva";
  std::string address = text;
  if (!IsBleAddress(text)) {
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
      error = IsIpAddress(text)
                  ? text + " names no port type: a network printer is written tcp:" + text
                  : "unknown printer " + Quoted(text) +
                        ": give virtual, virtual-ble, tcp:HOST, a Bluetooth LE "
                        "address AA:BB:CC:DD:EE:FF or TYPE:ADDRESS";
      return false;
    }
    type = text.substr(0, colon);
    address = text.substr(colon + 1);
  }
  if (!VLPrinterDevice::fromRawValue(type)) {
    error = text + ": unknown port type " + Quoted(type) +
            " (the port types are tcp, btblewr, btblev2, btblev3 and btbleva)";
    return false;
  }
  if (type == "tcp" && !IsIpAddress(address)) {
    error = text + ": the printer's HOST must be an IP address (no host names are looked up)";
    return false;
  }
  if (type != "tcp" && !IsBleAddress(address)) {
    error = text + ": a Bluetooth LE address is six hex bytes, AA:BB:CC:DD:EE:FF";
    return false;
  }
  options.target = type == "tcp" ? Target::Tcp : Target::Ble;
  options.port_type = type;
  options.address = address;
  return true;
}

// Reads the value of `option`; on a bad one `error` says which values it takes.
bool ParseValue(const std::string &option, const std::string &value, Options &options,
                std::string &error) {
  bool ok = true;
  std::string range;
  if (option == "--out") {
    options.out = value;
  } else if (option == "--speed") {
    ok = ParseInt(value, 0, 65535, options.speed);
    range = "the print speed is a whole number of mm/s from 0 to 65535";
  } else if (option == "--density") {
    ok = ParseInt(value, 0, 15, options.density);
    range = "the print density is a whole number from 0 to 15";
  } else if (option == "--wait") {
    ok = ParseInt(value, 0, INT_MAX, options.wait_ms);
    range = "the wait is a whole number of milliseconds, 0 or more";
  } else {
    ok = ParseMillimetres(value, options.feed_mm);
    range = "the paper feed is a number of millimetres from 0 to 1000";
  }
  if (!ok) error = option + " " + Quoted(value) + ": " + range;
  return ok;
}

// Whether the paper may be saved as `path`: a regular file there is replaced, else its
// directory takes a new one. False, with `error` saying why, when not.
bool CanWritePaper(const std::string &path, std::string &error) {
  const std::string what = "--out " + path + ": ";
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) {
      error = what + "a directory; give the name of a PNG file";
    } else if (!S_ISREG(info.st_mode)) {
      error = what + "not a regular file";
    } else if (::access(path.c_str(), W_OK) != 0) {
      error = what + std::strerror(errno);
    }
    return error.empty();
  }
  const auto slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "."
                          : slash == 0               ? "/"
                                                     : path.substr(0, slash);
  if (::stat(dir.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    error = what + "no directory " + dir;
  } else if (::access(dir.c_str(), W_OK | X_OK) != 0) {
    error = what + "cannot write in " + dir + ": " + std::strerror(errno);
  }
  return error.empty();
}

}  // namespace

bool ParseOptions(int argc, char **argv, Options &options, std::string &error) {
  for (int i = 1; i < argc; ++i) {
    if (IsHelp(argv[i])) {
      options.help = true;
      return true;
    }
  }
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--no-cut") {
      options.cut = 0;
    } else if (arg == "--out" || arg == "--speed" || arg == "--density" || arg == "--wait" ||
               arg == "--feed") {
      if (i + 1 == argc) {
        error = arg + " needs a value";
        return false;
      }
      if (IsOption(argv[i + 1])) {
        error = arg + " needs a value; " + argv[i + 1] + " is an option";
        return false;
      }
      if (!ParseValue(arg, argv[++i], options, error)) return false;
    } else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return false;
    } else if (positional == 0) {
      if (!ParsePrinter(arg, options, error)) return false;
      ++positional;
    } else if (positional == 1) {
      options.image = arg;
      ++positional;
    } else {
      error = "unexpected argument " + Quoted(arg) + ": PRINTER and IMAGE are given already";
      return false;
    }
  }
  if (!options.out.empty() && (options.target == Target::Tcp || options.target == Target::Ble)) {
    error = "--out saves the paper of a virtual printer only; this job goes to a real printer";
    return false;
  }
  // Found now, not once the job has printed.
  return options.out.empty() || CanWritePaper(options.out, error);
}

void PrintUsage(FILE *to) {
  std::fputs(
      "usage: velmora-print [options] [PRINTER [IMAGE]]\n"
      "Prints IMAGE as a raster picture on PRINTER through the printer connector and shows\n"
      "the print result.\n"
      "\n"
      "PRINTER\n"
      "  virtual            (the default) a virtual printer the tool starts on loopback,\n"
      "                     TCP port 9100; its paper is saved as a PNG\n"
      "  virtual-ble        a virtual printer the tool places in range of the simulated\n"
      "                     Bluetooth LE radio (a btbleva port); its paper is saved as a PNG\n"
      "  tcp:HOST           a network printer at the IP address HOST, TCP port 9100\n"
      "  AA:BB:CC:DD:EE:FF  a Bluetooth LE printer; TYPE:AA:BB:CC:DD:EE:FF picks the port type\n"
      "                     (btblewr, btblev2, btblev3, or btbleva, the default). This platform\n"
      "                     has no Bluetooth LE radio: only virtual-ble is in range.\n"
      "IMAGE                a PNG, JPEG, BMP or GIF file (default: the sample receipt),\n"
      "                     printed centred, one pixel per dot, so at most as wide as the paper\n"
      "                     (the virtual printers' paper is 640 dots wide): of a wider picture\n"
      "                     the columns past the paper do not print, and the tool says so.\n"
      "                     Transparent parts print white. One job holds at most 1 MiB with its\n"
      "                     other commands, about 8 million dots of picture; a picture past\n"
      "                     that is not sent, and the tool says what would fit.\n"
      "\n"
      "options\n"
      "  --out FILE     where a virtual printer's paper goes, as a PNG as wide as the paper\n"
      "                 with the feeds and a dashed grey row at each cut\n"
      "                 (default: velmora-print-paper.png next to this program)\n"
      "  --speed MM_S   print speed 0..65535 sent in front of the job (default, 0: none)\n"
      "  --density N    print density 0..15 (default: the printer's own)\n"
      "  --feed MM      paper fed after the picture, 0..1000 (default 10)\n"
      "  --no-cut       no cut after the picture (default: full cut)\n"
      "  --wait MS      wait that long for the printer to confirm the print\n"
      "                 (default 10000; 0: no wait)\n"
      "  -h, --help     this text\n"
      "\n"
      "exit status: 0 printed, 1 not printed, 2 a bad command line\n",
      to);
}

}  // namespace velmora_print
