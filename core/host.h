// The host application's services, imported from its library (TAMHUB.dll on
// Windows, libtamhub.so on POSIX). The replacement host library compiles
// against these same declarations (with TAMHUB_BUILDING), so the two sides
// cannot drift apart.
//
// On POSIX the C library already has an `err` that prints and exits the
// process, so the message service links under the name `tamhub_err`; the
// driver still calls it `err`. A host that forgets its library therefore
// fails to link or load instead of reaching the C library's function.
#pragma once

#if defined(_WIN32)
#if defined(TAMHUB_BUILDING)
#define ORDAX_HOST_SERVICE __declspec(dllexport)
#else
#define ORDAX_HOST_SERVICE __declspec(dllimport)
#endif
#define ORDAX_HOST_LINKNAME(name)
#else
#define ORDAX_HOST_SERVICE __attribute__((visibility("default")))
#define ORDAX_HOST_LINKNAME(name) __asm__(name)
#endif

#if defined(__GNUC__)
#define ORDAX_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ORDAX_PRINTF(fmt, args)
#endif

extern "C" {

// Write one operator message at `level` (8 or 32); printf-style format.
ORDAX_HOST_SERVICE int err(int level, const char *format, ...) ORDAX_HOST_LINKNAME("tamhub_err")
    ORDAX_PRINTF(2, 3);

// Register the driver as a host client; the host writes the identifier
// through clientId. 0 = success.
ORDAX_HOST_SERVICE short Tam5MkClient(const char *name, int one, int zero, int *clientId);

// Hand a NUL-terminated text to host gate `gateId`. 0 = success.
ORDAX_HOST_SERVICE short Tam5PutGateStr(int client, int gateId, int two, const char *text,
                                        int zero1, int zero2);
}
