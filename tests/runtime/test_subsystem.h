// Subsystems made inside tests, installed through InstallSubsystems as the entry points install
// theirs.
#pragma once
#include <span>

#include "runtime/command_dispatch.h"
#include "runtime/command_fusion.h"
#include "runtime/subsystem.h"

namespace qm::test {

// A subsystem made in a test from a table of rows, with the steps and services the test gives it.
struct TestSubsystem {
  explicit TestSubsystem(std::span<const CommandRegistration> rows,
                         std::span<const CommandFusion> fusions = {})
      : family{rows, fusions} {
    record.name = "test";
    record.families = families;
  }
  TestSubsystem(const TestSubsystem&) = delete;
  TestSubsystem& operator=(const TestSubsystem&) = delete;

  CommandFamily family;
  const CommandFamily* families[1] = {&family};
  Subsystem record;
};

}  // namespace qm::test
