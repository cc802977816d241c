#pragma once
// The commands of kavro-switch, each given its parsed command line; each
// returns the exit status. Results go to standard output, messages to
// standard error, one line each, prefixed "kavro-switch: ".

#include <string>

#include "cli/command_line.h"

namespace kavro::cli {

int Get(const CommandLine& line);
int Send(const CommandLine& line);
int Restore(const CommandLine& line);
int History(const CommandLine& line);
int Compare(const CommandLine& line);
int Show(const CommandLine& line);
int Diff(const CommandLine& line);
int Ports(const CommandLine& line);
int Site(const CommandLine& line);
int Report(const CommandLine& line);
int Simulate(const CommandLine& line);

// A message on standard error; Fail returns the failure status.
int Fail(const std::string& message);
void Warn(const std::string& message);

}  // namespace kavro::cli
