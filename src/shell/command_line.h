// The command-line conventions the four programs share: `--version` prints the version the
// display unit's window title shows, help goes to standard output with exit code 0, and every
// usage error (CLI11's own included) is one line on standard error and exit code 2.
#pragma once

#include "shell/program_info.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>

inline void CommandLineAddVersion(CLI::App& app, const char* program)
{
    app.set_version_flag("--version", std::string(program) + " " + OrvexVersionText,
                         "Print the version and exit");
}

// Help that shows what a value is ("DIR", "N >= 1", "VALUE") without the parser's type
// tags ("TEXT:DIR", "INT:N >= 1").
class CommandLineFormatter : public CLI::Formatter {
public:
    std::string make_option_opts(const CLI::Option* opt) const override
    {
        std::string text = CLI::Formatter::make_option_opts(opt);
        std::string type = opt->get_type_name();
        if (type.empty() || !opt->get_option_text().empty())
            return text;
        std::string plain = type.substr(type.find_last_of(':') == std::string::npos ? 0 : type.find_last_of(':') + 1);
        if (plain == "TEXT")
            plain = "VALUE";
        else if (plain == "INT" || plain == "UINT")
            plain = "N";
        else if (plain == "FLOAT")
            plain = "NUMBER";
        size_t at = text.find(type);
        if (at != std::string::npos)
            text.replace(at, type.size(), plain);
        return text;
    }
};

// Parses argv into `app`. Returns -1 when the program should go on, else the code to exit
// with at once: 0 after --help or --version, ExitUsage after one line naming the fault.
inline int CommandLineParse(CLI::App& app, int argc, char** argv, const char* program)
{
    app.formatter(std::make_shared<CommandLineFormatter>());
    try {
        app.parse(argc, argv);
        return -1;
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e);   // --help, --help-all, --version: printed on standard output
        std::string reason = e.what();
        for (char& c : reason)
            if (c == '\n' || c == '\r')
                c = ' ';
        std::fprintf(stderr, "%s: %s (see %s --help)\n", program, reason.c_str(), program);
        return ExitUsage;
    }
}

// A number above `low` (or at least `low` when `inclusive`), told in words rather than
// CLI11's range with its 300-digit upper bound.
inline CLI::Validator CommandLineNumberAbove(double low, bool inclusive, const std::string& words)
{
    return CLI::Validator(
        [=](std::string& value) {
            char* end = nullptr;
            double number = std::strtod(value.c_str(), &end);
            bool ok = !value.empty() && end && *end == '\0' && number == number &&
                      (inclusive ? number >= low : number > low);
            return ok ? std::string() : "must be " + words + ", not " + value;
        },
        words);
}
