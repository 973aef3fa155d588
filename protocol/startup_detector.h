// Recognises a unit's start-up banner in received text, logs in to its
// system mode, and reports the connection.
#pragma once

#include <atomic>

// Index of the last banner recognised: 0 MARVEK, 1 SOLVIK.
extern std::atomic<int> nDevFamily;
// 1 once any banner has been recognised; never cleared.
extern std::atomic<int> bDevSeen;

enum { DEV_FAMILY_MARVEK = 0, DEV_FAMILY_SOLVIK = 1 };

// Called with every received chunk on the reader thread. May shorten the
// chunk in place and sends the login line with SerialWrite. Returns 0.
int DetectStartup(char* chunk);

// Reads up to four pairs of hex digits into `out`, one byte a pair.
// Returns 0 after four pairs, -1 at the first pair with another character.
int HexToBytes(const char* text, unsigned char* out);
