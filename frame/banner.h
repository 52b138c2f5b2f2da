// The driver's description and boxed banner (code page 437), as constant data.
#pragma once

namespace ordax {

extern const char kDriverDescription[];  // "Allen Bradley PLC-5/E, SLC5/05"
extern const char *const kDriverBanner;  // eight lines, NUL-terminated
extern const int kDriverBannerLength;    // bytes before the terminator

}  // namespace ordax
