// Scratch folders for tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

// A fresh, empty folder for the running test, inside the current folder (each build runs its
// tests in a scratch folder of its own). The name carries the test's suite and name and the
// process, so tests that CTest runs at the same time never share it.
inline std::filesystem::path CarpetaDePrueba(const std::string& nombre) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string unico = nombre;
  if (info != nullptr) {
    unico += '_';
    unico += info->test_suite_name();
    unico += '_';
    unico += info->name();
  }
  unico += '_';
  unico += std::to_string(::getpid());
  const auto c = std::filesystem::absolute(unico);
  std::filesystem::remove_all(c);
  std::filesystem::create_directories(c);
  return c;
}
