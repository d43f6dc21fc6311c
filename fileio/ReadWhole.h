#pragma once
// The one way both platforms read a whole file once it is open.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "fileio/FileIo.h"

// Reads up to Size bytes into Buffer; the count read, 0 at the end of the
// file, or -1 with Err set.
using TReadSome = std::function<long long(char* Buffer, std::size_t Size, int& Err)>;

// Reads the open file, which said it holds Size bytes, into Contents in
// memory bounded by that size: a file that grows to more than about twice
// it fails with EFBIG, memory that cannot be had with ENOMEM.
std::optional<TReadError> ReadWhole(std::uint64_t Size, std::string& Contents, const TReadSome& Read);
