// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AsciiText.h"
#include "net/Base64.h"
#include "net/NetError.h"
#include "net/TCPClient.h"
#include "proxy/ChunkedDecoder.h"
#include "proxy/HTTPProxyServer.h"
#include "proxy/ResponsePages.h"
#include "proxy/ScriptFilter.h"

#include <charconv>

namespace {

// "Content-Length" as a number; -1 when absent or not a plain non-negative number.
std::int64_t ContentLength(const THeaderList& headers) {
  const std::string text = headers.Value("Content-Length");
  std::int64_t length = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), length);
  if (text.empty() || error != std::errc() || end != text.data() + text.size() || length < 0) {
    return -1;
  }
  return length;
}

// A request body whose end the length tells (or no body at all), so that once it has been
// read nothing more is to come from the browser.
bool BodyFramedByLength(const THeaderList& headers) {
  return headers.Value("Transfer-Encoding").empty() &&
         (headers.Value("Content-Length").empty() || ContentLength(headers) >= 0);
}

void MarkReadIfBodiless(TTCPConnection& browser, const THeaderList& headers) {
  if (BodyFramedByLength(headers) && ContentLength(headers) <= 0) {
    browser.MarkRequestRead();
  }
}

// The three-digit status code of a status line, or empty when there is none.
std::string_view StatusCode(std::string_view statusLine) {
  const std::size_t space = statusLine.find(' ');
  if (space == std::string_view::npos || statusLine.size() < space + 4) {
    return {};
  }
  return statusLine.substr(space + 1, 3);
}

bool IsInterimStatus(std::string_view statusLine) {
  const std::string_view code = StatusCode(statusLine);
  return !code.empty() && code[0] == '1' && code != "101";
}

// Responses to HEAD, and 1xx, 204 and 304 responses, end with their header block.
bool StatusAllowsBody(const THeaderList& responseHeaders) {
  if (responseHeaders.Count() == 0) {
    return true;
  }
  const std::string_view code = StatusCode(responseHeaders[0]);
  return code.empty() || !(code[0] == '1' || code == "204" || code == "304");
}

// The final response head.
THeaderList ReadResponseHead(TTCPConnection& upstream) {
  // Interim 1xx answers (other than a protocol switch) are dropped: the browser
  // gets the final response only.
  for (;;) {
    THeaderList head(upstream.Capture());
    if (head.Count() == 0 || !IsInterimStatus(head[0])) {
      return head;
    }
  }
}

// The body goes upstream framed by one "Content-Length" that says what is sent. A
// negative, non-numeric or repeated length from the browser would leave the origin
// to guess where the request ends; a guess other than ours has it wait for bytes
// that never come, or read the next bytes as a request of their own.
void FrameBody(THeaderList& headers, std::uint64_t size) {
  const std::size_t lengthLines = headers.CountOf("Content-Length");
  // A chunked body is never read, so never announced.
  const std::size_t framingLines = lengthLines + headers.CountOf("Transfer-Encoding");
  if (framingLines == 0 && size == 0) {
    return;
  }
  const std::string length = std::to_string(size);
  if (framingLines == 1 && lengthLines == 1 && headers.Value("Content-Length") == length) {
    return;
  }
  headers.Delete("Content-Length");
  headers.Delete("Transfer-Encoding");
  headers.SetValue("Content-Length", length);
}

// The head sent upstream: the request line (when given) and the header lines, with the
// empty line, in one string that grows once.
std::string ForwardedHead(std::string_view method, std::string_view target,
                          const THeaderList& headers) {
  static constexpr std::string_view version = " HTTP/1.0\r\n";
  std::string head;
  head.reserve(method.size() + 1 + target.size() + version.size() + headers.TextSize() + 2);
  if (!method.empty()) {
    head.append(method).append(" ").append(target).append(version);
  }
  headers.AppendText(head);
  head.append("\r\n");
  return head;
}

const std::string& Target(const TCommand& command) {
  static const std::string none;
  return command.Params.empty() ? none : command.Params[0];
}

// Removes the framing lines of a response head. The status line is not a header line
// and stays, whatever an origin makes it look like.
void DropFraming(THeaderList& responseHeaders) {
  if (responseHeaders.Count() == 0) {
    return;
  }
  const std::vector<std::string>& lines = responseHeaders.Lines();
  THeaderList fields(std::vector<std::string>(lines.begin() + 1, lines.end()));
  fields.Delete("Content-Length");
  fields.Delete("Transfer-Encoding");
  fields.Insert(0, responseHeaders[0]);
  responseHeaders = std::move(fields);
}

} // namespace

bool THTTPProxyServer::PageAllowed(TTCPConnection& browser, const TURI& uri) {
  const std::string absolute = uri.GetFullURI();
  if (URLAllowed(absolute)) {
    return true;
  }
  // The address comes from the browser: escaped, so a crafted URL cannot put script into our page.
  SendAccessDenied(browser, "Aufruf der Seite " + EscapeHTML(absolute) + " nicht erlaubt.");
  TProxyStatistics increments;
  increments.BlockedURLS = 1;
  Report(increments);
  return false;
}

bool THTTPProxyServer::CheckCredentials(TTCPConnection& browser, THeaderList& headers) {
  const auto credentials = FCredentials.Get();
  if (credentials->UserName.empty()) {
    return true;
  }
  const std::string expected =
      "Basic " + EncodeBase64(credentials->UserName + ":" + credentials->Password);
  if (headers.Value("Proxy-Authorization") != expected) {
    SendProxyAuthRequired(browser);
    return false;
  }
  headers.Delete("Proxy-Authorization");
  headers.Delete("Proxy-Authentication-Info");
  return true;
}

void THTTPProxyServer::PrepareForwardHeaders(THeaderList& headers) const {
  headers.SetValue("Via", Via());
  // One request per upstream connection: an origin that kept it open would make
  // the browser wait for the read time-out.
  headers.SetValue("Connection", "close");
  headers.Delete("Proxy-Connection");
  headers.Delete("Keep-Alive");
  // The body is already here in whole; the origin's go-ahead would only be relayed
  // to a browser that stopped waiting for it.
  headers.Delete("Expect");
}

void THTTPProxyServer::ConnectUpstream(TTCPConnection& browser, TTCPClient& upstream,
                                       const std::string* document) {
  try {
    upstream.Connect();
  } catch (const EConnectError& error) {
    SendHostNotFound(browser, ::HostNotFoundDetails(upstream.Host, document, error.what()));
    throw;
  }
}

THTTPProxyServer::TUpstreamChoice THTTPProxyServer::ChooseUpstream(TTCPClient& upstream,
                                                                   const TURI& uri) const {
  return ChooseRoute(upstream, uri, *FUpstream.Get());
}

THTTPProxyServer::TUpstreamChoice THTTPProxyServer::ChooseRoute(TTCPClient& upstream,
                                                                const TURI& uri,
                                                                const TUpstreamRoute& route) const {
  if (!route.Host.empty()) {
    upstream.Host = route.Host;
    upstream.Port = static_cast<std::uint16_t>(route.Port);
    return {uri.GetFullURI(), false};
  }
  upstream.Host = uri.Host;
  upstream.Port = static_cast<std::uint16_t>(uri.PortOr(80));
  return {uri.LocalTarget(), true, route.Refuse};
}

void THTTPProxyServer::ConnectChosen(TTCPConnection& browser, TTCPClient& upstream, const TURI& uri,
                                     TUpstreamChoice& choice, const std::string* document) {
  if (!choice.Direct && OnUpstreamFailed) {
    try {
      upstream.Connect();
      return;
    } catch (const EConnectError& error) {
      const std::optional<TUpstreamRoute> next = OnUpstreamFailed(upstream.Host, upstream.Port);
      if (!next) {
        SendHostNotFound(browser, ::HostNotFoundDetails(upstream.Host, document, error.what()));
        throw;
      }
      choice = ChooseRoute(upstream, uri, *next);
      if (choice.Refused) {
        SendNoUpstream(browser);
        throw;
      }
    }
  }
  ConnectUpstream(browser, upstream, document);
}

void THTTPProxyServer::SendNoUpstream(TTCPConnection& browser) {
  SendAccessDenied(browser, "Kein anonymer Proxy-Server erreichbar; die Seite wird nicht "
                            "direkt abgerufen.");
}

void THTTPProxyServer::SendHeaders(TTCPConnection& connection, const THeaderList& headers,
                                   bool count) {
  const std::string text = ForwardedHead({}, {}, headers);
  connection.Write(text);
  if (count) {
    ReportBytes(static_cast<std::int64_t>(text.size()));
  }
}

void THTTPProxyServer::CommandGet(TCommand& command) {
  TTCPConnection& browser = command.Context.Connection;
  THeaderList headers(browser.Capture());
  MarkReadIfBodiless(browser, headers);
  TURI uri(Target(command));
  if (!PageAllowed(browser, uri)) {
    return;
  }
  TTCPClient upstream;
  const TUpstreamRecord record(command.Context, upstream);
  if (OnHTTPGet) {
    OnHTTPGet(*this, uri, headers);
  }
  TUpstreamChoice choice = ChooseUpstream(upstream, uri);
  if (choice.Refused) {
    SendNoUpstream(browser);
    return;
  }
  if (choice.Direct && !uri.IsHTTP()) {
    SendAccessDenied(browser, "The server does only support http.");
    return;
  }
  if (!CheckCredentials(browser, headers)) {
    return;
  }
  PrepareForwardHeaders(headers);
  if (ExtensionBlocked(browser, choice.Target)) {
    return;
  }
  upstream.SetReadTimeout(UpstreamReadTimeout);
  ConnectChosen(browser, upstream, uri, choice, &choice.Target);
  const std::string& target = choice.Target;
  upstream.Write(ForwardedHead("GET", target, headers));
  // The request line is counted without its line end, the header lines not at all.
  ReportBytes(static_cast<std::int64_t>(std::string_view("GET  HTTP/1.0").size() + target.size()));

  THeaderList response(ReadResponseHead(upstream));
  if (OnHTTPRemoteHTTPHeader) {
    OnHTTPRemoteHTTPHeader(*this, response);
  }
  ReportBytes(static_cast<std::int64_t>(response.Text().size()));
  if (ContentTypeBlocked(browser, response)) {
    return;
  }
  TransferBody(upstream, browser, response, false, StatusAllowsBody(response), target);
}

void THTTPProxyServer::CommandPost(TCommand& command, std::string_view method) {
  TTCPConnection& browser = command.Context.Connection;
  THeaderList headers(browser.Capture());
  headers.Insert(0, command.RawLine);
  TURI uri(Target(command));
  if (!PageAllowed(browser, uri)) {
    return;
  }
  TPostData body;
  const std::int64_t length = ContentLength(headers);
  if (length > 0 && ContainsText(headers.Value("Expect"), "100-continue")) {
    // The browser holds the body back until told to send it.
    browser.Write("HTTP/1.1 100 Continue\r\n\r\n");
  }
  if (length > 0) {
    browser.ReadExact(static_cast<std::uint64_t>(length),
                      [&body](const char* data, std::size_t size) {
                        body.Append({data, size});
                      });
  }
  if (BodyFramedByLength(headers)) {
    browser.MarkRequestRead();
  }
  TTCPClient upstream;
  const TUpstreamRecord record(command.Context, upstream);
  if (OnHTTPPost) {
    OnHTTPPost(*this, uri, headers, body);
  }
  // Through a proxy the browser's request line goes on as it came. Direct, the origin
  // is asked for HTTP/1.0, as for GET, so that it answers without chunked framing.
  TUpstreamChoice choice = ChooseUpstream(upstream, uri);
  if (choice.Refused) {
    SendNoUpstream(browser);
    return;
  }
  if (!uri.IsHTTP()) {
    SendAccessDenied(browser, "The server does only support http.");
    return;
  }
  if (!CheckCredentials(browser, headers)) {
    return;
  }
  PrepareForwardHeaders(headers);
  FrameBody(headers, body.Size());
  upstream.SetReadTimeout(UpstreamReadTimeout);
  ConnectChosen(browser, upstream, uri, choice, nullptr);
  const bool direct = choice.Direct;
  if (direct) {
    headers[0] = std::string(method) + " " + choice.Target + " HTTP/1.0";
  }
  const std::string text = ForwardedHead({}, {}, headers);
  upstream.Write(text);
  if (direct) {
    // The rewritten request line is counted on its own, the other lines with the empty line.
    ReportBytes(static_cast<std::int64_t>(headers[0].size()));
    ReportBytes(static_cast<std::int64_t>(text.size() - headers[0].size() - 2));
  } else {
    ReportBytes(static_cast<std::int64_t>(text.size()));
  }
  body.WriteTo(upstream);
  ReportBytes(static_cast<std::int64_t>(body.Size()));

  THeaderList response(ReadResponseHead(upstream));
  if (OnHTTPRemoteHTTPHeader) {
    OnHTTPRemoteHTTPHeader(*this, response);
  }
  TransferBody(upstream, browser, response, true, StatusAllowsBody(response), Target(command));
}

void THTTPProxyServer::CommandHead(TCommand& command) {
  TTCPConnection& browser = command.Context.Connection;
  THeaderList headers(browser.Capture());
  MarkReadIfBodiless(browser, headers);
  TURI uri(Target(command));
  if (!PageAllowed(browser, uri)) {
    return;
  }
  TTCPClient upstream;
  const TUpstreamRecord record(command.Context, upstream);
  if (OnHTTPHead) {
    OnHTTPHead(*this, uri, headers);
  }
  TUpstreamChoice choice = ChooseUpstream(upstream, uri);
  if (choice.Refused) {
    SendNoUpstream(browser);
    return;
  }
  if (!CheckCredentials(browser, headers)) {
    return;
  }
  PrepareForwardHeaders(headers);
  // Bounded like the other methods, so an upstream that never answers cannot hold the thread.
  upstream.SetReadTimeout(UpstreamReadTimeout);
  if (choice.Direct || !OnUpstreamFailed) {
    upstream.Connect();
  } else {
    ConnectChosen(browser, upstream, uri, choice, nullptr);
  }
  const std::string& target = choice.Target;
  const std::string head = ForwardedHead("HEAD", target, headers);
  upstream.Write(head);
  // The request line without its line end, then the header lines with the empty line.
  const std::size_t requestLine = std::string_view("HEAD  HTTP/1.0").size() + target.size();
  ReportBytes(static_cast<std::int64_t>(requestLine));
  ReportBytes(static_cast<std::int64_t>(head.size() - requestLine - 2));

  THeaderList response(ReadResponseHead(upstream));
  TransferBody(upstream, browser, response, true, false, Target(command));
}

void THTTPProxyServer::TransferBody(TTCPConnection& upstream, TTCPConnection& browser,
                                    THeaderList& responseHeaders, bool countHeaders, bool hasBody,
                                    const std::string& document) {
  const auto reportBlock = [this](std::size_t size) {
    ReportBytes(static_cast<std::int64_t>(size));
  };
  const std::int64_t length = hasBody ? ContentLength(responseHeaders) : 0;
  const std::size_t blockSize = static_cast<std::size_t>(std::max(1, DefaultTransferBlockSize()));
  const bool html = ContainsText(responseHeaders.Value("Content-Type"), "text/html");
  const bool filtered = html && hasBody && (BlockJavaScript() || OnHTTPDocument);
  if (filtered) {
    FilterBody(upstream, browser, responseHeaders, countHeaders, length, document);
    return;
  }
  // The header block and whatever of the body has already arrived (up to a block)
  // leave in one write.
  std::string text;
  text.reserve(responseHeaders.TextSize() + 2 +
               std::min<std::size_t>(upstream.BufferedSize(), blockSize));
  responseHeaders.AppendText(text);
  text.append("\r\n");
  if (countHeaders) {
    ReportBytes(static_cast<std::int64_t>(text.size()));
  }
  const std::uint64_t count =
      length < 0 ? TTCPConnection::UntilClose : static_cast<std::uint64_t>(length);
  const std::size_t early = upstream.TakeBuffered(text, std::min<std::uint64_t>(count, blockSize));
  browser.Write(text);
  if (early > 0) {
    reportBlock(early);
  }
  if (count > early) {
    upstream.RelayTo(browser, count == TTCPConnection::UntilClose ? count : count - early,
                     blockSize, reportBlock);
  }
}

void THTTPProxyServer::FilterBody(TTCPConnection& upstream, TTCPConnection& browser,
                                  THeaderList& responseHeaders, bool countHeaders,
                                  std::int64_t length, const std::string& document) {
  const std::size_t blockSize = static_cast<std::size_t>(std::max(1, DefaultTransferBlockSize()));
  // The filter may change the body, so no length is announced and the end of the body
  // is the end of the connection. Chunked framing comes off before the filter sees
  // the bytes, since a chunk's length would no longer hold after it.
  const bool chunked = ContainsText(responseHeaders.Value("Transfer-Encoding"), "chunked");
  DropFraming(responseHeaders);
  SendHeaders(browser, responseHeaders, countHeaders);

  const bool removeScripts = BlockJavaScript();
  TScriptFilter filter;
  TChunkedDecoder decoder;
  const auto pass = [&](std::string& text) {
    // At most one block a write, so each count reported stays within a block.
    for (std::size_t at = 0; at < text.size(); at += blockSize) {
      const std::size_t piece = std::min(blockSize, text.size() - at);
      browser.Write(std::string_view(text).substr(at, piece));
      ReportBytes(static_cast<std::int64_t>(piece));
    }
  };
  std::uint64_t left = length < 0 ? TTCPConnection::UntilClose : static_cast<std::uint64_t>(length);
  std::string block;
  std::string decoded;
  std::string out;
  bool ended = false;
  while (left > 0 && !ended) {
    block.clear();
    try {
      if (upstream.ReadAvailable(
              block, static_cast<std::size_t>(std::min<std::uint64_t>(left, blockSize))) == 0) {
        throw EReadTimeout();
      }
    } catch (const EConnClosedGracefully&) {
      break; // what arrived goes on, and the browser sees the end by the close
    }
    if (left != TTCPConnection::UntilClose) {
      left -= block.size();
    }
    std::string* text = &block;
    if (chunked) {
      decoded.clear();
      ended = decoder.Feed(block, decoded) != TChunkedDecoder::TResult::NeedMore;
      text = &decoded;
    }
    if (OnHTTPDocument) {
      OnHTTPDocument(*this, document, *text);
    }
    out.clear();
    if (removeScripts) {
      filter.Feed(*text, out);
    } else {
      out.swap(*text);
    }
    pass(out);
  }
  out.clear();
  filter.Finish(out);
  pass(out);
  if (filter.Found()) {
    TProxyStatistics increments;
    increments.BlockedJavaScript = filter.Removed();
    Report(increments);
  }
  browser.CloseGracefully();
}
