#include "studio_server.h"

#include <httplib.h>
#include <malloc.h>
#include <pthread.h>
#include <sys/random.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <thread>

#include "http_guard.h"
#include "messages.h"
#include "studio_api.h"
#include "studio_queue.h"
#include "words.h"

#ifndef ZV_STUDIO_DIR
#define ZV_STUDIO_DIR "share/zorvantix/studio"
#endif

namespace zvapp {
namespace {

constexpr size_t kMaxBody = size_t{1} << 20;
constexpr size_t kMaxSceneFileBody = size_t{64} << 20;  // as a scene file read from disk
constexpr const char* kTokenHeader = "X-Zorvantix-Token";

// The requests that take a body, and how large it may be; every other request takes none.
const std::map<std::string, size_t>& PostBodyLimits() {
  static const std::map<std::string, size_t> limits = {{"/api/actions", kMaxBody},
                                                       {"/api/scene-file", kMaxSceneFileBody}};
  return limits;
}

// 32 characters of the URL-safe alphabet from the system's randomness: 64 letters, so each byte's
// low six bits pick one without bias.
bool MakeToken(std::string* token, std::string* error) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  unsigned char bytes[32];
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return *error = "the system gives no random bytes for the token", false;
    got += static_cast<size_t>(n);
  }
  token->clear();
  for (const unsigned char b : bytes) *token += kAlphabet[b & 63];
  return true;
}

// Compares in time independent of where the texts differ.
bool SameSecret(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

std::string MimeType(const std::filesystem::path& file) {
  static const std::map<std::string, std::string> kTypes = {
      {".html", "text/html; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".mjs", "text/javascript; charset=utf-8"},
      {".css", "text/css; charset=utf-8"},
      {".json", "application/json"},
      {".svg", "image/svg+xml"},
      {".png", "image/png"},
      {".ico", "image/x-icon"},
      {".woff2", "font/woff2"},
      {".txt", "text/plain; charset=utf-8"}};
  const auto it = kTypes.find(Lower(file.extension().string()));
  return it == kTypes.end() ? "application/octet-stream" : it->second;
}

// The page's files as the build laid them out, by the address each is served at: a request can
// reach these and nothing else of the file system.
std::map<std::string, std::filesystem::path> PageFiles(const std::string& folder) {
  std::map<std::string, std::filesystem::path> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string relative = std::filesystem::relative(it->path(), folder, ec).generic_string();
    if (!ec) files["/studio/" + relative] = it->path();
  }
  return files;
}

void SendJsonError(httplib::Response& res, int status, const std::string& message) {
  res.status = status;
  res.set_content(JsonError(message), "application/json");
}

// Why the library refused a request before it reached the API, in words that point to the fix.
std::string LibraryRefusal(const httplib::Request& req, int status) {
  // The library reads a form's body (what curl -d sends without a type) into parameters, up to
  // 8 KB.
  const bool form = req.get_header_value("Content-Type").rfind("application/x-www-form", 0) == 0;
  if (status == 413 && form)
    return "a body sent as a form holds at most 8 KB: send it as application/json";
  if (status == 404) return "no such address";
  return "the request is refused (" + std::to_string(status) + ")";
}

void Send(httplib::Response& res, ApiAnswer a, std::chrono::steady_clock::time_point start) {
  const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
  res.status = a.status;
  res.set_header("Server-Timing", "api;dur=" + std::to_string(took.count()));
  if (!a.etag.empty()) res.set_header("ETag", a.etag);
  if (!a.filename.empty())
    res.set_header("Content-Disposition", "attachment; filename=\"" + a.filename + "\"");
  if (a.status == 304) return;
  if (a.kept) {
    // The provider runs on the server's thread after the call has left the host's: it reads
    // only the bytes it holds, which the API never changes in place.
    const std::shared_ptr<const std::vector<unsigned char>> bytes = std::move(a.kept);
    res.set_content_provider(
        bytes->size(), a.type, [bytes](size_t offset, size_t length, httplib::DataSink& sink) {
          return sink.write(reinterpret_cast<const char*>(bytes->data()) + offset, length);
        });
    return;
  }
  res.body = std::move(a.body);
  res.set_header("Content-Type", a.type);
}

const httplib::Headers kDefaultHeaders = {{"Cache-Control", "no-store"},
                                          {"X-Content-Type-Options", "nosniff"},
                                          {"Referrer-Policy", "no-referrer"}};

class Studio {
 public:
  Studio(StudioApi& api, HostQueue& host, std::string folder)
      : api_(api),
        host_(host),
        folder_(std::move(folder)),
        server_([this](const RequestHead& head) { return Admit(head); }, kDefaultHeaders) {
    files_ = PageFiles(folder_);
  }

  bool Bind(int port, std::string* error) {
    if (!MakeToken(&token_, error)) return false;
    Configure();
    port_ = server_.Bind("127.0.0.1", port);
    if (port_ <= 0) return *error = "cannot listen on 127.0.0.1:" + std::to_string(port), false;
    hosts_ = {"127.0.0.1:" + std::to_string(port_), "localhost:" + std::to_string(port_)};
    return true;
  }
  std::string Address() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/?token=" + token_;
  }
  bool Listen() { return server_.listen_after_bind(); }
  bool Running() const { return server_.is_running(); }
  void Stop() { server_.stop(); }

 private:
  void Configure();
  void Routes();
  Admission Admit(const RequestHead& head) const;
  void ServeFile(const std::string& address, httplib::Response& res) const;
  template <typename Call>
  httplib::Server::Handler Api(Call call) {
    return [this, call](const httplib::Request& req, httplib::Response& res) {
      const auto start = std::chrono::steady_clock::now();
      Send(res, host_.Run([&] { return call(req); }), start);
    };
  }

  StudioApi& api_;
  HostQueue& host_;
  std::string folder_;
  std::map<std::string, std::filesystem::path> files_;
  GuardedServer server_;
  std::string token_;
  int port_ = -1;
  std::vector<std::string> hosts_;
};

void Studio::Configure() {
  server_.set_payload_max_length(kMaxSceneFileBody);
  // Refusals the library makes itself (413, 404, 400) get a JSON body like the API's own.
  server_.set_error_handler(
      httplib::Server::HandlerWithResponse([](const httplib::Request& req, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        SendJsonError(res, res.status, LibraryRefusal(req, res.status));
        return httplib::Server::HandlerResponse::Handled;
      }));
  server_.set_exception_handler(
      [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        SendJsonError(res, 500, "the request failed inside the server");
      });
  Routes();
}

// Every request names this server in its Host header, and every API request carries the token;
// only the API's posts of actions and scene files take a body. All of it is told by the head.
Admission Studio::Admit(const RequestHead& head) const {
  const auto header = [&](const char* name) {
    const auto it = head.headers.find(name);
    return it == head.headers.end() ? std::string() : it->second;
  };
  const std::string host = Lower(header("Host"));
  if (host != hosts_[0] && host != hosts_[1])
    return {403, "the Host header must be " + hosts_[0] + " or " + hosts_[1]};
  const bool api = head.path.rfind("/api/", 0) == 0;
  if (api) {
    const auto param = head.params.find("token");
    const std::string token = head.headers.count(kTokenHeader) > 0 ? header(kTokenHeader)
                              : param != head.params.end()         ? param->second
                                                                   : std::string();
    if (!SameSecret(token, token_))
      return {403, std::string("the studio's token is missing or wrong (send it as ") +
                       kTokenHeader + " or ?token=)"};
  }
  const auto limit = PostBodyLimits().find(head.path);
  return {0, "",
          api && head.method == "POST" && limit != PostBodyLimits().end() ? limit->second : 0};
}

void Studio::ServeFile(const std::string& address, httplib::Response& res) const {
  const auto it = files_.find(address);
  std::ifstream in;
  if (it != files_.end()) in.open(it->second, std::ios::binary);
  if (!in.is_open()) {
    SendJsonError(res, 404,
                  address == "/studio/index.html"
                      ? "the studio's page is missing from " + folder_ + " (build the project)"
                      : "no such file");
    return;
  }
  res.body.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  res.set_header("Content-Type", MimeType(it->second));
}

void Studio::Routes() {
  using Req = httplib::Request;
  StudioApi& api = api_;
  server_.Get("/api/scene",
              Api([&api](const Req& r) { return api.Scene(r.get_param_value("arrays") != "0"); }));
  server_.Post("/api/actions", Api([&api](const Req& r) { return api.Actions(r.body); }));
  server_.Post("/api/undo", Api([&api](const Req&) { return api.Undo(); }));
  server_.Post("/api/redo", Api([&api](const Req&) { return api.Redo(); }));
  server_.Get("/api/describe", Api([&api](const Req&) { return api.Describe(); }));
  server_.Get("/api/handles", Api([&api](const Req&) { return api.Handles(); }));
  server_.Get("/api/geometry.glb", Api([&api](const Req& r) {
                return api.Geometry(r.get_header_value("If-None-Match"));
              }));
  server_.Get("/api/page.html", Api([&api](const Req&) { return api.Page(); }));
  server_.Get("/api/scene-file", Api([&api](const Req&) { return api.GetSceneFile(); }));
  server_.Post("/api/scene-file", Api([&api](const Req& r) { return api.PutSceneFile(r.body); }));
  for (const char* ending : {".stl", ".3mf", ".obj"})
    server_.Get(std::string("/api/plot\\") + ending,
                Api([&api, ending](const Req&) { return api.PrintFile(ending); }));
  server_.Get("/",
              [this](const Req&, httplib::Response& res) { ServeFile("/studio/index.html", res); });
  server_.Get("/studio/.+",
              [this](const Req& r, httplib::Response& res) { ServeFile(r.path, res); });
}

// Waits for Ctrl-C or SIGTERM and stops the server; a stop that comes before the server runs is
// repeated until it takes.
class StopOnSignal {
 public:
  explicit StopOnSignal(Studio& studio)
      : thread_([this, &studio] {
          sigset_t set;
          sigemptyset(&set);
          sigaddset(&set, SIGINT);
          sigaddset(&set, SIGTERM);
          int signal = 0;
          sigwait(&set, &signal);
          while (!finished_) {
            if (studio.Running()) studio.Stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
          }
        }) {}
  // Once the server has ended: wakes the waiting thread (with a signal only it waits for).
  ~StopOnSignal() {
    finished_ = true;
    pthread_kill(thread_.native_handle(), SIGTERM);
    thread_.join();
  }

 private:
  std::atomic<bool> finished_{false};
  std::thread thread_;
};

}  // namespace

void BlockStopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::signal(SIGPIPE, SIG_IGN);  // a page that goes away mid-answer ends its connection only
}

int ServeStudio(PlotScene& scene, const ActionSession& session, const StudioOptions& options) {
  // Every edit builds buffers of the same large sizes again (a glTF of a hundred megabytes at the
  // highest resolution). Taken from the heap instead of mapped for each, they are kept between
  // edits and cost no fresh pages the next time.
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  StudioApi api(scene, session);
  HostQueue host;
  Studio studio(api, host, options.folder.empty() ? ZV_STUDIO_DIR : options.folder);
  std::string error;
  if (!studio.Bind(options.port, &error)) return PrintError(error);
  std::cout << "Zorvantix studio: " << studio.Address() << std::endl;
  PrintNote("serving the studio; Ctrl-C ends it");
  bool served = false;
  {
    StopOnSignal stop(studio);
    std::thread http([&] {
      served = studio.Listen();
      host.Close();
    });
    host.Serve();
    http.join();
  }
  return served ? 0 : PrintError("the studio's server stopped unexpectedly");
}

}  // namespace zvapp
