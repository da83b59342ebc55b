// Formula engine: a small lexer, a recursive-descent compiler to stack bytecode and an
// interpreter. Each thread keeps the bytecode of the last few text shapes (the text with its
// number literals taken out), so evaluating "Sin(-180) * Cos(-172.8)" for many grid nodes only
// scans the text, converts its numbers and runs the cached bytecode. A text whose pieces between
// the numbers are those of the text before it is not even scanned for its shape: its pieces are
// compared and its numbers read in one pass.
#include "formula.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numbers>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "host_utf8.h"

namespace zvhost {
namespace {

// Deepest nesting of parentheses, function calls, unary signs and powers.
constexpr int kMaxNesting = 200;
// Each nesting level keeps at most three pending operands (sum, product and power base or
// previous argument), so this bounds the evaluation stack of any accepted formula.
constexpr int kMaxStack = 3 * (kMaxNesting + 2) + 4;
constexpr int kCacheSize = 32;
// Longer texts are compiled on every call: the cache's buffers grow with the longest text.
constexpr std::size_t kMaxCachedText = std::size_t{1} << 20;
// Names and literals quoted in messages are cut to this many bytes.
constexpr std::size_t kMaxQuoted = 32;

constexpr double kRadPerDeg = std::numbers::pi / 180.0;
constexpr double kDegPerRad = 180.0 / std::numbers::pi;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---------------------------------------------------------------------------------------------
// Trigonometry in degrees

// Splits a finite angle into angle = 90 * quadrant + rest (mod 360) with rest about in
// [-45, 45]. The rest is exact (Sterbenz), so multiples of 90 give a rest of exactly 0.
double ReduceDegrees(double deg, int* quadrant) {
  if (std::fabs(deg) < 1e15) {
    const double t = deg * (1.0 / 90.0);
    const long long n = static_cast<long long>(t + (t >= 0 ? 0.5 : -0.5));
    *quadrant = static_cast<int>(n & 3);
    return deg - 90.0 * static_cast<double>(n);
  }
  int q = 0;
  const double rest = std::remquo(deg, 90.0, &q);
  *quadrant = q & 3;
  return rest;
}

double SinSmall(double deg) {
  if (std::fabs(deg) == 30.0) return deg > 0 ? 0.5 : -0.5;
  return std::sin(deg * kRadPerDeg);
}

double CosSmall(double deg) { return std::cos(deg * kRadPerDeg); }

double SinDeg(double deg) {
  if (!std::isfinite(deg)) return kNaN;
  int q = 0;
  const double r = ReduceDegrees(deg, &q);
  switch (q) {
    case 0:
      return SinSmall(r);
    case 1:
      return CosSmall(r);
    case 2:
      return 0.0 - SinSmall(r);  // 0.0 - x: the zeros at the nodes stay +0
    default:
      return 0.0 - CosSmall(r);
  }
}

double CosDeg(double deg) {
  if (!std::isfinite(deg)) return kNaN;
  int q = 0;
  const double r = ReduceDegrees(deg, &q);
  switch (q) {
    case 0:
      return CosSmall(r);
    case 1:
      return 0.0 - SinSmall(r);
    case 2:
      return 0.0 - CosSmall(r);
    default:
      return SinSmall(r);
  }
}

// Exact at multiples of 45; the poles 90 + k * 180 give +inf.
double TanDeg(double deg) {
  if (!std::isfinite(deg)) return kNaN;
  int q = 0;
  const double r = ReduceDegrees(deg, &q);
  double t;
  if (std::fabs(r) == 45.0) {
    t = r > 0 ? 1.0 : -1.0;
  } else {
    t = std::tan(r * kRadPerDeg);
  }
  if ((q & 1) == 0) return t;
  if (t == 0) return kInf;
  return -1.0 / t;  // tan(90 + r) = -cot(r)
}

// IEEE 754-2019 minimum / maximum: a NaN operand gives NaN.
double MinOf(double a, double b) {
  return std::isnan(a) || std::isnan(b) ? a + b : std::fmin(a, b);
}
double MaxOf(double a, double b) {
  return std::isnan(a) || std::isnan(b) ? a + b : std::fmax(a, b);
}
double SignOf(double v) { return v > 0 ? 1.0 : (v < 0 ? -1.0 : v); }

// ---------------------------------------------------------------------------------------------
// Bytecode

enum class Op : std::uint8_t {
  kNum,  // push numbers[arg]
  kPi,
  kNeg,
  kAdd,
  kSub,
  kMul,
  kDiv,
  kPow,
  kSin,
  kCos,
  kTan,
  kAsin,
  kAcos,
  kAtan,
  kAtan2,
  kSinh,
  kCosh,
  kTanh,
  kExp,
  kLog,
  kLog10,
  kSqrt,
  kAbs,
  kMin,
  kMax,
  kFloor,
  kCeil,
  kRound,
  kSign,
};

struct Instr {
  Op op;
  std::uint32_t arg;
};

struct Program {
  std::vector<Instr> code;
};

struct FunctionInfo {
  std::string_view name;  // lower case
  int arity;
  Op op;
};

constexpr FunctionInfo kFunctions[] = {
    {"sin", 1, Op::kSin},     {"cos", 1, Op::kCos},   {"tan", 1, Op::kTan},
    {"asin", 1, Op::kAsin},   {"acos", 1, Op::kAcos}, {"atan", 1, Op::kAtan},
    {"atan2", 2, Op::kAtan2}, {"sinh", 1, Op::kSinh}, {"cosh", 1, Op::kCosh},
    {"tanh", 1, Op::kTanh},   {"exp", 1, Op::kExp},   {"log", 1, Op::kLog},
    {"log10", 1, Op::kLog10}, {"sqrt", 1, Op::kSqrt}, {"abs", 1, Op::kAbs},
    {"pow", 2, Op::kPow},     {"min", 2, Op::kMin},   {"max", 2, Op::kMax},
    {"floor", 1, Op::kFloor}, {"ceil", 1, Op::kCeil}, {"round", 1, Op::kRound},
    {"sign", 1, Op::kSign},   {"pi", 0, Op::kPi},
};

// Change of the evaluation stack depth by one instruction.
int StackEffect(Op op) {
  switch (op) {
    case Op::kNum:
    case Op::kPi:
      return 1;
    case Op::kAdd:
    case Op::kSub:
    case Op::kMul:
    case Op::kDiv:
    case Op::kPow:
    case Op::kAtan2:
    case Op::kMin:
    case Op::kMax:
      return -1;
    default:
      return 0;
  }
}

double Run(const Program& program, const double* numbers) {
  double stack[kMaxStack];
  double* sp = stack;  // next free slot
  for (const Instr& in : program.code) {
    switch (in.op) {
      case Op::kNum:
        *sp++ = numbers[in.arg];
        break;
      case Op::kPi:
        *sp++ = std::numbers::pi;
        break;
      case Op::kNeg:
        sp[-1] = -sp[-1];
        break;
      case Op::kAdd:
        --sp;
        sp[-1] += sp[0];
        break;
      case Op::kSub:
        --sp;
        sp[-1] -= sp[0];
        break;
      case Op::kMul:
        --sp;
        sp[-1] *= sp[0];
        break;
      case Op::kDiv:
        --sp;
        sp[-1] /= sp[0];
        break;
      case Op::kPow:
        --sp;
        sp[-1] = std::pow(sp[-1], sp[0]);
        break;
      case Op::kSin:
        sp[-1] = SinDeg(sp[-1]);
        break;
      case Op::kCos:
        sp[-1] = CosDeg(sp[-1]);
        break;
      case Op::kTan:
        sp[-1] = TanDeg(sp[-1]);
        break;
      case Op::kAsin:
        sp[-1] = std::asin(sp[-1]) * kDegPerRad;
        break;
      case Op::kAcos:
        sp[-1] = std::acos(sp[-1]) * kDegPerRad;
        break;
      case Op::kAtan:
        sp[-1] = std::atan(sp[-1]) * kDegPerRad;
        break;
      case Op::kAtan2:
        --sp;
        sp[-1] = std::atan2(sp[-1], sp[0]) * kDegPerRad;
        break;
      case Op::kSinh:
        sp[-1] = std::sinh(sp[-1]);
        break;
      case Op::kCosh:
        sp[-1] = std::cosh(sp[-1]);
        break;
      case Op::kTanh:
        sp[-1] = std::tanh(sp[-1]);
        break;
      case Op::kExp:
        sp[-1] = std::exp(sp[-1]);
        break;
      case Op::kLog:
        sp[-1] = std::log(sp[-1]);
        break;
      case Op::kLog10:
        sp[-1] = std::log10(sp[-1]);
        break;
      case Op::kSqrt:
        sp[-1] = std::sqrt(sp[-1]);
        break;
      case Op::kAbs:
        sp[-1] = std::fabs(sp[-1]);
        break;
      case Op::kMin:
        --sp;
        sp[-1] = MinOf(sp[-1], sp[0]);
        break;
      case Op::kMax:
        --sp;
        sp[-1] = MaxOf(sp[-1], sp[0]);
        break;
      case Op::kFloor:
        sp[-1] = std::floor(sp[-1]);
        break;
      case Op::kCeil:
        sp[-1] = std::ceil(sp[-1]);
        break;
      case Op::kRound:
        sp[-1] = std::round(sp[-1]);
        break;
      case Op::kSign:
        sp[-1] = SignOf(sp[-1]);
        break;
    }
  }
  return stack[0];
}

// ---------------------------------------------------------------------------------------------
// Lexer

enum class Tok : std::uint8_t {
  kEnd,
  kNumber,
  kName,
  kPlus,
  kMinus,
  kStar,
  kSlash,
  kCaret,
  kOpen,
  kClose,
  kSep,  // ';' or ','
  kBad,  // a byte that starts no token
};

struct Token {
  Tok kind = Tok::kEnd;
  std::size_t pos = 0;  // byte offset in the text
  std::size_t len = 0;
  double value = 0.0;  // kNumber only
};

// Operator characters and their tokens.
constexpr std::string_view kPunctChars = "+-*/^();,";
constexpr Tok kPunctKinds[] = {Tok::kPlus, Tok::kMinus, Tok::kStar, Tok::kSlash, Tok::kCaret,
                               Tok::kOpen, Tok::kClose, Tok::kSep,  Tok::kSep};

// Character classes of the lexer.
enum CharClass : std::uint8_t { kOther, kBlank, kDigit, kDot, kAlpha, kPunct };

constexpr std::array<std::uint8_t, 256> kCharClass = [] {
  std::array<std::uint8_t, 256> table{};
  table[' '] = table['\t'] = kBlank;
  for (int c = '0'; c <= '9'; ++c) table[c] = kDigit;
  for (int c = 'a'; c <= 'z'; ++c) table[c] = table[c - 'a' + 'A'] = kAlpha;
  table['_'] = kAlpha;
  table['.'] = kDot;
  for (const char c : kPunctChars) table[static_cast<unsigned char>(c)] = kPunct;
  return table;
}();

CharClass ClassOf(char c) {
  return static_cast<CharClass>(kCharClass[static_cast<unsigned char>(c)]);
}
bool IsDigit(char c) { return ClassOf(c) == kDigit; }
bool IsNameChar(char c) { return ClassOf(c) == kAlpha || ClassOf(c) == kDigit; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsNoCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (Lower(text[i]) != lower[i]) return false;
  }
  return true;
}

// Tells whether a literal that std::from_chars rejects as out of range overflows rather than
// underflows: its decimal magnitude is then positive.
bool LiteralOverflows(std::string_view lit) {
  std::size_t i = 0;
  long long magnitude = 0;
  bool seen_nonzero = false;
  for (; i < lit.size() && IsDigit(lit[i]); ++i) {
    if (seen_nonzero) {
      ++magnitude;
    } else if (lit[i] != '0') {
      seen_nonzero = true;
    }
  }
  if (i < lit.size() && lit[i] == '.') ++i;
  for (; i < lit.size() && IsDigit(lit[i]); ++i) {
    if (seen_nonzero) continue;
    --magnitude;
    if (lit[i] != '0') seen_nonzero = true;
  }
  long long exponent = 0;
  if (i < lit.size() && (lit[i] == 'e' || lit[i] == 'E')) {
    ++i;
    const bool negative = i < lit.size() && lit[i] == '-';
    if (i < lit.size() && (lit[i] == '-' || lit[i] == '+')) ++i;
    for (; i < lit.size(); ++i) {
      if (exponent < 100000000) exponent = exponent * 10 + (lit[i] - '0');
    }
    if (negative) exponent = -exponent;
  }
  return magnitude + exponent > 0;
}

double ParseNumber(std::string_view lit) {
  double value = 0.0;
  const char* end = lit.data() + lit.size();
  const auto [ptr, ec] = std::from_chars(lit.data(), end, value);
  if (ec == std::errc() && ptr == end) return value;
  if (ec == std::errc::result_out_of_range) return LiteralOverflows(lit) ? kInf : 0.0;
  return kNaN;  // not reached: the lexer only hands over well-formed literals
}

// Clinger's fast path: a mantissa up to 2^53 and a power of ten up to 1e22 are both exact doubles,
// so one multiplication or division rounds correctly and gives the same double as std::from_chars.
// Returns NaN when the literal needs the full conversion.
double FastNumber(std::uint64_t mantissa, long long exponent) {
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
#if FLT_EVAL_METHOD == 0
  if (mantissa == 0) return 0.0;
  if (mantissa > (std::uint64_t{1} << 53) || exponent < -22 || exponent > 22) return kNaN;
  const double m = static_cast<double>(mantissa);
  return exponent >= 0 ? m * kPow10[exponent] : m / kPow10[-exponent];
#else
  // Extended intermediate precision would round twice: always convert in full.
  (void)mantissa, (void)exponent, (void)kPow10;
  return kNaN;
#endif
}

// True when pos starts a number literal: a digit, or a '.' followed by a digit.
bool StartsNumber(std::string_view s, std::size_t pos) {
  const CharClass cls = ClassOf(s[pos]);
  return cls == kDigit || (cls == kDot && pos + 1 < s.size() && IsDigit(s[pos + 1]));
}

// Texts whose literals need the full conversion (more than 15 significant digits or a large power
// of ten) remember the last values read, keyed by the literal's bytes: the same exact double, read
// once. A plot's grid repeats each axis value on every row or column.
class LiteralMemo {
 public:
  static constexpr std::size_t kMaxLength = 32;

  // The value of the literal, converted in full when it is not held. `key` is any mix of what
  // the scan gathered: literals of the same key are told apart by their bytes.
  double Value(std::string_view lit, std::uint64_t key) {
    if (lit.size() > kMaxLength) return ParseNumber(lit);
    Entry& e = entries_[(key * 0x9E3779B97F4A7C15ull) >> (64 - kEntryBits)];
    if (e.length == lit.size() && std::memcmp(e.bytes, lit.data(), lit.size()) == 0) return e.value;
    e.value = ParseNumber(lit);
    e.length = static_cast<std::uint8_t>(lit.size());
    std::memcpy(e.bytes, lit.data(), lit.size());
    return e.value;
  }

 private:
  static constexpr int kEntryBits = 12;
  struct Entry {
    char bytes[kMaxLength];
    double value = 0.0;
    std::uint8_t length = 0;  // 0: empty (no literal is empty)
  };
  std::array<Entry, std::size_t{1} << kEntryBits> entries_;
};

// Scans the number literal at pos (digits [ '.' digits ] [ e [sign] digits ]) and returns its
// end; the digits are gathered on the way for the fast conversion. Literals that need the full
// conversion go through `memo` when there is one.
std::size_t ScanNumber(std::string_view s, std::size_t pos, double* value,
                       LiteralMemo* memo = nullptr) {
  const char* const begin = s.data() + pos;
  const char* const end = s.data() + s.size();
  const char* p = begin;
  std::uint64_t mantissa = 0;  // wraps beyond 19 digits, which then take the full conversion
  const auto digit_run = [&] {
    const char* const start = p;
    for (unsigned d; p != end && (d = static_cast<unsigned char>(*p) - '0') < 10; ++p) {
      mantissa = mantissa * 10 + d;
    }
    return p - start;
  };
  auto digits = digit_run();
  long long exponent = 0;
  if (p != end && *p == '.') {
    ++p;
    const auto fraction_digits = digit_run();
    digits += fraction_digits;
    exponent = -fraction_digits;
  }
  if (p != end && (*p == 'e' || *p == 'E')) {
    const char* q = p + 1;
    const bool negative = q != end && *q == '-';
    if (q != end && (*q == '+' || *q == '-')) ++q;
    if (q != end && IsDigit(*q)) {
      long long e = 0;
      for (p = q; p != end && IsDigit(*p); ++p) {
        if (e < 100000) e = e * 10 + (*p - '0');
      }
      exponent += negative ? -e : e;
    }
  }
  const auto len = static_cast<std::size_t>(p - begin);
  *value = digits <= 19 ? FastNumber(mantissa, exponent) : kNaN;
  if (std::isnan(*value)) {
    const std::string_view lit = s.substr(pos, len);
    *value = memo ? memo->Value(lit, mantissa + static_cast<std::uint64_t>(exponent) * 31)
                  : ParseNumber(lit);
  }
  return pos + len;
}

std::size_t ScanName(std::string_view s, std::size_t pos) {
  while (pos < s.size() && IsNameChar(s[pos])) ++pos;
  return pos;
}

// inf, infinity and nan (any case) are number literals, not names.
bool NameIsNumber(std::string_view name, double* value) {
  const char first = Lower(name[0]);
  if (first != 'i' && first != 'n') return false;
  if (EqualsNoCase(name, "inf") || EqualsNoCase(name, "infinity")) {
    *value = kInf;
    return true;
  }
  if (EqualsNoCase(name, "nan")) {
    *value = kNaN;
    return true;
  }
  return false;
}

Token NextToken(std::string_view s, std::size_t pos) {
  const std::size_t n = s.size();
  while (pos < n && ClassOf(s[pos]) == kBlank) ++pos;
  Token t;
  t.pos = pos;
  if (pos >= n) return t;
  const char c = s[pos];
  t.len = 1;
  switch (ClassOf(c)) {
    case kPunct:
      t.kind = kPunctKinds[kPunctChars.find(c)];
      return t;
    case kDigit:
    case kDot:
      if (!StartsNumber(s, pos)) break;
      t.kind = Tok::kNumber;
      t.len = ScanNumber(s, pos, &t.value) - pos;
      return t;
    case kAlpha:
      t.len = ScanName(s, pos) - pos;
      t.kind = NameIsNumber(s.substr(pos, t.len), &t.value) ? Tok::kNumber : Tok::kName;
      return t;
    default:
      break;
  }
  t.kind = Tok::kBad;
  return t;
}

// ---------------------------------------------------------------------------------------------
// Compiler

// 1-based column of a byte offset. Only ASCII can precede an error (any other byte is an error
// itself), so bytes and characters count alike.
int ColumnOf(std::size_t pos) {
  return pos >= static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(pos + 1);
}

std::string Quoted(std::string_view text) {
  std::string out = "'";
  if (text.size() > kMaxQuoted) {
    out.append(text.substr(0, kMaxQuoted));
    out.append("...");
  } else {
    out.append(text);
  }
  out.push_back('\'');
  return out;
}

class Compiler {
 public:
  Compiler(std::string_view text, Program* program, std::vector<double>* numbers)
      : text_(text), program_(program), numbers_(numbers) {}

  bool Compile() {
    Advance();
    if (tok_.kind == Tok::kEnd) return Fail(0, "empty formula");
    if (!ParseExpr()) return false;
    if (tok_.kind == Tok::kEnd) {
      // Not reached with the nesting limit; keeps Run within its fixed stack regardless.
      if (max_stack_ > kMaxStack) return Fail(0, "formula too complex");
      return true;
    }
    if (tok_.kind == Tok::kBad) return FailBadChar();
    if (tok_.kind == Tok::kClose) return Fail(tok_.pos, "unmatched ')'");
    return Fail(tok_.pos, "expected an operator before " + Quoted(TokenText()));
  }

  const std::string& message() const { return message_; }
  int column() const { return ColumnOf(error_pos_); }

 private:
  std::string_view TokenText() const { return text_.substr(tok_.pos, tok_.len); }

  void Advance() { tok_ = NextToken(text_, tok_.pos + tok_.len); }

  bool Fail(std::size_t pos, std::string message) {
    error_pos_ = pos;
    message_ = std::move(message);
    return false;
  }

  bool FailBadChar() {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto c = static_cast<unsigned char>(text_[tok_.pos]);
    if (c >= 0x20 && c < 0x7F) {
      return Fail(tok_.pos, "unexpected character " + Quoted(TokenText()));
    }
    const std::size_t len = c >= 0x80 ? Utf8SequenceLength(text_.substr(tok_.pos)) : 0;
    if (len > 0) {
      return Fail(tok_.pos, "unexpected character " + Quoted(text_.substr(tok_.pos, len)));
    }
    std::string message = "unexpected byte 0x";
    message.push_back(kHex[c >> 4]);
    message.push_back(kHex[c & 15]);
    return Fail(tok_.pos, std::move(message));
  }

  // Reports a missing token, preferring an invalid character at that place.
  bool FailExpected(const char* message) {
    if (tok_.kind == Tok::kBad) return FailBadChar();
    return Fail(tok_.pos, message);
  }

  void Emit(Op op, std::uint32_t arg = 0) {
    program_->code.push_back(Instr{op, arg});
    stack_ += StackEffect(op);
    if (stack_ > max_stack_) max_stack_ = stack_;
  }

  // expr := term { ('+' | '-') term }
  bool ParseExpr() {
    if (!ParseTerm()) return false;
    while (tok_.kind == Tok::kPlus || tok_.kind == Tok::kMinus) {
      const Op op = tok_.kind == Tok::kPlus ? Op::kAdd : Op::kSub;
      Advance();
      if (!ParseTerm()) return false;
      Emit(op);
    }
    return true;
  }

  // term := unary { ('*' | '/') unary }
  bool ParseTerm() {
    if (!ParseUnary()) return false;
    while (tok_.kind == Tok::kStar || tok_.kind == Tok::kSlash) {
      const Op op = tok_.kind == Tok::kStar ? Op::kMul : Op::kDiv;
      Advance();
      if (!ParseUnary()) return false;
      Emit(op);
    }
    return true;
  }

  // unary := ('+' | '-') unary | power. Every nesting passes through here, so the depth is
  // counted here.
  bool ParseUnary() {
    if (depth_ >= kMaxNesting) {
      return Fail(tok_.pos,
                  "nesting too deep (more than " + std::to_string(kMaxNesting) + " levels)");
    }
    ++depth_;
    bool ok;
    if (tok_.kind == Tok::kMinus) {
      Advance();
      ok = ParseUnary();
      if (ok) Emit(Op::kNeg);
    } else if (tok_.kind == Tok::kPlus) {
      Advance();
      ok = ParseUnary();
    } else {
      ok = ParsePower();
    }
    --depth_;
    return ok;
  }

  // power := primary [ '^' unary ]   (right-associative, binds tighter than a leading sign)
  bool ParsePower() {
    if (!ParsePrimary()) return false;
    if (tok_.kind != Tok::kCaret) return true;
    Advance();
    if (!ParseUnary()) return false;
    Emit(Op::kPow);
    return true;
  }

  // primary := number | name | name '(' [ expr { sep expr } ] ')' | '(' expr ')'
  bool ParsePrimary() {
    switch (tok_.kind) {
      case Tok::kNumber:
        Emit(Op::kNum, static_cast<std::uint32_t>(numbers_->size()));
        numbers_->push_back(tok_.value);
        Advance();
        return true;
      case Tok::kOpen:
        Advance();
        if (!ParseExpr()) return false;
        if (tok_.kind != Tok::kClose) return FailExpected("expected ')'");
        Advance();
        return true;
      case Tok::kName:
        return ParseName();
      case Tok::kEnd:
        return Fail(tok_.pos, "unexpected end of formula");
      case Tok::kBad:
        return FailBadChar();
      default:
        return Fail(tok_.pos, "unexpected " + Quoted(TokenText()));
    }
  }

  bool ParseName() {
    const std::string_view name = TokenText();
    const FunctionInfo* fn = nullptr;
    for (const FunctionInfo& f : kFunctions) {
      if (EqualsNoCase(name, f.name)) fn = &f;
    }
    const std::size_t name_pos = tok_.pos;
    Advance();
    const bool call = tok_.kind == Tok::kOpen;
    if (fn == nullptr) {
      return Fail(name_pos, (call ? "unknown function " : "unknown name ") + Quoted(name));
    }
    if (!call) {
      if (fn->arity == 0) {
        Emit(fn->op);
        return true;
      }
      if (tok_.kind == Tok::kBad) return FailBadChar();
      return Fail(tok_.pos, "expected '(' after " + Quoted(name));
    }
    Advance();
    int args = 0;
    if (tok_.kind != Tok::kClose) {
      if (fn->arity == 0) return FailTooMany(name, *fn);
      for (;;) {
        if (!ParseExpr()) return false;
        ++args;
        if (tok_.kind != Tok::kSep) break;
        if (args == fn->arity) return FailTooMany(name, *fn);
        Advance();
      }
    }
    if (tok_.kind != Tok::kClose) return FailExpected("expected ')'");
    if (args < fn->arity) {
      return Fail(tok_.pos, "too few arguments for " + Quoted(name) + " (expects " +
                                std::to_string(fn->arity) + ")");
    }
    Advance();
    Emit(fn->op);
    return true;
  }

  bool FailTooMany(std::string_view name, const FunctionInfo& fn) {
    if (tok_.kind == Tok::kEnd) return Fail(tok_.pos, "expected ')'");
    if (tok_.kind == Tok::kBad) return FailBadChar();
    return Fail(tok_.pos, "too many arguments for " + Quoted(name) + " (expects " +
                              std::to_string(fn.arity) + ")");
  }

  std::string_view text_;
  Program* program_;
  std::vector<double>* numbers_;
  Token tok_;
  int depth_ = 0;
  int stack_ = 0;
  int max_stack_ = 0;
  std::size_t error_pos_ = 0;
  std::string message_;
};

// ---------------------------------------------------------------------------------------------
// Per-thread cache of compiled shapes

struct CacheEntry {
  std::string key;
  std::uint64_t hash = 0;
  Program program;
  bool used = false;
  // The last text of this shape, as its pieces between the number literals: pieces_[0, ends[0]),
  // [ends[0], ends[1]) ... A text made of the same pieces around other literals has the same
  // shape, which is found by comparing the pieces alone.
  std::string pieces;
  std::vector<std::size_t> ends;
};

struct ThreadCache {
  // Room for a text of n bytes: it holds at most n numbers and its shape at most 2n bytes. Grows
  // only, so the steady state allocates nothing.
  void Reserve(std::size_t n) {
    if (numbers.size() < n + 1) numbers.resize(n + 1);
    if (spans.size() < 2 * (n + 1)) spans.resize(2 * (n + 1));
    if (key.size() < 2 * n + 1) key.resize(2 * n + 1);
  }

  bool KeyIs(const CacheEntry& e) const {
    return e.used && e.key.size() == key_size &&
           std::memcmp(e.key.data(), key.data(), key_size) == 0;
  }

  CacheEntry* Find() {
    if (KeyIs(entries[last_hit])) return &entries[last_hit];
    const std::uint64_t hash = KeyHash();
    for (int i = 0; i < kCacheSize; ++i) {
      if (entries[i].hash == hash && KeyIs(entries[i])) {
        last_hit = i;
        return &entries[i];
      }
    }
    return nullptr;
  }

  // Stores a new shape in place of the oldest one.
  CacheEntry& Insert(Program&& program) {
    CacheEntry& e = entries[next];
    e.key.assign(key.data(), key_size);
    e.hash = KeyHash();
    e.program = std::move(program);
    e.used = true;
    e.ends.clear();
    last_hit = next;
    next = (next + 1) % kCacheSize;
    return e;
  }

  std::uint64_t KeyHash() const {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (std::size_t i = 0; i < key_size; ++i) {
      h = (h ^ static_cast<unsigned char>(key[i])) * 1099511628211ull;
    }
    return h;
  }

  // Builds the shape of text into key (numbers become '#', names lower case followed by a
  // blank, blanks dropped, ',' written as ';') and collects its numbers and where they stand.
  // This scans the text as NextToken does, only faster. Returns false when the text holds a byte
  // that starts no token: such texts skip the cache.
  bool BuildShape(std::string_view text) {
    literals_of = -1;  // numbers[] is rewritten
    const std::size_t n = text.size();
    std::size_t k = 0;
    count = 0;
    for (std::size_t i = 0; i < n;) {
      const char c = text[i];
      switch (ClassOf(c)) {
        case kBlank:
          ++i;
          break;
        case kPunct:
          key[k++] = c == ',' ? ';' : c;
          ++i;
          break;
        case kDigit:
        case kDot:
          if (!StartsNumber(text, i)) return false;
          spans[2 * count] = i;
          i = ScanNumber(text, i, &numbers[count], &memo);
          spans[2 * count++ + 1] = i;
          key[k++] = '#';
          break;
        case kAlpha: {
          const std::size_t end = ScanName(text, i);
          if (NameIsNumber(text.substr(i, end - i), &numbers[count])) {
            spans[2 * count] = i;
            spans[2 * count++ + 1] = end;
            key[k++] = '#';
          } else {
            for (; i < end; ++i) key[k++] = Lower(text[i]);
            key[k++] = ' ';
          }
          i = end;
          break;
        }
        default:
          return false;
      }
    }
    key_size = k;
    return true;
  }

  // Keeps the pieces of text around the numbers BuildShape found, for MatchLast.
  void RememberPieces(CacheEntry* e, std::string_view text) const {
    e->pieces.clear();
    e->ends.clear();
    std::size_t from = 0;
    for (int i = 0; i < count; ++i) {
      e->pieces.append(text.substr(from, spans[2 * i] - from));
      e->ends.push_back(e->pieces.size());
      from = spans[2 * i + 1];
    }
    e->pieces.append(text.substr(from));
    e->ends.push_back(e->pieces.size());
  }

  // The entry last found, when text is made of its pieces around number literals; the numbers
  // are read on the way. Each literal is scanned as the lexer scans it and must end where the
  // next piece begins, so the text splits into the same tokens as the one the pieces came from.
  const CacheEntry* MatchLast(std::string_view text) {
    const CacheEntry& e = entries[last_hit];
    if (e.ends.empty()) return nullptr;
    // Every entry with pieces had its literals remembered, so there is room for them.
    const bool reuse = literals_of == last_hit;
    literals_of = -1;  // numbers[] changes below; valid again only once the whole text matched
    const std::size_t n = text.size();
    std::size_t pos = 0;
    std::size_t from = 0;
    for (std::size_t k = 0;; ++k) {
      const std::size_t len = e.ends[k] - from;
      if (n - pos < len || std::memcmp(text.data() + pos, e.pieces.data() + from, len) != 0)
        return nullptr;
      pos += len;
      from = e.ends[k];
      if (k + 1 == e.ends.size()) {
        if (pos != n) return nullptr;
        literals_of = last_hit;
        return &e;
      }
      if (pos == n || !StartsNumber(text, pos)) return nullptr;
      // A digit right after a name would continue the name.
      if (pos > 0 && IsNameChar(text[pos - 1]) && text[pos] != '.') return nullptr;
      if (reuse && SameLiteral(text, pos, k)) {
        pos += literal_length[k];  // numbers[k] still holds its value
        continue;
      }
      const std::size_t start = pos;
      pos = ScanNumber(text, pos, &numbers[k], &memo);
      KeepLiteral(text, start, pos, k);
    }
  }

  // The literals of the text just read, for the next MatchLast: BuildShape found them at spans.
  void RememberLiterals(std::string_view text) {
    LiteralsRoom(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
      KeepLiteral(text, spans[2 * i], spans[2 * i + 1], static_cast<std::size_t>(i));
    literals_of = last_hit;
  }

  // Texts of one shape mostly differ in a few literals (a node's x and z among constants): a
  // literal whose bytes are those of the same literal last time has the same value. Its bytes
  // decide where the scan ends once the byte after them can continue no number.
  static constexpr std::size_t kLiteralRoom = 24;  // longer literals are scanned every time
  void LiteralsRoom(std::size_t slots) {
    if (literal_length.size() < slots) {
      literal_length.resize(slots);
      literal_bytes.resize(slots * kLiteralRoom);
    }
  }
  void KeepLiteral(std::string_view text, std::size_t from, std::size_t to, std::size_t k) {
    const std::size_t len = to - from;
    literal_length[k] = static_cast<std::uint8_t>(len <= kLiteralRoom ? len : 0);
    if (len <= kLiteralRoom) std::memcpy(&literal_bytes[k * kLiteralRoom], text.data() + from, len);
  }
  bool SameLiteral(std::string_view text, std::size_t pos, std::size_t k) const {
    const std::size_t len = literal_length[k];
    if (len == 0 || text.size() - pos < len ||
        std::memcmp(text.data() + pos, &literal_bytes[k * kLiteralRoom], len) != 0)
      return false;
    return pos + len == text.size() || !(IsNameChar(text[pos + len]) || text[pos + len] == '.');
  }

  std::array<CacheEntry, kCacheSize> entries;
  int next = 0;
  int last_hit = 0;
  // The text being evaluated: its shape, its numbers and where each of them begins and ends.
  std::vector<char> key;
  std::size_t key_size = 0;
  std::vector<double> numbers;
  std::vector<std::size_t> spans;
  int count = 0;
  std::vector<double> scratch;  // numbers collected while compiling a new shape
  LiteralMemo memo;
  // The literals behind numbers[] and the entry they were read for (-1: none).
  int literals_of = -1;
  std::vector<std::uint8_t> literal_length;
  std::vector<char> literal_bytes;
};

// The calling thread's cache. The pointer lives in the initial-exec TLS model, one plain load with
// no call; the owner frees the cache when the thread ends.
struct CacheOwner {
  ThreadCache* cache = nullptr;
  ~CacheOwner() { delete cache; }
};
thread_local CacheOwner t_owner;
__attribute__((tls_model("initial-exec"))) thread_local ThreadCache* t_cache = nullptr;

ThreadCache& Cache() {
  if (t_cache == nullptr) [[unlikely]] {
    t_owner.cache = new ThreadCache;
    t_cache = t_owner.cache;
  }
  return *t_cache;
}

void MarkOk(FormulaDiagnostic* diag) {
  if (diag == nullptr) return;
  diag->ok = true;
  diag->message.clear();
  diag->column = 0;
}

double Failed(const Compiler& compiler, FormulaDiagnostic* diag) {
  if (diag != nullptr) {
    diag->ok = false;
    diag->message = compiler.message();
    diag->column = compiler.column();
  }
  return 0.0;
}

}  // namespace

double EvaluateExpression(std::string_view text, FormulaDiagnostic* diag) {
  if (text.size() <= kMaxCachedText) {
    ThreadCache& cache = Cache();
    cache.Reserve(text.size());
    if (const CacheEntry* entry = cache.MatchLast(text)) {
      MarkOk(diag);
      return Run(entry->program, cache.numbers.data());
    }
    if (cache.BuildShape(text)) {
      CacheEntry* entry = cache.Find();
      if (entry == nullptr) {
        Program program;
        cache.scratch.clear();
        Compiler compiler(text, &program, &cache.scratch);
        if (!compiler.Compile()) return Failed(compiler, diag);
        entry = &cache.Insert(std::move(program));
      }
      cache.RememberPieces(entry, text);
      cache.RememberLiterals(text);
      MarkOk(diag);
      return Run(entry->program, cache.numbers.data());
    }
  }
  Program program;
  std::vector<double> numbers;
  Compiler compiler(text, &program, &numbers);
  if (!compiler.Compile()) return Failed(compiler, diag);
  MarkOk(diag);
  return Run(program, numbers.data());
}

}  // namespace zvhost
