/*
 * tamhub_gate.h - the records a host hands to the driver: the PdxCall of
 * every command, and the GateAccess record of the read and write commands
 * (5, 6, 7, 10), filled from the GateRecord that command 3 or 4 decoded.
 *
 * Commands 5 and 7 change the record they receive (count, and data for a
 * 16-bit value), so a host fills it afresh before every call.
 */
#ifndef TAMHUB_GATE_H
#define TAMHUB_GATE_H

#include "ordax.h"

/* The call of `command` on the channel block `block` with the argument
 * record `args`; `channel` is read by command 1 only. */
static inline PdxCall TamHubPdxCall(void *block, int32_t command, int32_t channel, void *args) {
    PdxCall call;
    call.driverContext = block;
    call.command = command;
    call.channel = channel;
    call.reserved12 = 0;
    call.args = args;
    return call;
}

/* The decoded gate `gate` with `count` values at `data`. */
static inline GateAccess TamHubGateAccess(const GateRecord *gate, int32_t count, void *data) {
    GateAccess access;
    access.addressText = gate->addressText;
    access.reserved4 = 0;
    access.station = gate->station;
    access.fileType = gate->fileType;
    access.packedAddress = gate->packedAddress;
    access.bit = gate->bit;
    access.valueBits = gate->valueBits;
    access.reserved28 = 0;
    access.count = count;
    access.reserved36 = 0;
    access.data = data;
    return access;
}

#endif
