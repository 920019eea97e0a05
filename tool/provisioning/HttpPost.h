#pragma once

#include <chrono>
#include <cstddef>
#include <string>

// One HTTP POST on libcurl, as the equipment service client needs it: a new connection for each
// call that is closed afterwards, nothing cached or reused, only the http scheme, exactly the
// client's four request header lines plus what HTTP/1.1 itself requires (Host, Content-Length),
// proxies from the usual environment variables (http_proxy, no_proxy), and a named diagnostic
// for each step that can fail.

// How long each part of an exchange may take.
//  - connect: from the start until the TCP connection stands (CURLOPT_CONNECTTIMEOUT_MS).
//  - send: how long the request may make no progress while it is being written.
//  - receive: how long the answer may make no progress (no byte of the status line, headers or
//    body) once the request is out.
// libcurl has no per-send or per-receive socket time-out: send and receive are idle clocks kept
// by the progress callback, which libcurl calls at least once a second, so either fires at most
// about a second late. The whole exchange may take at most the three together (40 s as the
// service's usual time-outs stand), checked by the same callback: a peer that keeps sending,
// however slowly, is cut off then, with the diagnostic a receive time-out gives at that point.
struct HttpTimeouts {
  std::chrono::milliseconds connect{10000};
  std::chrono::milliseconds send{10000};
  std::chrono::milliseconds receive{20000};
};

// Response bodies larger than this are refused ("内存分配失败"), so a broken or hostile peer
// cannot make the client hold any amount of memory.
inline constexpr std::size_t kMaxResponseBytes = std::size_t{1} << 20;

struct HttpPostResult {
  bool ok = false;
  std::string body;         // when ok: the response body, never empty
  std::wstring diagnostic;  // when not ok: which step failed, or empty for a failure the
                            // exchange gives no name (an empty body, an error while reading)
};

// POSTs body (zero-terminated, or null for an empty body) to url (UTF-8). ok only for status 200
// with a body of 1 to kMaxResponseBytes bytes. Diagnostics: "SetOption出错" (a time-out could not
// be set), "URL出错" (not an http URL: checked before anything goes out),
// "GetHttpConnection出错" (no connection: refused, unknown host, connect time-out),
// "OpenRequest出错" (the request could not be set up), "SendRequest出错" (failed or timed out
// before the response's headers were in), "QueryInfoStatusCode出错", "访问出错" (status not 200),
// "内存分配失败" (body over the cap, or no memory for it).
HttpPostResult HttpPost(const std::string& url, const char* body, const HttpTimeouts& timeouts);
