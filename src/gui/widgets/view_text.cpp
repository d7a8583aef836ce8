#include "gui/widgets/view_text.h"

#include <algorithm>

#include "text/convert.h"
#include "text/cp932.h"
#include "text/sjis.h"

namespace kaplo::gui {

QString SjisToViewText(std::string_view sjis) {
  const std::string utf8 = ShiftJISToUtf8(sjis);
  QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  if (text.contains(QLatin1Char('\r'))) {
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  }
  return text;
}

std::vector<int> SjisToViewPositions(std::string_view sjis) {
  std::vector<int> pos(sjis.size() + 1);
  const auto at = [&](std::size_t i) { return static_cast<unsigned char>(sjis[i]); };
  int u = 0;
  std::size_t i = 0;
  while (i < sjis.size()) {
    const unsigned char b = at(i);
    const bool pair = i + 1 < sjis.size() && ((b == '\r' && at(i + 1) == '\n') ||
                                              (IsSjisLeadByte(b) && IsSjisTrailByte(at(i + 1))));
    pos[i] = u;
    if (pair) pos[i + 1] = u;
    i += pair ? 2 : 1;
    ++u;
  }
  pos[sjis.size()] = u;
  return pos;
}

ViewSjis ViewTextToSjis(QStringView text) {
  const cp932::Tables& table = cp932::Get();
  ViewSjis out;
  out.bytes.reserve(static_cast<std::size_t>(text.size()) * 2);
  out.pos.reserve(static_cast<std::size_t>(text.size()) * 2 + 1);
  const auto put = [&](unsigned char b, int from) {
    out.bytes.push_back(static_cast<char>(b));
    out.pos.push_back(from);
  };
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    const int from = static_cast<int>(i);
    const char16_t c = text[i].unicode();
    if (c < 0x80) {
      put(static_cast<unsigned char>(c), from);
    } else if (QChar::isSurrogate(c)) {
      // Beyond the BMP (or a broken pair): no Shift_JIS form.
      if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate()) ++i;
      put('?', from);
    } else if (const std::uint16_t e = table.encode[c]; e == 0) {
      put('?', from);
    } else if (e < 0x100) {
      put(static_cast<unsigned char>(e), from);
    } else {
      put(static_cast<unsigned char>(e >> 8), from);
      put(static_cast<unsigned char>(e & 0xFF), from);
    }
  }
  out.pos.push_back(static_cast<int>(n));
  return out;
}

namespace {

// Cuts each stretch at the line breaks it crosses and merges neighbours of
// one colour, so a line gets as few ranges as its colours need.
template <typename Stretch>
LineFormats BuildLineFormats(QStringView text, const std::vector<int>& pos,
                             std::span<const Stretch> stretches,
                             std::span<const QTextCharFormat> formats) {
  std::vector<int> line_starts{0};
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == QLatin1Char('\n')) line_starts.push_back(static_cast<int>(i) + 1);
  }
  // Entries drawn alike (several kinds share a colour) merge as one.
  std::vector<int> same_as(formats.size());
  for (std::size_t i = 0; i < formats.size(); ++i) {
    same_as[i] = static_cast<int>(i);
    for (std::size_t j = 0; j < i; ++j) {
      if (formats[j] == formats[i]) {
        same_as[i] = static_cast<int>(j);
        break;
      }
    }
  }
  LineFormats lines(line_starts.size());
  const int text_end = static_cast<int>(text.size());
  const std::size_t last_byte = pos.empty() ? 0 : pos.size() - 1;
  std::size_t line = 0;
  int last_color = -1;  // colour of the last range of the current line
  for (const Stretch& s : stretches) {
    if (s.color_index < 0 || static_cast<std::size_t>(s.color_index) >= formats.size()) continue;
    const int color = same_as[static_cast<std::size_t>(s.color_index)];
    if (formats[static_cast<std::size_t>(color)].propertyCount() == 0) continue;
    const std::size_t first_byte = std::min(s.offset, last_byte);
    int from = pos[first_byte];
    const int to = std::min(pos[std::min(s.offset + s.length, last_byte)], text_end);
    while (from < to) {
      while (line + 1 < line_starts.size() && line_starts[line + 1] <= from) {
        ++line;
        last_color = -1;
      }
      const int line_start = line_starts[line];
      const int line_end = line + 1 < line_starts.size() ? line_starts[line + 1] - 1 : text_end;
      const int piece_end = std::min(to, line_end);
      if (piece_end > from) {
        auto& ranges = lines[line];
        if (last_color == color &&
            ranges.back().start + ranges.back().length == from - line_start) {
          ranges.back().length += piece_end - from;
        } else {
          ranges.append(
              {from - line_start, piece_end - from, formats[static_cast<std::size_t>(color)]});
          last_color = color;
        }
      }
      from = std::max(piece_end, line_end + 1);  // past the line break
    }
  }
  return lines;
}

}  // namespace

LineFormats ToLineFormats(QStringView text, const std::vector<int>& pos,
                          std::span<const HtmlColorSpan> spans,
                          std::span<const QTextCharFormat> formats) {
  return BuildLineFormats(text, pos, spans, formats);
}

LineFormats ToLineFormats(QStringView text, const std::vector<int>& pos,
                          std::span<const RtfColorRun> runs,
                          std::span<const QTextCharFormat> formats) {
  return BuildLineFormats(text, pos, runs, formats);
}

}  // namespace kaplo::gui
