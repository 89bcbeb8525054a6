#pragma once

#include <optional>
#include <string>
#include <vector>

// The runner's arguments. The project file is the first argument that is not
// a switch; a switch is an argument that is exactly "/", "-" or "~" followed
// by s (source), t (target), l (log) or v (validate: an XML Schema), or
// "--validate", and its value is the next argument, as is the value of
// "--locale", "--threads", "--write-schema", "--part" (K/N) and "--plan" (a
// count N when there is no --part, else a plan file); "--merge" takes every
// argument after it up to the next switch (part files); "--gzip" compresses
// output to standard output, "--set-validation" makes a written schema the
// definition's own validation schema. Anything else
// (such as "/S") is ignored, so paths are never mistaken for switches.
struct CommandLine {
    std::vector<std::string> arguments;
    std::optional<std::string> project;
    std::optional<std::string> source;
    std::optional<std::string> target;
    std::optional<std::string> log;
    std::optional<std::string> validate;
    std::optional<std::string> locale;
    std::optional<std::string> threads;
    std::optional<std::string> writeSchema;
    std::optional<std::string> part;
    std::optional<std::string> plan;
    std::optional<std::vector<std::string>> merge;
    bool gzip = false;
    bool setValidation = false;

    static CommandLine Parse(int argc, char** argv);
    // The arguments joined by spaces; empty ones and ones with a space quoted.
    std::string Display() const;
};
