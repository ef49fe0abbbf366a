// Ownership of GMime objects and GLib buffers, and GMime's one-time
// initialisation: for the message parser, and for tests that read MIME
// with GMime.
#pragma once

#include <gmime/gmime.h>

#include <memory>
#include <mutex>

namespace cdo {

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
using GText = std::unique_ptr<char, GFree>;

inline void EnsureGMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

}  // namespace cdo
