// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Text conversions for member names and comments. Internally every name is
// UTF-8; only the C interface converts to the caller's narrow encoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace unrar {

bool isValidUtf8(const std::string &text);

// UTF-16 code units (pairs combined; lone surrogates become U+FFFD).
std::string utf16ToUtf8(const std::vector<std::uint16_t> &units);

// Text in an unknown legacy code page: kept when it is valid UTF-8 (ASCII
// included), else read as Windows-1252, the usual code page of such names.
std::string legacyToUtf8(const std::string &bytes);

// Valid UTF-8 with every invalid byte replaced by U+FFFD.
std::string sanitizeUtf8(const std::string &bytes);

// The longest prefix of UTF-8 text that has at most maxBytes bytes and does
// not split a character.
std::string utf8Prefix(const std::string &text, std::size_t maxBytes);

// Limits on what a header may make us keep.
constexpr std::size_t kMaxNameBytes = 4096;
constexpr std::size_t kMaxCommentBytes = 256 * 1024;

// A member name as this library hands it out: UTF-8 up to its first NUL,
// '\' between its parts (archivers write '/' too), at most kMaxNameBytes.
std::string memberPath(std::string utf8);

// UTF-8 to the narrow encoding callers expect from this library: UTF-8 on
// Unix-like systems whatever the C locale, the ANSI code page on Windows.
// The result fits in maxBytes without splitting a character.
std::string toHostText(const std::string &utf8, std::size_t maxBytes);

} // namespace unrar
