// The replacement host service library.
#include "host/tamhub.h"

#include "core/host.h"
#include "host/local_time.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <utility>

namespace {

constexpr int kMessageCapacity = 2048;
constexpr const char *kLogVariable = "TAMHUB_LOG";

struct HubState {
    std::recursive_mutex mutex;  // recursive: a sink may call the driver, which logs again
    TamHubMessageSink messageSink = nullptr;
    void *messageUser = nullptr;
    TamHubGateSink gateSink = nullptr;
    void *gateUser = nullptr;
    int clients = 0;
    const char *lastClientName = nullptr;  // as registered: the driver's pointer
    short mkClientResult = 0;
    short putGateResult = 0;
    std::map<std::pair<int, int>, std::string> gateTexts;
};

HubState &Hub() {
    static HubState state;
    return state;
}

// "2026-12-07 21:13:02.123" in local time.
void FormatStamp(char *out, std::size_t capacity) {
    using namespace std::chrono;
    auto now = system_clock::now();
    std::time_t seconds = system_clock::to_time_t(now);
    int ms = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    tamhub::LocalTime(seconds, &local);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(out, capacity, "%s.%03d", date, ms);
}

// Appends one line to the log file or stderr. Caller holds the hub mutex.
void WriteLog(int level, const char *text) {
    char stamp[48];
    FormatStamp(stamp, sizeof stamp);
    const char *path = std::getenv(kLogVariable);
    std::FILE *out = nullptr;
    if (path != nullptr && path[0] != '\0') out = std::fopen(path, "a");
    std::FILE *target = out != nullptr ? out : stderr;
    std::fprintf(target, "%s [%2d] %s\n", stamp, level, text);
    if (out != nullptr)
        std::fclose(out);
    else
        std::fflush(stderr);
}

}  // namespace

extern "C" {

// The three services keep the declarations of core/host.h, which also carry
// the export and, on POSIX, the link name `tamhub_err`.
int err(int level, const char *format, ...) {
    char text[kMessageCapacity] = "";
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
    }
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    if (hub.messageSink != nullptr)
        hub.messageSink(hub.messageUser, level, text);
    else
        WriteLog(level, text);
    return 0;
}

short Tam5MkClient(const char *name, int, int, int *clientId) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    if (hub.mkClientResult != 0) return hub.mkClientResult;
    ++hub.clients;
    hub.lastClientName = name;
    if (clientId != nullptr) *clientId = hub.clients;
    return 0;
}

short Tam5PutGateStr(int client, int gateId, int, const char *text, int, int) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    if (hub.putGateResult != 0) return hub.putGateResult;
    std::string value = text != nullptr ? text : "";
    hub.gateTexts[{client, gateId}] = value;
    if (hub.gateSink != nullptr) hub.gateSink(hub.gateUser, client, gateId, value.c_str());
    return 0;
}

TAMHUB_API void TamHubSetMessageSink(TamHubMessageSink sink, void *user) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    hub.messageSink = sink;
    hub.messageUser = user;
}

TAMHUB_API void TamHubSetGateSink(TamHubGateSink sink, void *user) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    hub.gateSink = sink;
    hub.gateUser = user;
}

TAMHUB_API int TamHubLastGateText(int client, int gateId, char *out, int capacity) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    auto it = hub.gateTexts.find({client, gateId});
    if (it == hub.gateTexts.end()) return 0;
    if (out != nullptr && capacity > 0)
        std::snprintf(out, static_cast<std::size_t>(capacity), "%s", it->second.c_str());
    return 1;
}

TAMHUB_API int TamHubClientCount(void) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    return hub.clients;
}

TAMHUB_API const char *TamHubLastClientName(void) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    return hub.lastClientName;
}

TAMHUB_API void TamHubSetMkClientResult(short code) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    hub.mkClientResult = code;
}

TAMHUB_API void TamHubSetPutGateResult(short code) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    hub.putGateResult = code;
}

TAMHUB_API void TamHubReset(void) {
    HubState &hub = Hub();
    std::lock_guard<std::recursive_mutex> hold(hub.mutex);
    hub.messageSink = nullptr;
    hub.messageUser = nullptr;
    hub.gateSink = nullptr;
    hub.gateUser = nullptr;
    hub.clients = 0;
    hub.lastClientName = nullptr;
    hub.mkClientResult = 0;
    hub.putGateResult = 0;
    hub.gateTexts.clear();
}

}  // extern "C"
