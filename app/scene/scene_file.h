// Scene files: a document written as JSON (--save) and read back (--scene).
//
// The file holds the document's time settings and every object in hierarchy order: type, name,
// position, rotation, modes, enabled switch, display colour, fold state and every entry of its
// parameter container. Generated caches are not stored; the first evaluation after loading
// rebuilds them. Writing then reading then writing gives the same bytes.
//
// A file is untrusted input: reading refuses anything malformed, hostile or out of range with a
// message that names the place in the file as a JSON pointer (/objects/0/parameters/10000), and
// never hands back part of a document.
#pragma once

#include <string>
#include <vector>

#include "atomic_file.h"
#include "c4d.h"

namespace zvapp {

// Writes the document to `path`, whole or not at all (an existing file stays as it was when
// anything fails). Only a file that reads back is written: a document holding something a scene
// file cannot carry (tags, point geometry, a value the description refuses) is refused, naming the
// object.
bool SaveScene(BaseDocument* doc, const std::string& path, std::string* error);

// The same, staged among a command's outputs (put in place by their Commit).
bool StageScene(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                std::string* error);

// The same as SaveScene, into `*text` instead of a file (a snapshot of the document, or a scene
// sent over the network).
bool SaveSceneToText(BaseDocument* doc, std::string* text, std::string* error);

// Reads a scene file into a new document that the caller owns, or returns nothing with a message.
// Objects of the module's types need the module loaded. Plug-in objects are created as the host
// creates them (their Init runs), then take the stored parameters, checked against their
// description like a user's values but without any message sent. A font whose file is not
// installed here is replaced by an installed one of its family (or the host's default font); each
// such replacement adds a line to *notes.
BaseDocument* LoadScene(const std::string& path, std::string* error,
                        std::vector<std::string>* notes = nullptr);

// The same as LoadScene, from the file's text.
BaseDocument* LoadSceneFromText(const std::string& text, std::string* error,
                                std::vector<std::string>* notes = nullptr);

}  // namespace zvapp
