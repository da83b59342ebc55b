// Runs a libFuzzer entry point where libFuzzer is not linked (GCC builds, CTest): every input kept
// in the given folders (the seeds and the regressions, crashes found before), then a bounded loop
// of mutations of them drawn from a fixed seed, so a run can be repeated exactly. It has no
// coverage feedback; the libFuzzer build (clang, ZV_FUZZ) has.
//
//   NAME_fuzz [--runs N] [--seconds S] [--seed N] [--max-len BYTES] [--timeout S] [--dict FILE]
//             FOLDER...
//
// An input that crashes the target (a sanitizer's report, a signal) or runs past the timeout is
// written to fuzz-NAME-crash in the working folder first; kept under tests/fuzz/NAME/regressions
// it is run on every later run.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);
// A target's own mutation (one that knows the input's structure), which may call LLVMFuzzerMutate
// for a plain one as with libFuzzer.
extern "C" __attribute__((weak)) std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data,
                                                                     std::size_t size,
                                                                     std::size_t maxSize,
                                                                     unsigned seed);
#ifdef __SANITIZE_ADDRESS__
extern "C" void __sanitizer_set_death_callback(void (*callback)());
#endif

namespace {

namespace fs = std::filesystem;
using Input = std::vector<std::uint8_t>;

struct Options {
  long runs = 2000;
  double seconds = 5;
  std::uint64_t seed = 1;
  std::size_t maxLen = 4096;
  unsigned timeout = 30;
  std::string dict;
  std::vector<std::string> folders;
};

// ---- Keeping the input that crashed ------------------------------------------------------------

// Set before each run; read by the handlers, which may only write what is already there.
const Input* current = nullptr;
char crashPath[4096];

void WriteCurrent(const char* why) {
  if (!current) return;
  const int fd = ::open(crashPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) {
    [[maybe_unused]] const ssize_t written = ::write(fd, current->data(), current->size());
    ::close(fd);
  }
  const char* parts[] = {"\nfuzz: ", why, " on the input written to ", crashPath, "\n"};
  for (const char* p : parts)
    if (::write(2, p, std::strlen(p)) < 0) return;
}

void OnTimeout(int) {
  WriteCurrent("a timeout");
  ::_exit(70);
}

#ifdef __SANITIZE_ADDRESS__
// The sanitizer handles the crash signals itself and calls this before it ends the process.
void OnSanitizerDeath() { WriteCurrent("a sanitizer report"); }

void KeepOnCrash() { __sanitizer_set_death_callback(&OnSanitizerDeath); }
#else
void OnCrashSignal(int sig) {
  WriteCurrent("a crash");
  ::signal(sig, SIG_DFL);
  ::raise(sig);
}

void KeepOnCrash() {
  for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::signal(sig, &OnCrashSignal);
}
#endif

void KeepCrashingInputs(const std::string& name) {
  std::snprintf(crashPath, sizeof crashPath, "fuzz-%s-crash", name.c_str());
  KeepOnCrash();
  ::signal(SIGALRM, &OnTimeout);
}

// ---- Inputs -----------------------------------------------------------------------------------

Input ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Input(std::istreambuf_iterator<char>(in), {});
}

std::vector<Input> ReadFolders(const std::vector<std::string>& folders) {
  std::vector<fs::path> files;
  for (const std::string& folder : folders)
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
        files.push_back(entry.path());
  std::sort(files.begin(), files.end());  // the same order on every machine
  std::vector<Input> inputs;
  for (const fs::path& f : files) inputs.push_back(ReadFile(f));
  return inputs;
}

// The tokens of a libFuzzer dictionary: one "quoted" token a line, with \\, \" and \xNN escapes.
std::vector<Input> ReadDictionary(const std::string& path) {
  std::vector<Input> tokens;
  if (path.empty()) return tokens;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const std::size_t open = line.find('"'), close = line.rfind('"');
    if (line.empty() || line[0] == '#' || open == std::string::npos || close <= open) continue;
    Input token;
    for (std::size_t i = open + 1; i < close; ++i) {
      if (line[i] == '\\' && i + 1 < close && line[i + 1] == 'x' && i + 3 < close) {
        token.push_back(static_cast<std::uint8_t>(std::stoi(line.substr(i + 2, 2), nullptr, 16)));
        i += 3;
      } else if (line[i] == '\\' && i + 1 < close) {
        token.push_back(static_cast<std::uint8_t>(line[++i]));
      } else {
        token.push_back(static_cast<std::uint8_t>(line[i]));
      }
    }
    tokens.push_back(std::move(token));
  }
  return tokens;
}

// ---- Mutation ---------------------------------------------------------------------------------

// Inserts `piece` into `in` before byte `at`.
void Insert(Input& in, std::size_t at, const std::uint8_t* piece, std::size_t n) {
  in.insert(in.begin() + static_cast<std::ptrdiff_t>(at), piece, piece + n);
}

class Mutator {
 public:
  Mutator(std::uint64_t seed, std::vector<Input> tokens)
      : random_(seed), tokens_(std::move(tokens)) {}

  // 0 to n - 1 (0 when n is 0).
  std::size_t Pick(std::size_t n) {
    return n ? std::uniform_int_distribution<std::size_t>(0, n - 1)(random_) : 0;
  }

  // One to five edits of `in`; `other` gives pieces to splice in.
  Input Mutate(Input in, const Input& other, std::size_t maxLen) {
    for (std::size_t edits = 1 + Pick(5); edits > 0; --edits) Edit(in, other);
    if (in.size() > maxLen) in.resize(maxLen);
    return in;
  }

 private:
  void Edit(Input& in, const Input& other) {
    static const std::uint8_t kInteresting[] = {0, 1, 0x7f, 0x80, 0xff, '\n', '"', '\\', '0', '9'};
    const std::size_t at = Pick(in.size() + 1);
    switch (Pick(7)) {
      case 0:
        if (!in.empty()) in[Pick(in.size())] ^= static_cast<std::uint8_t>(1u << Pick(8));
        break;
      case 1:
        if (!in.empty()) in[Pick(in.size())] = kInteresting[Pick(std::size(kInteresting))];
        break;
      case 2: {
        const std::size_t n = std::min(in.size() - std::min(at, in.size()), 1 + Pick(16));
        in.erase(in.begin() + static_cast<std::ptrdiff_t>(at),
                 in.begin() + static_cast<std::ptrdiff_t>(at + n));
        break;
      }
      case 3: {
        const std::uint8_t byte = static_cast<std::uint8_t>(Pick(256));
        Insert(in, at, &byte, 1);
        break;
      }
      case 4:
        if (!tokens_.empty()) {
          const Input& t = tokens_[Pick(tokens_.size())];
          Insert(in, at, t.data(), t.size());
        }
        break;
      case 5:  // a piece of the input itself, repeated elsewhere
        Splice(in, at, Input(in), 64);
        break;
      default:
        Splice(in, at, other, 256);
        break;
    }
  }

  // Inserts up to `most` bytes of `from`, from a place picked in it.
  void Splice(Input& in, std::size_t at, const Input& from, std::size_t most) {
    if (from.empty()) return;
    const std::size_t start = Pick(from.size());
    const std::size_t n = 1 + Pick(std::min(from.size() - start, most));
    Insert(in, at, from.data() + start, n);
  }

  std::mt19937_64 random_;
  std::vector<Input> tokens_;
};

Mutator* plain = nullptr;  // what LLVMFuzzerMutate uses

// A mutant of `base`, by the target's own mutation where it has one.
Input Mutant(Mutator& mutator, const Input& base, const Input& other, std::size_t maxLen) {
  if (!LLVMFuzzerCustomMutator) return mutator.Mutate(base, other, maxLen);
  Input data = base;
  data.resize(std::max(maxLen, base.size()));
  const auto seed = static_cast<unsigned>(mutator.Pick(1u << 31));
  data.resize(LLVMFuzzerCustomMutator(data.data(), base.size(), maxLen, seed));
  return data;
}

// ---- Running ----------------------------------------------------------------------------------

void Run(const Input& input, unsigned timeout) {
  current = &input;
  ::alarm(timeout);
  LLVMFuzzerTestOneInput(input.data(), input.size());
  ::alarm(0);
  current = nullptr;
}

bool ParseOptions(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!a.starts_with("--")) {
      o->folders.push_back(a);
      continue;
    }
    if (!value) return false;
    ++i;
    if (a == "--runs") {
      o->runs = std::atol(value);
    } else if (a == "--seconds") {
      o->seconds = std::atof(value);
    } else if (a == "--seed") {
      o->seed = std::strtoull(value, nullptr, 10);
    } else if (a == "--max-len") {
      o->maxLen = std::strtoull(value, nullptr, 10);
    } else if (a == "--timeout") {
      o->timeout = static_cast<unsigned>(std::atoi(value));
    } else if (a == "--dict") {
      o->dict = value;
    } else {
      return false;
    }
  }
  return !o->folders.empty();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    std::cerr << "usage: " << argv[0]
              << " [--runs N] [--seconds S] [--seed N] [--max-len BYTES] [--timeout S]"
                 " [--dict FILE] FOLDER...\n";
    return 2;
  }
  std::string name = fs::path(argv[0]).filename().string();
  if (name.size() > 5 && name.ends_with("_fuzz")) name.resize(name.size() - 5);
  KeepCrashingInputs(name);
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);

  const std::vector<Input> kept = ReadFolders(options.folders);
  if (kept.empty()) {
    std::cerr << name << ": no inputs in the given folders\n";
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  for (const Input& input : kept) Run(input, options.timeout);

  Mutator mutator(options.seed, ReadDictionary(options.dict));
  plain = &mutator;
  std::vector<Input> pool = kept;  // mutants join the pool, so edits build on edits
  long runs = 0;
  const auto elapsed = [&] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  };
  for (; runs < options.runs && elapsed() < options.seconds; ++runs) {
    // Half the time a kept input: mutants of mutants drift away from what the target takes.
    const Input& base =
        mutator.Pick(2) ? kept[mutator.Pick(kept.size())] : pool[mutator.Pick(pool.size())];
    Input mutant = Mutant(mutator, base, pool[mutator.Pick(pool.size())], options.maxLen);
    Run(mutant, options.timeout);
    if (pool.size() < 4 * kept.size() + 64)
      pool.push_back(std::move(mutant));
    else
      pool[kept.size() + mutator.Pick(pool.size() - kept.size())] = std::move(mutant);
  }
  std::cout << name << ": " << kept.size() << " kept inputs and " << runs << " mutations (seed "
            << options.seed << ") in " << elapsed() << " s, no fault\n";
  return 0;
}

// libFuzzer's plain mutation, for a target's own mutation to fall back on.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize) {
  const Input in(data, data + size);
  const Input out = plain->Mutate(in, in, maxSize);
  std::copy(out.begin(), out.end(), data);
  return out.size();
}
