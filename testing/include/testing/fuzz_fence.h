// A fence around the file system for fuzz targets whose inputs name paths
// (a database folder, an attachment's folder). While it is raised, every
// call that creates, writes, renames or removes a file outside the allowed
// folders fails with EACCES, whichever library makes it; reading stays
// open. It wraps the C library's entry points in the fuzz program itself
// (testing/fuzz/fuzz_fence.cpp, linked into the target, which must be
// linked with -rdynamic so that shared libraries reach the wrappers).
#pragma once

#include <filesystem>

namespace testing_support::fence {

// Opens a folder (and everything under it) to writes while raised. The
// folder must exist.
void Allow(const std::filesystem::path& folder);
// Opens the folder where libFuzzer writes its findings, from the program's
// arguments (-artifact_prefix, -exact_artifact_path; else the current
// folder): a crash inside the fence must still leave its input.
void AllowArtifacts(int argc, char** argv);
// Checks, once, that a write outside through the platform's libraries is
// refused while raised; a fence that does not hold is a finding.
void Probe();

// Raised for its lifetime.
class Raised {
 public:
  Raised();
  ~Raised();
  Raised(const Raised&) = delete;
  Raised& operator=(const Raised&) = delete;
};

}  // namespace testing_support::fence
