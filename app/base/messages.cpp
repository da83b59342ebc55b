#include "messages.h"

#include <unistd.h>

#include <cstdio>
#include <limits>

#include "printable.h"

namespace zvapp {
namespace {

// Nothing is cut: what is echoed is bounded where it comes in (a formula by its length limit).
void Put(std::string_view lead, std::string_view text) {
  const std::string line =
      std::string(lead) + Printable(text, std::numeric_limits<std::size_t>::max()) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace

void PrintNote(std::string_view text) { Put("zvplot: ", text); }

int PrintError(std::string_view message) {
  Put("zvplot: error: ", message);
  return 2;
}

void PrintProgress(long long done, long long total) {
  if (!isatty(2) || total < 2) return;
  const int width = 40;
  const int filled = static_cast<int>(done * width / total);
  std::fprintf(stderr, "\r[%s%s] %lld/%lld", std::string(static_cast<size_t>(filled), '#').c_str(),
               std::string(static_cast<size_t>(width - filled), ' ').c_str(), done, total);
  if (done == total) std::fprintf(stderr, "\n");
}

void PrintLines(std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    Put("", text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

}  // namespace zvapp
