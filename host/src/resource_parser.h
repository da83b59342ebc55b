// Reader for a module's resource folder: parameter descriptions (.res with the identifier list in
// its .h and the names in its .str) and the module's string table (c4d_symbols.h +
// c4d_strings.str).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zvhost {

struct DescEntry {
  int id = 0;          // numeric id from the .h enum (0 for a separator without identifier)
  std::string symbol;  // e.g. "MYPLUGIN_SIZE"
  // "LONG","REAL","BOOL","VECTOR","COLOR","STRING","GRADIENT","FONT","BUTTON","GROUP","SEPARATOR"
  std::string type;
  std::string label;  // from the .str (empty if none)
  int parent = 0;     // id of the enclosing GROUP (0 at top level)
  std::optional<double> min, max, step;
  std::vector<std::pair<int, std::string>> cycle;  // (value, label) in order
  std::vector<std::string> cycleSymbols;           // each choice's identifier, in the same order
  bool hidden = false;
  bool animatable = true;  // false with ANIM OFF
};

struct DescriptionResource {
  std::string name;                        // "omyplugin"
  std::string symbol;                      // the CONTAINER symbol, e.g. "Omyplugin"
  int typeId = 0;                          // value of the CONTAINER symbol (the plug-in id)
  std::map<std::string, int> identifiers;  // every identifier of the .h with its value
  std::string title;                       // the .str's name for the container symbol
  std::vector<DescEntry> entries;          // in file order (groups included, before their children)
};

// resDir is the module's "res" folder; language e.g. "en-US". Reads description/<name>.res,
// description/<name>.h and strings_<language>/description/<name>.str. Every symbol used must be
// defined in the .h (or be a host group such as ID_OBJECTPROPERTIES). On failure returns false,
// leaves *out untouched and sets *error to "file:line: problem".
bool LoadDescriptionResource(const std::string& resDir, const std::string& name,
                             const std::string& language, DescriptionResource* out,
                             std::string* error);

// Reads res/c4d_symbols.h and strings_<language>/c4d_strings.str: numeric id -> text.
bool LoadStringTable(const std::string& resDir, const std::string& language,
                     std::map<int, std::string>* out, std::string* error);

}  // namespace zvhost
