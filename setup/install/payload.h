// Payload resources: one zlib stream per installed file, type "BIN".
#ifndef MURKLE_INSTALL_PAYLOAD_H
#define MURKLE_INSTALL_PAYLOAD_H

#include <windows.h>

#include <cstdint>

// The resource type of the payload streams.
#define PAYLOAD_TYPE "BIN"

struct PayloadBytes {
  const unsigned char* data = nullptr;  // where the module holds it; valid for the process
  uint32_t size = 0;
};

// Finds resource id (low 16 bits, an integer name) of type "BIN" in module.
// False when there is no such resource or its bytes cannot be had.
bool FindPayload(HMODULE module, int32_t id, PayloadBytes* bytes);

#endif
