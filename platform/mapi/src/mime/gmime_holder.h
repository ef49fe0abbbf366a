// Ownership of GMime objects and GLib buffers.
#pragma once

#include <gmime/gmime.h>

#include <memory>

namespace mime {

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
void EnsureGMime();

}  // namespace mime
