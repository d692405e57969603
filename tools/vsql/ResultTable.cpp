// Column widths and padding of a printed query result.
#include "tools/vsql/ResultTable.h"

#include <algorithm>

namespace vek::vsql {
namespace {

void PrintPadded(std::ostream& out, const std::string& text, std::size_t width, bool last) {
  out << text;
  if (last) return;
  const std::size_t shown = TResultTable::DisplayWidth(text);
  out << std::string(width > shown ? width - shown : 0, ' ') << ' ';
}

// Line breaks inside a value would break the columns: they are shown as blanks.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n' || c == '\t') c = ' ';
  }
  return text;
}

}  // namespace

TResultTable::TResultTable(std::vector<std::string> headings) : headings_(std::move(headings)) {}

void TResultTable::AddRow(std::vector<std::string> values) {
  for (std::string& value : values) value = OneLine(std::move(value));
  values.resize(headings_.size());
  rows_.push_back(std::move(values));
}

std::size_t TResultTable::DisplayWidth(const std::string& text) {
  // Every byte that does not continue a UTF-8 sequence starts a character.
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

void TResultTable::Print(std::ostream& out) const {
  std::vector<std::size_t> widths;
  for (const std::string& heading : headings_) widths.push_back(DisplayWidth(heading));
  for (const auto& row : rows_) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      widths[i] = std::max(widths[i], DisplayWidth(row[i]));
    }
  }
  const std::size_t last = headings_.size() - 1;
  for (std::size_t i = 0; i < headings_.size(); ++i) {
    PrintPadded(out, headings_[i], widths[i], i == last);
  }
  out << '\n';
  for (std::size_t i = 0; i < headings_.size(); ++i) {
    out << std::string(widths[i], '-') << (i == last ? "" : " ");
  }
  out << '\n';
  for (const auto& row : rows_) {
    for (std::size_t i = 0; i < row.size(); ++i) PrintPadded(out, row[i], widths[i], i == last);
    out << '\n';
  }
}

}  // namespace vek::vsql
