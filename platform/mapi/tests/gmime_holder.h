// Ownership of GMime objects and GLib buffers in the tests that read the
// converter's output with GMime.
#pragma once

#include <gmime/gmime.h>

#include <memory>

namespace mime_test {

struct GObjectUnref {
  void operator()(void* p) const noexcept {
    if (p) g_object_unref(p);
  }
};
template <class T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree {
  void operator()(void* p) const noexcept { g_free(p); }
};
using GString = std::unique_ptr<char, GFree>;

// GMime is initialised once per process, on first use.
inline void EnsureGMime() {
  static const bool initialised = [] {
    g_mime_init();
    return true;
  }();
  (void)initialised;
}

}  // namespace mime_test
