// Compile-time proof of the host records' byte layout. The 32-bit build must
// match the host's offsets exactly; 64-bit builds keep the same field order
// with natural alignment.
#include <cstddef>

#include "core/context.h"
#include "ordax.h"

#define ORDAX_AT(type, field, offset) \
    static_assert(offsetof(type, field) == (offset), #type "." #field)

#if UINTPTR_MAX == 0xFFFFFFFFu
ORDAX_AT(PdxCall, driverContext, 0);
ORDAX_AT(PdxCall, command, 4);
ORDAX_AT(PdxCall, channel, 8);
ORDAX_AT(PdxCall, reserved12, 12);
ORDAX_AT(PdxCall, args, 16);
static_assert(sizeof(PdxCall) == 20);

ORDAX_AT(OpenArgs, openNow, 12);
ORDAX_AT(OpenArgs, timeoutCs, 16);
ORDAX_AT(TimeoutArgs, timeoutCs, 12);

ORDAX_AT(DriverInfo, fixed70, 0);
ORDAX_AT(DriverInfo, description, 4);
ORDAX_AT(DriverInfo, banner, 8);
ORDAX_AT(DriverInfo, contextSize, 12);
ORDAX_AT(DriverInfo, fixed1, 16);
ORDAX_AT(DriverInfo, hostOwned20, 20);
ORDAX_AT(DriverInfo, hostOwned24, 24);
ORDAX_AT(DriverInfo, fixed3, 28);
static_assert(sizeof(DriverInfo) == 32);

ORDAX_AT(GateRecord, addressText, 0);
ORDAX_AT(GateRecord, gateId, 4);
ORDAX_AT(GateRecord, gateType, 8);
ORDAX_AT(GateRecord, blockLength, 12);
ORDAX_AT(GateRecord, station, 16);
ORDAX_AT(GateRecord, fileType, 20);
ORDAX_AT(GateRecord, packedAddress, 24);
ORDAX_AT(GateRecord, bit, 28);
ORDAX_AT(GateRecord, valueBits, 32);
static_assert(sizeof(GateRecord) == 36);

ORDAX_AT(GateAccess, addressText, 0);
ORDAX_AT(GateAccess, reserved4, 4);
ORDAX_AT(GateAccess, station, 8);
ORDAX_AT(GateAccess, fileType, 12);
ORDAX_AT(GateAccess, packedAddress, 16);
ORDAX_AT(GateAccess, bit, 20);
ORDAX_AT(GateAccess, valueBits, 24);
ORDAX_AT(GateAccess, reserved28, 28);
ORDAX_AT(GateAccess, count, 32);
ORDAX_AT(GateAccess, reserved36, 36);
ORDAX_AT(GateAccess, data, 40);
static_assert(sizeof(GateAccess) == 44);
#else
ORDAX_AT(PdxCall, driverContext, 0);
ORDAX_AT(PdxCall, command, 8);
ORDAX_AT(PdxCall, channel, 12);
ORDAX_AT(PdxCall, reserved12, 16);
ORDAX_AT(PdxCall, args, 24);

ORDAX_AT(OpenArgs, openNow, 12);
ORDAX_AT(OpenArgs, timeoutCs, 16);
ORDAX_AT(TimeoutArgs, timeoutCs, 12);

ORDAX_AT(DriverInfo, description, 8);
ORDAX_AT(DriverInfo, banner, 16);
ORDAX_AT(DriverInfo, contextSize, 24);
ORDAX_AT(DriverInfo, fixed3, 40);

ORDAX_AT(GateRecord, gateId, 8);
ORDAX_AT(GateRecord, valueBits, 36);

ORDAX_AT(GateAccess, reserved4, 8);
ORDAX_AT(GateAccess, count, 36);
ORDAX_AT(GateAccess, data, 48);
#endif

// The station lock lives in the block on every backend.
static_assert(sizeof(plat::PlatLock) == sizeof(void *));
static_assert(sizeof(ordax::DriverContext) <= ordax::kContextSize);
