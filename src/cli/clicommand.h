#pragma once
// Commands of korvel-cli. Each command lives in its own source file and registers itself
// with a static CliCommand object; main() dispatches on the first argument.

#include <QStringList>

#include <vector>

namespace korvel::cli {

// Runs a command with the arguments after its name; returns the process exit status.
using CliHandler = int (*)(const QStringList& args);

struct CliCommand {
    CliCommand(const char* name, const char* usage, CliHandler handler);
    const char* name;
    const char* usage;
    CliHandler handler;
};

const std::vector<const CliCommand*>& Commands();

}  // namespace korvel::cli
