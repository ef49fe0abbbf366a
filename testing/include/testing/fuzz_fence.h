// A fence around the file system for fuzz targets whose inputs name paths
// (a database folder, an attachment's folder). While it is raised, every
// call that creates, writes, renames or removes a file outside the allowed
// folders fails with EACCES, whichever library makes it; reading stays
// open. It wraps the C library's entry points in the fuzz program itself
// (testing/fuzz/fuzz_fence.cpp, linked into the target, which must be
// linked with -rdynamic so that shared libraries reach the wrappers), under
// libFuzzer and in the replay build alike.
#pragma once

#include <filesystem>
#include <initializer_list>

namespace testing_support::fence {

// Once, from LLVMFuzzerInitialize: opens `folders` (by default the fuzz
// machine's root and scratch) and, under libFuzzer, the folder where it
// writes its findings, from the program's arguments (-artifact_prefix,
// -exact_artifact_path; else the current folder), since a crash inside the
// fence must still leave its input; the replay build writes none. Then
// checks that a write elsewhere, through the platform's libraries, is
// refused while raised: a fence that does not hold is a finding.
void SetUp(int argc, char** argv, std::initializer_list<std::filesystem::path> folders = {});

// Raised for its lifetime.
class Raised {
 public:
  Raised();
  ~Raised();
  Raised(const Raised&) = delete;
  Raised& operator=(const Raised&) = delete;
};

}  // namespace testing_support::fence
