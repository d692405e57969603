// The program's arguments and environment. The entry point records the arguments once;
// code below asks for NAME=value arguments with CommandLineValue and reads variables here,
// so that tests can set both without touching the real process.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vek {

// Records argv[0..argc-1]; argument 0 is the program path.
void SetProgramArguments(int argc, const char* const* argv);
void SetProgramArguments(std::vector<std::string> arguments);
const std::vector<std::string>& ProgramArguments();

// The value of the first argument after the program path that begins with name + "=",
// the name compared without regard to case; at most 255 characters; empty when none.
std::string CommandLineValue(const std::string& name);

// Environment access; an absent variable reads as empty text.
std::string GetEnvironmentVariable(const std::string& name);
std::optional<std::string> FindEnvironmentVariable(const std::string& name);
void SetEnvironmentVariable(const std::string& name, const std::string& value);
void UnsetEnvironmentVariable(const std::string& name);

// Sets or unsets a variable for the lifetime of the object; for tests and tools.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(std::string name, std::optional<std::string> value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace vek
