// SPDX-License-Identifier: GPL-3.0-or-later
// The download worker against real servers: nginx with and without byte ranges and
// over TLS, Python's HTTP/1.0 server, pyftpdlib, and scripted origins that misbehave.
#include "E2ETest.h"
#include "ScriptedOrigin.h"
#include "downloads/DownloadThread.h"

#include <condition_variable>
#include <mutex>

namespace {

using namespace std::chrono_literals;
using namespace e2e;

constexpr auto TransferTimeout = 30s;
constexpr std::size_t FileSize = 3 * 1024 * 1024 + 17;

// What a worker reported, waited for with a bound.
class TRecorder : public TDownloadThreadEvents {
public:
  void Progress(std::int64_t total, std::int64_t received) override {
    std::lock_guard lock(FLock);
    Total = total;
    LastReceived = received;
    ++ProgressCount;
  }
  void Done(std::int64_t fileSize) override { Finish(true, fileSize, {}); }
  void Error(const std::string& text) override { Finish(false, -1, text); }
  void ErrorWithCode(int code, const std::string& text) override {
    Finish(false, -1, text + " - " + std::to_string(code));
  }
  // True when the run ended within the bound.
  bool WaitEnd(std::chrono::milliseconds bound = TransferTimeout) {
    std::unique_lock lock(FLock);
    return FChanged.wait_for(lock, bound, [this] { return Ended; });
  }

  std::mutex FLock; // guards every field
  std::condition_variable FChanged;
  bool Ended = false;
  bool Succeeded = false;
  std::int64_t DoneSize = -1;
  std::string ErrorText;
  std::int64_t Total = 0;
  std::int64_t LastReceived = 0;
  int ProgressCount = 0;

private:
  void Finish(bool success, std::int64_t size, const std::string& text) {
    std::lock_guard lock(FLock);
    Ended = true;
    Succeeded = success;
    DoneSize = size;
    ErrorText = text;
    FChanged.notify_all();
  }
};

// One set of servers for the whole suite, all serving the same folder.
struct TServers {
  TScratchFolder Folder;
  std::vector<std::unique_ptr<TChildProcess>> Children;
  std::uint16_t Nginx = 0;         // honours Range
  std::uint16_t NginxNoRanges = 0; // max_ranges 0: a Range gets 200 and the whole file
  std::uint16_t NginxTls = 0;
  std::uint16_t Python = 0; // HTTP/1.0, no ranges
  std::uint16_t Ftp = 0;
  std::filesystem::path Certificate;
  std::string Content;

  std::filesystem::path Root() const { return Folder / "www"; }
  std::filesystem::path NginxLog() const { return Folder / "nginx" / "access.log"; }

  TServers() {
    Content = PatternBytes(FileSize, 7);
    std::filesystem::create_directories(Root());
    WriteFile(Root() / "file.bin", Content);
    WriteFile(Root() / "other.bin", PatternBytes(FileSize / 2, 9));

    TNginxSite site;
    site.Prefix = Folder / "nginx";
    std::filesystem::create_directories(site.Prefix);
    site.Root = Root();
    site.HttpPort = FreePort();
    site.HttpsPort = FreePort();
    site.Tls = MakeSelfSignedCertificate(Folder.Path());
    Certificate = site.Tls.Certificate;
    Nginx = site.HttpPort;
    NginxTls = *site.HttpsPort;
    NginxNoRanges = FreePort();
    std::string config = NginxConfig(site);
    const std::size_t last = config.rfind('}');
    config.insert(last, "  server {\n    listen 127.0.0.1:" + std::to_string(NginxNoRanges) +
                            ";\n    root " + Root().string() + ";\n    max_ranges 0;\n  }\n");
    WriteFile(site.Prefix / "nginx.conf", config);
    Start({FindProgram("nginx").string(), "-c", (site.Prefix / "nginx.conf").string(), "-p",
           site.Prefix.string()},
          {Nginx, NginxTls, NginxNoRanges});

    Python = FreePort();
    Start({"/usr/bin/python3", "-m", "http.server", "--bind", "127.0.0.1", "--directory",
           Root().string(), std::to_string(Python)},
          {Python});
    Ftp = FreePort();
    Start({"/usr/bin/python3", "-m", "pyftpdlib", "-i", "127.0.0.1", "-p", std::to_string(Ftp),
           "-d", Root().string()},
          {Ftp});
  }
  ~TServers() {
    while (!Children.empty()) {
      Children.back()->Stop();
      Children.pop_back();
    }
  }

  void Start(std::vector<std::string> argv, std::vector<std::uint16_t> ports) {
    const auto log = Folder.UniquePath("server-log");
    Children.push_back(std::make_unique<TChildProcess>(
        TSpawnOptions{.Argv = std::move(argv), .StdoutPath = log, .StderrPath = log}));
    TChildProcess& child = *Children.back();
    for (const std::uint16_t port : ports) {
      if (!WaitForPort(port, 15s, [&] { return child.Running(); }))
        throw std::runtime_error("a server did not start: " + ReadFileOrEmpty(log));
    }
  }
};

class DownloadWorker : public ::testing::Test {
protected:
  static void SetUpTestSuite() { Servers = new TServers(); }
  static void TearDownTestSuite() {
    delete Servers;
    Servers = nullptr;
  }

  static std::string Http(std::uint16_t port, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(port) + path;
  }
  std::filesystem::path Target() const { return FFolder / "target.bin"; }
  TDownloadJob JobFor(const std::string& url, std::int64_t knownTotal = 0) const {
    TDownloadJob job;
    job.URL = url;
    job.FileName = Target().string();
    job.KnownTotalSize = knownTotal;
    return job;
  }

  // Runs one worker to its end and returns what it reported.
  std::unique_ptr<TRecorder> Run(const TDownloadJob& job) {
    auto recorder = std::make_unique<TRecorder>();
    TDownloadThread worker(job, *recorder);
    worker.Resume();
    EXPECT_TRUE(recorder->WaitEnd()) << job.URL;
    return recorder;
  }
  std::string TargetBytes() const { return ReadFileOrEmpty(Target()); }

  static inline TServers* Servers = nullptr;
  TScratchFolder FFolder;
};

TEST_F(DownloadWorker, FetchesAndResumesFromEveryKindOfServer) {
  struct Case {
    const char* Name;
    std::string URL;
    std::size_t Partial; // bytes already in the local file
  };
  const std::string& content = Servers->Content;
  const Case cases[] = {
      {"nginx, new file", Http(Servers->Nginx, "/file.bin"), 0},
      {"nginx, resumed with a range", Http(Servers->Nginx, "/file.bin"), 1000000},
      {"nginx ignoring Range, resumed", Http(Servers->NginxNoRanges, "/file.bin"), 1000000},
      {"HTTP/1.0 server, resumed", Http(Servers->Python, "/file.bin"), 1000000},
      {"https with the test's authority",
       "https://localhost:" + std::to_string(Servers->NginxTls) + "/file.bin", 12345},
      {"ftp, resumed with REST", "ftp://127.0.0.1:" + std::to_string(Servers->Ftp) + "/file.bin",
       777777},
  };
  TScopedEnvironment environment;
  environment.Set("SSL_CERT_FILE", Servers->Certificate.string());
  for (const Case& c : cases) {
    std::filesystem::remove(Target());
    if (c.Partial > 0)
      WriteFile(Target(), content.substr(0, c.Partial));
    const auto result = Run(JobFor(c.URL));
    EXPECT_TRUE(result->Succeeded) << c.Name << ": " << result->ErrorText;
    EXPECT_EQ(result->DoneSize, static_cast<std::int64_t>(content.size())) << c.Name;
    EXPECT_EQ(result->Total, static_cast<std::int64_t>(content.size())) << c.Name;
    EXPECT_EQ(Sha256Hex(TargetBytes()), Sha256Hex(content)) << c.Name;
  }
  const std::string log = ReadFileOrEmpty(Servers->NginxLog());
  EXPECT_NE(log.find("\"GET /file.bin HTTP/1.1\" 206"), std::string::npos) << log;
}

TEST_F(DownloadWorker, APartialFileOfAnotherSizeOrTooLongStartsOver) {
  const std::string& content = Servers->Content;
  // The list knew another size: the bytes present belong to another document.
  WriteFile(Target(), std::string(1000, 'x'));
  auto result = Run(JobFor(Http(Servers->Nginx, "/file.bin"), 5000));
  EXPECT_TRUE(result->Succeeded) << result->ErrorText;
  EXPECT_EQ(Sha256Hex(TargetBytes()), Sha256Hex(content));

  WriteFile(Target(), content + "trailing");
  result = Run(JobFor(Http(Servers->Nginx, "/file.bin")));
  EXPECT_TRUE(result->Succeeded) << result->ErrorText;
  EXPECT_EQ(Sha256Hex(TargetBytes()), Sha256Hex(content));
}

TEST_F(DownloadWorker, ACompleteFileIsReportedWithoutATransfer) {
  WriteFile(Target(), Servers->Content);
  const auto before = ReadFileOrEmpty(Servers->NginxLog()).size();
  const auto result = Run(JobFor(Http(Servers->Nginx, "/file.bin")));
  EXPECT_TRUE(result->Succeeded) << result->ErrorText;
  const std::string log = ReadFileOrEmpty(Servers->NginxLog()).substr(before);
  EXPECT_EQ(log.find("GET /file.bin"), std::string::npos) << log;
  EXPECT_NE(log.find("HEAD /file.bin"), std::string::npos) << log;
}

TEST_F(DownloadWorker, FailuresEndInAnErrorAndWriteNoErrorPage) {
  TScriptedOrigin noLength("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
  TScriptedOrigin cutShort("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n"
                           "0123456789");
  TScriptedOrigin movedNowhere("HTTP/1.1 302 Found\r\nContent-Length: 5\r\n\r\nabcde");
  struct Case {
    const char* Name;
    std::string URL;
    std::string Error; // the start of the reported text
    std::size_t FileBytes;
  };
  const Case cases[] = {
      {"missing file", Http(Servers->Nginx, "/missing.bin"),
       "HTTP/1.1 404 Not Found/Error: Server answered 404. - 404", 0},
      {"HEAD without a length", Http(noLength.Port(), "/a.bin"),
       "HTTP/1.1 200 OK/Error: Can't get filesize. - 200", 0},
      {"body cut short", Http(cutShort.Port(), "/a.bin"), "HTTP/1.1 200 OK/", 10},
      {"redirect without a target", Http(movedNowhere.Port(), "/a.bin"),
       "HTTP/1.1 302 Found/Error: Server answered 302. - 302", 0},
      {"ftp file missing", "ftp://127.0.0.1:" + std::to_string(Servers->Ftp) + "/missing.bin",
       "550 ", 0},
      {"nobody listening", Http(FreePort(), "/a.bin"), "", 0},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(Target());
    const auto result = Run(JobFor(c.URL));
    EXPECT_FALSE(result->Succeeded) << c.Name;
    EXPECT_TRUE(result->ErrorText.starts_with(c.Error)) << c.Name << ": " << result->ErrorText;
    EXPECT_FALSE(result->ErrorText.empty()) << c.Name;
    EXPECT_EQ(TargetBytes().size(), c.FileBytes) << c.Name;
  }
}

TEST_F(DownloadWorker, OtherSchemesFailWithoutTouchingTheFile) {
  for (const std::string url : {"file:///etc/hostname", "gopher://127.0.0.1/x"}) {
    const auto result = Run(JobFor(url));
    EXPECT_EQ(result->ErrorText, UnsupportedURLText) << url;
    EXPECT_FALSE(std::filesystem::exists(Target())) << url;
  }
}

TEST_F(DownloadWorker, ThrottledTransferKeepsToItsRateAndStopsAtOnce) {
  // 50 % of 1024 kbit/s: 65536 bytes a second.
  TDownloadJob job = JobFor(Http(Servers->Nginx, "/file.bin"));
  job.Throttle = true;
  job.ThrottlePercent = 50;
  job.MaxBandwidth = 1024;
  TRecorder recorder;
  TDownloadThread worker(job, recorder);
  const auto start = std::chrono::steady_clock::now();
  worker.Resume();
  std::this_thread::sleep_for(3s);
  const std::int64_t received = [&] {
    std::lock_guard lock(recorder.FLock);
    return recorder.LastReceived;
  }();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // The first buffer comes before any wait, so allow one buffer above the rate.
  EXPECT_LE(received, static_cast<std::int64_t>(65536 * seconds + 16 * 1024));
  EXPECT_GE(received, static_cast<std::int64_t>(65536 * (seconds - 1.0)));

  const auto stopAt = std::chrono::steady_clock::now();
  worker.StopConnection();
  worker.WaitFor();
  EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 200ms);
  EXPECT_TRUE(worker.Aborted());
  std::lock_guard lock(recorder.FLock);
  EXPECT_FALSE(recorder.Ended) << "a stop by the user reports nothing";
}

} // namespace
