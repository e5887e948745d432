#include "scripttest.h"
#include "wizardapp.h"

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace {

using wiztest::ScriptTest;

TEST_F(ScriptTest, EveryFunctionIsAGlobalAndSlotsOutliveTheLuaState) {
    std::string code = "local n = 0\n";
    for (const char* name : wizard::kScriptFunctionNames)
        code += std::string("if type(") + name + ") == 'function' then n = n + 1 end\n";
    code += "pwMessage(n) pwMessage(type(print)) pwCreateImage(6, 3, 3, 0)";
    const wiztest::ScriptRun first = script(code);
    EXPECT_EQ(first.status, wizard::RunStatus::Ok);
    EXPECT_EQ(first.number(0), 38);
    EXPECT_EQ(first.said[1], "function");  // the standard libraries are open

    const wiztest::ScriptRun broken = script("pwCreateImage(6, 1, 1, 0) this is not Lua");
    EXPECT_EQ(broken.status, wizard::RunStatus::ScriptError);
    EXPECT_NE(broken.errorText.find("script.lua"), std::string::npos);
    EXPECT_EQ(eval("pwGetImage_WIDTH(6)"), 3);  // the broken script never ran

    const wiztest::ScriptRun failing = script("pwCreateImage(6, 2, 2, 0) error('stop here')");
    EXPECT_EQ(failing.status, wizard::RunStatus::ScriptError);
    EXPECT_NE(failing.errorText.find("stop here"), std::string::npos);
    EXPECT_EQ(eval("pwGetImage_WIDTH(6)"), 2);
    EXPECT_EQ(wizard::runScript(state_, dir_.file("absent.lua")).status, wizard::RunStatus::ScriptError);
}

TEST_F(ScriptTest, MessageFunctionsUseTheirCaptionsAndIcons) {
    const wiztest::ScriptRun run = script(R"(
        pwMessage('plain') pwInfo('i') pwMessageInfo('i2') pwWarning('w') pwMessageWarning('w2')
        pwError('e') pwMessageError('e2') pwMessage(nil) pwInfo({})
    )");
    ASSERT_EQ(run.boxes.size(), 7u);
    EXPECT_EQ(run.said, (std::vector<std::string>{"plain", ""}));
    EXPECT_EQ(run.boxes[0].caption, "Information!");
    EXPECT_EQ(run.boxes[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(run.boxes[2].caption, "Warning!");
    EXPECT_EQ(run.boxes[3].type, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(run.boxes[5].text, "e2");
    EXPECT_EQ(run.boxes[5].type, MB_OK | MB_ICONERROR);
    EXPECT_EQ(run.boxes[6].text, "");
}

TEST_F(ScriptTest, FileDialogsShareOneNameAndTheSaveDialogStartsEmpty) {
    std::vector<platform::FileDialogRequest> requests;
    bool accept = false;
    platform::setFileDialogHook([&](const platform::FileDialogRequest& request, std::string& chosen) {
        requests.push_back(request);
        chosen = request.save ? "/tmp/out.kvi" : "/tmp/in.bmp";
        return accept;
    });
    EXPECT_EQ(eval("pwGetImageFileName()"), 0);
    accept = true;
    const wiztest::ScriptRun run = script("pwMessage(pwGetImageFileName()) pwMessage(pwGetSaveFileName())");
    EXPECT_EQ(run.said, (std::vector<std::string>{"/tmp/in.bmp", "/tmp/out.kvi"}));
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_FALSE(requests[0].save);
    EXPECT_EQ(requests[0].filters.size(), 8u);
    EXPECT_EQ(requests[0].filters[6].second, "*.scl;*.sci;*.scn");
    EXPECT_EQ(requests[2].filters.size(), 4u);
    EXPECT_EQ(requests[2].defaultExtension, "kvi");
    EXPECT_EQ(requests[2].initialPath, "");  // not the name the open dialog left
    script("pwGetImageFileName()");
    EXPECT_EQ(requests[3].initialPath, "/tmp/out.kvi");
}

// Wrong types, absurd numbers and slots outside the table: every call must come back.
TEST_F(ScriptTest, HostileScriptNeverCrashes) {
    std::string code = R"(
        pwCreateImage(0, 8, 8, RGB(1, 2, 3))
        pwCreateImage(1, 8, 8, RGB(4, 5, 6))
        local values = { nil, 'text', {}, print, -1, 16, 17, 19, 20, 1e300, -1e300, 0/0,
                         2^31, -2^31, 2^32 + 1, 2^53, '12', 0, 1 }
        local count = 0
    )";
    for (const char* name : wizard::kScriptFunctionNames) {
        if (std::string(name) == "pwGetImageFileName" || std::string(name) == "pwGetSaveFileName") continue;
        code += std::string("for i = 1, 19 do for j = 1, 19 do ") + name +
                "(values[i], values[j], values[j], values[i], values[i], values[j], values[i], values[j]) "
                "count = count + 1 end end\n";
        code += std::string("for i = 1, 19 do ") + name + "(0, 1, values[i], values[i], values[i], values[i], 'LEFT-RIGHT', 0) end\n";
    }
    code += "pwMessage(count)";
    const wiztest::ScriptRun run = script(code);
    EXPECT_EQ(run.status, wizard::RunStatus::Ok) << run.errorText;
    ASSERT_FALSE(run.said.empty());
    EXPECT_EQ(run.said.back(), std::to_string(36 * 19 * 19));
    for (int i = 0; i < wizard::kSlotCount; ++i) {
        const wizard::ImageSlot& slot = state_.slots[i];
        if (slot.data) EXPECT_LE(slot.byteCount(), wizard::kMaxPictureBytes);
        else EXPECT_EQ(slot.width, 0);
    }
}

// A library function that runs out of memory ends the script with Lua's memory error; the
// exception never crosses Lua's frames. The address space is limited in a child process
// (AddressSanitizer cannot run under such a limit): drawing a 64 MB picture onto itself
// needs a second 64 MB copy that the limit leaves no room for.
TEST_F(ScriptTest, RunningOutOfMemoryInAFunctionIsAScriptError) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "needs a limited address space";
#else
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        const rlim_t room = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + (rlim_t(100) << 20);
        const rlimit limit{room, room};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
        const wiztest::ScriptRun run = script("pwCreateImage(0, 4096, 4096, RGB(1, 2, 3)) pwPutImage(0, 0, 0, 0, 255)");
        const bool asExpected = run.status == wizard::RunStatus::ScriptError &&
                                run.errorText.find("not enough memory") != std::string::npos;
        _exit(asExpected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

class AppTest : public ScriptTest {
protected:
    wizard::WizardApp app{wizard::WizardConfig{"/opt/kv", "127.0.0.1:9", 500}};
    std::vector<std::pair<std::string, std::string>> opened;

    void SetUp() override {
        ScriptTest::SetUp();
        platform::setShellOpenHook([this](const std::string& target, const std::string& arguments) {
            opened.emplace_back(target, arguments);
            return true;
        });
    }
    wiztest::ScriptRun runApp(const std::string& code, int answer) {
        const std::string path = dir_.file("app.lua");
        kvtest::writeFile(path, kvtest::Bytes(code.begin(), code.end()));
        app.scriptName = path;
        answer_ = answer;
        current_ = {};
        app.run();
        return current_;
    }
};

TEST_F(AppTest, RunAsksForAScriptThenOffersTheSavedPicture) {
    app.scriptName.clear();
    EXPECT_EQ(app.run(), wizard::RunOutcome::NoScript);
    ASSERT_EQ(current_.boxes.size(), 1u);
    EXPECT_EQ(current_.boxes[0].caption, "Внимание!");
    EXPECT_EQ(current_.boxes[0].text, "Скрипт не загружен!\nЗагрузите kvPicture Wizard LUA-скрипт!");

    const std::string picture = dir_.file("p.tga");
    wiztest::ScriptRun run = runApp("pwCreateImage(0, 2, 2, 0) pwSaveImage('" + picture + "', 0)", IDYES);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, "Все ОК");
    EXPECT_EQ(run.boxes[0].text, "Выполнение скрипта завершено!\nПросмотреть результат?");
    EXPECT_EQ(run.boxes[0].type, MB_YESNO | MB_ICONINFORMATION);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], std::make_pair(std::string("/opt/kv/kvIViewer"), picture));

    runApp("pwMessage('again')", IDNO);
    EXPECT_EQ(opened.size(), 1u);

    // A relative name is given to the viewer as a full path.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    runApp("pwSaveImage('rel.bmp', 0)", IDYES);
    std::filesystem::current_path(previous);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].second, (dir_.path() / "rel.bmp").string());

    run = runApp("pwCreateImage(", IDYES);
    EXPECT_EQ(run.errors(), "Error executing script!|");
    EXPECT_NE(app.lastErrorText.find("app.lua:1:"), std::string::npos) << app.lastErrorText;
    EXPECT_EQ(opened.size(), 2u);

    // The window shows the error its own way, with Lua's message.
    std::string shown;
    app.showScriptError = [&shown](const std::string& luaMessage) { shown = luaMessage; };
    run = runApp("local x = nil\nx.field = 1", IDYES);
    EXPECT_EQ(run.errors(), "");
    EXPECT_NE(shown.find("app.lua:2: attempt to index"), std::string::npos) << shown;
}

// Beside the program (the build tree), else in the data folder an installation puts it in.
TEST(Manual, FoundBesideTheProgramOrInTheInstalledDataFolder) {
    kvtest::TempDir dir;
    const std::filesystem::path bin = dir.path() / "bin";
    std::filesystem::create_directories(bin);
    EXPECT_EQ(wizard::findManual(bin.string()), "");
    const std::filesystem::path installed = dir.path() / KV_MANUAL_INSTALL_DIR / "kvdoc.html";
    std::filesystem::create_directories(installed.parent_path());
    kvtest::writeFile(installed.string(), {'<'});
    EXPECT_EQ(wizard::findManual(bin.string()), installed.lexically_normal().string());
    std::filesystem::create_directories(bin / "HLP");
    kvtest::writeFile((bin / "HLP" / "kvdoc.html").string(), {'<'});
    EXPECT_EQ(wizard::findManual(bin.string()), (bin / "HLP" / "kvdoc.html").string());
}

TEST_F(AppTest, CommandsOpenTheirTargets) {
    app.startViewer();
    app.openOnlinePage();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].first, "/opt/kv/kvIViewer");
    EXPECT_EQ(opened[1].first, "http://127.0.0.1:9/ru/devtools/kvpicturewizard/on-line/");
    // The test program has no manual beside it.
    app.openManual();
    EXPECT_EQ(opened.size(), 2u);
    EXPECT_EQ(current_.errors(), "Can't open the manual HLP/kvdoc.html!|");
    current_ = {};
    app.showAbout();
    ASSERT_EQ(current_.boxes.size(), 1u);
    EXPECT_EQ(current_.boxes[0].caption, "About...");
    EXPECT_EQ(current_.boxes[0].text.rfind("kvPicture Wizard\nversion 0.32.2009.9\n#90923\n\n", 0), 0u);

    wizard::WizardApp beside(wizard::WizardConfig{});
    EXPECT_EQ(beside.viewerPath(), (std::filesystem::path(wizard::executableDirectory()) / "kvIViewer").string());
}

}  // namespace
