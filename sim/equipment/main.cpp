// caltrim-equipment-sim: stands in for the maker's equipment service. See EquipmentHelpText.

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

#include "sim/equipment/EquipmentOptions.h"
#include "sim/equipment/EquipmentService.h"
#include "sim/equipment/SerialRegister.h"

namespace {

// The note of the request the current worker thread is serving, for its log line.
thread_local std::string t_note;

std::string Now() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

// One line per request: when, who, what, the answer and why.
void LogRequest(const httplib::Request& request, const httplib::Response& response) {
  std::printf("%s %s %s %s -> %d %s%s%s\n", Now().c_str(), request.remote_addr.c_str(),
              request.method.c_str(), request.path.c_str(), response.status,
              response.body.empty() ? "(no body)" : response.body.c_str(), t_note.empty() ? "" : " ",
              t_note.c_str());
  std::fflush(stdout);
  t_note.clear();
}

void Serve(httplib::Server* server, EquipmentService* service, const EquipmentOptions& options) {
  const auto route = [service, &options](EquipmentService::Request kind) {
    return [service, &options, kind](const httplib::Request& request, httplib::Response& response) {
      if (options.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
      const ServiceAnswer answer = service->Answer(kind, request.body, std::time(nullptr));
      response.status = answer.status;
      if (!answer.body.empty()) response.set_content(answer.body, "application/json;charset=UTF-8");
      t_note = answer.note;
    };
  };
  server->Post("/zav/equipment/verify", route(EquipmentService::Request::kVerify));
  server->Post("/zav/equipment/confirm", route(EquipmentService::Request::kConfirm));
  server->set_logger(LogRequest);
}

int ListRegister(SerialRegister* serials) {
  for (const SerialRegister::Entry& entry : serials->Entries()) {
    std::printf("%s %s %s %s %s\n", entry.serial.c_str(), entry.state.c_str(),
                entry.mac.empty() ? "-" : entry.mac.c_str(), entry.added.c_str(),
                entry.confirmed.empty() ? "-" : entry.confirmed.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 0 ? argv[0] : "caltrim-equipment-sim";
  EquipmentOptions options;
  std::string error;
  if (!ParseEquipmentOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    std::fprintf(stderr, "%s: %s (see --help)\n", program.c_str(), error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(EquipmentHelpText(program).c_str(), stdout);
    return 0;
  }
  SerialRegister serials;
  if (!serials.Open(options.registerFile, &error)) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
    return 1;
  }
  for (const std::string& serial : options.registerAdd) {
    if (!serials.Add(serial, &error)) {
      std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
      return 1;
    }
  }
  if (options.list) return ListRegister(&serials);

  // Ctrl-C and SIGTERM stop the server from a thread of their own, not from a signal handler.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  httplib::Server server;
  EquipmentService service(options, &serials);
  Serve(&server, &service, options);
  const int port = options.port == 0 ? server.bind_to_any_port(options.address)
                                     : (server.bind_to_port(options.address, options.port) ? options.port : -1);
  if (port <= 0) {
    std::fprintf(stderr, "%s: cannot listen on %s:%d\n", program.c_str(), options.address.c_str(),
                 options.port);
    return 1;
  }
  std::printf("listening on http://%s:%d, register %s (%zu numbers)\n", options.address.c_str(), port,
              options.registerFile.c_str(), serials.Entries().size());
  std::fflush(stdout);
  std::thread([&server, stopSignals] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
  }).detach();
  server.listen_after_bind();
  return 0;
}
