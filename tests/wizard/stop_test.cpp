// A running script can be ended: on request or at a deadline, whatever it does to hold on.
#include "scripttest.h"

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

class StopTest : public wiztest::ScriptTest {
protected:
    wizard::RunResult runWith(const std::string& code, wizard::ScriptControl& control) {
        const std::string path = dir_.file("endless.lua");
        kvtest::writeFile(path, kvtest::Bytes(code.begin(), code.end()));
        const auto start = Clock::now();
        const wizard::RunResult result = wizard::runScript(state_, path, &control);
        seconds_ = std::chrono::duration<double>(Clock::now() - start).count();
        return result;
    }
    wizard::RunResult runFor(const std::string& code, std::chrono::milliseconds limit) {
        wizard::ScriptControl control;
        control.deadline = Clock::now() + limit;
        return runWith(code, control);
    }
    double seconds_ = 0;
};

TEST_F(StopTest, EndlessScriptsEndAtTheirDeadline) {
    // Loops, and every way a script could try to catch the end and carry on.
    for (const char* code : {
             "while true do end",
             "local t = {} while true do t[#t % 100 + 1] = tostring(#t) end",
             "while true do pcall(function() while true do end end) end",
             "while true do xpcall(function() while true do end end, function() while true do end end) end",
             "local function f() pcall(f) while true do end end f()",
             "local co = coroutine.create(function() while true do end end) while true do coroutine.resume(co) end",
         }) {
        SCOPED_TRACE(code);
        const wizard::RunResult result = runFor(code, std::chrono::milliseconds(100));
        EXPECT_EQ(result.status, wizard::RunStatus::TimedOut);
        EXPECT_EQ(result.errorText, "script stopped");
        EXPECT_LT(seconds_, 10.0);  // a guard against hanging, not a speed measure
    }
    // Quick scripts and real errors are not affected by a deadline they do not reach.
    EXPECT_EQ(runFor("pwCreateImage(3, 2, 2, 0)", std::chrono::seconds(60)).status, wizard::RunStatus::Ok);
    EXPECT_EQ(runFor("error('own')", std::chrono::seconds(60)).status, wizard::RunStatus::ScriptError);
    // What the script did before it was ended stays in the slots.
    EXPECT_EQ(runFor("pwCreateImage(4, 5, 6, 0) while true do end", std::chrono::milliseconds(50)).status,
              wizard::RunStatus::TimedOut);
    EXPECT_EQ(eval("pwGetImage_WIDTH(4)"), 5);
}

TEST_F(StopTest, StopRequestsEndTheScriptFromAnotherThreadOrFromTheWindowsEvents) {
    wizard::ScriptControl control;
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        control.stop = true;
    });
    EXPECT_EQ(runWith("while true do end", control).status, wizard::RunStatus::Stopped);
    stopper.join();
    EXPECT_LT(seconds_, 10.0);

    // The window's own event processing runs inside the script and may press Stop there.
    wizard::ScriptControl fromEvents;
    int calls = 0;
    fromEvents.whileRunning = [&] {
        if (++calls == 3) fromEvents.stop = true;
    };
    EXPECT_EQ(runWith("while true do end", fromEvents).status, wizard::RunStatus::Stopped);
    EXPECT_EQ(calls, 3);
    // A run without a control is the plain run.
    EXPECT_EQ(script("pwMessage(1)").status, wizard::RunStatus::Ok);
}

}  // namespace
