// Captures the operator messages the driver sends to the host, for tests.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/message.h"
#include "host/tamhub.h"

namespace ordax_test {

struct Message {
    int level;
    std::string text;
};

// Installs itself as the host's message sink for its lifetime.
class MessageCapture {
public:
    MessageCapture() { TamHubSetMessageSink(&MessageCapture::Sink, this); }
    ~MessageCapture() { TamHubSetMessageSink(nullptr, nullptr); }
    MessageCapture(const MessageCapture &) = delete;
    MessageCapture &operator=(const MessageCapture &) = delete;

    std::vector<Message> All() const {
        std::lock_guard<std::mutex> hold(mutex_);
        return messages_;
    }
    void Clear() {
        std::lock_guard<std::mutex> hold(mutex_);
        messages_.clear();
    }
    // True when some message has exactly this text and level.
    bool Has(const std::string &text, int level) const {
        std::lock_guard<std::mutex> hold(mutex_);
        for (const Message &m : messages_) {
            if (m.text == text && m.level == level) return true;
        }
        return false;
    }
    size_t Count() const {
        std::lock_guard<std::mutex> hold(mutex_);
        return messages_.size();
    }

private:
    static void Sink(void *user, int level, const char *text) {
        auto *self = static_cast<MessageCapture *>(user);
        std::lock_guard<std::mutex> hold(self->mutex_);
        self->messages_.push_back({level, text});
    }

    mutable std::mutex mutex_;
    std::vector<Message> messages_;
};

}  // namespace ordax_test
