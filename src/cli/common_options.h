// Options that several commands share, written once.
#pragma once

#include "cli/cli.h"

namespace kaplo::cli {

// How an input text is read.
inline constexpr Option kInputCodeOption{
    "--code", "N", "0",
    "the code the input is read in: 0 its own (the charset it declares, else detection from "
    "the bytes: ISO-2022-JP, UTF-8, EUC-JP or Shift_JIS), 1 EUC-JP, 2 UTF-8, 3 Shift_JIS, "
    "4 ISO-2022-JP, 5 UTF-8N",
    "入力を読む文字コード: 0 入力自身のもの（宣言された charset、なければバイトから判定: "
    "ISO-2022-JP、UTF-8、EUC-JP、Shift_JIS）、1 EUC-JP、2 UTF-8、3 Shift_JIS、4 ISO-2022-JP、"
    "5 UTF-8N"};

}  // namespace kaplo::cli
