#include "workspace/page_check.h"

#include <iomanip>
#include <set>
#include <sstream>

#include "text/fsname.h"

namespace kaplo {

std::string PageCheckReport(const PageCheck& c) {
  std::ostringstream out;
  out << "[確認] 保存したページをそのフォルダーから開きました\n";
  out << "ネットワークへの要求 (保存されなかったもの): " << c.network_requests.size() << "\n";
  for (const std::string& url : c.network_requests) out << "  " << url << "\n";
  out << "見つからないファイル: " << c.missing_files.size() << "\n";
  for (const std::string& file : c.missing_files) out << "  " << file << "\n";
  if (!c.missing_on_server.empty()) {
    out << "ライブのページにもないファイル (サーバーが返さなかったもの): "
        << c.missing_on_server.size() << "\n";
    for (const std::string& file : c.missing_on_server) out << "  " << file << "\n";
  }
  out << "拒否した読み出しと送信 (file:、WebRTC、フォルダーの外): " << c.refused.size() << "\n";
  for (const std::string& attempt : c.refused) out << "  " << attempt << "\n";
  out << std::fixed << std::setprecision(2);
  if (c.differing_pixels_percent >= 0) {
    out << "ライブのページとの画素の違い (" << c.width << "x" << c.height << "): "
        << c.differing_pixels_percent << "%\n";
  } else {
    out << "ライブのページとの画素の違い: 比べられませんでした\n";
  }
  if (c.differing_text_percent >= 0) {
    out << "ライブのページとの文字の違い (行の割合): " << c.differing_text_percent << "%\n";
    for (const std::string& line : c.text_differences) out << "  " << line << "\n";
  } else {
    out << "ライブのページとの文字の違い: 比べられませんでした\n";
  }
  return out.str();
}

// Missing files whose resources the server itself failed to deliver: the
// live page misses them too, so they do not make the copy incomplete.
void SetAsideServerFailures(PageCheck& c, const std::vector<FailedResource>& failed) {
  std::set<std::string> undelivered;
  for (const FailedResource& f : failed) undelivered.insert(FsPath(f.local_path).string());
  std::erase_if(c.missing_files, [&](const std::string& file) {
    if (!undelivered.contains(file)) return false;
    c.missing_on_server.push_back(file);
    return true;
  });
  // A one-file page keeps the address of what the server did not deliver.
  std::set<std::string> addresses;
  for (const FailedResource& f : failed) addresses.insert(f.url);
  std::erase_if(c.network_requests, [&](const std::string& url) {
    if (!addresses.contains(url)) return false;
    c.missing_on_server.push_back(url);
    return true;
  });
}

bool PageCheckPassed(const PageCheck& c) {
  return c.error.empty() && c.network_requests.empty() && c.missing_files.empty() &&
         c.refused.empty() && c.text_differences.empty();
}

}  // namespace kaplo
