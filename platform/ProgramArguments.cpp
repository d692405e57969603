// Program arguments and environment variables behind one small interface.
#include "platform/ProgramArguments.h"

#include <cstdlib>
#include <mutex>

#include "platform/TextCase.h"

namespace vek {
namespace {

constexpr std::size_t kMaxArgumentValueLength = 255;

std::mutex& ArgumentsMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<std::string>& StoredArguments() {
  static std::vector<std::string> arguments;
  return arguments;
}

}  // namespace

void SetProgramArguments(int argc, const char* const* argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i] ? argv[i] : "");
  SetProgramArguments(std::move(arguments));
}

void SetProgramArguments(std::vector<std::string> arguments) {
  std::lock_guard lock(ArgumentsMutex());
  StoredArguments() = std::move(arguments);
}

const std::vector<std::string>& ProgramArguments() {
  std::lock_guard lock(ArgumentsMutex());
  return StoredArguments();
}

std::string CommandLineValue(const std::string& name) {
  std::lock_guard lock(ArgumentsMutex());
  const std::string prefix = UpperCase(name) + "=";
  const auto& arguments = StoredArguments();
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.size() >= prefix.size() && UpperCase(argument.substr(0, prefix.size())) == prefix) {
      return argument.substr(prefix.size(), kMaxArgumentValueLength);
    }
  }
  return {};
}

std::optional<std::string> FindEnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

std::string GetEnvironmentVariable(const std::string& name) {
  return FindEnvironmentVariable(name).value_or(std::string());
}

void SetEnvironmentVariable(const std::string& name, const std::string& value) {
  ::setenv(name.c_str(), value.c_str(), 1);
}

void UnsetEnvironmentVariable(const std::string& name) { ::unsetenv(name.c_str()); }

ScopedEnvironmentVariable::ScopedEnvironmentVariable(std::string name,
                                                     std::optional<std::string> value)
    : name_(std::move(name)), previous_(FindEnvironmentVariable(name_)) {
  if (value) SetEnvironmentVariable(name_, *value);
  else UnsetEnvironmentVariable(name_);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable() {
  if (previous_) SetEnvironmentVariable(name_, *previous_);
  else UnsetEnvironmentVariable(name_);
}

}  // namespace vek
