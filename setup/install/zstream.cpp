#include "zstream.h"

namespace {

// The macro passes the version and stream size of the zlib we are built with.
int StartInflate(z_streamp stream) noexcept { return inflateInit(stream); }
int EndInflate(z_streamp stream) noexcept { return inflateEnd(stream); }

}  // namespace

InflateCalls g_inflateCalls = {StartInflate, EndInflate};
