// kvconvert: converts pictures between the formats of the suite from the command line.
#include "picture_io.h"

#include <kaldorgl/kaldorgl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: kvconvert [--mode MODE] [--quality N] [--order ORDER] [--bits 24|32] INPUT OUTPUT\n"
    "       kvconvert --info FILE\n";

constexpr const char* kHelp =
    "Converts a BMP, CEL, JPEG, PCX, TGA or KVI picture to BMP, PCX, TGA or KVI; OUTPUT's\n"
    "extension picks the writer.\n"
    "\n"
    "  --mode MODE     KVI coding: none, A1, A1E, A2, A2E, A3, A3E, B1 (default B1)\n"
    "  --quality N     KVI B1 quality, 0-100 (default 100)\n"
    "  --order ORDER   KVI channel order: rgba, bgra, argb, abgr, rgbx, bgrx, xrgb, xbgr\n"
    "                  (default rgba)\n"
    "  --bits 24|32    KVI stored depth (default 32)\n"
    "  --info FILE     print the picture's size and type (for KVI every header field)\n"
    "  --help          show this help\n"
    "  --version       show the version\n";

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
    std::vector<std::string> files;
};

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
    } else {
        throw UsageError{"unknown option '" + name + "'"};
    }
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
            if (i + 1 >= argc) throw UsageError{"option '" + arg + "' needs a value"};
            applyOption(command, arg, argv[++i]);
        }
    }
    const size_t wanted = command.kind == Command::Info ? 1 : 2;
    if (command.files.size() != wanted)
        throw UsageError{command.kind == Command::Info ? "--info takes one file and nothing else"
                                                       : "INPUT and OUTPUT are needed"};
    return command;
}

int fail(const kvconvert::Result& result) {
    std::fprintf(stderr, "kvconvert: %s\n", result.error.c_str());
    return 1;
}

int run(const Command& command) {
    if (command.kind == Command::Info) {
        std::string text;
        const kvconvert::Result result = kvconvert::describe(command.files[0], text);
        if (!result.ok()) return fail(result);
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    kvconvert::Picture picture;
    kvconvert::Result result = kvconvert::loadPicture(command.files[0], picture);
    if (!picture.warning.empty())
        std::fprintf(stderr, "kvconvert: %s: warning: %s\n", command.files[0].c_str(), picture.warning.c_str());
    if (result.ok()) result = kvconvert::savePicture(command.files[1], picture, command.kvi);
    return result.ok() ? 0 : fail(result);
}

}  // namespace

int main(int argc, char** argv) {
    Command command;
    try {
        command = parse(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "kvconvert: %s\n%s", error.message.c_str(), kUsage);
        return 2;
    }
    switch (command.kind) {
        case Command::Help: std::printf("%s\n%s", kUsage, kHelp); return 0;
        case Command::Version:
            std::printf("kvconvert 0.4.0 (KaldorGL %u)\n", CKaldorGL().GetVersion());
            return 0;
        default: return run(command);
    }
}
