// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/DownloadThread.h"

#include "common/ProductInfo.h"
#include "downloads/DownloadFileNames.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <curl/curl.h>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Buffer sizes: large for speed, small while throttled so the pacing stays smooth.
constexpr long FastBufferSize = 128 * 1024;
constexpr long ThrottledBufferSize = 16 * 1024;
// How long the multi handle sleeps between looks when nothing happens.
constexpr int PollMilliseconds = 1000;

std::string Trimmed(const char* data, std::size_t size) {
  std::string text(data, size);
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  return text;
}

// A network step failed: the reply text (may be empty), the message and the code.
struct TNetFailure {
  std::string ReplyText;
  std::string Message;
  long Code = 0;
};

struct TCurlInit {
  TCurlInit() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

} // namespace

// The state of one run: the file, the easy handle and what the server said.
class TDownloadThread::TRun {
public:
  explicit TRun(TDownloadThread& owner) : FOwner(owner), FJob(owner.FJob) {}
  ~TRun() {
    if (FEasy != nullptr)
      curl_easy_cleanup(FEasy);
    if (FFd >= 0)
      close(FFd);
  }
  TRun(const TRun&) = delete;
  TRun& operator=(const TRun&) = delete;

  void Execute();

private:
  enum class TOutcome { Ok, Failed, Stopped };

  bool OpenFile(std::string& error);
  bool Truncate();
  std::int64_t FileSize() const;
  void NewEasy();
  CURLcode Perform();
  TOutcome Fetch(bool head);
  std::optional<TNetFailure> HttpTransfer();
  std::optional<TNetFailure> FtpTransfer();
  TNetFailure CurlFailure(CURLcode code) const;

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnWrite(char* data, std::size_t size, std::size_t count, void* self);
  std::size_t Write(const char* data, std::size_t size);

  TDownloadThread& FOwner;
  const TDownloadJob& FJob;
  bool FHttp = true;
  int FFd = -1;
  CURL* FEasy = nullptr;
  char FErrorBuffer[CURL_ERROR_SIZE] = {};
  std::string FReplyText;         // the last status line or FTP reply
  std::string FContentRangeStart; // of the last HTTP response, "" when none
  std::int64_t FTotal = 0;
  std::int64_t FOffset = 0;  // where this transfer writes its first byte
  std::int64_t FWritten = 0; // bytes written in this transfer
  bool FFirstWrite = true;
  bool FRestart = false; // the server sent another part than asked for
  long FBadStatus = 0;   // an error status refused before writing
  std::string FWriteError;
  // While asking for the size: libcurl hands FTP's size and date lines to the body
  // writer as well, and they must not reach the file.
  bool FProbing = false;
  std::optional<TMyIdInterceptThrottler> FThrottler;
};

void TDownloadThread::TRun::Execute() {
  const TDownloadProtocol protocol = ProtocolOfURL(FJob.URL);
  if (protocol == TDownloadProtocol::Unsupported) {
    if (FOwner.FRunning)
      FOwner.FEvents.Error(UnsupportedURLText);
    return;
  }
  FHttp = protocol == TDownloadProtocol::HTTP;
  std::string error;
  if (!OpenFile(error)) {
    if (FOwner.FRunning)
      FOwner.FEvents.Error(error);
    return;
  }
  if (FJob.Throttle) {
    FThrottler.emplace(static_cast<TThrottleWaiter&>(FOwner));
    FThrottler->BitsPerSec = ThrottleBitsPerSec(FJob.ThrottlePercent, FJob.MaxBandwidth);
  }
  const std::optional<TNetFailure> failure = FHttp ? HttpTransfer() : FtpTransfer();
  if (!FOwner.FRunning || FOwner.StopRequested()) {
    FOwner.FAborted = true;
    return;
  }
  if (failure) {
    const std::string text =
        failure->ReplyText.empty() ? failure->Message : failure->ReplyText + "/" + failure->Message;
    FOwner.FEvents.ErrorWithCode(failure->Code == 0 ? NoReplyCode : static_cast<int>(failure->Code),
                                 text);
    return;
  }
  FOwner.FEvents.Done(FileSize());
}

bool TDownloadThread::TRun::OpenFile(std::string& error) {
  FFd = open(FJob.FileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (FFd < 0) {
    error = std::strerror(errno);
    return false;
  }
  // Another worker (of another run of the program) writing the same file would mix
  // two transfers.
  if (flock(FFd, LOCK_EX | LOCK_NB) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

bool TDownloadThread::TRun::Truncate() {
  return ftruncate(FFd, 0) == 0;
}

std::int64_t TDownloadThread::TRun::FileSize() const {
  struct stat info {};
  return fstat(FFd, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}

void TDownloadThread::TRun::NewEasy() {
  if (FEasy != nullptr)
    curl_easy_cleanup(FEasy);
  FEasy = curl_easy_init();
  curl_easy_setopt(FEasy, CURLOPT_URL, FJob.URL.c_str());
  curl_easy_setopt(FEasy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(FEasy, CURLOPT_ERRORBUFFER, FErrorBuffer);
  curl_easy_setopt(FEasy, CURLOPT_PROTOCOLS_STR, "http,https,ftp");
  curl_easy_setopt(FEasy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https,ftp");
  curl_easy_setopt(FEasy, CURLOPT_HEADERFUNCTION, &TRun::OnHeader);
  curl_easy_setopt(FEasy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(FEasy, CURLOPT_WRITEFUNCTION, &TRun::OnWrite);
  curl_easy_setopt(FEasy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(FEasy, CURLOPT_BUFFERSIZE, FThrottler ? ThrottledBufferSize : FastBufferSize);
  // Never a proxy from the environment: the upstream the manager names, or none.
  const bool viaProxy = FHttp && !FJob.ProxyHost.empty();
  curl_easy_setopt(FEasy, CURLOPT_PROXY, viaProxy ? FJob.ProxyHost.c_str() : "");
  if (viaProxy)
    curl_easy_setopt(FEasy, CURLOPT_PROXYPORT, static_cast<long>(FJob.ProxyPort));
  if (const char* authorities = std::getenv("SSL_CERT_FILE"))
    curl_easy_setopt(FEasy, CURLOPT_CAINFO, authorities);
  if (FHttp) {
    static const std::string agent =
        std::string(ProductInfo::ProgramName) + "/" + std::string(ProductInfo::Version);
    curl_easy_setopt(FEasy, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(FEasy, CURLOPT_FOLLOWLOCATION, 1L);
  } else {
    curl_easy_setopt(FEasy, CURLOPT_USERNAME, "anonymous");
    curl_easy_setopt(FEasy, CURLOPT_PASSWORD, AnonymousFTPPassword);
  }
  FErrorBuffer[0] = '\0';
  FProbing = false;
  FReplyText.clear();
  FContentRangeStart.clear();
}

CURLcode TDownloadThread::TRun::Perform() {
  CURLM* multi = static_cast<CURLM*>(FOwner.FMulti);
  curl_multi_add_handle(multi, FEasy);
  CURLcode result = CURLE_OK;
  for (;;) {
    if (FOwner.StopRequested()) {
      result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    bool done = false;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        result = message->data.result;
        done = true;
      }
    }
    if (done)
      break;
    curl_multi_poll(multi, nullptr, 0, PollMilliseconds, nullptr);
  }
  curl_multi_remove_handle(multi, FEasy);
  return result;
}

TNetFailure TDownloadThread::TRun::CurlFailure(CURLcode code) const {
  TNetFailure failure;
  failure.ReplyText = FReplyText;
  if (code == CURLE_WRITE_ERROR && !FWriteError.empty()) {
    failure.Message = FWriteError;
  } else {
    failure.Message = FErrorBuffer[0] != '\0' ? FErrorBuffer : curl_easy_strerror(code);
  }
  curl_easy_getinfo(FEasy, CURLINFO_RESPONSE_CODE, &failure.Code);
  return failure;
}

std::optional<TNetFailure> TDownloadThread::TRun::HttpTransfer() {
  NewEasy();
  curl_easy_setopt(FEasy, CURLOPT_NOBODY, 1L);
  FProbing = true;
  CURLcode code = Perform();
  FProbing = false;
  if (code != CURLE_OK)
    return CurlFailure(code);
  long status = 0;
  curl_easy_getinfo(FEasy, CURLINFO_RESPONSE_CODE, &status);
  if (status >= 300)
    return TNetFailure{FReplyText, "Error: Server answered " + std::to_string(status) + ".",
                       status};
  curl_off_t length = -1;
  curl_easy_getinfo(FEasy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  if (length < 0)
    return TNetFailure{FReplyText, NoFileSizeText, status};
  FTotal = length;
  const bool http10 = FReplyText.starts_with("HTTP/1.0");

  FOffset = FileSize();
  // A partial file of another document, or longer than the document: start over.
  if ((FJob.KnownTotalSize > 0 && FJob.KnownTotalSize != FTotal) || FOffset > FTotal ||
      (http10 && FOffset < FTotal)) {
    if (!Truncate())
      return TNetFailure{{}, std::strerror(errno), 0};
    FOffset = 0;
  }
  FOwner.FEvents.Progress(FTotal, FOffset);
  if (FOffset >= FTotal)
    return std::nullopt;

  for (int attempt = 0; attempt < 2; ++attempt) {
    NewEasy();
    if (!http10 && attempt == 0) {
      const std::string range = std::to_string(FOffset) + "-" + std::to_string(FTotal - 1);
      curl_easy_setopt(FEasy, CURLOPT_RANGE, range.c_str());
    }
    lseek(FFd, FOffset, SEEK_SET);
    FFirstWrite = true;
    FRestart = false;
    FBadStatus = 0;
    FWritten = 0;
    code = Perform();
    if (FRestart && !FOwner.StopRequested()) {
      // Asked for the rest, got another part: fetch the whole document again.
      if (!Truncate())
        return TNetFailure{{}, std::strerror(errno), 0};
      FOffset = 0;
      continue;
    }
    break;
  }
  if (FRestart)
    return TNetFailure{FReplyText, RangeRefusedText, 0};
  curl_easy_getinfo(FEasy, CURLINFO_RESPONSE_CODE, &status);
  if (FBadStatus != 0 || (code == CURLE_OK && status >= 300))
    return TNetFailure{FReplyText, "Error: Server answered " + std::to_string(status) + ".",
                       status};
  if (code != CURLE_OK)
    return CurlFailure(code);
  if (FileSize() != FTotal)
    return TNetFailure{FReplyText, IncompleteText, status};
  return std::nullopt;
}

std::optional<TNetFailure> TDownloadThread::TRun::FtpTransfer() {
  NewEasy();
  curl_easy_setopt(FEasy, CURLOPT_NOBODY, 1L);
  FProbing = true;
  CURLcode code = Perform();
  FProbing = false;
  if (code != CURLE_OK)
    return CurlFailure(code);
  curl_off_t length = -1;
  curl_easy_getinfo(FEasy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  long reply = 0;
  curl_easy_getinfo(FEasy, CURLINFO_RESPONSE_CODE, &reply);
  if (length < 0)
    return TNetFailure{FReplyText, NoFileSizeText, reply};
  FTotal = length;
  FOffset = FileSize();
  if ((FJob.KnownTotalSize > 0 && FJob.KnownTotalSize != FTotal) || FOffset > FTotal) {
    if (!Truncate())
      return TNetFailure{{}, std::strerror(errno), 0};
    FOffset = 0;
  }
  FOwner.FEvents.Progress(FTotal, FOffset);
  if (FOffset >= FTotal)
    return std::nullopt;

  // Active mode first; any failure gets one more try in passive mode.
  for (const bool active : {true, false}) {
    NewEasy();
    curl_easy_setopt(FEasy, CURLOPT_FTPPORT, active ? "-" : nullptr);
    FOffset = FileSize();
    if (FOffset > 0)
      curl_easy_setopt(FEasy, CURLOPT_RESUME_FROM_LARGE, static_cast<curl_off_t>(FOffset));
    lseek(FFd, FOffset, SEEK_SET);
    FFirstWrite = true;
    FWritten = 0;
    code = Perform();
    if (code == CURLE_OK || FOwner.StopRequested() || !FWriteError.empty())
      break;
  }
  if (code != CURLE_OK)
    return CurlFailure(code);
  if (FileSize() != FTotal)
    return TNetFailure{FReplyText, IncompleteText, 0};
  return std::nullopt;
}

std::size_t TDownloadThread::TRun::OnHeader(char* data, std::size_t size, std::size_t count,
                                            void* self) {
  auto& run = *static_cast<TRun*>(self);
  const std::size_t length = size * count;
  std::string line = Trimmed(data, length);
  if (line.empty())
    return length;
  if (!run.FHttp) {
    run.FReplyText = line;
  } else if (line.starts_with("HTTP/")) {
    // Each response of a redirect chain starts afresh.
    run.FReplyText = line;
    run.FContentRangeStart.clear();
  } else if (line.size() > 14 && strncasecmp(line.c_str(), "Content-Range:", 14) == 0) {
    const std::size_t bytes = line.find("bytes ");
    const std::size_t dash = line.find('-', bytes);
    if (bytes != std::string::npos && dash != std::string::npos)
      run.FContentRangeStart = line.substr(bytes + 6, dash - bytes - 6);
  }
  return length;
}

std::size_t TDownloadThread::TRun::OnWrite(char* data, std::size_t size, std::size_t count,
                                           void* self) {
  return static_cast<TRun*>(self)->Write(data, size * count);
}

std::size_t TDownloadThread::TRun::Write(const char* data, std::size_t size) {
  if (FProbing)
    return size;
  if (FFirstWrite && FHttp) {
    FFirstWrite = false;
    long status = 0;
    curl_easy_getinfo(FEasy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 300) {
      FBadStatus = status; // an error page never reaches the file
      return 0;
    }
    if (status == 200 && FOffset > 0) {
      // The server ignored the range: the whole document comes, from byte 0.
      if (!Truncate() || lseek(FFd, 0, SEEK_SET) != 0) {
        FWriteError = std::strerror(errno);
        return 0;
      }
      FOffset = 0;
    } else if (status == 206 && FContentRangeStart != std::to_string(FOffset)) {
      FRestart = true;
      return 0;
    }
  }
  FFirstWrite = false;
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = write(FFd, data + done, size - done);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      FWriteError = std::strerror(errno);
      return 0;
    }
    done += static_cast<std::size_t>(written);
  }
  FWritten += static_cast<std::int64_t>(size);
  FOwner.FEvents.Progress(FTotal, FOffset + FWritten);
  if (FThrottler && !FThrottler->Received(size))
    return 0;
  return size;
}

TDownloadThread::TDownloadThread(TDownloadJob job, TDownloadThreadEvents& events)
    : FJob(std::move(job)), FEvents(events) {
  static TCurlInit curlInit;
  FMulti = curl_multi_init();
}

TDownloadThread::~TDownloadThread() {
  StopConnection();
  WaitFor();
  curl_multi_cleanup(static_cast<CURLM*>(FMulti));
}

void TDownloadThread::Resume() {
  if (FThread.joinable() || FStop)
    return;
  FRunning = true;
  FThread = std::thread([this] { Run(); });
}

void TDownloadThread::StopConnection() {
  FRunning = false;
  {
    std::lock_guard lock(FStopMutex);
    FStop = true;
  }
  FStopChanged.notify_all();
  curl_multi_wakeup(static_cast<CURLM*>(FMulti));
  if (!FThread.joinable())
    FFinished = true;
}

void TDownloadThread::WaitFor() {
  if (FThread.joinable())
    FThread.join();
}

void TDownloadThread::Run() {
  if (!FStop) {
    TRun run(*this);
    run.Execute();
  }
  FFinished = true;
}

TThrottleWaiter::TTimePoint TDownloadThread::Now() const {
  return std::chrono::steady_clock::now();
}

bool TDownloadThread::WaitUntil(TTimePoint deadline) {
  std::unique_lock lock(FStopMutex);
  return !FStopChanged.wait_until(lock, deadline, [this] { return FStop.load(); });
}
