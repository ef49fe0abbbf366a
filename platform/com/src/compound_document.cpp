#include "compound_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace com {

namespace {
std::shared_ptr<Node> EmptyRoot() {
  auto n = std::make_shared<Node>();
  n->storage = true;
  return n;
}

}  // namespace

HRESULT StorageErrorFromErrno(int err) {
  switch (err) {
    case ENOENT: return STG_E_FILENOTFOUND;
    case ENOTDIR: return STG_E_PATHNOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS: return STG_E_ACCESSDENIED;
    case ENOSPC: return STG_E_MEDIUMFULL;
    default: return STG_E_WRITEFAULT;
  }
}

Document::Document() : root(EmptyRoot()) {}

Document::~Document() {
  if (writable && !transacted) Save();
}

HRESULT Document::Save() {
  Bytes bytes;
  HRESULT hr = SerializeTree(*root, &bytes);
  if (FAILED(hr)) return hr;
  switch (backing) {
    case Backing::Memory: break;
    case Backing::File: hr = WriteFile(bytes); break;
    case Backing::Stream: hr = WriteStream(bytes); break;
  }
  if (SUCCEEDED(hr) && transacted) committed = std::move(bytes);
  return hr;
}

HRESULT Document::Revert() {
  if (committed.empty()) {
    root = EmptyRoot();
    return S_OK;
  }
  return ParseTree(committed, &root);
}

// A temporary file beside the target, renamed over it: a reader never sees
// half a docfile and a failed write leaves the old file.
HRESULT Document::WriteFile(const Bytes& bytes) const {
  std::string tmp = file.string() + ".~XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) return StorageErrorFromErrno(errno);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    done += static_cast<size_t>(n);
  }
  const int err = done == bytes.size() ? 0 : errno;
  if (::fchmod(fd, 0644) != 0 || ::close(fd) != 0 || err != 0 || ::rename(tmp.c_str(), file.c_str()) != 0) {
    HRESULT hr = StorageErrorFromErrno(err ? err : errno);
    ::unlink(tmp.c_str());
    return hr;
  }
  return S_OK;
}

HRESULT Document::WriteStream(const Bytes& bytes) const {
  LARGE_INTEGER zero{};
  ULARGE_INTEGER empty{};
  HRESULT hr = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  if (SUCCEEDED(hr)) hr = stream->SetSize(empty);
  for (size_t done = 0; SUCCEEDED(hr) && done < bytes.size();) {
    ULONG n = static_cast<ULONG>(std::min<size_t>(bytes.size() - done, 1u << 30));
    hr = stream->Write(bytes.data() + done, n, nullptr);
    done += n;
  }
  return SUCCEEDED(hr) ? stream->Commit(STGC_DEFAULT) : hr;
}

}  // namespace com
