#include "updatecheck.h"

#include "wizardapp.h"

#include <limno/limno.h>
#include <platform/ui.h>

#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

namespace wizard {

UpdateInfo parseUpdateReply(const char* reply, size_t length) {
    const std::string_view text(reply, length);
    constexpr std::string_view kMarker = "[YES]";
    const size_t at = text.find(kMarker);
    if (at == std::string_view::npos || at >= 4000) return {UpdateStatus::NoUpdate, {}};
    const std::string_view rest = text.substr(at + kMarker.size());
    const std::string_view version = rest.substr(0, std::min<size_t>(rest.find(']'), 255));
    return {UpdateStatus::Found, std::string(version)};
}

UpdateInfo fetchUpdate(const std::string& host, uint32_t timeoutMs) {
    cLIMNO_SOCKET socket;
    socket.connectTimeoutMs = timeoutMs;
    socket.receiveTimeoutMs = timeoutMs;
    if (socket.Init(host.c_str()) != LIMNO_OK) {
        socket.Unlink();
        return {UpdateStatus::NoConnection, {}};
    }
    // Only the first 4000 bytes are searched, so a reply cut to fit the buffer serves; one the
    // server broke off may have lost the very version it was sending.
    std::vector<char> reply(16384);
    const uint32_t status = socket.GetData(reply.data(), uint32_t(reply.size()), kUpdatePath, LIMNO_METHOD_GET);
    const bool whole = status == LIMNO_OK || socket.truncated;
    const uint32_t received = std::min<uint32_t>(socket.received, uint32_t(reply.size() - 1));
    socket.Unlink();
    if (received == 0) return {UpdateStatus::NoReply, {}};
    if (!whole) return {UpdateStatus::Incomplete, {}};
    return parseUpdateReply(reply.data(), received);
}

void reportUpdate(const UpdateInfo& info, bool withMessages, const std::string& host) {
    switch (info.status) {
    case UpdateStatus::Found: {
        std::vector<char> text(info.version.size() + 128);
        std::snprintf(text.data(), text.size(),
                      "Найдено обновление!\n\nВерсия: %s\n\nПерейти на сайт программы?",
                      info.version.c_str());
        if (MessageBoxA(nullptr, text.data(), "Сообщение", MB_YESNO | MB_ICONINFORMATION) == IDYES)
            platform::shellOpen(siteAddress(host, kSitePath));
        return;
    }
    case UpdateStatus::NoConnection:
        if (withMessages)
            MessageBoxA(nullptr,
                        "Не удалось установить соединение с сервером!\nПроверьте соединение с Интернетом!",
                        "Сообщение", MB_OK | MB_ICONWARNING);
        return;
    case UpdateStatus::NoReply:
        if (withMessages)
            MessageBoxA(nullptr, "Ошибка получения ответа от сервера!", "Ошибка", MB_OK | MB_ICONERROR);
        return;
    case UpdateStatus::Incomplete:
        if (withMessages)
            MessageBoxA(nullptr,
                        "Ответ сервера получен не полностью!\nСоединение прервано или истекло время ожидания.",
                        "Ошибка", MB_OK | MB_ICONERROR);
        return;
    case UpdateStatus::NoUpdate:
        if (withMessages)
            MessageBoxA(nullptr, "Обнавлений не найдено!", "Сообщение", MB_OK | MB_ICONINFORMATION);
        return;
    }
}

}  // namespace wizard
