// SHA-256 (FIPS 180-4) written out here so that the engine needs no crypto library.
#include "devdb/sql/PasswordHash.h"

#include <array>
#include <cstdint>
#include <random>

namespace devdb::sql {
namespace {

constexpr int kIterations = 1000;

constexpr std::array<std::uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

std::uint32_t Rotate(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

std::string Sha256(const std::string& data) {
  std::array<std::uint32_t, 8> h = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                    0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  std::string message = data;
  const std::uint64_t bitLength = static_cast<std::uint64_t>(data.size()) * 8;
  message += static_cast<char>(0x80);
  while (message.size() % 64 != 56) message += '\0';
  for (int shift = 56; shift >= 0; shift -= 8)
    message += static_cast<char>((bitLength >> shift) & 0xff);
  for (std::size_t block = 0; block < message.size(); block += 64) {
    std::array<std::uint32_t, 64> w{};
    for (int t = 0; t < 16; ++t) {
      const auto* bytes = reinterpret_cast<const unsigned char*>(message.data() + block + t * 4);
      w[t] = (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
             (std::uint32_t(bytes[2]) << 8) | bytes[3];
    }
    for (int t = 16; t < 64; ++t) {
      const std::uint32_t s0 = Rotate(w[t - 15], 7) ^ Rotate(w[t - 15], 18) ^ (w[t - 15] >> 3);
      const std::uint32_t s1 = Rotate(w[t - 2], 17) ^ Rotate(w[t - 2], 19) ^ (w[t - 2] >> 10);
      w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    auto [a, b, c, d, e, f, g, hh] = h;
    for (int t = 0; t < 64; ++t) {
      const std::uint32_t s1 = Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25);
      const std::uint32_t choice = (e & f) ^ (~e & g);
      const std::uint32_t temp1 = hh + s1 + choice + kRound[t] + w[t];
      const std::uint32_t s0 = Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22);
      const std::uint32_t majority = (a & b) ^ (a & c) ^ (b & c);
      const std::uint32_t temp2 = s0 + majority;
      hh = g; g = f; f = e; e = d + temp1; d = c; c = b; b = a; a = temp1 + temp2;
    }
    h[0] += a; h[1] += b; h[2] += c; h[3] += d; h[4] += e; h[5] += f; h[6] += g; h[7] += hh;
  }
  std::string digest;
  for (std::uint32_t word : h)
    for (int shift = 24; shift >= 0; shift -= 8) digest += static_cast<char>((word >> shift) & 0xff);
  return digest;
}

std::string Hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex;
}

std::string Stretch(const std::string& salt, const std::string& password) {
  std::string digest = Sha256(salt + password);
  for (int i = 1; i < kIterations; ++i) digest = Sha256(digest + salt + password);
  return Hex(digest);
}

}  // namespace

std::string PasswordHash::Make(const std::string& password) {
  std::random_device random;
  std::string salt;
  for (int i = 0; i < 16; ++i) salt += static_cast<char>(random() & 0xff);
  const std::string saltHex = Hex(salt);
  return saltHex + "$" + Stretch(saltHex, password);
}

bool PasswordHash::Matches(const std::string& stored, const std::string& password) {
  const std::size_t dollar = stored.find('$');
  if (dollar == std::string::npos) return false;
  const std::string expected = stored.substr(dollar + 1);
  const std::string actual = Stretch(stored.substr(0, dollar), password);
  // Compare every byte so that the time taken does not tell how much matched.
  unsigned difference = expected.size() ^ actual.size();
  for (std::size_t i = 0; i < expected.size() && i < actual.size(); ++i)
    difference |= static_cast<unsigned char>(expected[i] ^ actual[i]);
  return difference == 0;
}

std::string PasswordHash::Sha256Hex(const std::string& data) { return Hex(Sha256(data)); }

}  // namespace devdb::sql
