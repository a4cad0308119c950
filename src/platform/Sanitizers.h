// Whether the program is built with a sanitizer: the allocators that cut
// blocks from larger ones give each block its own heap allocation instead,
// so that the sanitizer sees every object's lifetime.
#pragma once

namespace corvatine::platform {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kAddressSanitizer = true;
#else
inline constexpr bool kAddressSanitizer = false;
#endif
#else
inline constexpr bool kAddressSanitizer = false;
#endif

#if defined(__SANITIZE_THREAD__)
inline constexpr bool kThreadOrMemorySanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
inline constexpr bool kThreadOrMemorySanitizer = true;
#else
inline constexpr bool kThreadOrMemorySanitizer = false;
#endif
#else
inline constexpr bool kThreadOrMemorySanitizer = false;
#endif

}  // namespace corvatine::platform
