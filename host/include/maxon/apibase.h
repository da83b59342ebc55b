// The host's base framework as the plug-in interface uses it: number types, comparison results,
// results that carry an error, and objects made on cleared memory.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <utility>

namespace maxon {

using Int8 = std::int8_t;
using UInt8 = std::uint8_t;
using Int16 = std::int16_t;
using UInt16 = std::uint16_t;
using Int32 = std::int32_t;
using UInt32 = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using Int = Int64;
using UInt = UInt64;
using Float32 = float;
using Float64 = double;
using Float = Float64;
using Bool = bool;
using Char = char;
using UChar = unsigned char;
using Utf16Char = char16_t;
using Utf32Char = char32_t;

enum class COMPARERESULT { LESS = -1, EQUAL = 0, GREATER = 1, INCOMPARABLE = 2 };

enum class ERROR_OK { VALUE = 1 };
static const ERROR_OK OK = ERROR_OK::VALUE;
enum class ERROR_FAILED { VALUE = 1 };
static const ERROR_FAILED FAILED = ERROR_FAILED::VALUE;

// A value, or the error that kept the call from making one.
template <typename T>
class Result {
 public:
  Result(const T& value) : value_(value) {}        // NOLINT: a value converts, as in the host
  Result(T&& value) : value_(std::move(value)) {}  // NOLINT
  // The stand-in host's own way of making a failed result.
  Result(ERROR_FAILED) {}  // NOLINT

  Bool operator==(ERROR_OK) const { return value_.has_value(); }
  Bool operator==(ERROR_FAILED) const { return !value_.has_value(); }
  Bool operator!=(ERROR_OK) const { return !value_.has_value(); }
  Bool operator!=(ERROR_FAILED) const { return value_.has_value(); }
  // The value; only for a result without an error.
  const T& GetValue() const& { return *value_; }
  T& GetValue() & { return *value_; }

 private:
  std::optional<T> value_;
};

namespace details {
template <typename T>
T* NewObjClearOf() {
  void* mem = ::operator new(sizeof(T), std::nothrow);
  if (!mem) return nullptr;
  std::memset(mem, 0, sizeof(T));
  return new (mem) T();
}
}  // namespace details

}  // namespace maxon

// A new object on cleared memory (every member zero before the constructor runs), or nothing when
// memory runs out.
#define NewObjClear(T) (::maxon::details::NewObjClearOf<T>())
