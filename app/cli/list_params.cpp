#include "list_params.h"

#include <charconv>

#include "host_app.h"
#include "json_dump.h"
#include "plot_kinds.h"
#include "suggest.h"

namespace zvapp {
namespace {

std::string Shortest(double v) {
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

}  // namespace

bool ListParams(const std::string& kind, std::ostream& out, std::string* error) {
  const Kind* k = FindKind(kind);
  if (!k) {
    *error = "unknown kind \"" + kind + "\": choose " + OneOf(KindNames()) +
             DidYouMean(kind, KindNames());
    return false;
  }
  const std::optional<Int32> type = KindType(*k);
  if (!type) {
    *error = "the module does not provide " + kind;
    return false;
  }
  BaseObject* op = BaseObject::Alloc(*type);
  for (const zvhost::ParameterInfo& p : zvhost::ListParameters(*type)) {
    out << p.symbol << "  " << p.id << "  " << p.type;
    if (op && p.type != "BUTTON") {
      if (const GeData* d = op->GetDataInstanceRef().GetDataPointer(p.id))
        out << "  default " << ValueToJson(*d, p.type).dump();
    }
    if (p.hasMin || p.hasMax)
      out << "  range " << (p.hasMin ? Shortest(p.min) + " " : "") << ".."
          << (p.hasMax ? " " + Shortest(p.max) : "");
    for (const auto& [value, label] : p.cycle) out << "  " << value << "=" << label;
    out << "  (" << p.label << ")\n";
  }
  BaseObject::Free(op);
  return true;
}

}  // namespace zvapp
