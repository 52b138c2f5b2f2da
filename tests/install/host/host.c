/* Asks the installed driver for its description (command 14) and counts the
 * host library's clients, through the installed headers only. */
#include <ordax.h>
#include <stdio.h>
#include <tamhub.h>

int main(void) {
    DriverInfo info = {0};
    PdxCall call = {0};
    call.command = PDX_DESCRIBE_DRIVER;
    call.args = &info;
    int result = PdxMain(&call);
    if (result != PDX_DONE) {
        printf("describe failed with %d\n", result);
        return 1;
    }
    printf("description: %s\n", info.description);
    printf("channel block: %d bytes\n", info.contextSize);
    printf("clients: %d\n", TamHubClientCount());
    return 0;
}
