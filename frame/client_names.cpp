// The library's client names: one allocation per distinct text, kept until
// the library unloads.
#include "frame/client_names.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/lock.h"

namespace ordax {

namespace {

constexpr char kClientNameFormat[] = "Ordax%02d";

struct ClientName {
    ClientName *next;
    char text[kClientNameSize];
};

// The names made so far, newest first. A static object, so its destructor
// runs as the library unloads (or the process ends); no channel thread
// reads a name.
class ClientNames {
public:
    ClientNames() = default;
    ClientNames(const ClientNames &) = delete;
    ClientNames &operator=(const ClientNames &) = delete;
    ~ClientNames() {
        while (head_ != nullptr) {
            ClientName *next = head_->next;
            delete head_;
            head_ = next;
        }
    }

    // The name written with the buffer's bound: a channel number of more
    // than four digits, or a negative one, is cut to the nine characters
    // that fit (and shares its text with every channel cut the same way).
    char *For(int channel) {
        char text[kClientNameSize];
        std::snprintf(text, sizeof text, kClientNameFormat, channel);
        plat::LockEnter(&lock_);
        ClientName *found = head_;
        while (found != nullptr && std::strcmp(found->text, text) != 0) found = found->next;
        if (found == nullptr) {
            found = new (std::nothrow) ClientName{};
            if (found != nullptr) {
                std::memcpy(found->text, text, sizeof text);
                found->next = head_;
                head_ = found;
                ++count_;
            }
        }
        plat::LockLeave(&lock_);
        return found != nullptr ? found->text : nullptr;
    }

    int Count() {
        plat::LockEnter(&lock_);
        const int n = count_;
        plat::LockLeave(&lock_);
        return n;
    }

private:
    plat::PlatLock lock_{};  // zero-filled: free on every backend
    ClientName *head_ = nullptr;
    int count_ = 0;
};

constinit ClientNames gNames;

}  // namespace

char *ClientNameFor(int channel) {
    return gNames.For(channel);
}

int ClientNameCount() {
    return gNames.Count();
}

}  // namespace ordax
