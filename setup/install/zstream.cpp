#include "zstream.h"

namespace {

// The macro passes the version and stream size of the zlib we are built with.
int StartInflate(z_streamp stream) { return inflateInit(stream); }

}  // namespace

InflateCalls g_inflateCalls = {StartInflate, inflateEnd};
