// The HTML manual documents every script function, and every example in it runs cleanly.
#include "scripttest.h"

#include <filesystem>
#include <regex>

namespace {

std::string manualText() {
    const kvtest::Bytes bytes = kvtest::readFile(KV_MANUAL_SOURCE);
    return std::string(bytes.begin(), bytes.end());
}

std::string unescaped(std::string text) {
    for (const auto& [entity, character] : {std::pair<std::string, std::string>{"&lt;", "<"}, {"&gt;", ">"},
                                            {"&quot;", "\""}, {"&#x27;", "'"}, {"&amp;", "&"}}) {
        for (size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at + 1))
            text.replace(at, entity.size(), character);
    }
    return text;
}

// The section of one function: from its anchor to the end of the section.
std::string sectionOf(const std::string& manual, const std::string& name) {
    const size_t start = manual.find("<section class=\"function\" id=\"" + name + "\">");
    if (start == std::string::npos) return {};
    return manual.substr(start, manual.find("</section>", start) - start);
}

class ManualTest : public wiztest::ScriptTest {};

TEST_F(ManualTest, EveryFunctionHasItsSectionAndARunnableExample) {
    const std::string manual = manualText();
    ASSERT_FALSE(manual.empty());
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());  // the examples save files
    int documented = 0;
    for (const char* name : wizard::kScriptFunctionNames) {
        const std::string section = sectionOf(manual, name);
        ASSERT_FALSE(section.empty()) << name << " is not in the manual";
        ++documented;
        EXPECT_NE(section.find("<h3>" + std::string(name) + "("), std::string::npos) << name;
        EXPECT_NE(section.find("<th>Returns</th>"), std::string::npos) << name;
        std::smatch example;
        ASSERT_TRUE(std::regex_search(section, example, std::regex("<pre class=\"example\">([^<]*)</pre>"))) << name;
        const std::string code = unescaped(example[1]);
        EXPECT_NE(code.find(name), std::string::npos) << name << "'s example does not use it";
        for (int slot = 0; slot < wizard::kSlotCount; ++slot) state_.slots.clear(slot);
        const wiztest::ScriptRun run = script(code);
        EXPECT_EQ(run.status, wizard::RunStatus::Ok) << name << ": " << run.errorText;
        EXPECT_EQ(run.errors(), "") << name;
    }
    std::filesystem::current_path(previous);
    EXPECT_EQ(documented, 38);
}

}  // namespace
