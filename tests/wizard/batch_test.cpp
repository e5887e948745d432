// The program itself in batch mode, as scripts and CI run it.
#include "testsupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class BatchTest : public testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_.path() / "config" / "Orlen Works");
        fs::create_directories(dir_.path() / "viewer");
    }

    // Runs the wizard in the temporary folder with its own settings.
    Outcome wizard(const std::string& arguments) {
        const std::string d = dir_.path().string();
        const std::string command = "cd '" + d + "' && env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME='" + d +
                                    "/config' '" WIZARD_PROGRAM "' " + arguments + " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text("out.txt"), text("err.txt")};
    }
    std::string text(const std::string& name) {
        const kvtest::Bytes bytes = kvtest::readFile(dir_.file(name));
        return std::string(bytes.begin(), bytes.end());
    }
    void writeText(const std::string& name, const std::string& content) {
        kvtest::writeFile(dir_.file(name), kvtest::Bytes(content.begin(), content.end()));
    }

    kvtest::TempDir dir_;
};

TEST_F(BatchTest, MessagesGoToStandardOutputAndTheExitCodeTellsTheOutcome) {
    writeText("ok.lua", "pwInfo('two\\nlines') pwCreateImage(0, 4, 4, RGB(1, 2, 3)) pwSaveImage('x.tga', 0)");
    Outcome run = wizard("--run ok.lua");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "Information!: two\\nlines\n"
                       "Все ОК: Выполнение скрипта завершено!\\nПросмотреть результат?\n");
    EXPECT_TRUE(fs::exists(dir_.path() / "x.tga"));

    writeText("bad.lua", "pwMessage('before') error('broken on purpose')");
    run = wizard("--run bad.lua");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Script message: before\nError!: Error executing script!\n");
    EXPECT_NE(run.err.find("broken on purpose"), std::string::npos);

    writeText("dialog.lua", "pwMessage(pwGetImageFileName())");
    EXPECT_EQ(wizard("--run dialog.lua").out.substr(0, 17), "Script message: 0");

    EXPECT_EQ(wizard("--run").exitCode, 2);
    EXPECT_EQ(wizard("--yes").exitCode, 2);
    EXPECT_EQ(wizard("--run ok.lua --frobnicate").exitCode, 2);
    EXPECT_EQ(wizard("--run missing.lua").exitCode, 1);

    // Ran to its end, but a function failed on the way: a pipeline must be able to tell.
    writeText("failing.lua",
              "pwCreateImage(0, 4, 4, 0) if pwSaveImage('no/such/dir/x.tga', 0) == 0 then pwInfo('Saved') end");
    run = wizard("--run failing.lua");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, "Error!: Can't save image!\n"
                       "Все ОК: Выполнение скрипта завершено!\\nПросмотреть результат?\n");
    // An error box the script shows itself counts the same.
    writeText("own.lua", "pwError('my own')");
    EXPECT_EQ(wizard("--run own.lua").exitCode, 3);
    EXPECT_EQ(wizard("--run '" + std::string(WIZARD_EXAMPLES) + "/gradient.lua'").exitCode, 0);
}

TEST_F(BatchTest, WindowModeTakesOneScriptAndNoUnknownOption) {
    // Without a display these would fail to open a window; usage errors must not get there.
    for (const char* bad : {"--frobnicate", "-x", "a.lua b.lua", "a.lua --run"}) {
        const Outcome run = wizard(bad);
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_NE(run.err.find("usage: kvPictureWizard"), std::string::npos) << bad;
    }
}

TEST_F(BatchTest, YesStartsTheViewerFromTheConfiguredFolderWithTheSavedPicture) {
    const std::string d = dir_.path().string();
    writeText("config/Orlen Works/kvPictureWizard.conf", "[General]\nDefault=" + d + "/viewer\n");
    writeText("viewer/kvIViewer", "#!/bin/sh\necho \"$1\" > '" + d + "/viewer/args.tmp'\nmv '" + d +
                                      "/viewer/args.tmp' '" + d + "/viewer/args'\n");
    fs::permissions(dir_.path() / "viewer" / "kvIViewer", fs::perms::owner_all);
    writeText("show.lua", "pwCreateImage(0, 4, 4, 0) pwSaveImage('shown.bmp', 0)");
    EXPECT_EQ(wizard("--run show.lua --yes").exitCode, 0);
    const fs::path args = dir_.path() / "viewer" / "args";
    for (int i = 0; i < 100 && !fs::exists(args); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(fs::exists(args));
    EXPECT_EQ(text("viewer/args"), fs::canonical(dir_.path()).string() + "/shown.bmp\n");
}

TEST_F(BatchTest, EveryExampleScriptRuns) {
    int examples = 0;
    for (const auto& entry : fs::directory_iterator(WIZARD_EXAMPLES)) {
        if (entry.path().extension() != ".lua") continue;
        ++examples;
        const Outcome run = wizard("--run '" + entry.path().string() + "'");
        EXPECT_EQ(run.exitCode, 0) << entry.path() << "\n" << run.out << run.err;
        EXPECT_EQ(run.out.find("Error!"), std::string::npos) << entry.path() << "\n" << run.out;
    }
    EXPECT_GE(examples, 4);
}

TEST_F(BatchTest, TimeoutEndsLongScriptsWithExitFour) {
    writeText("endless.lua", "pwInfo('started') while true do end");
    Outcome run = wizard("--run endless.lua --timeout 0.3");
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.out, "Information!: started\n");
    EXPECT_EQ(run.err, "kvPictureWizard: endless.lua: stopped after 0.3 s (--timeout)\n");
    // A finalizer runs with Lua's hooks off: the script cannot be stopped from inside, so
    // the process ends two seconds after the limit.
    writeText("finalizer.lua",
              "local p = newproxy(true) getmetatable(p).__gc = function() while true do end end "
              "p = nil collectgarbage()");
    const auto start = std::chrono::steady_clock::now();
    run = wizard("--timeout 0.2 --run finalizer.lua");
    EXPECT_EQ(run.exitCode, 4);
    EXPECT_EQ(run.err, "kvPictureWizard: finalizer.lua: stopped after 0.2 s (--timeout)\n");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));  // a guard against hanging
    // Scripts within their limit are not affected; the limit must be a number of seconds.
    writeText("quick.lua", "pwCreateImage(0, 2, 2, 0)");
    EXPECT_EQ(wizard("--run quick.lua --timeout 30").exitCode, 0);
    for (const char* bad : {"--timeout 0 --run quick.lua", "--timeout -1 --run quick.lua", "--timeout x --run quick.lua",
                            "--timeout --run quick.lua", "--timeout 5"}) {
        run = wizard(bad);
        EXPECT_EQ(run.exitCode, 2) << bad;
    }
}

}  // namespace
