#include "json_writer.h"

#include <charconv>
#include <cmath>

#include "host_utf8.h"
#include "json_text.h"

namespace zvapp {

JsonWriter::JsonWriter(std::function<bool(std::string_view)> sink, size_t chunk)
    : sink_(std::move(sink)), chunk_(chunk) {
  out_.reserve(chunk_ + 4096);
}

void JsonWriter::Flush() {
  if (ok_ && !out_.empty()) ok_ = sink_(out_);
  out_.clear();
}

void JsonWriter::Indent(size_t level) {
  static constexpr std::string_view kBlanks = "                                                  ";
  for (size_t n = 2 * level; n > 0;) {
    const size_t k = std::min(n, kBlanks.size());
    out_.append(kBlanks.substr(0, k));
    n -= k;
  }
}

// An item of an array, or a member's name, starts on a line of its own; a member's value follows
// its name on the same line.
void JsonWriter::BeforeValue() {
  if (out_.size() >= chunk_) Flush();
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (empty_.empty()) return;
  out_ += empty_.back() ? "\n" : ",\n";
  empty_.back() = false;
  Indent(empty_.size());
}

void JsonWriter::Open(char bracket) {
  BeforeValue();
  out_ += bracket;
  empty_.push_back(true);
}

// An empty object or array closes on its own line: "{}" and "[]".
void JsonWriter::Close(char bracket) {
  const bool empty = empty_.back();
  empty_.pop_back();
  if (!empty) {
    out_ += '\n';
    Indent(empty_.size());
  }
  out_ += bracket;
}

void JsonWriter::BeginObject() { Open('{'); }
void JsonWriter::EndObject() { Close('}'); }
void JsonWriter::BeginArray() { Open('['); }
void JsonWriter::EndArray() { Close(']'); }

void JsonWriter::Key(std::string_view name) {
  BeforeValue();
  jsontext::QuoteText(name, out_);
  out_ += ": ";
  afterKey_ = true;
}

void JsonWriter::Number(double v) {
  if (!std::isfinite(v)) return Text(std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf"));
  BeforeValue();
  // The very digits and layout of the library's own dump ("1.0", "1e+20"), so that a dump written
  // here is byte for byte the one the tree gave.
  char buffer[64];
  const char* end = nlohmann::detail::to_chars(buffer, buffer + sizeof buffer, v);
  out_.append(buffer, static_cast<size_t>(end - buffer));
}

template <typename T>
void JsonWriter::Whole(T v) {
  BeforeValue();
  char buffer[24];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
  out_.append(buffer, static_cast<size_t>(r.ptr - buffer));
}

void JsonWriter::Integer(std::int64_t v) { Whole(v); }

void JsonWriter::Boolean(bool v) {
  BeforeValue();
  out_ += v ? "true" : "false";
}

void JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
}

// A JSON text holds UTF-8 only: stray bytes are replaced as the host's helper does.
void JsonWriter::Text(std::string_view s) {
  BeforeValue();
  jsontext::QuoteText(zvhost::ValidUtf8(s), out_);
}

void JsonWriter::Value(const nlohmann::json& j) {
  switch (j.type()) {
    case nlohmann::json::value_t::object:
      BeginObject();
      for (const auto& [name, member] : j.items()) {
        Key(name);
        Value(member);
      }
      return EndObject();
    case nlohmann::json::value_t::array:
      BeginArray();
      for (const nlohmann::json& item : j) Value(item);
      return EndArray();
    case nlohmann::json::value_t::string:
      return Text(j.get_ref<const std::string&>());
    case nlohmann::json::value_t::boolean:
      return Boolean(j.get<bool>());
    case nlohmann::json::value_t::number_integer:
      return Whole(j.get<std::int64_t>());
    case nlohmann::json::value_t::number_unsigned:
      return Whole(j.get<std::uint64_t>());
    case nlohmann::json::value_t::number_float:
      return Number(j.get<double>());
    default:
      return Null();
  }
}

bool JsonWriter::Finish() {
  Flush();
  return ok_;
}

}  // namespace zvapp
