// A zlib inflation stream that is always ended, on every path out of its scope.
#ifndef MURKLE_INSTALL_ZSTREAM_H
#define MURKLE_INSTALL_ZSTREAM_H

#include <zlib.h>

#include <cstring>

class InflateStream {
 public:
  InflateStream() { memset(&stream_, 0, sizeof stream_); }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  ~InflateStream() {
    if (started_) inflateEnd(&stream_);
  }

  // zlib format, default allocators; the version and structure size are the
  // ones this program was compiled against, as inflateInit passes them.
  int Init() {
    int result = inflateInit(&stream_);
    started_ = result == Z_OK;
    return result;
  }
  // Ends the stream now and hands back inflateEnd's result.
  int End() {
    started_ = false;
    return inflateEnd(&stream_);
  }
  z_stream* operator->() { return &stream_; }
  z_stream* Get() { return &stream_; }

 private:
  z_stream stream_;
  bool started_ = false;
};

#endif
