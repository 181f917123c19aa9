// A zlib inflation stream that is always ended, on every path out of its scope,
// and the two zlib calls it makes.
#ifndef MURKLE_INSTALL_ZSTREAM_H
#define MURKLE_INSTALL_ZSTREAM_H

#include <zlib.h>

#include <cstring>

// Starting a stream and ending it: the two calls whose failures cannot be had
// from any input. They default to zlib's own (inflateInit, with the version and
// structure size this program was compiled against, and inflateEnd); only tests
// put other functions here. Neither throws: zlib is C.
struct InflateCalls {
  int (*init)(z_streamp) noexcept;
  int (*end)(z_streamp) noexcept;
};

extern InflateCalls g_inflateCalls;

class InflateStream {
 public:
  InflateStream() { memset(&stream_, 0, sizeof stream_); }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  ~InflateStream() {
    if (started_) g_inflateCalls.end(&stream_);
  }

  // zlib format, default allocators.
  int Init() {
    int result = g_inflateCalls.init(&stream_);
    started_ = result == Z_OK;
    return result;
  }
  // Ends the stream now and hands back inflateEnd's result, for callers that
  // check it.
  int End() {
    started_ = false;
    return g_inflateCalls.end(&stream_);
  }
  // One inflate() call. zlib is C: it throws nothing.
  int Inflate(int flush) noexcept { return inflate(&stream_, flush); }
  z_stream* operator->() { return &stream_; }

 private:
  z_stream stream_;
  bool started_ = false;
};

#endif
