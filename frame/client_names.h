// The client names command 1 registers with the host ("Ordax%02d" of the
// channel). The host may keep the pointer it was given, so a name is never
// freed while the library is loaded: each text is allocated once per load
// and handed to every open that registers it, however often a block is
// opened again. The texts are released as the library unloads, with the
// constant texts of command 14.
#pragma once

namespace ordax {

constexpr int kClientNameSize = 10;  // "Ordax" and up to four digits, terminated

// The library's one copy of the client name of `channel`, allocated at its
// first use; nullptr when it cannot be allocated. Safe from any thread.
char *ClientNameFor(int channel);

// The number of distinct names held (for the tests of repeated opens).
int ClientNameCount();

}  // namespace ordax
