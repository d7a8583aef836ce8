// Web archives read back for the tests, and bodies decoded as a browser would.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "archive/warc_reader.h"

namespace kaplo::test {

struct ReadBack {
  std::vector<WarcRecord> records;
  std::string ended;  // what ended the reading early; empty when it reached the end
};

ReadBack ReadArchive(const std::filesystem::path& file);

// The payload with its Content-Encoding (gzip, deflate, br) taken off; the
// payload itself when there is none; "<undecodable>" when it does not decode.
std::string DecodedPayload(const WarcRecord& response);

}  // namespace kaplo::test
