// Owners for libpff handles and errors, and the one scope guard the provider
// uses for C handles.
#pragma once

#include <libpff.h>

#include <memory>
#include <string>
#include <utility>

namespace pst {

// Runs a function when the scope ends, unless dismissed.
template <class F>
class Cleanup {
 public:
  explicit Cleanup(F f) : f_(std::move(f)) {}
  Cleanup(const Cleanup&) = delete;
  Cleanup& operator=(const Cleanup&) = delete;
  ~Cleanup() {
    if (armed_) f_();
  }
  void Dismiss() { armed_ = false; }

 private:
  F f_;
  bool armed_ = true;
};

// The error out parameter of every libpff call; freed with the holder.
class PffError {
 public:
  PffError() = default;
  PffError(const PffError&) = delete;
  PffError& operator=(const PffError&) = delete;
  ~PffError() { Clear(); }
  libpff_error_t** operator&() {
    Clear();
    return &e_;
  }
  void Clear() {
    if (e_) libpff_error_free(&e_);
  }
  // The innermost reason, which the backtrace gives first ("invalid file
  // signature."); the outer lines only repeat which call failed.
  std::string Text() const {
    if (!e_) return {};
    char buf[2048] = {};
    libpff_error_backtrace_sprint(e_, buf, sizeof buf);
    std::string text = buf;
    return text.substr(0, text.find('\n'));
  }

 private:
  libpff_error_t* e_ = nullptr;
};

template <class T, int (*Free)(T**, libpff_error_t**)>
struct PffDeleter {
  void operator()(T* p) const {
    PffError e;
    Free(&p, &e);
  }
};

using ItemHandle = std::unique_ptr<libpff_item_t, PffDeleter<libpff_item_t, libpff_item_free>>;
using RecordSetHandle = std::unique_ptr<libpff_record_set_t, PffDeleter<libpff_record_set_t, libpff_record_set_free>>;
using RecordEntryHandle =
    std::unique_ptr<libpff_record_entry_t, PffDeleter<libpff_record_entry_t, libpff_record_entry_free>>;

struct FileCloser {
  void operator()(libpff_file_t* f) const {
    PffError e;
    libpff_file_close(f, &e);
    libpff_file_free(&f, &e);
  }
};
using FileHandle = std::unique_ptr<libpff_file_t, FileCloser>;

// Adopts what a libpff getter delivered through an out parameter. The
// holder is filled when the full expression ends, so test it in the next
// statement:
//   int r = libpff_folder_get_sub_folder(f, i, Out(sub), &e);
//   if (r != 1 || !sub) ...
template <class H>
class OutParam {
 public:
  explicit OutParam(H& h) : h_(h) {}
  ~OutParam() { h_.reset(p_); }
  operator typename H::pointer*() { return &p_; }

 private:
  H& h_;
  typename H::pointer p_ = nullptr;
};
template <class H>
OutParam<H> Out(H& h) {
  return OutParam<H>(h);
}

}  // namespace pst
