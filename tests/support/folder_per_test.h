// Gives every test its own working folder (<suite>.<name> under the program's folder), so that
// tests run side by side by CTest never share log.txt or the files they write. Every test program
// links folder_per_test.cpp, which includes it.
#pragma once
#include <gtest/gtest.h>
#include <filesystem>
#include <string>
#include <system_error>

namespace folder_per_test {

class Listener : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo& info) override {
    std::error_code error;
    if (home_.empty()) home_ = std::filesystem::current_path(error).string();
    // Parameterised tests have "/" in their names; the folder is one level all the same.
    std::string name = std::string(info.test_suite_name()) + "." + info.name();
    for (char& c : name)
      if (c == '/') c = '_';
    std::string dir = home_ + "/" + name;
    std::filesystem::create_directory(dir, error);
    std::filesystem::current_path(dir, error);
    if (error) ADD_FAILURE() << "cannot enter " << dir;
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    std::error_code error;
    if (!home_.empty()) std::filesystem::current_path(home_, error);
    if (error) ADD_FAILURE() << "cannot return to " << home_;
  }

 private:
  std::string home_;
};

// A death test's child process that starts anew (always on Windows) begins in the program's folder
// and gets no test events: it enters the test's folder, which its filter names, before the test.
class DeathTestChild : public ::testing::Environment {
 public:
  void SetUp() override {
    if (GTEST_FLAG_GET(internal_run_death_test).empty()) return;
    std::string name = GTEST_FLAG_GET(filter);
    for (char& c : name)
      if (c == '/') c = '_';
    std::error_code error;
    std::filesystem::current_path(name, error);
  }
};

inline const bool registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new Listener);
  ::testing::AddGlobalTestEnvironment(new DeathTestChild);
  return true;
}();

}  // namespace folder_per_test
