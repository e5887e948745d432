// Asking the update server whether a newer version exists. The exchange (fetchUpdate) touches
// no user interface, so the window can run it on a worker thread; the answer is shown on the
// user-interface thread by reportUpdate.
#pragma once

#include <cstdint>
#include <string>

namespace wizard {

constexpr const char* kUpdatePath = "/ru/devtools/kvpicturewizard/getversion.php?ver=90923";
constexpr const char* kSitePath = "/ru/devtools/kvpicturewizard/";

// Incomplete: the server broke the reply off, or let a receive time out, before it was whole;
// what arrived is not read for a version.
enum class UpdateStatus { NoConnection, NoReply, Incomplete, NoUpdate, Found };

struct UpdateInfo {
    UpdateStatus status = UpdateStatus::NoConnection;
    std::string version;  // for Found
};

// Looks for "[YES]" in the first 4000 bytes of the raw reply; the text after it up to the
// next "]" (at most 255 characters) is the new version.
UpdateInfo parseUpdateReply(const char* reply, size_t length);

// One GET of kUpdatePath on `host` ("name" or "name:port"), bounded by `timeoutMs` for the
// connection and for each receive. Only a whole reply, or the first 16 KB of a longer one, is
// searched.
UpdateInfo fetchUpdate(const std::string& host, uint32_t timeoutMs);

// Shows the outcome. A found update is always offered (Yes opens the program's page on
// `host`); the other outcomes are shown only `withMessages`.
void reportUpdate(const UpdateInfo& info, bool withMessages, const std::string& host);

}  // namespace wizard
