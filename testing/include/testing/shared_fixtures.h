// Fixtures from ../shared/fixtures beside the checkout (files written by
// other programs, which the repository does not carry). A clone has no
// ../shared: a test that needs such a file is skipped, naming it, and runs
// in full where the file is present.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "testing/temp_machine.h"

// In a test body or a fixture's SetUp: declares `var` as the path of the
// fixture `name`, or skips the test when the file is not there.
#define SKIP_WITHOUT_SHARED_FIXTURE(var, name)                                   \
  const std::filesystem::path var = testing_support::SharedFixtures() / (name);  \
  if (!std::filesystem::exists(var))                                             \
  GTEST_SKIP() << "needs the shared fixture " << var.lexically_normal().string() \
               << ", which this checkout does not have"
