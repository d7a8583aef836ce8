#include "archive/http_message.h"

#include <algorithm>
#include <cstdint>

#include "text/strutil.h"

namespace kaplo {
namespace {

std::string_view ReasonPhrase(int status) {
  switch (status) {
    case 100: return "Continue";
    case 101: return "Switching Protocols";
    case 200: return "OK";
    case 201: return "Created";
    case 202: return "Accepted";
    case 203: return "Non-Authoritative Information";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 300: return "Multiple Choices";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 406: return "Not Acceptable";
    case 408: return "Request Timeout";
    case 410: return "Gone";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    case 504: return "Gateway Timeout";
    default: return "";
  }
}

// The lines of a head, without their line ends.
template <typename F>
void ForEachLine(std::string_view head, F f) {
  while (!head.empty()) {
    const std::size_t nl = head.find('\n');
    std::string_view line = head.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    f(line);
    if (nl == std::string_view::npos) break;
    head.remove_prefix(nl + 1);
  }
}

bool IsLaterHttp(std::string_view version) { return version == "HTTP/2" || version == "HTTP/3"; }

}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string ArchivedRequestHead(std::string_view sent) {
  const std::size_t eol = sent.find("\r\n");
  std::string_view line = sent.substr(0, eol);
  const std::size_t space = line.rfind(' ');
  if (eol == std::string_view::npos || space == std::string_view::npos ||
      !IsLaterHttp(line.substr(space + 1))) {
    return std::string(sent);
  }
  return std::string(line.substr(0, space)) + " HTTP/1.1" + std::string(sent.substr(eol));
}

int StatusOfLine(std::string_view line) {
  if (!line.starts_with("HTTP/")) return 0;
  const std::size_t space = line.find(' ');
  if (space == std::string_view::npos || line.size() < space + 4) return 0;
  int status = 0;
  for (std::size_t i = space + 1; i < space + 4; ++i) {
    if (line[i] < '0' || line[i] > '9') return 0;
    status = status * 10 + (line[i] - '0');
  }
  if (line.size() > space + 4 && line[space + 4] != ' ' && line[space + 4] != '\r') return 0;
  return status;
}

std::string HeaderValue(std::string_view head, std::string_view name) {
  std::string value;
  bool first = true, found = false;
  ForEachLine(head, [&](std::string_view line) {
    if (first || found) {
      first = false;
      return;
    }
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && EqualsNoCase(Trim(line.substr(0, colon)), name)) {
      value = std::string(Trim(line.substr(colon + 1)));
      found = true;
    }
  });
  return value;
}

ArchivedResponseHead ArchiveResponseHead(std::string_view received) {
  ArchivedResponseHead out;
  bool first = true;
  ForEachLine(received, [&](std::string_view line) {
    if (first) {
      first = false;
      out.status = StatusOfLine(line);
      const std::size_t space = line.find(' ');
      if (out.status != 0 && IsLaterHttp(line.substr(0, space))) {
        out.text += "HTTP/1.1 " + std::to_string(out.status) + " " +
                    std::string(ReasonPhrase(out.status)) + "\r\n";
        return;
      }
    } else if (line.empty()) {
      return;
    } else {
      const std::size_t colon = line.find(':');
      if (colon != std::string_view::npos &&
          EqualsNoCase(Trim(line.substr(0, colon)), "Transfer-Encoding") &&
          EqualsNoCase(Trim(line.substr(colon + 1)), "chunked")) {
        out.chunked = true;
        out.text += "X-Archive-Orig-" + std::string(line) + "\r\n";
        return;
      }
    }
    out.text += std::string(line) + "\r\n";
  });
  out.text += "\r\n";
  return out;
}

bool Dechunker::Feed(std::string_view in, std::string& out) {
  for (std::size_t i = 0; i < in.size() && state_ != State::Failed && state_ != State::Done;) {
    const char c = in[i];
    switch (state_) {
      case State::Size: {
        int digit = -1;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        if (digit >= 0 && digits_ < 15) {
          left_ = left_ * 16 + static_cast<std::uint64_t>(digit);
          ++digits_;
        } else if (digits_ > 0 && (c == ';' || c == ' ' || c == '\t')) {
          state_ = State::Extension;
        } else if (digits_ > 0 && c == '\r') {
          state_ = State::SizeLf;
        } else {
          state_ = State::Failed;
        }
        ++i;
        break;
      }
      case State::Extension:
        if (c == '\r') state_ = State::SizeLf;
        ++i;
        break;
      case State::SizeLf:
        state_ = c != '\n' ? State::Failed : left_ == 0 ? State::Trailer : State::Data;
        ++i;
        break;
      case State::Data: {
        const std::size_t take =
            static_cast<std::size_t>(std::min<std::uint64_t>(left_, in.size() - i));
        out.append(in.substr(i, take));
        left_ -= take;
        i += take;
        if (left_ == 0) state_ = State::DataCr;
        break;
      }
      case State::DataCr:
        state_ = c == '\r' ? State::DataLf : State::Failed;
        ++i;
        break;
      case State::DataLf:
        state_ = c == '\n' ? State::Size : State::Failed;
        digits_ = 0;
        ++i;
        break;
      case State::Trailer:
        // Trailer fields, then an empty line.
        if (c == '\n') {
          state_ = trailer_line_.empty() ? State::Done : State::Trailer;
          trailer_line_.clear();
        } else if (c != '\r') {
          trailer_line_ += c;
        }
        ++i;
        break;
      case State::Done:
      case State::Failed:
        break;
    }
  }
  return state_ != State::Failed;
}

}  // namespace kaplo
