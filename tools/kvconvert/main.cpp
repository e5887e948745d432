// kvconvert: converts pictures between the formats of the suite from the command line.
#include "activity.h"
#include "kvconvert_help.h"
#include "picture_io.h"

#include <kaldorgl/kaldorgl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace help = kvhelp_kvconvert;

struct UsageError {
    std::string message;
};

std::optional<uint32_t> lookup(const std::string& value, const std::vector<std::string>& names) {
    for (size_t i = 0; i < names.size(); ++i)
        if (value == names[i]) return static_cast<uint32_t>(i);
    return std::nullopt;
}

std::optional<uint32_t> parseNumber(const std::string& text, uint32_t max) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value > max) return std::nullopt;
    return static_cast<uint32_t>(value);
}

struct Command {
    enum Kind { Convert, Info, Help, Version } kind = Convert;
    kvconvert::KviOptions kvi;
    bool kviOptionGiven = false;
    std::vector<std::string> files;
};

bool isValueOption(const std::string& name) {
    for (const char* known : {"--mode", "--quality", "--order", "--bits", "--info"})
        if (name == known) return true;
    return false;
}

void applyOption(Command& command, const std::string& name, const std::string& value) {
    static const std::vector<std::string> modes = {"none", "A1", "A1E", "A2", "A2E", "A3", "A3E", "B1"};
    static const std::vector<std::string> orders = {"rgba", "bgra", "argb", "abgr", "rgbx", "bgrx", "xrgb", "xbgr"};
    if (name == "--mode") {
        const auto mode = lookup(value, modes);
        if (!mode) throw UsageError{"unknown mode '" + value + "'"};
        command.kvi.mode = *mode == 7 ? 256 : *mode;
    } else if (name == "--quality") {
        const auto quality = parseNumber(value, 100);
        if (!quality) throw UsageError{"quality must be 0 to 100"};
        command.kvi.quality = *quality;
    } else if (name == "--order") {
        const auto order = lookup(value, orders);
        if (!order) throw UsageError{"unknown order '" + value + "'"};
        command.kvi.order = *order;
    } else if (name == "--bits") {
        if (value != "24" && value != "32") throw UsageError{"bits must be 24 or 32"};
        command.kvi.bits = value == "24" ? 24 : 32;
    } else if (name == "--info") {
        command.kind = Command::Info;
        command.files.push_back(value);
        return;
    } else {
        throw UsageError{"unknown option '" + name + "'"};
    }
    command.kviOptionGiven = true;
}

Command parse(int argc, char** argv) {
    Command command;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsDone || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            command.files.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsDone = true;
        } else if (arg == "--help") {
            command.kind = Command::Help;
            return command;
        } else if (arg == "--version") {
            command.kind = Command::Version;
            return command;
        } else if (const size_t eq = arg.find('='); eq != std::string::npos) {
            applyOption(command, arg.substr(0, eq), arg.substr(eq + 1));
        } else {
            if (!isValueOption(arg)) throw UsageError{"unknown option '" + arg + "'"};
            if (i + 1 >= argc) throw UsageError{"option '" + arg + "' needs a value"};
            applyOption(command, arg, argv[++i]);
        }
    }
    const size_t wanted = command.kind == Command::Info ? 1 : 2;
    if (command.files.size() != wanted)
        throw UsageError{command.kind == Command::Info ? "--info takes one file and nothing else"
                                                       : "INPUT and OUTPUT are needed"};
    if (command.kviOptionGiven && (command.kind == Command::Info || !kvconvert::hasExtension(command.files[1], ".kvi")))
        throw UsageError{"--mode, --quality, --order and --bits apply to a .kvi OUTPUT only"};
    return command;
}

// "kvconvert: FILE: cannot read: REASON"; 1, the exit status of a failed conversion.
int fail(const std::string& file, const char* side, const kvconvert::Result& result) {
    std::fprintf(stderr, "kvconvert: %s: %s: %s\n", file.c_str(), side, result.error.c_str());
    return 1;
}

// step(), with its activity shown on a terminal while it lasts.
template <class Step>
kvconvert::Result during(const char* what, const std::string& file, Step step) {
    const kvconvert::Activity activity(kvconvert::Activity::terminal(), what, file);
    return step();
}

int run(const Command& command) {
    if (command.kind == Command::Info) {
        std::string text;
        const kvconvert::Result result = kvconvert::describe(command.files[0], text);
        if (!result.ok()) return fail(command.files[0], "cannot read", result);
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    const std::string& input = command.files[0];
    const std::string& output = command.files[1];
    // A name no writer takes fails before the input is read.
    if (const kvconvert::Result writer = kvconvert::checkWriter(output); !writer.ok())
        return fail(output, "cannot write", writer);
    kvconvert::Picture picture;
    const kvconvert::Result read = during("reading", input, [&] { return kvconvert::loadPicture(input, picture); });
    if (!picture.warning.empty())
        std::fprintf(stderr, "kvconvert: %s: warning: %s\n", input.c_str(), picture.warning.c_str());
    if (!read.ok()) return fail(input, "cannot read", read);
    const kvconvert::Result written =
        during("writing", output, [&] { return kvconvert::savePicture(output, picture, command.kvi); });
    return written.ok() ? 0 : fail(output, "cannot write", written);
}

}  // namespace

int main(int argc, char** argv) {
    Command command;
    try {
        command = parse(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "kvconvert: %s\n%s", error.message.c_str(), help::usage);
        return 2;
    }
    switch (command.kind) {
        case Command::Help: std::fputs(help::text, stdout); return 0;
        case Command::Version:
            std::printf("%s %s (KaldorGL %u)\n", help::name, help::version, CKaldorGL().GetVersion());
            return 0;
        default: return run(command);
    }
}
