// Gives every test its own working folder (<suite>.<name> under the program's folder), so that
// tests run side by side by CTest never share log.txt or the files they write. Every test program
// links folder_per_test.cpp, which includes it.
#pragma once
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

namespace folder_per_test {

class Listener : public ::testing::EmptyTestEventListener {
 public:
  void OnTestStart(const ::testing::TestInfo& info) override {
    if (home_.empty()) {
      char buffer[4096];
      if (getcwd(buffer, sizeof buffer)) home_ = buffer;
    }
    // Parameterised tests have "/" in their names; the folder is one level all the same.
    std::string name = std::string(info.test_suite_name()) + "." + info.name();
    for (char& c : name)
      if (c == '/') c = '_';
    std::string dir = home_ + "/" + name;
    mkdir(dir.c_str(), 0755);
    if (chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
  }
  void OnTestEnd(const ::testing::TestInfo&) override {
    if (!home_.empty() && chdir(home_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << home_;
  }

 private:
  std::string home_;
};

inline const bool registered = [] {
  ::testing::UnitTest::GetInstance()->listeners().Append(new Listener);
  return true;
}();

}  // namespace folder_per_test
