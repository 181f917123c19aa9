// The two zlib calls of resource extraction whose failures cannot be had from
// any input: starting the stream and ending it. They default to zlib's own;
// only tests put other functions here. Private to extraction and its tests.
#ifndef MURKLE_INSTALL_INFLATE_CALLS_H
#define MURKLE_INSTALL_INFLATE_CALLS_H

#include <zlib.h>

struct InflateCalls {
  int (*init)(z_streamp);  // default: zlib's inflateInit
  int (*end)(z_streamp);   // default: inflateEnd
};

extern InflateCalls g_inflateCalls;

#endif
