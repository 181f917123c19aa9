// Turning one payload stream into its file. The extraction itself is
// SetupConfig::InflateResourceToFile, declared with the configuration
// (config.h) whose rows it serves and defined in extract.cpp; this header holds
// what it shares with its callers and tests.
#ifndef MURKLE_INSTALL_EXTRACT_H
#define MURKLE_INSTALL_EXTRACT_H

// Returns when result is Z_OK; otherwise throws EDowolny(E_FAIL) whose message
// (a process-wide buffer) names stage and the zlib result.
void CheckInflateResult(int result, const char* stage);

#endif
