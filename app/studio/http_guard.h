// The studio server's front. The HTTP library accepts the connections and answers the requests;
// between the two, the front reads each request itself: its head within a deadline and a size,
// its framing checked (one Content-Length of digits, or chunked), the request admitted or refused
// from its head alone, and then its body within a deadline and the limit its address takes. The
// library gets whole requests with a plain Content-Length, read from memory. Clients that are
// slow, idle or still sending wait in one poll loop, not in the workers that answer.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace zvapp {

// A request as its head tells it, before any of its body is read.
struct RequestHead {
  std::string method;
  std::string path;        // decoded, without the query
  httplib::Params params;  // the query's
  httplib::Headers headers;
};

// A head refused (status and message), or admitted with a body of at most bodyLimit bytes (0: it
// takes none).
struct Admission {
  int status = 0;
  std::string error;
  size_t bodyLimit = 0;
};

struct FrontLimits {
  std::chrono::milliseconds headTime{5000};   // a whole head, from the connection or its first byte
  std::chrono::milliseconds bodyTime{5000};   // a whole body, from the end of its head
  std::chrono::milliseconds idleTime{2000};   // between two requests of one connection
  std::chrono::milliseconds writeTime{5000};  // for the client to take the next piece of an answer
  size_t headBytes = size_t{64} << 10;
  size_t connectionsPerClient = 64;  // open at once from one address
  size_t requestsPerConnection = 100;
  size_t workers = 8;
};

// {"ok": false, "error": message}, as every refusal's body.
std::string JsonError(const std::string& message);

class GuardedServer : public httplib::Server {
 public:
  using Admit = std::function<Admission(const RequestHead&)>;
  // Every answer carries the headers, the front's own refusals as well.
  GuardedServer(Admit admit, const httplib::Headers& headers, FrontLimits limits = {});
  ~GuardedServer() override;

  // Listens on the address (any free port when 0); the port, or -1.
  int Bind(const std::string& host, int port);

 private:
  class Front;
  bool process_and_close_socket(socket_t sock) override;
  bool Answer(httplib::Stream& stream, bool last, bool& closed);

  std::unique_ptr<Front> front_;
};

}  // namespace zvapp
