// The host's reader of the classic plug-in resource formats:
//   <name>.h    one or more `enum { SYMBOL = 123, NEXT, ... };` (C header, include guards allowed)
//   <name>.res  `CONTAINER Sym { NAME Sym; INCLUDE Obase; GROUP ID { LONG ID { MIN 1; } ... } }`
//   <name>.str  `STRINGTABLE Sym { SYMBOL "text"; ... }`
// Every failure is reported as "file:line: problem" through an internal exception that the two
// public functions turn into their false result. Each loop consumes a token or stops, groups nest
// at most kMaxGroupDepth deep and files are capped in size, so no input can hang or exhaust us.
#include "resource_parser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <set>
#include <string_view>

#include "c4d.h"
#include "host_utf8.h"

namespace zvhost {
namespace {

constexpr std::size_t kMaxFileBytes = std::size_t{4} << 20;  // resource files are hand-written
constexpr int kMaxGroupDepth = 32;

struct HostSymbol {
  const char* name;
  int id;
  const char* label;
};
constexpr HostSymbol kHostSymbols[] = {{"ID_OBJECTPROPERTIES", ID_OBJECTPROPERTIES, "Object"}};
// The host's base descriptions a container may INCLUDE; the stand-in host adds nothing for them.
constexpr std::string_view kHostBaseDescriptions[] = {"Obase"};
constexpr std::string_view kElementTypes[] = {"LONG",   "REAL",      "BOOL",     "VECTOR",
                                              "COLOR",  "STRING",    "GRADIENT", "FONT",
                                              "BUTTON", "SEPARATOR", "GROUP"};

struct ResourceError {
  std::string message;
};

[[noreturn]] void Fail(const std::string& file, int line, const std::string& message) {
  throw ResourceError{file + ":" + std::to_string(line) + ": " + message};
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ResourceError{path + ": cannot open file"};
  std::string data;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    data.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (data.size() > kMaxFileBytes) throw ResourceError{path + ": file too large"};
  }
  if (in.bad()) throw ResourceError{path + ": cannot read file"};
  return data;
}

// ---------------------------------------------------------------------------------------------
// Tokens

enum class Tok { End, Ident, Number, String, Punct };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // a string token holds its decoded text
  int line = 0;
};

std::string Describe(const Token& t) {
  switch (t.kind) {
    case Tok::End:
      return "end of file";
    case Tok::String:
      return "a string";
    case Tok::Number:
      return "number " + t.text;
    default:
      return "'" + t.text + "'";
  }
}

bool IsIdentStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Lexer {
 public:
  // In a header, lines starting with '#' (include guards) are skipped.
  Lexer(const std::string& file, std::string_view text, bool header)
      : file_(file), s_(text), header_(header) {}

  std::vector<Token> Run() {
    if (s_.substr(0, 3) == "\xEF\xBB\xBF") i_ = 3;  // byte order mark of some editors
    std::vector<Token> tokens;
    bool lineStart = true;
    while (i_ < s_.size()) {
      const char c = s_[i_];
      if (c == '\n') {
        ++line_, ++i_, lineStart = true;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
        ++i_;
      } else if (c == '/' && At(1) == '/') {
        SkipLine();
      } else if (c == '/' && At(1) == '*') {
        SkipBlockComment();
      } else if (c == '#') {
        if (!header_ || !lineStart) Fail(file_, line_, "unexpected '#'");
        SkipLine();
      } else {
        lineStart = false;
        tokens.push_back(Next());
      }
    }
    tokens.push_back(Token{Tok::End, "", line_});
    return tokens;
  }

 private:
  char At(std::size_t ahead) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : '\0'; }

  void SkipLine() {
    while (i_ < s_.size() && s_[i_] != '\n') ++i_;
  }

  void SkipBlockComment() {
    const int start = line_;
    for (i_ += 2;; ++i_) {
      if (i_ + 1 >= s_.size()) Fail(file_, start, "unterminated comment");
      if (s_[i_] == '*' && s_[i_ + 1] == '/') break;
      if (s_[i_] == '\n') ++line_;
    }
    i_ += 2;
  }

  Token Next() {
    const char c = s_[i_];
    if (IsIdentStart(c)) return Take(Tok::Ident, [](char d, char) { return IsIdentChar(d); });
    const bool signedNumber = (c == '-' || c == '+') && (IsDigit(At(1)) || At(1) == '.');
    if (IsDigit(c) || (c == '.' && IsDigit(At(1))) || signedNumber) return Number();
    if (c == '"') return String();
    if (c == '{' || c == '}' || c == ';' || c == '=' || c == ',') {
      ++i_;
      return Token{Tok::Punct, std::string(1, c), line_};
    }
    if (std::isprint(static_cast<unsigned char>(c))) {
      Fail(file_, line_, std::string("unexpected character '") + c + "'");
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned char>(c);
    Fail(file_, line_, std::string("unexpected byte 0x") + kHex[byte >> 4] + kHex[byte & 15]);
  }

  template <typename Pred>
  Token Take(Tok kind, Pred more) {
    const std::size_t start = i_++;
    while (i_ < s_.size() && more(s_[i_], s_[i_ - 1])) ++i_;
    return Token{kind, std::string(s_.substr(start, i_ - start)), line_};
  }

  // Letters and dots belong to the number so that "1e6", "0x10" and "12abc" (refused later) stay
  // one token; a sign belongs to it only right after a decimal exponent.
  Token Number() {
    const std::size_t digits = (s_[i_] == '-' || s_[i_] == '+') ? i_ + 1 : i_;
    const bool hex = digits + 1 < s_.size() && s_[digits] == '0' &&
                     (s_[digits + 1] == 'x' || s_[digits + 1] == 'X');
    return Take(Tok::Number, [hex](char d, char prev) {
      return IsIdentChar(d) || d == '.' ||
             (!hex && (d == '+' || d == '-') && (prev == 'e' || prev == 'E'));
    });
  }

  Token String() {
    Token t{Tok::String, "", line_};
    for (++i_;;) {
      if (i_ >= s_.size() || s_[i_] == '\n') Fail(file_, line_, "unterminated string");
      const char d = s_[i_++];
      if (d == '"') return t;
      if (d != '\\') {
        t.text.push_back(d);
        continue;
      }
      const char e = At(0);
      ++i_;
      if (e == '"' || e == '\\') {
        t.text.push_back(e);
      } else if (e == 'n') {
        t.text.push_back('\n');
      } else if (e == 't') {
        t.text.push_back('\t');
      } else if (e == 'u') {
        AppendUtf8(&t.text, UnicodeEscape());
      } else {
        Fail(file_, line_, "unknown escape sequence in string");
      }
    }
  }

  char32_t UnicodeEscape() {
    char32_t code = 0;
    for (int k = 0; k < 4; ++k, ++i_) {
      const char h = At(0);
      const int v = IsDigit(h)               ? h - '0'
                    : (h >= 'a' && h <= 'f') ? h - 'a' + 10
                    : (h >= 'A' && h <= 'F') ? h - 'A' + 10
                                             : -1;
      if (v < 0) Fail(file_, line_, "\\u needs four hexadecimal digits");
      code = code * 16 + static_cast<char32_t>(v);
    }
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF)) {
      Fail(file_, line_, "\\u escape does not name a character");
    }
    return code;
  }

  const std::string& file_;
  std::string_view s_;
  bool header_;
  std::size_t i_ = 0;
  int line_ = 1;
};

// ---------------------------------------------------------------------------------------------
// Token reading shared by the three file kinds

class Reader {
 public:
  Reader(std::string file, bool header) : file_(std::move(file)) {
    const std::string text = ReadFile(file_);
    tokens_ = Lexer(file_, text, header).Run();
  }

  const std::string& file() const { return file_; }
  const Token& Peek() const { return tokens_[pos_]; }
  Token Take() {
    const Token& t = tokens_[pos_];
    if (t.kind != Tok::End) ++pos_;
    return t;
  }

  bool TakePunct(char c) {
    if (Peek().kind != Tok::Punct || Peek().text[0] != c) return false;
    ++pos_;
    return true;
  }

  void ExpectPunct(char c, const std::string& where) {
    if (!TakePunct(c))
      FailAt(Peek(), std::string("expected '") + c + "' " + where + ", found " + Describe(Peek()));
  }

  Token ExpectIdent(const std::string& where) {
    if (Peek().kind != Tok::Ident)
      FailAt(Peek(), "expected an identifier " + where + ", found " + Describe(Peek()));
    return Take();
  }

  void ExpectKeyword(const char* keyword) {
    const Token t = Take();
    if (t.kind != Tok::Ident || t.text != keyword) {
      FailAt(t, std::string("expected '") + keyword + "', found " + Describe(t));
    }
  }

  void ExpectEnd() {
    if (Peek().kind != Tok::End)
      FailAt(Peek(), "unexpected " + Describe(Peek()) + " after the closing '}'");
  }

  [[noreturn]] void FailAt(const Token& t, const std::string& message) const {
    Fail(file_, t.line, message);
  }

 private:
  std::string file_;
  std::vector<Token> tokens_;
  std::size_t pos_ = 0;
};

std::optional<std::int64_t> ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -std::int64_t{value} : std::int64_t{value};
}

std::optional<double> ParseReal(std::string_view text) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  double value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
      !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// ---------------------------------------------------------------------------------------------
// Identifier lists (.h)

struct Symbols {
  std::string header;  // file name, for messages
  std::map<std::string, int> values;

  std::optional<int> Find(const std::string& name) const {
    if (const auto it = values.find(name); it != values.end()) return it->second;
    for (const HostSymbol& h : kHostSymbols) {
      if (name == h.name) return h.id;
    }
    return std::nullopt;
  }

  int Resolve(const Reader& in, const Token& t) const {
    const std::optional<int> value = Find(t.text);
    if (!value) in.FailAt(t, "'" + t.text + "' is not defined in " + header);
    return *value;
  }
};

Symbols ParseSymbolHeader(const std::filesystem::path& path) {
  Reader in(path.string(), /*header=*/true);
  Symbols symbols{path.filename().string(), {}};
  while (in.Peek().kind != Tok::End) {
    in.ExpectKeyword("enum");
    if (in.Peek().kind == Tok::Ident) in.Take();  // an enum's tag name plays no part
    in.ExpectPunct('{', "after 'enum'");
    std::int64_t next = 0;
    while (!in.TakePunct('}')) {
      const Token name = in.ExpectIdent("in the enum");
      std::int64_t value = next;
      if (in.TakePunct('=')) {
        const Token v = in.Take();
        const auto parsed = v.kind == Tok::Number ? ParseInteger(v.text) : std::nullopt;
        if (!parsed) in.FailAt(v, "expected a whole number after '=', found " + Describe(v));
        value = *parsed;
      }
      if (value < std::numeric_limits<std::int32_t>::min() ||
          value > std::numeric_limits<std::int32_t>::max()) {
        in.FailAt(name, "value of '" + name.text + "' does not fit in 32 bits");
      }
      if (!symbols.values.emplace(name.text, static_cast<int>(value)).second) {
        in.FailAt(name, "'" + name.text + "' is defined twice");
      }
      next = value + 1;
      if (!in.TakePunct(',')) {
        in.ExpectPunct('}', "or ',' after '" + name.text + "'");
        break;
      }
    }
    in.ExpectPunct(';', "after the enum's '}'");
  }
  return symbols;
}

// ---------------------------------------------------------------------------------------------
// String tables (.str)

struct StringFile {
  struct Text {
    std::string text;
    int line = 0;
  };
  std::string file;
  std::string name;  // the identifier after STRINGTABLE, if any
  int nameLine = 0;
  std::map<std::string, Text> texts;  // symbol -> text
};

StringFile ParseStringFile(const std::filesystem::path& path, const Symbols& symbols, bool named) {
  Reader in(path.string(), /*header=*/false);
  StringFile result{in.file(), "", 0, {}};
  in.ExpectKeyword("STRINGTABLE");
  if (named) {
    const Token name = in.ExpectIdent("after STRINGTABLE");
    result.name = name.text;
    result.nameLine = name.line;
  }
  in.ExpectPunct('{', "to open the string table");
  while (!in.TakePunct('}')) {
    const Token symbol = in.ExpectIdent("in the string table");
    symbols.Resolve(in, symbol);
    const Token text = in.Take();
    if (text.kind != Tok::String)
      in.FailAt(text, "expected a string after '" + symbol.text + "', found " + Describe(text));
    in.ExpectPunct(';', "after the string of '" + symbol.text + "'");
    if (!result.texts.emplace(symbol.text, StringFile::Text{text.text, symbol.line}).second) {
      in.FailAt(symbol, "'" + symbol.text + "' has two strings");
    }
  }
  in.ExpectEnd();
  return result;
}

// ---------------------------------------------------------------------------------------------
// Descriptions (.res)

class DescriptionParser {
 public:
  DescriptionParser(Reader* in, const Symbols& symbols, const StringFile& strings,
                    DescriptionResource* out)
      : in_(*in), symbols_(symbols), strings_(strings), out_(*out) {}

  // Returns the CONTAINER symbol.
  std::string Parse() {
    in_.ExpectKeyword("CONTAINER");
    const Token container = in_.ExpectIdent("after CONTAINER");
    out_.typeId = symbols_.Resolve(in_, container);
    std::string nameSymbol = container.text;
    bool sawName = false;
    in_.ExpectPunct('{', "to open the container");
    while (!in_.TakePunct('}')) {
      const Token t = in_.ExpectIdent("in the container");
      if (t.text == "NAME") {
        if (sawName) in_.FailAt(t, "NAME given twice");
        const Token name = in_.ExpectIdent("after NAME");
        symbols_.Resolve(in_, name);
        nameSymbol = name.text;
        sawName = true;
        in_.ExpectPunct(';', "after NAME");
      } else if (t.text == "INCLUDE") {
        const Token base = in_.ExpectIdent("after INCLUDE");
        if (std::find(std::begin(kHostBaseDescriptions), std::end(kHostBaseDescriptions),
                      base.text) == std::end(kHostBaseDescriptions)) {
          in_.FailAt(base, "unknown base description '" + base.text + "'");
        }
        in_.ExpectPunct(';', "after INCLUDE");
      } else {
        ParseElement(t, 0, 1);
      }
    }
    in_.ExpectEnd();
    out_.title = Label(nameSymbol);
    return container.text;
  }

 private:
  static bool IsElementType(const std::string& word) {
    return std::find(std::begin(kElementTypes), std::end(kElementTypes), word) !=
           std::end(kElementTypes);
  }

  std::string Label(const std::string& symbol) const {
    if (const auto it = strings_.texts.find(symbol); it != strings_.texts.end())
      return it->second.text;
    for (const HostSymbol& h : kHostSymbols) {
      if (symbol == h.name) return h.label;
    }
    return {};
  }

  void ParseElement(const Token& typeToken, int parent, int depth) {
    if (!IsElementType(typeToken.text))
      in_.FailAt(typeToken, "unknown element type '" + typeToken.text + "'");
    if (depth > kMaxGroupDepth) in_.FailAt(typeToken, "groups nested too deeply");
    DescEntry entry;
    entry.type = typeToken.text;
    entry.parent = parent;
    if (in_.Peek().kind == Tok::Ident) {
      const Token symbol = in_.Take();
      entry.symbol = symbol.text;
      entry.id = symbols_.Resolve(in_, symbol);
      if (entry.id <= 0)
        in_.FailAt(symbol, "'" + symbol.text + "' must have a positive id to name an element");
      if (!usedIds_.insert(entry.id).second) {
        in_.FailAt(symbol,
                   "id " + std::to_string(entry.id) + " of '" + symbol.text + "' is used twice");
      }
      entry.label = Label(symbol.text);
    } else if (entry.type != "SEPARATOR") {
      in_.FailAt(in_.Peek(), entry.type + " needs an identifier, found " + Describe(in_.Peek()));
    }
    in_.ExpectPunct('{', "to open " + entry.type + " " + entry.symbol);
    const std::size_t index = out_.entries.size();
    out_.entries.push_back(std::move(entry));
    while (!in_.TakePunct('}')) {
      const Token t = in_.ExpectIdent("in " + typeToken.text);
      if (typeToken.text == "GROUP" && IsElementType(t.text)) {
        ParseElement(t, out_.entries[index].id, depth + 1);
      } else {
        ParseProperty(t, &out_.entries[index]);
      }
    }
    const DescEntry& done = out_.entries[index];
    if (done.min && done.max && *done.min > *done.max) {
      in_.FailAt(typeToken, "MIN is above MAX for '" + done.symbol + "'");
    }
  }

  void ParseProperty(const Token& t, DescEntry* e) {
    const std::string& key = t.text;
    const bool numeric = e->type == "LONG" || e->type == "REAL" || e->type == "VECTOR";
    const bool value = numeric || e->type == "BOOL" || e->type == "COLOR" || e->type == "STRING" ||
                       e->type == "GRADIENT" || e->type == "FONT";
    if ((key == "MIN" || key == "MAX" || key == "STEP") && numeric) {
      std::optional<double>& slot = key == "MIN" ? e->min : key == "MAX" ? e->max : e->step;
      if (slot) in_.FailAt(t, key + " given twice");
      slot = Number(key, e->type == "LONG");
      if (key == "STEP" && !(*slot > 0)) in_.FailAt(t, "STEP must be positive");
    } else if (key == "CYCLE" && e->type == "LONG") {
      if (!e->cycle.empty()) in_.FailAt(t, "CYCLE given twice");
      ParseCycle(t, e);
      return;  // a block, no ';'
    } else if (key == "ANIM" && value) {
      const Token mode = in_.ExpectIdent("after ANIM");
      if (mode.text != "OFF" && mode.text != "ON" && mode.text != "MIX") {
        in_.FailAt(mode, "expected ON, OFF or MIX after ANIM, found '" + mode.text + "'");
      }
      e->animatable = mode.text != "OFF";
    } else if (key == "HIDDEN" && e->type != "SEPARATOR") {
      e->hidden = true;
    } else if (key == "LINE" && e->type == "SEPARATOR") {
      // The separator is drawn as a line; nothing to record headless.
    } else {
      in_.FailAt(t, "'" + key + "' is not a property of " + e->type);
    }
    in_.ExpectPunct(';', "after " + key);
  }

  double Number(const std::string& key, bool whole) {
    const Token v = in_.Take();
    const auto value = v.kind == Tok::Number ? ParseReal(v.text) : std::nullopt;
    if (!value) in_.FailAt(v, "expected a number after " + key + ", found " + Describe(v));
    if (whole && (std::trunc(*value) != *value || std::fabs(*value) > 2147483647.0)) {
      in_.FailAt(v, key + " of a LONG must be a whole 32-bit number");
    }
    return *value;
  }

  void ParseCycle(const Token& t, DescEntry* e) {
    in_.ExpectPunct('{', "after CYCLE");
    while (!in_.TakePunct('}')) {
      const Token symbol = in_.ExpectIdent("in CYCLE");
      const int value = symbols_.Resolve(in_, symbol);
      for (const auto& [existing, label] : e->cycle) {
        if (existing == value) {
          in_.FailAt(symbol, "cycle value " + std::to_string(value) + " of '" + symbol.text +
                                 "' is used twice");
        }
      }
      e->cycle.emplace_back(value, Label(symbol.text));
      e->cycleSymbols.push_back(symbol.text);
      in_.ExpectPunct(';', "after the cycle entry '" + symbol.text + "'");
    }
    if (e->cycle.empty()) in_.FailAt(t, "empty CYCLE");
  }

  Reader& in_;
  const Symbols& symbols_;
  const StringFile& strings_;
  DescriptionResource& out_;
  std::set<int> usedIds_;
};

// Names become file names: keep them to one path component.
bool IsPlainName(const std::string& name) {
  if (name.empty()) return false;
  for (const char c : name) {
    if (!IsIdentChar(c) && c != '-') return false;
  }
  return true;
}

void CheckLanguage(const std::string& language) {
  if (!IsPlainName(language)) throw ResourceError{"'" + language + "' is not a valid language"};
}

}  // namespace

bool LoadDescriptionResource(const std::string& resDir, const std::string& name,
                             const std::string& language, DescriptionResource* out,
                             std::string* error) {
  try {
    if (!IsPlainName(name)) throw ResourceError{"'" + name + "' is not a valid description name"};
    CheckLanguage(language);
    const std::filesystem::path res(resDir);
    const Symbols symbols = ParseSymbolHeader(res / "description" / (name + ".h"));
    const StringFile strings = ParseStringFile(
        res / ("strings_" + language) / "description" / (name + ".str"), symbols, /*named=*/true);
    Reader in((res / "description" / (name + ".res")).string(), /*header=*/false);
    DescriptionResource result;
    result.name = name;
    result.identifiers = symbols.values;
    const std::string container = DescriptionParser(&in, symbols, strings, &result).Parse();
    result.symbol = container;
    if (strings.name != container) {
      Fail(strings.file, strings.nameLine,
           "STRINGTABLE '" + strings.name + "' does not match the container '" + container + "'");
    }
    if (out) *out = std::move(result);
    return true;
  } catch (const ResourceError& e) {
    if (error) *error = e.message;
    return false;
  }
}

bool LoadStringTable(const std::string& resDir, const std::string& language,
                     std::map<int, std::string>* out, std::string* error) {
  try {
    CheckLanguage(language);
    const std::filesystem::path res(resDir);
    const Symbols symbols = ParseSymbolHeader(res / "c4d_symbols.h");
    const StringFile strings = ParseStringFile(res / ("strings_" + language) / "c4d_strings.str",
                                               symbols, /*named=*/false);
    std::map<int, std::string> table;
    for (const auto& [symbol, text] : strings.texts) {
      if (!table.emplace(*symbols.Find(symbol), text.text).second) {
        Fail(strings.file, text.line, "another string has the same id as '" + symbol + "'");
      }
    }
    if (out) *out = std::move(table);
    return true;
  } catch (const ResourceError& e) {
    if (error) *error = e.message;
    return false;
  }
}

}  // namespace zvhost
