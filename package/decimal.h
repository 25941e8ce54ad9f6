// Numbers in the reader's fault texts and in the installation's log,
// written without the C library's formatter: std::to_string, std::to_wstring
// and snprintf bring MinGW's whole printf engine (about 25 KiB) into setup.exe.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

template <typename T>
std::string Decimal(T value) {
  static_assert(std::is_integral_v<T>, "Decimal takes integers");
  char digits[24];
  char* p = digits + sizeof digits;
  const bool negative = value < 0;
  std::uint64_t rest = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    *--p = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  if (negative) *--p = '-';
  return std::string(p, digits + sizeof digits);
}

// The same as wide text (the log's and the registry's numbers).
template <typename T>
std::wstring WideDecimal(T value) {
  const std::string digits = Decimal(value);
  return std::wstring(digits.begin(), digits.end());
}

// "0x" and eight upper-case hexadecimal digits.
inline std::string Hex32(std::uint32_t value) {
  std::string text = "0x00000000";
  for (int i = 9; i >= 2; --i, value >>= 4) text[i] = "0123456789ABCDEF"[value & 0xF];
  return text;
}
