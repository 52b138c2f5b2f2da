// Operator messages: one record of level and printf format, checked against
// the types of its arguments where it is defined, and the one emitter that
// hands messages to the host's message service.
#pragma once

#include <type_traits>

#include "core/format_check.h"
#include "core/host.h"

namespace ordax {

// Message levels of the host's message service.
enum MsgLevel : int {
    kLevelDetail = 8,  // gate-address, request-building, connection steps
    kLevelError = 32,  // configuration, start-up, channel, link and status
};

// The conversion letters an argument of type T may meet.
template <typename T>
constexpr const char *ConversionsFor() {
    if constexpr (std::is_same_v<T, const char *>) {
        return "s";
    } else if constexpr (std::is_same_v<T, int>) {
        return "dixX";
    } else if constexpr (std::is_same_v<T, unsigned>) {
        return "uxX";
    } else {
        static_assert(!sizeof(T), "messages take const char *, int or unsigned");
        return "";
    }
}

// True when `format` has one conversion per argument type, in order, each a
// letter that type may meet.
template <typename... Args>
constexpr bool FormatTakes(const char *format) {
    const char *accepted[] = {ConversionsFor<Args>()..., nullptr};
    int next = 0;
    const bool ok = ForEachConversion(format, [&](char letter) {
        const char *set = accepted[next];
        if (set == nullptr) return false;
        ++next;
        for (; *set != '\0'; ++set) {
            if (*set == letter) return true;
        }
        return false;
    });
    return ok && accepted[next] == nullptr;
}

// Never defined: reaching it while a Message is built stops the compile.
void MessageFormatDoesNotMatchItsArguments();

// One operator message: its level and its printf format, which takes
// arguments of the types Args. Built at compile time only.
template <typename... Args>
struct Message {
    int level;
    const char *format;

    consteval Message(int messageLevel, const char *messageFormat)
        : level(messageLevel), format(messageFormat) {
        if (!FormatTakes<Args...>(messageFormat)) MessageFormatDoesNotMatchItsArguments();
    }
};

// Hands `format` with its arguments to the host at `level`. The caller
// guarantees that the format takes exactly these arguments: Emit below, and
// tables that static_assert their formats with HasConversions.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
#endif
template <typename... Args>
void EmitFormat(int level, const char *format, Args... args) {
    if constexpr (sizeof...(Args) == 0) {
        err(level, "%s", format);  // a text without arguments is printed as it stands
    } else {
        err(level, format, args...);
    }
}
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Sends one message with its arguments.
template <typename... Args>
void Emit(const Message<Args...> &message, std::type_identity_t<Args>... args) {
    EmitFormat(message.level, message.format, args...);
}

}  // namespace ordax
