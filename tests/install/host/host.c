/* A host of the driver. It describes the driver (command 14); given a
 * channel number it also opens that channel from OrdaxNN.int in the current
 * directory (command 1), parses the word gate 01N007010 (command 3), writes
 * 1234 to it (command 7), reads it back (command 5) and closes the channel
 * (command 11). The driver's messages go to the host library's log. */
#include <ordax.h>
#include <stdio.h>
#include <stdlib.h>
#include <tamhub.h>
#include <tamhub_gate.h>

static long long block[PDX_CONTEXT_SIZE / 8]; /* the channel's 20000 bytes, kept by the host */

static int Call(int command, int channel, void *args) {
    PdxCall call = TamHubPdxCall(block, command, channel, args);
    return PdxMain(&call);
}

int main(int argc, char **argv) {
    DriverInfo info = {0};
    if (Call(PDX_DESCRIBE_DRIVER, 0, &info) != PDX_DONE) return 2;
    printf("description: %s\n", info.description);
    printf("channel block: %d bytes\n", info.contextSize);
    printf("clients: %d\n", TamHubClientCount());
    if (argc < 2) return 0;

    const int channel = atoi(argv[1]);
    OpenArgs open = {0};
    open.openNow = 1;
    open.timeoutCs = 100; /* reply time-out 1 s */
    int result = Call(PDX_OPEN_CHANNEL, channel, &open);
    if (result != PDX_DONE) return result;

    GateRecord gate = {0};
    gate.addressText = "01N007010"; /* station 01, integer file 7, element 10 */
    gate.gateType = 0;              /* a word gate */
    result = Call(PDX_PARSE_GATE, channel, &gate);
    if (result == PDX_DONE) {
        unsigned char out[4] = {0, 0, 1234 & 0xFF, 1234 >> 8}; /* a word: bytes 2 and 3 */
        GateAccess access = TamHubGateAccess(&gate, 1, out);
        result = Call(PDX_WRITE_GATE, channel, &access);
    }
    if (result == PDX_DONE) {
        unsigned char in[4] = {0};
        /* Afresh for every call: commands 5 and 7 change the record. */
        GateAccess access = TamHubGateAccess(&gate, 1, in);
        result = Call(PDX_READ_GATE, channel, &access);
        if (result == PDX_DONE) printf("%s: %d\n", gate.addressText, in[2] | in[3] << 8);
    }
    Call(PDX_CLOSE_CHANNEL, channel, NULL);
    return result;
}
