// korvel-cli: the headless front door of Korvel (batch conversion, dumps, replay).
#include "cli/clicommand.h"
#include "imagery/gimg.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace korvel::cli {

namespace {
std::vector<const CliCommand*>& Registry()
{
    static std::vector<const CliCommand*> commands;
    return commands;
}
}  // namespace

CliCommand::CliCommand(const char* n, const char* u, CliHandler h) : name(n), usage(u), handler(h)
{
    Registry().push_back(this);
}

const std::vector<const CliCommand*>& Commands() { return Registry(); }

}  // namespace korvel::cli

namespace {

void PrintUsage(FILE* out)
{
    std::fprintf(out, "Aufruf: korvel-cli BEFEHL [ARGUMENTE]\n\nBefehle:\n");
    std::vector<const korvel::cli::CliCommand*> sorted = korvel::cli::Commands();
    std::sort(sorted.begin(), sorted.end(),
              [](const auto* a, const auto* b) { return std::strcmp(a->name, b->name) < 0; });
    for (const auto* c : sorted) std::fprintf(out, "  %s\n", c->usage);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Documents may hold raster images: their class must be known before any is read.
    korvel::RegisterImageryClasses();
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        PrintUsage(stderr);
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == QLatin1String("--help") || name == QLatin1String("-h") || name == QLatin1String("help")) {
        PrintUsage(stdout);
        return 0;
    }
    for (const auto* c : korvel::cli::Commands()) {
        if (name == QLatin1String(c->name)) return c->handler(args);
    }
    std::fprintf(stderr, "Unbekannter Befehl: %s\n\n", qPrintable(name));
    PrintUsage(stderr);
    return 2;
}
