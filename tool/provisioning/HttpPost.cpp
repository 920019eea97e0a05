#include "provisioning/HttpPost.h"

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

using Clock = std::chrono::steady_clock;

constexpr wchar_t kSetOptionError[] = L"SetOption出错";
constexpr wchar_t kUrlError[] = L"URL出错";
constexpr wchar_t kConnectionError[] = L"GetHttpConnection出错";
constexpr wchar_t kOpenRequestError[] = L"OpenRequest出错";
constexpr wchar_t kSendRequestError[] = L"SendRequest出错";
constexpr wchar_t kStatusCodeError[] = L"QueryInfoStatusCode出错";
constexpr wchar_t kAccessError[] = L"访问出错";
constexpr wchar_t kMemoryError[] = L"内存分配失败";

// The request's own header lines, exactly as the service has always received them. "Expect:"
// is not sent: the empty value tells libcurl to leave its own Expect header out.
constexpr const char* kRequestHeaders[] = {
    "Accept:*/*",
    "User-Agent:Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1;SV1)",
    "Content-Type:application/json;charset=UTF-8",
    "Connection:Keep-Alive",
    "Expect:",
};

// Why the transfer was stopped by one of our callbacks.
enum class Stop { kNone, kSendIdle, kReceiveIdle, kDeadline, kStatus, kTooLarge };

// What the callbacks of one exchange share.
struct Exchange {
  CURL* curl = nullptr;
  HttpTimeouts timeouts;
  bool connected = false;
  bool headersDone = false;
  curl_off_t lastUp = -1;
  curl_off_t lastDown = -1;
  Clock::time_point start = Clock::now();
  Clock::time_point lastProgress = start;
  Stop stop = Stop::kNone;
  std::string body;
};

void CurlGlobalInit() {
  static const bool done = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)done;
}

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
template <typename T>
using CurlPtr = std::unique_ptr<T, CurlDeleter>;

// The parsed URL when it is an http URL with a host; null otherwise. The path is kept exactly as
// written (a doubled slash, a dot segment).
CurlPtr<CURLU> ParseHttpUrl(const std::string& text) {
  CurlPtr<CURLU> url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, text.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK) {
    return nullptr;
  }
  char* scheme = nullptr;
  if (curl_url_get(url.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return nullptr;
  const bool http = std::strcmp(scheme, "http") == 0;
  curl_free(scheme);
  if (!http) return nullptr;
  return url;
}

// The idle clocks for sending and receiving and the bound of the whole exchange (see
// HttpTimeouts); returning non-zero stops the transfer.
int OnProgress(void* context, curl_off_t, curl_off_t downloaded, curl_off_t uploadTotal,
               curl_off_t uploaded) {
  auto* exchange = static_cast<Exchange*>(context);
  const Clock::time_point now = Clock::now();
  const HttpTimeouts& timeouts = exchange->timeouts;
  if (now - exchange->start > timeouts.connect + timeouts.send + timeouts.receive) {
    exchange->stop = Stop::kDeadline;
    return 1;
  }
  if (!exchange->connected) {
    curl_off_t connectTime = 0;
    if (curl_easy_getinfo(exchange->curl, CURLINFO_CONNECT_TIME_T, &connectTime) != CURLE_OK ||
        connectTime == 0) {
      return 0;  // still connecting: the connect time-out rules
    }
    exchange->connected = true;
    exchange->lastProgress = now;
  }
  if (uploaded != exchange->lastUp || downloaded != exchange->lastDown) {
    exchange->lastUp = uploaded;
    exchange->lastDown = downloaded;
    exchange->lastProgress = now;
  }
  const bool sending = uploaded < uploadTotal;
  const auto limit = sending ? exchange->timeouts.send : exchange->timeouts.receive;
  if (now - exchange->lastProgress <= limit) return 0;
  exchange->stop = sending ? Stop::kSendIdle : Stop::kReceiveIdle;
  return 1;
}

// Each header line counts as progress; the blank line after a final status ends the headers.
std::size_t OnHeader(char* data, std::size_t, std::size_t size, void* context) {
  auto* exchange = static_cast<Exchange*>(context);
  exchange->lastProgress = Clock::now();
  long status = 0;
  if ((size == 2 && std::memcmp(data, "\r\n", 2) == 0) || (size == 1 && data[0] == '\n')) {
    curl_easy_getinfo(exchange->curl, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200) exchange->headersDone = true;
  }
  return size;
}

// Keeps the body of a 200 answer, up to the cap; returning less than size stops the transfer.
std::size_t OnBody(char* data, std::size_t, std::size_t size, void* context) {
  auto* exchange = static_cast<Exchange*>(context);
  long status = 0;
  if (curl_easy_getinfo(exchange->curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK ||
      status != 200) {
    exchange->stop = Stop::kStatus;
    return 0;
  }
  if (size > kMaxResponseBytes - exchange->body.size()) {
    exchange->stop = Stop::kTooLarge;
    return 0;
  }
  try {
    exchange->body.append(data, size);
  } catch (const std::bad_alloc&) {
    exchange->stop = Stop::kTooLarge;
    return 0;
  }
  return size;
}

bool SetTimeouts(CURL* curl, Exchange* exchange) {
  return curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS,
                          static_cast<long>(exchange->timeouts.connect.count())) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_XFERINFODATA, exchange) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
}

// The connection: only http, a fresh connection that is not kept, no signals (we run on any
// thread).
bool SetConnection(CURL* curl, CURLU* url) {
  return curl_easy_setopt(curl, CURLOPT_CURLU, url) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http") == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
}

bool SetRequest(CURL* curl, const char* body, curl_slist* headers, Exchange* exchange) {
  const char* content = body == nullptr ? "" : body;
  return curl_easy_setopt(curl, CURLOPT_POST, 1L) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                          static_cast<curl_off_t>(std::strlen(content))) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_POSTFIELDS, content) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_HEADERDATA, exchange) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody) == CURLE_OK &&
         curl_easy_setopt(curl, CURLOPT_WRITEDATA, exchange) == CURLE_OK;
}

CurlPtr<curl_slist> RequestHeaderList() {
  curl_slist* list = nullptr;
  for (const char* line : kRequestHeaders) {
    curl_slist* longer = curl_slist_append(list, line);
    if (longer == nullptr) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = longer;
  }
  return CurlPtr<curl_slist>(list);
}

HttpPostResult Failed(const wchar_t* diagnostic) {
  HttpPostResult result;
  result.diagnostic = diagnostic;
  return result;
}

// Names a failed transfer by the step it failed in.
HttpPostResult FailedTransfer(const Exchange& exchange) {
  switch (exchange.stop) {
    case Stop::kStatus: return Failed(kAccessError);
    case Stop::kTooLarge: return Failed(kMemoryError);
    case Stop::kSendIdle: return Failed(kSendRequestError);
    case Stop::kReceiveIdle:
    case Stop::kDeadline: return Failed(exchange.headersDone ? L"" : kSendRequestError);
    case Stop::kNone: break;
  }
  curl_off_t connectTime = 0;
  curl_easy_getinfo(exchange.curl, CURLINFO_CONNECT_TIME_T, &connectTime);
  if (connectTime == 0) return Failed(kConnectionError);
  return Failed(exchange.headersDone ? L"" : kSendRequestError);
}

}  // namespace

HttpPostResult HttpPost(const std::string& url, const char* body, const HttpTimeouts& timeouts) {
  CurlGlobalInit();
  const CurlPtr<CURL> curl(curl_easy_init());
  if (!curl) return Failed(L"");
  Exchange exchange;
  exchange.curl = curl.get();
  exchange.timeouts = timeouts;
  if (!SetTimeouts(curl.get(), &exchange)) return Failed(kSetOptionError);
  const CurlPtr<CURLU> parsed = ParseHttpUrl(url);
  if (!parsed || !SetConnection(curl.get(), parsed.get())) return Failed(kUrlError);
  const CurlPtr<curl_slist> headers = RequestHeaderList();
  if (!headers || !SetRequest(curl.get(), body, headers.get(), &exchange)) {
    return Failed(kOpenRequestError);
  }

  if (curl_easy_perform(curl.get()) != CURLE_OK) return FailedTransfer(exchange);
  long status = 0;
  if (curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status == 0) {
    return Failed(kStatusCodeError);
  }
  if (status != 200) return Failed(kAccessError);
  if (exchange.body.empty()) return Failed(L"");
  HttpPostResult result;
  result.ok = true;
  result.body = std::move(exchange.body);
  return result;
}
