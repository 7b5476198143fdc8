// The program's command line, `serialterm [OPTIONS] [PORT…]`, read with QCommandLineParser
// before any window opens. A bad option or value is said in words on `messages` (stderr) and
// answers exit status 2; --help and --version go there too, since standard output carries
// the log, and answer 0. Without arguments every start option stays empty.
#pragma once

#include "app/startup/StartOptions.h"

#include <QStringList>

#include <cstdio>
#include <optional>

namespace CommandLine {

struct Outcome {
    std::optional<int> exitStatus; // set when main is to return it at once, opening no window
    StartOptions options;
};

// `arguments` as QCoreApplication::arguments() has them, the program's name first.
Outcome read(const QStringList& arguments, std::FILE* messages = stderr);

} // namespace CommandLine
