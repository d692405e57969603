// The error records of one call, as an error or environment handle keeps them for
// OCIErrorGet: each an Oracle number and its full text. Also the one way the library raises
// an error of its own, so that every error carries Oracle's "ORA-nnnnn: text" form.
#pragma once

#include <string>
#include <vector>

#include "devdb/common/OracleTexts.h"

namespace devdb::oci {

class ErrorRecords {
 public:
  struct Record {
    int code = 0;
    std::string message;  // "ORA-00942: table or view does not exist", no line end
  };

  void Clear() { records_.clear(); }
  // Adds a record; the text is also remembered process-wide for oerhms.
  void Add(int code, std::string message);
  bool Empty() const { return records_.empty(); }
  // Record number n counts from 1; nullptr when there is none.
  const Record* Get(unsigned n) const {
    return n >= 1 && n <= records_.size() ? &records_[n - 1] : nullptr;
  }

  static std::string Format(int code, const std::string& text);
  // The number of a text in the "ORA-nnnnn: ..." form; 0 for any other text.
  static int CodeOf(const std::string& message);
  // Throws the server error type, so that the library's own errors travel the same way.
  [[noreturn]] static void Raise(const texts::OracleText& error, int offset = 0);

  // The text of an error number: the last text seen for it in this process, else the
  // library's own text, else Oracle's "message not found" text.
  static void Remember(int code, const std::string& message);
  static std::string Recall(int code);

 private:
  std::vector<Record> records_;
};

}  // namespace devdb::oci
