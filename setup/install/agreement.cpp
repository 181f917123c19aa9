#include "agreement.h"

#include "install/config.h"
#include "install/payload.h"
#include "install/zstream.h"

bool ReadAgreementText(HMODULE module, char (&text)[kAgreementCapacity + 1]) {
  text[0] = '\0';
  PayloadBytes bytes;
  if (!FindPayload(module, kAgreementResource, &bytes)) return false;

  InflateStream stream;
  if (stream.Init() != Z_OK) return false;
  stream->next_in = const_cast<Bytef*>(bytes.data);
  stream->avail_in = bytes.size;
  stream->next_out = reinterpret_cast<Bytef*>(text);
  stream->avail_out = kAgreementCapacity;
  // One call: anything short of the end of the stream means the text is
  // truncated, corrupt or too long for the box.
  if (stream.Inflate(Z_SYNC_FLUSH) != Z_STREAM_END) return false;
  text[stream->total_out] = '\0';
  stream.End();
  return true;
}
