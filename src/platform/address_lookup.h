#pragma once
// The numeric addresses a host name stands for, each written one way only, so
// that two names of one machine can be told to be one: "localhost",
// "LOCALHOST", "127.1" and "::ffff:127.0.0.1" all give "127.0.0.1". IPv6
// addresses come compressed and in lower case ("::1").

#include <string>
#include <vector>

#include "platform/result.h"

namespace platform {

// How long a lookup of a name (not a numeric address) may take: a name
// server that does not answer must not hold a run up.
inline constexpr int kAddressLookupLimitMs = 5000;

// The host's addresses, sorted and without repeats. NotFound when the name
// does not resolve within `limitMs`, with what the resolver said.
Result<std::vector<std::string>> LookUpAddresses(const std::string& host, int limitMs = kAddressLookupLimitMs);

// One question to the system's resolver, which has no time limit of its
// own: the addresses as LookUpAddresses writes them, in any order and
// perhaps repeated; NotFound with what the resolver said. `numericOnly`
// never asks a name server.
Result<std::vector<std::string>> AskResolver(const std::string& host, bool numericOnly);

}  // namespace platform
