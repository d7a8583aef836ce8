// Serves a folder on 127.0.0.1 with a fixed delay before every response, so
// a benchmark can show what round trips cost. Prints the port, then serves
// until stdin closes or the process is killed. With LOG, each request's
// method and path is appended to that file, one line each.
#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: slow_site_server FOLDER DELAY_MS [LOG]\n");
    return 2;
  }
  const int delay_ms = std::atoi(argv[2]);
  httplib::Server server;
  server.new_task_queue = [] { return new httplib::ThreadPool(32); };
  if (!server.set_mount_point("/", argv[1])) {
    std::fprintf(stderr, "slow_site_server: no folder %s\n", argv[1]);
    return 1;
  }
  server.set_pre_routing_handler([delay_ms](const httplib::Request& req, httplib::Response&) {
    // Answers go out uncompressed, as a stock static server sends them:
    // the library would otherwise brotli-compress every text at its slowest
    // level (about 3 s a MB here), timing the server instead of the client.
    const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    return httplib::Server::HandlerResponse::Unhandled;
  });
  static std::mutex log_mu;
  static std::FILE* log = argc > 3 ? std::fopen(argv[3], "a") : nullptr;
  if (log) {
    server.set_logger([](const httplib::Request& req, const httplib::Response&) {
      std::lock_guard lock(log_mu);
      std::fprintf(log, "%s %s\n", req.method.c_str(), req.path.c_str());
      std::fflush(log);
    });
  }
  server.set_keep_alive_max_count(1000);
  // Headers and body are separate writes: without this, delayed
  // acknowledgements would add 40 ms to every response.
  server.set_tcp_nodelay(true);
  const int port = server.bind_to_any_port("127.0.0.1");
  std::printf("%d\n", port);
  std::fflush(stdout);
  server.listen_after_bind();
  return 0;
}
