// The files -o writes, one row a format: its ending, what the runner holds whole while it writes
// one (for the memory budget), how an animation is staged, and its writer. A new format is a new
// row and its writer.
#pragma once

#include <string>
#include <vector>

#include "atomic_file.h"
#include "export_print.h"
#include "memory_budget.h"

class BaseDocument;

namespace zvapp {

enum class Staging {
  kEachFrame,  // one file per frame of an animation (plot_0007.glb), each staged whole
  kOnePage,    // the viewer page: one file for all the frames, written a frame at a time
};

// What a command's options say of its files, and where a writer leaves its notes for the user.
struct OutputContext {
  std::string title;  // what a file carries as its title where it has one
  PrintOptions print;
  std::vector<std::string>* notes = nullptr;
};

struct OutputFormat {
  const char* ending;  // ".glb"
  HeldOutputs holds;
  Staging staging;
  // Stages the file of one frame among a command's outputs (kEachFrame). False with a message
  // naming the file.
  bool (*stage)(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                const OutputContext& context, std::string* error);
};

// Every format, in the order the help names them.
const std::vector<OutputFormat>& OutputFormats();
// The format of a path by its ending, or nothing.
const OutputFormat* FindOutputFormat(const std::string& path);
// The endings, in the table's order or sorted: ".glb, .gltf, .html or .json".
std::string OutputEndings(bool sorted);
// What a path ends in from its last dot in its last part (".glb"), or nothing.
std::string PathEnding(const std::string& path);

}  // namespace zvapp
