// TResultTable: the rows of a query as vsql prints them: a heading line with the column names,
// a line of dashes, and each row with its columns padded to the widest value, so that the
// columns line up. Widths count characters, not bytes, so UTF-8 text lines up too.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vek::vsql {

class TResultTable {
 public:
  explicit TResultTable(std::vector<std::string> headings);

  // Null values are given as empty text.
  void AddRow(std::vector<std::string> values);
  std::size_t RowCount() const { return rows_.size(); }
  void Print(std::ostream& out) const;

  static std::size_t DisplayWidth(const std::string& text);

 private:
  std::vector<std::string> headings_;
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace vek::vsql
