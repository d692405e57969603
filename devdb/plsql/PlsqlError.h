// The error that travels through running PL/SQL: an Oracle error number with its full text,
// the name of a user-defined exception when one was raised, and the ORA-06512 frames the
// error collected on its way out of units and subprograms.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "devdb/common/OracleTexts.h"

namespace devdb::plsql {

class PlsqlError : public std::runtime_error {
 public:
  // code is positive (1403 for "ORA-01403: no data found"); message is the whole first line.
  PlsqlError(int code, const std::string& message, std::string exceptionName = {})
      : std::runtime_error(message), code_(code), exceptionName_(std::move(exceptionName)) {}
  // An error of the shared table, its %s filled from the arguments.
  explicit PlsqlError(const texts::OracleText& error,
                      std::initializer_list<std::string> arguments = {})
      : PlsqlError(error.code, texts::Text(error, arguments)) {}

  int Code() const { return code_; }
  // Upper-case name of the user-defined exception raised, empty for Oracle errors.
  const std::string& ExceptionName() const { return exceptionName_; }
  const std::vector<std::string>& Frames() const { return frames_; }
  void AddFrame(std::string frame) { frames_.push_back(std::move(frame)); }
  // Extra lines that come after the message and before the frames (compile errors).
  std::string FullText() const {
    std::string text = what();
    for (const auto& frame : frames_) text += "\n" + frame;
    return text;
  }

 private:
  int code_;
  std::string exceptionName_;
  std::vector<std::string> frames_;
};

}  // namespace devdb::plsql
