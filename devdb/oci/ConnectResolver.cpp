// Connect identifier resolution. tnsnames.ora entries start in the first column and run on
// over every line that starts with a blank or a parenthesis; "#" starts a comment line.
#include "devdb/oci/ConnectResolver.h"

#include <dlfcn.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "devdb/oci/ErrorRecords.h"

namespace devdb::oci {
namespace {

std::string Trim(const std::string& text) {
  const auto begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  const auto end = text.find_last_not_of(" \t\r\n");
  return text.substr(begin, end - begin + 1);
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The home whose lib folder holds this library: the folder above the library's own.
std::string LibraryHome() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&LibraryHome), &info) == 0 || info.dli_fname == nullptr)
    return "";
  std::error_code error;
  const auto library = std::filesystem::weakly_canonical(info.dli_fname, error);
  if (error) return "";
  return library.parent_path().parent_path().string();
}

// The value of "(KEY = value)" in a descriptor, compared without regard to case.
std::string DescriptorValue(const std::string& descriptor, const std::string& key) {
  const std::string upper = Upper(descriptor);
  std::size_t at = 0;
  while ((at = upper.find(key, at)) != std::string::npos) {
    const std::size_t before = upper.find_last_not_of(" \t\r\n", at == 0 ? 0 : at - 1);
    const bool opensHere = at > 0 && before != std::string::npos && upper[before] == '(';
    std::size_t after = upper.find_first_not_of(" \t\r\n", at + key.size());
    at += key.size();
    if (!opensHere || after == std::string::npos || upper[after] != '=') continue;
    const std::size_t close = descriptor.find(')', after);
    return Trim(descriptor.substr(
        after + 1, close == std::string::npos ? std::string::npos : close - after - 1));
  }
  return "";
}

std::uint16_t PortNumber(const std::string& text) {
  if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
      }))
    ErrorRecords::Raise(texts::kUnresolvedName);
  const long port = std::strtol(text.c_str(), nullptr, 10);
  if (port < 1 || port > 65535) ErrorRecords::Raise(texts::kUnresolvedName);
  return static_cast<std::uint16_t>(port);
}

bool NameMatches(std::string name, const std::string& wanted) {
  name = Upper(Trim(name));
  const std::string want = Upper(wanted);
  if (name == want) return true;
  // Entries written for a default domain answer to the bare name as well.
  const std::size_t dot = name.find('.');
  return wanted.find('.') == std::string::npos && dot != std::string::npos &&
         name.substr(0, dot) == want;
}

}  // namespace

std::vector<std::string> ConnectResolver::ConfigFolders() {
  std::vector<std::string> folders;
  const std::string tnsAdmin = EnvironmentValue("TNS_ADMIN");
  if (!tnsAdmin.empty()) {
    folders.push_back(tnsAdmin);
    return folders;
  }
  const std::string oracleHome = EnvironmentValue("ORACLE_HOME");
  if (!oracleHome.empty()) folders.push_back(oracleHome + "/network/admin");
  const std::string libraryHome = LibraryHome();
  if (!libraryHome.empty()) folders.push_back(libraryHome + "/network/admin");
  return folders;
}

std::string ConnectResolver::FindAlias(const std::string& file, const std::string& alias,
                                       int depth) {
  std::ifstream in(file);
  if (!in || depth > 8) return "";
  // Collect entries: a line starting in the first column with a name begins one.
  std::vector<std::string> entries;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    const bool continues = line.empty() || std::isspace(static_cast<unsigned char>(line[0])) ||
                           line[0] == '(' || line[0] == ')';
    if (continues && !entries.empty()) {
      entries.back() += "\n" + line;
    } else if (!continues) {
      entries.push_back(line);
    }
  }
  for (const std::string& entry : entries) {
    const std::size_t equals = entry.find('=');
    if (equals == std::string::npos) continue;
    const std::string names = entry.substr(0, equals);
    const std::string value = Trim(entry.substr(equals + 1));
    if (strcasecmp(Trim(names).c_str(), "IFILE") == 0) {
      std::filesystem::path included(value);
      if (included.is_relative()) included = std::filesystem::path(file).parent_path() / included;
      const std::string found = FindAlias(included.string(), alias, depth + 1);
      if (!found.empty()) return found;
      continue;
    }
    std::stringstream list(names);
    std::string name;
    while (std::getline(list, name, ','))
      if (NameMatches(name, alias)) return value;
  }
  return "";
}

ConnectResolver::Address ConnectResolver::FromDescriptor(const std::string& descriptor) {
  Address address;
  address.host = DescriptorValue(descriptor, "HOST");
  const std::string port = DescriptorValue(descriptor, "PORT");
  address.port = port.empty() ? kListenerPort : PortNumber(port);
  if (address.host.empty()) ErrorRecords::Raise(texts::kUnresolvedName);
  return address;
}

bool ConnectResolver::FromEasyConnect(const std::string& text, Address& address) {
  std::string rest = text;
  if (rest.rfind("//", 0) == 0) rest = rest.substr(2);
  const std::string hostPort = rest.substr(0, rest.find('/'));
  std::string host = hostPort;
  std::string port;
  if (!hostPort.empty() && hostPort[0] == '[') {
    const std::size_t close = hostPort.find(']');
    if (close == std::string::npos) return false;
    host = hostPort.substr(1, close - 1);
    if (close + 1 < hostPort.size() && hostPort[close + 1] == ':')
      port = hostPort.substr(close + 2);
  } else if (const std::size_t colon = hostPort.find(':'); colon != std::string::npos) {
    host = hostPort.substr(0, colon);
    port = hostPort.substr(colon + 1);
  }
  if (host.empty()) return false;
  address.host = host;
  address.port = port.empty() ? kListenerPort : PortNumber(port);
  return true;
}

ConnectResolver::Address ConnectResolver::Resolve(const std::string& database) {
  const std::string text = Trim(database);
  if (text.empty()) {
    const std::string twoTask = EnvironmentValue("TWO_TASK");
    if (!twoTask.empty() && Trim(twoTask) != text) return Resolve(twoTask);
    return Address{kLocalHost, kLocalPort};
  }
  if (text[0] == '(') return FromDescriptor(text);
  for (const std::string& folder : ConfigFolders()) {
    const std::string descriptor = FindAlias(folder + "/tnsnames.ora", text);
    if (!descriptor.empty()) return FromDescriptor(descriptor);
  }
  // A bare word that is no known alias is not taken for a host name: Oracle reports the
  // name as unresolved rather than trying a host of that name.
  Address address;
  const bool looksLikeAddress =
      text.find_first_of(":/") != std::string::npos || text.find('.') != std::string::npos;
  if (looksLikeAddress && FromEasyConnect(text, address)) return address;
  ErrorRecords::Raise(texts::kUnresolvedName);
}

}  // namespace devdb::oci
