// Forced into every translation unit of a ThreadSanitizer build: GCC 12's ThreadSanitizer does not
// intercept pthread_mutex_clocklock, which std::timed_mutex::try_lock_for uses, and reports
// every such lock as a race. Without this macro libstdc++ falls back to pthread_mutex_timedlock,
// which it does intercept.
#pragma once
#include <bits/c++config.h>
#undef _GLIBCXX_USE_PTHREAD_MUTEX_CLOCKLOCK
