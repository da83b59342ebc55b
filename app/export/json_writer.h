// A writer of pretty JSON text that sends it out as it goes: the layout of nlohmann::json's
// dump(2), number for number, without building a tree first.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace zvapp {

class JsonWriter {
 public:
  // Pieces of about `chunk` bytes go to the sink; it returns false to stop the writing.
  explicit JsonWriter(std::function<bool(std::string_view)> sink, size_t chunk = size_t{1} << 20);

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The name of the next member of the open object.
  void Key(std::string_view name);

  // Finite numbers as the shortest text that reads back; NaN and the infinities as the texts
  // "nan", "inf" and "-inf", since JSON has no numbers for them.
  void Number(double v);
  void Integer(std::int64_t v);
  void Boolean(bool v);
  void Null();
  void Text(std::string_view s);
  // A small tree, as dump(2) writes it (members in the tree's order).
  void Value(const nlohmann::json& j);

  // Ends the text's last line.
  void EndLine() { out_ += '\n'; }

  // Sends what is left; false when the sink refused a piece, now or before.
  bool Finish();

 private:
  void BeforeValue();
  template <typename T>
  void Whole(T v);
  void Open(char bracket);
  void Close(char bracket);
  void Indent(size_t level);
  void Flush();

  std::function<bool(std::string_view)> sink_;
  size_t chunk_;
  std::string out_;
  std::vector<bool> empty_;  // per open object or array: nothing written in it yet
  bool afterKey_ = false;
  bool ok_ = true;
};

}  // namespace zvapp
