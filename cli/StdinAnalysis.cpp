#include "cli/StdinAnalysis.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "audio/AudioErrorText.h"
#include "dtmf/FileAnalysis.h"
#include "dtmf/PcmAnalysis.h"
#include "platform/MainThread.h"

namespace {

constexpr size_t ReadBytes = 64 * 1024;
constexpr int PollMs = 50;

// Reads standard input, serving the main-thread queue while it waits for a writer.
class TStdinReader {
 public:
  // Appends up to ReadBytes to `buffer`; false at the end of the input. Throws std::runtime_error.
  bool ReadSome(std::vector<uint8_t>& buffer) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    while (true) {
      const int ready = ::poll(&input, 1, PollMs);
      if (ready < 0 && errno != EINTR) throw std::runtime_error(std::string("cannot read: ") + std::strerror(errno));
      if (ready > 0) break;
      ProcessMainThreadQueue();
    }
    const size_t old = buffer.size();
    buffer.resize(old + ReadBytes);
    ssize_t got;
    do {
      got = ::read(STDIN_FILENO, buffer.data() + old, ReadBytes);
    } while (got < 0 && errno == EINTR);
    if (got < 0) throw std::runtime_error(std::string("cannot read: ") + std::strerror(errno));
    buffer.resize(old + static_cast<size_t>(got));
    return got > 0;
  }
};

// PCM as it arrives: converted to floats and fed to the sentry until the input ends.
void AnalysePcm(TStdinReader& reader, std::vector<uint8_t> pending, const TPcmFormat& format,
                const TDetectOptions& options, TFileResult& result) {
  std::string error;
  std::unique_ptr<TPcmAnalysis> analysis =
      TPcmAnalysis::Start(format.sampleRate, format.channels, options.detector, error);
  if (!analysis) throw std::runtime_error(error);
  std::vector<float> samples;
  bool more = true;
  while (more) {
    more = reader.ReadSome(pending);
    samples.clear();
    const size_t used = AppendAsFloats(pending, format, samples);
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(used));
    if (!samples.empty() && !analysis->Feed(samples)) break;
  }
  analysis->Finish();
  if (!analysis->ErrorText().empty()) throw std::runtime_error(analysis->ErrorText());
  result.keys = analysis->Keys();
}

// A temporary file that is removed when this goes.
class TSpoolFile {
 public:
  TSpoolFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tonesentry-stdin-XXXXXX").string();
    FDescriptor = ::mkstemp(pattern.data());
    if (FDescriptor < 0) throw std::runtime_error(std::string("cannot make a temporary file: ") + std::strerror(errno));
    FPath = pattern;
  }
  ~TSpoolFile() {
    if (FDescriptor >= 0) ::close(FDescriptor);
    ::unlink(FPath.c_str());
  }
  TSpoolFile(const TSpoolFile&) = delete;
  TSpoolFile& operator=(const TSpoolFile&) = delete;
  void Write(const std::vector<uint8_t>& bytes) {
    size_t at = 0;
    while (at < bytes.size()) {
      const ssize_t written = ::write(FDescriptor, bytes.data() + at, bytes.size() - at);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0)
        throw std::runtime_error(std::string("cannot write the temporary file: ") + std::strerror(errno));
      at += static_cast<size_t>(written);
    }
  }
  void Close() {
    if (::close(FDescriptor) != 0) throw std::runtime_error("cannot write the temporary file");
    FDescriptor = -1;
  }
  const std::string& Path() const { return FPath; }

 private:
  int FDescriptor = -1;
  std::string FPath;
};

// Another container: copied whole, then analysed as a file.
void AnalyseSpooled(TStdinReader& reader, std::vector<uint8_t> pending, const TDetectOptions& options,
                    TFileResult& result) {
  TSpoolFile spool;
  bool more = true;
  while (more) {
    spool.Write(pending);
    pending.clear();
    more = reader.ReadSome(pending);
  }
  spool.Close();
  TOpenError error;
  std::unique_ptr<TFileAnalysis> analysis = TFileAnalysis::Open(spool.Path(), error, options.detector);
  if (!analysis) {
    throw std::runtime_error(error.problem.empty() ? AudioErrorText(error.audioErrorCode, true) : error.problem);
  }
  analysis->RunToEnd();
  if (!analysis->ErrorText().empty()) throw std::runtime_error(analysis->ErrorText());
  result.keys = analysis->Keys();
}

}  // namespace

TFileResult AnalyseStdin(const TDetectOptions& options) {
  TFileResult result;
  result.path = "-";
  try {
    TStdinReader reader;
    std::vector<uint8_t> start;
    if (options.rawFormat) {
      AnalysePcm(reader, std::move(start), *options.rawFormat, options, result);
    } else {
      bool more = true;
      while (more && start.size() < 12) more = reader.ReadSome(start);
      if (start.empty()) throw std::runtime_error("no audio on standard input");
      if (!LooksLikeWav(start)) {
        AnalyseSpooled(reader, std::move(start), options, result);
      } else {
        std::optional<TWavHeader> header;
        while (!(header = ParseWavHeader(start))) {
          if (!reader.ReadSome(start)) throw std::runtime_error("the WAV header ends early");
        }
        start.erase(start.begin(), start.begin() + static_cast<std::ptrdiff_t>(header->dataOffset));
        AnalysePcm(reader, std::move(start), header->format, options, result);
      }
    }
    result.analysed = true;
  } catch (const std::runtime_error& error) {
    result.error = error.what();
  }
  return result;
}
