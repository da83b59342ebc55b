// File names and the file services plug-ins use: whether a file exists, opening a file with the
// system's viewer, the plug-in's own folder.
#pragma once

#include "c4d_string.h"

// A file path. The host joins parts with the platform's separator.
class Filename {
 public:
  Filename() = default;
  Filename(const Char* string) : path_(string) {}           // NOLINT: as in the host
  Filename(const maxon::String& string) : path_(string) {}  // NOLINT
  Filename(const Filename& src) = default;
  const Filename& operator=(const Filename& fname) {
    path_ = fname.path_;
    return *this;
  }
  String GetString() const { return path_; }
  friend const Filename operator+(const Filename& fname1, const Filename& fname2);

 private:
  String path_;
};

// True when the file (or with `isdir` the folder) exists.
Bool GeFExist(const Filename& name, Bool isdir = false);
// Opens a file with the system's default application.
Bool GeExecuteFile(const Filename& path);
// The folder of the module being served.
const Filename GeGetPluginPath();
