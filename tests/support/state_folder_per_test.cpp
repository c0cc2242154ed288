// Linked into every test program: each test runs with a state folder of its
// own (see scoped_state_folder.h), and so does whatever runs outside a test.

#include <gtest/gtest.h>

#include <memory>

#include "support/scoped_state_folder.h"

namespace {

class StateFolderPerTest final : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo&) override {
    current_ = std::make_unique<testing_support::ScopedStateFolder>();
  }
  void OnTestEnd(const ::testing::TestInfo&) override { current_.reset(); }

 private:
  std::unique_ptr<testing_support::ScopedStateFolder> current_;
};

// Set before main: code that runs outside any test has a folder too.
const testing_support::ScopedStateFolder outsideTests;

const bool installed = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new StateFolderPerTest);
  return true;
}();

}  // namespace
