/*
 * tamhub.h - the replacement host service library.
 *
 * It provides the three services the driver imports (message log, client
 * registration, gate texts) and a small control interface with which tests
 * and tools capture what the driver hands to the host.
 *
 * Messages go, with a time stamp and their level, to stderr, or to the file
 * named by the environment variable TAMHUB_LOG, unless a sink is installed.
 * Every function accepts calls from several threads at once.
 */
#ifndef TAMHUB_H
#define TAMHUB_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(_WIN32)
#if defined(TAMHUB_BUILDING)
#define TAMHUB_API __declspec(dllexport)
#else
#define TAMHUB_API __declspec(dllimport)
#endif
#else
#define TAMHUB_API __attribute__((visibility("default")))
#endif

/* Receives each formatted message instead of the log. */
typedef void (*TamHubMessageSink)(void *user, int level, const char *text);
/* Receives each text delivered to a gate (after it has been stored). */
typedef void (*TamHubGateSink)(void *user, int client, int gateId, const char *text);

/* Install a sink; NULL restores the default log. */
TAMHUB_API void TamHubSetMessageSink(TamHubMessageSink sink, void *user);
TAMHUB_API void TamHubSetGateSink(TamHubGateSink sink, void *user);

/* Copy the last text delivered to (client, gateId) into out, NUL-terminated
 * and cut to capacity - 1 bytes. Returns 1 if the gate has a text, else 0. */
TAMHUB_API int TamHubLastGateText(int client, int gateId, char *out, int capacity);

/* Number of clients registered so far. */
TAMHUB_API int TamHubClientCount(void);

/* The name pointer of the last client registered, as the driver passed it
 * (the hub keeps the pointer, as a host may); NULL before the first. */
TAMHUB_API const char *TamHubLastClientName(void);

/* Result codes the next service calls return, for tests of failure paths
 * (0 = success, the default). */
TAMHUB_API void TamHubSetMkClientResult(short code);
TAMHUB_API void TamHubSetPutGateResult(short code);

/* Forget clients, gate texts, sinks and injected results. */
TAMHUB_API void TamHubReset(void);

#ifdef __cplusplus
}
#endif

#endif /* TAMHUB_H */
