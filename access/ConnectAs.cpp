// The connect-as rules. Trimming removes blanks and control characters at both ends.
#include "access/ConnectAs.h"

#include "platform/TextCase.h"

namespace vek {
namespace {

std::string Trimmed(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

}  // namespace

std::string SplitConnectAs(std::string& field) {
  std::string copy = UpperCase(field);
  for (char& c : copy) {
    if (c == '\t') c = ' ';
  }
  const std::size_t at = copy.find(" AS ");
  if (at == std::string::npos) return {};
  const std::string mode = Trimmed(copy.substr(at + 4));
  field = Trimmed(field.substr(0, at));
  return mode;
}

TConnectAsOption ConnectAsFromText(const std::string& text) {
  const std::string upper = UpperCase(text);
  if (upper == "SYSOPER") return caSYSOPER;
  if (upper == "SYSDBA") return caSYSDBA;
  return caNormal;
}

std::string ConnectAsToText(TConnectAsOption option) {
  switch (option) {
    case caSYSDBA: return "SYSDBA";
    case caSYSOPER: return "SYSOPER";
    case caNormal: break;
  }
  return {};
}

}  // namespace vek
