/*
 * ordax.h - the C interface a host compiles against to load the Ordax driver.
 *
 * The host passes one PdxCall record to the single export PdxMain for every
 * request. All records below live in host memory; the driver reads them and
 * writes only the fields documented as driver-written.
 *
 * On the 32-bit Windows build every record has the fixed byte offsets of the
 * host interface (32-bit little-endian fields, 32-bit pointers). 64-bit builds
 * keep the same field order, reserved slots included, with natural alignment.
 */
#ifndef ORDAX_H
#define ORDAX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Command codes: the slot numbers of the driver's command table. */
enum PdxCommand {
    PDX_OPEN_CHANNEL = 1,
    PDX_NOP = 2,
    PDX_PARSE_GATE = 3,
    PDX_PARSE_BLOCK = 4,
    PDX_READ_GATE = 5,
    PDX_READ_BLOCK = 6,
    PDX_WRITE_GATE = 7,
    PDX_WRITE_BLOCK = 10,
    PDX_CLOSE_CHANNEL = 11,
    PDX_UNSUPPORTED_12 = 12,
    PDX_UNSUPPORTED_13 = 13,
    PDX_DESCRIBE_DRIVER = 14,
    PDX_SET_REPLY_TIMEOUT = 15
};

/* Host result codes: what PdxMain returns. */
enum PdxResult {
    PDX_DONE = 0,          /* done */
    PDX_REQUEST_ERROR = 1, /* the request is wrong or the PLC refused it */
    PDX_LINK_ERROR = 2     /* the driver, the channel or the link failed */
};

/* Size of the per-channel block the host must provide (command 14). */
#define PDX_CONTEXT_SIZE 20000

/* Gate kinds the host sets in GateRecord.gateType; every other value is an
 * integer (word) gate. */
#define PDX_GATE_REAL 3
#define PDX_GATE_DIGITAL 6
#define PDX_GATE_STRING 7

/* The record passed with every call. The driver never writes it. */
typedef struct PdxCall {
    void *driverContext; /* the channel's 20000-byte block */
    int32_t command;     /* command code, see PdxCommand */
    int32_t channel;     /* host channel number; read by command 1 only */
    int32_t reserved12;  /* neither read nor written by the driver */
    void *args;          /* the command's argument record */
} PdxCall;

/* Command 1 arguments. */
typedef struct OpenArgs {
    int32_t reserved0[3];
    int32_t openNow;   /* 0 = prepare the channel only; else open it now */
    int32_t timeoutCs; /* reply time-out in units of 10 ms */
} OpenArgs;

/* Command 15 arguments. */
typedef struct TimeoutArgs {
    int32_t reserved0[3];
    int32_t timeoutCs; /* reply time-out in units of 10 ms; 0 = unchanged */
} TimeoutArgs;

/* Command 14 fills this record; offsets 20 and 24 stay as the host set them. */
typedef struct DriverInfo {
    int32_t fixed70;         /* always 70 */
    const char *description; /* one-line description */
    const char *banner;      /* boxed banner, code page 437 */
    int32_t contextSize;     /* PDX_CONTEXT_SIZE */
    int32_t fixed1;          /* always 1 */
    int32_t hostOwned20;     /* not written */
    int32_t hostOwned24;     /* not written */
    int32_t fixed3;          /* always 3 */
} DriverInfo;

/* A gate as commands 3 and 4 receive it. */
typedef struct GateRecord {
    const char *addressText; /* NUL-terminated gate address (host) */
    int32_t gateId;          /* host's gate identifier (host) */
    int32_t gateType;        /* 3 real, 6 digital, 7 string, else integer */
    int32_t blockLength;     /* values in a block gate (command 4 only) */
    int32_t station;         /* decoded station 0..99 */
    int32_t fileType;        /* file-type letter, upper case */
    int32_t packedAddress;   /* element | file << 12 | sub-element << 24 */
    int32_t bit;             /* bit number; 255 = no bit */
    int32_t valueBits;       /* 16 or 32 */
} GateRecord;

/* A gate as the read and write commands (5, 6, 7, 10) receive it. */
typedef struct GateAccess {
    const char *addressText; /* used only to name the gate in messages */
    int32_t reserved4;
    int32_t station;
    int32_t fileType;
    int32_t packedAddress;
    int32_t bit;
    int32_t valueBits;
    int32_t reserved28;
    int32_t count; /* number of values to transfer */
    int32_t reserved36;
    void *data; /* the host's value buffer */
} GateAccess;

/* The single export of the driver library.
 *
 * Memory: the driver's own allocations are the client name it registers
 * with Tam5MkClient and the records of the channel's X and Y string gates.
 * A client name ("Ordax07") is allocated once per load of the library and
 * given to every command 1 that registers that text: command 1 on a block it
 * prepared before hands the host the same pointer again, and the text stays
 * valid, unchanged, until the library is unloaded. The string gates' records
 * are freed by command 11 and by command 1 on a block it prepared before.
 *
 * Threads: channels (blocks) are independent and may be called in parallel
 * from any threads. The gate commands of one channel (3 to 7 and 10) are
 * served one at a time: overlapping calls from several threads wait for each
 * other. Command 11 may come from any thread: calls arriving during it fail
 * with result 2 ("Channel not Open"), the call under way is waited for, and a
 * block that command 1 never prepared is left untouched. Command 1 on a block
 * whose channel runs closes that channel first; commands 1 and 11 of one
 * block are not to race each other. The channel thread keeps the library
 * loaded while it runs.
 *
 * Calling back: a host service (err, Tam5MkClient, Tam5PutGateStr) may call
 * PdxMain, but commands 1, 3 to 7, 10 and 11 for the channel whose call is
 * under way on that thread, or from the channel's own thread (its messages
 * come through err), fail at once with result 2 and a level-8 message
 * "Ordax : Command <n> refused, called back from within the driver on this
 * channel". Other channels, and commands 2, 12 to 15, are served as usual. */
#if defined(_WIN32) && !defined(ORDAX_BUILDING)
__declspec(dllimport) int PdxMain(PdxCall *call);
#elif defined(__GNUC__) && !defined(_WIN32)
__attribute__((visibility("default"))) int PdxMain(PdxCall *call);
#else
int PdxMain(PdxCall *call);
#endif

#ifdef __cplusplus
}
#endif

#endif /* ORDAX_H */
