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

// The option at args[*i], written "--name=value" or "--name value": sets `name` and `value`
// (after the second form *i stands on the value's word). False when no value follows.
inline bool SplitOption(const QStringList& args, qsizetype* i, QString* name, QString* value)
{
    *name = args[*i];
    const qsizetype eq = name->indexOf(QLatin1Char('='));
    if (eq > 0) {
        *value = name->mid(eq + 1);
        name->truncate(eq);
        return true;
    }
    if (*i + 1 >= args.size()) return false;
    *value = args[++*i];
    return true;
}

}  // namespace korvel::cli
