// glTF 2.0 export of an evaluated document: every generated cache in the object hierarchy, with the
// objects' names and matrices, converted from the host's left-handed frame (y up) to glTF's
// right-handed one.
#pragma once

#include <string>
#include <vector>

#include "atomic_file.h"

class BaseDocument;

namespace zvapp {

struct ExportReport {
  long long nonFiniteSamples = 0;   // samples whose position is not finite (left out of the file)
  long long meshes = 0, lines = 0;  // counts of glTF meshes and line primitives written
  long long marks = 0;              // viewport marks written (points; line pieces for crosses)
};

// Builds a GLB (binary glTF 2.0) of every generated cache of the evaluated document, in its object
// hierarchy with names and matrices. `title` goes to asset.extras.
//
// What an object draws in the viewport (the plot's sample markers) is written as a node of its own
// below the object's, "NAME points", with one unlit mesh of per-point colours: dots and spheres as
// a POINTS primitive, crosses as LINES; the mesh's extras say {"layer": "points", "marks": "dots",
// "spheres" or "lines", "size": pixels across for dots, the radius for spheres}.
//
// Non-finite points never reach the file: faces that touch one are left out, line strips are split
// at them, and objects whose matrix is not finite are left out with their subtree. Each such point
// or object counts once in nonFiniteSamples (for the surface: one per sample). *report is reset
// first; it may be null.
bool BuildGlb(BaseDocument* doc, const std::string& title, std::vector<unsigned char>* out,
              ExportReport* report, std::string* error);

// The same GLB handed to `sink` in its pieces (the binary buffer straight from where it was built).
bool WriteGlb(BaseDocument* doc, const std::string& title, ExportReport* report,
              const PieceSink& sink, std::string* error);

// Stages .glb or .gltf (embedded base64 buffer) by the file's extension among a command's outputs.
bool StageGltfFile(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                   const std::string& title, ExportReport* report, std::string* error);
// The same written alone, atomically.
bool WriteGltfFile(BaseDocument* doc, const std::string& path, const std::string& title,
                   ExportReport* report, std::string* error);

}  // namespace zvapp
