// TSubstitutionScanner: finds every ":name" in a SQL text outside quoted strings and
// comments, so that substitution variables can be pasted in at the right places and nowhere
// else. Repeated names are all listed, each with the position of its colon.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace vek {

struct TNameOccurrence {
  std::string name;      // upper-cased, without the colon
  std::size_t position;  // of the colon
  std::size_t length;    // bytes of the name in the text, without the colon
};

class TSubstitutionScanner {
 public:
  static std::vector<TNameOccurrence> Scan(const std::string& text);
};

}  // namespace vek
