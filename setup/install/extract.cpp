#include "extract.h"

#include <windows.h>

#include <cstring>

#include "common/text.h"
#include "install/config.h"
#include "install/zstream.h"
#include "platform/file.h"

namespace {

// One output window serves every pass of every file. A pass is offered one
// byte less than the window holds.
constexpr uInt kWindowSize = 65536;
constexpr uInt kPassSize = kWindowSize - 1;
unsigned char g_window[kWindowSize];

// The text of the latest decompression failure; the EDowolny thrown for it
// points here, so each failure replaces the text of the one before.
char g_inflateMessage[1024];

const char kStageInit[] = "initialization data inflation";
const char kStageData[] = "data inflation";
const char kStageEnd[] = "ending inflation";

}  // namespace

void CheckInflateResult(int result, const char* stage) {
  if (result == Z_OK) return;
  FormatText(g_inflateMessage, sizeof g_inflateMessage, "Compresion/decompresion error: %s (%d)", stage, result);
  throw EDowolny(static_cast<int32_t>(E_FAIL), g_inflateMessage);
}

void SetupConfig::InflateResourceToFile(const void* data, uint32_t size, const char* target) {
  DiskFile file;
  InflateStream stream;
  try {
    file.Create(target, 1);
    CheckInflateResult(stream.Init(), kStageInit);
    // zlib's input pointer is not const; it only reads through it.
    stream->next_in = static_cast<Bytef*>(const_cast<void*>(data));
    stream->avail_in = size;

    int result;
    do {
      stream->next_out = g_window;
      stream->avail_out = kPassSize;
      result = stream.Inflate(Z_SYNC_FLUSH);
      // A failing pass writes nothing of what it produced.
      if (result != Z_STREAM_END) CheckInflateResult(result, kStageData);
      file.Write(g_window, kPassSize - stream->avail_out, nullptr);
    } while (result != Z_STREAM_END);

    file.SetEnd();
    file.Close();
  } catch (...) {
    CloseAfterFailure(file);
    throw;
  }
  CheckInflateResult(stream.End(), kStageEnd);
}
