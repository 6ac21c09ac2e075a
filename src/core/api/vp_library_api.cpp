#include "velmora/vp_port.h"

extern "C" {

const char *VP_Library_Version(void) {
  return "1.0.7.20211013";
}

}  // extern "C"
