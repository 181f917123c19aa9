#include "payload.h"

bool FindPayload(HMODULE module, int32_t id, PayloadBytes* bytes) {
  HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id & 0xFFFF), PAYLOAD_TYPE);
  if (!info) return false;
  HGLOBAL loaded = LoadResource(module, info);
  if (!loaded) return false;
  const void* data = LockResource(loaded);
  if (!data) return false;
  bytes->data = static_cast<const unsigned char*>(data);
  bytes->size = SizeofResource(module, info);
  return true;
}
