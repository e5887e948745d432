// Each program as a new user first meets it: --help, --version and a mistyped option, run
// without a display from an empty folder that must stay empty.
#include "testsupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kPrograms = {KV_PROGRAM_PATHS};

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class Cli : public testing::TestWithParam<std::string> {
protected:
    std::string name() const { return fs::path(GetParam()).filename().string(); }

    Outcome run(const std::string& arguments) {
        const std::string d = dir_.path().string();
        const std::string command = "cd '" + d + "/work' && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                    GetParam() + "' " + arguments + " >'" + d + "/out' 2>'" + d + "/err'";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text("out"), text("err")};
    }

    void SetUp() override { fs::create_directory(dir_.path() / "work"); }

    // What the program left in the folder it ran in.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.path() / "work")) names.push_back(entry.path().filename());
        return names;
    }

private:
    std::string text(const std::string& file) const {
        const kvtest::Bytes bytes = kvtest::readFile(dir_.file(file));
        return std::string(bytes.begin(), bytes.end());
    }

    kvtest::TempDir dir_;
};

TEST_P(Cli, HelpAndVersionPrintAndDoNothingElse) {
    const Outcome help = run("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: " + name() + " ", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos);
    EXPECT_NE(help.out.find("Exit status:"), std::string::npos);
    EXPECT_EQ(help.err, "");

    const Outcome version = run("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind(name() + " " KV_SUITE_VERSION, 0), 0u) << version.out;
    EXPECT_EQ(version.out.find('\n'), version.out.size() - 1) << "one line";
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

TEST_P(Cli, UnknownOptionIsAUsageError) {
    const Outcome bogus = run("--bogus");
    EXPECT_EQ(bogus.exitCode, 2);
    EXPECT_EQ(bogus.out, "");
    EXPECT_NE(bogus.err.find("usage: " + name()), std::string::npos) << bogus.err;
    EXPECT_NE(bogus.err.find("'--bogus'"), std::string::npos) << "says which option: " << bogus.err;
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

// The man page is made from the --help text: its synopsis and every option are there.
TEST_P(Cli, ManPageComesFromTheHelpText) {
    const kvtest::Bytes bytes = kvtest::readFile(KV_MAN_DIR "/" + name() + ".1");
    const std::string page(bytes.begin(), bytes.end());
    ASSERT_FALSE(page.empty()) << "no man page for " << name();
    EXPECT_NE(page.find(".SH NAME\n" + name() + " \\- "), std::string::npos);
    EXPECT_NE(page.find(".SH SYNOPSIS"), std::string::npos);
    EXPECT_NE(page.find("\\fB\\-\\-help\\fR"), std::string::npos);
    EXPECT_NE(page.find("\\fB\\-\\-version\\fR"), std::string::npos);
    EXPECT_NE(page.find(".SH EXIT STATUS"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Programs, Cli, testing::ValuesIn(kPrograms),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return fs::path(info.param).filename().string();
                         });

}  // namespace
