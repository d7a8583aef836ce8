// HTTP heads and bodies as a web archive keeps them: HTTP/1.1 text whatever
// the wire spoke, the body without its chunk framing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kaplo {

// A request head as sent, its request line saying HTTP/1.1 when the wire
// spoke HTTP/2 or HTTP/3.
std::string ArchivedRequestHead(std::string_view sent);

struct ArchivedResponseHead {
  std::string text;     // status line, headers, the empty line
  int status = 0;       // 0 when the status line is not HTTP's
  bool chunked = false; // the body came chunked and is kept without the framing
};

// A response head as received. HTTP/2 and HTTP/3 status lines become
// HTTP/1.1 ones with the usual reason phrase. A chunked body is kept decoded,
// so its Transfer-Encoding header is kept as X-Archive-Orig-Transfer-Encoding
// and readers take the body as it stands.
ArchivedResponseHead ArchiveResponseHead(std::string_view received);

// The status of "HTTP/x y reason"; 0 when the line is not one.
int StatusOfLine(std::string_view status_line);

// ASCII letters' case ignored, as header names compare.
bool EqualsNoCase(std::string_view a, std::string_view b);

// The value of header name (letter case ignored) in a head; empty when absent.
std::string HeaderValue(std::string_view head, std::string_view name);

// Takes the chunk framing off a body as it comes.
class Dechunker {
 public:
  // Appends the payload bytes in `in` to out; false once the framing is wrong.
  bool Feed(std::string_view in, std::string& out);
  // The last chunk (size 0) has come.
  bool done() const { return state_ == State::Trailer || state_ == State::Done; }
  bool failed() const { return state_ == State::Failed; }

 private:
  enum class State { Size, Extension, SizeLf, Data, DataCr, DataLf, Trailer, Done, Failed };
  State state_ = State::Size;
  std::uint64_t left_ = 0;
  int digits_ = 0;
  std::string trailer_line_;
};

}  // namespace kaplo
