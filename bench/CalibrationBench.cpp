// The calibration commands of the real window on the real link library against the robot
// simulator on loopback: how long reading, calibrating and resetting 20 servos take, set against
// the floors the link's design puts under them, and the CPU the connected program uses while idle.
// bench/README.md holds the figures.
//
// The benchmark runs the program's own link objects (discovery included), so it runs itself in a
// network and process namespace of its own: only loopback, 255.255.255.255 routed through it.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/ControlId.h"
#include "app/QtUiHost.h"
#include "calibration/CCaltrimDlg.h"
#include "calibration/CDevListDlg.h"
#include "calibration/CServoItemDlg.h"
#include "calibration/CaltrimPrompt.h"

extern char** environ;

namespace {

constexpr int kServos = 20;
// The floors: the receive loop pauses 100 ms after each frame it reads, so 20 replies take 2 s;
// Reset pauses 50 ms after each of its 20 moves.
constexpr double kReadFloorS = 2.0, kCalibrateFloorS = 2.0, kResetFloorS = 1.0;
constexpr int kIdleSeconds = 60;

std::filesystem::path StageFolder() { return std::filesystem::canonical("/proc/self/exe").parent_path(); }

// The stored offset of servo id in the simulator: each different, none 0.
int StoredOffset(int id) { return 2 * id - 21; }

// A simulator on address, started and ended by this process.
class Simulator {
 public:
  Simulator(const std::string& address, bool heartbeat) {
    std::vector<std::string> args = {(StageFolder() / "caltrim-robot-sim").string(), "--address",
                                     address, "--no-discovery", "--servos", std::to_string(kServos),
                                     "--heartbeat", heartbeat ? "1000" : "0"};
    for (int id = 1; id <= kServos; ++id) {
      args.push_back("--offset");
      args.push_back(std::to_string(id) + "=" + std::to_string(StoredOffset(id)));
    }
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    // Its first line says it listens; the rest (one line per frame) goes unread into /dev/null.
    m_output = fdopen(out[0], "r");
    char line[256];
    while (m_pid > 0 && fgets(line, sizeof line, m_output) != nullptr) {
      if (std::string(line).rfind("READY", 0) == 0) break;
    }
  }
  ~Simulator() {
    if (m_pid > 0) {
      kill(m_pid, SIGTERM);
      waitpid(m_pid, nullptr, 0);
    }
    if (m_output != nullptr) fclose(m_output);
  }

 private:
  pid_t m_pid = -1;
  FILE* m_output = nullptr;
};

class SilentPrompt : public ICaltrimPrompt {
 public:
  int Show(QWidget*, const QString&, const QString&, unsigned int style) override {
    return (style & 0x0F) == MB_YESNO ? IDYES : IDOK;
  }
};

double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    QThread::usleep(200);
  }
  return done();
}

// The program's window on its own link objects, with a Config.ini of 20 servos, and two
// simulated robots: one without heartbeats, so that only the commands' own frames pass through
// the receive loop, and one that keeps an idle link up as a robot does.
class Station {
 public:
  static constexpr const char* kPacedRobot = "127.0.0.2";
  static constexpr const char* kIdleRobot = "127.0.0.3";

  Station() : m_paced(kPacedRobot, false), m_idle(kIdleRobot, true) {
    static int argc = 1;
    static char name[] = "bench_calibration";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    m_app = std::make_unique<QApplication>(argc, argv);
    m_uiHost = std::make_unique<QtUiHost>();
    ZAVSetUiHost(m_uiHost.get());
    const std::filesystem::path config = std::filesystem::temp_directory_path() / "bench-Config.ini";
    std::ofstream(config) << "[Config]\nServoNum=" << kServos << "\n";
    CaltrimEnv env = DefaultCaltrimEnv();
    env.configPath = config.wstring();
    env.prompt = &m_prompt;
    m_dlg = std::make_unique<CCaltrimDlg>(env);
    m_dlg->OnInitDialog();
    PumpUntil([&] { return Button(IDC_MAIN_CONNECT)->isEnabled(); });
  }
  ~Station() {
    m_dlg.reset();
    ZAVSetUiHost(nullptr);
  }

  QToolButton* Button(int id) { return FindControl<QToolButton>(m_dlg.get(), id); }
  bool Connected() { return Button(IDC_MAIN_READ_CHECK)->isEnabled(); }
  QLineEdit* Box(int id) { return m_dlg->ServoItems().at(id - 1)->OffsetBox(); }
  bool AllBoxesRead(const QString& text) {
    for (int id = 1; id <= kServos; ++id) {
      if (Box(id)->text() != (text.isEmpty() ? QString::number(StoredOffset(id)) : text)) return false;
    }
    return true;
  }

  // A new connection to the robot at address through the robot list, as the operator makes it;
  // returns once the window shows it (its offset reads are then on their way).
  bool Connect(const char* address) {
    if (Connected()) Button(IDC_MAIN_CONNECT)->click();  // Disconnect
    for (int id = 1; id <= kServos; ++id) Box(id)->setText("0");
    Button(IDC_MAIN_CONNECT)->click();
    const QString ip = QString::fromLatin1(address);
    const QString mac = QStringLiteral("02:00:00:00:be:") + ip.right(2);
    m_dlg->OnFoundDevice({L"Bench", L"1.0", ip.toStdWString(), mac.toStdWString()});
    QTableWidget* list = m_dlg->DevList()->List();
    for (int row = 0; row < list->rowCount(); ++row) {
      if (list->item(row, 2)->text() == ip) list->selectRow(row);
    }
    m_dlg->DevList()->OnConnect();
    return PumpUntil([&] { return Connected(); });
  }

 private:
  Simulator m_paced, m_idle;
  std::unique_ptr<QApplication> m_app;
  std::unique_ptr<QtUiHost> m_uiHost;
  SilentPrompt m_prompt;
  std::unique_ptr<CCaltrimDlg> m_dlg;
};

Station& TheStation() {
  static Station station;
  return station;
}

// Seconds from now until done() holds (negative when it never does).
double SecondsUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  return PumpUntil(done) ? clock.nsecsElapsed() / 1e9 : -1;
}

void Report(benchmark::State& state, double floorS, double totalS) {
  state.counters["floor_s"] = floorS;
  state.counters["ratio"] = totalS / (floorS * static_cast<double>(state.iterations()));
}

// From the connected message (which asks every servo) to the last stored offset shown.
void BM_ReadTwentyOffsetsAfterConnect(benchmark::State& state) {
  Station& station = TheStation();
  double total = 0;
  for (auto _ : state) {
    if (!station.Connect(Station::kPacedRobot)) return state.SkipWithError("no connection");
    const double seconds = SecondsUntil([&] { return station.AllBoxesRead(QString()); });
    if (seconds < 0) return state.SkipWithError("offsets missing");
    state.SetIterationTime(seconds);
    total += seconds;
  }
  Report(state, kReadFloorS, total);
}
BENCHMARK(BM_ReadTwentyOffsetsAfterConnect)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// From Calibrate, with every servo selected, to the end text.
void BM_CalibrateTwentyServos(benchmark::State& state) {
  Station& station = TheStation();
  if (!station.Connect(Station::kPacedRobot) || !PumpUntil([&] { return station.AllBoxesRead(QString()); })) {
    return state.SkipWithError("no connection");
  }
  double total = 0;
  for (auto _ : state) {
    for (int id = 1; id <= kServos; ++id) station.Box(id)->setText(QString::number(-StoredOffset(id)));
    station.Button(IDC_MAIN_CALIBRATE)->click();
    const double seconds = SecondsUntil([&] { return station.Button(IDC_MAIN_CALIBRATE)->isEnabled(); });
    if (seconds < 0 || !station.AllBoxesRead("Ok")) return state.SkipWithError("a write was not confirmed");
    state.SetIterationTime(seconds);
    total += seconds;
  }
  Report(state, kCalibrateFloorS, total);
}
BENCHMARK(BM_CalibrateTwentyServos)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// Reset of 20 servos: the time the window is held.
void BM_ResetTwentyServos(benchmark::State& state) {
  Station& station = TheStation();
  if (!station.Connected() && !station.Connect(Station::kPacedRobot)) return state.SkipWithError("no connection");
  double total = 0;
  for (auto _ : state) {
    QElapsedTimer clock;
    clock.start();
    station.Button(IDC_MAIN_RESET)->click();
    const double seconds = clock.nsecsElapsed() / 1e9;
    state.SetIterationTime(seconds);
    total += seconds;
  }
  Report(state, kResetFloorS, total);
}
BENCHMARK(BM_ResetTwentyServos)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// The connected program left alone for a minute with a robot that sends its heartbeat: the CPU
// time of all its threads, as a share of one core.
void BM_IdleCpuWhileConnected(benchmark::State& state) {
  Station& station = TheStation();
  if (!station.Connect(Station::kIdleRobot) || !PumpUntil([&] { return station.AllBoxesRead(QString()); })) {
    return state.SkipWithError("no connection");
  }
  for (auto _ : state) {
    const double before = ProcessCpuSeconds();
    QEventLoop idle;
    QTimer::singleShot(kIdleSeconds * 1000, &idle, &QEventLoop::quit);
    idle.exec();
    const double cpu = ProcessCpuSeconds() - before;
    state.SetIterationTime(kIdleSeconds);
    state.counters["cpu_percent_of_one_core"] = 100 * cpu / kIdleSeconds;
    state.counters["ratio_to_0.5%"] = (100 * cpu / kIdleSeconds) / 0.5;
  }
}
BENCHMARK(BM_IdleCpuWhileConnected)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  // Once outside: again, inside namespaces of its own.
  if (argc < 2 || std::string(argv[1]) != "--inside") {
    std::vector<char*> args = {const_cast<char*>("unshare"), const_cast<char*>("--map-root-user"),
                               const_cast<char*>("--net"), const_cast<char*>("--pid"),
                               const_cast<char*>("--fork"), const_cast<char*>("--mount-proc"),
                               const_cast<char*>("--kill-child"), argv[0],
                               const_cast<char*>("--inside")};
    for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
    args.push_back(nullptr);
    execvp("unshare", args.data());
    std::perror("bench_calibration: unshare");
    return 2;
  }
  if (std::system("ip link set lo up && ip route add 255.255.255.255/32 dev lo") != 0) return 2;
  argv[1] = argv[0];
  --argc;
  ++argv;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
