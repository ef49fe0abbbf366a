// Ownership of GMime objects and GLib buffers, and GMime's one-time
// initialisation.
#pragma once

#include <gmime/gmime.h>

#include <memory>

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

void EnsureGMime();

}  // namespace cdo
