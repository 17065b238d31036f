#include "cli/WorkerPool.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "cli/WorkerResult.h"
#include "platform/MainThread.h"
#include "platform/TickCount.h"

extern char** environ;

namespace {

constexpr int PollMs = 50;
constexpr int RequestFd = 3;
constexpr char ResultEnd[] = "\nend\n";
constexpr uint64_t ProgressIntervalMs = 200;

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

std::string ProgramPath() {
  char path[PATH_MAX];
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "tonesentry";
  return std::string(path, static_cast<size_t>(length));
}

std::string SystemError(const char* what, int error) { return std::string(what) + ": " + std::strerror(error); }

// One worker process and the pipes to it.
class TWorker {
 public:
  // Starts the worker; throws std::runtime_error when it cannot.
  TWorker(const std::string& program, const std::vector<std::string>& workerArgs);
  ~TWorker();  // ends the requests, then waits for the process to end
  TWorker(const TWorker&) = delete;
  TWorker& operator=(const TWorker&) = delete;

  bool Busy() const { return FFile.has_value(); }
  bool Alive() const { return FOutFd >= 0 || FErrFd >= 0; }
  size_t File() const { return *FFile; }
  // Hands it request number `index`; false when the worker can take no more.
  bool Request(size_t index, const TWorkerRequest& request);
  // Adds its descriptors to `fds`.
  void Watch(std::vector<pollfd>& fds) const;
  // Reads what poll reported; returns the outcome of its file once it is complete or the worker
  // has died on it.
  std::optional<TWorkerOutcome> Collect(const std::vector<pollfd>& fds, const std::string& path);
  // The fraction of its file done it last reported, once; nothing when it said nothing new.
  std::optional<double> TakeProgress() { return std::exchange(FProgress, std::nullopt); }

 private:
  void Drain(int& fd, std::string& into);
  void TakeProgressLines();

  pid_t FPid = -1;
  int FRequestFd = -1;
  int FOutFd = -1;
  int FErrFd = -1;
  std::string FOut;
  std::string FErr;
  std::optional<size_t> FFile;
  std::optional<double> FProgress;
};

TWorker::TWorker(const std::string& program, const std::vector<std::string>& workerArgs) {
  int request[2], out[2], err[2];
  if (::pipe2(request, O_CLOEXEC) != 0) throw std::runtime_error(SystemError("cannot start a worker", errno));
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
    const int error = errno;
    ::close(request[0]);
    ::close(request[1]);
    throw std::runtime_error(SystemError("cannot start a worker", error));
  }
  std::vector<std::string> args = {program};
  args.insert(args.end(), workerArgs.begin(), workerArgs.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, request[0], RequestFd);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
  const int spawned = ::posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(request[0]);
  ::close(out[1]);
  ::close(err[1]);
  FRequestFd = request[1];
  FOutFd = out[0];
  FErrFd = err[0];
  if (spawned != 0) {
    FPid = -1;
    CloseFd(FRequestFd);
    CloseFd(FOutFd);
    CloseFd(FErrFd);
    throw std::runtime_error(SystemError("cannot start a worker", spawned));
  }
}

TWorker::~TWorker() {
  CloseFd(FRequestFd);  // a worker waiting for a request ends
  CloseFd(FOutFd);      // one still writing gets SIGPIPE
  CloseFd(FErrFd);
  if (FPid > 0) {
    int status = 0;
    while (::waitpid(FPid, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

std::string StretchText(const TFileStretch& stretch) {
  if (stretch.WholeFile()) return "";
  return std::to_string(stretch.firstFrame) + " " + std::to_string(stretch.endFrame);
}

bool TWorker::Request(size_t index, const TWorkerRequest& request) {
  const std::string message = request.path + '\0' + StretchText(request.stretch) + '\0';
  size_t at = 0;
  while (at < message.size()) {
    const ssize_t written = ::write(FRequestFd, message.data() + at, message.size() - at);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    at += static_cast<size_t>(written);
  }
  FFile = index;
  return true;
}

void TWorker::Watch(std::vector<pollfd>& fds) const {
  if (FOutFd >= 0) fds.push_back({FOutFd, POLLIN, 0});
  if (FErrFd >= 0) fds.push_back({FErrFd, POLLIN, 0});
}

void TWorker::Drain(int& fd, std::string& into) {
  char buffer[16384];
  const ssize_t got = ::read(fd, buffer, sizeof buffer);
  if (got > 0) {
    into.append(buffer, static_cast<size_t>(got));
  } else if (got == 0 || errno != EINTR) {
    CloseFd(fd);
  }
}

// Progress lines are no reports: they leave the standard error text, the last one's fraction kept.
void TWorker::TakeProgressLines() {
  const size_t markLength = std::strlen(WorkerProgressMark);
  size_t at = 0;
  while ((at = FErr.find(WorkerProgressMark, at)) != std::string::npos) {
    const size_t end = FErr.find('\n', at);
    if (end == std::string::npos) break;  // the rest of the line is still on its way
    double fraction = 0;
    if (std::from_chars(FErr.data() + at + markLength, FErr.data() + end, fraction).ec == std::errc()) {
      FProgress = fraction;
    }
    FErr.erase(at, end + 1 - at);
  }
}

std::optional<TWorkerOutcome> TWorker::Collect(const std::vector<pollfd>& fds, const std::string& path) {
  for (const pollfd& p : fds) {
    if (p.revents == 0) continue;
    if (p.fd == FOutFd) Drain(FOutFd, FOut);
    if (p.fd == FErrFd) Drain(FErrFd, FErr);
  }
  TakeProgressLines();
  if (!Busy()) return std::nullopt;
  const size_t resultEnd = ("\n" + FOut).find(ResultEnd);
  const size_t errorEnd = FErr.find(WorkerFileEnd);
  const bool complete = resultEnd != std::string::npos && errorEnd != std::string::npos;
  if (!complete && Alive()) return std::nullopt;
  TWorkerOutcome outcome;
  if (complete) {
    const size_t resultBytes = resultEnd + std::strlen(ResultEnd) - 1;
    outcome.result = ReadWorkerResult(FOut.substr(0, resultBytes), path);
    outcome.errorOutput = FErr.substr(0, errorEnd);
    FOut.erase(0, resultBytes);
    FErr.erase(0, errorEnd + std::strlen(WorkerFileEnd));
  } else {
    outcome.result = ReadWorkerResult("", path);  // it died on this file
    outcome.errorOutput = FErr;
    FErr.clear();
  }
  FFile.reset();
  return outcome;
}

}  // namespace

void RunWorkers(const std::vector<TWorkerRequest>& requests, const std::vector<std::string>& workerArgs,
                size_t jobs, const std::function<void(const TWorkerOutcome&)>& onOutcome,
                const std::function<void(size_t request, double fraction)>& onProgress) {
  const std::string program = ProgramPath();
  // A worker that dies must not take this process with it when a request is written to it.
  const auto previousPipeHandler = std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::unique_ptr<TWorker>> workers;
  std::vector<std::optional<TWorkerOutcome>> outcomes(requests.size());
  size_t nextToStart = 0;
  size_t nextToReport = 0;
  while (nextToReport < requests.size()) {
    std::erase_if(workers, [](const auto& w) { return !w->Alive() && !w->Busy(); });
    while (nextToStart < requests.size()) {
      TWorker* idle = nullptr;
      for (auto& w : workers) {
        if (!w->Busy() && w->Alive()) idle = w.get();
      }
      if (!idle && workers.size() < jobs) {
        try {
          workers.push_back(std::make_unique<TWorker>(program, workerArgs));
          idle = workers.back().get();
        } catch (const std::runtime_error& error) {
          outcomes[nextToStart] = TWorkerOutcome{{requests[nextToStart].path, false, error.what(), {}}, ""};
          ++nextToStart;
          continue;
        }
      }
      if (!idle) break;
      if (!idle->Request(nextToStart, requests[nextToStart])) break;  // it died; the next pass replaces it
      ++nextToStart;
    }
    std::vector<pollfd> fds;
    for (const auto& w : workers) w->Watch(fds);
    if (!fds.empty()) ::poll(fds.data(), fds.size(), PollMs);
    for (auto& w : workers) {
      if (!w->Busy()) {
        w->Collect(fds, "");  // reads what an idle worker writes, and sees it end
        w->TakeProgress();
        continue;
      }
      const size_t file = w->File();
      std::optional<TWorkerOutcome> outcome = w->Collect(fds, requests[file].path);
      const std::optional<double> fraction = w->TakeProgress();
      if (fraction && onProgress) onProgress(file, *fraction);
      if (outcome) outcomes[file] = std::move(outcome);
    }
    ProcessMainThreadQueue();
    while (nextToReport < requests.size() && outcomes[nextToReport]) {
      onOutcome(*outcomes[nextToReport]);
      outcomes[nextToReport].reset();
      ++nextToReport;
    }
  }
  workers.clear();
  std::signal(SIGPIPE, previousPipeHandler);
}

namespace {

// Reads one NUL-terminated field; false at the end of the requests.
bool ReadRequestField(std::string& field) {
  field.clear();
  while (true) {
    char c;
    const ssize_t got = ::read(RequestFd, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    if (c == '\0') return true;
    field += c;
  }
}

bool ParseStretch(const std::string& text, TFileStretch& stretch) {
  stretch = {};
  if (text.empty()) return true;
  unsigned long long first = 0, end = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%llu %llu%c", &first, &end, &rest) != 2) return false;
  stretch = {first, end};
  return true;
}

}  // namespace

bool ReadWorkerRequest(TWorkerRequest& request) {
  request = {};
  pollfd ready{RequestFd, POLLIN, 0};
  while (true) {
    const int polled = ::poll(&ready, 1, PollMs);
    if (polled > 0) break;
    if (polled < 0 && errno != EINTR) return false;
    ProcessMainThreadQueue();
  }
  // The parent writes a whole request at once.
  std::string stretch;
  return ReadRequestField(request.path) && ReadRequestField(stretch) && ParseStretch(stretch, request.stretch);
}

void TWorkerProgress::Update(double fraction) {
  const uint64_t now = GetTickCount64();
  if (FWritten && now - FLastMs < ProgressIntervalMs) return;
  FWritten = true;
  FLastMs = now;
  char text[32];  // locale-independent, as the parent reads it
  const std::to_chars_result written = std::to_chars(text, text + sizeof text, fraction, std::chars_format::fixed, 4);
  std::fprintf(stderr, "%s%.*s\n", WorkerProgressMark, static_cast<int>(written.ptr - text), text);
  std::fflush(stderr);
}
