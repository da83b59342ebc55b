// zvplot --serve: the studio's HTTP server on 127.0.0.1. It serves the studio's page and its files,
// and the API (studio_api.h) under /api/, guarded: a per-run token on every API request, a Host
// header naming this server (so that no other site reaches it through DNS rebinding), bodies only
// where the API takes them (1 MB of actions, 64 MB of a scene file), all decided from a request's
// head (http_guard.h). No request names a file the server reads or writes: scene files travel as
// bodies.
#pragma once

#include <string>

#include "actions.h"
#include "plot_scene.h"

namespace zvapp {

struct StudioOptions {
  int port = 0;        // 0: any free port
  std::string folder;  // the page's files; the build's own when empty
};

// Keeps Ctrl-C and SIGTERM for the server to end on cleanly. Called before any thread starts, so
// that every thread inherits the blocked signals.
void BlockStopSignals();

// Serves the scene until Ctrl-C or SIGTERM. The first line on standard output is the address with
// the token: "Zorvantix studio: http://127.0.0.1:PORT/?token=TOKEN". Returns the exit status.
int ServeStudio(PlotScene& scene, const ActionSession& session, const StudioOptions& options);

}  // namespace zvapp
